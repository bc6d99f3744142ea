#include "ui/plain_text.h"

#include "core/text_util.h"

#include <QLabel>
#include <QMessageBox>

namespace zv {

QString OutsideText(const std::string& text) { return QString::fromStdString(BoundText(text)); }

void SetPlainText(QLabel* label, const std::string& text) {
  label->setTextFormat(Qt::PlainText);
  label->setText(OutsideText(text));
}

QString PlainToolTip(const std::string& text) {
  if (text.empty())
    return {};
  // Marked as rich text on purpose, with everything in it escaped: whatever the text looks like,
  // it is shown as written, line breaks and runs of blanks included.
  return "<p style='white-space:pre-wrap'>" + OutsideText(text).toHtmlEscaped() + "</p>";
}

QString PlainMenuText(const std::string& text) { return OutsideText(text).replace('&', "&&"); }

void SetPlainText(QMessageBox* box, const std::string& text) {
  box->setTextFormat(Qt::PlainText);
  box->setText(OutsideText(text));
}

} // namespace zv
