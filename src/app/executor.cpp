#include "app/executor.h"

#include "playback/audio_props.h"

#include "commands/command_codes.h"
#include "commands/model_manager.h"
#include "core/error.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "mediainfo/media_info.h"
#include "playback/direct_show_helper.h"
#include "playlist/playlist.h"
#include "skin/language_manager.h"
#include "subtitles/subtitle_model.h"
#include "ui/main_window.h"
#include "ui/osd_panel.h"
#include "ui/play_grid.h"

#include <QGuiApplication>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

namespace zv {
namespace fs = std::filesystem;

namespace {
// Commands that change or drop the playlist wait while an addition walks it.
bool ChangesTheList(int code) {
  switch (code) {
  case cmdOpenFiles: // clears the list
  case cmdUnload:
  case cmdRemove:
  case cmdClear:
  case cmdSort:
  case cmdDeleteFromDisk:
  case cmdExit:
  case cmdPlayDVD:
  case cmdOpenDVDFolder: return true;
  default: return false;
  }
}

std::string FolderOf(const std::string& path) {
  std::string folder = fs::path(path).parent_path().string();
  return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}
} // namespace

TCommandExecutor::TCommandExecutor(TTargets targets) : t_(std::move(targets)) {}

bool TCommandExecutor::ExecCommand(int code) {
  if (code < cmdOpenFiles || code > cmdOpenDVDFolder || code == cmdPlayDisk || code == cmdAntiBoss)
    return false;
  if (t_.playlist && t_.playlist->Adding() && ChangesTheList(code)) {
    Log(Format("TCommandExecutor: command %d waits for the addition to end", code));
    held_.push_back(code);
    return true;
  }
  return Execute(code);
}

void TCommandExecutor::RunHeldCommands() {
  while (!held_.empty() && !(t_.playlist && t_.playlist->Adding())) {
    int code = held_.front();
    held_.pop_front();
    Execute(code);
  }
}

bool TCommandExecutor::Execute(int code) {
  TfrMain* w = t_.window;
  TPlayList* list = t_.playlist;
  IPlaylistPlayer* player = list ? list->Player() : nullptr;
  bool open = w && w->FileOpen();
  IPrefs* prefs = t_.prefs;
  auto seconds = [&](const char* key, const char* def) { return Pref(prefs, key, def); };
  switch (code) {
  case cmdOpenFiles: OpenFiles(); break;
  case cmdFileInfo: ShowPlayerFileInfo(); break;
  case cmdFileOSDInfo:
    if (w)
      w->ShowFileInfo();
    break;
  case cmdSelectedFileInfo: ShowSelectedFileInfo(); break;
  case cmdUnload:
    if (w)
      w->ShowStopped();
    break;
  case cmdPlay:
    if (w)
      w->ShowPlaying();
    break;
  case cmdPlayPause:
    if (w) {
      auto s = w->PlayState();
      if (s == TfrMain::TPlayState::Playing || s == TfrMain::TPlayState::SpeedPlay)
        w->ShowPaused();
      else
        w->ShowPlaying();
    }
    break;
  case cmdSpeedPlay:
    if (w)
      w->ShowSpeedPlay();
    break;
  case cmdPause:
    if (w)
      w->ShowPaused();
    break;
  case cmdFrameStep:
    if (w)
      w->FrameStep();
    break;
  case cmdFrameBack:
    if (w)
      w->StepBack();
    break;
  case cmdSeekForward:
  case cmdSeekBackward:
    if (w)
      w->SeekRelative((code == cmdSeekForward ? "+" : "-") + seconds("Seek.KeySeek", "10"));
    break;
  case cmdJumpForward:
  case cmdJumpBackward:
    if (w)
      w->SeekRelative((code == cmdJumpForward ? "+" : "-") + seconds("Seek.KeyJump", "60"));
    break;
  case cmdRewind:
    if (player)
      player->SeekTo(0);
    break;
  case cmdSeekLastPosition:
    // Playing first, then where the file was left last time.
    if (!open || (w && w->PlayState() != TfrMain::TPlayState::Playing))
      Execute(cmdPlay);
    if (IPlaylistPlayer* now = list ? list->Player() : nullptr)
      now->SeekToLastPosition();
    break;
  case cmdSetBookmark:
    if (list)
      list->AddBookmarkAtPlayPosition();
    break;
  case cmdMarkOpeningEnding: MarkOpeningEnding(); break;
  case cmdControlPanel:
    if (w)
      w->ControlPanelCommand();
    break;
  case cmdPlaylist: {
    // The kind by Playlist.External, the other one while Alt is held.
    bool external = prefs && prefs->GetBool("Playlist.External");
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier)
      external = !external;
    if (!external && w)
      w->ShowPlaylistPanel(!w->PlaylistPanelShown());
    else if (t_.togglePlaylist)
      t_.togglePlaylist();
    break;
  }
  case cmdAdvancedPlaylist:
    if (t_.togglePlaylist)
      t_.togglePlaylist();
    break;
  case cmdPlaySelected:
  case cmdRemove:
  case cmdMoveUp:
  case cmdMoveDown:
    if (TPlayGrid* grid = w ? w->Grid() : nullptr) {
      switch (code) {
      case cmdPlaySelected: grid->PlayFocused(); break;
      case cmdRemove: grid->RemoveSelected(); break;
      case cmdMoveUp: grid->MoveFocusedUp(); break;
      default: grid->MoveFocusedDown(); break;
      }
    }
    break;
  case cmdBookmarks:
    if (w)
      w->ToggleBookmarks();
    break;
  case cmdSearchOnDisk:
    if (std::string file = ChosenFile(); !file.empty() && t_.showInFileManager && !t_.showInFileManager(file))
      Log("TCommandExecutor: no file manager showed " + file);
    break;
  case cmdDeleteFromDisk: DeleteFromDisk(); break;
  case cmdScanDriveFirst ... cmdScanDriveLast: ScanDrive(code - cmdScanDriveFirst); break;
  case cmdHelp: Help(); break;
  case cmdAbout:
    if (t_.showAbout)
      t_.showAbout();
    break;
  case cmdAdditionalSound: AdditionalSound(); break;
  case cmdSoundSettings:
    if (t_.showAudioProps)
      t_.showAudioProps();
    break;
  case cmdNextAudioStream:
    if (w && w->AudioProps())
      w->AudioProps()->NextStream();
    if (t_.dsh)
      t_.dsh->NextAudioStream();
    break;
  case cmdFullScreen:
    if (w)
      w->ToggleFullScreen();
    break;
  case cmdMaximize:
    if (w && hidingState_ != 1)
      w->ExecCommand(cmdFullScreen);
    break;
  case cmdOriginalSize:
    if (w) {
      if (open)
        w->ZoomToPercent(-1);
      else
        w->LeaveFullScreen();
      w->CenterWindow();
    }
    break;
  case cmdStayOnTop:
    if (w)
      w->ToggleStayOnTop();
    break;
  case cmdLoadSubtitles:
    if (t_.subtitles)
      t_.subtitles->Load0();
    break;
  case cmdVideoSettings:
    if (t_.showVideoProps)
      t_.showVideoProps();
    break;
  case cmdBrightnessUp:
  case cmdBrightnessDown:
  case cmdContrastUp:
  case cmdContrastDown:
  case cmdSaturationUp:
  case cmdSaturationDown:
    if (t_.dsh) {
      // Up and down alternate, brightness first.
      const int step = (code - cmdBrightnessUp) % 2 == 0 ? 1 : -1;
      const int which = (code - cmdBrightnessUp) / 2;
      t_.dsh->AdjustBCS(which == 0 ? step : 0, which == 1 ? step : 0, which == 2 ? step : 0);
    }
    break;
  case cmdColorReset:
    if (t_.dsh)
      t_.dsh->SetBCS(50, 50, 50);
    break;
  case cmdShowSubtitles: ToggleSubtitles(); break;
  case cmdSubtitleSettings:
    if (t_.showSubtitleDialog)
      t_.showSubtitleDialog();
    break;
  case cmdSubtitleUp: MoveSubtitles(1); break;
  case cmdSubtitleDown: MoveSubtitles(-1); break;
  case cmdSubtitleShiftUp: ShiftSubtitles(-1); break;
  case cmdSubtitleShiftDown: ShiftSubtitles(1); break;
  case cmdScreenShot:
    if (w && w->ScreenShotEnabled())
      w->TakeScreenShot();
    break;
  case cmdAspectAsIs:
  case cmdAspect16x9:
  case cmdAspect4x3:
  case cmdAspectByWidth:
  case cmdAspectByHeight:
  case cmdAspectFree:
    if (w) {
      static const std::map<int, std::pair<int, int>> kRatios = {
          {cmdAspectAsIs, {0, 0}},    {cmdAspect16x9, {16, 9}},    {cmdAspect4x3, {4, 3}},
          {cmdAspectByWidth, {1, 0}}, {cmdAspectByHeight, {0, 1}}, {cmdAspectFree, {-1, -1}}};
      const auto [x, y] = kRatios.at(code);
      w->ShowAspect(x, y);
    }
    break;
  case cmdAspectCustom:
    if (w) {
      const auto [x, y] = CustomAspectRatio(Pref(prefs, "Video.AspectRatioCustom", "47:20"));
      w->ShowAspect(x, y);
    }
    break;
  case cmdZoomIn:
  case cmdZoomOut:
    if (w)
      w->ShowZoom(code == cmdZoomIn ? 5 : -5, code == cmdZoomIn ? 5 : -5);
    break;
  case cmdMinimize:
    if (w && hidingState_ != 1)
      w->ToggleMinimised();
    break;
  case cmdHideEverything:
    hidingState_ = hidingState_ == 1 ? 2 : 1;
    if (w) {
      if (w->isVisible() && !w->isMinimized())
        w->MinimiseWindow(true);
      else
        w->RestoreWindow();
    }
    break;
  case cmdNext:
    if (list)
      list->Next();
    break;
  case cmdPrevious:
    if (list)
      list->Previous();
    break;
  case cmdAddFiles: AddFiles(); break;
  case cmdSavePlaylist: SavePlaylist(); break;
  case cmdReport: WriteReport(); break;
  case cmdAddFolder: ChooseAndAddFolder(); break;
  case cmdClear:
    if (list)
      list->Clear();
    break;
  case cmdShuffle:
    if (list)
      list->ToggleShuffle();
    if (t_.playlistWindowFollow)
      t_.playlistWindowFollow();
    break;
  case cmdSort:
    if (list)
      list->SortByFullPath();
    break;
  case cmdJumpToFile:
    if (t_.showJumpToFile)
      t_.showJumpToFile();
    break;
  case cmdRepeat:
    if (prefs) {
      bool repeat = !prefs->GetBool("Playlist.Repeat");
      prefs->SetBool("Playlist.Repeat", repeat);
      if (t_.models)
        t_.models->SetInt("PList.Repeat", repeat ? 1 : 0);
    }
    break;
  case cmdScale50:
  case cmdScale100:
  case cmdScale200:
    if (w && open)
      w->ZoomToPercent(code == cmdScale50 ? 50 : code == cmdScale100 ? 100 : 200);
    break;
  case cmdVolumeUp:
  case cmdVolumeDown:
    if (w)
      w->ChangeVolume(code == cmdVolumeUp ? 5 : -5);
    if (t_.playlistWindowFollow)
      t_.playlistWindowFollow();
    break;
  case cmdMute:
    if (w)
      w->ToggleMute();
    if (t_.playlistWindowFollow)
      t_.playlistWindowFollow();
    break;
  case cmdExit:
    if (t_.exit)
      t_.exit();
    break;
  case cmdHibernateWhenDone:
  case cmdPowerOffWhenDone:
    if (list) {
      bool& flag = code == cmdHibernateWhenDone ? list->hibernateWhenDone : list->powerOffWhenDone;
      flag = !flag;
      if (flag)
        (code == cmdHibernateWhenDone ? list->powerOffWhenDone : list->hibernateWhenDone) = false;
      if (t_.osd)
        t_.osd(flag ? Lang(Format("Command.%d", code)) : Lang("Common.Cancel"));
    }
    break;
  case cmdPreferences: Preferences(); break;
  case cmdFilters:
    if (t_.showFilters)
      t_.showFilters();
    break;
  case cmdPlayDVD: PlayDVDDisk(); break;
  case cmdDVDMenu:
    if (t_.dsh)
      t_.dsh->DVDShowRootMenu();
    break;
  case cmdOpenDVDFolder: OpenDVDFolder(); break;
  default:
    // The commands of subsystems that have not arrived yet are known and do nothing for now.
    Log(Format("TCommandExecutor: command %d has no target yet", code));
    break;
  }
  return true;
}

