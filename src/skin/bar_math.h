#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// The arithmetic of the seek bars and volume bars, apart from their widgets. Times are 100-ns
// units; products that can leave 64 bits are taken in 128.

// The distance between two labels of a time scale with room for n labels over duration d: d when
// n < 2, else d / (n − 1), at least a second, raised to the next of 1 s, 5 s, 10 s, 15 s, 30 s,
// 1, 5, 10, 15, 30 min, 1, 2, 5 h when it falls between two of them.
int64_t ScaleStep(int64_t duration, int64_t labels);

// v × num / den in 128 bits, 0 when den is not positive.
int64_t MulDiv(int64_t v, int64_t num, int64_t den);

struct TScaleMark {
  int x = 0;
  int64_t time = 0;
};
struct TTimeScale {
  std::vector<TScaleMark> labels; // each with a high tick at its x
  std::vector<int> lowTicks;      // the four ticks between two labels, below the duration
};
// Labels and ticks at origin + time × span / duration; `labels` is how many fit.
TTimeScale MakeTimeScale(int64_t duration, int64_t labels, int origin, int span);

// A mouse x on a bar as a value: (x − offset) × range / span, clamped to 0 … range; nothing when
// span is not positive or range is negative.
bool ValueFromX(int x, int offset, int span, int64_t range, int64_t& value);

} // namespace zv
