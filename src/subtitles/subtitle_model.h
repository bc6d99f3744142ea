#pragma once

#include "subtitles/subtitle_stream.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zv {

class IPrefs;
class TBasicModelManager;
class TSInt32Model;

// Reads numbered sound files aloud in step with a subtitle stream's entries (the sound controls
// provide it).
class IVoicePlayer {
public:
  virtual ~IVoicePlayer() = default;
  // Plays folder + n as "%.4d" + ".mp3" once, when n differs from the last number given.
  virtual void PlayIndex(int n) = 0;
};

// What the subtitle model works with.
struct TSubtitleHost {
  TBasicModelManager* models = nullptr;
  IPrefs* prefs = nullptr;
  // A voice-over player for a folder (trailing slash); none while there are no sound controls.
  std::function<std::unique_ptr<IVoicePlayer>(const std::string& folder)> voicePlayer;
  // The open dialog for one file: title, filter ("Description|mask|..."), starting folder; empty
  // when cancelled.
  std::function<std::string(const std::string&, const std::string&, const std::string&)> chooseFile;
};

// "25,00" or "25.00": decimal preferences in either notation; none when the text is no number.
std::optional<double> DecimalPref(const std::string& text);

// The subtitle dialog's shift edit: the shift in tenths of a second shown as seconds with one
// decimal, "+" before all but negative values; and what a typed text sets it to, trunc(seconds ×
// 10), or none when the text is no number.
std::string ShiftEditText(int tenths);
std::optional<int> ShiftFromEditText(const std::string& text);

// One of the two subtitle streams: the loaded file, its models "App.Subs.Enabled<i>", "VPos<i>",
// "Shift<i>" (only while loaded) and "Title<i>" (always), and the subtitle time of a media position.
class TSubStreamModel {
public:
  TSubStreamModel(int index, int vpos, TSubtitleHost& host);
  ~TSubStreamModel();
  TSubStreamModel(const TSubStreamModel&) = delete;
  TSubStreamModel& operator=(const TSubStreamModel&) = delete;

  // Replaces what is loaded; raises EZvError when the file cannot be opened (then not loaded).
  void Load(const std::string& file);
  void Unload();
  bool IsLoaded() const { return !title_.empty(); }
  bool IsEnabled() const;
  // Subtitle time of a media position (100 ns): MicroDVD frame rate, offset and shift applied.
  int64_t MapTime(int64_t position) const;
  // The text due at the media position while loaded and shown; drives the voice-over.
  std::string GetText(int64_t position);

  TSubtitleStream& Stream() { return stream_; }
  const std::string& Title() const { return title_; }
  int VPos() const { return vpos_; }
  double FPS() const { return fps_; }
  void SetFPS(double fps) { fps_ = fps; }
  const std::string& VoiceDir() const { return voiceDir_; }

private:
  std::string Name(const char* part) const;
  int index_;
  TSubtitleHost& host_;
  TSubtitleStream stream_;
  std::string title_;
  double fps_ = 25.0;
  int vpos_;
  TSInt32Model* enabled_ = nullptr;
  TSInt32Model* position_ = nullptr;
  TSInt32Model* shift_ = nullptr;
  std::string voiceDir_;
  std::unique_ptr<IVoicePlayer> voice_;
};

// The two streams, shown at once (two languages), found automatically for a film that starts.
class TSubtitlesModel {
public:
  explicit TSubtitlesModel(TSubtitleHost host);
  // Writes Subtitles.Pos1 and Subtitles.Pos2 back.
  ~TSubtitlesModel();

  TSubStreamModel& Stream0() { return *streams_[0]; }
  TSubStreamModel& Stream1() { return *streams_[1]; }
  // The film's frame rate for both streams (25 when it is not a positive number).
  void SetFPS(double fps);
  void UnloadAll();
  bool NoneLoaded() const { return !streams_[0]->IsLoaded() && !streams_[1]->IsLoaded(); }
  bool HasFree() const { return !streams_[0]->IsLoaded() || !streams_[1]->IsLoaded(); }
  // Into stream 0 when it is free, else stream 1 when that is; otherwise nothing. Errors are logged.
  void LoadIntoFree(const std::string& file);
  // The file dialog; empty when cancelled.
  std::string ChooseFile();
  void Load0();
  void Load1();
  // The subtitle folder tree first (Subtitles.UseFolder), then the film's namesakes.
  void AutoSearch(const std::string& media);
  void ShowAll() { SetAllEnabled(1); }
  void HideAll() { SetAllEnabled(0); }
  // The dialog's load buttons work only while a file with video is open; their controls follow.
  void SetLoadEnabled(bool enabled);

private:
  void LoadChosen(TSubStreamModel& stream);
  void SetAllEnabled(int value);
  void SearchDir(const std::string& path, int depth);
  void TryNamesakes(const std::string& path);
  TSubtitleHost host_;
  std::unique_ptr<TSubStreamModel> streams_[2];
};

} // namespace zv
