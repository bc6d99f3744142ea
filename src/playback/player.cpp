#include "playback/player.h"

#include "core/error.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/stream_address.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "filters/avi_parser.h"
#include "mediainfo/media_info.h"
#include "prefs/media_store.h"
#include "skin/language_manager.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace zv {
namespace fs = std::filesystem;

namespace {
bool g_divx = false;

// Whether the file opens and its head can be read (which is also what the opening reads first).
bool CanRead(const std::string& name) {
  if (std::string disc = TSystemHelper::DiscDeviceOf(name); !disc.empty())
    return ::access(disc.c_str(), R_OK) == 0; // a disc in a drive, read without mounting it
  std::error_code ec;
  if (!fs::is_regular_file(name, ec))
    return false;
  std::ifstream in(name, std::ios::binary);
  std::vector<char> head(64 * 1024);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  return !in.bad() && (in.good() || in.eof());
}

bool Exists(const std::string& name) {
  std::error_code ec;
  return fs::exists(name, ec);
}
} // namespace

TCurrentMedia& CurrentMedia() {
  static TCurrentMedia current;
  return current;
}

bool TPlayer::DivXFlag() { return g_divx; }

TPlayer::TPlayer(TDirectShowHelper& dsh, TPlayerHost host) : dsh_(dsh), host_(std::move(host)) {
  mailbox_ = std::make_shared<TMailbox>();
  mailbox_->dispatcher = host_.dispatcher;
  mailbox_->player = this;
  if (!host_.services)
    host_.services = &nothing_;
  dsh_.SetCompletionCallback([this] { OnComplete(); });
}

TPlayer::~TPlayer() {
  try {
    SaveMediaSettings();
  } catch (const std::exception& e) {
    Log(std::string("!TPlayer.SaveMediaSettings: ") + e.what());
  }
  try {
    if (dsh_.Graph())
      dsh_.Stop();
  } catch (const EZvError&) {
    // a graph that cannot stop is freed below anyway
  }
  {
    // A file check that answers later finds nobody.
    std::lock_guard<std::mutex> guard(mailbox_->lock);
    mailbox_->dispatcher = nullptr;
    mailbox_->player = nullptr;
  }
  dsh_.SetCompletionCallback(nullptr);
  dsh_.SetRenderDoneCallback(nullptr);
  Close();
}

void TPlayer::Mark(const std::string& mark) {
  if (host_.window)
    host_.window->SetCaptionText(mark + host_.window->CaptionText());
}

int64_t TPlayer::GetPosition() { return dsh_.GetPosition(); }

int64_t TPlayer::GetDuration() { return dsh_.GetDuration(); }

void TPlayer::Rewind() { dsh_.SeekTo(0); }

void TPlayer::SeekTo(int64_t position) {
  if (state_ == TOpening::Pending)
    pendingSeek_ = position; // where the file goes once it is open (a bookmark chosen in the list)
  else
    dsh_.SeekTo(position);
}

void TPlayer::Close() {
  try {
    if (dsh_.Graph())
      dsh_.Stop();
  } catch (const EZvError&) {
    // freed below
  }
  builder_.reset();
  mediaInfo_.reset();
  infoFile_.reset();
  host_.services->FreeModels();
  fileName_.clear();
  parts_.clear();
  dsh_.SetOwner(nullptr);
  dsh_.FreeGraph();
  if (host_.window)
    host_.window->EnableControls(false);
  host_.services->UnloadSubtitles();
}

TMediaInfo* TPlayer::MediaInfo() {
  if (mediaInfo_ && IsStreamName(fileName_))
    mediaInfo_->RetreiveInfo();
  return mediaInfo_.get();
}

void TPlayer::ReadMediaInfo(const std::string& name) {
  TMediaInfoContext context = host_.mediaInfo;
  // The engine's duration stands in for the file it plays, never for another one.
  context.playingDuration = [this, name](const std::string& file) -> int64_t {
    if (file != name || !dsh_.Graph())
      return 0;
    int64_t d = dsh_.GetDuration();
    return dsh_.DurationIsFallback() ? 0 : d;
  };
  mediaInfo_.reset();
  infoFile_ = std::make_unique<TCachedFile>(name);
  mediaInfo_ = std::make_unique<TMediaInfo>(*infoFile_, std::move(context));
  mediaInfo_->RetreiveInfo();
}

