#include "ui/qt_dispatcher.h"

#include <QMetaObject>

namespace zv {

TQtDispatcher::TQtDispatcher() : context_(new QObject()) {}

TQtDispatcher::~TQtDispatcher() { delete context_; }

void TQtDispatcher::Post(std::function<void()> work) {
  // A queued call on an object of the user-interface thread; dropped if the object is gone.
  QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

} // namespace zv
