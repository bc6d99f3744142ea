#pragma once

#include "core/prefs_access.h"
#include "core/ui_dispatcher.h"
#include "filters/cached_file.h"
#include "mediainfo/media_info.h"
#include "playback/direct_show_helper.h"
#include "playback/graph_builder.h"
#include "playlist/playlist.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv {

class TMediaCache;
class TMediaSettings;

// What the player asks of the main window while it opens and closes a file.
class IPlayerWindow {
public:
  virtual ~IPlayerWindow() = default;
  // The caption text that shows the progress marks; it repaints at once.
  virtual std::string CaptionText() const = 0;
  virtual void SetCaptionText(const std::string& text) = 0;
  // The cover picture of a media file in the movie panel; "/empty/" for none.
  virtual void ShowCover(const std::string& mediaFile) = 0;
  virtual void HideCover() = 0;
  // Where the pictures go.
  virtual eng::IVideoOutput* MoviePanel() = 0;
  virtual void SetSeekRange(int64_t duration) = 0;
  virtual bool ControlPanelVisible() const = 0;
  virtual void TogglePanels() = 0;
  virtual bool FullScreen() const = 0;
  virtual void ResizeToVideo() = 0;
  virtual void CenterWindow() = 0;
  virtual void MapVideoWindow() = 0;
  // The pause routine of the transport display (the graph pauses).
  virtual void ShowPaused() = 0;
  virtual void EnableControls(bool open) = 0;
  virtual void EnableTimer() = 0;
  virtual void ApplyVolume() = 0;
  // Application title, window title, caption text and tray tip for the playing title.
  virtual void SetPlayingTitle(const std::string& title) = 0;
  virtual void ShowFileInfo() = 0;
  virtual bool Minimised() const = 0;
  virtual void ForceForeground() = 0;
  virtual void ApplyFonts() = 0;
  virtual void ExecCommand(int code) = 0;
};

// The pieces of other subsystems the player drives. This base does nothing: each subsystem
// overrides its part when it arrives (AVI index, subtitles, colour controls, video and audio
// property models, sound output switching, equalizer).
class IPlayerServices {
public:
  virtual ~IPlayerServices() = default;
  // The key frames of an AVI film's video streams in 100 ns, from the indexes of its parts (one
  // part, or the parts played joined), each part's after the running time of those before it.
  virtual std::vector<int64_t> LoadKeyFrames(const std::vector<std::string>& parts);
  virtual void UnloadSubtitles() {}
  virtual void SetSubtitleFrameRate(double) {}
  virtual void SearchSubtitles(const std::string&) {}
  // Brightness, contrast and saturation (0..100, 50 neutral); false without a colour control.
  virtual bool GetBCS(int&, int&, int&) { return false; }
  virtual void SetBCS(int, int, int) {}
  // The video properties: zoom in percent and aspect ratio; false without them.
  virtual bool HasVideoProps() { return false; }
  virtual void GetZoom(int& x, int& y) { x = y = 100; }
  virtual void SetZoom(int, int) {}
  virtual void GetAspect(int& x, int& y) { x = y = 0; }
  virtual void ShowAspect(int, int) {}
  virtual void CreateVideoModel() {}
  virtual void CreateAudioModel() {}
  virtual void FreeModels() {}
  virtual void SwitchSoundOutput(const std::string&) {}
  // Three parametric equalizer stages and their model; false when the graph has no sound renderer.
  virtual bool InsertEqualizer() { return false; }
};

struct TPlayerHost {
  IPrefs* prefs = nullptr;
  // Where the opening goes on after its checks; none: everything happens inside PlayFile.
  IUiDispatcher* dispatcher = nullptr;
  // Whether a file opens and its head can be read, called on a worker; none: the real check.
  std::function<bool(const std::string&)> checkFile;
  TMediaCache* cache = nullptr;
  TMediaSettings* settings = nullptr;
  IPlayerWindow* window = nullptr;
  IPlayerServices* services = nullptr; // none: nothing of the other subsystems
  std::function<void(const std::string&)> alert;
  std::function<void(const std::string&)> osd;
  // The missing-decoder dialog with the codec request text.
  std::function<void(const std::string& request, const std::string& fileName)> codecDialog;
  std::function<std::string()> playlistTitle;
  std::function<bool()> windowWasActive;
  // The opening mark: position and the duration of the file it was set on (100 ns).
  std::function<std::pair<int64_t, int64_t>()> openingMark;
  // Set when a preference change reopens a file that was stopped.
  std::function<bool()> reopenStopped;
  std::string exeDir;  // trailing "/"
  std::string tempDir; // trailing "/"
  IFileFormat* format = nullptr;
  // The detector and playlist the media information of the opened file consults.
  TMediaInfoContext mediaInfo;
};

