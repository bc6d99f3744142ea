#pragma once

#include <string>

class QWidget;

namespace zv {

// The program's message window, captioned "Zelvar message". Without a display (the offscreen
// platform) nobody could answer a modal window, so the text goes to standard error instead.
void Alert(const std::string& text, QWidget* owner = nullptr, bool stayOnTop = false);

// The message window with its OK button, answered: true for OK, false when it was closed with Esc
// or the window's close button. Without a display the text goes to standard error and the answer
// is false.
bool ConfirmAlert(const std::string& text, QWidget* owner = nullptr);

} // namespace zv
