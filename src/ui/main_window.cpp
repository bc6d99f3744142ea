#include "ui/main_window.h"

#include "platform/key_translation.h"
#include "ui/command_event.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>

namespace zv {

TfrMain::TfrMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frMain");
  auto* movie = new QLabel(this);
  movie->setObjectName("MoviePanel");
  movie->setAutoFillBackground(true);
  QPalette p = movie->palette();
  p.setColor(QPalette::Window, Qt::black);
  movie->setPalette(p);
  setCentralWidget(movie);
  resize(380, 221); // the default video area of the preferences, 830-450 by 593-372
}

void TfrMain::SetTitle(const std::string& text) {
  caption_ = text;
  setWindowTitle(QString::fromStdString(text));
}

bool TfrMain::IsHiddenForUser() const { return !isVisible() || isMinimized(); }

void TfrMain::BringToFront() {
  if (isMinimized())
    showNormal();
  else if (!isVisible())
    show();
  raise();
  activateWindow();
}

bool TfrMain::event(QEvent* e) {
  if (e->type() == kCommandEventType) {
    int code = static_cast<TCommandEvent*>(e)->Code();
    if (code != 1000 && code != 1001 && executeCommand)
      executeCommand(code);
    return true;
  }
  return QMainWindow::event(e);
}

void TfrMain::closeEvent(QCloseEvent* e) {
  // The user closing the window ends the program through its normal exit path.
  if (onCloseRequest && e->spontaneous()) {
    e->ignore();
    onCloseRequest();
    return;
  }
  QMainWindow::closeEvent(e);
}

} // namespace zv

namespace zv {

void TfrMain::keyPressEvent(QKeyEvent* e) {
  if (onKeyName) {
    onKeyName(KeyEventName(*e));
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

} // namespace zv
