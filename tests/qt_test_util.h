#pragma once

// Waiting in tests that have a Qt event loop: the loop runs between two looks at the condition.
#include "test_util.h"

#include <QCoreApplication>

namespace zvtest {

inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  return WaitUntil(done, limit, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
}

// Lets the loop run for a while, for the checks that something does not happen meanwhile.
inline void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

} // namespace zvtest
