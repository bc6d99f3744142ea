#pragma once

#include "filters/video_process.h"
#include "playback/engine/engine.h"

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>

// A scriptable engine for unit tests of everything above the engine layer: outcomes are set in
// advance, duration and position are plain values, events are queued by hand, and every call is
// written to a log the test can read.
namespace eng::fake {

class TFakeFilter;
class TFakeGraph;

class TFakePin : public IPin {
public:
  TFakePin(TFakeFilter* owner, std::string name, TPinDirection dir, std::vector<TMediaType> types)
      : owner_(owner), name_(std::move(name)), dir_(dir), types_(std::move(types)) {}
  std::string Name() const override { return name_; }
  TPinDirection Direction() const override { return dir_; }
  IFilter* Owner() const override;
  IPin* ConnectedTo() const override { return peer_; }
  HRESULT ConnectionMediaType(TMediaType& mt) const override;
  std::vector<TMediaType> MediaTypes() const override { return types_; }

  TFakePin* peer_ = nullptr;
  TMediaType connection;

private:
  TFakeFilter* owner_;
  std::string name_;
  TPinDirection dir_;
  std::vector<TMediaType> types_;
};

class TFakeFilter : public IFilter, public IBasicAudio, public IParamEq {
public:
  TFakeFilter(TGuid cls, std::string defaultName) : defaultName_(std::move(defaultName)), class_(cls) {}
  std::string Name() const override { return name_; }
  TGuid ClassId() const override { return class_; }
  std::vector<IPin*> Pins() override;
  HRESULT LoadFile(const std::string& name) override;
  std::shared_ptr<zv::TVideoProcSettings> ProcessorSettings() override { return processor; }
  TFakePin* AddPin(std::string name, TPinDirection dir, std::vector<TMediaType> types = {});
  // Audio renderers and equalizer stages (`audio`, `eq`) answer for their settings.
  IBasicAudio* BasicAudio() override { return audio ? this : nullptr; }
  IParamEq* ParamEq() override { return eq ? this : nullptr; }
  HRESULT SetVolume(long v) override { return volume = v, S_OK; }
  HRESULT SetBalance(long b) override { return balance = b, S_OK; }
  HRESULT GetVolume(long& v) override { return v = volume, S_OK; }
  HRESULT GetBalance(long& b) override { return b = balance, S_OK; }
  HRESULT GetAllParameters(TParamEqParams& p) override { return p = eqParams, S_OK; }
  HRESULT SetAllParameters(const TParamEqParams& p) override { return eqParams = p, S_OK; }

  std::string name_;
  std::string defaultName_;
  std::string loaded;
  bool isFileSource = false;
  // Made for the video processor's class.
  std::shared_ptr<zv::TVideoProcSettings> processor;
  bool audio = false, eq = false;
  long volume = 0, balance = 0;
  TParamEqParams eqParams;

private:
  TGuid class_;
  std::vector<std::unique_ptr<TFakePin>> pins_;
};

// What a graph answers; a test sets it before the code under test runs.
struct TScript {
  std::map<std::string, HRESULT> renderFile; // by name; missing names render with `defaultRender`
  HRESULT defaultRender = S_OK;
  std::map<TInterface, HRESULT> refused;   // interfaces QueryInterface refuses, with the code
  HRESULT renderPin = VFW_E_CANNOT_RENDER; // Render(pin)
  HRESULT run = S_OK, pause = S_OK, stop = S_OK;
  std::optional<int64_t> duration;     // none: the engine cannot tell
  int videoWidth = 0, videoHeight = 0; // 0: no video
  bool canStep = true;
  // Optional stand-ins for rendering: they see the graph and decide the outcome.
  std::function<HRESULT(TFakeGraph&, const std::string&)> renderFileHook;
  std::function<HRESULT(TFakeGraph&, IPin*)> renderPinHook;
  bool dvd = false;                    // the graph has a DVD navigator
  std::vector<std::string> dvdMissing; // and what it lacks
};

// The scripted graph's DVD navigator: every command is written to the log as "DVD.<command>(...)";
// what it reports is set by the test. Pointer commands are kept in `points`.
class TFakeDvd : public IDvdControl {
public:
  explicit TFakeDvd(std::vector<std::string>* log) : log_(log) {}
  HRESULT SetDVDDirectory(const std::string& folder) override {
    return Note("SetDVDDirectory(" + folder + ")", directory);
  }
  HRESULT PlayForwards(double rate) override { return Note("PlayForwards(" + std::to_string(rate) + ")"); }
  HRESULT ShowMenu(TDvdMenu menu, int* commandId) override;
  bool WaitCommand(int commandId, int timeoutMs) override;
  HRESULT PlayAtTime(const TDvdTime& t) override;
  HRESULT PlayTitle(int title) override {
    return Note("PlayTitle(" + std::to_string(title) + ")", title >= 1 && title <= titles ? S_OK : E_INVALIDARG);
  }
  HRESULT SelectAudioStream(int stream) override { return Note("SelectAudioStream(" + std::to_string(stream) + ")"); }
  HRESULT SelectAtPosition(double x, double y) override;
  HRESULT ActivateAtPosition(double x, double y) override;
  HRESULT GetCurrentDomain(TDvdDomain& d) override { return d = domain, S_OK; }
  HRESULT GetNumberOfTitles(int& n) override { return n = titles, titles > 0 ? S_OK : E_FAIL; }
  HRESULT GetAudioLanguages(std::vector<std::string>& codes) override { return codes = languages, S_OK; }
  HRESULT GetTotalTitleTime(TDvdTime& t) override { return total ? (t = *total, S_OK) : E_FAIL; }
  std::vector<std::string> MissingComponents() override { return missing; }

