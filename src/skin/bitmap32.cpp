#include "skin/bitmap32.h"

#include "core/atomic_file.h"
#include "core/byte_order.h"
#include "core/session_log.h"

#include <algorithm>
#include <bit>

namespace zv {

TBitmap32::TBitmap32(int width, int height, uint32_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

uint32_t TBitmap32::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return 0xFF000000u;
  return Row(y)[x];
}

void TBitmap32::SetPixel(int x, int y, uint32_t argb) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_)
    Row(y)[x] = argb;
}

void TBitmap32::Fill(uint32_t argb) { std::fill(pixels_.begin(), pixels_.end(), argb); }

void TBitmap32::FillRect(TRect r, uint32_t argb) {
  r = TRect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_), std::min(r.bottom, height_)};
  for (int y = r.top; y < r.bottom; ++y)
    std::fill(Row(y) + r.left, Row(y) + std::max(r.left, r.right), argb);
}

TBitmap32 TBitmap32::Copy(TRect r) const {
  TBitmap32 out(r.Width(), r.Height());
  out.CopyFrom(*this, r, 0, 0);
  return out;
}

void TBitmap32::StretchFrom(const TBitmap32& from, TRect src, TRect dst, std::optional<uint32_t> key) {
  const int sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
    return;
  const int x0 = std::max(dst.left, 0), x1 = std::min(dst.right, width_);
  const int y0 = std::max(dst.top, 0), y1 = std::min(dst.bottom, height_);
  const uint32_t keyed = key ? (*key | 0xFF000000u) : 0;
  for (int y = y0; y < y1; ++y) {
    int sy = src.top + static_cast<int>(static_cast<int64_t>(y - dst.top) * sh / dh);
    uint32_t* out = Row(y);
    for (int x = x0; x < x1; ++x) {
      int sx = src.left + static_cast<int>(static_cast<int64_t>(x - dst.left) * sw / dw);
      uint32_t p = from.Pixel(sx, sy) | 0xFF000000u;
      if (key && p == keyed)
        continue;
      out[x] = p;
    }
  }
}

namespace {
constexpr int kMaxSide = 16384;

// The colour of a pixel value under a bit-field mask, scaled to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (!mask)
    return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  uint32_t v = (value & mask) >> shift;
  if (bits >= 8)
    return v >> (bits - 8);
  uint32_t max = (1u << bits) - 1;
  return (v * 255 + max / 2) / max;
}
} // namespace

std::optional<TBitmap32> ReadBmp(std::string_view bytes) {
  const auto* d = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  if (n < 26 || d[0] != 'B' || d[1] != 'M')
    return std::nullopt;
  uint32_t dataOffset = LE32(d + 10);
  uint32_t headerSize = LE32(d + 14);
  if (headerSize < 12 || 14 + static_cast<size_t>(headerSize) > n)
    return std::nullopt;
  int32_t width, height;
  uint16_t bpp;
  uint32_t compression = 0, colorsUsed = 0;
  const uint8_t* h = d + 14;
  if (headerSize == 12) {
    width = LE16(h + 4);
    height = static_cast<int16_t>(LE16(h + 6));
    bpp = LE16(h + 10);
  } else {
    if (headerSize < 40)
      return std::nullopt;
    width = static_cast<int32_t>(LE32(h + 4));
    height = static_cast<int32_t>(LE32(h + 8));
    bpp = LE16(h + 14);
    compression = LE32(h + 16);
    colorsUsed = LE32(h + 32);
  }
  bool topDown = height < 0;
  if (height == INT32_MIN)
    return std::nullopt;
  height = topDown ? -height : height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    return std::nullopt;
  uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  if (bpp == 16)
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  if (compression == 3 || compression == 6) { // bit fields, in the header or after it
    if (bpp != 16 && bpp != 32)
      return std::nullopt;
    size_t at = headerSize >= 52 ? 14 + 40 : 14 + static_cast<size_t>(headerSize);
    if (at + 12 > n)
      return std::nullopt;
    for (int i = 0; i < 3; ++i)
      masks[i] = LE32(d + at + 4 * i);
  } else if (compression != 0) {
    return std::nullopt; // run-length and embedded JPEG/PNG data are not read
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return std::nullopt;
  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    size_t entries = colorsUsed ? std::min<size_t>(colorsUsed, 256) : (size_t{1} << bpp);
    size_t entrySize = headerSize == 12 ? 3 : 4;
    size_t at = 14 + static_cast<size_t>(headerSize) + (compression == 3 && headerSize == 40 ? 12 : 0);
    if (at + entries * entrySize > n)
      return std::nullopt;
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = d + at + i * entrySize;
      palette.push_back(0xFF000000u | (e[2] << 16) | (e[1] << 8) | e[0]);
    }
  }
  const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  if (dataOffset > n || stride * static_cast<size_t>(height) > n - dataOffset)
    return std::nullopt;
  TBitmap32 out(width, height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = d + dataOffset + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
    uint32_t* px = out.Row(y);
    for (int x = 0; x < width; ++x) {
      uint32_t c;
      if (bpp <= 8) {
        int bit = x * bpp;
        uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        c = index < palette.size() ? palette[index] : 0xFF000000u;
      } else if (bpp == 24) {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        c = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
      } else {
        uint32_t v = bpp == 16 ? LE16(row + 2 * static_cast<size_t>(x)) : LE32(row + 4 * static_cast<size_t>(x));
        c = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
      }
      px[x] = c;
    }
  }
  return out;
}

std::string WriteBmp(const TBitmap32& b) {
  const size_t stride = ((static_cast<size_t>(b.Width()) * 24 + 31) / 32) * 4;
  const size_t image = stride * static_cast<size_t>(b.Height());
  std::string out(54 + image, '\0');
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(b.Width()));
  put32(22, static_cast<uint32_t>(b.Height()));
  put16(26, 1);
  put16(28, 24);
  put32(34, static_cast<uint32_t>(image));
  put32(38, 2835); // 72 dpi
  put32(42, 2835);
  for (int y = 0; y < b.Height(); ++y) {
    char* row = out.data() + 54 + stride * static_cast<size_t>(b.Height() - 1 - y);
    for (int x = 0; x < b.Width(); ++x) {
      uint32_t p = b.Row(y)[x];
      row[3 * x] = static_cast<char>(p & 0xFF);
      row[3 * x + 1] = static_cast<char>((p >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
  }
  return out;
}

bool WriteBmpFile(const std::string& path, const TBitmap32& bitmap) {
  try {
    WriteFileAtomic(path, WriteBmp(bitmap));
    return true;
  } catch (const std::exception& e) {
    Log(std::string("!WriteBmpFile: ") + e.what());
    return false;
  }
}

} // namespace zv
