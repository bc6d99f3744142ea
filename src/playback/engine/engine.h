#pragma once

#include "playback/engine/media_type.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv {
struct TVideoProcSettings;
}

namespace eng {

class IFilter;

class IPin {
public:
  virtual ~IPin() = default;
  virtual std::string Name() const = 0;
  virtual TPinDirection Direction() const = 0;
  virtual IFilter* Owner() const = 0;
  // The pin at the other end, or none.
  virtual IPin* ConnectedTo() const = 0;
  virtual HRESULT ConnectionMediaType(TMediaType& mt) const = 0;
  // The types the pin offers, preferred first.
  virtual std::vector<TMediaType> MediaTypes() const = 0;
};

// Selection among a filter's streams (audio tracks of a demuxer).
class IStreamSelect {
public:
  virtual ~IStreamSelect() = default;
  virtual int Count() = 0;
  // The stream's name and whether it is enabled; false past the end.
  virtual bool Info(int index, std::string& name, bool& enabled, TMediaType* mt = nullptr) = 0;
  virtual HRESULT Enable(int index) = 0;
};

// One setting of a filter as its settings dialog shows it; the value is text: "1" or "0", a
// number, the number of a choice, or the text itself.
struct TFilterProperty {
  enum class TKind { Bool, Int, Double, Choice, Text };
  std::string name, label, description;
  TKind kind = TKind::Text;
  double min = 0, max = 0;
  std::vector<std::pair<int, std::string>> choices;
  std::string value;
};

// Volume and balance of an audio renderer: volume in 1/100 dB (0 full, -10000 silent), balance
// in 1/100 dB of attenuation of the other side (-10000 left only, 10000 right only).
class IBasicAudio {
public:
  virtual ~IBasicAudio() = default;
  virtual HRESULT SetVolume(long volume) = 0;
  virtual HRESULT SetBalance(long balance) = 0;
  virtual HRESULT GetVolume(long& volume) = 0;
  virtual HRESULT GetBalance(long& balance) = 0;
};

// A stage of the parametric equalizer: centre in Hz, bandwidth in semitones, gain in dB.
struct TParamEqParams {
  float centre = 8000, bandwidth = 12, gain = 0;
};
class IParamEq {
public:
  virtual ~IParamEq() = default;
  virtual HRESULT GetAllParameters(TParamEqParams& params) = 0;
  virtual HRESULT SetAllParameters(const TParamEqParams& params) = 0;
};

class IFilter {
public:
  virtual ~IFilter() = default;
  // The name the graph knows it by (empty outside a graph).
  virtual std::string Name() const = 0;
  virtual TGuid ClassId() const = 0;
  virtual std::vector<IPin*> Pins() = 0;
  virtual IPin* FindPin(const std::string& id);
  // The file that implements the filter, or "?".
  virtual std::string ImplementationFile() const { return "?"; }
  // A file source's load operation; E_NOINTERFACE for filters that are not file sources.
  virtual HRESULT LoadFile(const std::string& name) { return E_NOINTERFACE; }
  // A source of several files played as one (the parts of a split film); E_NOINTERFACE otherwise.
  virtual HRESULT LoadFiles(const std::vector<std::string>& names) { return E_NOINTERFACE; }
  virtual IStreamSelect* StreamSelect() { return nullptr; }
  // The settings a user may change while the filter runs; none when it has no settings.
  virtual std::vector<TFilterProperty> Properties() { return {}; }
  virtual HRESULT SetProperty(const std::string& name, const std::string& value) { return E_NOTIMPL; }
  // The settings record of the program's video processor; none for every other filter.
  virtual std::shared_ptr<zv::TVideoProcSettings> ProcessorSettings() { return nullptr; }
  // An audio renderer's volume and balance, and an equalizer stage's parameters; none elsewhere.
  virtual IBasicAudio* BasicAudio() { return nullptr; }
  virtual IParamEq* ParamEq() { return nullptr; }
};

// Receives the pictures of a video renderer. Frames arrive on a streaming thread; the receiver
// keeps `keepAlive` as long as it shows the picture.
//
// A picture comes either as BGRx pixels (`data`, `stride`) or in the decoder's own format with a
// `draw` routine that converts and scales it straight into a BGRx surface: the picture is then
// written once, into the window's own buffer, instead of converted and copied again.
struct TVideoFrame {
  const uint8_t* data = nullptr; // BGRx, 4 bytes per pixel (null when only `draw` is set)
  int width = 0, height = 0, stride = 0;
  int parN = 1, parD = 1; // shape of one pixel: width to height
  int64_t time = 0;       // 100 ns
  std::shared_ptr<void> keepAlive;
  // Writes the picture, scaled to width x height, into BGRx memory (the fourth byte set to 0xFF).
  // May be called on any thread, once or many times, while the frame is alive.
  std::function<bool(uint8_t* dst, int dstStride, int dstWidth, int dstHeight)> draw;