void TPlayer::OnComplete() {
  try {
    dsh_.Pause();
  } catch (const EZvError& e) {
    Log(std::string("!TPlayer.OnComplete: ") + e.what());
  }
  if (!host_.prefs || host_.prefs->GetString("OnDone.Rewind") != "0")
    dsh_.SeekTo(0);
  if (onCompleted)
    onCompleted();
}

std::string TPlayer::GetNextFilePart(const std::string& name) {
  fs::path p(name);
  std::string ext = p.extension().string();
  std::string base = name.substr(0, name.size() - ext.size());
  if (base.empty() || base.back() == '/')
    return {};
  char& last = base.back();
  if (!((last >= '0' && last <= '9') || (last >= 'a' && last <= 'z')))
    return {};
  last = static_cast<char>(last + 1); // 9 becomes ':', z becomes '{': names that never exist
  std::string next = base + ext;
  if (!Exists(next))
    return {};
  Log("TPlayer.GetNextFilePart:Found=[" + next + "]");
  return next;
}

std::vector<int64_t> IPlayerServices::LoadKeyFrames(const std::vector<std::string>& parts) {
  TLogScope scope("Player.LoadKeyFrames");
  // Joined parts run one after the other, each shifted by the running times of those before it
  // from their main headers, as the multi-part source plays them.
  std::vector<int64_t> keys;
  int64_t offset = 0;
  for (const std::string& part : parts) {
    TCachedFile file(part);
    int64_t duration = 0;
    std::vector<int64_t> own = TPlayer::LoadKeyFrames(file, offset, &duration);
    keys.insert(keys.end(), own.begin(), own.end());
    offset = SatAdd(offset, duration);
  }
  TPlayer::LogKeyFrames(keys);
  return keys;
}

std::vector<int64_t> TPlayer::LoadKeyFrames(TCachedFile& file, int64_t offset, int64_t* duration) {
  std::vector<int64_t> keys;
  if (duration)
    *duration = 0;
  TAVIParser parser(file);
  if (!parser.IsRIFFAVI())
    return keys;
  parser.Parse();
  if (duration)
    *duration = std::max<int64_t>(0, parser.Duration());
  // Only whole AVI files: the index of a file cut short points at data that is not there.
  if (parser.IsTruncated())
    return keys;
  parser.LoadIndex(false);
  for (int s = 0; s < parser.StreamCount(); ++s) {
    if (!parser.IsVideoStream(s))
      continue;
    const std::vector<TAVIIndexEntry>& entries = parser.Stream(s).entries;
    for (size_t j = 0; j < entries.size(); ++j)
      if (entries[j].KeyFrame())
        keys.push_back(
            SatAdd(offset, UnitsToTime(static_cast<int64_t>(j), parser.Stream(s).Rate(), parser.Stream(s).Scale())));
  }
  return keys;
}

void TPlayer::LogKeyFrames(const std::vector<int64_t>& keys) {
  Log(Format("KeyFrames=%d", static_cast<int>(keys.size())));
  if (keys.size() > 9) {
    auto line = [&](size_t i) {
      Log(Format("KeyFrame[%d]=%1.7f", static_cast<int>(i), static_cast<double>(keys[i]) / 10'000'000.0));
    };
    for (size_t i = 0; i < std::min<size_t>(10, keys.size()); ++i)
      line(i);
    Log("...");
    for (size_t i = keys.size() - 9; i < keys.size(); ++i)
      line(i);
  }
}

void TPlayer::Fail(const std::string& message) {
  if (host_.prefs && host_.prefs->GetBool("OSD.Info.AlertMsg")) {
    if (host_.osd)
      host_.osd(message);
  } else if (host_.alert) {
    host_.alert(message);
  }
}

TPlayer::TOpening TPlayer::Guarded(const std::function<TOpening()>& step) {
  try {
    return step();
  } catch (const EZvError& e) {
    // An engine step that failed ends the opening; nothing of the graph survives.
    Log(std::string("!TPlayer.PlayFile: ") + e.what());
    Fail(Lang("Error.RenderError") + "\r\n" + opening_ + "\r\n" + e.what());
    Close();
    return TOpening::Failed;
  }
}

void TPlayer::Settle(TOpening result) {
  state_ = result;
  if (result == TOpening::Pending)
    return;
  if (result == TOpening::Opened && pendingSeek_ >= 0)
    dsh_.SeekTo(pendingSeek_);
  pendingSeek_ = -1;
  if (result == TOpening::Opened)
    Log("-TPlayer.PlayFile");
  // The owner may free this player in its answer.
  if (async_ && onOpenEnded) {
    std::function<void(bool)> tell = onOpenEnded;
    tell(result == TOpening::Opened);
  }
}

