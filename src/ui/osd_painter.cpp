#include "ui/osd_painter.h"

#include "ui/osd_logic.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace zv {

namespace {
// Only the tags set the style here: the font's own bold is replaced.
QFont StyledFont(QFont f, int style) {
  f.setBold(style & kOsdBold);
  f.setItalic(style & kOsdItalic);
  f.setUnderline(style & kOsdUnderline);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}
} // namespace

QImage TOSDPainter::RenderLine(const std::string& line, const QFont& font, QColor colour, int maxWidth) {
  QImage scratch(std::max(maxWidth, 1), 200, QImage::Format_RGB32);
  scratch.fill(kKey);
  QPainter p(&scratch);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setPen(colour);
  int x = 0;
  for (const TOsdRun& run : OsdRuns(line, style_)) {
    const QFont f = StyledFont(font, run.style);
    const QString s = QString::fromStdString(run.text);
    p.setFont(f);
    p.drawText(QPoint(x, QFontMetrics(f).ascent()), s);
    x += QFontMetrics(f).horizontalAdvance(s);
  }
  p.end();
  const int height = std::min(QFontMetrics(font).height(), 200);
  return scratch.copy(0, 0, std::clamp(x, 1, scratch.width()), std::max(height, 1));
}

QImage TOSDPainter::RenderText(const std::string& text, const QFont& font, QColor colour, int width, int alignment) {
  std::vector<QImage> rendered;
  std::vector<int> xs;
  int height = 0;
  for (const std::string& line : OsdLines(text)) {
    // Measured in black, then drawn in the colour (the tags set the style outright, so measuring
    // first changes nothing).
    const QImage measure = RenderLine(line, font, Qt::black, width);
    xs.push_back(OsdLineX(alignment, width, measure.width()));
    rendered.push_back(RenderLine(line, font, colour, width));
    height += measure.height() + 4;
  }
  QImage out(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  out.fill(kKey);
  int y = 0;
  for (size_t i = 0; i < rendered.size(); ++i) {
    const QImage& img = rendered[i];
    for (int row = 0; row < img.height(); ++row) {
      const int oy = y + 2 + row;
      if (oy < 0 || oy >= out.height())
        continue;
      const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(row));
      auto* dst = reinterpret_cast<QRgb*>(out.scanLine(oy));
      for (int col = 0; col < img.width(); ++col) {
        const int ox = xs[i] + col;
        if (ox >= 0 && ox < out.width() && src[col] != kKey)
          dst[ox] = src[col];
      }
    }
    y += img.height() + 4;
  }
  return out;
}

} // namespace zv
