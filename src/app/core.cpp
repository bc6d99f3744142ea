#include "app/core.h"

#include "app/executor.h"
#include "app/info_report.h"
#include "app/player_services.h"
#include "app/sound_global.h"
#include "commands/command_codes.h"
#include "core/app_paths.h"
#include "core/atomic_file.h"
#include "core/day_clock.h"
#include "core/error.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/text_codec.h"
#include "core/text_util.h"
#include "core/update_check.h"
#include "mediainfo/gst_media_detector.h"
#include "mediainfo/media_info.h"
#include "platform/cpu_meter.h"
#include "platform/desktop_shell.h"
#include "platform/desktop_types.h"
#include "platform/display_modes.h"
#include "platform/download.h"
#include "platform/global_keys.h"
#include "platform/language_names.h"
#include "platform/mpris.h"
#include "platform/screen_saver.h"
#include "platform/volumes.h"
#include "platform/win_irc.h"
#include "platform/winamp_bridge.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "playback/player.h"
#include "playback/sound_out.h"
#include "playback/sub_voice_player.h"
#include "playlist/duration_sniffer.h"
#include "prefs/assoc_store.h"
#include "prefs/media_store.h"
#include "prefs/prefs_setup.h"
#include "prefs/store_folder.h"
#include "subtitles/subtitle_model.h"
#include "ui/about_window.h"
#include "ui/alert.h"
#include "ui/audio_props_dialog.h"
#include "ui/codec_dialog.h"
#include "ui/command_event.h"
#include "ui/config_dialog.h"
#include "ui/file_filters.h"
#include "ui/filter_graph_dialog.h"
#include "ui/filter_properties.h"
#include "ui/info_dialog.h"
#include "ui/jump_window.h"
#include "ui/main_window.h"
#include "ui/osd_manager.h"
#include "ui/osd_panel.h"
#include "ui/play_grid.h"
#include "ui/playlist_window.h"
#include "ui/qt_dispatcher.h"
#include "ui/subtitle_dialog.h"
#include "ui/video_props_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace zv {

namespace {
// High or normal priority for the whole process; an ordinary user may lower it but not raise it.
bool SetProcessPriority(bool high) { return ::setpriority(PRIO_PROCESS, 0, high ? -5 : 0) == 0; }

// The global hot keys as a module; its keys can be let go for a while (the preferences capture
// keys) and taken again.
struct THotKeyModule : TModule {
  using TModule::TModule;
  std::function<std::unique_ptr<TGlobalKeys>()> make;
  std::unique_ptr<TGlobalKeys> keys;
};
} // namespace
namespace fs = std::filesystem;

namespace {

// A dialog placed by the main window: beside it (on its right when that fits, else on its left)
// or over its middle, and moved whole onto the main window's screen.
void PlaceByMainWindow(QWidget* dialog, QWidget* main, bool beside) {
  if (!main)
    return;
  dialog->adjustSize();
  const QRect frame = main->frameGeometry();
  const QRect screen = main->screen() ? main->screen()->availableGeometry() : frame;
  const QSize size = dialog->frameGeometry().size();
  QPoint at = frame.center() - QPoint(size.width() / 2, size.height() / 2);
  if (beside)
    at = QPoint(frame.right() + 1 + size.width() <= screen.right() ? frame.right() + 1 : frame.left() - size.width(),
                frame.top());
  dialog->move(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - size.width())),
               std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - size.height())));
}
TCore* g_core = nullptr;

std::string CurrentDir() {
  std::error_code ec;
  std::string d = fs::current_path(ec).string();
  return ec ? std::string() : d;
}

} // namespace

// The playlist's view of the program: players over the engine control, commands, the user
// interface and the preferences' file-type table.
class TCorePlaylistHost : public IPlaylistHost {
public:
  explicit TCorePlaylistHost(TCore& core) : core_(core) {}

  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList& list) override {
    if (!core_.dsh_)
      return nullptr;
    TPlayerHost h;
    h.prefs = core_.prefs_.get();
    h.dispatcher = core_.dispatcher_.get();
    h.cache = core_.mediaCache_.get();
    h.settings = core_.mediaSettings_.get();
    h.window = core_.main_;
    h.alert = [this](const std::string& t) { core_.Alert(t); };
    h.osd = [this](const std::string& t) { core_.ShowOSD(t); };
    h.codecDialog = [this](const std::string& request, const std::string& file) {
      ShowCodecRequestDialog(request, file, core_.main_);
    };
    h.playlistTitle = [&list] { return list.CurrentTitle(); };
    h.windowWasActive = [&list] { return list.WindowWasActive(); };
    h.openingMark = [this] {
      TCommandExecutor* x = core_.executor_.get();
      return x ? std::pair<int64_t, int64_t>{x->OpeningMark(), x->MarkedDuration()} : std::pair<int64_t, int64_t>{0, 0};
    };
    h.exeDir = core_.ExeDir();
    h.services = core_.services_.get();
    h.mediaInfo = core_.MediaInfoContext();
    std::error_code ec;
    h.tempDir = fs::temp_directory_path(ec).string() + "/";
    auto player = std::make_unique<TPlayer>(*core_.dsh_, h);
    player->onCompleted = [this, &list] {
      Report("Ended: " + list.CurrentTitle());
      list.PlayerCompleted();
    };
    player->onOpenEnded = [&list](bool opened) { list.PlayerOpenEnded(opened); };
    return player;
  }
  int64_t OpenedDuration() override {
    TDirectShowHelper* dsh = core_.dsh_.get();
    if (!dsh || !dsh->Graph())
      return -1;
    int64_t d = dsh->GetDuration();
    return dsh->DurationIsFallback() ? -1 : d;
  }
  void ExecCommand(int code) override { core_.ExecCommand(code); }
  void PostCommand(int code) override {
    if (core_.commands_)
      core_.commands_->Post(code);
  }
  void Defer(std::function<void()> work) override {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
  }
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  std::string FileType(const std::string& extension) override { return core_.FileTypes().TypeLetter(extension); }
  bool MainWindowActive() override { return core_.main_ && core_.main_->isActiveWindow(); }
  // Tags and durations through the program's own readers: quick enough for every file of a long
  // addition or of a saved list (a file they do not know keeps the duration it has).
  bool ReadTags(const std::string& name, std::string& artist, std::string& title, int64_t& duration) override {
    TCachedFile file(name);
    TMediaInfo info(file);
    info.RetreiveInfo();
    artist = info.Info().Artist;
    title = info.Info().Title;
    duration = info.Info().Duration > 0 ? info.Info().Duration : -1;
    return true;
  }
  int64_t MeasureDuration(const std::string& name) override { return TDurationSniffer::DefaultMeasure(name); }
  void ListHasEntries(bool has) override {
    if (core_.main_)
      core_.main_->SetListHasEntries(has);
  }
  void ShowCurrentRow() override {
    if (core_.main_ && core_.main_->Grid())
      core_.main_->Grid()->ScrollToCurrent();
  }
  void PlaybackStarted() override {
    if (core_.models_)
      core_.models_->SetInt("App.SuperPlay", 1);
    TPlayList* list = core_.playlist_.get();
    int64_t d = OpenedDuration();
    if (list)
      Report("Playing: " + list->CurrentTitle() + " (" +
             (d < 0 ? std::string("unknown length") : FormatTime("{H}:{M}:{S}", d)) + ")");
  }
  void ShuffleShown(bool on) override { Log(std::string("PlayList.Shuffle=") + (on ? "1" : "0")); }
  void AddingFinished() override {
    Defer([this] {
      if (core_.executor_)
        core_.executor_->RunHeldCommands();
    });
  }

