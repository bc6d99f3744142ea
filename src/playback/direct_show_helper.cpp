#include "playback/direct_show_helper.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/format.h"
#include "core/prefs_access.h"
#include "core/session_log.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "playback/engine/media_type.h"
#include "skin/bitmap32.h"
#include "skin/language_manager.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

namespace zv {

using namespace eng;

namespace {
constexpr int64_t kOneHour = 36'000'000'000LL;
constexpr int64_t kDefaultFrameTime = 400'000;

const TGuid kDvdNavigator = *TGuid::Parse("{9BC1B781-85E3-11D2-98D0-0080C84E9C39}");
const TGuid kDirectSound = *TGuid::Parse("{79376820-07D0-11CF-A24D-0020AFD79767}");
const TGuid kWaveOut = *TGuid::Parse("{E30629D1-27E5-11CE-875D-00608CB78066}");

// The uncompressed and MPEG subtypes that a video decoder's output carries.
bool IsDecodedVideoSubtype(const TGuid& g) {
  static const std::array<uint8_t, 8> e436 = {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70};
  static const std::array<uint8_t, 8> e06d = {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA};
  if (g.d2 == 0x524F && g.d3 == 0x11CE && g.d4 == e436) {
    uint32_t d = g.d1;
    if (d == 0xE436EB80 || d == 0xE436EB81 || (d >= 0xE436EB84 && d <= 0xE436EB89))
      return true;
    if (d >= 0xE436EB78 && d <= 0xE436EB7F)
      return true;
  }
  if (g == *TGuid::Parse("{773C9AC0-3274-11D0-B724-00AA006C1A01}"))
    return true;
  if (g.d2 == 0xDB46 && g.d3 == 0x11CF && g.d4 == e06d) {
    uint32_t d = g.d1;
    if (d == 0xE06D8022 || d == 0xE06D8023 || d == 0xE06D8026 || d == 0xE06D802B || d == 0xE06D802C)
      return true;
  }
  if (g.IsFourCCBased()) {
    static const std::set<uint32_t> kFourCCs = {
        MakeFourCC('Y', 'V', 'U', '9'), MakeFourCC('r', 'p', 'z', 'a'), MakeFourCC('s', 'm', 'c', ' '),
        MakeFourCC('r', 'l', 'e', ' '), MakeFourCC('j', 'p', 'e', 'g'), MakeFourCC('C', 'L', 'P', 'L'),
        MakeFourCC('Y', 'U', 'Y', 'V'), MakeFourCC('I', 'Y', 'U', 'V'), MakeFourCC('Y', 'V', '1', '2'),
        MakeFourCC('Y', '4', '1', '1'), MakeFourCC('Y', '4', '1', 'P'), MakeFourCC('Y', 'U', 'Y', '2'),
        MakeFourCC('Y', 'V', 'Y', 'U'), MakeFourCC('U', 'Y', 'V', 'Y'), MakeFourCC('Y', '2', '1', '1'),
        MakeFourCC('C', 'L', 'J', 'R'), MakeFourCC('I', 'F', '0', '9'), 0x00000050,
        // Layouts decoders of this platform give as well.
        MakeFourCC('I', '4', '2', '0'), MakeFourCC('N', 'V', '1', '2')};
    return kFourCCs.count(g.d1) > 0;
  }
  return false;
}
} // namespace

TDirectShowHelper::TDirectShowHelper(IEngine& engine, TEngineHost host) : engine_(engine), host_(std::move(host)) {}

TDirectShowHelper::~TDirectShowHelper() {
  self_.reset(); // queued event calls that arrive later find nobody
  FreeGraph();
}

std::string TDirectShowHelper::ErrorText(HRESULT code) {
  std::string desc;
  switch (static_cast<uint32_t>(code)) {
  case 0x80040200:
  case 0x80040201:
  case 0x80040216:
  case 0x80040256:
  case 0x80040265:
  case 0x8004027B: desc = Lang(Format("DS.Err%.8x", code)); break;
  default: desc = CopyStr(engine_.ErrorText(code), 1, 255); break;
  }
  return Format(Lang("DS.Error") + ": 0x%.8x ( %s )", code, desc);
}

void TDirectShowHelper::CheckResult(HRESULT code, const std::string& scope) {
  if (Succeeded(code))
    return;
  std::string text = ErrorText(code) + "\r\n" + "Scope:[" + scope + "]";
  Log("!" + text);
  throw EZvError(text, scope);
}

void TDirectShowHelper::CreateBuilder() {
  TLogScope scope("TDirectShowHelper.CreateBuilder");
  if (isDVD) {
    CreateDvdGraph();
  } else {
    graph_ = engine_.CreateGraph();
    ++graphSerial_;
    CheckResult(graph_ ? S_OK : E_FAIL, "CoCreateInstance(FilterGraph)");
  }
  CheckResult(graph_->QueryInterface(TInterface::MediaControl), "Graph.QueryInterface(IMediaControl)");
  hasControl_ = true;
  CheckResult(graph_->QueryInterface(TInterface::MediaEvent), "Graph.QueryInterface(IMediaEventEx)");
  hasEvents_ = true;
  if (!isDVD) { // a disc's window came with its graph; a disc is not seeked by media time
    CheckResult(graph_->QueryInterface(TInterface::VideoWindow), "Graph.QueryInterface(IVideoWindow)");
    hasVideoWindow_ = true;
    CheckResult(graph_->QueryInterface(TInterface::MediaSeeking), "Graph.QueryInterface(IMediaSeeking)");
    hasSeeking_ = true;
  }

  std::weak_ptr<TDirectShowHelper*> weak = self_;
  auto pending = pending_;
  IUiDispatcher* dispatcher = host_.dispatcher;
  graph_->SetEventNotify([weak, pending, dispatcher] {
    // Streaming threads only post; the events are taken on the user-interface thread in order.
    if (!dispatcher || pending->exchange(true))
      return;
    dispatcher->Post([weak, pending] {
      pending->store(false);
      if (auto self = weak.lock())
        (*self)->OnGraphEvent();
    });
  });

  IPrefs* prefs = host_.prefs;
  if (prefs && prefs->GetBool("Video.ForceOverlay"))
    Log("TDirectShowHelper.CreateBuilder: overlay mixing is done by the video widget on this platform");
  AddForcedFilters();
  // The forced DivX decoder: a decoder plug-in put into the program's Filters folder takes the
  // MPEG-4 streams. Without the file there is none.
  const std::string divx = host_.exeDir ? host_.exeDir() + "Filters/divxdec.so" : std::string();
  std::error_code ec;
  if (!divx.empty() && std::filesystem::is_regular_file(divx, ec)) {
    CheckResult(engine_.LoadPlugin(divx) ? S_OK : E_FAIL, "GetCO(CLSID_DivXDecoder)");
    std::shared_ptr<IFilter> decoder = engine_.CreateFilter(classes::DivXDecoder);
    CheckResult(decoder ? S_OK : E_FAIL, "ClassFactory.CreateInstance(BaseFilter)");
    CheckResult(graph_->AddFilter(decoder, "Forced DivX Decoder"), "Graph.AddFilter(Forced DivX)");
  }
  if (prefs)
    exposeGraph_ = prefs->GetBool("Modules.DirectShow.ExposeGraph");
}

void TDirectShowHelper::AddForcedFilters() {
  IPrefs* prefs = host_.prefs;
  if (!graph_)
    return;
  // The picture controls and the OSD in the picture need the own video processor; without it the
  // picture plays as it is, so a processor that cannot be made is only logged.
  if (!isDVD && Pref(prefs, "Video.VideoProcessor", "1") == "1") {
    if (std::shared_ptr<IFilter> proc = engine_.CreateFilter(classes::VideoProcessor))
      CheckResult(graph_->AddFilter(proc, "Video Processor"), "Graph.AddFilter(VideoProcessor)");
    else
      Log("!TDirectShowHelper.CreateBuilder: no video processor");
  }
  if (prefs) {
    std::string list = prefs->GetString("Modules.DirectShow.ForceFilters");
    for (const std::string& item : SplitString(list, ',')) {
      std::string_view text = Trim(item);
      if (text.empty())
        continue;
      try {
        std::optional<TGuid> cls = TGuid::Parse(text);
        std::shared_ptr<IFilter> f = cls ? engine_.CreateFilter(*cls) : nullptr;
        CheckResult(f ? S_OK : Code(0x80040154), "CoCreateInstance(Plugin)");
        std::string name = "Plugin: " + engine_.FilterFriendlyName(*cls);
        CheckResult(graph_->AddFilter(f, name), "Graph.AddFilter(" + name + ")");
      } catch (const EZvError&) {
        // A forced filter that cannot be made is skipped; the others are still added.
      }
    }
  }
}

void TDirectShowHelper::WriteGraphFile() {
  if (!exposeGraph_ || !graph_ || !host_.userDir)
    return;
  try {
    WriteFileAtomic(host_.userDir() + "ZV.graph.dot", graph_->GraphDescription());
  } catch (const std::exception& e) {
    Log(std::string("!TDirectShowHelper.ExposeGraph: ") + e.what());
  }
}

void TDirectShowHelper::FreeGraph() {
  if (!graph_)
    return;
  TLogScope scope("TDirectShowHelper.FreeGraph");
  graph_->Stop();
  graph_->SetVideoOutput(nullptr);
  graph_->SetEventNotify(nullptr);
  if (!dvd_)
    RemoveAllFilters();
  dvd_ = nullptr; // goes with its graph
  ResetDvdState();
  graph_.reset();
  renderPending_ = running_ = false;
  hasControl_ = hasSeeking_ = hasEvents_ = hasVideoWindow_ = false;
  hasVideo_ = hasAudio_ = false;
  videoWidth_ = videoHeight_ = 0;
  cachedDuration_ = 0;
  durationFallback_ = false;
}

HRESULT TDirectShowHelper::RenderFile(const std::string& name) {
  if (!graph_)
    return E_UNEXPECTED;
  if (dvd_) // the disc reader takes the folder the IFO file is in
    return dvd_->SetDVDDirectory(TSystemHelper::TrueFileName(name));
  // The process's folder stays where it is; relative names are made absolute instead.
  isURL_ = IsStreamName(name);
  if (isURL_ && host_.setCaption)
    host_.setCaption("Connecting to URL.."); // reaching a station can take a while
  std::string target = name;
  if (!isURL_)
    target = TSystemHelper::TrueFileName(name);
  std::string trace;
  if (host_.exeDir) {
    std::string path = host_.exeDir() + "ZV.Render.txt";
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      std::ofstream(path, std::ios::trunc | std::ios::binary);
      trace = path;
      graph_->SetLogFile(trace);
    }
  }
  HRESULT hr;
  try {
    // Network streams through the stream source join here with network playback.
    hr = graph_->RenderFile(target);
  } catch (const std::exception& e) {
    // An error while rendering is a failure, never a partial success: an empty graph never opens.
    Log(std::string("!TDirectShowHelper.RenderFile: ") + e.what());
    hr = E_FAIL;
  }
  if (!trace.empty() && hr != E_PENDING)
    graph_->SetLogFile("");
  renderPending_ = hr == E_PENDING;
  return hr;
}

