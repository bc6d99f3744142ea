#include "skin/opti_controls.h"

#include "commands/command_center.h"
#include "commands/model_manager.h"
#include "core/colour.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "skin/bar_math.h"
#include "ui/plain_text.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace zv {

QImage ToQImage(const TBitmap32& b) {
  if (b.Empty())
    return {};
  QImage view(reinterpret_cast<const uchar*>(b.Pixels().data()), b.Width(), b.Height(), b.Width() * 4,
              QImage::Format_RGB32);
  return view.copy();
}

void DrawBitmap(QPainter& p, int x, int y, const TBitmap32& b) {
  if (b.Empty())
    return;
  p.drawImage(x, y,
              QImage(reinterpret_cast<const uchar*>(b.Pixels().data()), b.Width(), b.Height(), b.Width() * 4,
                     QImage::Format_RGB32));
}

TBitmap32 FromQImage(const QImage& image) {
  QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  TBitmap32 b(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      b.Row(y)[x] = row[x] | 0xFF000000u;
  }
  return b;
}

// ---------------------------------------------------------------------------------------------

TCanvasWidget::TCanvasWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TCanvasWidget::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0)
    return;
  TBitmap32 canvas(width(), height(), FillArgb());
  Draw(canvas);
  QPainter p(this);
  DrawBitmap(p, 0, 0, canvas);
  DrawOver(p);
}

void TCanvasWidget::enterEvent(QEnterEvent*) {
  hover_ = true;
  if (trackHover_)
    update();
}

void TCanvasWidget::leaveEvent(QEvent*) {
  hover_ = false;
  if (trackHover_)
    update();
}

TOptiWidget::TOptiWidget(QWidget* parent, uint32_t colour) : TCanvasWidget(parent), colour_(colour) {}

uint32_t TOptiWidget::FillArgb() const { return ColorToArgb(colour_); }

void TOptiWidget::Place(bool hasPos, TPoint pos, bool hasSize, TPoint size) {
  const int parentWidth = parentWidget() ? parentWidget()->width() : 0;
  int left = x(), top = y(), w = width(), h = height();
  if (hasPos) {
    left = pos.x;
    if (pos.x < 0) {
      anchorLeft_ = false;
      anchorRight_ = true;
      left = parentWidth + pos.x;
    }
    top = pos.y;
  }
  if (hasSize) {
    w = size.x;
    if (size.x < 0) {
      anchorRight_ = true;
      w = parentWidth + size.x - left;
    }
    h = size.y;
  }
  setGeometry(left, top, std::max(w, 0), std::max(h, 0));
  rightGap_ = parentWidth - (left + std::max(w, 0));
}

void TOptiWidget::resizeEvent(QResizeEvent*) {
  // Children anchored to the right edge keep their distance to it.
  for (QObject* o : children()) {
    auto* c = dynamic_cast<TOptiWidget*>(o);
    if (!c || !c->anchorRight_)
      continue;
    if (c->anchorLeft_)
      c->resize(std::max(width() - c->rightGap_ - c->x(), 0), c->height());
    else
      c->move(width() - c->rightGap_ - c->width(), c->y());
  }
}

void TOptiWidget::DrawBackground(TBitmap32& canvas) {
  if (Background.Bitmap)
    TOptiResource::DrawSplit(Background, canvas, TRect{0, 0, width(), height()}, BackgroundSplit);
}

void TOptiWidget::Draw(TBitmap32& canvas) { DrawBackground(canvas); }

// ---------------------------------------------------------------------------------------------

TOptiDummy::TOptiDummy(QWidget* parent, std::string id) : TOptiWidget(parent, 0x0000FF), id_(std::move(id)) {}

void TOptiDummy::DrawOver(QPainter& p) {
  p.setPen(Qt::white);
  p.drawText(rect(), Qt::AlignCenter, OutsideText("PNL:" + id_));
}

// ---------------------------------------------------------------------------------------------

TOptiText::TOptiText(QWidget* parent, ISkinHost& host) : TOptiWidget(parent, 0x800000), host_(host) {
  host_.Tick().Add(THandlerKey::Tagged(this, 0), [this] { Refresh(); });
}

TOptiText::~TOptiText() { host_.Tick().Remove(THandlerKey::Tagged(this, 0)); }

void TOptiText::Refresh() {
  std::string text = BoundText(host_.FormatText(template_));
  if (text == shown_)
    return;
  shown_ = std::move(text);
  update();
}

void TOptiText::Draw(TBitmap32& canvas) {
  DrawBackground(canvas);
  if (font_)
    TOptiResource::DrawText(*font_, shown_, canvas, TRect{0, 0, width(), height()});
}

void TOptiText::DrawOver(QPainter& p) {
  if (font_)
    return;
  // The system look: bold 8-point white, cut from the end until it fits, centred at the top.
  QFont f("Tahoma");
  f.setPointSize(8);
  f.setBold(true);
  p.setFont(f);
  QFontMetrics fm(f);
  QString text = OutsideText(shown_); // titles and names from files and streams
  while (!text.isEmpty() && fm.horizontalAdvance(text) > width() - 15)
    text.chop(1);
  p.setPen(QColor(0xFF, 0xFF, 0xFF));
  int x = (width() - fm.horizontalAdvance(text)) / 2;
  p.drawText(QPoint(x, fm.ascent()), text);
}

// ---------------------------------------------------------------------------------------------

