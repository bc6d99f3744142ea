#include "ui/osd_panel.h"

#include "core/colour.h"
#include "core/prefs_access.h"
#include "core/text_util.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace zv {

QColor StoredColour(IPrefs* prefs, const char* key, uint32_t fallback) {
  return QColor::fromRgb(ColorToArgb(PrefColour(prefs, key, fallback)));
}

QFont StoredFont(IPrefs* prefs, const char* family, const char* familyDef, const char* size, int sizeDef,
                 const char* bold, const char* boldDef) {
  QFont f(QString::fromStdString(Pref(prefs, family, familyDef)));
  f.setPointSize(std::max(StrToIntDef(Pref(prefs, size, std::to_string(sizeDef)), sizeDef), 1));
  f.setBold(Pref(prefs, bold, boldDef) == "1");
  return f;
}

QFont SubtitlePrefFont(IPrefs* prefs) {
  return StoredFont(prefs, "Subtitles.Font", "Tahoma", "Subtitles.Size", 16, "Subtitles.Bold", "0");
}

QColor SubtitlePrefColour(IPrefs* prefs) { return StoredColour(prefs, "Subtitles.Color", 65535); }

TOSDPanel::TOSDPanel(QWidget* videoArea) : QWidget(videoArea) {
  setObjectName("OSDPanel");
  setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the picture below
  setAttribute(Qt::WA_OpaquePaintEvent);
  hide();
}

void TOSDPanel::SetText(const std::string& text) {
  if (text == text_)
    return;
  text_ = text;
  Relayout();
}

void TOSDPanel::SetFontAndColour(const QFont& font, QColor colour) {
  font_ = font;
  colour_ = colour;
  Relayout();
}

void TOSDPanel::SetAlignment(int alignment) {
  if (alignment == alignment_)
    return;
  alignment_ = alignment;
  Relayout();
}

void TOSDPanel::SetBackground(bool solid, QColor colour) {
  solid_ = solid;
  solidColour_ = colour;
  Relayout();
}

void TOSDPanel::Place(int left, int width, int edge) {
  if (left == left_ && width == width_ && edge == edge_ && !lines_.empty() == isVisible())
    return;
  left_ = left;
  width_ = width;
  edge_ = edge;
  Relayout();
}

QFont TOSDPanel::RunFont(int style) const {
  QFont f = font_;
  f.setBold(style & kOsdBold);
  f.setItalic(style & kOsdItalic);
  f.setUnderline(style & kOsdUnderline);
  return f;
}

void TOSDPanel::Relayout() {
  lines_.clear();
  shape_ = QRegion();
  // The style starts from the font's own for every text and carries from line to line.
  int style =
      (font_.bold() ? kOsdBold : 0) | (font_.italic() ? kOsdItalic : 0) | (font_.underline() ? kOsdUnderline : 0);
  const int lineHeight = QFontMetrics(font_).height();
  const qreal corner = (font_.pointSizeF() > 0 ? font_.pointSizeF() : font_.pixelSize()) + 2;
  int running = 1;
  for (const std::string& text : OsdLines(text_)) {
    TLine line;
    line.runs = OsdRuns(text, style);
    for (const TOsdRun& run : line.runs)
      line.w += QFontMetrics(RunFont(run.style)).horizontalAdvance(QString::fromStdString(run.text));
    line.h = lineHeight;
    line.x = OsdLineX(alignment_, width_, line.w);
    line.y = running + 2;
    running += line.h + 4;
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(line.x, line.y - 2, line.w, line.h + 4), corner / 2, corner / 2);
    shape_ += QRegion(rounded.toFillPolygon().toPolygon());
    lines_.push_back(std::move(line));
  }
  if (lines_.empty()) {
    hide();
    return;
  }
  background_ = solid_ ? solidColour_ : samplePicture ? samplePicture() : QColor(Qt::black);
  const int height = running;
  setGeometry(left_, OsdBottomAnchored(alignment_) ? edge_ - height : edge_, std::max(width_, 1), height);
  setMask(shape_);
  raise();
  show();
  update();
}

void TOSDPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background_);
  p.setRenderHint(QPainter::TextAntialiasing);
  static const QPoint kOutline[] = {{-2, 0}, {0, -2}, {2, 0}, {0, 2}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const TLine& line : lines_) {
    const auto draw = [&](QPoint offset, QColor colour) {
      int x = line.x + offset.x();
      p.setPen(colour);
      for (const TOsdRun& run : line.runs) {
        const QFont f = RunFont(run.style);
        p.setFont(f);
        const QString s = QString::fromStdString(run.text);
        p.drawText(QPoint(x, line.y + offset.y() + QFontMetrics(f).ascent()), s);
        x += QFontMetrics(f).horizontalAdvance(s);
      }
    };
    if (!solid_)
      for (QPoint o : kOutline)
        draw(o, Qt::black);
    draw(QPoint(0, 0), colour_);
  }
}

} // namespace zv
