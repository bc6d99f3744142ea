#pragma once

// A playlist host that asks for nothing (no players, every extension audio), and the "PlayList"
// model the windows follow, as the core publishes it.

#include "commands/model_manager.h"
#include "playlist/playlist.h"

#include <memory>
#include <string>
#include <vector>

namespace zvtest {

struct QuietPlaylistHost : zv::IPlaylistHost {
  std::unique_ptr<zv::IPlaylistPlayer> CreatePlayer(zv::TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()> work) override { work(); }
  std::string FileType(const std::string&) override { return "A"; }
};

// Players record what they are asked to play.
struct RecordingPlaylistHost : QuietPlaylistHost {
  std::vector<std::string> played;
  struct Player : zv::IPlaylistPlayer {
    RecordingPlaylistHost& host;
    explicit Player(RecordingPlaylistHost& h) : host(h) {}
    void PlayFile(const std::string& name) override { host.played.push_back(name); }
    int64_t GetPosition() override { return 0; }
    void SeekTo(int64_t) override {}
  };
  std::unique_ptr<zv::IPlaylistPlayer> CreatePlayer(zv::TPlayList&) override { return std::make_unique<Player>(*this); }
};

// Registers the list as the model "PlayList" and has every change of the list notify it. The
// caller clears `list.onChange` before the models go.
inline void PublishPlaylist(zv::TModelManager& models, zv::TPlayList& list) {
  models.Register("PlayList", std::make_unique<zv::TObjectModel>(&list));
  list.onChange = [&models] {
    if (zv::TModel* m = models.GetModel("PlayList"))
      m->Notify();
  };
}

} // namespace zvtest
