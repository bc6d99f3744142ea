#include "core/day_clock.h"

#include <chrono>
#include <ctime>

namespace zv {

int64_t LocalDayCountMillis() {
  using namespace std::chrono;
  auto now = system_clock::now();
  int64_t unixMs = duration_cast<milliseconds>(now.time_since_epoch()).count();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  // 25569 days lie between 1899-12-30 and 1970-01-01.
  return unixMs + static_cast<int64_t>(local.tm_gmtoff) * 1000 + 25569LL * 86'400'000LL;
}

} // namespace zv
