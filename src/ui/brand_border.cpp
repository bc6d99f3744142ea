#include "ui/brand_border.h"

#include "skin/opti_controls.h"
#include "ui/base_skin.h"

#include <QImage>
#include <QPainter>

namespace zv {

TBrandBorder::TBrandBorder() { LoadBuiltIn(); }

void TBrandBorder::SetPicture(const TBitmap32& picture, TMargins margins) {
  picture_ = picture;
  activeCopy_ = picture;
  inactiveCopy_ = picture;
  margins_ = margins;
}

void TBrandBorder::LoadBuiltIn() { SetPicture(TBaseSkin::BuiltInBorder(), TMargins{}); }

void TBrandBorder::SetColors(uint32_t active, uint32_t inactive) {
  activeCopy_ = TintPicture(picture_, active);
  inactiveCopy_ = TintPicture(picture_, inactive);
}

QRect TBrandBorder::InnerRect(QSize w) const {
  TMargins m = Margins();
  return QRect(m.left, m.top, w.width() - m.left - m.right, w.height() - m.top - m.bottom);
}

THit TBrandBorder::HitTest(QPoint p, QSize w) const {
  if (!framed_)
    return THit::Client;
  return BorderHitTest(p.x(), p.y(), w.width(), w.height());
}

void TBrandBorder::PaintFrame(QPainter& p, QSize window, bool panelVisible, bool panelEnabled) {
  if (!framed_ || InnerRect(window).left() == 0)
    return;
  TBitmap32 frame(window.width(), window.height());
  PaintFrameCells(active_ ? activeCopy_ : inactiveCopy_, frame);
  DrawBitmap(p, 0, 0, frame);
  // Visual themes are not a thing of this platform.
  constexpr bool kThemed = false;
  AdjustBorderPicture(activeCopy_, panelVisible, panelEnabled, kThemed);
  AdjustBorderPicture(inactiveCopy_, panelVisible, panelEnabled, kThemed);
}

} // namespace zv
