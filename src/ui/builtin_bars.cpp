#include "ui/builtin_bars.h"

#include "core/format.h"
#include "core/session_log.h"
#include "skin/bar_math.h"
#include "skin/opti_controls.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace zv {

THoverButton::THoverButton(QWidget* parent, const TBaseSkin& skin, int code, int stripX, int size)
    : TBaseSkinWidget(parent, skin), code_(code), stripX_(stripX), size_(size) {
  setObjectName(QString::fromStdString(Format("c%.3d", code)));
  resize(size, size);
  trackHover_ = true;
}

void THoverButton::SetChecked(bool on) {
  if (on == checked_)
    return;
  checked_ = on;
  update();
}

int THoverButton::Row() const {
  if (!isEnabled())
    return checked_ ? 5 : 2;
  return 3 * ((checked_ || pressed_) ? 1 : 0) + (Hovered() ? 1 : 0);
}

void THoverButton::Draw(TBitmap32& canvas) {
  if (paintBackground)
    paintBackground(canvas, pos());
  skin_.DrawPiece(canvas, stripX_, Row() * size_, size_, size_, 0, 0);
}

void THoverButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton)
    return e->ignore();
  pressed_ = true;
  update();
}

void THoverButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_)
    return e->ignore();
  pressed_ = false;
  update();
  if (rect().contains(e->position().toPoint()) && onClick)
    onClick(code_);
}

void THoverButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    pressed_ = false;
    update();
  }
  QWidget::changeEvent(e);
}

// ---------------------------------------------------------------------------------------------

TTimeTrackBar::TTimeTrackBar(QWidget* parent, const TBaseSkin& skin) : TBaseSkinWidget(parent, skin) {
  setObjectName("SeekBar");
  font_.setFamily("Small Fonts");
  font_.setPixelSize(9);
}

int TTimeTrackBar::ThumbX() const {
  if (duration_ <= 0)
    return 0;
  return kMargin + static_cast<int>(MulDiv(position_, width() - 2 * kMargin, duration_));
}

void TTimeTrackBar::SetPosition(int64_t p) {
  int before = ThumbX();
  position_ = p;
  if (ThumbX() != before)
    update();
}

void TTimeTrackBar::SetDuration(int64_t d) {
  duration_ = d;
  update();
}

void TTimeTrackBar::SetMark(int i, int64_t value) {
  if (i < 0 || i >= static_cast<int>(marks_.size()))
    return;
  marks_[static_cast<size_t>(i)] = value;
  update();
}

int64_t TTimeTrackBar::GetMark(int i) const {
  return i < 0 || i >= static_cast<int>(marks_.size()) ? 0 : marks_[static_cast<size_t>(i)];
}

void TTimeTrackBar::ClearMarks() {
  marks_.fill(0);
  update();
}

QString TTimeTrackBar::Label(int64_t t) const {
  int64_t s = t / 10'000'000;
  std::string text;
  if (duration_ < 6'000'000'000)
    text = Format("%d:%.2d", static_cast<int>(s / 60), static_cast<int>(s % 60));
  else if (duration_ < 36'000'000'000)
    text = Format("%.2d:%.2d", static_cast<int>(s / 60), static_cast<int>(s % 60));
  else
    text = Format("%d:%.2d:%.2d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  return QString::fromStdString(text);
}

void TTimeTrackBar::Draw(TBitmap32& canvas) {
  const int W = width(), m = kMargin;
  const int x = ThumbX();
  if (isEnabled())
    skin_.DrawPiece(canvas, 747, 77, 17, 17, x - 8, 0);
  canvas.FillRect(TRect{m, 12, W - m, 13}, skin_.Bitmap().Pixel(762, 117));
  canvas.FillRect(TRect{m, 13, W - m, 14}, skin_.Bitmap().Pixel(763, 118));
  scale_ = {};
  if (!isEnabled() || duration_ <= 0)
    return;
  const uint32_t colour = skin_.Bitmap().Pixel(762, 117);
  canvas.FillRect(TRect{W - m, 10, W - m + 1, 16}, colour);
  const int U = W - 2 * m;
  scale_ = MakeTimeScale(duration_, U / (QFontMetrics(font_).horizontalAdvance(Label(0)) + 15), m, U);
  for (const TScaleMark& mark : scale_.labels)
    canvas.FillRect(TRect{mark.x, 10, mark.x + 1, 16}, colour);
  for (int tick : scale_.lowTicks)
    canvas.SetPixel(tick, 11, colour);
  for (int64_t b : marks_)
    if (b != 0)
      skin_.DrawPiece(canvas, 765, 87, 9, 9, m + static_cast<int>(MulDiv(b, U, duration_)) - 4, 13);
  skin_.DrawPiece(canvas, 765, 77, 9, 9, x - 4, 10);
}

void TTimeTrackBar::DrawOver(QPainter& p) {
  // The labels of the scale that Draw has just laid out.
  p.setFont(font_);
  p.setPen(skin_.QtColour(762, 117));
  QFontMetrics fm(font_);
  for (const TScaleMark& mark : scale_.labels) {
    QString text = Label(mark.time);
    int w = fm.horizontalAdvance(text);
    p.drawText(QRect(mark.x - w / 2, -1, w + 1, 11), Qt::AlignLeft | Qt::AlignTop, text);
  }
}

void TTimeTrackBar::SetFromX(int x) {
  int64_t p = 0;
  if (!ValueFromX(x, kMargin, width() - 2 * kMargin, duration_, p) || p == position_)
    return;
  position_ = p;
  update();
  if (onChange)
    onChange();
}

void TTimeTrackBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton)
    return e->ignore();
  dragging_ = true;
  SetFromX(e->position().toPoint().x());
}

void TTimeTrackBar::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_)
    SetFromX(e->position().toPoint().x());
}

