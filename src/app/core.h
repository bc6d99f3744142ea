#pragma once

#include "app/executor.h"
#include "commands/blind_notifier.h"
#include "commands/command_center.h"
#include "commands/model_manager.h"
#include "core/cmd_params.h"
#include "core/font_helper.h"
#include "core/system_helper.h"
#include "core/ui_dispatcher.h"
#include "core/version_info.h"
#include "mediainfo/media_info.h"
#include "platform/single_instance.h"
#include "platform/volumes.h"
#include "playlist/playlist.h"
#include "prefs/file_types.h"
#include "prefs/media_store.h"
#include "prefs/module_manager.h"
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "skin/language_manager.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QTimer;

namespace eng {
class IEngine;
}

namespace zv {

class TfrMain;
class TDownloader;
class TQtCommandPoster;
class TQtDispatcher;
class TScreenSaverGuard;
class TCPU;
class TSubtitlesModel;
class TOSDManager;
class IPlayerServices;
class TSoundGlobal;
class TWinIRC;
class TMpris;
class TWinAMP;
class TFileAssocStore;
class TDesktopFileTypes;
class TfrAudioProps;
class IDisplayModes;
class TDirectShowHelper;
class TCommandExecutor;
class TCorePlaylistHost;
class TfrAdvPList;
class TfrJumpToFile;
class TfrSubtitles;
class TfrVideoProps;
class TfrConfig;
struct TConfigHost;

// The program's core: created first and freed last. It splits the command line, hands it to a
// running instance or serves later starts, loads and writes the preferences, chooses the language,
// creates the long-lived services in a fixed order and frees them in the reverse one.
class TCore : public QObject {
public:
  explicit TCore(std::vector<std::string> argv);
  ~TCore() override;

  enum class TStart { Run, Exit };
  // The construction steps; Exit means the process ends now (/INSTALL, /UNINSTALL, a second copy).
  TStart Create();
  // Creates the main window, hidden.
  void CreateMainWindow();
  // "/INFO": true when the process must end here.
  bool CheckInfoSwitch();
  // What every media information reader of the program consults: the media detector and the
  // playlist.
  TMediaInfoContext MediaInfoContext();
  // The file-type table of the preferences, and the association of its types once the integrator
  // is made.
  TExplorerIntegrator FileTypes() const;
  // Shows, or hides and frees, the separate playlist window.
  void ToggleSeparatePlaylist();
  TfrAdvPList* PlaylistWindow() const { return advPList_.get(); }
  void ShowGUI();
  void HideGUI();
  void LoadModules();
  // The store of the associations and the desktop they are shown on.
  void CreateFileTypeIntegrator();
  void FreeFileTypeIntegrator();
  void FreeModules();
  // Executes a command line (program first, then its arguments): adds its files (replacing the
  // playlist unless "/ADD") or raises the window. Relative names are taken relative to `baseDir`.
  void ProcessCmdLine(const std::vector<std::string>& args, const std::string& baseDir = {});
  // The process's exit status when it ends before the message loop (a failed hand-over).
  int ExitCode() const { return exitCode_; }
  void OnTick();
  // Leaves the message loop through "App.Exit", as the exit command does.
  void RequestExit();
  // The desktop asks whether its session may end: the current file's state is stored.
  void EndSession();
  // True once an exit was asked for; the start-up then skips what is left and the message loop.
  bool ExitRequested() const { return exitRequested_; }

  // Facade for the rest of the program.
  TXMLPrefs* Prefs() { return prefs_.get(); }
  TXMLTree& Document() { return document_; }
  TModelManager& Models() { return *models_; }
  TLanguageManager& Language() { return *language_; }
  TCommandCenter* Commands() { return commands_.get(); }
  TfrMain* MainWindow() { return main_; }
  TAppProxyWindow& Proxy() { return *proxy_; }
  TFileVersionInfo& Version() { return *version_; }
  const TCmdParams& Params() const { return params_; }
  TBlindNotifier& TickNotifier() { return tickNotifier_; }
  TMediaCache* MediaCache() { return mediaCache_.get(); }
  TMediaSettings* MediaSettings() { return mediaSettings_.get(); }
  TPlayList* Playlist() { return playlist_.get(); }
  TDirectShowHelper* EngineControl() { return dsh_.get(); }
  TCommandExecutor* Executor() { return executor_.get(); }

