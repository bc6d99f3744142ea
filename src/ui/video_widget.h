#pragma once

#include "playback/engine/engine.h"

#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <optional>

namespace zv {

// Where a picture of width x height pixels, each parN:parD wide to high, is shown in an area: as
// large as fits with its display shape kept, centred; the rest of the area stays black.
QRect FitPicture(QSize area, int width, int height, int parN, int parD);
// The point of a picture of width x height pixels, shown stretched over `shown`, that lies under
// `at`; none outside the picture.
std::optional<QPointF> PicturePoint(const QRect& shown, int width, int height, QPointF at);

// Shows the pictures of the video renderer. It is an ordinary widget, not a native child window,
// so whatever is drawn over it (the OSD) and screen grabs work on every display, offscreen too.
// Mouse and keys pass through to the window that holds it.
class TVideoWidget : public QWidget, public eng::IVideoOutput {
public:
  explicit TVideoWidget(QWidget* parent = nullptr);

  // Called on the renderer's streaming thread: keeps the picture and asks for a repaint.
  void PresentFrame(eng::TVideoFrame frame) override;
  void ClearFrame() override;

  // A copy of the picture shown now (empty without one), at its own size.
  QImage CurrentImage() const;
  QSize FrameSize() const;
  // The picture's size with its pixel shape applied (wider pixels widen it); empty without one.
  QSize DisplaySize() const;
  // Where the picture goes, as the video properties place it (it may reach past the widget);
  // without a place it is fitted into the widget with its shape kept.
  void SetPictureRect(std::optional<QRect> rect);
  std::optional<QRect> PictureRect() const { return placed_; }
  // The picture's own pixel under a point of the widget (DVD menu buttons); none off the picture.
  std::optional<QPointF> PicturePointAt(QPoint at) const;
  uint64_t FramesPainted() const { return painted_.load(); }

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  void RequestRepaint();

  QObject* repaint_; // receives the repaint requests of the streaming thread, dies with the widget
  mutable std::mutex lock_;
  eng::TVideoFrame frame_;
  QImage scratch_; // the converted picture when it cannot be written into the window's buffer
  std::optional<QRect> placed_;
  std::atomic<bool> repaintPending_{false};
  std::atomic<uint64_t> painted_{0};
};

} // namespace zv
