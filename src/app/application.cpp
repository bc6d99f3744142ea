#include "app/application.h"

#include "core/session_log.h"

namespace zv {

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    Log(std::string("!Exception: ") + e.what());
  } catch (...) {
    Log("!Exception: unknown");
  }
  return false;
}

} // namespace zv