// The file that plays now, published for the rest of the program.
struct TCurrentMedia {
  std::string path;
  std::string hash;
};
TCurrentMedia& CurrentMedia();

// Carries one media file from the request to play it to a running graph, and back to nothing.
// The playlist owns one at a time. User-interface thread only.
class TPlayer : public IPlaylistPlayer {
public:
  TPlayer(TDirectShowHelper& dsh, TPlayerHost host);
  ~TPlayer() override;
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  // Opens the file and starts it, or says why it cannot. A file is first read on a worker and a
  // stream's server is reached in the background: the opening then goes on later, on the
  // user-interface thread, while Pending() says so, and ends in `onOpenEnded`.
  void PlayFile(const std::string& name) override;
  bool Opened() const override { return !fileName_.empty(); }
  bool Pending() const override { return state_ == TOpening::Pending; }
  // An opening that went on later has ended: whether the file is open.
  std::function<void(bool)> onOpenEnded;
  int64_t GetPosition() override;
  int64_t GetDuration();
  void Rewind();
  void SeekTo(int64_t position) override;
  void Close();
  // The engine control's completion: pauses, rewinds when asked to, tells the owner.
  void OnComplete();
  // The owner's completion target.
  std::function<void()> onCompleted;

  const std::string& FileName() const { return fileName_; }
  const std::string& MediaHash() const { return hash_; }
  TAdvancedGraphBuilder* Builder() const { return builder_.get(); }
  // A stream's information is read again each time, since its title changes while it plays.
  TMediaInfo* MediaInfo() override;
  std::vector<std::string> PlayedParts() const override { return parts_; }
  std::string OpenedFile() const override { return Opened() ? fileName_ : std::string(); }
  bool SeekToLastPosition() override;
  // Whether the codec summary of the open file names DivX.
  static bool DivXFlag();

  // "film2.avi" after "film1.avi" when it exists; empty otherwise.
  static std::string GetNextFilePart(const std::string& name);
  // The key-frame times (100 ns) of the video streams of an AVI file, read from its index, plus
  // `offset`; none for other files and for AVI files cut short. `duration` receives the running
  // time of the file from its main header (0 when it has none).
  static std::vector<int64_t> LoadKeyFrames(TCachedFile& file, int64_t offset = 0, int64_t* duration = nullptr);
  static void LogKeyFrames(const std::vector<int64_t>& keys);
  void StoreMediaCache(const std::string& name);
  void SaveMediaSettings();
  void ApplyMediaSettings();
  // Where the automatic opening skip goes for a file of `duration`, or -1 for nowhere.
  static int64_t OpeningSkipTarget(int64_t duration, int64_t markPosition, int64_t markDuration,
                                   const std::vector<int64_t>* keyFrames);

private:
  enum class TOpening { Idle, Pending, Opened, Failed };
  void Mark(const std::string& mark);
  void Fail(const std::string& message);
  // The stages of an opening: the checks, building the graph, and everything after it.
  TOpening Start(const std::string& name);
  void FileChecked(bool readable);
  TOpening NotFound(const std::string& name);
  TOpening Open(const std::string& name);
  TOpening Finish(bool rendered);
  // Runs a stage; an engine failure inside it ends the opening.
  TOpening Guarded(const std::function<TOpening()>& stage);
  void Settle(TOpening result);
  // The media information of the file, kept while it is open.
  void ReadMediaInfo(const std::string& name);

  TDirectShowHelper& dsh_;
  TPlayerHost host_;
  IPlayerServices nothing_;
  std::unique_ptr<TAdvancedGraphBuilder> builder_;
  std::string hash_;
  std::vector<std::string> parts_; // a joined film's parts, the opened file first
  std::string fileName_;
  std::unique_ptr<TCachedFile> infoFile_;
  std::unique_ptr<TMediaInfo> mediaInfo_;
  std::string opening_; // the name PlayFile was given
  TOpening state_ = TOpening::Idle;
  bool async_ = false;       // the opening went on after PlayFile had returned
  int64_t pendingSeek_ = -1; // a seek asked for while the opening went on
  // Where a worker that read the file posts its answer, and to whom; emptied when the player goes.
  struct TMailbox {
    std::mutex lock;
    IUiDispatcher* dispatcher = nullptr;
    TPlayer* player = nullptr; // read and cleared on the interface thread only
  };
  std::shared_ptr<TMailbox> mailbox_;
};

} // namespace zv
