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

void Alert(const std::string& text, QWidget* owner, bool stayOnTop) {
  Log("Core.Alert(" + text + ")");
  if (QGuiApplication::platformName() == "offscreen" || !qApp) {
    std::fprintf(stderr, "Zelvar message: %s\n", ReplaceAll(text, "\r\n", "\n").c_str());
    return;
  }
  QApplication::beep();
  QMessageBox box(QMessageBox::NoIcon, "Zelvar message", QString(), QMessageBox::Ok, owner);
  SetPlainText(&box, text); // messages name files and streams
  if (stayOnTop)
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

bool ConfirmAlert(const std::string& text, QWidget* owner) {
  Log("Core.ConfirmAlert(" + text + ")");
  if (QGuiApplication::platformName() == "offscreen" || !qApp) {
    std::fprintf(stderr, "Zelvar message: %s\n", ReplaceAll(text, "\r\n", "\n").c_str());
    return false;
  }
  QApplication::beep();
  QMessageBox box(QMessageBox::NoIcon, "Zelvar message", QString(), QMessageBox::Ok, owner);
  SetPlainText(&box, text);
  // Esc answers through a button nobody sees, so that it is told apart from OK.
  QAbstractButton* escape = box.addButton(QMessageBox::Cancel);
  escape->hide();
  box.setEscapeButton(escape);
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Ok);
}

} // namespace zv
