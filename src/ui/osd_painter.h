#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <string>

namespace zv {

// Renders the on-screen texts into bitmaps for blending into the video frames: the key colour
// 0x040004 marks transparent pixels, and the letters are drawn without antialiasing, so no pixel
// mixes the key with the text. The mark-up's style carries from one line and one text to the
// next until a closing tag, as the painter keeps it.
class TOSDPainter {
public:
  static constexpr QRgb kKey = 0xFF040004;

  // One line: its runs side by side from x = 0, exactly as large as the line (clipped to
  // `maxWidth` × 200).
  QImage RenderLine(const std::string& line, const QFont& font, QColor colour, int maxWidth);
  // A whole text `width` wide: its lines one under the other, 2 pixels apart and 4 taller than
  // the line, placed by the information panel's alignment (centred, or 5 pixels in).
  QImage RenderText(const std::string& text, const QFont& font, QColor colour, int width, int alignment);
  int Style() const { return style_; }

private:
  int style_ = 0;
};

} // namespace zv