void TPlayer::PlayFile(const std::string& name) {
  opening_ = name;
  async_ = false;
  Settle(Guarded([&] { return Start(name); }));
}

TPlayer::TOpening TPlayer::NotFound(const std::string& name) {
  Fail(Lang("Command.Category.0") + "\"" + name + "\"" + Lang("Core.Alert.NotFound"));
  Log("-TPlayer.PlayFile(not found)");
  return TOpening::Failed;
}

TPlayer::TOpening TPlayer::Start(const std::string& name) {
  Log("+TPlayer.PlayFile(" + name + ")");
  if (host_.window)
    host_.window->SetCaptionText("");
  Mark(">");
  if (IsStreamName(name)) {
    if (!IsAcceptedStreamAddress(name)) {
      // Devices and descriptors (fd://0, v4l2://) are never opened from a name in a list.
      Fail(Lang("Error.StreamError") + "\r\n" + name + "\r\n" + Lang("Error.Stream.Scheme"));
      Log("-TPlayer.PlayFile(address refused)");
      return TOpening::Failed;
    }
    return Open(name);
  }
  if (!host_.dispatcher)
    return CanRead(name) ? Open(name) : NotFound(name);
  // A file on a mount that hangs must not hold up the user interface: the file is first read on a
  // worker, and the opening goes on once it answered. A worker that never comes back is left.
  std::shared_ptr<TMailbox> mailbox = mailbox_;
  std::function<bool(const std::string&)> check = host_.checkFile ? host_.checkFile : CanRead;
  std::thread([mailbox, name, check] {
    bool readable = check(name);
    // The player may be gone by now, and the program with it: the mailbox says whether anyone
    // still listens. The player is read again where the answer runs, on the interface thread
    // that also frees it.
    std::lock_guard<std::mutex> guard(mailbox->lock);
    if (mailbox->dispatcher)
      mailbox->dispatcher->Post([mailbox, readable] {
        if (mailbox->player)
          mailbox->player->FileChecked(readable);
      });
  }).detach();
  return TOpening::Pending;
}

void TPlayer::FileChecked(bool readable) {
  if (state_ != TOpening::Pending)
    return;
  async_ = true;
  std::string name = opening_;
  Settle(Guarded([&] { return readable ? Open(name) : NotFound(name); }));
}

TPlayer::TOpening TPlayer::Open(const std::string& name) {
  IPrefs* prefs = host_.prefs;
  IPlayerWindow* win = host_.window;
  bool url = IsStreamName(name);
  if (!url && win)
    win->ShowCover(name);

  Log("TPlayer.PlayFile: CreateBuilder");
  std::string ext = UpperCase(fs::path(name).extension().string());
  dsh_.isDVD = ext == ".IFO";
  dsh_.CreateBuilder();
  Mark("-");

  bool join = prefs && prefs->GetString("Modules.DirectShow.JoinParts") == "1";
  TAdvancedGraphBuilder::THost bh;
  bh.prefs = prefs;
  bh.exeDir = host_.exeDir;
  bh.tempDir = host_.tempDir;
  bh.alert = host_.alert;
  bh.format = host_.format;
  builder_ = std::make_unique<TAdvancedGraphBuilder>(dsh_, bh);

  std::vector<std::string> parts{name};
  std::string next = (join && ext == ".AVI" && !url) ? GetNextFilePart(name) : std::string();
  while (!next.empty()) {
    parts.push_back(next);
    Mark("+");
    next = GetNextFilePart(next);
  }
  bool ok = parts.size() > 1 ? builder_->RenderMultiSource(parts) : builder_->Render(name);
  if (parts.size() > 1)
    parts_ = parts;
  if (builder_->Pending()) {
    // The caption shows the stream's progress meanwhile; Stop, Exit or another file free this
    // player, which ends the attempt.
    Log("TPlayer.PlayFile: connecting");
    dsh_.SetRenderDoneCallback([this](eng::HRESULT hr) {
      async_ = true;
      Settle(Guarded([&] { return Finish(builder_->FinishRender(hr)); }));
    });
    return TOpening::Pending;
  }
  return Finish(ok);
}

