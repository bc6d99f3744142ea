#include "playback/sub_voice_player.h"

#include "core/format.h"
#include "core/session_log.h"

#include <filesystem>

namespace zv {

TSubVoicePlayer::~TSubVoicePlayer() {
  if (graph_)
    graph_->Stop();
}

std::string TSubVoicePlayer::ClipFile(int n) const { return folder_ + Format("%.4d", n) + ".mp3"; }

void TSubVoicePlayer::PlayIndex(int n) {
  if (n == last_)
    return;
  last_ = n;
  const std::string file = ClipFile(n);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    return;
  // The clip before it ends where it is; each clip gets a fresh graph.
  if (graph_)
    graph_->Stop();
  graph_.reset();
  graph_ = engine_.CreateGraph();
  if (!graph_) {
    Log("!E:80004005 (CoCreateInstance(FilterGraph))");
    return;
  }
  Log("TSubVoicePlayer.Render(" + file + ")");
  graph_->RenderFile(file);
  graph_->Run();
}

} // namespace zv
