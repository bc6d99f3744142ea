#pragma once

#include "core/system_helper.h"
#include "prefs/xml_tree.h"
#include "skin/bitmap32.h"
#include "skin/stream_pack.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// A rectangle of a skin bitmap. No bitmap means no image.
struct TOptiArea {
  const TBitmap32* Bitmap = nullptr;
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TRect Rect() const { return TRect{Left, Top, Right, Bottom}; }
};

// "12,40"; (0, 0) when there is no comma or either half is not a decimal integer.
TPoint ParsePair(std::string_view text);

// A bitmap font: one area whose last row marks each glyph with a run of its own colour.
struct TOptiFont {
  struct TGlyph {
    int offset = 0, width = 0;
    TRect rect;
  };
  TOptiArea Area;
  std::string Chars;
  std::array<TGlyph, 256> Glyphs{};
};

struct TOptiImage {
  TBitmap32 Bitmap;
  std::string Id;
  const TXMLNode* Element = nullptr;
};

// A skin's parsed interface.xml and the bitmaps it names.
class TOptiResource {
public:
  // Raises EZvError when interface.xml is missing or empty, or a bitmap is missing or not a BMP.
  void Load(TStreamPack& pack);
  void Clear();
  const TXMLNode* Root() const { return doc_.Root(); }

  // "CP.BtnPlay"; leaves `area` as it was when the reference names nothing inside a bitmap.
  bool GetArea(std::string_view reference, TOptiArea& area) const;
  std::unique_ptr<TOptiFont> GetFont(std::string_view id) const;

  static void DrawArea(const TOptiArea& area, TBitmap32& canvas, int x, int y);
  static void DrawSplit(const TOptiArea& area, TBitmap32& canvas, TRect dest, TPoint split);
  static void DrawText(const TOptiFont& font, std::string_view text, TBitmap32& canvas, TRect rect);

private:
  TXMLTree doc_;
  std::vector<std::unique_ptr<TOptiImage>> images_;
};

} // namespace zv