  void Alert(const std::string& text);
  void ShowOSD(const std::string& text);
  void LogError(int32_t code, const std::string& text);
  void ExecCommand(int code);
  std::string ExeDir() const;
  std::string UserDir();
  std::string VersionText() { return version_->Format("{MAJ}.{MIN}"); }
  void LoadLanguage();
  void SavePrefs();
  // The preferences dialog, modal; when it is open already it comes to the front and nothing is
  // reported.
  TCommandExecutor::TTargets::TPrefsOutcome ShowPreferences();
  TfrConfig* PreferencesDialog() const { return config_; }

private:
  void LoadPrefs();
  void RemoveStaleSaves();
  TStart CheckForSecondCopy();
  void PlayParam();
  void InitAutoSave();
  // The models that skin buttons and dialogs bind to by name, and their removal.
  void LinkModels();
  void UnlinkModels();
  void CheckUpdates();
  void CreateEngineControl();
  void CreatePlaylist();
  void CreateMpris();
  void DropFiles(const std::vector<std::string>& files, bool intoPlaylist);
  friend class TCorePlaylistHost;

  std::vector<std::string> argv_;
  int exitCode_ = 0;
  int64_t startTime_ = 0; // local milliseconds on the day-count scale
  TCmdParams params_;
  std::unique_ptr<TFileVersionInfo> version_;
  std::unique_ptr<TSystemHelper> system_;
  std::unique_ptr<TFontHelper> font_;
  std::unique_ptr<TAppProxyWindow> proxy_;
  std::unique_ptr<TModelManager> models_;
  std::unique_ptr<TLazyModeller> linked_; // the models LinkModels registered
  std::unique_ptr<TLanguageManager> language_;
  TXMLTree document_;
  std::unique_ptr<TXMLPrefs> prefs_;
  std::unique_ptr<TModuleManager> modules_;
  std::unique_ptr<TMediaCache> mediaCache_;
  std::unique_ptr<TMediaSettings> mediaSettings_;
  std::unique_ptr<eng::IEngine> engine_;
  std::unique_ptr<TQtDispatcher> dispatcher_;
  std::unique_ptr<TScreenSaverGuard> screenSaver_;
  std::unique_ptr<TCPU> cpu_;        // the load meter, while Plugins.CPUUsage.Enabled
  std::vector<TVolume> menuVolumes_; // the drive menu's volumes as last listed
  // Where the DVD searches' answers go: the dispatcher until it goes (searches outlive nothing).
  struct TSearchMailbox {
    std::mutex lock;
    IUiDispatcher* dispatcher = nullptr;
  };
  std::shared_ptr<TSearchMailbox> dvdSearch_ = std::make_shared<TSearchMailbox>();
  std::unique_ptr<TSubtitlesModel> subs_;
  std::unique_ptr<TOSDManager> osd_;
  std::unique_ptr<IPlayerServices> services_; // the other subsystems as the player sees them
  std::unique_ptr<TSoundGlobal> sound_;
  std::unique_ptr<TWinIRC> remote_;
  std::unique_ptr<TMpris> mpris_; // the desktop's media controls
  std::unique_ptr<TWinAMP> bridge_;
  std::unique_ptr<TFileAssocStore> assocStore_; // the associations, in the user's data folder
  std::unique_ptr<TDesktopFileTypes> desktopTypes_;
  std::unique_ptr<IDisplayModes> displayModes_;
  std::unique_ptr<TDirectShowHelper> dsh_;
  std::unique_ptr<TCorePlaylistHost> playlistHost_;
  std::unique_ptr<TPlayList> playlist_;
  std::unique_ptr<TCommandExecutor> executor_;
  std::unique_ptr<TfrAdvPList> advPList_;
  QPointer<TfrJumpToFile> jump_;
  QPointer<TfrSubtitles> subDialog_;
  QPointer<TfrVideoProps> videoDialog_;
  QPointer<TfrAudioProps> audioDialog_;
  TfrConfig* config_ = nullptr; // while the preferences show
  // Sets up what the preference pages act on.
  void FillConfigHost(TConfigHost& host);
  std::unique_ptr<TQtCommandPoster> poster_;
  std::unique_ptr<TCommandCenter> commands_;
  std::unique_ptr<TDownloader> downloader_;
  QTimer* timer_ = nullptr;
  TBlindNotifier tickNotifier_;
  TfrMain* main_ = nullptr;
  bool running_ = false;
  bool exitRequested_ = false;
};

// The one core of the process; none before its construction.
TCore* Core();

// The whole life of the program, from the command line to the exit code.
int RunApplication(int argc, char** argv);

} // namespace zv
