#pragma once

#include "core/prefs_access.h"
#include "core/ui_dispatcher.h"
#include "filters/video_process.h"
#include "mediainfo/media_info.h"
#include "playback/engine/engine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv {

// What the engine control needs from the rest of the program.
struct TEngineHost {
  IPrefs* prefs = nullptr;
  IUiDispatcher* dispatcher = nullptr;
  std::function<void(const std::string&)> showOSD; // transient on-screen text
  std::function<std::string()> exeDir;             // program folder, trailing "/"
  std::function<std::string()> userDir;            // user data folder, trailing "/"
  // The main window's caption text, and the playlist's title of the current entry.
  std::function<void(const std::string&)> setCaption;
  std::function<std::string()> playlistTitle;
  std::function<void(const std::string&)> alert;
  // Opens the settings dialog of a filter of the current graph, reached through the finder (none
  // once the graph is gone).
  std::function<void(std::function<eng::IFilter*()> find)> showProperties;
  // Tells that a disc cannot play because components are missing (one line each, with the
  // package that brings it); shown before the failure raises.
  std::function<void(const std::vector<std::string>& missing)> dvdCodecDialog;
  // The name of a language ("German" for "de").
  std::function<std::string(const std::string& code)> languageName;
};

// The description of a filter class the filter graph dialog shows: friendly name, merit,
// implementing file and its maker ("?" for what the engine does not know).
class TFilterCommander : public eng::TFilterDescription {
public:
  TFilterCommander(eng::IEngine& engine, const eng::TGuid& classId)
      : TFilterDescription(engine.DescribeFilter(classId)) {}
};

// The one object through which the program drives the engine: it creates and frees the graph of
// the current file, renders files into it, runs, pauses, stops and seeks it, reports position and
// duration, brings engine events to the user-interface thread and turns result codes into errors.
class TDirectShowHelper {
public:
  TDirectShowHelper(eng::IEngine& engine, TEngineHost host);
  ~TDirectShowHelper();
  TDirectShowHelper(const TDirectShowHelper&) = delete;
  TDirectShowHelper& operator=(const TDirectShowHelper&) = delete;

  // Creates the graph for the next file; raises EZvError naming the failed step.
  void CreateBuilder();
  // Adds the filters every new graph starts with (Modules.DirectShow.ForceFilters); the graph
  // builder adds them again after it had to empty the graph.
  void AddForcedFilters();
  void FreeGraph();
  eng::HRESULT RenderFile(const std::string& name);

  // Transport; each raises EZvError on failure.
  void Run();
  void Pause();
  void Stop();
  void SetRate(double rate);
  void FrameStep(int frames);
  // Seeks, never raises: negative positions go to 0, positions past the end to the duration.
  void SeekTo(int64_t position);
  int64_t GetPosition();
  // The cached duration, asked from the engine while unknown. When the engine cannot tell, one
  // hour is shown but DurationIsFallback() says so, and it is not kept.
  int64_t GetDuration();
  bool DurationIsFallback() const { return durationFallback_; }

  void CheckForAV();
  void DetectVideoFPS();
  // The window that shows the pictures; none hides them.
  void SetOwner(eng::IVideoOutput* output);

  // Takes every waiting engine event; after a batch that held EC_COMPLETE, the completion
  // callback runs once.
  void OnGraphEvent();
  void SetCompletionCallback(std::function<void()> callback) { onComplete_ = std::move(callback); }
  // A RenderFile that answered E_PENDING (a network stream, whose server is reached without
  // holding up the user interface) ends here, on the user-interface thread, with its result.
  void SetRenderDoneCallback(std::function<void(eng::HRESULT)> callback) { onRenderDone_ = std::move(callback); }
  bool RenderPending() const { return renderPending_; }
  // Looks at every event before it is freed (DVD events).
  std::function<void(const eng::TEvent&)> eventHook;

  // Why a network stream could not be opened, in words ("connection refused", "HTTP 404").
  std::string StreamFailureText(eng::HRESULT code);

  // Raises EZvError with ErrorText(code) and the scope when the code is a failure.
  void CheckResult(eng::HRESULT code, const std::string& scope);
  std::string ErrorText(eng::HRESULT code);

  // Graph utilities.
  void DisconnectAll(eng::IFilter* filter);
  void RemoveAllFilters();
  eng::HRESULT ConnectFilters(eng::IFilter* upstream, eng::IFilter* downstream);
  static eng::IPin* FirstPin(eng::IFilter* filter, eng::TPinDirection direction);
  static eng::TGuid FilterClass(eng::IFilter* filter);
  static std::string FilterName(eng::IFilter* filter);
  eng::IFilter* FindFilterByClass(const eng::TGuid& cls);
  eng::IFilter* FindFilterByClassIndex(const eng::TGuid& cls, int n);
  eng::IFilter* FindVideoDecoder();
  // The program's video processor in the graph, and its settings record (none without one).
  eng::IFilter* FindVideoProcessor();
  // A filter's settings: whether it has any, and its dialog (the alert "Error.NoProps" when it has
  // none). Nothing for no filter.
  static bool HasPropertyPages(eng::IFilter* filter);
  void ShowFilterProperties(eng::IFilter* filter);
  // Counts the graphs made, so that what was found in one is not taken for a filter of the next.
  uint64_t GraphSerial() const { return graphSerial_; }
  std::shared_ptr<TVideoProcSettings> VideoProcessorSettings();

