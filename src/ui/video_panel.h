#pragma once

#include "ui/video_widget.h"

#include <QImage>
#include <QWidget>
#include <string>

namespace zv {

// The movie panel: the video while a file with pictures plays, otherwise a still picture (the
// program's logo or a cover of the playing file) unscaled in the middle of a black area, scaled
// down when it is larger than the area.
class TVideoPanel : public QWidget {
public:
  explicit TVideoPanel(QWidget* parent = nullptr);

  TVideoWidget* Video() const { return video_; }
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // The video is drawn: the area shows it instead of the picture.
  void ShowVideo(bool on);
  bool VideoShown() const { return video_->isVisible(); }
  // In full screen a picture is scaled to the screen's height and a little beyond.
  void SetFullScreen(bool on) {
    fullScreen_ = on;
    update();
  }
  // Pictures larger than the area are scaled to it, unless the window takes their size
  // (OnOpen.CoverResize).
  void SetScaleToFit(bool on) {
    scaleToFit_ = on;
    update();
  }
  // Where the picture lands in an area of that size: centred, scaled down to fit (rounded).
  static QRect PictureRect(QSize area, QSize picture, bool fullScreen = false, bool scale = true);

protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

private:
  TVideoWidget* video_;
  QImage picture_;
  bool fullScreen_ = false;
  bool scaleToFit_ = true;
};

// The program's own logo, drawn at start.
QImage DefaultLogo();
// A cover or logo file, decoded no larger than 4096 pixels a side; null when it cannot be read.
QImage LoadPicture(const std::string& path);

} // namespace zv
