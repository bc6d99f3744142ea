#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // The same rectangle moved by (dx, dy).
  TRect Moved(int dx, int dy) const { return TRect{left + dx, top + dy, right + dx, bottom + dy}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A 32-bit picture, pixels 0xFFRRGGBB row by row from the top (the layout of Qt's RGB32 images).
class TBitmap32 {
public:
  TBitmap32() = default;
  TBitmap32(int width, int height, uint32_t fill = 0xFF000000u);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  // Black outside the picture.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t argb);
  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  void Fill(uint32_t argb);
  void FillRect(TRect r, uint32_t argb);
  // A copy of the part inside the picture.
  TBitmap32 Copy(TRect r) const;

  // Copies `src` stretched onto `dst`, nearest neighbour. A cell of non-positive size in either
  // picture is skipped; what falls outside this picture is clipped, source reads outside `from`
  // read black. With `key`, source pixels of that colour leave the destination as it was.
  void StretchFrom(const TBitmap32& from, TRect src, TRect dst, std::optional<uint32_t> key = std::nullopt);
  // Unscaled copy of `src` to (x, y).
  void CopyFrom(const TBitmap32& from, TRect src, int x, int y, std::optional<uint32_t> key = std::nullopt) {
    StretchFrom(from, src, TRect{x, y, x + src.Width(), y + src.Height()}, key);
  }

private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

// The platform's BMP format: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed or with bit
// fields, bottom-up or top-down. None for anything else or for damaged data.
std::optional<TBitmap32> ReadBmp(std::string_view bytes);
// A 24-bit bottom-up BMP: the same bytes for the same picture.
std::string WriteBmp(const TBitmap32& bitmap);
// That BMP written to a file whole or not at all; false, logged, when it cannot be written.
bool WriteBmpFile(const std::string& path, const TBitmap32& bitmap);

} // namespace zv