  bool Empty() const { return width <= 0 || height <= 0 || (!data && !draw); }
};

class IVideoOutput {
public:
  virtual ~IVideoOutput() = default;
  virtual void PresentFrame(TVideoFrame frame) = 0;
  // The renderer stopped showing pictures (the graph is freed or the owner changes).
  virtual void ClearFrame() = 0;
};

// What a graph offers besides building, as the interfaces a caller asks for.
enum class TInterface { MediaControl, MediaSeeking, MediaEvent, VideoWindow, BasicVideo, BasicAudio, VideoFrameStep };

// The DVD domains the navigator reports.
enum TDvdDomain {
  DVD_DOMAIN_FirstPlay = 1,
  DVD_DOMAIN_VideoManagerMenu = 2,
  DVD_DOMAIN_VideoTitleSetMenu = 3,
  DVD_DOMAIN_Title = 4,
  DVD_DOMAIN_Stop = 5
};
// The DVD menus ShowMenu opens.
enum TDvdMenu { DVD_MENU_Title = 2, DVD_MENU_Root = 3 };

// A DVD time code: hours, minutes, seconds and frames, in the order they travel in events.
struct TDvdTime {
  uint8_t hours = 0, minutes = 0, seconds = 0, frames = 0;
  int64_t Ticks() const { return ((hours * 60LL + minutes) * 60 + seconds) * 10'000'000; }
  // As the first parameter of EC_DVD_CURRENT_HMSF_TIME: the four bytes from the lowest up.
  intptr_t Packed() const { return hours | minutes << 8 | seconds << 16 | static_cast<intptr_t>(frames) << 24; }
  static TDvdTime Unpacked(intptr_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
  }
  friend bool operator==(const TDvdTime&, const TDvdTime&) = default;
};

// The DVD navigator of a graph. Commands return at once: they reach the disc in the order given,
// and their effect shows in the events (EC_DVD_DOMAIN_CHANGE, EC_DVD_TITLE_CHANGE,
// EC_DVD_CURRENT_HMSF_TIME). Points are in the picture's own pixels.
class IDvdControl {
public:
  virtual ~IDvdControl() = default;
  // Builds the graph of the DVD in the folder that holds VIDEO_TS.IFO (or VIDEO_TS with it).
  virtual HRESULT SetDVDDirectory(const std::string& folder) = 0;
  virtual HRESULT PlayForwards(double rate) = 0;
  // `commandId` names the command for WaitCommand.
  virtual HRESULT ShowMenu(TDvdMenu menu, int* commandId = nullptr) = 0;
  // True once the command has reached the disc, false when that took longer than the limit.
  virtual bool WaitCommand(int commandId, int timeoutMs) = 0;
  virtual HRESULT PlayAtTime(const TDvdTime& time) = 0;
  virtual HRESULT PlayTitle(int title) = 0;
  virtual HRESULT SelectAudioStream(int stream) = 0;
  virtual HRESULT SelectAtPosition(double x, double y) = 0;
  virtual HRESULT ActivateAtPosition(double x, double y) = 0;
  // What the disc shows now; a failure when no disc is playing.
  virtual HRESULT GetCurrentDomain(TDvdDomain& domain) = 0;
  virtual HRESULT GetNumberOfTitles(int& titles) = 0;
  // The language codes ("en", "" for none) of the current title's audio streams.
  virtual HRESULT GetAudioLanguages(std::vector<std::string>& codes) = 0;
  virtual HRESULT GetTotalTitleTime(TDvdTime& time) = 0;
  // What the system lacks to play a disc, one line per component naming it and the package that
  // brings it; empty when everything is there.
  virtual std::vector<std::string> MissingComponents() { return {}; }
};

// A filter graph: building, transport, seeking, events, video and audio.
class IGraph {
public:
  virtual ~IGraph() = default;
  // S_OK when the graph offers the interface, E_NOINTERFACE otherwise.
  virtual HRESULT QueryInterface(TInterface which) = 0;

