#pragma once

#include "playback/audio_props.h"
#include "playback/player.h"
#include "playback/video_props.h"
#include "subtitles/subtitle_model.h"

#include <functional>
#include <memory>

namespace zv {

class TBasicModelManager;
class TDirectShowHelper;
class TfrMain;

struct TPlayerServicesHost {
  // Asked each time (the model may come and go with the core's modules).
  std::function<TSubtitlesModel*()> subtitles;
  TDirectShowHelper* dsh = nullptr;
  TBasicModelManager* models = nullptr;
  TfrMain* window = nullptr;
  IPrefs* prefs = nullptr;
  IUiDispatcher* dispatcher = nullptr;
  std::function<void(const std::string&)> osd;
};

// The subsystems a player works with: the subtitles, the colour controls, the picture geometry,
// the sound controls with the equalizer, and the sound output.
class TPlayerServices : public IPlayerServices {
public:
  explicit TPlayerServices(TPlayerServicesHost host) : host_(std::move(host)) {}
  ~TPlayerServices() override { FreeModels(); }

  void UnloadSubtitles() override;
  void SetSubtitleFrameRate(double fps) override;
  void SearchSubtitles(const std::string& file) override;
  bool GetBCS(int& b, int& c, int& s) override;
  void SetBCS(int b, int c, int s) override;
  bool HasVideoProps() override { return props_ != nullptr; }
  void GetZoom(int& x, int& y) override;
  void SetZoom(int x, int y) override;
  void GetAspect(int& x, int& y) override;
  void ShowAspect(int x, int y) override;
  // The picture geometry of a film, handed to the main window; none for sound alone.
  void CreateVideoModel() override;
  // The sound controls of the renderers the graph has now (again after a sound was added).
  void CreateAudioModel() override;
  void FreeModels() override;
  void SwitchSoundOutput(const std::string& device) override;
  bool InsertEqualizer() override;
  TVideoPropsModel* VideoProps() const { return props_.get(); }
  TAudioPropsModel* AudioProps() const { return audio_.get(); }

private:
  TSubtitlesModel* Subtitles() const { return host_.subtitles ? host_.subtitles() : nullptr; }
  TPlayerServicesHost host_;
  void FreeAudioModel();
  void WatchDevice(bool on);
  std::unique_ptr<TVideoPropsModel> props_;
  std::unique_ptr<TAudioPropsModel> audio_;
  std::unique_ptr<TEqModel> eq_;
  bool watching_ = false;
  std::shared_ptr<TPlayerServices*> self_ = std::make_shared<TPlayerServices*>(this);
};

} // namespace zv
