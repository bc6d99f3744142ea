#pragma once

#include "commands/blind_notifier.h"
#include "commands/model_manager.h"
#include "playback/player.h"
#include "skin/opti_controls.h"
#include "ui/base_skin.h"
#include "ui/brand_border.h"
#include "ui/osd_manager.h"
#include "ui/popup_menu_logic.h"
#include "ui/window_geometry.h"
#include "ui/window_input.h"

#include <QDeadlineTimer>
#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSystemTrayIcon;
class QTimer;
class QTime;
class QMouseEvent;
class QWheelEvent;
class QKeyEvent;

namespace zv {

class TDirectShowHelper;
class TModelManager;
class TOptiBuilder;
class TOptiWrapper;
class TPlayGrid;
class TScreenSaverGuard;
class IDisplayModes;
class TDisplayModeSwitch;
class TPlayList;
class TVideoPanel;
class THoverButton;
class TTimeTrackBar;
class TVolumeTrackBar;
class TTimeBar;
class TPosBar;
class TCPULoad;
class TZVCaption;
class TVideoPropsModel;
class TAudioPropsModel;
class TFullPopupMenu;
class TOSDPanel;

// What the main window works with once the core has created the services.
struct TMainContext {
  IPrefs* prefs = nullptr;
  TPlayList* playlist = nullptr;
  TDirectShowHelper* dsh = nullptr;
  TModelManager* models = nullptr;
  // The core's 100 ms tick.
  TBlindNotifier* tick = nullptr;
  std::function<void(const std::string&)> osd;
  // "{P} {MAJ}.{MIN}{RI}", the title while no file is open.
  std::function<std::string()> versionTitle;
  // The open-file dialog of the application logic.
  std::function<void()> openFiles;
  // Files dropped on the window: into the playlist when dropped on the shown playlist panel,
  // else instead of it.
  std::function<void(const std::vector<std::string>&, bool intoPlaylist)> dropFiles;
  // "/FULLSCREEN" on the program's own command line.
  std::function<bool()> fullScreenSwitch;
  // A button's tool tip: the command's name and its key.
  std::function<std::string(int)> commandHint;
  // Held while a picture plays.
  TScreenSaverGuard* screenSaver = nullptr;
  // The monitor's modes, changed for full screen with Video.ChangeResolution.
  IDisplayModes* displayModes = nullptr;
  // The duration of a file the playlist grid shows without one (0 when it has none).
  std::function<int64_t(const std::string&)> measureDuration;
  // The command a key name is bound to (0 for none).
  std::function<int(const std::string&)> keyCommand;
  // The ending mark and the duration it was taken on (command 158), 100 ns units.
  std::function<std::pair<int64_t, int64_t>()> endingMark;
  // The processor-load meter's latest reading in percent (unset: no meter).
  std::function<int()> cpuReading;
  // The value of a switch on the program's own command line ("/ZOOM", "/RATIO"), empty when absent.
  std::function<std::string(const std::string&)> switchValue;
  // The main volume (0 … 100) with the mute state: stored, shown and handed to the system mixer.
  std::function<void(int volume, bool muted)> setMainVolume;
  // Switches the monitor off or on (Ctrl+Alt+Shift+F1, F2).
  std::function<void(bool on)> monitorPower;
  // The key bound to a command code, empty when none.
  std::function<std::string(int)> commandKey;
  // The captions of the mounted optical and removable volumes, in the order their menu items
  // post 53, 54, ...
  std::function<std::vector<std::string>()> drives;
  // "Zelvar 4.4", the tray icon's tool tip after the program's name.
  std::function<std::string()> versionText;
};

// The main window: the caption bar, the movie panel and the control panel inside a drawn
// border. The control panel shows either the built-in bars drawn from the base bitmap or the
// controls of a package skin. Numbered commands posted to it are handed to the command executor.
class TfrMain : public QMainWindow, public IPlayerWindow, public ISkinHost, public IOsdView {
public:
  explicit TfrMain(QWidget* parent = nullptr);
  ~TfrMain() override;

