#pragma once

#include <cstdint>
#include <functional>

namespace zv {

class TBasicModelManager;

// A rectangle in the movie panel's coordinates; right and bottom exclusive.
struct TVideoBounds {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const TVideoBounds&, const TVideoBounds&) = default;
};

// The picture geometry of the open file: zoom of each axis, aspect ratio and pan, and from them
// where the picture goes in the movie panel. Registers "App.VideoProps.Decoder", "ZoomX", "ZoomY",
// "ZoomReset" and "Geometry" (renewed on every change, so its subscribers hear of each).
class TVideoPropsModel {
public:
  // `displaySize`: the picture's size with its pixel shape applied (false without a picture);
  // `showDecoder`: opens the video decoder's settings.
  TVideoPropsModel(TBasicModelManager& models, std::function<bool(int& width, int& height)> displaySize,
                   std::function<void()> showDecoder = nullptr);
  ~TVideoPropsModel();
  TVideoPropsModel(const TVideoPropsModel&) = delete;
  TVideoPropsModel& operator=(const TVideoPropsModel&) = delete;

  // Each axis moved by its step within 50 … 300 %; the axes move together unless the aspect is
  // free.
  void AdjustZoom(int dx, int dy);
  void SetZoom(int x, int y);
  int ZoomX() const { return zoomX_; }
  int ZoomY() const { return zoomY_; }
  // (0, 0) as is, (x, y) a fixed ratio, (1, 0) by width, (0, 1) by height, (-1, -1) free.
  void SetAspectRatio(int x, int y);
  void AspectRatio(int& x, int& y) const {
    x = aspectX_;
    y = aspectY_;
  }
  bool IsFreeAspect() const { return aspectX_ == -1; }
  // The picture dragged by pixels.
  void MoveOffset(int dx, int dy);
  int PanX() const { return panX_; }
  int PanY() const { return panY_; }
  void GeometryChanged();
  // Where the picture goes in a panel of that size; empty without a picture or panel.
  TVideoBounds VideoBounds(int panelWidth, int panelHeight) const;

private:
  void ZoomModelChanged(bool x);
  void ZoomChanged();

  TBasicModelManager& models_;
  std::function<bool(int&, int&)> displaySize_;
  int panX_ = 0, panY_ = 0;
  int zoomX_ = 100, zoomY_ = 100;
  int aspectX_ = 0, aspectY_ = 0;
  bool inZoomHandler_ = false;
};

} // namespace zv
