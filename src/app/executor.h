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
class IMediaDetector;
class TSubtitlesModel;

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
    // A save dialog: filter as "Description|mask|Description|mask"; `filterIndex` (from 1) is
    // the entry selected first and, on return, the one chosen. Empty when cancelled.
    std::function<std::string(const std::string& title, const std::string& filter, const std::string& folder,
                              const std::string& name, int& filterIndex)>
        chooseSaveFile;
    // Shows or hides the separate playlist window; makes it follow shuffle, mute and volume.
    std::function<void()> togglePlaylist;
    std::function<void()> playlistWindowFollow;
    // Opens the jump-to-file window.
    std::function<void()> showJumpToFile;
    // The subtitle settings dialog (command 352), brought to the front when it is open.
    std::function<void()> showSubtitleDialog;
    // The video settings (command 300), made once and brought to the front.
    std::function<void()> showVideoProps;
    // The sound settings (command 400), likewise; the sound controls made again for the graph's
    // renderers after a sound file joined it.
    std::function<void()> showAudioProps;
    std::function<void()> renewAudioModel;
    // Shows an information report in its window.
    std::function<void(const std::string& report)> showInfo;
    // Opens a written document with the desktop's application for it.
    std::function<void(const std::string& path)> openDocument;
    // The desktop's file manager showing a file; the file moved to the desktop's trash.
    std::function<bool(const std::string& path)> showInFileManager;
    std::function<bool(const std::string& path)> moveToTrash;
    // An open dialog for one file: title, filter as "Description|mask|...", starting folder.
    std::function<std::string(const std::string& title, const std::string& filter, const std::string& folder)>
        chooseFile;
    // "*.mp3;*.ogg;..." for the additional sound file's dialog.
    std::string audioExtensions;
    std::function<void(const std::string& text)> alert;
    std::function<void()> showAbout;
    // The two subtitle streams (commands 350 to 356).
    TSubtitlesModel* subtitles = nullptr;
    // The mount points of the drive menu's volumes, in the order of its items.
    std::function<std::vector<std::string>()> volumes;
    // Looks for a DVD without holding up the window (a drive may take seconds to answer) and
    // hands its VIDEO_TS.IFO, or nothing, to `found` on the user-interface thread.
    std::function<void(std::function<void(const std::string& ifo)> found)> findDvd;
    // The picture of the playing graph (command 104).
    std::function<void()> showFilters;
    // The preferences dialog (command 450), modal; a second call while it is open brings it to
    // the front and reports nothing. `confirmRestart` asks whether the program ends now.
    struct TPrefsOutcome {
      bool reopen = false, restart = false;
    };
    std::function<TPrefsOutcome()> showPreferences;
    std::function<bool()> confirmRestart;
    std::string helpFolder;   // the help pages, with a trailing slash
    std::string reportFolder; // the report templates, trailing "/"
    std::string version;      // "%ZVVersion%"
    IMediaDetector* detector = nullptr;
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
  // Command 500: the first disc holding a DVD plays; command 502: a DVD folder chosen plays.
  void PlayDVDDisk();
  void OpenDVDFolder();
  // Saves the playlist in the format of the chosen name's extension (ZVP, M3U or PLS).
  void SavePlaylist();
  // Writes the playlist report from the chosen template and opens it.
  void WriteReport();
  // The file commands 266 and 267 act on: the grid's selected entry while the playlist panel is
  // shown, else the current entry. Empty when there is none.
  std::string ChosenFile() const;
  int ChosenEntry() const;
  // Moves the chosen entry's file to the trash and drops the entry; the player lets it go first.
  void DeleteFromDisk();
  // Adds the media files at the top of the volume at `index` of the drive menu's list; plays
  // them when the playlist was empty.
  void ScanDrive(int index);
  // Subtitle commands: stream 0 up or down by a percent, earlier or later by a second.
  void MoveSubtitles(int step);
  void ShiftSubtitles(int step);
  void ToggleSubtitles();
  // Command 450; afterwards the current file opened again or the program ended as the dialog
  // asks.
  void Preferences();
  // The playlist's player let go and the current entry played again, at its position and paused
  // when it was.
  void ReopenCurrent();
  // The help page in the language of the user interface, else the English one.
  void Help();
  // A sound file played along with the open file (command 404).
  void AdditionalSound();
  // The information report of the player's file; without a player, that of the selected entry.
  void ShowPlayerFileInfo();
  // The information report of the first selected entry (the current one when none is selected).
  void ShowSelectedFileInfo();
  // The name proposed for a saved playlist: the artist part of the entry's title, or its folder.
  std::string DefaultPlaylistName(int entry);

  // Marks for skipping a series' opening and ending (100 ns).
  int64_t OpeningMark() const { return openingMark_; }
  int64_t EndingMark() const { return endingMark_; }
  int64_t MarkedDuration() const { return markedDuration_; }
  void MarkOpeningEnding();

private:
  int hidingState_ = 0; // 0 normal, 1 hidden by command 208, 2 shown again
  bool Execute(int code);

  TTargets t_;
  std::deque<int> held_;
  int64_t openingMark_ = 0;
  int64_t endingMark_ = 0;
  int64_t markedDuration_ = 0;
  int shiftSteps_ = 0; // the subtitle shift in whole seconds, kept until the program ends
};

} // namespace zv