  // Hands every command code except the reserved 1000 and 1001 to the executor.
  std::function<void(int)> executeCommand;
  // Runs when the user closes the window.
  std::function<void()> onCloseRequest;
  // Receives the binding name of every key pressed in the window ("Ctrl+M").
  std::function<void(const std::string&)> onKeyName;

  void SetContext(TMainContext context);
  // The playlist is about to go: the grid that reads it goes first.
  void ReleasePlaylist();
  // The tool tips again, after the key bindings or the language changed.
  void RefreshHints();
  // Size and place from the stored video area, or the default area centred.
  void PlaceAtStart();
  // Stores the panels' state and the video area for the next start.
  void SavePanelsState();
  void SetTitle(const std::string& text);
  std::string Title() const { return title_; }
  // The window counts as hidden when it is minimised or not shown at all.
  bool IsHiddenForUser() const;
  // Restores a hidden window and raises it above the others.
  void BringToFront();
  // The playlist's play request, carried out by the window's own timer.
  void RequestPostponedPlay() { postponedPlay_ = true; }
  bool PostponedPlayRequested() const { return postponedPlay_; }
  // The playlist holds at least one entry (enables the file information control).
  void SetListHasEntries(bool has);

  // Skins: the choice by name (FrontEnd.Skin) and a package skin by path ("-" the built-in one).
  void ApplySkin(const std::string& name);
  bool ApplyPackageSkin(const std::string& path);
  void RemovePackageSkin();
  bool PackageSkinShown() const { return ctlRoot_ != nullptr; }
  const TBaseSkin& BaseSkin() const { return base_; }
  TBrandBorder* Border() { return borderInUse_ ? &border_ : nullptr; }
  TZVCaption* CaptionBar() const { return caption_; }
  QWidget* ControlPanel() const { return cpanel_; }
  TTimeTrackBar* SeekBar() const { return seek_; }
  TVolumeTrackBar* VolumeBar() const { return volume_; }
  THoverButton* Button(int code) const;
  // Bitmaps the package skin gave the popup menu.
  const QImage& MenuBackground() const { return menuBackground_; }
  const QImage& MenuPictures() const { return menuPictures_; }

  // Transport display.
  enum class TPlayState { Stopped = 0, Playing = 1, Paused = 2, SpeedPlay = 3 };
  TPlayState PlayState() const { return playState_; }
  // The picture moves: playing at normal speed or fast.
  bool Running() const { return playState_ == TPlayState::Playing || playState_ == TPlayState::SpeedPlay; }
  bool FileOpen() const;
  void ShowPlaying();
  void ShowPaused() override;
  void ShowSpeedPlay();
  void ShowStopped();
  void SeekRelative(const std::string& text);
  void StepBack();
  void FrameStep();
  int64_t NearestKeyFrame(int64_t t) const;
  void EnterFullScreen();
  void LeaveFullScreen();
  void ToggleFullScreen();
  // Above the other windows when asked, or in full screen with Video.StayOnTopInFullScreenMode.
  void SetStayOnTop(bool on);
  bool StayOnTop() const;
  // The stay-on-top button: FrontEnd.StayOnTop, the window and "App.StayOnTop" follow.
  void ToggleStayOnTop();
  void ZoomToPercent(int percent);
  // The playlist panel on the right of the video area, with its splitter.
  void ShowPlaylistPanel(bool visible);
  bool PlaylistPanelShown() const;
  // The playlist view's font, colours and columns read again from the preferences.
  void ApplyPlaylistOptions();
  TPlayGrid* Grid() const { return grid_; }
  int PlaylistWidth() const { return playlistWidth_; }
  // The splitter: the panel's new width, held between its minimum and what leaves the picture room.
  void SetPlaylistWidth(int width);
  // Minimising: pauses when asked, goes to the tray when asked (and a tray exists); the
  // hide-everything variant hides the dialogs too. Restoring brings back what was hidden and
  // resumes playback when asked.
  void MinimiseWindow(bool hideEverything = false);
  // The about window, modal, over this window; the package skin's about panel when one is shown.
  void ShowAbout(const std::string& caption);
  void RestoreWindow();
  void ToggleMinimised();
  bool InTray() const { return inTray_; }
  bool HiddenByBossKey() const { return hiddenByBossKey_; }
  QSystemTrayIcon* TrayIcon() const { return tray_; }
  // Command 200: the user pins (or unpins) the control panel in full screen, then it toggles.
  void ControlPanelCommand();
  bool PanelsPinned() const { return fullScreenFlags_.panelsPinned; }
  // Bookmark rows in the grid (command 264): Playlist.ShowBookmarks and the button follow.
  void ToggleBookmarks();
  void ChangeVolume(int delta);
  void ToggleMute();
  bool Muted() const { return muted_; }
  // The volume bar, 0 to 100; setting it applies the volume.
  int VolumePosition() const;
  void SetVolumePosition(int position);

