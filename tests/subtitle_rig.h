#pragma once

#include "commands/model_manager.h"
#include "subtitles/subtitle_model.h"
#include "test_util.h"

#include <memory>
#include <string>

namespace zvtest {

// The two subtitle streams with their models over the test's preferences, and a folder for the
// subtitle files a test writes.
struct SubtitleRig {
  TempDir dir;
  zv::TModelManager models;
  std::unique_ptr<zv::TSubtitlesModel> subs;

  explicit SubtitleRig(zv::IPrefs* prefs) {
    zv::TSubtitleHost host;
    host.models = &models;
    host.prefs = prefs;
    subs = std::make_unique<zv::TSubtitlesModel>(std::move(host));
  }
  // The file written, its full name.
  std::string File(const std::string& name, const std::string& bytes) {
    WriteFile(dir.file(name), bytes);
    return dir.file(name);
  }
};

} // namespace zvtest
