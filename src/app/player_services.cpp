#include "app/player_services.h"

#include "core/session_log.h"
#include "playback/direct_show_helper.h"
#include "playback/sound_out.h"
#include "skin/language_manager.h"
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
  FreeAudioModel();
  eq_.reset(); // the band values are stored as it goes
  WatchDevice(false);
  if (!props_)
    return;
  if (host_.window)
    host_.window->SetVideoProps(nullptr);
  props_.reset();
}

void TPlayerServices::FreeAudioModel() {
  if (host_.window)
    host_.window->SetAudioProps(nullptr);
  audio_.reset();
}

void TPlayerServices::CreateAudioModel() {
  FreeAudioModel();
  if (!host_.dsh || !host_.models)
    return;
  TAudioPropsHost h;
  h.models = host_.models;
  h.dsh = host_.dsh;
  h.prefs = host_.prefs;
  TfrMain* window = host_.window;
  h.mainVolume = [window] { return window ? window->VolumePosition() : 100; };
  h.osd = host_.osd;
  TDirectShowHelper* dsh = host_.dsh;
  h.showDecoder = [dsh](int n) {
    if (eng::IFilter* decoder = dsh->FindAudioDecoder(n))
      dsh->ShowFilterProperties(decoder);
  };
  audio_ = std::make_unique<TAudioPropsModel>(std::move(h));
  if (window)
    window->SetAudioProps(audio_.get());
}

bool TPlayerServices::InsertEqualizer() {
  if (!host_.dsh || !host_.models || !host_.dsh->FindAudioRenderer(0))
    return false;
  host_.dsh->InsertParamEq(3);
  eq_ = std::make_unique<TEqModel>(*host_.models, *host_.dsh, host_.prefs, host_.osd);
  return true;
}

void TPlayerServices::SwitchSoundOutput(const std::string& device) {
  if (!host_.dsh)
    return;
  TSoundOut(*host_.dsh, host_.prefs).SwitchOutput();
  WatchDevice(true);
}

void TPlayerServices::WatchDevice(bool on) {
  if (!host_.dsh || on == watching_)
    return;
  watching_ = on;
  if (!on) {
    host_.dsh->Engine().WatchAudioDevices(nullptr);
    return;
  }
  // The chosen device going away mid-film: the sound moves to the default output and the user is
  // told. The news comes on a thread of the device monitor.
  IUiDispatcher* dispatcher = host_.dispatcher;
  std::weak_ptr<TPlayerServices*> self = self_;
  host_.dsh->Engine().WatchAudioDevices([dispatcher, self](const std::string& name) {
    if (!dispatcher)
      return;
    dispatcher->Post([self, name] {
      std::shared_ptr<TPlayerServices*> s = self.lock();
      if (!s || !(*s)->host_.dsh || !(*s)->host_.dsh->Graph())
        return;
      TPlayerServices& p = **s;
      if (!SameText(Pref(p.host_.prefs, "Sound.OutDevice", kDefaultSoundDevice), name))
        return;
      Log("SoundOut: the device \"" + name + "\" went away");
      TSoundOut(*p.host_.dsh, p.host_.prefs).FallBackToDefault();
      p.CreateAudioModel();
      if (p.host_.window)
        p.host_.window->ApplyVolume();
      if (p.host_.osd)
        p.host_.osd(Lang("OSD.SoundDeviceLost"));
    });
  });
}

} // namespace zv
