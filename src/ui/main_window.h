#pragma once

#include "playback/player.h"

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace zv {

class TDirectShowHelper;
class TModelManager;
class TPlayList;
class TVideoPanel;

// What the main window works with once the core has created the services.
struct TMainContext {
  IPrefs* prefs = nullptr;
  TPlayList* playlist = nullptr;
  TDirectShowHelper* dsh = nullptr;
  TModelManager* models = nullptr;
  std::function<void(const std::string&)> osd;
  // "{P} {MAJ}.{MIN}{RI}", the title while no file is open.
  std::function<std::string()> versionTitle;
  // The open-file dialog of the application logic.
  std::function<void()> openFiles;
  // Files dropped on the window.
  std::function<void(const std::vector<std::string>&)> dropFiles;
};

// The main window: the movie panel and, below it, a strip of controls (open, play/stop, unload,
// previous, next, seek bar, position, volume) until the skinned bars replace it. Numbered commands
// posted to it are handed to the command executor.
class TfrMain : public QMainWindow, public IPlayerWindow {
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

  // Transport display.
  enum class TPlayState { Stopped = 0, Playing = 1, Paused = 2, SpeedPlay = 3 };
  TPlayState PlayState() const { return playState_; }
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
  void ZoomToPercent(int percent);
  void ChangeVolume(int delta);
  void ToggleMute();
  bool Muted() const { return muted_; }
  // The volume bar, 0 to 100; setting it applies the volume.
  int VolumePosition() const;
  void SetVolumePosition(int position);

  // The player's side (IPlayerWindow).
  std::string CaptionText() const override { return caption_; }
  void SetCaptionText(const std::string& text) override;
  void ShowCover(const std::string& mediaFile) override;
  void HideCover() override;
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
  void ApplyFonts() override {}
  void ExecCommand(int code) override;

  TVideoPanel* Panel() const { return panel_; }
  QString PositionText() const;
  // One step of the 200 ms timer: time display, seek bar, postponed playback.
  void OnTimer();

protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

private:
  QToolButton* AddButton(int code, int icon);
  void SetVideoArea(QSize size);
  QSize ExtraSize() const;
  void UpdatePlayButton();

  TMainContext ctx_;
  std::string title_;
  std::string caption_;
  bool postponedPlay_ = false;
  bool fullScreen_ = false;
  bool panelVisibleBeforeFullScreen_ = true;
  bool seeking_ = false;
  bool muted_ = false;
  int64_t duration_ = 0;
  int64_t jumpOrigin_ = 0;
  TPlayState playState_ = TPlayState::Stopped;
  TVideoPanel* panel_ = nullptr;
  QWidget* strip_ = nullptr;
  QLabel* captionLabel_ = nullptr;
  QLabel* position_ = nullptr;
  QSlider* seek_ = nullptr;
  QSlider* volume_ = nullptr;
  QToolButton* playButton_ = nullptr;
  std::vector<std::pair<int, QToolButton*>> buttons_;
  QTimer* timer_ = nullptr;
};

} // namespace zv