  // Building. A name already in use gets " 0001", " 0002", ... appended (VFW_S_DUPLICATE_NAME).
  virtual HRESULT AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) = 0;
  virtual HRESULT RemoveFilter(IFilter* filter) = 0;
  // Most recently added first.
  virtual std::vector<IFilter*> EnumFilters() = 0;
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const TMediaType* mt) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
  // Completes the chain from an output pin: decoders and a renderer.
  virtual HRESULT Render(IPin* out) = 0;
  // Builds the whole graph of a file or URL: S_OK complete, a positive code partial, negative failure.
  virtual HRESULT RenderFile(const std::string& name) = 0;
  virtual HRESULT AddSourceFilter(const std::string& name, const std::string& filterName,
                                  std::shared_ptr<IFilter>* filter) = 0;
  // A text trace of how the graph was built; empty text turns it off.
  virtual void SetLogFile(const std::string& path) = 0;
  virtual void Abort() = 0;

  // Transport. Stop keeps the position.
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(int timeoutMs, TFilterState& state) = 0;

  // Seeking, in 100 ns units.
  virtual HRESULT GetDuration(int64_t& duration) = 0;
  virtual HRESULT GetCurrentPosition(int64_t& position) = 0;
  virtual HRESULT SetPositions(int64_t current, int currentFlags, int64_t stop, int stopFlags) = 0;
  virtual HRESULT SetRate(double rate) = 0;

  // Events: `notify` runs on any thread whenever events may be waiting; GetEvent takes them in
  // order without waiting, false when there is none. PostEvent queues one of the caller's.
  virtual void SetEventNotify(std::function<void()> notify) = 0;
  virtual bool GetEvent(TEvent& event) = 0;
  virtual void PostEvent(const TEvent& event) = 0;
  // The notices of network sources announced by EC_ZV_STREAM_NOTICE events so far, oldest first;
  // each is handed out once.
  virtual std::vector<TStreamNotice> TakeStreamNotices() { return {}; }

  // Video.
  virtual HRESULT GetVideoSize(int& width, int& height) = 0;
  virtual HRESULT Step(int frames) = 0;
  virtual HRESULT SetVideoOutput(IVideoOutput* output) = 0;

  // Audio, on the first audio renderer: volume in 1/100 dB (0 full, -10000 silent), balance
  // -10000 (left) to 10000 (right).
  virtual HRESULT SetVolume(long volume) = 0;
  virtual HRESULT SetBalance(long balance) = 0;

  // The graph as a Graphviz document, for looking at it from outside.
  virtual std::string GraphDescription() { return {}; }

  // The DVD navigator; none where the engine plays no DVDs.
  virtual IDvdControl* DvdControl() { return nullptr; }
};

// What the engine knows of a filter class: its name, how readily automatic building picks it
// (merit, in the engine's terms 0x200000 "do not use" to 0x800000 "preferred"), the file that
// implements it and who makes that file.
struct TFilterDescription {
  std::string friendlyName = "?";
  uint32_t merit = 0;
  std::string file = "?";
  std::string company = "?";
};

// An element factory the engine could make filters of, as the filter picker lists it.
struct TFactoryEntry {
  std::string name;     // the factory's own name ("avdec_h264")
  std::string longName; // its description ("libav H.264 / AVC ... decoder")
  std::string klass;    // its kinds ("Codec/Decoder/Video")
  unsigned rank = 0;
  TGuid classId;
};

// The merit the dialogs show for a factory's rank: rank 0 is 0x00200000 ("Avoid"), 64
// 0x00400000 ("Unlikely"), 128 0x00600000 ("Normal"), 256 0x00800000 ("High"), linear between,
// and 0x1000 more for every rank above 256.
uint32_t MeritOfRank(unsigned rank);

// A sound output the system offers: its name and the class of the renderers on it (the default
// sound renderer's for every device).
struct TAudioDevice {
  std::string name;
  TGuid classId;
};