  // The picture's colour controls, on a scale of 0 to 100 with 50 neutral. The kind is
  // "VideoProc" once the video processor has transformed a picture, empty while nothing in the
  // graph controls colour; then reading and setting show "OSD.NoVideoInterface" on the screen.
  struct TBCS {
    int brightness = 50, contrast = 50, saturation = 50;
    friend bool operator==(const TBCS&, const TBCS&) = default;
  };
  std::string ColourControlKind();
  TBCS GetBCS();
  // Shows the new value of each control that changed.
  void SetBCS(int brightness, int contrast, int saturation);
  void AdjustBCS(int dBrightness, int dContrast, int dSaturation);
  eng::IFilter* FindAudioRenderer(int n);
  int CountAudioRenderers();
  // Volume (1/100 dB, 0 full) and balance (-10000 … 10000) of audio renderer n.
  void SetVolume(int n, long volume);
  void SetBalance(int n, long balance);
  // The n-th filter, counted from the end of the walk, that gives decoded sound (PCM or float).
  eng::IFilter* FindAudioDecoder(int n);
  // The next audio stream of the filter that selects among a file's streams; nothing without one.
  void NextAudioStream();
  // n parametric equalizer stages between the first audio renderer and what feeds it; raises
  // EZvError when a link cannot be cut or made.
  void InsertParamEq(int n);
  static eng::IFilter* UpstreamFilter(eng::IFilter* filter);
  static eng::IFilter* PinOwner(eng::IPin* pin);
  std::shared_ptr<eng::IFilter> CreateFilter(const eng::TGuid& cls) { return engine_.CreateFilter(cls); }

  eng::IGraph* Graph() const { return graph_.get(); }
  eng::IEngine& Engine() { return engine_; }
  bool HasVideo() const { return hasVideo_; }
  bool HasAudio() const { return hasAudio_; }
  int VideoWidth() const { return videoWidth_; }
  int VideoHeight() const { return videoHeight_; }
  int64_t FrameTime() const { return frameTime_; }
  std::vector<int64_t>& KeyFrames() { return keyFrames_; }
  const std::vector<int64_t>& KeyFrames() const { return keyFrames_; }
  bool isDVD = false;
  // The user has been told that there is no sound output device (once a session).
  bool toldNoSoundDevice = false;
  bool IsURL() const { return isURL_; }
  // DVD playback (isDVD is set by the player before CreateBuilder); each does nothing otherwise.
  // Points are in the picture's own pixels.
  bool IsDVDMenu();
  void DVDSelectAt(double x, double y);
  void DVDActivateAt(double x, double y);
  int DVDTitleCount();
  // Reads the names of the current title's sound streams' languages; returns their number.
  int DVDAudioLanguages();
  const std::vector<std::string>& DVDLanguageNames() const { return dvdLanguages_; }
  void DVDPlayTitle(int title);    // from 1
  void DVDSelectAudio(int stream); // from 0
  void DVDShowRootMenu();

  // Screen shots of the open file are possible: a local file with a picture, known once its graph
  // is built (nothing is decoded to find out).
  bool CanSnapshot() const { return graph_ && hasVideo_ && !isURL_ && !isDVD; }
  // The picture of `media` at `position` decoded anew and written as a 24-bit BMP file. False,
  // logged, when it cannot be decoded within five seconds or the file cannot be written.
  bool Snapshot(const std::string& media, const std::string& bitmapFile, int64_t position);

  // What the network stream told of itself: station name, genre, station address and bit rate
  // from its response headers, the title of what it plays from its metadata. Kept until the next
  // stream's headers replace them.
  const TNetStreamInfo& NetStream() const { return net_; }
  void OnHeader(const std::string& name, const std::string& value);
  void OnMetadata(const std::string& title, const std::string& url);

private:
  // The DVD branches of CreateBuilder, SeekTo and the event handler.
  void CreateDvdGraph();
  void SeekDvd(int64_t position);
  void OnDvdEvent(const eng::TEvent& e);
  void ReadDvdTotal();
  void ResetDvdState(); // a new disc, or none
  eng::IDvdControl* dvd_ = nullptr;
  bool dvdDomainSeen_ = false, dvdTotalKnown_ = false;
  eng::TDvdTime dvdTime_, dvdTotal_;
  std::vector<std::string> dvdLanguages_;

  // The settings record while it controls the picture's colours (see ColourControlKind).
  std::shared_ptr<TVideoProcSettings> ColourControl();
  uint64_t graphSerial_ = 0;
  void WriteGraphFile();
  // The caption tells how far a stream being reached has filled its buffer.
  void ShowBuffering(int percent);

  eng::IEngine& engine_;
  TEngineHost host_;
  std::unique_ptr<eng::IGraph> graph_;
  bool hasSeeking_ = false, hasControl_ = false, hasEvents_ = false, hasVideoWindow_ = false;
  bool exposeGraph_ = false;
  bool hasVideo_ = false, hasAudio_ = false;
  int videoWidth_ = 0, videoHeight_ = 0;
  int64_t frameTime_ = 400'000;
  std::vector<int64_t> keyFrames_;
  bool isURL_ = false;
  TNetStreamInfo net_;
  int64_t cachedDuration_ = 0;
  bool durationFallback_ = false;
  std::function<void()> onComplete_;
  std::function<void(eng::HRESULT)> onRenderDone_;
  bool renderPending_ = false;
  bool running_ = false; // the graph was asked to run and has not been paused or stopped since
  // Engine events reach the user-interface thread through one queued call at a time.
  std::shared_ptr<std::atomic<bool>> pending_ = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<TDirectShowHelper*> self_ = std::make_shared<TDirectShowHelper*>(this);
};

// The graph as text for the log.
class TDSGraphLogger {
public:
  static std::string GraphAsText(eng::IGraph& graph);
};

} // namespace zv
