#pragma once

#include <QApplication>

namespace zv {

// The application object. An exception must not cross Qt's event loop: one that reaches it is
// logged as "!Exception: " and its message, and the loop goes on.
class TApplication : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace zv