void TTimeTrackBar::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton)
    dragging_ = false;
}

// ---------------------------------------------------------------------------------------------

TVolumeTrackBar::TVolumeTrackBar(QWidget* parent, const TBaseSkin& skin) : TBaseSkinWidget(parent, skin) {
  setObjectName("Volume");
}

void TVolumeTrackBar::SetVolume(int v) {
  int before = ThumbX();
  value_ = std::clamp(v, 0, 100);
  if (ThumbX() != before)
    update();
  if (onChange)
    onChange();
}

void TVolumeTrackBar::Draw(TBitmap32& canvas) {
  skin_.DrawPiece(canvas, 727, 37, 60, 17, 3, 0);
  skin_.DrawPiece(canvas, 788, 37, 5, 17, ThumbX() - 2, 0);
}

void TVolumeTrackBar::SetFromX(int x) {
  int64_t v = 0;
  if (!ValueFromX(x, 5, width() - 10, 100, v) || v == value_)
    return;
  value_ = static_cast<int>(v);
  Log("VolTB:NewPos:" + std::to_string(value_));
  update();
  if (onChange)
    onChange();
}

void TVolumeTrackBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton)
    return e->ignore();
  SetFromX(e->position().toPoint().x());
}

void TVolumeTrackBar::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton)
    SetFromX(e->position().toPoint().x());
}

// ---------------------------------------------------------------------------------------------

void TGlyphTextBar::SetText(const std::string& text) {
  if (text == text_)
    return;
  text_ = text;
  update();
}

TTimeBar::TTimeBar(QWidget* parent, const TBaseSkin& skin) : TGlyphTextBar(parent, skin, "00:00") {
  setObjectName("Clock");
}

void TTimeBar::Draw(TBitmap32& canvas) {
  skin_.DrawPiece(canvas, 727, 55, 53, 21, 0, 0);
  static constexpr int kX[5] = {5, 15, 25, 29, 39};
  for (size_t i = 0; i < 5 && i < text_.size(); ++i) {
    char c = text_[i];
    if (c == ' ')
      continue; // the colon blinks this way
    int offset = 0, w = 8;
    if (c >= '0' && c <= '9')
      offset = 9 * (c - '0');
    else if (c == ':')
      offset = 90, w = 2;
    skin_.DrawPiece(canvas, 726 + offset + 1, 18 + 1, w, 17, kX[i], 2);
  }
}

// ---------------------------------------------------------------------------------------------

TPosBar::TPosBar(QWidget* parent, const TBaseSkin& skin) : TGlyphTextBar(parent, skin, "0:00:00/0:00:00") {
  setObjectName("Position");
}

void TPosBar::Draw(TBitmap32& canvas) {
  skin_.DrawPiece(canvas, 652, 105, 106, 21, 0, 0);
  int x = 4;
  for (size_t i = 0; i < text_.size(); ++i) {
    char c = text_[i];
    if (i == 7)
      ++x; // the eighth character stands a pixel apart on both sides
    int offset = 0, w = 7;
    if (c == '/')
      offset = 83, w = 4;
    else if (c == '\\')
      offset = 88, w = 4;
    else if (c >= '0' && c <= '9')
      offset = 8 * (c - '0');
    else if (c == ':')
      offset = 80, w = 2;
    if (c == ' ') {
      x += 2 + 1;
    } else {
      skin_.DrawPiece(canvas, 726 + offset + 1, 0 + 1, w, 17, x, 2);
      x += w + 1;
    }
    if (i == 7)
      ++x;
  }
}

void TPosBar::mouseDoubleClickEvent(QMouseEvent*) {
  if (onDoubleClick)
    onDoubleClick();
}

// ---------------------------------------------------------------------------------------------

TCPULoad::TCPULoad(QWidget* parent, const TBaseSkin& skin) : TBaseSkinWidget(parent, skin) { setObjectName("CPULoad"); }

void TCPULoad::SetLoad(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == load_)
    return;
  load_ = percent;
  update();
}

void TCPULoad::Draw(TBitmap32& canvas) {
  const int W = width(), H = height();
  canvas.CopyFrom(skin_.Bitmap(), TRect{727, 77, 727 + W, 77 + H}, 0, 0);
  int f = (H - 1) * load_ / 100;
  if (f > 0)
    canvas.CopyFrom(skin_.Bitmap(), TRect{737, 77 + H - f - 1, 737 + W, 77 + H}, 0, H - f - 1);
}

} // namespace zv
