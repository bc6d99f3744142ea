#include "ui/video_panel.h"

#include "core/text_util.h"
#include "ui/window_geometry.h"

#include <QDate>
#include <QImageReader>
#include <QPainter>

namespace zv {

TVideoPanel::TVideoPanel(QWidget* parent) : QWidget(parent), video_(new TVideoWidget(this)) {
  setObjectName("MoviePanel");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true); // the window follows the pointer for hiding it and for dragging
  setMinimumSize(1, 1);
  video_->hide();
}

void TVideoPanel::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void TVideoPanel::ShowVideo(bool on) {
  video_->setVisible(on);
  if (on)
    video_->setGeometry(rect());
  update();
}

QRect TVideoPanel::PictureRect(QSize area, QSize picture, bool fullScreen, bool scale) {
  if (picture.isEmpty() || area.isEmpty())
    return {};
  TSize size{picture.width(), picture.height()};
  if (scale)
    size = CoverSize(TSize{area.width(), area.height()}, size, fullScreen);
  return QRect(QPoint((area.width() - size.width) / 2, (area.height() - size.height) / 2),
               QSize(size.width, size.height));
}

QImage LoadPicture(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  QSize size = reader.size();
  if (!size.isValid() || size.isEmpty())
    return {};
  // A picture from outside is decoded at most this large (JPEG decodes scaled down directly).
  constexpr int kSide = 4096;
  if (size.width() > kSide || size.height() > kSide)
    reader.setScaledSize(size.scaled(kSide, kSide, Qt::KeepAspectRatio));
  QImage image = reader.read();
  return image.width() > kSide || image.height() > kSide ? QImage() : image;
}

void TVideoPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (video_->isVisible() || picture_.isNull())
    return;
  QRect r = PictureRect(size(), picture_.size(), fullScreen_, scaleToFit_);
  p.setRenderHint(QPainter::SmoothPixmapTransform, r.size() != picture_.size());
  p.drawImage(r, picture_);
}

void TVideoPanel::resizeEvent(QResizeEvent*) { video_->setGeometry(rect()); }

QImage DefaultLogo() {
  // Drawn at build time with the rest of the program's art; a march logo for the week of the 8th.
  QDate today = QDate::currentDate();
  bool march = today.month() == 3 && today.day() >= 4 && today.day() <= 10;
  QImage img(march ? ":/art/Logo8March.png" : ":/art/LogoDefault.png");
  if (img.isNull()) {
    img = QImage(300, 120, QImage::Format_RGB32);
    img.fill(Qt::black);
  }
  return img;
}

} // namespace zv