  // The player's side (IPlayerWindow).
  std::string CaptionText() const override { return caption_text_; }
  void SetCaptionText(const std::string& text) override;
  void ShowCover(const std::string& mediaFile) override;
  void HideCover() override;
  bool CoverShown() const { return coverShown_; }
  // The cover picture beside a media file ("Cover.jpg", else "Cover.bmp"); empty without one.
  static std::string CoverFileOf(const std::string& mediaFile);
  eng::IVideoOutput* MoviePanel() override;
  void SetSeekRange(int64_t duration) override;
  bool ControlPanelVisible() const override;
  void TogglePanels() override;
  bool FullScreen() const override { return fullScreen_; }
  void ResizeToVideo() override;
  void CenterWindow() override;
  void MapVideoWindow() override {}
  void EnableControls(bool open) override;
  void EnableTimer() override;
  void ApplyVolume() override;
  void SetPlayingTitle(const std::string& title) override;
  void ShowFileInfo() override;
  bool Minimised() const override { return isMinimized(); }
  void ForceForeground() override;
  // The on-screen texts' fonts, colours, background and the information panel's place, from the
  // preferences.
  void ApplyFonts() override;
  void ExecCommand(int code) override;

  // What the skin controls read (ISkinHost).
  TBasicModelManager& Models() override;
  TBlindNotifier& Tick() override;
  // The display mode kept while full screen uses another one.
  const TDisplayModeSwitch* ModeSwitch() const { return modeSwitch_.get(); }
  bool HasPlayer() const override { return FileOpen(); }
  int64_t Position() const override;
  int64_t Duration() const override;
  void SeekTo(int64_t position) override;
  int Volume() const override { return VolumePosition(); }
  void SetVolume(int volume) override { SetVolumePosition(volume); }
  std::string FormatText(std::string_view tmpl) const override;
  std::string Lang(std::string_view key) const override;