int TCommandExecutor::ChosenEntry() const {
  TPlayList* list = t_.playlist;
  if (!list || list->Count() == 0)
    return -1;
  int entry = list->CurrentIndex();
  if (t_.window && t_.window->PlaylistPanelShown()) {
    entry = -1;
    for (int i = 0; i < list->Count() && entry < 0; ++i)
      if (list->Items(i).Selected)
        entry = i;
  }
  return entry >= 0 && entry < list->Count() ? entry : -1;
}

std::string TCommandExecutor::ChosenFile() const {
  const int entry = ChosenEntry();
  return entry >= 0 ? t_.playlist->Items(entry).FileName : std::string();
}

void TCommandExecutor::DeleteFromDisk() {
  TPlayList* list = t_.playlist;
  const int entry = ChosenEntry();
  if (entry < 0)
    return;
  const std::string file = list->Items(entry).FileName;
  std::error_code ec;
  if (!fs::exists(file, ec))
    Log("ZVC_PLAYLIST_DELETE_FILE: \"" + file + "\" is not exist!");
  const bool isCurrent = entry == list->CurrentIndex();
  // The player lets go of its file first.
  if (isCurrent)
    Execute(cmdUnload);
  // The entry whose file was chosen goes, whatever else is selected; one that could not be
  // deleted plays again.
  if (t_.moveToTrash && t_.moveToTrash(file))
    list->Delete(entry);
  else if (isCurrent)
    list->Play();
}

