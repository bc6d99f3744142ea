#pragma once

#include "skin/bitmap32.h"

#include <QColor>
#include <cstdint>
#include <string>

namespace zv {

// The base bitmap of the built-in look (the program's DefaultSkin or a Skins/<name>.bmp): the
// pictures of the built-in buttons and bars and the colours of the window's regions.
class TBaseSkin {
public:
  TBaseSkin();
  // The program's own bitmap.
  void LoadBuiltIn();
  // A user's bitmap; false (and the current one kept) when it is not a readable BMP.
  bool LoadFile(const std::string& path);
  const TBitmap32& Bitmap() const { return bitmap_; }
  bool FromFile() const { return fromFile_; }

  // The pixel at (x, y) as 0x00BBGGRR; black outside a small bitmap.
  uint32_t Colour(int x, int y) const;
  QColor QtColour(int x, int y) const;
  // The transparent colour of the pieces, pixel (771, 121).
  uint32_t KeyArgb() const { return bitmap_.Pixel(771, 121); }
  // Draws the piece (x, y, w, h) of the bitmap unscaled at (dx, dy), its key colour left out.
  void DrawPiece(TBitmap32& canvas, int x, int y, int w, int h, int dx, int dy) const;

  // The program's 24 × 53 border picture and logos.
  static TBitmap32 BuiltInBorder();
  static std::string BuiltInPackage();

private:
  TBitmap32 bitmap_;
  bool fromFile_ = false;
};

} // namespace zv
