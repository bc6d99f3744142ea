#include "ui/command_event.h"

#include <QCoreApplication>

namespace zv {

void TQtCommandPoster::PostCommand(int code) {
  if (receiver_)
    QCoreApplication::postEvent(receiver_, new TCommandEvent(code));
}

bool TCommandReceiver::event(QEvent* e) {
  if (e->type() != kCommandEventType)
    return QObject::event(e);
  int code = static_cast<TCommandEvent*>(e)->Code();
  if (code != 1000 && code != 1001 && executor_)
    executor_(code);
  return true;
}

} // namespace zv