static const char* const kScanned[] = {".asf",  ".avi",  ".dat", ".divx", ".ogm",  ".m1v", ".m2v", ".mkv",  ".mov",
                                       ".mpe",  ".mpeg", ".mpg", ".flv",  ".qt",   ".rm",  ".rv",  ".rmvb", ".vob",
                                       ".wm",   ".wmv",  ".aif", ".aifc", ".aiff", ".aac", ".ape", ".ac3",  ".au",
                                       ".flac", ".ogg",  ".kar", ".mid",  ".mka",  ".mp1", ".mp2", ".mp3",  ".mpa",
                                       ".mpc",  ".ra",   ".ram", ".snd",  ".wav",  ".wma"};

void TCommandExecutor::ToggleSubtitles() {
  TSubtitlesModel* subs = t_.subtitles;
  if (!subs)
    return;
  // The first stream's panel on the screen (its text is due now): hidden. Nothing loaded: the
  // dialog for stream 0, shown if it loaded. Otherwise shown.
  const bool panelShown =
      t_.window ? t_.window->OsdPanel(1)->isVisible() : subs->Stream0().IsLoaded() && subs->Stream0().IsEnabled();
  if (panelShown) {
    subs->HideAll();
  } else if (subs->NoneLoaded()) {
    subs->Load0();
    if (!subs->NoneLoaded())
      subs->ShowAll();
  } else {
    subs->ShowAll();
  }
}

