#pragma once

#include "playback/engine/engine.h"
#include "subtitles/subtitle_model.h"

#include <memory>
#include <string>

namespace zv {

// Plays the numbered voice-over clips of a subtitle file ("0007.mp3" for the seventh text) in a
// graph of its own, beside the film's.
class TSubVoicePlayer : public IVoicePlayer {
public:
  // `folder` ends in a slash.
  TSubVoicePlayer(eng::IEngine& engine, std::string folder) : engine_(engine), folder_(std::move(folder)) {}
  ~TSubVoicePlayer() override;
  // A clip is played once when its text comes; a missing clip is skipped.
  void PlayIndex(int n) override;
  // The clip file of a text number.
  std::string ClipFile(int n) const;

private:
  eng::IEngine& engine_;
  std::string folder_;
  int last_ = 0;
  std::unique_ptr<eng::IGraph> graph_;
};

} // namespace zv
