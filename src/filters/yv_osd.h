#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zv {

// A picture ready to lay over YUY2 frames: two bytes a pixel, luma then one chroma byte; a luma
// of 0 is transparent. YUY2 carries Cb on even frame columns and Cr on odd ones, so the picture
// comes twice: `oddAligned` for an odd left edge (Cr on the picture's even columns) and
// `evenAligned` for an even one (Cb there). Both keep every pixel's own luma in its own column.
struct TYVImage {
  int width = 0, height = 0;
  std::vector<uint8_t> oddAligned, evenAligned;
};

// Converts 32-bit pictures (0x??RRGGBB, row by row) to YUY2 overlay pictures through three
// tables built once: studio-range luma and the two colour differences.
class TYVImageCreator {
public:
  TYVImageCreator();
  // `stride` is the distance between rows in pixels; pixels whose RGB equals `transparent`
  // become transparent.
  std::shared_ptr<const TYVImage> CreateImage(const uint32_t* pixels, int width, int height, size_t stride,
                                              std::optional<uint32_t> transparent) const;

  uint8_t Luma(unsigned index) const { return t1_[index & 0xFFFF]; }
  uint8_t Cr(unsigned r, unsigned gb) const { return t2_[(r & 0xFF) * 256 + (gb & 0xFF)]; }
  uint8_t Cb(unsigned b, unsigned rg) const { return t3_[(b & 0xFF) * 256 + (rg & 0xFF)]; }

private:
  std::vector<uint8_t> t1_, t2_, t3_;
};

// The placed pictures blended into every frame: the on-screen display replaces the list on the
// user-interface thread, the video processor blends it on the streaming thread, both under the
// one lock. Pictures are shared, so a replaced one lives until no blend uses it.
class TYVOSD {
public:
  struct TItem {
    int x = 0, y = 0;
    std::shared_ptr<const TYVImage> image;
  };
  void Replace(std::vector<TItem> items);
  std::vector<TItem> Items() const;
  // Copies the opaque pixels of every picture, in list order, onto a `width` × `height` YUY2
  // frame of `size` bytes with rows `stride` bytes apart; what falls outside the frame on any side
  // is left out.
  void Blend(uint8_t* frame, size_t size, int width, int height, size_t stride) const;
  // The same onto a planar 4:2:0 frame: every opaque pixel's luma, and on even rows its chroma
  // into the plane its column calls for (Cb on even columns, Cr on odd ones).
  void BlendPlanar(uint8_t* y, size_t yStride, uint8_t* u, size_t uStride, uint8_t* v, size_t vStride, int width,
                   int height) const;

private:
  mutable std::mutex lock_;
  std::vector<TItem> items_;
};

} // namespace zv