void TCommandExecutor::MoveSubtitles(int step) {
  if (!t_.models || t_.models->GetInt("App.Subs.Enabled0") <= 0)
    return;
  const int v = t_.models->GetInt("App.Subs.VPos0");
  if ((step > 0 && v >= 100) || (step < 0 && v <= 0))
    return;
  t_.models->SetInt("App.Subs.VPos0", v + step);
  if (t_.osd)
    t_.osd(Lang("OSD.SubtitleUpDown") + ": " + std::to_string(v + step));
}

void TCommandExecutor::ShiftSubtitles(int step) {
  if (!t_.models || t_.models->GetInt("App.Subs.Enabled0") <= 0)
    return;
  if (shiftSteps_ + step < -10 || shiftSteps_ + step > 10)
    return;
  shiftSteps_ += step;
  t_.models->SetInt("App.Subs.Shift0", shiftSteps_ * 10);
  if (t_.osd)
    t_.osd(Lang("OSD.SubtitleShift") + ": " + std::to_string(shiftSteps_));
}

void TCommandExecutor::ScanDrive(int index) {
  TPlayList* list = t_.playlist;
  const std::vector<std::string> roots = t_.volumes ? t_.volumes() : std::vector<std::string>();
  if (!list || index < 0 || index >= static_cast<int>(roots.size()))
    return;
  // The media files at the top of the volume, by name.
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(roots[static_cast<size_t>(index)], ec), end; !ec && it != end; it.increment(ec)) {
    const std::string ext = LowerCase(it->path().extension().string());
    if (it->is_regular_file(ec) && std::find(std::begin(kScanned), std::end(kScanned), ext) != std::end(kScanned))
      found.push_back(it->path().string());
  }
  if (found.empty())
    return;
  std::sort(found.begin(), found.end());
  const bool wasEmpty = list->Count() == 0;
  list->AddList(found);
  // A list that held nothing before plays what the scan found.
  if (wasEmpty && list->Count() > 0) {
    list->SetCurrent(0);
    list->Play();
  }
}

