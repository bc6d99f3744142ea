#include "filters/yv_osd.h"

#include "core/text_util.h"
#include <algorithm>
#include <cmath>

namespace zv {

namespace {
uint8_t RoundedByte(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }
} // namespace

TYVImageCreator::TYVImageCreator() : t1_(65536), t2_(65536), t3_(65536) {
  for (int i = 0; i < 65536; ++i)
    t1_[i] = RoundedByte(RoundHalfEven(i * 219.0 / 65535.0) + 16);
  for (int j = 0; j < 256; ++j)
    for (int k = 0; k < 256; ++k) {
      const double cr = (j / 255.0 - (0.299 * j + 0.701 * k) / 255.0) * 0.713 + 0.5;
      const double cb = (j / 255.0 - (0.114 * j + 0.886 * k) / 255.0) * 0.564 + 0.5;
      t2_[j * 256 + k] = RoundedByte(RoundHalfEven(cr * 225) + 16);
      t3_[j * 256 + k] = RoundedByte(RoundHalfEven(cb * 225) + 16);
    }
}

std::shared_ptr<const TYVImage> TYVImageCreator::CreateImage(const uint32_t* pixels, int width, int height,
                                                             size_t stride, std::optional<uint32_t> transparent) const {
  auto image = std::make_shared<TYVImage>();
  if (!pixels || width <= 0 || height <= 0)
    return image;
  image->width = width;
  image->height = height;
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 2;
  image->oddAligned.resize(bytes);
  image->evenAligned.resize(bytes);
  const bool keyed = transparent.has_value();
  const uint32_t key = transparent.value_or(0) & 0xFFFFFF;
  uint8_t* odd = image->oddAligned.data();
  uint8_t* even = image->evenAligned.data();
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = pixels + static_cast<size_t>(y) * stride;
    for (int n = 0; n < width; ++n) {
      const uint32_t c = row[n] & 0xFFFFFF;
      const unsigned r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
      const uint8_t luma = keyed && c == key ? 0 : Luma(76 * r + 150 * g + 29 * b);
      const uint8_t cr = Cr(r, (g + b) / 2), cb = Cb(b, (r + g) / 2);
      *odd++ = luma;
      *odd++ = n % 2 == 0 ? cr : cb;
      *even++ = luma;
      *even++ = n % 2 == 0 ? cb : cr;
    }
  }
  return image;
}

void TYVOSD::Replace(std::vector<TItem> items) {
  std::vector<TItem> old;
  {
    std::lock_guard<std::mutex> hold(lock_);
    old.swap(items_);
    items_ = std::move(items);
  }
  // The replaced pictures go outside the lock.
}

std::vector<TYVOSD::TItem> TYVOSD::Items() const {
  std::lock_guard<std::mutex> hold(lock_);
  return items_;
}

namespace {
// Each placed picture's rows that fall inside a width × height frame, as `row(item, data, frame
// row, first column, end column)`: the picture's bytes of that row in the alignment its left edge
// calls for, and the columns of the picture inside the frame.
template <class Row>
void EachVisibleRow(const std::vector<TYVOSD::TItem>& items, int width, int height, Row row) {
  for (const TYVOSD::TItem& item : items) {
    const TYVImage* image = item.image.get();
    if (!image || image->width <= 0)
      continue;
    const std::vector<uint8_t>& data = item.x % 2 == 0 ? image->evenAligned : image->oddAligned;
    if (data.size() < static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 2)
      continue;
    const int64_t x0 = std::max<int64_t>(0, -int64_t{item.x}),
                  x1 = std::min<int64_t>(image->width, int64_t{width} - item.x);
    const int64_t y0 = std::max<int64_t>(0, -int64_t{item.y}),
                  y1 = std::min<int64_t>(image->height, int64_t{height} - item.y);
    for (int64_t r = y0; r < y1; ++r)
      row(item, data.data() + r * image->width * 2, item.y + r, x0, x1);
  }
}
} // namespace

void TYVOSD::Blend(uint8_t* frame, size_t size, int width, int height, size_t stride) const {
  if (!frame || width <= 0 || height <= 0 || stride < static_cast<size_t>(width) * 2)
    return;
  // Rows the buffer does not hold are not drawn.
  height = static_cast<int>(std::min<size_t>(height, size / stride));
  std::lock_guard<std::mutex> hold(lock_);
  EachVisibleRow(items_, width, height, [&](const TItem& item, const uint8_t* src, int64_t fy, int64_t x0, int64_t x1) {
    // From the first column inside the frame, so that no pointer reaches before it.
    uint8_t* dst = frame + fy * static_cast<int64_t>(stride) + (item.x + x0) * 2;
    for (int64_t c = x0; c < x1; ++c)
      if (src[c * 2] != 0) {
        dst[(c - x0) * 2] = src[c * 2];
        dst[(c - x0) * 2 + 1] = src[c * 2 + 1];
      }
  });
}

void TYVOSD::BlendPlanar(uint8_t* y, size_t yStride, uint8_t* u, size_t uStride, uint8_t* v, size_t vStride, int width,
                         int height) const {
  if (!y || !u || !v || width <= 0 || height <= 0)
    return;
  std::lock_guard<std::mutex> hold(lock_);
  EachVisibleRow(items_, width, height, [&](const TItem& item, const uint8_t* src, int64_t fy, int64_t x0, int64_t x1) {
    uint8_t* luma = y + fy * static_cast<int64_t>(yStride);
    uint8_t* cb = fy % 2 == 0 ? u + fy / 2 * static_cast<int64_t>(uStride) : nullptr;
    uint8_t* cr = fy % 2 == 0 ? v + fy / 2 * static_cast<int64_t>(vStride) : nullptr;
    for (int64_t c = x0; c < x1; ++c) {
      if (src[c * 2] == 0)
        continue;
      const int64_t fx = item.x + c;
      luma[fx] = src[c * 2];
      if (cb)
        (fx % 2 == 0 ? cb : cr)[fx / 2] = src[c * 2 + 1];
    }
  });
}

} // namespace zv