std::string TDirectShowHelper::StreamFailureText(HRESULT code) {
  if (int status = HttpStatusOf(code))
    return Format(Lang("Error.Stream.Http"), status);
  switch (code) {
  case ZV_E_CONNECTION_REFUSED: return Lang("Error.Stream.Refused");
  case ZV_E_HOST_NOT_FOUND: return Lang("Error.Stream.HostNotFound");
  case ZV_E_NO_ANSWER:
  case VFW_E_TIMEOUT: return Lang("Error.Stream.NoAnswer");
  case ZV_E_NOT_HTTP: return Lang("Error.Stream.NotHttp");
  case ZV_E_REDIRECT_FAILED: return Lang("Error.Stream.Redirect");
  case ZV_E_ADDRESS_REFUSED: return Lang("Error.Stream.Scheme");
  case VFW_E_UNKNOWN_FILE_TYPE:
  case VFW_E_INVALID_FILE_FORMAT:
  case VFW_E_CANNOT_RENDER: return Lang("Error.Stream.NotMedia");
  case VFW_E_UNSUPPORTED_STREAM: return Lang("Error.Stream.NoDecoder");
  case VFW_E_NO_AUDIO_HARDWARE: return Lang("Error.NoSoundDevice");
  default: return ErrorText(code);
  }
}

