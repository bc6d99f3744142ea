#include "filters/video_process.h"

#include "core/text_util.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// A row copied past the cache: a frame is written once and read by the next element, so its
// lines would only push out what is in use (a whole-frame copy of the C library does the same).
void CopyRowPastCache(uint8_t* d, const uint8_t* s, size_t n) {
#if defined(__SSE2__)
  const size_t head = std::min(n, (16 - reinterpret_cast<uintptr_t>(d) % 16) % 16);
  std::memcpy(d, s, head);
  size_t i = head;
  for (; i + 16 <= n; i += 16)
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
  std::memcpy(d + i, s + i, n - i);
#else
  std::memcpy(d, s, n);
#endif
}

void EndCopiesPastCache() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

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

namespace {

constexpr std::array<std::array<int, 9>, 8> kWeights = {{
    {0, 0, 0, 0, 1, 0, 0, 0, 0},
    {1, 1, 1, 1, 5, 1, 1, 1, 1},
    {5, 5, 5, 5, 44, 5, 5, 5, 5},
    {1, 1, 1, 1, 0, 1, 1, 1, 1},
    {-2, -2, -2, -2, 32, -2, -2, -2, -2},
    {0, -1, 0, -1, 10, -1, 0, -1, 0},
    {-1, -1, -1, -1, 8, -1, -1, -1, -1},
    {-1, -1, -1, -1, 9, -1, -1, -1, -1},
}};

constexpr int Divisor(const std::array<int, 9>& w) {
  int sum = 0;
  for (int v : w)
    sum += v;
  return sum == 0 ? 1 : sum;
}

// One kernel over the inner pixels of a luma plane; the weights and the divisor are constants
// here, so the compiler turns the division into multiplications and the row into vector code.
template <int E, int Step>
void Convolve(const uint8_t* plane, int width, int height, uint8_t* out, size_t outStride, int16_t* row) {
  constexpr std::array<int, 9> w = kWeights[E - 1];
  constexpr int d = Divisor(w);
  for (int r = 1; r + 1 < height; ++r) {
    const uint8_t* a = plane + static_cast<size_t>(r - 1) * width;
    const uint8_t* m = a + width;
    const uint8_t* z = m + width;
    for (int c = 1; c + 1 < width; ++c) {
      const int sum = w[0] * a[c - 1] + w[1] * a[c] + w[2] * a[c + 1] + w[3] * m[c - 1] + w[4] * m[c] +
                      w[5] * m[c + 1] + w[6] * z[c - 1] + w[7] * z[c] + w[8] * z[c + 1];
      row[c] = static_cast<int16_t>(std::clamp(sum / d, 0, 255));
    }
    uint8_t* dst = out + r * outStride;
    for (int c = 1; c + 1 < width; ++c)
      dst[c * Step] = static_cast<uint8_t>(row[c]);
  }
}

using TConvolve = void (*)(const uint8_t*, int, int, uint8_t*, size_t, int16_t*);
// For luma every second byte (YUY2) and for a luma plane.
constexpr TConvolve kConvolve[8] = {Convolve<1, 2>, Convolve<2, 2>, Convolve<3, 2>, Convolve<4, 2>,
                                    Convolve<5, 2>, Convolve<6, 2>, Convolve<7, 2>, Convolve<8, 2>};
constexpr TConvolve kConvolvePlane[8] = {Convolve<1, 1>, Convolve<2, 1>, Convolve<3, 1>, Convolve<4, 1>,
                                         Convolve<5, 1>, Convolve<6, 1>, Convolve<7, 1>, Convolve<8, 1>};

// A table on every byte of a plane's rows, in place.
void MapPlane(uint8_t* plane, size_t stride, int width, int height, const std::array<uint8_t, 256>& table) {
  for (int r = 0; r < height; ++r) {
    uint8_t* p = plane + r * stride;
    for (int c = 0; c < width; ++c)
      p[c] = table[p[c]];
  }
}

void FlipPlane(uint8_t* plane, size_t stride, int width, int height, std::vector<uint8_t>& tmp) {
  tmp.resize(static_cast<size_t>(width));
  for (int r = 0; r < height / 2; ++r) {
    uint8_t* a = plane + r * stride;
    uint8_t* b = plane + (height - 1 - r) * stride;
    std::memcpy(tmp.data(), a, static_cast<size_t>(width));
    std::memcpy(a, b, static_cast<size_t>(width));
    std::memcpy(b, tmp.data(), static_cast<size_t>(width));
  }
}

} // namespace

void TVideoProcess::ApplyEffect(const uint8_t* in, size_t inStride, int width, int height, int effect) {
  const size_t row = static_cast<size_t>((width + 1) / 2) * 4;
  if (width != effectWidth_ || height != effectHeight_ || effect_.size() != row * static_cast<size_t>(height)) {
    // A new frame size or format (the stream changed mid-way) gets buffers of its own size.
    effect_.assign(row * static_cast<size_t>(height), 0);
    plane_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    row_.assign(static_cast<size_t>(width), 0);
    effectWidth_ = width;
    effectHeight_ = height;
  }
  for (int r = 0; r < height; ++r) {
    const uint8_t* src = in + r * inStride;
    std::memcpy(effect_.data() + r * row, src, row);
    uint8_t* luma = plane_.data() + static_cast<size_t>(r) * width;
    for (int c = 0; c < width; ++c)
      luma[c] = src[c * 2];
  }
  kConvolve[std::clamp(effect, 1, 8) - 1](plane_.data(), width, height, effect_.data(), row, row_.data());
}

