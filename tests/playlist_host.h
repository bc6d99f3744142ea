#pragma once

// A playlist host that asks for nothing (no players, every extension audio), and the "PlayList"
// model the windows follow, as the core publishes it.

#include "commands/model_manager.h"
#include "playlist/playlist.h"

#include <memory>

namespace zvtest {

struct QuietPlaylistHost : zv::IPlaylistHost {
  std::unique_ptr<zv::IPlaylistPlayer> CreatePlayer(zv::TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()> work) override { work(); }
  std::string FileType(const std::string&) override { return "A"; }
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