// While a stream is still being reached, the graph is not the user's to run, pause or seek.
void TDirectShowHelper::Run() {
  if (!graph_ || !hasControl_ || renderPending_)
    return;
  CheckResult(graph_->Run(), "MediaControl.Run");
  running_ = true;
  if (dvd_ && Failed(dvd_->PlayForwards(1.0)))
    Log("!TDirectShowHelper.Run: the disc does not play forwards");
  WriteGraphFile();
}

void TDirectShowHelper::Pause() {
  running_ = false;
  if (graph_ && hasControl_ && !renderPending_)
    CheckResult(graph_->Pause(), "MediaControl.Pause");
}

void TDirectShowHelper::Stop() {
  running_ = false;
  if (graph_ && hasControl_ && !renderPending_)
    CheckResult(graph_->Stop(), "MediaControl.Stop");
}

void TDirectShowHelper::SetRate(double rate) {
  if (graph_ && hasSeeking_ && !renderPending_)
    CheckResult(graph_->SetRate(rate), "MediaSeeking.SetRate");
}

void TDirectShowHelper::FrameStep(int frames) {
  if (!graph_)
    return;
  if (Succeeded(graph_->QueryInterface(TInterface::VideoFrameStep)) && Succeeded(graph_->Step(frames)))
    return;
  SeekTo(GetPosition() + frameTime_);
}

