#pragma once

#include <cstdint>

namespace zv {

// Local time in milliseconds on the day-count scale (days since 1899-12-30 00:00 local time, times
// 86 400 000), the time stamp instances exchange with forwarded command lines.
int64_t LocalDayCountMillis();

} // namespace zv