TPlayer::TOpening TPlayer::Finish(bool ok) {
  const std::string name = opening_;
  IPrefs* prefs = host_.prefs;
  IPlayerWindow* win = host_.window;
  IPlayerServices& svc = *host_.services;
  auto pref = [prefs](const char* key, const char* def) {
    std::string v = prefs ? prefs->GetString(key) : std::string();
    return v.empty() ? std::string(def) : v;
  };
  auto on = [&](const char* key, const char* def) { return pref(key, def) == "1"; };
  bool url = IsStreamName(name);
  std::vector<std::string> parts = parts_.empty() ? std::vector<std::string>{name} : parts_;

  using TProblem = TAdvancedGraphBuilder::TProblem;
  TProblem problem = builder_->Problem();
  if (ok && problem == TProblem::NoSoundDevice) {
    // The picture plays without its sound; the user hears of it once a session.
    if (!dsh_.toldNoSoundDevice) {
      dsh_.toldNoSoundDevice = true;
      Fail(Lang("Error.NoSoundDevice") + "\r\n" + Lang("Error.PlayingWithoutSound"));
    }
    problem = TProblem::None;
  }
  if (!ok || problem != TProblem::None) {
    // One message, naming the cause.
    if (url) {
      Fail(Lang("Error.StreamError") + "\r\n" + name + "\r\n" + dsh_.StreamFailureText(builder_->EngineResult()));
    } else if (dsh_.isDVD) {
      Fail(name + "\r\n" + dsh_.ErrorText(builder_->EngineResult())); // the disc's reason, in words
    } else {
      std::error_code ec;
      bool empty = fs::is_regular_file(name, ec) && fs::file_size(name, ec) == 0;
      std::string text = empty || problem == TProblem::NotMedia ? Lang("Error.NotMediaFile")
                         : problem == TProblem::NoSoundDevice   ? Lang("Error.NoSoundDevice")
                                                                : Lang("Error.RenderError");
      bool decoder = !empty && problem == TProblem::MissingDecoder && !builder_->CodecRequest().empty();
      if (decoder && host_.codecDialog && !(prefs && prefs->GetBool("OSD.Info.AlertMsg")))
        host_.codecDialog(builder_->CodecRequest(), name); // the dialog says it all
      else
        Fail(text + "\r\n" + name);
    }
    Close();
    Log("-TPlayer.PlayFile(render failed)");
    return TOpening::Failed;
  }
  if (dsh_.Graph())
    for (const std::string& line : SplitString(TDSGraphLogger::GraphAsText(*dsh_.Graph()), '\n'))
      Log(TrimRight(line));

  Log("TPlayer.PlayFile: CheckForAV");
  dsh_.CheckForAV();
  Log("TPlayer.PlayFile: CreateVideoModel");
  svc.CreateVideoModel();

  if (dsh_.HasVideo() && on("Sound.AddSound", "0") && !url) {
    std::string stem = name.substr(0, name.size() - fs::path(name).extension().string().size());
    for (const char* e : {".wav", ".mp3", ".wma", ".ogg"}) {
      std::string sound = stem + e;
      if (!Exists(sound))
        continue;
      Mark("a");
      Log("TPlayer.PlayFile:AddSound(\"" + sound + "\")");
      eng::HRESULT hr = dsh_.RenderFile(sound);
      if (eng::Failed(hr))
        Log(Format("TPlayer.PlayFile:AddSound FAILED %.8x", hr));
      break;
    }
  }

  Log("TPlayer.PlayFile:SetSoundOut");
  Log("+TPlayer.SetSoundOut");
  std::string device = pref("Sound.OutDevice", "Default DirectSound Device");
  if (SameText(device, "Default DirectSound Device"))
    device.clear();
  if (!device.empty())
    svc.SwitchSoundOutput(device);
  Log("-TPlayer.SetSoundOut");

  fileName_ = name;
  Mark("-");

  Log("TPlayer.PlayFile: DetectVideoFPS");
  try {
    dsh_.DetectVideoFPS();
    int64_t frame = dsh_.FrameTime() > 0 ? dsh_.FrameTime() : 1;
    Log(Format("FPS=%1.7f (%d hns)", 10'000'000.0 / static_cast<double>(frame), frame));
  } catch (const std::exception&) {
    // a frame rate that cannot be found keeps the default
  }

  svc.UnloadSubtitles();
  svc.SetSubtitleFrameRate(10'000'000.0 / static_cast<double>(dsh_.FrameTime() > 0 ? dsh_.FrameTime() : 400'000));
  if (win)
    win->ApplyFonts();
  if (on("Subtitles.AutoLoad", "0")) {
    Mark("s");
    Log("TPlayer.PlayFile:SearchForSubtitles");
    svc.SearchSubtitles(name);
    Log("TPlayer.PlayFile:SearchForSubtitles-done");
  }

  ReadMediaInfo(name);
  g_divx = LowerCase(mediaInfo_->CodecsText()).find("divx") != std::string::npos;
  dsh_.KeyFrames().clear();
  if (on("Seek.KeyFrameSeek", "1"))
    dsh_.KeyFrames() = svc.LoadKeyFrames(parts);
  Mark("-");

  Log("TPlayer.PlayFile: SetOwner");
  if (dsh_.HasVideo() && win)
    dsh_.SetOwner(win->MoviePanel());
  if (win) {
    int64_t duration = dsh_.GetDuration(); // an unknown length gives the seek bar no range
    win->SetSeekRange(dsh_.DurationIsFallback() ? 0 : duration);
  }

  Log("TPlayer.PlayFile: OnOpen");
  if (dsh_.HasVideo() && win) {
    Log("TPlayer.PlayFile: OnOpen.HidePanels");
    bool hidePanels = on("OnOpen.HidePanels", "0");
    bool fullScreen = on("OnOpen.FullScreen", "0");
    if (hidePanels && win->ControlPanelVisible())
      win->TogglePanels();
    else if (!hidePanels && fullScreen)
      win->ExecCommand(200);
    Log("TPlayer.PlayFile: OnOpen.Resize");
    if (on("OnOpen.Resize", "1") && !win->FullScreen())
      win->ResizeToVideo();
    Log("TPlayer.PlayFile: OnOpen.Center");
    if (on("OnOpen.Center", "1") && !win->FullScreen())
      win->CenterWindow();
    Log("TPlayer.PlayFile: OnOpen.FullScreen");
    if (fullScreen && !win->FullScreen())
      win->ExecCommand(202);
    Log("TPlayer.PlayFile: MapVideoWindow");
    win->MapVideoWindow();
  }

  Log("TPlayer.PlayFile: TAudioPropsModel.Create");
  svc.CreateAudioModel();
  if (on("Sound.Equalizer.Enabled", "0")) {
    Log("TPlayer.PlayFile: Equalizer enabled");
    svc.InsertEqualizer();
  }

  if (!dsh_.isDVD && win) {
    Log("TPlayer.PlayFile: Pause");
    win->ShowPaused();
  }
  if (win) {
    Log("TPlayer.PlayFile: EnableControls");
    win->EnableControls(true);
    Log("TPlayer.PlayFile: EnableTimer");
    win->EnableTimer();
    if (dsh_.HasAudio()) {
      Log("TPlayer.PlayFile: SetVolume");
      win->ApplyVolume();
    }
  }

  Log("TPlayer.PlayFile: Set playing title");
  std::string title = host_.playlistTitle ? host_.playlistTitle() : std::string();
  if (win)
    win->SetPlayingTitle(title);

  if (win) {
    win->ExecCommand(101);
    if (dsh_.HasVideo())
      win->HideCover();
  }
  if (!dsh_.isDVD)
    dsh_.Run();

  StoreMediaCache(name);
  ApplyMediaSettings();

  if (host_.openingMark && on("OnOpen.AutoSeek", "1")) {
    auto [position, markDuration] = host_.openingMark();
    const std::vector<int64_t>* keys = on("Seek.KeyFrameSeek", "1") ? &dsh_.KeyFrames() : nullptr;
    int64_t target = OpeningSkipTarget(dsh_.GetDuration(), position, markDuration, keys);
    if (target >= 0) {
      Log("TPlayer.PlayFile: OnOpen.AutoSeek");
      SeekTo(target);
    }
  }

  if (!url && win)
    win->ShowFileInfo();
  if (dsh_.HasVideo() && win && !win->Minimised() && host_.windowWasActive && host_.windowWasActive())
    win->ForceForeground();
  Log("TPlayer.PlayFile: OnOpen.Play");
  if (host_.reopenStopped && host_.reopenStopped() && win)
    win->ExecCommand(105);
  if (win)
    win->ApplyFonts();
  return TOpening::Opened;
}

int64_t TPlayer::OpeningSkipTarget(int64_t duration, int64_t markPosition, int64_t markDuration,
                                   const std::vector<int64_t>* keyFrames) {
  constexpr int64_t kClass = 1'800'000'000; // three minutes
  bool agree = markDuration == 0 || duration / kClass == markDuration / kClass;
  if (!agree || markPosition <= 0)
    return -1;
  int64_t target = markPosition;
  if (keyFrames) {
    int64_t best = 600'000'000;
    for (int64_t k : *keyFrames)
      if (std::llabs(k - markPosition) < best) {
        target = k + 10;
        best = std::llabs(k + 10 - markPosition);
      }
  }
  return target;
}

void TPlayer::StoreMediaCache(const std::string& name) {
  if (IsStreamName(name) || !host_.cache)
    return;
  std::string path = TSystemHelper::TrueFileName(name);
  TXMLNode* entry = host_.cache->EnsureEntry(path);
  // An unknown length is shown as an hour but never kept.
  int64_t duration = dsh_.GetDuration();
  if (!dsh_.DurationIsFallback())
    entry->SetAttr("dur", std::to_string(duration));
  hash_ = TMediaCache::GetFile64KHash(path);
  entry->SetAttr("hash64k", hash_);
  CurrentMedia() = TCurrentMedia{path, hash_};
}

void TPlayer::SaveMediaSettings() {
  if (hash_.empty() || !host_.settings)
    return;
  TXMLNode* entry = host_.settings->EnsureEntry(hash_);
  if (!entry)
    return;
  entry->SetAttr("PlayPos", std::to_string(dsh_.Graph() ? dsh_.GetPosition() : 0));
  int b = 50, c = 50, s = 50;
  if (host_.services->GetBCS(b, c, s)) {
    if (b == 50 && c == 50 && s == 50)
      entry->RemoveAttr("BCS");
    else
      entry->SetAttr("BCS", JoinInts(',', {b, c, s}));
  }
  if (host_.services->HasVideoProps()) {
    int zx = 100, zy = 100, ax = 0, ay = 0;
    host_.services->GetZoom(zx, zy);
    if (zx == 100 && zy == 100)
      entry->RemoveAttr("Zoom");
    else
      entry->SetAttr("Zoom", JoinInts(',', {zx, zy}));
    host_.services->GetAspect(ax, ay);
    if (ax != 0 || ay != 0)
      entry->SetAttr("AR", JoinInts(':', {ax, ay}));
    else
      entry->RemoveAttr("AR");
  }
}

bool TPlayer::SeekToLastPosition() {
  TXMLNode* entry = hash_.empty() || !host_.settings ? nullptr : host_.settings->FindEntry(hash_);
  const std::string pos = entry ? entry->GetAttr("PlayPos") : std::string();
  const auto p = StrToInt64Strict(pos);
  if (pos.empty() || !p || *p < 0)
    return false;
  SeekTo(*p);
  return true;
}

void TPlayer::ApplyMediaSettings() {
  if (hash_.empty() || !host_.settings)
    return;
  TXMLNode* entry = host_.settings->FindEntry(hash_);
  if (!entry)
    return;
  IPrefs* prefs = host_.prefs;
  if (prefs && prefs->GetBool("OnOpen.SeekLastPos")) {
    std::string pos = entry->GetAttr("PlayPos");
    if (auto p = StrToInt64Strict(pos); p && !pos.empty())
      SeekTo(*p);
  }
  if (prefs && prefs->GetString("OnOpen.ApplySettings") == "0")
    return;
  std::string bcs = entry->GetAttr("BCS");
  int b, c, s;
  if (!bcs.empty() && host_.services->GetBCS(b, c, s)) {
    b = static_cast<int>(NumberField(bcs, 0));
    c = static_cast<int>(NumberField(bcs, 1));
    s = static_cast<int>(NumberField(bcs, 2));
    if (!(b == 50 && c == 50 && s == 50))
      host_.services->SetBCS(b, c, s);
  }
  if (host_.services->HasVideoProps()) {
    std::string zoom = entry->GetAttr("Zoom");
    if (!zoom.empty()) {
      TPoint z = StrToPoint(zoom);
      host_.services->SetZoom(z.x, z.y);
    }
    std::string ar = entry->GetAttr("AR");
    if (!ar.empty())
      host_.services->ShowAspect(static_cast<int>(NumberField(ar, 0)), static_cast<int>(NumberField(ar, 1)));
  }
}

} // namespace zv
