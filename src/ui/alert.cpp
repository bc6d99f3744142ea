#include "ui/alert.h"

#include "core/session_log.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

namespace zv {

void Alert(const std::string& text, QWidget* owner, bool stayOnTop) {
  Log("Core.Alert(" + text + ")");
  if (QGuiApplication::platformName() == "offscreen" || !qApp) {
    std::fprintf(stderr, "Zelvar message: %s\n", text.c_str());
    return;
  }
  QApplication::beep();
  QMessageBox box(QMessageBox::NoIcon, "Zelvar message", QString::fromStdString(text), QMessageBox::Ok, owner);
  if (stayOnTop)
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

} // namespace zv