void TDirectShowHelper::SeekTo(int64_t position) {
  Log("+TDirectShowHelper.SeekTo (" + FormatTime("{H}:{M}:{S}", position) + ")");
  try {
    if (position < 0)
      position = 0;
    std::string osd = Lang("OSD.Seek") + ": " + FormatTime("{H}:{M}:{S}", position);
    if (host_.prefs && host_.prefs->GetBool("OSD.ShowTotalTimeInReverse"))
      osd += " (" + FormatTime("{H}:{M}:{S}", GetDuration()) + ")";
    if (host_.showOSD)
      host_.showOSD(osd);
    if (dvd_) {
      SeekDvd(position);
    } else if (graph_ && hasControl_ && !renderPending_) {
      TLogScope inner("TDirectShowHelper.SeekTo.MediaControl");
      int64_t duration = GetDuration();
      if (position > duration)
        position = duration;
      if (position < 0)
        position = 0;
      Log(" = Pos(" + std::to_string(position) + "), Dur(" + std::to_string(duration) + ")");
      int flags = AM_SEEKING_AbsolutePositioning;
      if (host_.prefs && host_.prefs->GetBool("Video.KeyFrameSeek")) {
        Log(" = Video.KeyFrameSeek");
        flags |= AM_SEEKING_SeekToKeyFrame;
      }
      if (hasSeeking_)
        CheckResult(graph_->SetPositions(position, flags, 0, AM_SEEKING_NoPositioning), "MediaSeeking.SetPositions");
    }
  } catch (const std::exception& e) {
    Log(std::string("!TDirectShowHelper.SeekTo: ") + e.what()); // seeking never raises
  }
  Log("-TDirectShowHelper.SeekTo");
}

int64_t TDirectShowHelper::GetPosition() {
  if (dvd_)
    return dvdTime_.Ticks();
  int64_t p = 0;
  if (graph_ && hasSeeking_ && Succeeded(graph_->GetCurrentPosition(p)))
    return p;
  return 0;
}

int64_t TDirectShowHelper::GetDuration() {
  if (dvd_) { // 0 until the disc first tells its domain
    if (dvdDomainSeen_ && !dvdTotalKnown_)
      ReadDvdTotal();
    return dvdTotal_.Ticks();
  }
  if (cachedDuration_ == 0 && graph_ && hasSeeking_) {
    int64_t d = 0;
    if (Succeeded(graph_->GetDuration(d)) && d > 0) {
      cachedDuration_ = d;
      durationFallback_ = false;
    } else {
      durationFallback_ = true;
      return kOneHour;
    }
  }
  return cachedDuration_;
}

bool TDirectShowHelper::Snapshot(const std::string& media, const std::string& bitmapFile, int64_t position) {
  TLogScope scope("TDirectShowHelper.Snapshot");
  eng::TFrame frame;
  if (!engine_.GrabFrame(media, position, frame, 5000) || frame.width <= 0 || frame.height <= 0) {
    Log("!No picture of " + media + " at " + FormatTime("{H}:{M}:{S}.{MS}", position));
    return false;
  }
  TBitmap32 bitmap(frame.width, frame.height);
  std::copy(frame.pixels.begin(), frame.pixels.end(), bitmap.Row(0));
  return WriteBmpFile(bitmapFile, bitmap);
}

void TDirectShowHelper::CheckForAV() {
  videoWidth_ = videoHeight_ = 0;
  if (!graph_)
    return;
  CheckResult(graph_->QueryInterface(TInterface::BasicVideo), "Graph.QueryInterface(IBasicVideo)");
  int w = 0, h = 0;
  hasVideo_ = Succeeded(graph_->GetVideoSize(w, h));
  // A disc always has a picture, but its first one may still be on its way from the disc's
  // navigator: its size is waited for a little (not the graph's preroll, which a menu's sound may
  // never end), and the picture is shown in any case.
  for (int i = 0; dvd_ && !hasVideo_ && i < 30; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    hasVideo_ = Succeeded(graph_->GetVideoSize(w, h));
  }
  if (dvd_ && !hasVideo_) {
    Log("!TDirectShowHelper.CheckForAV: the disc's picture size is not known yet");
    hasVideo_ = true;
    w = 720;
    h = 576;
  }
  if (hasVideo_) {
    videoWidth_ = w;
    videoHeight_ = h;
  }
  hasAudio_ = FindAudioRenderer(0) != nullptr;
}

