#pragma once

#include <string>

#include <memory>

class QDialog;
class QWidget;

namespace zv {

// The file-information window: each line of the report in a two-column grid, the text before the
// line's first ":" on the left and the rest on the right. OK and Esc close it; its context menu
// copies the selected values. Without a display (the offscreen platform) the report is written
// to standard output instead.
void ShowInfoDialog(QWidget* parent, const std::string& report);
// The window itself, not yet shown.
std::unique_ptr<QDialog> CreateInfoDialog(QWidget* parent, const std::string& report);

} // namespace zv
