#pragma once

#include <QString>
#include <string>

class QLabel;
class QMessageBox;

namespace zv {

// Text that comes from files and streams (titles, tags, headers, names) is shown as the characters
// it holds: never taken as markup, which a label or a tool tip would otherwise guess at and follow
// (an image reference in a title would make Qt read the file it names), and kept to the program's
// limit for outside text. Every widget that shows such text goes through these.

// The UTF-8 text as a QString, bounded.
QString OutsideText(const std::string& text);
// A label showing the text as it is.
void SetPlainText(QLabel* label, const std::string& text);
// A tool tip that shows the text as it is (tool tips take markup whenever the text looks like it).
QString PlainToolTip(const std::string& text);
// A menu item or button caption that shows the text as it is ("&" would mark a shortcut).
QString PlainMenuText(const std::string& text);
// A message box whose text is shown as it is.
void SetPlainText(QMessageBox* box, const std::string& text);

} // namespace zv
