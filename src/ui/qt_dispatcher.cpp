#include "ui/qt_dispatcher.h"

#include "core/tsan_annotations.h"

#include <QCoreApplication>

namespace zv {

QEvent::Type TWorkEvent::Type() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool TWorkReceiver::event(QEvent* e) {
  ZV_TSAN_ACQUIRE(e); // before the event is read at all
  if (e->type() == TWorkEvent::Type()) {
    static_cast<TWorkEvent*>(e)->Run();
    return true;
  }
  return QObject::event(e);
}

void PostWork(QObject* receiver, std::function<void()> work) {
  auto* e = new TWorkEvent(std::move(work));
  ZV_TSAN_RELEASE(e);
  QCoreApplication::postEvent(receiver, e);
}

TQtDispatcher::TQtDispatcher() : receiver_(new TWorkReceiver()) {}

TQtDispatcher::~TQtDispatcher() { delete receiver_; }

void TQtDispatcher::Post(std::function<void()> work) { PostWork(receiver_, std::move(work)); }

} // namespace zv