private:
  // Without a display nobody sees the window: what plays is told on standard output.
  static void Report(const std::string& line) {
    Log("Core." + line);
    if (QGuiApplication::platformName() == "offscreen") {
      std::fprintf(stdout, "Zelvar: %s\n", line.c_str());
      std::fflush(stdout);
    }
  }

  TCore& core_;
};

TCore* Core() { return g_core; }

TCore::TCore(std::vector<std::string> argv) : argv_(std::move(argv)) { g_core = this; }

TCore::TStart TCore::Create() {
  TLogScope scope("Core.Create");
  std::random_device rd;
  std::srand(rd());
  Log("System.CmdLine=" + TCmdParams::JoinArguments(argv_));
  system_ = std::make_unique<TSystemHelper>();
  font_ = std::make_unique<TFontHelper>();
  params_ = TCmdParams(argv_);
  version_ = std::make_unique<TFileVersionInfo>(ExePath());
  Log("=== " + version_->Format("{P} {MAJ}.{MIN}{RI} (build {B})") + " ===");
  RemoveStaleSaves();
  LoadPrefs();
  UpgradePrefs(document_, version_->Format("{B}"), DefaultPrefsEnvironment());
  prefs_ = std::make_unique<TXMLPrefs>(document_.Root());
  startTime_ = LocalDayCountMillis();

  if (params_.HasSwitch("INSTALL") || params_.HasSwitch("UNINSTALL")) {
    CreateFileTypeIntegrator();
    if (params_.HasSwitch("INSTALL")) {
      TLogScope types("Core.InstallTypes");
      FileTypes().InstallTypes();
    } else {
      TLogScope types("Core.UninstallTypes");
      FileTypes().UninstallTypes();
    }
    FreeFileTypeIntegrator();
    return TStart::Exit;
  }
  if (CheckForSecondCopy() == TStart::Exit)
    return TStart::Exit;

  models_ = std::make_unique<TModelManager>();
  // The application logic that links models to commands joins here with command execution.
  language_ = std::make_unique<TLanguageManager>();
  SetLanguageManager(language_.get());
  LoadLanguage();

  models_->Register("App.Exit", std::make_unique<TCommandModel>([this] {
                      // Remembered: a request that arrives before the message loop runs (while
                      // the start-up adds a long list) ends the program when the start-up ends.
                      exitRequested_ = true;
                      if (playlist_)
                        playlist_->StopAdding();
                      if (prefs_->GetBool("PlayList.EraseOnExit") && playlist_)
                        playlist_->Clear();
                      // exit() leaves the loop directly; quit() would first ask every window to close.
                      QMetaObject::invokeMethod(
                          qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
                    }));
  QApplication::setApplicationName(QString::fromStdString(version_->Format("{P} {MAJ}.{MIN}")));
  if (params_.HasSwitch("SKIN"))
    prefs_->SetString("FrontEnd.Skin", params_.GetValue("SKIN"));
  return TStart::Run;
}

TCore::~TCore() {
  {
    TLogScope scope("Core.Destroy");
    if (models_)
      models_->Unregister("App.Exit");
    SetLanguageManager(nullptr);
    language_.reset();
    models_.reset();
    // Only a run that showed its window writes the preferences; early exits leave them alone.
    if (running_)
      SavePrefs();
    prefs_.reset();
    proxy_.reset();
    version_.reset();
    font_.reset();
    system_.reset();
  }
  g_core = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Preferences

std::string TCore::ExeDir() const { return zv::ExeDir(); }

void TCore::RemoveStaleSaves() {
  // Every folder the stores can live in; the preferences that choose among them are not read yet.
  std::set<std::string> dirs = {ExeDir(), fs::path(PrimaryPrefsPath()).parent_path().string() + "/"};
  if (!UserZelvarDir().empty())
    dirs.insert(UserZelvarDir());
  dirs.insert(CommonZelvarDir());
  for (const std::string& dir : dirs)
    if (int n = RemoveStaleTemporaryFiles(dir, StoreFileNames()))
      Log(Format("Core: removed %d unfinished save(s) in %s", n, dir));
}

void TCore::LoadPrefs() { LoadPrefsDocument(document_); }

TCommandExecutor::TTargets::TPrefsOutcome TCore::ShowPreferences() {
  if (config_) {
    config_->raise();
    config_->activateWindow();
    return {};
  }
  TConfigHost host;
  FillConfigHost(host);
  TfrConfig dialog(host, main_);
  dialog.savePrefs = [this] { SavePrefs(); };
  dialog.suppressGlobalKeys = [this, held = false](bool hold) mutable {
    auto* module = modules_ ? dynamic_cast<THotKeyModule*>(modules_->Find("GlobalKeys")) : nullptr;
    if (!module || hold == held)
      return;
    held = hold;
    module->keys = hold ? nullptr : module->make();
  };
  config_ = &dialog;
  dialog.exec();
  config_ = nullptr;
  return {dialog.ReopenNeeded(), dialog.RestartNeeded()};
}

void TCore::FillConfigHost(TConfigHost& h) {
  h.prefs = prefs_.get();
  h.exeDir = ExeDir();
  h.programPath = QCoreApplication::applicationFilePath().toStdString();
  h.reloadSkin = [this] {
    if (main_)
      main_->ApplySkin(prefs_->GetString("FrontEnd.Skin"));
  };
  h.loadLanguage = [this] {
    LoadLanguage();
    if (main_)
      main_->RefreshHints();
  };
  // The window's tool tips follow the box before OK stores it.
  h.showHints = [this](bool on) {
    if (!main_)
      return;
    const std::string stored = prefs_->GetString("FrontEnd.ShowHints");
    prefs_->SetBool("FrontEnd.ShowHints", on);
    main_->RefreshHints();
    prefs_->SetString("FrontEnd.ShowHints", stored);
  };
  h.playlistChanged = [this] {
    if (main_)
      main_->ApplyPlaylistOptions();
  };
  h.displayModes = displayModes_.get();
  h.soundDevices = [this] {
    std::vector<std::string> list;
    if (dsh_)
      TSoundOut(*dsh_, prefs_.get()).DeviceList(list);
    return list;
  };
  h.setHighPriority = [](bool high) { return SetProcessPriority(high); };
  h.osdChanged = [this] {
    if (main_)
      main_->ApplyFonts();
  };
  h.commands = commands_.get();
  h.remote = [this] { return remote_.get(); };
  h.globalKeys = [this] {
    std::vector<std::string> keys;
    if (TXMLNode* stored = prefs_->Element()->FindChild("GlobalKeys"))
      for (const auto& child : stored->Children())
        keys.push_back(child->Name() == "Keys" ? child->GetAttr("Key") : std::string());
    return keys;
  };
  h.setGlobalKeys = [this](const std::vector<std::string>& keys) {
    if (TXMLNode* stored = prefs_->Element()->FindChild("GlobalKeys"))
      for (size_t i = 0; i < keys.size() && i < stored->ChildCount(); ++i)
        if (stored->Child(i)->Name() == "Keys")
          stored->Child(i)->SetAttr("Key", keys[i]);
  };
  h.globalKeysEnabled = [this] { return modules_ && modules_->Find("GlobalKeys"); };
  h.enableGlobalKeys = [this](bool on) {
    if (modules_)
      modules_->SetEnabled("GlobalKeys", on);
  };
  h.pluginNames = [this] { return bridge_ ? bridge_->PluginNames() : std::vector<std::string>{}; };
  h.configurePlugin = [this](int index) {
    if (bridge_)
      bridge_->ConfigurePlugin(index);
  };
  h.filterName = [this](const eng::TGuid& cls) { return engine_ ? engine_->FilterFriendlyName(cls) : std::string(); };
  h.factories = [this] { return engine_ ? engine_->Factories() : std::vector<eng::TFactoryEntry>{}; };
  h.showClassProperties = [this](const eng::TGuid& cls, QWidget* owner) {
    std::shared_ptr<eng::IFilter> filter = engine_ ? engine_->CreateFilter(cls) : nullptr;
    if (!filter)
      return;
    TfrFilterProperties properties([filter] { return filter.get(); }, owner);
    properties.exec();
  };
  h.fileTypes = [this] { return FileTypes(); };
  h.fullScreen = [this] { return main_ && main_->FullScreen(); };
}

void TCore::SavePrefs() {
  if (!document_.Root())
    return;
  StampPrefsDocument(document_, version_->Format("{P}"), version_->Format("{MAJ}.{MIN}"), version_->Format("{B}"));
  auto write = [this](const std::string& path) {
    try {
      fs::create_directories(fs::path(path).parent_path());
      document_.SaveToFile(path);
    } catch (const std::exception& e) {
      Log(std::string("!TCore.SavePrefs: ") + e.what()); // skipped; the other copies are still written
    }
  };
  write(PrimaryPrefsPath());
  TXMLPrefs p(document_.Root());
  if (TSystemHelper::IsNT() && p.GetBool("App.IsMultiUser")) {
    write(UserPrefsPath());
    if (p.GetInt("App.UserPrefs") == 0)
      write(CommonPrefsPath());
  }
}

std::string TCore::UserDir() {
  std::string dir = StoreFolder(*prefs_);
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

void TCore::LoadLanguage() { LoadProgramLanguage(*language_, prefs_->GetString("FrontEnd.Language"), ExeDir()); }

// ---------------------------------------------------------------------------------------------
// Single instance

TCore::TStart TCore::CheckForSecondCopy() {
  proxy_ = std::make_unique<TAppProxyWindow>();
  // A folder or a peer that is not the user's own is never talked to: this start then runs as an
  // instance of its own and serves nobody.
  auto runAlone = [](const std::string& why) {
    Log("!Core.CheckForSecondCopy: " + why);
    std::fprintf(stderr, "Zelvar: %s; starting a separate instance\n", why.c_str());
    return TStart::Run;
  };
  // "/INFO" only shows a report: it neither forwards nor serves.
  if (params_.HasSwitch("INFO"))
    return TStart::Run;
  std::string why;
  if (!proxy_->FolderTrusted(&why))
    return runAlone(why);
  TAppProxyWindow::TPeer peer = proxy_->Probe();
  if (peer == TAppProxyWindow::TPeer::Foreign)
    return runAlone("the single-instance socket " + proxy_->SocketPath() + " is served by another user");
  if (peer == TAppProxyWindow::TPeer::Ours && !prefs_->GetBool("FrontEnd.MultiInstance") && !params_.HasSwitch("NEW") &&
      !params_.HasSwitch("INFO")) {
    TForwardedLine fwd{std::to_string(LocalDayCountMillis()), CurrentDir(), argv_};
    if (!proxy_->SendToCopy(fwd)) {
      // The files would be lost without a word: say so, and let the caller see it in the status.
      std::fprintf(stderr, "Zelvar: the running instance did not take this command line; nothing was opened\n");
      exitCode_ = 1;
    }
    Log("!Core.CheckForSecondCopy:Halt");
    return TStart::Exit;
  }
  proxy_->SetActive(true);
  return TStart::Run;
}

void TCore::PlayParam() {
  // Command lines from later starts wait while the playlist is being filled.
  if (playlist_ && playlist_->Adding())
    return;
  while (proxy_ && proxy_->HasParams()) {
    TForwardedLine fwd = proxy_->PopParam();
    Log("Core.PlayParam(" + fwd.Text() + ")");
    int64_t arrival = StrToInt64Strict(fwd.time).value_or(0);
    double difference = std::fabs(static_cast<double>(startTime_ - arrival));
    bool joins = TCmdParams::JoinsPreviousStart(startTime_, arrival);
    startTime_ = arrival;
    Log(Format("Diff:%f ms", difference));
    std::vector<std::string> args = std::move(fwd.args);
    if (joins)
      args.push_back("/ADD");
    Log("SetDir:" + fwd.dir);
    Log("ExecCmd:" + TCmdParams::JoinArguments(args));
    ProcessCmdLine(args, fwd.dir);
  }
}

// ---------------------------------------------------------------------------------------------
// Windows

void TCore::EndSession() {
  // The desktop session ends: what the next run needs of the current file is written now, and
  // the player stores the file's own settings as it closes.
  TLogScope scope("Core.EndSession");
  if (playlist_ && main_ && main_->FileOpen())
    if (auto* player = dynamic_cast<TPlayer*>(playlist_->Player())) {
      int current = playlist_->CurrentIndex();
      if (current >= 0)
        player->StoreMediaCache(playlist_->Items(current).FileName);
    }
  if (playlist_)
    playlist_->Stop();
  QCoreApplication::processEvents();
}

void TCore::CreateMainWindow() {
  main_ = new TfrMain();
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, main_, [this](QSessionManager&) { EndSession(); });
  main_->SetTitle(version_->Format("{P} {MAJ}.{MIN}{RI}") + (SessionLog().Enabled() ? " (Logging Enabled)" : ""));
  main_->SetCaptionText(version_->Format("{P} {MAJ}.{MIN}")); // "Zelvar 4.4" in the caption bar
  main_->executeCommand = [this](int code) { ExecCommand(code); };
  main_->onCloseRequest = [this] { RequestExit(); };
  main_->onKeyName = [this](const std::string& name) {
    if (commands_)
      commands_->ExecKey(name);
  };
  poster_ = std::make_unique<TQtCommandPoster>(main_);
}

TExplorerIntegrator TCore::FileTypes() const {
  return TExplorerIntegrator(document_.Root() ? document_.Root()->FindChild("FileTypes") : nullptr,
                             TAssocSetup{assocStore_.get(), ExePath(), ExeDir(), desktopTypes_.get()});
}

void TCore::CreateFileTypeIntegrator() {
  std::string dir = TSystemHelper::UserAppDataDir();
  if (dir.empty()) {
    Log("Core: no user data folder; file types cannot be associated");
    return;
  }
  assocStore_ = std::make_unique<TFileAssocStore>(dir + "Zelvar/Associations.xml");
  desktopTypes_ = std::make_unique<TDesktopFileTypes>(*assocStore_, DesktopPathsFromEnvironment(), ExePath(), [] {
    QFile icon(":/art/zelvar.png");
    return icon.open(QIODevice::ReadOnly) ? icon.readAll().toStdString() : std::string();
  });
}

void TCore::FreeFileTypeIntegrator() {
  desktopTypes_.reset();
  assocStore_.reset(); // what changed is written
}

void TCore::ToggleSeparatePlaylist() {
  if (!playlist_)
    return;
  auto showIt = [this] {
    advPList_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    advPList_->show();
    advPList_->raise();
    advPList_->activateWindow();
    advPList_->CopyMainState();
    models_->SetInt("Window.PlayList", 1);
  };
  if (!advPList_) {
    TAdvPListContext c;
    c.playlist = playlist_.get();
    c.prefs = prefs_.get();
    c.models = models_.get();
    c.tick = &tickNotifier_;
    c.main = main_;
    c.addFiles = [this] { ExecCommand(cmdAddFiles); };
    c.addFolder = [this] { ExecCommand(cmdAddFolder); };
    c.openFiles = [this] { ExecCommand(cmdOpenFiles); };
    c.savePlaylist = [this] { ExecCommand(cmdSavePlaylist); };
    IMediaDetector* detector = MediaInfoContext().detector;
    c.measure = [detector](const std::string& name) { return TDurationSniffer::MeasureWith(detector, name); };
    advPList_ = std::make_unique<TfrAdvPList>(std::move(c));
    advPList_->onClosed = [this] { models_->SetInt("Window.PlayList", 0); };
    showIt();
  } else if (advPList_->isVisible()) {
    advPList_->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    advPList_->hide();
    models_->SetInt("Window.PlayList", 0);
    advPList_.reset();
  } else {
    showIt();
  }
}

TMediaInfoContext TCore::MediaInfoContext() {
  static TGstMediaDetector detector; // stateless, shared by every reader
  TMediaInfoContext context;
  context.detector = &detector;
  context.playlistCount = [this] { return playlist_ ? playlist_->Count() : 0; };
  context.playlistCurrent = [this] { return playlist_ ? playlist_->CurrentIndex() : -1; };
  // The stream that plays, described by what it told of itself.
  context.networkStream = [this](const std::string& name) -> std::optional<TNetStreamInfo> {
    if (!dsh_ || !dsh_->IsURL() || !dsh_->Graph() || !playlist_)
      return std::nullopt;
    int current = playlist_->CurrentIndex();
    if (current < 0 || playlist_->Items(current).FileName != name)
      return std::nullopt;
    return dsh_->NetStream();
  };
  return context;
}

bool TCore::CheckInfoSwitch() {
  if (!params_.HasSwitch("INFO"))
    return false;
  // The information report of the first file, on its own; the program then leaves.
  if (params_.Files().empty())
    return true;
  std::string name = params_.Files().front();
  Log("Core.CheckInfoSwitch: " + name);
  ShowInfoDialog(nullptr, InfoReportText(name, MediaInfoContext().detector));
  return true;
}

void TCore::ShowGUI() {
  TLogScope scope("TCore.ShowGUI");
  std::string skin = prefs_->GetString("FrontEnd.Skin");
  Log("Skin=<" + skin + ">");
  running_ = true;
  TMainContext early;
  early.prefs = prefs_.get();
  early.models = models_.get();
  early.tick = &tickNotifier_;
  main_->SetContext(early);
  main_->ApplySkin(skin);
  main_->PlaceAtStart();
  main_->show();
  main_->update();
}

void TCore::HideGUI() {
  if (main_)
    main_->hide();
  Log("=== Application has been hidden");
}

void TCore::RequestExit() {
  if (models_)
    models_->Execute("App.Exit");
  else
    exitRequested_ = true;
}

void TCore::Alert(const std::string& text) { zv::Alert(text, main_, false); }

void TCore::ShowOSD(const std::string& text) {
  Log("Core.ShowOSD(" + text + ")");
  if (osd_)
    osd_->ShowInfo(text);
}

void TCore::LogError(int32_t code, const std::string& text) {
  if (code < 0)
    Log(Format("!E:%.8x (%s)", code, text));
}

void TCore::ExecCommand(int code) {
  if (executor_)
    executor_->ExecCommand(code);
  else if (code == 453) // before the executor exists, exiting works already
    RequestExit();
  else
    Log(Format("Core.ExecCommand(%d)", code));
}

// ---------------------------------------------------------------------------------------------
// Modules

void TCore::LoadModules() {
  TLogScope scope("Core.LoadModules");
  // 1. Media cache and per-file settings.
  auto folder = [this] { return StoreFolder(*prefs_); };
  mediaCache_ = std::make_unique<TMediaCache>(folder);
  mediaCache_->Load();
  mediaSettings_ = std::make_unique<TMediaSettings>(folder);
  mediaSettings_->Load();
  // 2. The OSD manager joins here; the engine control.
  CreateEngineControl();
  // 3. Optional modules.
  modules_ = std::make_unique<TModuleManager>(*prefs_);
  modules_->RegisterModule("GlobalKeys", [this](const std::string& name, std::unique_ptr<TXMLPrefs> s) {
    auto module = std::make_unique<THotKeyModule>(name, std::move(s));
    module->make = [this] {
      // The keys stored in the document's own GlobalKeys element, each with its action's name.
      std::vector<TGlobalKeys::TStoredKey> keys;
      if (TXMLNode* stored = prefs_->Element()->FindChild("GlobalKeys"))
        for (const auto& child : stored->Children())
          if (child->Name() == "Keys")
            keys.push_back({child->GetAttr("Name"), child->GetAttr("Key")});
      return std::make_unique<TGlobalKeys>(MakeX11HotKeys(), keys, [this](int code) {
        if (poster_)
          poster_->PostCommand(code);
      });
    };
    module->keys = module->make();
    return module;
  });
  modules_->RegisterModule("Stub", [](const std::string& name, std::unique_ptr<TXMLPrefs> s) {
    return std::make_unique<TModule>(name, std::move(s));
  });
  modules_->LoadAll();
  // 4. Sound output; the subtitle model joins with the window.
  {
    TSoundGlobalHost sh;
    sh.prefs = prefs_.get();
    sh.engine = engine_.get();
    sh.osd = [this](const std::string& t) { ShowOSD(t); };
    sh.after = [this](int ms, std::function<void()> work) { QTimer::singleShot(ms, this, std::move(work)); };
    sound_ = std::make_unique<TSoundGlobal>(std::move(sh));
  }
  // 5. Process priority.
  if (prefs_->GetBool("Core.HighPriority") && !SetProcessPriority(true))
    Log("Core.LoadModules: the system refused the high priority");
  Log("Core.LoadModules: CPU.Create");
  Log("Core.LoadModules: PlayList");
  CreatePlaylist();
  playlist_->AddFromZVP(StoreFileToRead(UserDir() + "ZV.zvp"));
  Log("Core.LoadModules: WinIRC");
  Log("Core.LoadModules: Main.Initialize");
  if (main_) {
    TMainContext ctx;
    ctx.prefs = prefs_.get();
    ctx.playlist = playlist_.get();
    ctx.dsh = dsh_.get();
    ctx.models = models_.get();
    ctx.osd = [this](const std::string& t) { ShowOSD(t); };
    ctx.versionTitle = [this] { return version_->Format("{P} {MAJ}.{MIN}{RI}"); };
    ctx.openFiles = [this] {
      if (executor_)
        executor_->OpenFiles();
    };
    ctx.dropFiles = [this](const std::vector<std::string>& files, bool into) { DropFiles(files, into); };
    ctx.tick = &tickNotifier_;
    ctx.fullScreenSwitch = [this] { return params_.HasSwitch("FULLSCREEN"); };
    ctx.switchValue = [this](const std::string& name) { return params_.GetValue(name); };
    ctx.setMainVolume = [this](int volume, bool muted) {
      sound_->muted = muted;
      sound_->SetMainVolume(volume);
    };
    ctx.monitorPower = [this](bool on) {
      if (system_)
        system_->MonitorPower(on);
    };
    ctx.commandKey = [this](int code) { return commands_ ? commands_->GetKey(code) : std::string(); };
    // The drive menu's volumes are kept as listed, so that item i scans the volume it showed.
    ctx.drives = [this] {
      menuVolumes_ = RemovableVolumes();
      std::vector<std::string> captions;
      for (const TVolume& v : menuVolumes_)
        captions.push_back(VolumeCaption(v));
      return captions;
    };
    if (prefs_->GetBool("Plugins.CPUUsage.Enabled")) {
      cpu_ = std::make_unique<TCPU>();
      ctx.cpuReading = [this] { return cpu_ ? cpu_->Reading() : 0; };
    }
    screenSaver_ = std::make_unique<TScreenSaverGuard>(std::make_unique<TDesktopScreenSaver>());
    ctx.screenSaver = screenSaver_.get();
    displayModes_ = std::make_unique<TRandrDisplayModes>();
    ctx.displayModes = displayModes_.get();
    ctx.keyCommand = [this](const std::string& name) { return commands_ ? commands_->Find(name, "") : 0; };
    ctx.endingMark = [this] {
      return executor_ ? std::make_pair(executor_->EndingMark(), executor_->MarkedDuration())
                       : std::make_pair(int64_t{0}, int64_t{0});
    };
    ctx.versionText = [this] { return version_->Format("{MAJ}.{MIN}{RI}"); };
    ctx.measureDuration = [this](const std::string& name) {
      return TDurationSniffer::MeasureWith(MediaInfoContext().detector, name);
    };
    ctx.commandHint = [this](int code) {
      std::string hint = TCommandCenter::CommandName(code);
      std::string key = commands_ ? commands_->GetKey(code) : std::string();
      return key.empty() ? hint : hint + " (" + key + ")";
    };
    main_->SetContext(std::move(ctx));
  }
  Log("Core.LoadModules: TCommandCenter");
  commands_ = std::make_unique<TCommandCenter>(*prefs_, *poster_);
  commands_->showOSD = [this](const std::string& t) { ShowOSD(t); };
  // The remote-control client: presses become buttons of the command table.
  {
    TWinIRCHost rh;
    rh.prefs = prefs_.get();
    rh.execButton = [this](const std::string& button) { commands_->ExecButton(button); };
    rh.osd = [this](const std::string& t) { ShowOSD(t); };
    rh.click = [this] {
      if (sound_)
        sound_->PlayClick();
    };
    remote_ = std::make_unique<TWinIRC>(std::move(rh));
    if (prefs_->GetBool("Modules.WinLIRC.Enabled")) {
      if (prefs_->GetBool("Modules.WinLIRC.AutoLoad"))
        remote_->StartServer();
      remote_->SetEnabled(true);
    }
  }
  Log("Core.LoadModules: TExplorerIntegrator");
  CreateFileTypeIntegrator();
  Log("Core.LoadModules: WinAMP");
  {
    TWinAMPHost wh;
    wh.post = [this](int code) {
      if (poster_)
        poster_->PostCommand(code);
    };
    wh.playing = [this] { return main_ && main_->FileOpen() && main_->PlayState() == TfrMain::TPlayState::Playing; };
    wh.currentIndex = [this] { return playlist_ ? playlist_->CurrentIndex() : -1; };
    wh.currentFile = [] { return CurrentMedia().path; };
    wh.currentTitle = [this] { return playlist_ ? playlist_->CurrentTitle() : std::string(); };
    bridge_ = std::make_unique<TWinAMP>(std::move(wh), ExeDir(), prefs_->GetBool("WinAMP.Emulate"));
    bridge_->StartPlugins();
  }
  Log("Core.LoadModules: Models Linkage");
  {
    TCommandExecutor::TTargets t;
    t.prefs = prefs_.get();
    t.window = main_;
    t.playlist = playlist_.get();
    t.dsh = dsh_.get();
    t.models = models_.get();
    t.osd = [this](const std::string& text) { ShowOSD(text); };
    t.exit = [this] { RequestExit(); };
    bool headless = QGuiApplication::platformName() == "offscreen";
    t.chooseFiles = [this, headless](const std::string& title, bool many) {
      std::vector<std::string> names;
      if (headless) // nobody could answer a dialog
        return names;
      QString dir = QString::fromStdString(prefs_->GetString("FrontEnd.MediaDir"));
      QString filter = QtFileFilters(FileTypes().MediaFilter([](const char* key) { return zv::Lang(key); })).join(";;");
      QStringList chosen =
          many ? QFileDialog::getOpenFileNames(main_, QString::fromStdString(title), dir, filter)
               : QStringList{QFileDialog::getOpenFileName(main_, QString::fromStdString(title), dir, filter)};
      for (const QString& c : chosen)
        if (!c.isEmpty())
          names.push_back(c.toStdString());
      return names;
    };
    t.chooseFolder = [this, headless](const std::string& start) {
      if (headless)
        return std::string();
      QString d = QFileDialog::getExistingDirectory(main_, QString(), QString::fromStdString(start));
      return d.isEmpty() ? std::string() : d.toStdString() + "/";
    };
    t.findDvd = [this](std::function<void(const std::string&)> found) {
      // The search reads drives, which may take seconds to spin up; the answer comes back to the
      // window's thread, and is dropped when the window has gone meanwhile.
      {
        std::lock_guard<std::mutex> guard(dvdSearch_->lock);
        dvdSearch_->dispatcher = dispatcher_.get();
      }
      std::thread([mailbox = dvdSearch_, found = std::move(found)] {
        std::string ifo = FindDvd();
        std::lock_guard<std::mutex> guard(mailbox->lock);
        if (mailbox->dispatcher)
          mailbox->dispatcher->Post([found, ifo] { found(ifo); });
      }).detach();
    };
    t.chooseSaveFile = [this, headless](const std::string& title, const std::string& filter, const std::string& dir,
                                        const std::string& name, int& index) {
      if (headless)
        return std::string();
      QStringList filters = QtFileFilters(filter);
      QString selected = index >= 1 && index <= filters.size() ? filters[index - 1] : QString();
      QString start = QString::fromStdString(dir) + QString::fromStdString(name);
      QString chosen =
          QFileDialog::getSaveFileName(main_, QString::fromStdString(title), start, filters.join(";;"), &selected);
      index = static_cast<int>(filters.indexOf(selected)) + 1;
      return chosen.toStdString();
    };
    t.openDocument = [headless](const std::string& path) {
      if (!headless)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    t.showInFileManager = [headless](const std::string& path) { return !headless && ShowInFileManager(path); };
    t.moveToTrash = [](const std::string& path) { return MoveToTrash(path); };
    t.reportFolder = ExeDir() + "Report/";
    t.helpFolder = ExeDir() + "Help/";
    t.audioExtensions = FileTypes().ExtensionList("A");
    t.alert = [this](const std::string& text) { Alert(text); };
    t.volumes = [this] {
      if (menuVolumes_.empty())
        menuVolumes_ = RemovableVolumes();
      std::vector<std::string> roots;
      for (const TVolume& v : menuVolumes_)
        roots.push_back(v.mountPoint);
      return roots;
    };
    t.showAbout = [this] {
      if (main_)
        main_->ShowAbout(version_->Format("{P} {MAJ}.{MIN}{RI} (build {B})"));
    };
    t.chooseFile = [this, headless](const std::string& title, const std::string& filter, const std::string& dir) {
      if (headless)
        return std::string();
      return QFileDialog::getOpenFileName(main_, QString::fromStdString(title), QString::fromStdString(dir),
                                          QtFileFilters(filter).join(";;"))
          .toStdString();
    };
    t.detector = MediaInfoContext().detector;
    t.showInfo = [this](const std::string& report) { ShowInfoDialog(main_, report); };
    t.togglePlaylist = [this] { ToggleSeparatePlaylist(); };
    t.showJumpToFile = [this] {
      if (jump_)
        jump_->close();
      auto* jump = new TfrJumpToFile(*playlist_, main_);
      jump->setAttribute(Qt::WA_DeleteOnClose);
      jump->setWindowFlag(Qt::WindowStaysOnTopHint);
      jump_ = jump;
      jump->show();
      jump->raise();
      jump->activateWindow();
    };
    t.showSubtitleDialog = [this] {
      if (!subDialog_) {
        TSubtitleDialogHost host;
        host.models = models_.get();
        host.prefs = prefs_.get();
        host.applyFont = [this](int stream, const QFont& font, QColor colour) {
          if (main_)
            main_->SetSubtitleFace(stream, font, colour);
        };
        subDialog_ = new TfrSubtitles(std::move(host), main_);
        subDialog_->setAttribute(Qt::WA_DeleteOnClose);
        PlaceByMainWindow(subDialog_, main_, true);
      }
      subDialog_->show();
      subDialog_->raise();
      subDialog_->activateWindow();
    };
    t.showAudioProps = [this] {
      if (!audioDialog_) {
        audioDialog_ = new TfrAudioProps(*models_, prefs_.get(), main_);
        PlaceByMainWindow(audioDialog_, main_, true);
      }
      audioDialog_->show();
      audioDialog_->raise();
      audioDialog_->activateWindow();
    };
    t.renewAudioModel = [this] {
      if (services_)
        services_->CreateAudioModel();
      if (main_)
        main_->ApplyVolume();
    };
    t.showVideoProps = [this] {
      if (!videoDialog_) {
        TVideoPropsHost host;
        host.models = models_.get();
        host.prefs = prefs_.get();
        host.dsh = dsh_.get();
        host.window = main_;
        host.osd = [this](const std::string& text) { ShowOSD(text); };
        videoDialog_ = new TfrVideoProps(std::move(host), main_);
        PlaceByMainWindow(videoDialog_, main_, false);
      }
      videoDialog_->show();
      videoDialog_->raise();
      videoDialog_->activateWindow();
    };
    t.showPreferences = [this, headless] {
      if (headless) { // nobody could answer the dialog
        Log("Core.Preferences: no display");
        return TCommandExecutor::TTargets::TPrefsOutcome{};
      }
      return ShowPreferences();
    };
    t.showFilters = [this] {
      auto* filters = new TfrFilters(dsh_.get(), main_);
      filters->setAttribute(Qt::WA_DeleteOnClose);
      filters->afterProperties = [this] {
        if (!main_ || !main_->Running() || !dsh_->Graph())
          return;
        try {
          dsh_->Run();
        } catch (const EZvError& e) {
          Log(std::string("!Filters: ") + e.what());
        }
      };
      PlaceByMainWindow(filters, main_, false);
      filters->show();
    };
    t.confirmRestart = [this, headless] {
      const std::string text = Lang("Core.Alert.Restart.String1") + "\r\n" + Lang("Core.Alert.Restart.String2");
      if (headless) {
        Alert(text);
        return false;
      }
      return ConfirmAlert(text, main_);
    };
    t.playlistWindowFollow = [this] {
      if (advPList_)
        advPList_->CopyMainState();
    };
    t.version = version_ ? version_->Format("{MAJ}.{MIN}{RI}.{B}") : std::string();
    // The subtitles, with the dialog the other file commands use.
    {
      TSubtitleHost sh;
      sh.models = models_.get();
      sh.prefs = prefs_.get();
      sh.chooseFile = t.chooseFile;
      sh.voicePlayer = [this](const std::string& clips) -> std::unique_ptr<IVoicePlayer> {
        return std::make_unique<TSubVoicePlayer>(*engine_, clips);
      };
      subs_ = std::make_unique<TSubtitlesModel>(std::move(sh));
      TPlayerServicesHost ph;
      ph.subtitles = [this] { return subs_.get(); };
      ph.dsh = dsh_.get();
      ph.models = models_.get();
      ph.window = main_;
      ph.prefs = prefs_.get();
      ph.dispatcher = dispatcher_.get();
      ph.osd = [this](const std::string& text) { ShowOSD(text); };
      services_ = std::make_unique<TPlayerServices>(std::move(ph));
      t.subtitles = subs_.get();
      osd_ = std::make_unique<TOSDManager>(prefs_.get(), main_, subs_.get(),
                                           [this] { return main_ ? main_->Position() : int64_t{0}; });
      osd_->SetVideoOut(VideoOutOf(dsh_.get()));
    }
    executor_ = std::make_unique<TCommandExecutor>(std::move(t));
    LinkModels();
    CreateMpris();
  }
  if (main_)
    main_->RefreshHints();
  Log("Core.LoadModules: Timer");
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { OnTick(); });
  timer_->start(100);
  Log("Core.LoadModules: InitAutoSave");
  InitAutoSave();
  Log("Core.LoadModules: CheckUpdates");
  CheckUpdates();
  Log("Core.LoadModules: AddTrayIcon");
  Log("Core.LoadModules: LoadCover");
}

void TCore::LinkModels() {
  linked_ = std::make_unique<TLazyModeller>(*models_);
  auto post = [this](int code) {
    return [this, code] {
      if (commands_)
        commands_->Post(code);
    };
  };
  // The state toggles: a skin button flips the value, and the command runs when the value no
  // longer says what the window shows.
  auto toggle = [&](const char* name, bool initial, int code, std::function<bool()> real) {
    std::string key = name;
    linked_->Named(name).SetInt(initial ? 1 : 0).Subscribe(THandlerKey::Tagged(this, code), [this, key, code, real] {
      if ((models_->GetInt(key) != 0) != real() && commands_)
        commands_->Post(code);
    });
  };
  toggle("App.SuperPlay", false, cmdPlayPause, [this] {
    return main_ &&
           (main_->PlayState() == TfrMain::TPlayState::Playing || main_->PlayState() == TfrMain::TPlayState::SpeedPlay);
  });
  toggle("PList.Repeat", prefs_->GetBool("Playlist.Repeat"), cmdRepeat,
         [this] { return prefs_->GetBool("PlayList.Repeat"); });
  toggle("Audio.Mute", prefs_->GetBool("FrontEnd.Mute"), cmdMute, [this] { return main_ && main_->Muted(); });
  // The playlist button shows the playlist panel or the separate window, whichever is open.
  toggle("Window.PlayList", false, cmdPlaylist,
         [this] { return (main_ && main_->PlaylistPanelShown()) || (advPList_ && advPList_->isVisible()); });
  toggle("App.StayOnTop", prefs_->GetBool("FrontEnd.StayOnTop"), cmdStayOnTop,
         [this] { return prefs_->GetBool("FrontEnd.StayOnTop"); });
  // Links that post a command, and the playlist's and the window's operations a skin names.
  for (const auto& [name, code] : PostingLinks())
    linked_->RegisterCommand(name, post(code));
  // The about panel's buttons open the makers' pages.
  auto openPage = [this](std::string url) {
    return [this, url] {
      if (QGuiApplication::platformName() != "offscreen")
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
      else
        Log("Core: " + url);
    };
  };
  linked_->RegisterCommand("About.DevLink", openPage(kHomePage));
  linked_->RegisterCommand("About.DesLink", openPage(std::string(kHomePage) + "skins/"));
  for (const char* name :
       {"App.Prefs", "App.About", "PList.Play", "PList.AddFiles", "PList.Remove", "PList.MoveUp", "PList.Shuffle",
        "PList.AddDir", "PList.Clear", "PList.MoveDown", "PList.Report", "PList.Save"})
    linked_->RegisterCommand(name, post(LinkHintCode(name)));
}

// Everything LinkModels registered goes with its modeller.
void TCore::UnlinkModels() { linked_.reset(); }

void TCore::InitAutoSave() {
  if (main_) {
    main_->SetPlaylistWidth(StrToIntDef(prefs_->GetString("Playlist.InternalPlaylistWidth"), 160));
    if (prefs_->GetBool("PlayList.OpenState.Enabled") && !prefs_->GetBool("PlayList.OpenState.wasClosed"))
      main_->ShowPlaylistPanel(true);
  }
  int pos = StrToIntDef(prefs_->GetString("PlayList.PlayPos"), -1);
  if (playlist_ && pos >= 0 && pos < playlist_->Count()) {
    playlist_->SetCurrent(pos);
    playlist_->Items(pos).Selected = true;
  }
  if (prefs_->GetBool("PlayList.ShuffleOn") && commands_)
    commands_->Post(cmdShuffle);
}

void TCore::CreateEngineControl() {
  engine_ = std::make_unique<eng::TGstEngine>();
  dispatcher_ = std::make_unique<TQtDispatcher>();
  TEngineHost host;
  host.prefs = prefs_.get();
  host.dispatcher = dispatcher_.get();
  host.showOSD = [this](const std::string& t) { ShowOSD(t); };
  host.exeDir = [this] { return ExeDir(); };
  host.userDir = [this] { return UserDir(); };
  host.setCaption = [this](const std::string& t) {
    if (main_)
      main_->SetCaptionText(t);
  };
  host.playlistTitle = [this] { return playlist_ ? playlist_->CurrentTitle() : std::string(); };
  host.alert = [this](const std::string& t) { Alert(t); };
  host.showProperties = [this](std::function<eng::IFilter*()> find) {
    auto* dialog = new TfrFilterProperties(std::move(find), main_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
  };
  host.dvdCodecDialog = [this](const std::vector<std::string>& missing) { ShowDvdCodecDialog(missing, main_); };
  host.languageName = [](const std::string& code) { return LanguageName(code); };
  dsh_ = std::make_unique<TDirectShowHelper>(*engine_, host);
}

void TCore::CreateMpris() {
  TMprisHost h;
  h.appCommand = [this](int command) {
    if (main_)
      main_->RunAppCommand(command);
  };
  h.raise = [this] {
    if (main_)
      main_->ForceForeground();
  };
  h.quit = [this] { RequestExit(); };
  h.openUri = [this](const std::string& uri) {
    const QUrl url(QString::fromStdString(uri));
    if (executor_)
      executor_->OpenMedia(url.isLocalFile() ? url.toLocalFile().toStdString() : uri);
  };
  h.position = [this] { return main_ && main_->FileOpen() ? main_->Position() : int64_t{0}; };
  h.duration = [this] { return main_ && main_->FileOpen() ? main_->Duration() : int64_t{0}; };
  h.seekTo = [this](int64_t p) {
    if (main_ && main_->FileOpen() && dsh_)
      dsh_->SeekTo(p);
  };
  h.status = [this]() -> std::string {
    if (!main_ || !main_->FileOpen())
      return "Stopped";
    return main_->Running() ? "Playing" : main_->PlayState() == TfrMain::TPlayState::Paused ? "Paused" : "Stopped";
  };
  h.file = [this] { return main_ && main_->FileOpen() ? CurrentMedia().path : std::string(); };
  h.title = [this] { return playlist_ ? playlist_->CurrentTitle() : std::string(); };
  h.artUrl = [this]() -> std::string {
    const std::string file = main_ && main_->FileOpen() ? CurrentMedia().path : std::string();
    const std::string cover =
        file.empty() || file.find("://") != std::string::npos ? std::string() : TfrMain::CoverFileOf(file);
    return cover.empty() ? cover : QUrl::fromLocalFile(QString::fromStdString(cover)).toString().toStdString();
  };
  h.volume = [this] { return main_ ? main_->VolumePosition() / 100.0 : 1.0; };
  h.setVolume = [this](double v) {
    if (main_)
      main_->SetVolumePosition(static_cast<int>(RoundHalfEven(v * 100)));
  };
  // Another instance ("/NEW") takes a name of its own beside the first one's.
  QString name = QStringLiteral("org.mpris.MediaPlayer2.zelvar");
  if (params_.HasSwitch("NEW"))
    name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
  mpris_ = std::make_unique<TMpris>(std::move(h), QDBusConnection::sessionBus(), name);
}

void TCore::CreatePlaylist() {
  playlistHost_ = std::make_unique<TCorePlaylistHost>(*this);
  playlist_ = std::make_unique<TPlayList>(*prefs_, *playlistHost_, mediaCache_.get());
  models_->Register("PlayList", std::make_unique<TObjectModel>(playlist_.get()));
  playlist_->onChange = [this] {
    if (TModel* m = models_->GetModel("PlayList"))
      m->Notify();
  };
  // "/CLOSE": this run closes the player at the end of the list, without changing the setting.
  if (params_.HasSwitch("CLOSE"))
    playlist_->endActionOverride = 1;
}

void TCore::DropFiles(const std::vector<std::string>& files, bool intoPlaylist) {
  if (!playlist_)
    return;
  if (playlist_->Adding()) {
    // The list is being filled: the drop follows once that has ended.
    QTimer::singleShot(50, this, [this, files, intoPlaylist] { DropFiles(files, intoPlaylist); });
    return;
  }
  if (intoPlaylist) {
    playlist_->AddList(files);
    return;
  }
  playlist_->Clear();
  playlist_->AddList(files);
  playlist_->SetCurrent(0);
  playlist_->Play();
}

void TCore::CheckUpdates() {
  if (!prefs_->GetBool("Core.NotifyNewVerAvailable"))
    return;
  std::string url = prefs_->GetString("Core.UpdateURL");
  if (url.empty())
    return;
  std::string dir = FolderIsWritable(ExeDir()) ? ExeDir() : UserDir();
  std::string file = dir + "autoupdate.xml";
  downloader_ = std::make_unique<TDownloader>();
  downloader_->DownloadFile(url, file, 10000, [this, file](bool ok, int status) {
    Log(Format("Core.CheckUpdates: downloaded=%d status=%d", ok ? 1 : 0, status));
    if (!ok || !prefs_)
      return;
    TXMLTree doc;
    if (!doc.LoadFromFile(file))
      return;
    TXMLPrefs p(doc.Root());
    std::string official = p.GetString("Official.Version");
    std::string beta = p.GetString("Beta.Version");
    int betaBuild = p.GetInt("Beta.build");
    TUpdateVerdict v = CompareUpdateVersions(version_->LongVersion(), official, beta, betaBuild,
                                             StrToIntDef(version_->Format("{B}"), 0),
                                             prefs_->GetBool("Core.NotifyNewBetaVerAvailable"));
    if (v.newVersion)
      Alert(zv::Lang("Core.Alert.AutoUpdate.NewVer"));
    if (v.newBeta)
      Alert(zv::Lang("Core.Alert.AutoUpdate.NewBetaVer"));
  });
}

void TCore::OnTick() {
  PlayParam();
  // The subtitle dialog's load buttons work while a film is open.
  if (subs_)
    subs_->SetLoadEnabled(dsh_ && dsh_->Graph() && dsh_->HasVideo());
  // The message's countdown and the subtitles' texts.
  if (osd_)
    osd_->Tick();
  tickNotifier_.Notify();
}

void TCore::FreeModules() {
  TLogScope scope("Core.FreeModules");
  // 1. Session state goes back into the preferences.
  if (playlist_) {
    prefs_->SetBool("PlayList.ShuffleOn", playlist_->ShuffleOn());
    prefs_->SetInt("Playlist.PlayPos", playlist_->CurrentIndex());
  }
  if (main_) {
    prefs_->SetInt("Playlist.InternalPlaylistWidth", main_->PlaylistWidth());
    prefs_->SetBool("PlayList.OpenState.wasClosed", !main_->PlaylistPanelShown());
  }
  // 2. Timers, the load meter and priority.
  cpu_.reset();
  delete timer_;
  timer_ = nullptr;
  // 4. Last position, 5. the player goes (it stores the file's own settings).
  prefs_->SetInt("Last.SeekPos", 0);
  if (playlist_ && playlist_->Player())
    prefs_->SetInt("Last.SeekPos", static_cast<int32_t>(playlist_->Player()->GetPosition() / 10'000));
  if (playlist_)
    playlist_->Stop();
  Log("Core.FreeModules:Main.Finalize");
  if (main_)
    main_->SavePanelsState();
  // The playlist windows go before the playlist; the separate one stores its place first.
  advPList_.reset();
  delete jump_.data();
  delete subDialog_.data(); // its controls are bound to the subtitle models
  delete videoDialog_.data();
  if (main_)
    main_->ReleasePlaylist();
  Log("Core.FreeModules:PlayList.Save");
  if (playlist_) {
    playlist_->SaveToZVP(UserDir() + "ZV.zvp");
    int current = playlist_->CurrentIndex();
    prefs_->SetInt("Last.PlayListIdx", current);
    prefs_->SetString("Last.FileName", current >= 0 ? playlist_->Items(current).FileName : std::string());
    models_->Unregister("PlayList");
  }
  UnlinkModels();
  mpris_.reset();
  executor_.reset();
  // The subtitle positions go back into the preferences; the size of the subtitles' font too.
  osd_.reset();
  // (A font sized in pixels has no point size to keep.)
  if (const double points = main_ ? main_->OsdPanel(1)->TextFont().pointSizeF() : 0; points > 0)
    prefs_->SetInt("Subtitles.Size", static_cast<int32_t>(RoundHalfEven(points)));
  subs_.reset();
  playlist_.reset();
  playlistHost_.reset();
  services_.reset(); // after the players, before the window it hands the picture geometry to
  if (remote_) {
    remote_->SetEnabled(false);
    if (prefs_->GetBool("Modules.WinLIRC.AutoStop"))
      remote_->StopServer();
    remote_.reset();
  }
  sound_.reset(); // the system volume goes back as it was
  Log("Core.FreeModules:FreeGeneralPlugins");
  if (bridge_)
    bridge_->StopPlugins();
  bridge_.reset();
  FreeFileTypeIntegrator();
  Log("Core.Destroy:Center.FreeNIL");
  commands_.reset();
  if (main_) {
    Log("Core.DestroyForm(TfrMain)");
    poster_->SetReceiver(nullptr);
    delete main_;
    main_ = nullptr;
  }
  // 15. Modules, then the per-file stores, settings first.
  if (modules_)
    modules_->FreeAll();
  modules_.reset();
  if (mediaSettings_)
    mediaSettings_->Save();
  mediaSettings_.reset();
  if (mediaCache_)
    mediaCache_->Save();
  mediaCache_.reset();
  downloader_.reset();
  if (dsh_)
    dsh_->FreeGraph();
  dsh_.reset();
  {
    std::lock_guard<std::mutex> guard(dvdSearch_->lock);
    dvdSearch_->dispatcher = nullptr; // a search still reading a drive answers nobody
  }
  dispatcher_.reset();
  engine_.reset();
}

// ---------------------------------------------------------------------------------------------
// Command lines

void TCore::ProcessCmdLine(const std::vector<std::string>& args, const std::string& baseDir) {
  TLogScope scope("TCore.ProcessCmdLine");
  if (!playlist_)
    return;
  TCmdParams p(args);
  bool replace = !p.HasSwitch("ADD");
  std::vector<std::string> files = p.Files();
  if (files.empty()) {
    Log("No params");
    if (main_)
      main_->BringToFront();
    return;
  }
  for (std::string& f : files)
    if (!IsStreamName(f) && !fs::path(f).is_absolute())
      f = (fs::path(baseDir.empty() ? CurrentDir() : baseDir) / f).lexically_normal().string();
  if (!IsStreamName(files.front()))
    prefs_->SetString("FrontEnd.MediaDir", fs::path(files.front()).parent_path().string() + "/");
  if (replace)
    playlist_->Clear();
  playlist_->AddList(files);
  if (replace) {
    Log("Exec Play");
    if (main_)
      main_->RequestPostponedPlay();
  }
  std::string ext = fs::path(files.front()).extension().string();
  if (!ext.empty())
    ext = CopyStr(ext, 2, 10);
  if (FileTypes().TypeLetter(ext) == "V" && main_)
    main_->BringToFront();
}

} // namespace zv