void TVideoProcess::ProcessPlanar(uint8_t* y, size_t yStride, uint8_t* u, size_t uStride, uint8_t* v, size_t vStride,
                                  int width, int height, const TVideoProcValues& values, const TYVOSD* osd) {
  if (!y || !u || !v || width <= 0 || height <= 0 || yStride < static_cast<size_t>(width))
    return;
  const int cw = (width + 1) / 2, ch = (height + 1) / 2;
  if (uStride < static_cast<size_t>(cw) || vStride < static_cast<size_t>(cw))
    return;
  if (values.effect != 0) {
    if (width != effectWidth_ || height != effectHeight_ || plane_.size() != static_cast<size_t>(width) * height) {
      plane_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
      row_.assign(static_cast<size_t>(width), 0);
      effect_.clear(); // the YUY2 buffer is made again should such frames come
      effectWidth_ = width;
      effectHeight_ = height;
    }
    for (int r = 0; r < height; ++r)
      std::memcpy(plane_.data() + static_cast<size_t>(r) * width, y + r * yStride, static_cast<size_t>(width));
    kConvolvePlane[std::clamp(values.effect, 1, 8) - 1](plane_.data(), width, height, y, yStride, row_.data());
  }
  const TLevelTables t = BuildLevelTables(values.brightness, values.contrast, values.saturation);
  if (t.lumaUsed)
    MapPlane(y, yStride, width, height, t.luma);
  if (t.chromaUsed) {
    MapPlane(u, uStride, cw, ch, t.chroma);
    MapPlane(v, vStride, cw, ch, t.chroma);
  }
  if (values.flip) {
    FlipPlane(y, yStride, width, height, flipRow_);
    FlipPlane(u, uStride, cw, ch, flipRow_);
    FlipPlane(v, vStride, cw, ch, flipRow_);
  }
  if (osd)
    osd->BlendPlanar(y, yStride, u, uStride, v, vStride, width, height);
}

void TVideoProcess::Process(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int width, int height,
                            const TVideoProcValues& v, const TYVOSD* osd) {
  if (!in || !out || width <= 0 || height <= 0)
    return;
  const size_t pairs = std::min({static_cast<size_t>((width + 1) / 2), inStride / 4, outStride / 4});
  const int rows = height;
  const uint8_t* src = in;
  size_t srcStride = inStride;
  if (v.effect != 0) {
    ApplyEffect(in, inStride, static_cast<int>(std::min<size_t>(width, pairs * 2)), height, v.effect);
    src = effect_.data();
    srcStride = static_cast<size_t>((effectWidth_ + 1) / 2) * 4;
  }
  const TLevelTables t = BuildLevelTables(v.brightness, v.contrast, v.saturation);
  const bool mapped = t.lumaUsed || t.chromaUsed;
  // One look-up for a pixel's two bytes: luma in the low byte, its chroma in the high one. Made
  // again only when the settings changed since the last frame.
  const int wanted[3] = {v.brightness, v.contrast, v.saturation};
  if (mapped && (pairs_.empty() || !std::equal(wanted, wanted + 3, pairsFor_))) {
    pairs_.resize(65536);
    for (int c = 0; c < 256; ++c)
      for (int y = 0; y < 256; ++y)
        pairs_[c * 256 + y] = static_cast<uint16_t>(t.luma[y] | t.chroma[c] << 8);
    std::copy(wanted, wanted + 3, pairsFor_);
  }
  bool flip = v.flip;
  if (src == out) {
    // In place without an effect: the flip swaps rows, the tables work on each row where it is,
    // and neutral settings leave the frame untouched.
    if (flip) {
      row_.resize(std::max(row_.size(), pairs * 2));
      auto* tmp = reinterpret_cast<uint8_t*>(row_.data());
      for (int r = 0; r < height / 2; ++r) {
        uint8_t* a = out + r * outStride;
        uint8_t* b = out + (height - 1 - r) * outStride;
        std::memcpy(tmp, a, pairs * 4);
        std::memcpy(a, b, pairs * 4);
        std::memcpy(b, tmp, pairs * 4);
      }
      flip = false;
    }
    if (!mapped)
      height = 0;
  } else if (!mapped && !flip && srcStride == outStride) {
    std::memcpy(out, src, outStride * static_cast<size_t>(height - 1) + pairs * 4);
    height = 0; // nothing left for the rows below
  }
  for (int r = 0; r < height; ++r) {
    const uint8_t* s = src + r * srcStride;
    uint8_t* d = out + (flip ? height - 1 - r : r) * outStride;
    if (!mapped) {
      CopyRowPastCache(d, s, pairs * 4);
      continue;
    }
    const uint16_t* table = pairs_.data();
    for (size_t i = 0; i < pairs * 4; i += 4) {
      uint32_t px;
      std::memcpy(&px, s + i, 4);
      // Y0 U in the low half, Y1 V in the high half (little-endian bytes in memory order).
      const uint32_t o = table[px & 0xFFFF] | static_cast<uint32_t>(table[px >> 16]) << 16;
      std::memcpy(d + i, &o, 4);
    }
  }
  if (!mapped && height > 0)
    EndCopiesPastCache();
  if (osd)
    osd->Blend(out, outStride * static_cast<size_t>(rows), width, rows, outStride);
}

} // namespace zv