  TVideoPanel* Panel() const { return panel_; }
  QString PositionText() const;
  // One step of the 200 ms timer at the time of day `now`: position and seek bar, the ending
  // skip, the pointer, the clock, postponed playback, the load meter and the full-screen overlay.
  void Tick(const QTime& now);
  // The view the program's own command line asks for: /FULLSCREEN, /ZOOM n or x:y, /RATIO x:y.
  void ApplyCommandLineView();
  // The aspect ratio and the zoom, with their on-screen messages.
  void ShowAspect(int x, int y);
  void ShowZoom(int dx, int dy);
  // The geometry of the open file's picture (none without video); the picture is placed by it
  // whenever it or the video area changes.
  void SetVideoProps(TVideoPropsModel* props);
  // The sound controls of the open file, applied with every volume change; none without a file.
  void SetAudioProps(TAudioPropsModel* props) { audioProps_ = props; }
  // An application command of the desktop (multimedia keys, remote controls, the desktop's media
  // controls): false when `Modules.GlobalKeys.MMKeys` is off and the command is left to others.
  bool AppCommand(int command);
  // The same without the preference: the desktop's media controls always reach the player.
  void RunAppCommand(int command);
  TAudioPropsModel* AudioProps() const { return audioProps_; }
  TVideoPropsModel* VideoProps() const { return props_; }
  void PlaceVideo();
  // The picture of the open file at the playing position into the screen-shot folder (BMP, or
  // JPEG with App.ScreenShotJPEG); the path written, empty when none was.
  std::string TakeScreenShot();
  // The screen-shot control is enabled: a local file with a picture is open.
  bool ScreenShotEnabled() const { return shotEnabled_; }
  // The window at half size, each pixel the average of a 2 x 2 block, as a BMP file.
  bool SaveSkinShot(const std::string& path);
  // The popup menu at a screen point: the playlist form when opened over the playlist panel,
  // never from the tray.
  void OpenMenu(QPoint at, bool overPlaylist, bool fromTray);
  TFullPopupMenu* Menu() const { return menu_; }
  bool MenuOpen() const { return menuOpen_; }
  // The on-screen display's panels over the video area (IOsdView): 0 the information message, 1
  // and 2 the subtitle streams.
  void SetOsdText(int which, const std::string& text) override;
  TOsdFace OsdFace(int which) const override;
  // A font chosen in the subtitle dialog for stream 0 or 1, until the fonts are next read.
  void SetSubtitleFace(int stream, const QFont& font, QColor colour);
  void SetSubtitleIndicator(bool loaded) override { subtitlesLoaded_ = loaded; }
  bool SubtitleIndicator() const { return subtitlesLoaded_; }
  TOSDPanel* OsdPanel(int which) const { return osd_[which]; }
  // Places the three panels by their alignments, the subtitle positions and the overlay.
  void LayoutOsd();
  // The full-screen overlay of the control panel is shown (Mouse.HoverCPanel).
  bool OverlayShown() const { return overlayShown_; }
  int MeterShown() const { return meterShown_; }