// Plays a short sound held in memory on the default output.
class ISoundClip {
public:
  virtual ~ISoundClip() = default;
  // Whether the output can be opened.
  virtual bool Open() = 0;
  // Starts signed 16-bit mono samples; false when the output cannot take them.
  virtual bool Play(const std::vector<int16_t>& samples, int rate) = 0;
  virtual void Stop() = 0;
};

// Creates graphs and filters.
class IEngine {
public:
  virtual ~IEngine() = default;
  virtual std::unique_ptr<IGraph> CreateGraph() = 0;
  // A filter of a known class, or none.
  virtual std::shared_ptr<IFilter> CreateFilter(const TGuid& classId) = 0;
  // The engine's own description of a result code.
  virtual std::string ErrorText(HRESULT code) = 0;
  // The registered name of a filter class, empty when unknown.
  virtual std::string FilterFriendlyName(const TGuid& classId) = 0;
  virtual TFilterDescription DescribeFilter(const TGuid& classId) { return {}; }
  // The factories of decoders, demuxers, parsers, filters, effects and converters, by name; the
  // plumbing elements (queues, tees, caps filters and the like), sources and sinks are left out.
  virtual std::vector<TFactoryEntry> Factories() { return {}; }
  // Loads a plug-in file of filters; its classes can be created afterwards. False when the file
  // is no plug-in of this engine.
  virtual bool LoadPlugin(const std::string& path) { return false; }
  // The picture of a media file at a position, decoded anew apart from any graph (so nothing drawn
  // over the playing picture is in it), at the stream's own size. False when the file has no
  // picture there or the decoding takes longer than `timeoutMs`.
  virtual bool GrabFrame(const std::string& file, int64_t position, TFrame& frame, int timeoutMs) { return false; }
  // The sound outputs, the default output first.
  virtual std::vector<TAudioDevice> AudioDevices() { return {}; }
  // A renderer on the first device of that name (case ignored), or none.
  virtual std::shared_ptr<IFilter> CreateAudioRenderer(const std::string& device) { return nullptr; }
  // Calls `removed` with a device's name when the system takes it away; an empty callback stops
  // watching. The callback may run on any thread.
  virtual void WatchAudioDevices(std::function<void(const std::string& name)> removed) {}
  virtual std::unique_ptr<ISoundClip> CreateSoundClip() { return nullptr; }
  // Audio renderers made from now on resample to this rate first (0: the stream's own rate).
  virtual void SetForcedSampleRate(int rate) {}
};

namespace classes {
extern const TGuid AsyncFileReader;     // {E436EBB5-524F-11CE-9F53-0020AF0BA770}
extern const TGuid AviSplitter;         // {1B544C20-FD0B-11CE-8C63-00AA0044B51E}
extern const TGuid DirectSoundRenderer; // {79376820-07D0-11CF-A24D-0020AFD79767}
extern const TGuid WaveOutRenderer;     // {E30629D1-27E5-11CE-875D-00608CB78066}
extern const TGuid VideoRenderer;       // {70E102B0-5556-11CE-97C0-00AA0055595A}
extern const TGuid NullRenderer;        // {C1F400A4-3F08-11D3-9F0B-006008039E37}
extern const TGuid Mpeg3Decoder;        // {38BE3000-DBF4-11D0-860E-00A024CFEF6D}
extern const TGuid DivXDecoder;         // {78766964-0000-0010-8000-00AA00389B71}
extern const TGuid XviDDecoder;         // {64697678-0000-0010-8000-00AA00389B71}
extern const TGuid AdvancedAVISource;   // {84646D40-24DF-11D7-B33C-525405F661BB}
extern const TGuid MultiAVISource;      // {90622615-AB78-4926-9014-5D9D8EF5DE45}
extern const TGuid VideoProcessor;      // {B695DE60-57F8-11D7-B33C-525405F661BB}
extern const TGuid DMOWrapper;          // {94297043-BD82-4DFD-B0DE-8177739C6D20}, an equalizer stage
extern const TGuid DVDNavigator;        // {9B8C4620-2C1A-11D0-8493-00A02438AD48}
} // namespace classes

// The class identifier of a GStreamer element factory: a known class where the program's rules
// name one, otherwise a stable identifier derived from the factory's name.
TGuid ClassOfFactory(const std::string& factoryName);

// The engine's description of the result codes it produces.
std::string StandardErrorText(HRESULT code);

} // namespace eng
