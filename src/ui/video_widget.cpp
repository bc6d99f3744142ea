#include "ui/video_widget.h"

#include "core/text_util.h"
#include "ui/qt_dispatcher.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
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
  eng::TVideoFrame f;
  {
    std::lock_guard<std::mutex> guard(lock_);
    f = frame_;
  }
  if (f.Empty())
    return {};
  if (f.data)
    return QImage(f.data, f.width, f.height, f.stride, QImage::Format_RGB32).copy();
  QImage img(f.width, f.height, QImage::Format_RGB32);
  if (!f.draw(img.bits(), static_cast<int>(img.bytesPerLine()), f.width, f.height))
    return {};
  return img;
}

QSize TVideoWidget::FrameSize() const {
  std::lock_guard<std::mutex> guard(lock_);
  return frame_.Empty() ? QSize() : QSize(frame_.width, frame_.height);
}

QSize TVideoWidget::DisplaySize() const {
  std::lock_guard<std::mutex> guard(lock_);
  if (frame_.Empty())
    return {};
  const int parN = frame_.parN > 0 && frame_.parD > 0 ? frame_.parN : 1;
  const int parD = frame_.parN > 0 && frame_.parD > 0 ? frame_.parD : 1;
  return QSize(
      static_cast<int>(std::clamp<int64_t>(RoundHalfEven(static_cast<double>(frame_.width) * parN / parD), 1, 1 << 20)),
      frame_.height);
}

void TVideoWidget::SetPictureRect(std::optional<QRect> rect) {
  if (rect == placed_)
    return;
  placed_ = rect;
  update();
}

QRect FitPicture(QSize area, int width, int height, int parN, int parD) {
  if (area.isEmpty() || width <= 0 || height <= 0)
    return {};
  if (parN <= 0 || parD <= 0)
    parN = parD = 1;
  // Display width to height of the picture, compared with the area's without dividing.
  double shape = static_cast<double>(width) * parN / (static_cast<double>(height) * parD);
  int w = area.width(), h = area.height();
  if (static_cast<double>(w) > shape * h)
    w = static_cast<int>(std::clamp<int64_t>(RoundHalfEven(shape * h), 1, area.width()));
  else
    h = static_cast<int>(std::clamp<int64_t>(RoundHalfEven(w / shape), 1, area.height()));
  return QRect((area.width() - w) / 2, (area.height() - h) / 2, w, h);
}

std::optional<QPointF> PicturePoint(const QRect& shown, int width, int height, QPointF at) {
  if (shown.isEmpty() || width <= 0 || height <= 0)
    return std::nullopt;
  const double x = (at.x() - shown.x()) * width / shown.width(), y = (at.y() - shown.y()) * height / shown.height();
  if (x < 0 || y < 0 || x >= width || y >= height)
    return std::nullopt;
  return QPointF(x, y);
}

std::optional<QPointF> TVideoWidget::PicturePointAt(QPoint at) const {
  std::lock_guard<std::mutex> guard(lock_);
  const eng::TVideoFrame& f = frame_;
  if (f.Empty())
    return std::nullopt;
  const QRect shown = placed_ ? *placed_ : FitPicture(size(), f.width, f.height, f.parN, f.parD);
  return PicturePoint(shown, f.width, f.height, at);
}

namespace {
// The window buffer a painter writes to, when the picture can be converted straight into it: a
// 32-bit image, the widget whole in it at a plain offset, and the whole widget being repainted
// (whatever lies over the video is painted after it).
uchar* DirectTarget(QPainter& p, const QPaintEvent* e, const QRect& widget, int& stride) {
  QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image || !e->region().contains(widget))
    return nullptr;
  auto* image = static_cast<QImage*>(device);
  if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied &&
      image->format() != QImage::Format_ARGB32)
    return nullptr;
  QTransform t = p.deviceTransform();
  if (t.type() > QTransform::TxTranslate)
    return nullptr;
  QRect target = widget.translated(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
  if (!image->rect().contains(target))
    return nullptr;
  stride = static_cast<int>(image->bytesPerLine());
  return image->bits() + static_cast<qsizetype>(target.y()) * stride + static_cast<qsizetype>(target.x()) * 4;
}
} // namespace

void TVideoWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  eng::TVideoFrame f;
  {
    std::lock_guard<std::mutex> guard(lock_);
    f = frame_; // shares the picture; it stays mapped while painted
  }
  QRect picture = f.Empty() ? QRect() : placed_ ? *placed_ : FitPicture(size(), f.width, f.height, f.parN, f.parD);
  if (picture.isEmpty()) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  // Black around the picture.
  p.setClipRegion(QRegion(rect()).subtracted(picture));
  p.fillRect(rect(), Qt::black);
  p.setClipping(false);
  if (!rect().contains(picture)) {
    // Zoomed past the widget: the picture at its own size, scaled where it is drawn, so only
    // the part inside the widget is worked on.
    if (f.data) {
      p.drawImage(picture, QImage(f.data, f.width, f.height, f.stride, QImage::Format_RGB32));
    } else {
      if (scratch_.size() != QSize(f.width, f.height))
        scratch_ = QImage(f.width, f.height, QImage::Format_RGB32);
      if (!f.draw(scratch_.bits(), static_cast<int>(scratch_.bytesPerLine()), f.width, f.height))
        return;
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawImage(picture, scratch_);
    }
    painted_.fetch_add(1);
    return;
  }
  if (f.draw) {
    int stride = 0;
    if (uchar* target = DirectTarget(p, e, rect(), stride)) {
      uchar* at = target + static_cast<qsizetype>(picture.y()) * stride + static_cast<qsizetype>(picture.x()) * 4;
      if (f.draw(at, stride, picture.width(), picture.height())) {
        painted_.fetch_add(1);
        return;
      }
    }
  }
  if (f.data) {
    // BGRx in memory is Qt's RGB32 on little-endian machines: the picture is drawn without a copy.
    p.drawImage(picture, QImage(f.data, f.width, f.height, f.stride, QImage::Format_RGB32));
  } else {
    if (scratch_.size() != picture.size())
      scratch_ = QImage(picture.size(), QImage::Format_RGB32);
    if (!f.draw(scratch_.bits(), static_cast<int>(scratch_.bytesPerLine()), picture.width(), picture.height())) {
      p.fillRect(picture, Qt::black);
      return;
    }
    p.drawImage(picture.topLeft(), scratch_);
  }
  painted_.fetch_add(1);
}

} // namespace zv
