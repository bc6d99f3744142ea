#include "skin/bar_math.h"

#include <algorithm>

namespace zv {

namespace {
constexpr int64_t kSecond = 10'000'000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kSteps[] = {kSecond, 5 * kSecond, 10 * kSecond, 15 * kSecond, 30 * kSecond,
                              kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute,
                              kHour,   2 * kHour,   5 * kHour};
} // namespace

int64_t ScaleStep(int64_t duration, int64_t labels) {
  if (labels < 2)
    return duration;
  int64_t step = std::max(duration / (labels - 1), kSecond);
  for (size_t i = 0; i + 1 < std::size(kSteps); ++i)
    if (step > kSteps[i] && step < kSteps[i + 1])
      return kSteps[i + 1];
  return step;
}

int64_t MulDiv(int64_t v, int64_t num, int64_t den) {
  if (den <= 0)
    return 0;
  __int128 r = static_cast<__int128>(v) * num / den;
  return static_cast<int64_t>(std::clamp<__int128>(r, INT64_MIN, INT64_MAX));
}

TTimeScale MakeTimeScale(int64_t duration, int64_t labels, int origin, int span) {
  TTimeScale scale;
  if (duration <= 0 || span <= 0)
    return scale;
  int64_t step = ScaleStep(duration, labels);
  if (step <= 0)
    return scale;
  for (int64_t c = 0; c <= duration / step; ++c) {
    int64_t t = c * step;
    scale.labels.push_back(TScaleMark{origin + static_cast<int>(MulDiv(t, span, duration)), t});
    for (int i = 1; i <= 4; ++i) {
      int64_t low = t + step * i / 5;
      if (low < duration)
        scale.lowTicks.push_back(origin + static_cast<int>(MulDiv(low, span, duration)));
    }
  }
  return scale;
}

bool ValueFromX(int x, int offset, int span, int64_t range, int64_t& value) {
  if (span <= 0 || range < 0)
    return false;
  value = std::clamp<int64_t>(MulDiv(static_cast<int64_t>(x) - offset, range, span), 0, range);
  return true;
}

} // namespace zv
