#pragma once

#include "core/prefs_access.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zv {

class TfrMain;
class TPlayList;
class TDirectShowHelper;
class TModelManager;

// Performs numbered commands: it picks the operation of whoever owns the object the command is
// about (main window, playlist, player, engine control) and keeps the little state of its own.
// Commands whose subsystem has not arrived yet are known but do nothing.
class TCommandExecutor {
public:
  struct TTargets {
    IPrefs* prefs = nullptr;
    TfrMain* window = nullptr;
    TPlayList* playlist = nullptr;
    TDirectShowHelper* dsh = nullptr;
    TModelManager* models = nullptr;
    std::function<void(const std::string&)> osd;
    std::function<void()> exit;
    // Dialogs of the application logic: names chosen, or none when cancelled.
    std::function<std::vector<std::string>(const std::string& title, bool many)> chooseFiles;
    std::function<std::string(const std::string& start)> chooseFolder;
  };

  explicit TCommandExecutor(TTargets targets);

  // Returns whether the code has an action. While the playlist is adding files, commands that
  // would change or drop the list wait until the addition has ended.
  bool ExecCommand(int code);
  // Runs the commands that waited for the end of an addition.
  void RunHeldCommands();

  // The application logic's file operations.
  void OpenFiles();
  void AddFiles();
  void ChooseAndAddFolder();
  void OpenMedia(const std::string& path);

  // Marks for skipping a series' opening and ending (100 ns).
  int64_t OpeningMark() const { return openingMark_; }
  int64_t EndingMark() const { return endingMark_; }
  int64_t MarkedDuration() const { return markedDuration_; }
  void MarkOpeningEnding();

private:
  bool Execute(int code);

  TTargets t_;
  std::deque<int> held_;
  int64_t openingMark_ = 0;
  int64_t endingMark_ = 0;
  int64_t markedDuration_ = 0;
};

} // namespace zv