void TCommandExecutor::Help() {
  std::string language = t_.prefs ? t_.prefs->GetString("FrontEnd.Language") : std::string();
  std::error_code ec;
  for (const std::string& name :
       {LowerCase(language.empty() ? std::string("english") : language), std::string("english")}) {
    std::string page = t_.helpFolder + name + ".html";
    if (fs::exists(page, ec)) {
      if (t_.openDocument)
        t_.openDocument(page);
      return;
    }
  }
  if (t_.alert)
    t_.alert(Lang("Core.Alert.Help"));
}

void TCommandExecutor::AdditionalSound() {
  if (!t_.window || !t_.window->FileOpen() || !t_.dsh || !t_.chooseFile)
    return;
  const std::string list = t_.audioExtensions;
  std::string filter = Lang("Core.FileType.Audio") + " (" + list + ")|" + list + "|Any file (*.*)|*.*";
  std::string file = t_.chooseFile(Lang("Core.Title.SoundDialog"), filter, Pref(t_.prefs, "FrontEnd.SoundDir", ""));
  if (file.empty())
    return;
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.SoundDir", FolderOf(file));
  TDirectShowHelper& dsh = *t_.dsh;
  try {
    dsh.Stop();
    if (eng::Failed(dsh.RenderFile(file)) && t_.alert)
      t_.alert(Lang("Core.Alert.OpenError") + " " + file);
    dsh.SeekTo(0);
    dsh.Run();
    // The sound controls cover the new streams too.
    if (t_.renewAudioModel)
      t_.renewAudioModel();
  } catch (const EZvError& e) {
    Log(std::string("!AdditionalSound: ") + e.what());
  }
}

void TCommandExecutor::MarkOpeningEnding() {
  // Only a known length places a mark (a stream's or an unknown one would mark nothing useful).
  const int64_t duration = t_.window ? t_.window->Duration() : 0;
  if (duration <= 0 || !t_.dsh)
    return;
  const int64_t position = t_.window->Position();
  markedDuration_ = duration;
  if (position >= duration / 2) {
    endingMark_ = duration - position;
    if (t_.osd)
      t_.osd(Lang("OSD.Ending"));
  } else {
    openingMark_ = position;
    if (t_.osd)
      t_.osd(Lang("OSD.Opening"));
  }
}

void TCommandExecutor::OpenFiles() {
  if (!t_.chooseFiles || !t_.playlist)
    return;
  std::vector<std::string> names = t_.chooseFiles(Lang("Core.Title.Dialog.OpenFile"), true);
  if (names.empty())
    return;
  t_.playlist->Stop();
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.MediaDir", FolderOf(names.front()));
  t_.playlist->Clear();
  std::sort(names.begin(), names.end());
  t_.playlist->AddList(names);
  t_.playlist->SortByFullPath();
  t_.playlist->Play();
}

