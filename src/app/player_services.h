#pragma once

#include "playback/player.h"
#include "subtitles/subtitle_model.h"

#include <functional>

namespace zv {

// The subsystems a player works with, as far as they exist: the subtitles now; the picture and
// sound controls keep the defaults until they are built.
class TPlayerServices : public IPlayerServices {
public:
  // `subtitles` is asked each time (the model may come and go with the core's modules).
  explicit TPlayerServices(std::function<TSubtitlesModel*()> subtitles) : subtitles_(std::move(subtitles)) {}
  void UnloadSubtitles() override {
    if (TSubtitlesModel* s = subtitles_())
      s->UnloadAll();
  }
  void SetSubtitleFrameRate(double fps) override {
    if (TSubtitlesModel* s = subtitles_())
      s->SetFPS(fps);
  }
  void SearchSubtitles(const std::string& file) override {
    if (TSubtitlesModel* s = subtitles_())
      s->AutoSearch(file);
  }

private:
  std::function<TSubtitlesModel*()> subtitles_;
};

} // namespace zv
