#pragma once

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
};

// The subsystems a player works with, as far as they exist: the subtitles, the colour controls
// and the picture geometry; the sound controls keep the defaults until they are built.
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
  void FreeModels() override;
  TVideoPropsModel* VideoProps() const { return props_.get(); }

private:
  TSubtitlesModel* Subtitles() const { return host_.subtitles ? host_.subtitles() : nullptr; }
  TPlayerServicesHost host_;
  std::unique_ptr<TVideoPropsModel> props_;
};

} // namespace zv