  // The pointer over the video area (for tests: whether it is hidden now).
  bool PointerHidden() const { return pointerHidden_; }
  TDragMode DragMode() const { return dragMode_; }

protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void changeEvent(QEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

private:
  friend class TWindowFrame;
  void BuildBars();
  void AddBarButton(QWidget* bar, int code, int strip, int x, int y);
  void LayoutRegions();
  void LayoutBar(QWidget* bar);
  void SetVideoArea(QSize size);
  // The video area on the screen, and the window placed so that the video area takes that rectangle.
  QRect VideoGlobalRect() const;
  void PlaceVideoRect(QRect video);
  // The caption, control panel and border around the video area as they are now.
  TFrameParts FrameParts() const;
  void ApplySizeLimits();
  void WatchStateModels(bool on);
  static std::vector<TMonitor> Monitors();
  QSize ExtraSize() const;
  void UpdateButtons();
  void ApplyBorderLook(bool packageBuilt);
  QImage SkinLogo() const;
  int CaptionHeight() const;
  int ControlPanelHeight() const;
  int PlaylistBottomHeight() const;
  void CreateGrid();
  void ApplyGridColours();
  // The screen saver stays off while a file with a picture plays.
  void UpdateScreenSaver();
  void UpdateTrayIcon();
  // The mouse on the video area, by the preferences.
  void VideoMousePress(QMouseEvent* e);
  void VideoMouseRelease(QMouseEvent* e);
  // The disc picture's pixel under a point of the video area; none off the picture.
  std::optional<QPointF> DiscPoint(QPoint panelPoint) const;
  void VideoMouseMove(QMouseEvent* e);
  void WheelStep(bool up);
  void UpdatePointer();
  // Keys the window handles before the command table; true when the key is done with.
  bool WindowKey(QKeyEvent* e, const std::string& name);
  int PrefInt(const char* key, int def) const;
  bool FullScreenSettled() const;
  void OnSettling();
  void UpdateOverlay();
  TMenuFacts MenuFacts() const;
  QColor PictureCentreColour() const;
  bool MenuChecked(int code) const;
  void PostCommand(int code);

  TMainContext ctx_;
  std::string title_;
  std::string caption_text_;
  bool postponedPlay_ = false;
  bool fullScreen_ = false;
  bool coverShown_ = false; // the picture is the playing file's cover
  bool muted_ = false;
  bool borderInUse_ = true;
  bool randomSkinDone_ = false;
  TFullScreenFlags fullScreenFlags_;
  QRect videoRect_; // the video area's screen rectangle before full screen
  int64_t duration_ = 0;
  int64_t jumpOrigin_ = 0;
  bool overlayShown_ = false;
  bool shotEnabled_ = false;
  TFullPopupMenu* menu_ = nullptr;
  TOSDPanel* osd_[3] = {};
  TVideoPropsModel* props_ = nullptr;
  TAudioPropsModel* audioProps_ = nullptr;
  bool subtitlesLoaded_ = false;
  int meterShown_ = 50; // the load meter moves a third of the way to each reading
  TPlayState playState_ = TPlayState::Stopped;

  TBaseSkin base_;
  TBrandBorder border_;
  QWidget* frame_ = nullptr; // paints the border, holds the inner panel
  QWidget* inner_ = nullptr;
  TZVCaption* caption_ = nullptr;
  TVideoPanel* panel_ = nullptr;
  QWidget* cpanel_ = nullptr;
  QWidget* stdBar_ = nullptr;
  QWidget* advBar_ = nullptr;
  QWidget* plistPanel_ = nullptr;  // the playlist panel: the grid over the button panel
  QWidget* plistBottom_ = nullptr; // the playlist's buttons
  QWidget* splitter_ = nullptr;
  TPlayGrid* grid_ = nullptr;
  int playlistWidth_ = 160;
  bool playlistBeforeHide_ = false; // the playlist panel's state when the control panel was hidden
  QSystemTrayIcon* tray_ = nullptr;
  std::unique_ptr<TDisplayModeSwitch> modeSwitch_;
  // A change of full screen until the window manager has carried it out.
  QTimer settling_;
  QDeadlineTimer settleDeadline_;
  QSize settleSize_;
  int queuedToggles_ = 0;
  bool inTray_ = false, hiddenByBossKey_ = false, minimising_ = false;
  bool runningBeforeMinimise_ = false;
  std::vector<QPointer<QWidget>> hiddenDialogs_;
  // Input state.
  TDragMode dragMode_ = TDragMode::None;
  QPoint pressGlobal_, pressWindow_, lastGlobal_;
  bool doubleClicked_ = false, menuOpen_ = false, pointerHidden_ = false;
  bool firstKeyAfterStop_ = true;
  TPointerHider pointer_;
  TWheelSteps wheelSteps_;
  TTimeTrackBar* seek_ = nullptr;
  TVolumeTrackBar* volume_ = nullptr;
  TTimeBar* clock_ = nullptr;
  TPosBar* position_ = nullptr;
  TCPULoad* cpuLoad_ = nullptr;
  std::vector<THoverButton*> buttons_;

  // The package skin, when one is shown.
  std::unique_ptr<TOptiBuilder> builder_, retiredBuilder_;
  std::unique_ptr<TOptiWrapper> borderDef_, captionRoot_, ctlRoot_, plistRoot_;
  QPointer<QWidget> pendingBorder_; // the border definition's control, which has no parent
  QImage skinLogo_, menuBackground_, menuPictures_;
  QColor splitterColour_;

  TModelManager ownModels_; // until the core's registry is handed over
  TBlindNotifier ownTick_;
  QTimer* timer_ = nullptr;
};

} // namespace zv
