#include "skin/opti_resource.h"

#include "core/error.h"
#include "core/stream.h"
#include "core/text_util.h"

namespace zv {

TPoint ParsePair(std::string_view text) {
  size_t comma = text.find(',');
  if (comma == std::string_view::npos)
    return TPoint{};
  std::optional<int32_t> x = StrToIntStrict(text.substr(0, comma)), y = StrToIntStrict(text.substr(comma + 1));
  return x && y ? TPoint{*x, *y} : TPoint{};
}

void TOptiResource::Load(TStreamPack& pack) {
  Clear();
  std::unique_ptr<TStream> xml = pack.Open("interface.xml");
  std::string text = xml ? ReadRest(*xml) : std::string();
  xml.reset();
  if (text.empty())
    throw EZvError("The skin has no interface.xml", "TOptiResource.Load");
  doc_.LoadFromString(text);
  if (!doc_.Root())
    throw EZvError("The skin's interface.xml has no root element", "TOptiResource.Load");
  for (const auto& child : doc_.Root()->Children()) {
    if (!SameText(child->Name(), "IMAGE"))
      continue;
    std::string file = child->GetAttr("file");
    std::unique_ptr<TStream> s = pack.Open(file);
    std::optional<TBitmap32> bmp = s ? ReadBmp(ReadRest(*s)) : std::nullopt;
    if (!bmp)
      throw EZvError("The skin's bitmap \"" + file + "\" is missing or not a BMP file", "TOptiResource.Load");
    auto image = std::make_unique<TOptiImage>();
    image->Bitmap = std::move(*bmp);
    image->Id = child->GetAttr("id");
    image->Element = child.get();
    images_.push_back(std::move(image));
  }
}

void TOptiResource::Clear() {
  images_.clear();
  doc_.SetRoot(nullptr);
}

bool TOptiResource::GetArea(std::string_view reference, TOptiArea& area) const {
  size_t dot = reference.find('.');
  if (dot == std::string_view::npos)
    return false;
  std::string_view imageId = reference.substr(0, dot), areaId = reference.substr(dot + 1);
  const TOptiImage* image = nullptr;
  for (const auto& i : images_)
    if (SameText(i->Id, imageId))
      image = i.get(); // a later image of the same id hides an earlier one
  if (!image)
    return false;
  const TXMLNode* element = image->Element->FindChildById("AREA", areaId);
  if (!element)
    return false;
  TPoint pos = ParsePair(element->GetAttr("pos")), size = ParsePair(element->GetAttr("size"));
  // An area must lie inside its bitmap.
  const TBitmap32& b = image->Bitmap;
  if (pos.x < 0 || pos.y < 0 || size.x < 0 || size.y < 0 || static_cast<int64_t>(pos.x) + size.x > b.Width() ||
      static_cast<int64_t>(pos.y) + size.y > b.Height())
    return false;
  TOptiArea found{&b, pos.x, pos.y, pos.x + size.x, pos.y + size.y};
  area = found;
  return true;
}

std::unique_ptr<TOptiFont> TOptiResource::GetFont(std::string_view id) const {
  const TXMLNode* element = Root() ? Root()->FindChildById("FONT", id) : nullptr;
  if (!element)
    return nullptr;
  auto font = std::make_unique<TOptiFont>();
  if (!GetArea(element->GetAttr("img"), font->Area) || font->Area.Height() < 1)
    return nullptr; // no area, or no marker row to measure on
  font->Chars = element->GetAttr("chars");
  const TOptiArea& a = font->Area;
  const int markerRow = a.Bottom - 1;
  uint32_t colour = a.Bitmap->Pixel(a.Left, markerRow);
  int offset = 0;
  for (unsigned char c : font->Chars) {
    int x = a.Left + offset;
    if (x >= a.Bitmap->Width())
      break; // the scan never leaves the bitmap
    int width = 1;
    while (x + width < a.Bitmap->Width() && a.Bitmap->Pixel(x + width, markerRow) == colour)
      ++width;
    colour = a.Bitmap->Pixel(x + width, markerRow);
    font->Glyphs[c] = TOptiFont::TGlyph{offset, width, TRect{x, a.Top, x + width, a.Bottom - 1}};
    offset += width;
  }
  return font;
}

void TOptiResource::DrawArea(const TOptiArea& area, TBitmap32& canvas, int x, int y) {
  if (area.Bitmap)
    canvas.CopyFrom(*area.Bitmap, area.Rect(), x, y);
}

void TOptiResource::DrawSplit(const TOptiArea& area, TBitmap32& canvas, TRect d, TPoint split) {
  if (!area.Bitmap)
    return;
  const int w = area.Width(), h = area.Height();
  const int sx[4] = {area.Left, area.Left + split.x, area.Left + split.x + 1, area.Right};
  const int sy[4] = {area.Top, area.Top + split.y, area.Top + split.y + 1, area.Bottom};
  const int dx[4] = {d.left, d.left + split.x, d.right + split.x + 1 - w, d.right};
  const int dy[4] = {d.top, d.top + split.y, d.bottom + split.y + 1 - h, d.bottom};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      canvas.StretchFrom(*area.Bitmap, TRect{sx[c], sy[r], sx[c + 1], sy[r + 1]},
                         TRect{dx[c], dy[r], dx[c + 1], dy[r + 1]});
}

void TOptiResource::DrawText(const TOptiFont& font, std::string_view text, TBitmap32& canvas, TRect rect) {
  if (!font.Area.Bitmap)
    return;
  int x = rect.left;
  for (unsigned char c : text) {
    const TOptiFont::TGlyph& g = font.Glyphs[c];
    if (g.width <= 0)
      continue;
    canvas.StretchFrom(*font.Area.Bitmap, g.rect, TRect{x, rect.top, x + g.width, rect.bottom});
    x += g.width;
  }
}

} // namespace zv
