#pragma once

#include "core/ui_dispatcher.h"

#include <QEvent>
#include <QObject>
#include <functional>

namespace zv {

// Work carried to the thread of a receiving object by Qt's event queue.
class TWorkEvent : public QEvent {
public:
  static QEvent::Type Type();
  explicit TWorkEvent(std::function<void()> work) : QEvent(Type()), work_(std::move(work)) {}
  void Run() { work_(); }

private:
  std::function<void()> work_;
};

// Runs TWorkEvents sent to it.
class TWorkReceiver : public QObject {
public:
  using QObject::QObject;
  bool event(QEvent* e) override;
};

// Posts work to a receiver from any thread. The event queue orders the hand-over; since its locks
// are invisible to ThreadSanitizer, the hand-over is marked for it as well.
void PostWork(QObject* receiver, std::function<void()> work);

// Posts work to the Qt event loop of the thread this object lives on (the user-interface thread).
class TQtDispatcher : public IUiDispatcher {
public:
  TQtDispatcher();
  ~TQtDispatcher() override;
  void Post(std::function<void()> work) override;

private:
  TWorkReceiver* receiver_;
};

} // namespace zv
