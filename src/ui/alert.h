#pragma once

#include <string>

class QWidget;

namespace zv {

// The program's message window, captioned "Zelvar message". Without a display (the offscreen
// platform) nobody could answer a modal window, so the text goes to standard error instead.
void Alert(const std::string& text, QWidget* owner = nullptr, bool stayOnTop = false);

} // namespace zv
