#pragma once

#include "skin/bitmap32.h"
#include "skin/frame_art.h"

#include <QRect>
#include <QSize>

class QPainter;

namespace zv {

// The tinted border the window draws around itself in place of the platform's frame.
class TBrandBorder {
public:
  struct TMargins {
    int left = 5, top = 5, right = 5, bottom = 5;
  };
  TBrandBorder();

  // The picture becomes the untinted active and inactive copy too.
  void SetPicture(const TBitmap32& picture, TMargins margins);
  // The program's 24 × 53 picture with margins of 5.
  void LoadBuiltIn();
  // Colours 0x00BBGGRR.
  void SetColors(uint32_t active, uint32_t inactive);
  void SetFramed(bool on) { framed_ = on; }
  bool Framed() const { return framed_; }
  // The frame around the inner panel; none while switched off.
  TMargins Margins() const { return framed_ ? margins_ : TMargins{0, 0, 0, 0}; }
  void SetActive(bool on) { active_ = on; }
  bool Active() const { return active_; }
  // Where the inner panel goes in a window of this size.
  QRect InnerRect(QSize window) const;
  // The caption bar's pictures, cut from the tinted copies.
  TBitmap32 CaptionPicture(bool active) const { return zv::CaptionPicture(active ? activeCopy_ : inactiveCopy_); }
  THit HitTest(QPoint p, QSize window) const;
  // Draws the frame; afterwards the built-in pictures are touched up for the next paint.
  void PaintFrame(QPainter& p, QSize window, bool panelVisible, bool panelEnabled);
  const TBitmap32& ActiveCopy() const { return activeCopy_; }

private:
  TBitmap32 picture_, activeCopy_, inactiveCopy_;
  TMargins margins_;
  bool framed_ = true, active_ = true;
};

} // namespace zv