void TDirectShowHelper::DetectVideoFPS() {
  frameTime_ = 0;
  if (IFilter* decoder = FindVideoDecoder()) {
    if (IPin* in = FirstPin(decoder, TPinDirection::Input)) {
      TMediaType mt;
      CheckResult(in->ConnectionMediaType(mt), "InPin.ConnectionMediaType");
      if (mt.HasVideoInfo())
        frameTime_ = mt.VideoInfo().avgTimePerFrame;
    }
  }
  if (frameTime_ <= 0)
    frameTime_ = kDefaultFrameTime;
}

void TDirectShowHelper::SetOwner(IVideoOutput* output) {
  if (!graph_)
    return;
  if (!output) {
    graph_->SetVideoOutput(nullptr);
    return;
  }
  CheckResult(graph_->SetVideoOutput(output), "VideoWindow.Put_Owner");
}

void TDirectShowHelper::OnHeader(const std::string& name, const std::string& value) {
  Log("DSH.OnHeader(" + name + " " + value + ")");
  if (name == "icy-error:") {
    if (host_.showOSD)
      host_.showOSD(value);
  } else if (name == "icy-name:") {
    net_.stationName = value;
  } else if (name == "icy-genre:") {
    net_.genre = value;
  } else if (name == "icy-url:") {
    net_.stationUrl = value;
  } else if (name == "icy-br:") {
    net_.bitRate = value;
  }
}

void TDirectShowHelper::OnMetadata(const std::string& title, const std::string&) {
  // A stream that does not name what it plays shows the playlist's title instead.
  std::string shown =
      title.empty() || title == "N/A" ? (host_.playlistTitle ? host_.playlistTitle() : std::string()) : title;
  Log("DSH.OnMetadata(" + shown + ")");
  net_.title = shown;
  if (host_.setCaption)
    host_.setCaption(shown);
  if (host_.showOSD)
    host_.showOSD(shown);
}

void TDirectShowHelper::OnGraphEvent() {
  if (!graph_ || !hasEvents_)
    return;
  bool complete = false;
  std::optional<HRESULT> renderDone;
  TEvent e;
  while (graph_ && graph_->GetEvent(e)) {
    Log("MediaEvent: " + EventName(e.code) +
        Format(" (%d, %d)", static_cast<int64_t>(e.param1), static_cast<int64_t>(e.param2)));
    OnDvdEvent(e);
    if (eventHook)
      eventHook(e);
    if (e.code == EC_LENGTH_CHANGED)
      cachedDuration_ = 0; // the engine learned the real length
    if (e.code == EC_ZV_STREAM_NOTICE && graph_)
      for (const TStreamNotice& n : graph_->TakeStreamNotices()) {
        if (!n.title)
          OnHeader(n.name, n.value);
        else if (isURL_) // a local file's own title tag is not a stream's
          OnMetadata(n.value, std::string());
      }
    if (e.code == EC_COMPLETE)
      complete = true;
    if (e.code == EC_ZV_RENDER_DONE && renderPending_) {
      renderPending_ = false;
      renderDone = static_cast<HRESULT>(e.param1);
    }
    if (e.code == EC_BUFFERING_DATA && isURL_)
      ShowBuffering(static_cast<int>(e.param2));
    if (e.code == EC_ERRORABORT && running_) {
      // A file or stream that fails while it plays has ended: the list goes on.
      Log("!TDirectShowHelper.OnGraphEvent: " + ErrorText(static_cast<HRESULT>(e.param1)));
      running_ = false;
      complete = true;
    }
  }
  if (renderDone && onRenderDone_) {
    if (graph_)
      graph_->SetLogFile("");
    onRenderDone_(*renderDone);
  }
  if (complete && onComplete_)
    onComplete_();
}

void TDirectShowHelper::ShowBuffering(int percent) {
  // Only while the stream is being reached: once it plays, its buffer rises and falls with every
  // piece the server sends, and the caption shows what plays.
  if (renderPending_ && host_.setCaption)
    host_.setCaption(Format(" Prebuffering [ %d%% ]", percent));
}

// ---------------------------------------------------------------------------------------------
// Graph utilities

void TDirectShowHelper::DisconnectAll(IFilter* filter) {
  if (!graph_ || !filter)
    return;
  for (IPin* pin : filter->Pins()) {
    IPin* other = pin->ConnectedTo();
    if (!other)
      continue;
    CheckResult(graph_->Disconnect(other), "Graph.Disconnect(cPin)");
    CheckResult(graph_->Disconnect(pin), "Graph.Disconnect(Pin)");
  }
}

