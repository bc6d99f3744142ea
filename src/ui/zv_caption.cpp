#include "ui/zv_caption.h"

#include "commands/command_codes.h"
#include "core/text_util.h"
#include "skin/opti_controls.h"
#include "ui/plain_text.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace zv {

namespace {
// The caption's buttons in the order of their strips in the base bitmap, with their x (a
// negative x counts from the right edge).
constexpr std::pair<int, int> kCaptionButtons[] = {
    {cmdAbout, 2}, {cmdStayOnTop, 19}, {cmdMinimize, -51}, {cmdMaximize, -34}, {cmdExit, -17}};
} // namespace

TZVCaption::TZVCaption(QWidget* parent, const TBaseSkin& skin) : QWidget(parent), skin_(skin) {
  setObjectName("Caption");
  setAttribute(Qt::WA_OpaquePaintEvent);
  int strip = 0;
  for (auto [code, x] : kCaptionButtons) {
    auto* b = new THoverButton(this, skin_, code, 652 + 15 * strip++, 15);
    b->paintBackground = [this](TBitmap32& canvas, QPoint at) { PaintBackground(canvas, at); };
    b->onClick = [this](int c) {
      if (onCommand)
        onCommand(c);
    };
    b->rightOffset = x < 0 ? -x : 0;
    buttons_.push_back(b);
  }
  PlaceButtons(true);
}

THoverButton* TZVCaption::Button(int code) const {
  for (THoverButton* b : buttons_)
    if (b->Code() == code)
      return b;
  return nullptr;
}

void TZVCaption::PlaceButtons(bool border) {
  border_ = border;
  const int k = border ? 1 : 0;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    int x = kCaptionButtons[i].second;
    buttons_[i]->move(x < 0 ? width() + x + k : x - k, 2 - k);
  }
}

void TZVCaption::resizeEvent(QResizeEvent*) { PlaceButtons(border_); }

void TZVCaption::SetText(const std::string& text) {
  std::string bounded = BoundText(text);
  if (bounded == text_)
    return;
  text_ = bounded;
  update();
}

void TZVCaption::SetActive(bool on) {
  if (on == active_)
    return;
  active_ = on;
  for (THoverButton* b : buttons_)
    b->update();
  update();
}

void TZVCaption::SetPictures(TBitmap32 active, TBitmap32 inactive) {
  activePicture_ = std::move(active);
  inactivePicture_ = std::move(inactive);
  pictures_ = !activePicture_.Empty() && !inactivePicture_.Empty();
  for (THoverButton* b : buttons_)
    b->update();
  update();
}

void TZVCaption::PaintBackground(TBitmap32& canvas, QPoint at) const {
  canvas.Fill(skin_.Bitmap().Pixel(active_ ? 761 : 770, 103));
  if (pictures_) {
    const TBitmap32& pic = active_ ? activePicture_ : inactivePicture_;
    canvas.StretchFrom(pic, TRect{0, 0, pic.Width(), pic.Height()},
                       TRect{-at.x(), -at.y(), width() - at.x(), height() - at.y()});
  } else {
    canvas.FillRect(TRect{-at.x(), height() - 1 - at.y(), width() - at.x(), height() - at.y()}, 0xFFC0C0C0u);
  }
}

void TZVCaption::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0)
    return;
  TBitmap32 canvas(width(), height());
  PaintBackground(canvas, QPoint(0, 0));
  QPainter p(this);
  DrawBitmap(p, 0, 0, canvas);
  QFont f = font();
  f.setBold(true);
  p.setFont(f);
  QFontMetrics fm(f);
  QString text = OutsideText(text_); // titles and names from files and streams
  const int room = width() - 89;
  if (fm.horizontalAdvance(text) > room) {
    // The longest beginning that fits with "..." after it.
    while (!text.isEmpty() && fm.horizontalAdvance(text + "...") > room)
      text.chop(1);
    text += "...";
  }
  const int pictureShift = pictures_ ? 1 : 0;
  QRect box(36, 3 - pictureShift, std::max(room, 0) + 3, height());
  p.setPen(skin_.QtColour(770, 103));
  p.drawText(box.translated(1, 1), Qt::AlignLeft | Qt::AlignTop, text);
  p.setPen(active_ ? skin_.QtColour(762, 104) : skin_.QtColour(771, 104));
  p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
}

void TZVCaption::mousePressEvent(QMouseEvent* e) {
  if (onMousePress)
    onMousePress(e);
  else
    e->ignore();
}

void TZVCaption::mouseDoubleClickEvent(QMouseEvent*) { doubleClick_ = true; }

void TZVCaption::mouseReleaseEvent(QMouseEvent* e) {
  if (doubleClick_) {
    doubleClick_ = false;
    if (onCommand)
      onCommand(cmdFullScreen); // a double click on the caption: full screen
    return;
  }
  e->ignore();
}

} // namespace zv
