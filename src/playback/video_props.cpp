#include "playback/video_props.h"

#include "commands/model.h"
#include "commands/model_manager.h"
#include "core/text_util.h"

#include <algorithm>

namespace zv {

namespace {
constexpr const char* kZoomX = "App.VideoProps.ZoomX";
constexpr const char* kZoomY = "App.VideoProps.ZoomY";
constexpr const char* kGeometry = "App.VideoProps.Geometry";
} // namespace

TVideoPropsModel::TVideoPropsModel(TBasicModelManager& models, std::function<bool(int&, int&)> displaySize,
                                   std::function<void()> showDecoder)
    : models_(models), displaySize_(std::move(displaySize)) {
  models_.Register("App.VideoProps.Decoder", std::make_unique<TCommandModel>(std::move(showDecoder)));
  models_.Register(kZoomX, std::make_unique<TSInt32Model>(100, [this] { ZoomModelChanged(true); }));
  models_.Register(kZoomY, std::make_unique<TSInt32Model>(100, [this] { ZoomModelChanged(false); }));
  models_.Register("App.VideoProps.ZoomReset", std::make_unique<TCommandModel>([this] {
                     models_.SetInt(kZoomX, 100);
                     models_.SetInt(kZoomY, 100);
                   }));
  models_.Register(kGeometry, std::make_unique<TModel>());
}

TVideoPropsModel::~TVideoPropsModel() {
  for (const char* name : {kGeometry, "App.VideoProps.ZoomReset", kZoomY, kZoomX, "App.VideoProps.Decoder"})
    models_.Unregister(name);
}

void TVideoPropsModel::AdjustZoom(int dx, int dy) {
  // Steps are added in 64 bits: a skin slider may set anything.
  zoomX_ = static_cast<int>(std::clamp<int64_t>(int64_t{zoomX_} + dx, 50, 300));
  zoomY_ = static_cast<int>(std::clamp<int64_t>(int64_t{zoomY_} + dy, 50, 300));
  models_.SetInt(kZoomX, zoomX_);
  // The first setting may have moved zoom y along.
  models_.SetInt(kZoomY, zoomY_);
}

void TVideoPropsModel::SetZoom(int x, int y) {
  AdjustZoom(-1000, -1000);
  AdjustZoom(x - 50, y - 50);
}

void TVideoPropsModel::ZoomModelChanged(bool x) {
  if (inZoomHandler_)
    return;
  inZoomHandler_ = true;
  const int value = models_.GetInt(x ? kZoomX : kZoomY);
  (x ? zoomX_ : zoomY_) = value;
  if (!IsFreeAspect()) {
    (x ? zoomY_ : zoomX_) = value;
    models_.SetInt(x ? kZoomY : kZoomX, value);
  }
  ZoomChanged();
  inZoomHandler_ = false;
}

void TVideoPropsModel::ZoomChanged() {
  AdjustZoom(0, 0);
  GeometryChanged();
}

void TVideoPropsModel::SetAspectRatio(int x, int y) {
  aspectX_ = x;
  aspectY_ = y;
  GeometryChanged();
}

void TVideoPropsModel::MoveOffset(int dx, int dy) {
  panX_ += dx;
  panY_ += dy;
  GeometryChanged();
}

void TVideoPropsModel::GeometryChanged() {
  models_.Unregister(kGeometry);
  models_.Register(kGeometry, std::make_unique<TModel>());
}

TVideoBounds TVideoPropsModel::VideoBounds(int W, int H) const {
  int vw = 0, vh = 0;
  if (W <= 0 || H <= 0 || !displaySize_ || !displaySize_(vw, vh) || vw <= 0 || vh <= 0)
    return {};
  double zx = zoomX_ / 100.0;
  const double zy = zoomY_ / 100.0;
  if (aspectX_ >= 0 && aspectY_ >= 0)
    zx = zy;
  if (aspectX_ > 0 && aspectY_ > 0)
    vh = static_cast<int>(RoundHalfEven(static_cast<double>(int64_t{vw} * aspectY_) / aspectX_));
  if (vh <= 0)
    return {};
  const double m = static_cast<double>(vw) / W, o = static_cast<double>(vh) / H;
  const bool byHeight = aspectX_ == 0 && aspectY_ == 1, byWidth = aspectX_ == 1 && aspectY_ == 0;
  int width, height, left, top;
  if ((m >= o && !byHeight) || byWidth) {
    width = W;
    height = static_cast<int>(RoundHalfEven(vh / m));
    left = 0;
    top = (H - height) / 2;
  } else {
    width = static_cast<int>(RoundHalfEven(vw / o));
    height = H;
    top = 0;
    left = (W - width) / 2;
  }
  const int zw = static_cast<int>(RoundHalfEven(width * zx)), zh = static_cast<int>(RoundHalfEven(height * zy));
  left += panX_ - (zw - width) / 2;
  top += panY_ - (zh - height) / 2;
  return {left, top, left + zw, top + zh};
}

} // namespace zv