void TDirectShowHelper::RemoveAllFilters() {
  if (!graph_)
    return;
  for (int guard = 0; guard < 10000; ++guard) {
    std::vector<IFilter*> filters = graph_->EnumFilters();
    if (filters.empty())
      break;
    DisconnectAll(filters.front());
    CheckResult(graph_->RemoveFilter(filters.front()), "Graph.RemoveFilter");
    // The walk starts again ("FEnum.Reset") after every removal.
  }
  cachedDuration_ = 0;
}

HRESULT TDirectShowHelper::ConnectFilters(IFilter* upstream, IFilter* downstream) {
  if (!graph_ || !upstream || !downstream)
    return E_FAIL;
  IPin* out = FirstPin(upstream, TPinDirection::Output);
  IPin* in = FirstPin(downstream, TPinDirection::Input);
  if (!out || !in)
    return E_FAIL;
  return graph_->ConnectDirect(out, in, nullptr);
}

IPin* TDirectShowHelper::FirstPin(IFilter* filter, TPinDirection direction) {
  if (!filter)
    return nullptr;
  for (IPin* p : filter->Pins())
    if (p->Direction() == direction)
      return p;
  return nullptr;
}

TGuid TDirectShowHelper::FilterClass(IFilter* filter) { return filter ? filter->ClassId() : TGuid{}; }

std::string TDirectShowHelper::FilterName(IFilter* filter) { return filter ? CopyStr(filter->Name(), 1, 256) : ""; }

IFilter* TDirectShowHelper::FindFilterByClass(const TGuid& cls) { return FindFilterByClassIndex(cls, 0); }

IFilter* TDirectShowHelper::FindFilterByClassIndex(const TGuid& cls, int n) {
  if (!graph_)
    return nullptr;
  int seen = 0;
  for (IFilter* f : graph_->EnumFilters()) {
    TGuid c = FilterClass(f);
    if (c.IsNull())
      continue;
    if (c == cls && seen++ == n)
      return f;
  }
  return nullptr;
}

IFilter* TDirectShowHelper::FindVideoDecoder() {
  if (!graph_)
    return nullptr;
  IFilter* found = nullptr;
  for (IFilter* f : graph_->EnumFilters()) {
    if (FilterClass(f) == kDvdNavigator) {
      found = f;
      continue;
    }
    IPin* in = FirstPin(f, TPinDirection::Input);
    IPin* out = FirstPin(f, TPinDirection::Output);
    if (!in || !out || !in->ConnectedTo() || !out->ConnectedTo())
      continue;
    TMediaType a, b;
    if (Failed(in->ConnectionMediaType(a)) || Failed(out->ConnectionMediaType(b)))
      continue;
    if (a.IsVideo() && !IsDecodedVideoSubtype(a.subtype) && b.IsVideo() && IsDecodedVideoSubtype(b.subtype))
      found = f;
  }
  return found;
}

IFilter* TDirectShowHelper::FindVideoProcessor() {
  if (!graph_)
    return nullptr;
  for (IFilter* f : graph_->EnumFilters())
    if (f->ProcessorSettings())
      return f;
  return nullptr;
}

bool TDirectShowHelper::HasPropertyPages(IFilter* filter) { return filter && !filter->Properties().empty(); }

void TDirectShowHelper::ShowFilterProperties(IFilter* filter) {
  if (!filter)
    return;
  if (!HasPropertyPages(filter)) {
    if (host_.alert)
      host_.alert(Lang("Error.NoProps"));
    return;
  }
  if (!host_.showProperties)
    return;
  // The dialog finds the filter again by name in the same graph, each time it changes something.
  const uint64_t serial = graphSerial_;
  const std::string name = filter->Name();
  host_.showProperties([this, serial, name]() -> IFilter* {
    if (serial != graphSerial_ || !graph_)
      return nullptr;
    for (IFilter* f : graph_->EnumFilters())
      if (f->Name() == name)
        return f;
    return nullptr;
  });
}

std::shared_ptr<TVideoProcSettings> TDirectShowHelper::VideoProcessorSettings() {
  IFilter* f = FindVideoProcessor();
  return f ? f->ProcessorSettings() : nullptr;
}

// The decoders this engine plays through offer no colour controls of their own, so the video
// processor is the only kind: once it has transformed a picture, or as soon as pictures are on
// their way to it (a film's stored colours are applied before its first picture has passed).
std::shared_ptr<TVideoProcSettings> TDirectShowHelper::ColourControl() {
  IFilter* f = FindVideoProcessor();
  std::shared_ptr<TVideoProcSettings> s = f ? f->ProcessorSettings() : nullptr;
  if (!s)
    return nullptr;
  IPin* in = FirstPin(f, TPinDirection::Input);
  return s->active.load() || (in && in->ConnectedTo()) ? s : nullptr;
}