void TCommandExecutor::AddFiles() {
  if (!t_.chooseFiles || !t_.playlist)
    return;
  std::vector<std::string> names = t_.chooseFiles(Lang("Core.Title.Dialog.AddFile"), true);
  if (names.empty())
    return;
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.MediaDir", FolderOf(names.front()));
  t_.playlist->AddList(names);
}

void TCommandExecutor::ChooseAndAddFolder() {
  if (!t_.chooseFolder || !t_.playlist)
    return;
  std::string folder = t_.chooseFolder(t_.prefs ? t_.prefs->GetString("FrontEnd.MediaDir") : std::string());
  if (folder.empty())
    return;
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.MediaDir", folder);
  t_.playlist->AddFolder(folder);
}

void TCommandExecutor::OpenMedia(const std::string& path) {
  if (!t_.playlist)
    return;
  t_.playlist->Stop();
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.MediaDir", FolderOf(path));
  t_.playlist->Clear();
  t_.playlist->AddFile(path);
  t_.playlist->Play();
}

void TCommandExecutor::Preferences() {
  if (!t_.showPreferences)
    return;
  const TTargets::TPrefsOutcome outcome = t_.showPreferences();
  if (outcome.restart && t_.confirmRestart && t_.confirmRestart()) {
    if (t_.exit)
      t_.exit();
    return;
  }
  if (outcome.reopen)
    ReopenCurrent();
}

void TCommandExecutor::ReopenCurrent() {
  if (!t_.playlist || !t_.playlist->Player() || t_.playlist->CurrentIndex() < 0)
    return;
  TfrMain* w = t_.window;
  const bool paused = w && w->PlayState() == TfrMain::TPlayState::Paused;
  const int64_t position = t_.playlist->Player()->GetPosition();
  t_.playlist->PlayIndex(t_.playlist->CurrentIndex());
  IPlaylistPlayer* player = t_.playlist->Player();
  if (!player || !player->Opened() || player->Pending())
    return;
  if (position > 0)
    player->SeekTo(position);
  if (paused && w && w->PlayState() != TfrMain::TPlayState::Paused)
    w->ShowPaused();
}

void TCommandExecutor::PlayDVDDisk() {
  if (t_.osd)
    t_.osd(Lang("OSD.DVD.Search"));
  if (!t_.findDvd)
    return;
  t_.findDvd([this](const std::string& ifo) {
    if (!ifo.empty())
      OpenMedia(ifo);
    else if (t_.osd)
      t_.osd(Lang("OSD.DVD.NotFound"));
  });
}

void TCommandExecutor::OpenDVDFolder() {
  if (!t_.chooseFolder)
    return;
  std::string folder = t_.chooseFolder(t_.prefs ? t_.prefs->GetString("FrontEnd.DVDFolder") : std::string());
  if (folder.empty())
    return;
  if (folder.back() != '/')
    folder += '/';
  if (t_.prefs)
    t_.prefs->SetString("FrontEnd.DVDFolder", folder);
  std::error_code ec;
  OpenMedia(fs::exists(folder + "VIDEO_TS.IFO", ec) ? folder + "VIDEO_TS.IFO" : folder + "VIDEO_TS/VIDEO_TS.IFO");
}

std::string TCommandExecutor::DefaultPlaylistName(int entry) {
  TPlayList* list = t_.playlist;
  if (!list || entry < 0 || entry >= list->Count())
    return "Playlist";
  const TPlayEntry& e = list->Items(entry);
  std::string name;
  if (t_.prefs && t_.prefs->GetBool("PlayList.GetNamesFromFileTags")) {
    std::string separator = t_.prefs->GetString("PlayList.Separator");
    size_t at = separator.empty() ? std::string::npos : e.Title.find(separator);
    name = std::string(Trim(at == std::string::npos ? e.Title : e.Title.substr(0, at)));
  } else {
    name = std::filesystem::path(e.FileName).parent_path().filename().string();
    if (!name.empty() && t_.osd)
      t_.osd(name);
  }
  return name.empty() ? "Playlist" : name;
}