  HRESULT directory = S_OK;
  TDvdDomain domain = DVD_DOMAIN_FirstPlay;
  int titles = 0;
  std::optional<TDvdTime> total; // none: the disc cannot tell (a menu)
  std::vector<std::string> languages, missing;
  bool commandsEnd = true; // WaitCommand's answer
  std::vector<std::pair<double, double>> selected, activated;

private:
  HRESULT Note(const std::string& line, HRESULT hr = S_OK) {
    if (log_)
      log_->push_back("DVD." + line);
    return hr;
  }
  std::vector<std::string>* log_;
  int nextId_ = 1;
};

class TFakeGraph : public IGraph {
public:
  explicit TFakeGraph(TScript script, std::vector<std::string>* log) : script_(std::move(script)), log_(log) {
    dvd.missing = script_.dvdMissing;
  }

  HRESULT QueryInterface(TInterface which) override;
  HRESULT AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) override;
  HRESULT RemoveFilter(IFilter* filter) override;
  std::vector<IFilter*> EnumFilters() override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const TMediaType* mt) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT Render(IPin* out) override;
  HRESULT RenderFile(const std::string& name) override;
  HRESULT AddSourceFilter(const std::string& name, const std::string& filterName,
                          std::shared_ptr<IFilter>* filter) override;
  void SetLogFile(const std::string& path) override { Note("SetLogFile(" + path + ")"); }
  void Abort() override { Note("Abort"); }
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(int, TFilterState& state) override {
    state = state_;
    return S_OK;
  }
  HRESULT GetDuration(int64_t& duration) override;
  HRESULT GetCurrentPosition(int64_t& position) override {
    position = position_;
    return S_OK;
  }
  HRESULT SetPositions(int64_t current, int currentFlags, int64_t stop, int stopFlags) override;
  HRESULT SetRate(double rate) override;
  void SetEventNotify(std::function<void()> notify) override;
  bool GetEvent(TEvent& event) override;
  void PostEvent(const TEvent& event) override;
  HRESULT GetVideoSize(int& width, int& height) override;
  HRESULT Step(int frames) override;
  HRESULT SetVideoOutput(IVideoOutput* output) override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetBalance(long balance) override;
  IDvdControl* DvdControl() override { return script_.dvd ? &dvd : nullptr; }

  TScript& Script() { return script_; }
  void SetPosition(int64_t p) { position_ = p; }
  TFilterState State() const { return state_; }
  IVideoOutput* VideoOutput() const { return video_; }
  long Volume() const { return volume_; }
  long Balance() const { return balance_; }
  double Rate() const { return rate_; }
  // The positions of every SetPositions call, in order.
  const std::vector<int64_t>& SetPositionsCalls() const { return seeks_; }

private:
  void Note(const std::string& line) {
    if (log_)
      log_->push_back(line);
  }
  TScript script_;
  std::vector<std::string>* log_;
  std::vector<std::shared_ptr<IFilter>> filters_;
  TFilterState state_ = State_Stopped;
  int64_t position_ = 0;
  std::vector<int64_t> seeks_;
  double rate_ = 1.0;
  long volume_ = 0, balance_ = 0;
  IVideoOutput* video_ = nullptr;
  std::mutex eventLock_;
  std::deque<TEvent> events_;
  std::function<void()> notify_;

public:
  TFakeDvd dvd{log_}; // after the log it writes to
};

class TFakeEngine : public IEngine {
public:
  std::unique_ptr<IGraph> CreateGraph() override;
  std::shared_ptr<IFilter> CreateFilter(const TGuid& classId) override;
  std::string ErrorText(HRESULT code) override { return StandardErrorText(code); }
  std::string FilterFriendlyName(const TGuid& classId) override;
  TFilterDescription DescribeFilter(const TGuid& classId) override {
    TFilterDescription d;
    if (std::string name = FilterFriendlyName(classId); !name.empty())
      d.friendlyName = name;
    return d;
  }
  std::vector<TAudioDevice> AudioDevices() override { return devices; }
  std::shared_ptr<IFilter> CreateAudioRenderer(const std::string& device) override;
  std::vector<TAudioDevice> devices{{"Default DirectSound Device", classes::DirectSoundRenderer}};
  int forcedRate = 0;
  void SetForcedSampleRate(int rate) override { forcedRate = rate; }
  // Plug-in files that load: each makes its classes known.
  bool LoadPlugin(const std::string& path) override;
  std::map<std::string, std::map<std::string, std::string>> plugins; // path -> class text -> name

  // The script every new graph starts with, and the graphs made so far.
  TScript script;
  std::vector<std::string> log;
  std::map<TGuid, std::string, bool (*)(const TGuid&, const TGuid&)> knownClasses{
      [](const TGuid& a, const TGuid& b) { return a.ToString() < b.ToString(); }};
  TFakeGraph* lastGraph = nullptr;
};

} // namespace eng::fake
