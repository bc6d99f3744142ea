#include "ui/alert.h"

#include "core/session_log.h"
#include "core/text_util.h"
#include "ui/plain_text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace zv {

namespace {
// The message window; true when it was answered with OK. With `escapeApart` Esc answers through
// a button nobody sees, so that it is told apart from OK.
bool ShowMessage(const char* scope, const std::string& text, QWidget* owner, bool stayOnTop, bool escapeApart) {
  Log(std::string(scope) + "(" + text + ")");
  if (QGuiApplication::platformName() == "offscreen" || !qApp) {
    std::fprintf(stderr, "Zelvar message: %s\n", ReplaceAll(text, "\r\n", "\n").c_str());
    return false;
  }
  QApplication::beep();
  QMessageBox box(QMessageBox::NoIcon, "Zelvar message", QString(), QMessageBox::Ok, owner);
  SetPlainText(&box, text); // messages name files and streams
  if (stayOnTop)
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (escapeApart) {
    QAbstractButton* escape = box.addButton(QMessageBox::Cancel);
    escape->hide();
    box.setEscapeButton(escape);
  }
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Ok);
}
} // namespace

void Alert(const std::string& text, QWidget* owner, bool stayOnTop) {
  ShowMessage("Core.Alert", text, owner, stayOnTop, false);
}

bool ConfirmAlert(const std::string& text, QWidget* owner) {
  return ShowMessage("Core.ConfirmAlert", text, owner, false, true);
}

} // namespace zv
