#include "filters/video_process.h"

#include "core/text_util.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zv {

TVideoProcValues ReadSettings(const TVideoProcSettings& s) {
  TVideoProcValues v;
  v.brightness = std::clamp<int32_t>(s.brightness.load(std::memory_order_relaxed), -100, 100);
  v.contrast = std::clamp<int32_t>(s.contrast.load(std::memory_order_relaxed), -100, 100);
  v.saturation = std::clamp<int32_t>(s.saturation.load(std::memory_order_relaxed), -100, 100);
  v.effect = std::clamp<int32_t>(s.effect.load(std::memory_order_relaxed), 0, 8);
  v.flip = s.flip.load(std::memory_order_relaxed);
  return v;
}

namespace {
uint8_t Byte(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }
} // namespace

TLevelTables BuildLevelTables(int b, int c, int s) {
  TLevelTables t;
  for (int i = 0; i < 256; ++i)
    t.luma[i] = t.chroma[i] = static_cast<uint8_t>(i);
  t.lumaUsed = b != 0 || c != 0;
  t.chromaUsed = s != 0;
  if (t.lumaUsed) {
    const int k = static_cast<int>(RoundHalfEven(std::abs(c) / 100.0 * 127));
    for (int i = 0; i < 256; ++i) {
      if (c > 0)
        t.luma[i] = i <= k ? 0 : i >= 255 - k ? 255 : Byte(RoundHalfEven((i - k) * 255.0 / (255 - 2 * k)));
      else if (c < 0)
        t.luma[i] = Byte(RoundHalfEven((255 - 2 * k) * i / 255.0) + k);
    }
    const int lo = b > 0 ? static_cast<int>(RoundHalfEven(b * 255 / 100.0)) : 0;
    const int hi = b < 0 ? static_cast<int>(RoundHalfEven((b + 100) * 255 / 100.0)) : 255;
    for (int i = 0; i < 256; ++i)
      t.luma[i] = Byte(RoundHalfEven((hi - lo) * t.luma[i] / 255.0) + lo);
  }
  if (t.chromaUsed)
    for (int j = 0; j < 256; ++j) {
      const int v = (j - 128) * (s + 100) / 100;
      t.chroma[j] = Byte(s < 0 ? v + 128 : std::clamp(v, -127, 127) + 128);
    }
  return t;
}

const TEffectKernel& EffectKernel(int effect) {
  static const TEffectKernel kKernels[8] = {
      {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 1},           {{1, 1, 1, 1, 5, 1, 1, 1, 1}, 13},
      {{5, 5, 5, 5, 44, 5, 5, 5, 5}, 84},         {{1, 1, 1, 1, 0, 1, 1, 1, 1}, 8},
      {{-2, -2, -2, -2, 32, -2, -2, -2, -2}, 16}, {{0, -1, 0, -1, 10, -1, 0, -1, 0}, 6},
      {{-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1},   {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},
  };
  return kKernels[std::clamp(effect, 1, 8) - 1];
}

void TVideoProcess::ApplyEffect(const uint8_t* in, size_t inStride, int width, int height, const TEffectKernel& k) {
  const size_t row = static_cast<size_t>((width + 1) / 2) * 4;
  if (width != effectWidth_ || height != effectHeight_) {
    // A new frame size (the stream changed mid-way) gets a buffer of its own size.
    effect_.assign(row * static_cast<size_t>(height), 0);
    effectWidth_ = width;
    effectHeight_ = height;
  }
  for (int r = 0; r < height; ++r)
    std::memcpy(effect_.data() + r * row, in + r * inStride, row);
  const auto& w = k.weights;
  for (int r = 1; r + 1 < height; ++r) {
    const uint8_t* a = in + (r - 1) * inStride;
    const uint8_t* m = in + r * inStride;
    const uint8_t* z = in + (r + 1) * inStride;
    uint8_t* dst = effect_.data() + r * row;
    for (int c = 1; c + 1 < width; ++c) {
      const int x = c * 2;
      const int sum = w[0] * a[x - 2] + w[1] * a[x] + w[2] * a[x + 2] + w[3] * m[x - 2] + w[4] * m[x] +
                      w[5] * m[x + 2] + w[6] * z[x - 2] + w[7] * z[x] + w[8] * z[x + 2];
      dst[x] = static_cast<uint8_t>(std::clamp(sum / k.divisor, 0, 255));
    }
  }
}

void TVideoProcess::Process(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int width, int height,
                            const TVideoProcValues& v, const TYVOSD* osd) {
  if (!in || !out || width <= 0 || height <= 0)
    return;
  const size_t pairs = std::min({static_cast<size_t>((width + 1) / 2), inStride / 4, outStride / 4});
  const uint8_t* src = in;
  size_t srcStride = inStride;
  if (v.effect != 0) {
    ApplyEffect(in, inStride, static_cast<int>(std::min<size_t>(width, pairs * 2)), height, EffectKernel(v.effect));
    src = effect_.data();
    srcStride = static_cast<size_t>((effectWidth_ + 1) / 2) * 4;
  }
  const TLevelTables t = BuildLevelTables(v.brightness, v.contrast, v.saturation);
  const bool mapped = t.lumaUsed || t.chromaUsed;
  if (mapped) {
    // One look-up for a pixel's two bytes: luma in the low byte, its chroma in the high one.
    pairs_.resize(65536);
    for (int c = 0; c < 256; ++c)
      for (int y = 0; y < 256; ++y)
        pairs_[c * 256 + y] = static_cast<uint16_t>(t.luma[y] | t.chroma[c] << 8);
  }
  for (int r = 0; r < height; ++r) {
    const uint8_t* s = src + r * srcStride;
    uint8_t* d = out + (v.flip ? height - 1 - r : r) * outStride;
    if (!mapped) {
      std::memcpy(d, s, pairs * 4);
      continue;
    }
    for (size_t i = 0; i < pairs * 4; i += 2) {
      const uint16_t o = pairs_[s[i] | s[i + 1] << 8];
      d[i] = static_cast<uint8_t>(o);
      d[i + 1] = static_cast<uint8_t>(o >> 8);
    }
  }
  if (osd)
    osd->Blend(out, outStride * static_cast<size_t>(height), width, height, outStride);
}

} // namespace zv
