#include "ui/video_widget.h"

#include "ui/qt_dispatcher.h"

#include <QPainter>
#include <bit>

static_assert(std::endian::native == std::endian::little, "BGRx pictures are drawn as RGB32");

namespace zv {

TVideoWidget::TVideoWidget(QWidget* parent) : QWidget(parent), repaint_(new TWorkReceiver(this)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(false);
}

void TVideoWidget::RequestRepaint() {
  // One queued repaint at a time, however fast the pictures come.
  if (repaintPending_.exchange(true))
    return;
  PostWork(repaint_, [this] {
    repaintPending_.store(false);
    update();
  });
}

void TVideoWidget::PresentFrame(eng::TVideoFrame frame) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    frame_ = std::move(frame);
  }
  RequestRepaint();
}

void TVideoWidget::ClearFrame() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    frame_ = eng::TVideoFrame{};
  }
  RequestRepaint();
}

QImage TVideoWidget::CurrentImage() const {
  std::lock_guard<std::mutex> guard(lock_);
  if (!frame_.data)
    return {};
  return QImage(frame_.data, frame_.width, frame_.height, frame_.stride, QImage::Format_RGB32).copy();
}

QSize TVideoWidget::FrameSize() const {
  std::lock_guard<std::mutex> guard(lock_);
  return frame_.data ? QSize(frame_.width, frame_.height) : QSize();
}

void TVideoWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  eng::TVideoFrame f;
  {
    std::lock_guard<std::mutex> guard(lock_);
    f = frame_; // shares the picture; it stays mapped while painted
  }
  if (!f.data) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  // BGRx in memory is Qt's RGB32 on little-endian machines: the picture is drawn without a copy.
  QImage img(f.data, f.width, f.height, f.stride, QImage::Format_RGB32);
  p.drawImage(rect(), img);
  painted_.fetch_add(1);
}

} // namespace zv
