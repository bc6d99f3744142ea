#pragma once

#include "commands/command_center.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <functional>

namespace zv {

// A numbered command travelling to the window that executes it, as a posted Qt event: commands run
// in the order posted, after the handler that posted them, also while a modal dialog runs.
constexpr QEvent::Type kCommandEventType = static_cast<QEvent::Type>(0x89C8);

class TCommandEvent : public QEvent {
public:
  explicit TCommandEvent(int code) : QEvent(kCommandEventType), code_(code) {}
  int Code() const { return code_; }

private:
  int code_;
};

// Posts commands to a receiver object (the main window once it exists).
class TQtCommandPoster : public ICommandPoster {
public:
  explicit TQtCommandPoster(QObject* receiver = nullptr) : receiver_(receiver) {}
  void SetReceiver(QObject* receiver) { receiver_ = receiver; }
  QObject* Receiver() const { return receiver_; }
  void PostCommand(int code) override;

private:
  QPointer<QObject> receiver_;
};

// Receives command events and hands their codes to whatever executes commands. Codes 1000 and
// 1001 are reserved by the main window and never handed on.
class TCommandReceiver : public QObject {
public:
  explicit TCommandReceiver(std::function<void(int)> executor, QObject* parent = nullptr)
      : QObject(parent), executor_(std::move(executor)) {}
  bool event(QEvent* e) override;

private:
  std::function<void(int)> executor_;
};

} // namespace zv
