#include "app/player_services.h"

#include "playback/direct_show_helper.h"
#include "ui/main_window.h"
#include "ui/video_panel.h"

namespace zv {

void TPlayerServices::UnloadSubtitles() {
  if (TSubtitlesModel* s = Subtitles())
    s->UnloadAll();
}

void TPlayerServices::SetSubtitleFrameRate(double fps) {
  if (TSubtitlesModel* s = Subtitles())
    s->SetFPS(fps);
}

void TPlayerServices::SearchSubtitles(const std::string& file) {
  if (TSubtitlesModel* s = Subtitles())
    s->AutoSearch(file);
}

bool TPlayerServices::GetBCS(int& b, int& c, int& s) {
  // Asked quietly: without a colour control there is nothing to store or restore.
  if (!host_.dsh || host_.dsh->ColourControlKind().empty())
    return false;
  const TDirectShowHelper::TBCS v = host_.dsh->GetBCS();
  b = v.brightness;
  c = v.contrast;
  s = v.saturation;
  return true;
}

void TPlayerServices::SetBCS(int b, int c, int s) {
  if (host_.dsh)
    host_.dsh->SetBCS(b, c, s);
}

void TPlayerServices::GetZoom(int& x, int& y) {
  x = props_ ? props_->ZoomX() : 100;
  y = props_ ? props_->ZoomY() : 100;
}

void TPlayerServices::SetZoom(int x, int y) {
  if (props_)
    props_->SetZoom(x, y);
}

void TPlayerServices::GetAspect(int& x, int& y) {
  x = y = 0;
  if (props_)
    props_->AspectRatio(x, y);
}

void TPlayerServices::ShowAspect(int x, int y) {
  if (host_.window)
    host_.window->ShowAspect(x, y);
}

void TPlayerServices::CreateVideoModel() {
  FreeModels();
  if (!host_.dsh || !host_.dsh->HasVideo() || !host_.models)
    return;
  TDirectShowHelper* dsh = host_.dsh;
  TfrMain* window = host_.window;
  // The picture's display size from the pictures shown, or the stream's until the first one.
  auto displaySize = [dsh, window](int& w, int& h) {
    const QSize shown = window ? window->Panel()->Video()->DisplaySize() : QSize();
    w = shown.isEmpty() ? dsh->VideoWidth() : shown.width();
    h = shown.isEmpty() ? dsh->VideoHeight() : shown.height();
    return w > 0 && h > 0;
  };
  props_ = std::make_unique<TVideoPropsModel>(*host_.models, displaySize,
                                              [dsh] { dsh->ShowFilterProperties(dsh->FindVideoDecoder()); });
  if (window)
    window->SetVideoProps(props_.get());
}

void TPlayerServices::FreeModels() {
  if (!props_)
    return;
  if (host_.window)
    host_.window->SetVideoProps(nullptr);
  props_.reset();
}

} // namespace zv