std::string TDirectShowHelper::ColourControlKind() { return ColourControl() ? "VideoProc" : std::string(); }

namespace {
TDirectShowHelper::TBCS ReadBCS(const TVideoProcSettings& s) {
  const auto scale = [](int32_t x) { return (std::clamp(x, -100, 100) + 100) / 2; };
  return {scale(s.brightness.load()), scale(s.contrast.load()), scale(s.saturation.load())};
}
} // namespace

TDirectShowHelper::TBCS TDirectShowHelper::GetBCS() {
  const std::shared_ptr<TVideoProcSettings> s = ColourControl();
  if (!s) {
    if (host_.showOSD)
      host_.showOSD(Lang("OSD.NoVideoInterface"));
    return {};
  }
  return ReadBCS(*s);
}

void TDirectShowHelper::SetBCS(int brightness, int contrast, int saturation) {
  const TBCS before = GetBCS();
  const std::shared_ptr<TVideoProcSettings> s = ColourControl();
  if (!s) {
    if (host_.showOSD)
      host_.showOSD(Lang("OSD.NoVideoInterface"));
    return;
  }
  // Values past the scale's ends stay at its ends.
  const auto unscale = [](int v) { return std::clamp(v, 0, 100) * 2 - 100; };
  s->brightness = unscale(brightness);
  s->contrast = unscale(contrast);
  s->saturation = unscale(saturation);
  const TBCS after = ReadBCS(*s);
  const std::pair<const char*, int TBCS::*> controls[] = {
      {"OSD.Brightness", &TBCS::brightness}, {"OSD.Contrast", &TBCS::contrast}, {"OSD.Saturation", &TBCS::saturation}};
  for (const auto& [key, field] : controls)
    if (after.*field != before.*field && host_.showOSD)
      host_.showOSD(Lang(key) + " " + std::to_string(after.*field) + "%");
}

void TDirectShowHelper::AdjustBCS(int dBrightness, int dContrast, int dSaturation) {
  const TBCS v = GetBCS();
  SetBCS(v.brightness + dBrightness, v.contrast + dContrast, v.saturation + dSaturation);
}

IFilter* TDirectShowHelper::FindAudioRenderer(int n) {
  if (!graph_)
    return nullptr;
  std::vector<IFilter*> renderers;
  for (IFilter* f : graph_->EnumFilters()) {
    TGuid c = FilterClass(f);
    if (c == kDirectSound || c == kWaveOut)
      renderers.push_back(f);
  }
  // Counted from the end of the walk: the last one enumerated is number 0.
  if (n < 0 || n >= static_cast<int>(renderers.size()))
    return nullptr;
  return renderers[renderers.size() - 1 - static_cast<size_t>(n)];
}

void TDirectShowHelper::SetVolume(int n, long volume) {
  if (IFilter* r = FindAudioRenderer(n))
    if (IBasicAudio* a = r->BasicAudio())
      a->SetVolume(volume);
}

void TDirectShowHelper::SetBalance(int n, long balance) {
  if (IFilter* r = FindAudioRenderer(n))
    if (IBasicAudio* a = r->BasicAudio())
      a->SetBalance(balance);
}

IFilter* TDirectShowHelper::FindAudioDecoder(int n) {
  if (!graph_)
    return nullptr;
  // Decoders that give floating-point samples count too: most of them do.
  static const TGuid kPcm = TGuid::FromFourCC(1), kFloat = TGuid::FromFourCC(3);
  std::vector<IFilter*> decoders;
  for (IFilter* f : graph_->EnumFilters()) {
    IPin* out = FirstPin(f, TPinDirection::Output);
    TMediaType mt;
    if (out && out->ConnectedTo() && Succeeded(out->ConnectionMediaType(mt)) && mt.IsAudio() &&
        mt.formattype == guids::FORMAT_WaveFormatEx && (mt.subtype == kPcm || mt.subtype == kFloat))
      decoders.push_back(f);
  }
  if (n < 0 || n >= static_cast<int>(decoders.size()))
    return nullptr;
  return decoders[decoders.size() - 1 - static_cast<size_t>(n)];
}