TOptiButton::TOptiButton(QWidget* parent, ISkinHost& host) : TOptiWidget(parent, 0x0000FF), host_(host) {
  trackHover_ = true;
}

TOptiButton::~TOptiButton() {
  if (!link_.empty())
    host_.Models().Unsubscribe(link_, THandlerKey::Tagged(this, 0));
}

void TOptiButton::SetLink(std::string link) {
  if (!link_.empty())
    host_.Models().Unsubscribe(link_, THandlerKey::Tagged(this, 0));
  link_ = std::move(link);
  if (link_.empty())
    return;
  // Told when a model appears under the name, is replaced, or changes.
  host_.Models().Subscribe(link_, THandlerKey::Tagged(this, 0), [this] { update(); });
  std::string key = LinkHintKey(link_);
  setToolTip(key.empty() ? QString() : PlainToolTip(host_.Lang(key)));
}

int TOptiButton::Column() const {
  if (link_.empty())
    return 0;
  auto* model = dynamic_cast<TSInt32Model*>(host_.Models().GetModel(link_));
  return model && model->Get() > 0 ? 1 : 0;
}

void TOptiButton::Draw(TBitmap32& canvas) {
  if (!Image.Bitmap)
    return;
  const int w = width(), h = height();
  int left = Image.Left + Column() * (w + 1), top = Image.Top + Row() * (h + 1);
  canvas.CopyFrom(*Image.Bitmap, TRect{left, top, left + w, top + h}, 0, 0);
}

void TOptiButton::mousePressEvent(QMouseEvent*) {
  pressed_ = true;
  update();
}

void TOptiButton::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = false;
  update();
  // The model may rebuild the skin: this button then goes once the handler has returned.
  if (!link_.empty())
    host_.Models().Execute(link_);
}

// ---------------------------------------------------------------------------------------------

TOptiSeeker::TOptiSeeker(QWidget* parent, ISkinHost& host) : TOptiWidget(parent, 0x0000FF), host_(host) {
  host_.Tick().Add(THandlerKey::Tagged(this, 0), [this] { update(); });
}

TOptiSeeker::~TOptiSeeker() { host_.Tick().Remove(THandlerKey::Tagged(this, 0)); }

void TOptiSeeker::Draw(TBitmap32& canvas) {
  const int W = width(), H = height();
  const bool player = host_.HasPlayer();
  int64_t D = player ? host_.Duration() : 0;
  if (D <= 0)
    D = 100; // no player, no duration, or an unknown one
  const int64_t P = player ? std::clamp<int64_t>(host_.Position(), 0, D) : 0;
  DrawBackground(canvas);
  if (P != 0)
    TOptiResource::DrawSplit(Fill, canvas, TRect{0, 0, 16 + static_cast<int>(MulDiv(W - 29, P, D)), H},
                             BackgroundSplit);
  if (!player)
    return;
  const int U = W - 28;
  if (HighTick.Bitmap)
    TOptiResource::DrawArea(HighTick, canvas, W - 14, 7);
  TTimeScale scale = MakeTimeScale(D, U / 34, 14, U);
  for (int x : scale.lowTicks)
    TOptiResource::DrawArea(LowTick, canvas, x, 7);
  for (const TScaleMark& m : scale.labels) {
    if (font_)
      TOptiResource::DrawText(*font_, FormatTime("{H}:{M}:{S}", m.time), canvas, TRect{m.x - 12, 0, W, 5});
    TOptiResource::DrawArea(HighTick, canvas, m.x, 7);
  }
  TOptiResource::DrawArea(Thumb, canvas, static_cast<int>(MulDiv(W - 29, P, D)) + 2, H - Thumb.Height());
}

void TOptiSeeker::SeekAt(int x) {
  if (!host_.HasPlayer())
    return;
  int64_t duration = host_.Duration();
  if (duration < 0)
    return; // an unknown length is never sought in
  int64_t position = 0;
  if (!ValueFromX(x, 12, width() - 24, duration == 0 ? 100 : duration, position))
    return;
  host_.SeekTo(position);
  update();
}

void TOptiSeeker::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton)
    SeekAt(e->position().toPoint().x());
}

void TOptiSeeker::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton)
    SeekAt(e->position().toPoint().x());
}

// ---------------------------------------------------------------------------------------------

TOptiSlider::TOptiSlider(QWidget* parent, ISkinHost& host) : TOptiWidget(parent, 0x0000FF), host_(host) {
  host_.Tick().Add(THandlerKey::Tagged(this, 0), [this] { update(); });
}

TOptiSlider::~TOptiSlider() { host_.Tick().Remove(THandlerKey::Tagged(this, 0)); }

void TOptiSlider::Draw(TBitmap32& canvas) {
  const int W = width(), H = height();
  const int v = std::clamp(host_.Volume(), 0, 100);
  DrawBackground(canvas);
  if (v != 0)
    TOptiResource::DrawSplit(Fill, canvas, TRect{0, 0, (W - 10) * v / 100 + 5, H}, BackgroundSplit);
  TOptiResource::DrawArea(Thumb, canvas, (W - 10) * v / 100, 0);
}

void TOptiSlider::SetAt(int x) {
  int64_t v = 0;
  if (!ValueFromX(x, 4, width() - 10, 100, v))
    return;
  host_.SetVolume(static_cast<int>(v));
  update();
}

void TOptiSlider::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton)
    SetAt(e->position().toPoint().x());
}

void TOptiSlider::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton)
    SetAt(e->position().toPoint().x());
}

} // namespace zv
