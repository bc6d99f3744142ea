#include "ui/video_panel.h"

#include "core/text_util.h"

#include <QDate>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace zv {

TVideoPanel::TVideoPanel(QWidget* parent) : QWidget(parent), video_(new TVideoWidget(this)) {
  setObjectName("MoviePanel");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
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

QRect TVideoPanel::PictureRect(QSize area, QSize picture) {
  if (picture.isEmpty() || area.isEmpty())
    return {};
  QSize size = picture;
  if (picture.width() > area.width() || picture.height() > area.height()) {
    // The side that is relatively larger decides the factor.
    double f =
        static_cast<double>(area.height()) / area.width() > static_cast<double>(picture.height()) / picture.width()
            ? static_cast<double>(area.width()) / picture.width()
            : static_cast<double>(area.height()) / picture.height();
    size = QSize(static_cast<int>(RoundHalfEven(picture.width() * f)),
                 static_cast<int>(RoundHalfEven(picture.height() * f)));
  }
  return QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
}

void TVideoPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (video_->isVisible() || picture_.isNull())
    return;
  QRect r = PictureRect(size(), picture_.size());
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