void TDirectShowHelper::NextAudioStream() {
  if (!graph_)
    return;
  const auto isAudio = [](const TMediaType& mt) { return mt.IsAudio(); };
  for (IFilter* f : graph_->EnumFilters()) {
    IStreamSelect* select = f->StreamSelect();
    const int count = select ? select->Count() : 0;
    int current = -1;
    for (int i = 0; i < count && current < 0; ++i) {
      std::string name;
      bool enabled = false;
      TMediaType mt;
      if (select->Info(i, name, enabled, &mt) && enabled && isAudio(mt))
        current = i;
    }
    if (current < 0)
      continue;
    // The next audio stream after it, enabled or not, else the first from the start.
    int next = -1;
    for (int pass = 0; pass < 2 && next < 0; ++pass)
      for (int i = pass == 0 ? current + 1 : 0; i < count && next < 0; ++i) {
        std::string name;
        bool enabled = false;
        TMediaType mt;
        if (select->Info(i, name, enabled, &mt) && isAudio(mt))
          next = i;
      }
    if (next >= 0) {
      TFilterState state = State_Stopped;
      graph_->GetState(0, state);
      graph_->Stop();
      select->Enable(next);
      if (state == State_Running)
        graph_->Run();
    }
    return;
  }
}

void TDirectShowHelper::InsertParamEq(int n) {
  Log(Format("+TDirectShowHelper.InsertParamEq(%d)", n));
  IFilter* rnd = FindAudioRenderer(0);
  if (!rnd) {
    Log(" = No Audio Renderer.");
    return;
  }
  if (IPin* rndIn = FirstPin(rnd, TPinDirection::Input)) {
    Log(" = RndInPin <> NIL");
    IPin* decOut = rndIn->ConnectedTo();
    CheckResult(decOut ? S_OK : VFW_E_NOT_CONNECTED, "RndInPin.ConnectedTo");
    TMediaType mt;
    CheckResult(rndIn->ConnectionMediaType(mt), "RndInPin.ConnectionMediaType");
    CheckResult(graph_->Disconnect(decOut), "Graph.Disconnect(DecOutPin)");
    CheckResult(graph_->Disconnect(rndIn), "Graph.Disconnect(RndInPin)");
    Log(" = Initialize every eq param:");
    Log(" = ----------------");
    for (int i = 1; i <= n; ++i) {
      Log(Format(" = Eq param \u2116: %d", i));
      std::shared_ptr<IFilter> eq = engine_.CreateFilter(classes::DMOWrapper);
      if (!eq)
        continue;
      Log(" = CLSID_DMOWrapperFilter: Success");
      CheckResult(eq->ParamEq() ? S_OK : E_NOINTERFACE, "DMOW.Init(ParamEq)");
      CheckResult(graph_->AddFilter(eq, "ParamEq"), "Graph.AddFilter(ParamEq)");
      CheckResult(graph_->ConnectDirect(decOut, FirstPin(eq.get(), TPinDirection::Input), &mt),
                  "Graph.ConnectDirect(DecOutPin,EqInPin)");
      decOut = FirstPin(eq.get(), TPinDirection::Output);
    }
    Log(" = ----------------");
    Log(" = Graph.ConnectDirect(DecOutPin,RndInPin,@MT), Graph.ConnectDirect(DecOutPin,RndInPin)");
    CheckResult(graph_->ConnectDirect(decOut, rndIn, &mt), "Graph.ConnectDirect(DecOutPin,RndInPin)");
    Log(" = Free: MT");
    Log(" = Free: RndInPin");
  }
  Log(" = Free: Rnd");
  Log("-TDirectShowHelper.InsertParamEq");
}

int TDirectShowHelper::CountAudioRenderers() {
  int c = 0;
  while (FindAudioRenderer(c))
    ++c;
  return c;
}

IFilter* TDirectShowHelper::UpstreamFilter(IFilter* filter) {
  IPin* in = FirstPin(filter, TPinDirection::Input);
  IPin* other = in ? in->ConnectedTo() : nullptr;
  return other ? other->Owner() : nullptr;
}

IFilter* TDirectShowHelper::PinOwner(IPin* pin) { return pin ? pin->Owner() : nullptr; }

std::string TDSGraphLogger::GraphAsText(IGraph& graph) {
  std::string t = "+TDSGraphLogger.GraphAsText\r\n";
  for (IFilter* f : graph.EnumFilters()) {
    t += "[FLT:] " + f->Name() + "\r\n";
    t += "CLSID:" + f->ClassId().ToString() + "\r\n";
    t += "FN:" + f->ImplementationFile() + "\r\n";
    for (IPin* p : f->Pins()) {
      t += (p->Direction() == TPinDirection::Output ? "[out]" : "[in]") + p->Name();
      if (IPin* other = p->ConnectedTo())
        t += " <-c-> " + other->Name();
      t += "\r\n";
      for (const TMediaType& mt : p->MediaTypes())
        t += "MT:" + mt.majortype.ToString() + ":" + mt.subtype.ToString() + "\r\n";
      t += "\r\n";
    }
    t += "\r\n";
  }
  t += "-TDSGraphLogger.GraphAsText\r\n";
  return t;
}

} // namespace zv