void TCommandExecutor::SavePlaylist() {
  TPlayList* list = t_.playlist;
  if (!list || !t_.chooseSaveFile)
    return;
  int focus = list->CurrentIndex() >= 0 ? list->CurrentIndex() : 0;
  int filter = 1;
  std::string folder = t_.prefs ? t_.prefs->GetString("Playlist.PlaylistDir") : std::string();
  std::string path = t_.chooseSaveFile(Lang("Core.Title.Dialog.SavePL"),
                                       "Zelvar Playlist (*.zvp)|*.zvp|Winamp Playlist (*.m3u)|*.m3u|"
                                       "Winamp Playlist (*.pls)|*.pls",
                                       folder, DefaultPlaylistName(focus), filter);
  if (path.empty())
    return;
  std::string ext = UpperCase(std::filesystem::path(path).extension().string());
  if (ext.empty()) { // the dialog's default extension, or the chosen filter's
    static const char* const kExt[] = {".zvp", ".zvp", ".m3u", ".pls"};
    path += kExt[std::clamp(filter, 0, 3)];
    ext = UpperCase(std::filesystem::path(path).extension().string());
  }
  if (t_.prefs)
    t_.prefs->SetString("Playlist.PlaylistDir", FolderOf(path));
  if (ext == ".M3U" || ext == ".M3U8")
    list->SaveToM3U(path);
  else if (ext == ".PLS")
    list->SaveToPLS(path);
  else
    list->SaveToZVP(path);
}

void TCommandExecutor::ShowPlayerFileInfo() {
  TPlayList* list = t_.playlist;
  IPlaylistPlayer* player = list ? list->Player() : nullptr;
  TMediaInfo* info = player ? player->MediaInfo() : nullptr;
  if (!info) {
    ShowSelectedFileInfo();
    return;
  }
  if (t_.showInfo)
    t_.showInfo(info->GetInfoText());
}

void TCommandExecutor::ShowSelectedFileInfo() {
  TPlayList* list = t_.playlist;
  if (!list || list->Count() == 0)
    return;
  int entry = list->CurrentIndex();
  for (int i = 0; i < list->Count(); ++i)
    if (list->Items(i).Selected) {
      entry = i;
      break;
    }
  if (entry < 0 || entry >= list->Count())
    return;
  TMediaInfoContext context;
  context.detector = t_.detector;
  TCachedFile file(list->Items(entry).FileName);
  TMediaInfo info(file, context);
  info.RetreiveInfo();
  if (t_.showInfo)
    t_.showInfo(info.GetInfoText());
}

void TCommandExecutor::WriteReport() {
  TPlayList* list = t_.playlist;
  if (!list || !t_.chooseSaveFile)
    return;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::string lastUpdate = Format("%d/%d/%d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900) +
                           Format(" (%.2d:%.2d)", local.tm_hour, local.tm_min);
  // The built-in page first, then every template of the report folder with its file mask.
  std::string filter = "Brief HTML (*.htm;*.html)|*.htm;*.html";
  std::vector<std::string> templates;
  std::error_code ec;
  if (!t_.reportFolder.empty())
    for (const auto& e : std::filesystem::directory_iterator(t_.reportFolder, ec)) {
      std::string name = e.path().filename().string();
      if (!e.is_regular_file(ec) || !EndsText(".txt", name))
        continue;
      std::string mask;
      std::ifstream in(e.path());
      std::getline(in, mask);
      mask = std::string(Trim(mask));
      templates.push_back(e.path().string());
      filter += "|" + name.substr(0, name.size() - 4) + " (" + mask + ")|" + mask;
    }
  int chosen = 3; // the third entry, as the program always offered
  std::string folder = t_.prefs ? t_.prefs->GetString("Playlist.ReportDir") : std::string();
  std::string path = t_.chooseSaveFile("Save report...", filter, folder, "report", chosen);
  if (path.empty())
    return;
  if (t_.prefs)
    t_.prefs->SetString("Playlist.ReportDir", FolderOf(path));
  std::string templ = chosen >= 2 && chosen - 2 < static_cast<int>(templates.size())
                          ? templates[static_cast<size_t>(chosen - 2)]
                          : std::string();
  TPlayList::TReportContext context;
  context.version = t_.version;
  context.lastUpdate = lastUpdate;
  context.detector = t_.detector;
  list->WriteReport(path, templ, context);
  if (t_.openDocument)
    t_.openDocument(path);
}

} // namespace zv
