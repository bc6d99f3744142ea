#include "ui/video_panel.h"

#include "core/text_util.h"

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
  QImage img(300, 120, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // A play triangle in a ring, and the name beside it.
  QLinearGradient g(0, 20, 0, 100);
  g.setColorAt(0, QColor(0x4F, 0xC3, 0xF7));
  g.setColorAt(1, QColor(0x15, 0x65, 0xC0));
  p.setPen(QPen(QBrush(g), 6));
  p.drawEllipse(QPointF(60, 60), 36, 36);
  QPainterPath tri;
  tri.moveTo(48, 40);
  tri.lineTo(48, 80);
  tri.lineTo(82, 60);
  tri.closeSubpath();
  p.fillPath(tri, QBrush(g));
  QFont f = p.font();
  f.setPixelSize(44);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(0xE0, 0xE0, 0xE0));
  p.drawText(QRect(110, 20, 190, 80), Qt::AlignVCenter | Qt::AlignLeft, "Zelvar");
  return img;
}

} // namespace zv
