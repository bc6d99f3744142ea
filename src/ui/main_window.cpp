#include "ui/main_window.h"

#include "commands/model_manager.h"
#include "core/app_paths.h"
#include "core/error.h"
#include "core/format.h"
#include "core/random.h"
#include "core/session_log.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "mediainfo/media_info.h"
#include "platform/key_translation.h"
#include "playback/direct_show_helper.h"
#include "playlist/playlist.h"
#include "prefs/xml_prefs.h"
#include "skin/language_manager.h"
#include "ui/command_event.h"
#include "ui/plain_text.h"
#include "ui/video_panel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

namespace zv {
namespace fs = std::filesystem;

namespace {
constexpr int kStripHeight = 30;
constexpr int64_t kOneHour = 36'000'000'000;
// The seek bar counts tenths of a second.
constexpr int64_t kSeekUnit = 1'000'000;

std::string Pref(IPrefs* prefs, const char* key, const char* def) {
  std::string v = prefs ? prefs->GetString(key) : std::string();
  return v.empty() ? std::string(def) : v;
}
} // namespace

TfrMain::TfrMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frMain");
  setAcceptDrops(true);
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  panel_ = new TVideoPanel(central);
  panel_->SetPicture(DefaultLogo());
  column->addWidget(panel_, 1);

  strip_ = new QWidget(central);
  strip_->setObjectName("ControlStrip");
  strip_->setFixedHeight(kStripHeight);
  auto* row = new QHBoxLayout(strip_);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);
  AddButton(50, QStyle::SP_DialogOpenButton);
  playButton_ = AddButton(102, QStyle::SP_MediaPlay);
  AddButton(100, QStyle::SP_MediaStop);
  AddButton(251, QStyle::SP_MediaSkipBackward);
  AddButton(250, QStyle::SP_MediaSkipForward);
  for (auto& [code, button] : buttons_)
    row->addWidget(button);
  captionLabel_ = new QLabel(strip_);
  captionLabel_->setObjectName("CaptionText");
  // The caption takes what room is left, down to nothing in a narrow window.
  captionLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  captionLabel_->setMaximumWidth(200);
  row->addWidget(captionLabel_, 1);
  seek_ = new QSlider(Qt::Horizontal, strip_);
  seek_->setObjectName("SeekBar");
  seek_->setEnabled(false);
  seek_->setFocusPolicy(Qt::NoFocus);
  seek_->setMinimumWidth(70);
  row->addWidget(seek_, 3);
  position_ = new QLabel("0:00:00/0:00:00", strip_);
  position_->setObjectName("Position");
  position_->setToolTip(QString::fromStdString(Lang("FrontEnd.Position.Hint")));
  row->addWidget(position_);
  auto* mute = AddButton(403, QStyle::SP_MediaVolume);
  row->addWidget(mute);
  volume_ = new QSlider(Qt::Horizontal, strip_);
  volume_->setObjectName("Volume");
  volume_->setRange(0, 100);
  volume_->setFixedWidth(50);
  volume_->setFocusPolicy(Qt::NoFocus);
  volume_->setToolTip(QString::fromStdString(Lang("FrontEnd.Volume.Hint")));
  row->addWidget(volume_);
  column->addWidget(strip_);
  setCentralWidget(central);

  connect(seek_, &QSlider::sliderPressed, this, [this] { seeking_ = true; });
  connect(seek_, &QSlider::sliderReleased, this, [this] {
    seeking_ = false;
    if (auto* player = ctx_.playlist ? ctx_.playlist->Player() : nullptr)
      player->SeekTo(static_cast<int64_t>(seek_->value()) * kSeekUnit);
  });
  connect(seek_, &QSlider::actionTriggered, this, [this](int action) {
    // Page steps (a click beside the handle) seek at once; dragging seeks on release.
    if (action == QAbstractSlider::SliderMove || seek_->isSliderDown())
      return;
    QTimer::singleShot(0, this, [this] {
      if (auto* player = ctx_.playlist ? ctx_.playlist->Player() : nullptr)
        player->SeekTo(static_cast<int64_t>(seek_->value()) * kSeekUnit);
    });
  });
  connect(volume_, &QSlider::valueChanged, this, [this](int v) {
    if (ctx_.prefs)
      ctx_.prefs->SetInt("Sound.Volume", v);
    ApplyVolume();
  });

  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { OnTimer(); });
  timer_->start(200);
  SetVideoArea(QSize(380, 221)); // the default video area of the preferences, 830-450 by 593-372
}

void TfrMain::PlaceAtStart() {
  // The stored video area, or the default one centred on the screen.
  IPrefs* p = ctx_.prefs;
  int left = p ? StrToIntDef(Pref(p, "FrontEnd.Pos.Left", "450"), 450) : 450;
  int top = p ? StrToIntDef(Pref(p, "FrontEnd.Pos.Top", "372"), 372) : 372;
  int right = p ? StrToIntDef(Pref(p, "FrontEnd.Pos.Right", "830"), 830) : 830;
  int bottom = p ? StrToIntDef(Pref(p, "FrontEnd.Pos.Bottom", "593"), 593) : 593;
  bool resize = Pref(p, "OnStart.Resize", "1") == "1" || right - left <= 0 || bottom - top <= 0;
  QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080);
  if (resize) {
    SetVideoArea(QSize(380, 320 - kStripHeight));
    CenterWindow();
  } else {
    SetVideoArea(QSize(right - left, bottom - top));
    if (!work.contains(QPoint(left, top)))
      CenterWindow();
    else
      move(left, top);
  }
}

void TfrMain::SavePanelsState() {
  if (!ctx_.prefs)
    return;
  LeaveFullScreen();
  ctx_.prefs->SetBool("FrontEnd.PanelsState", strip_->isVisible());
  QRect video(panel_->mapToGlobal(QPoint(0, 0)), panel_->size());
  ctx_.prefs->SetInt("FrontEnd.Pos.Left", video.left());
  ctx_.prefs->SetInt("FrontEnd.Pos.Top", video.top());
  ctx_.prefs->SetInt("FrontEnd.Pos.Right", video.left() + video.width());
  ctx_.prefs->SetInt("FrontEnd.Pos.Bottom", video.top() + video.height());
}

TfrMain::~TfrMain() = default;

QToolButton* TfrMain::AddButton(int code, int icon) {
  auto* b = new QToolButton(strip_);
  b->setObjectName(QString::fromStdString("c" + std::string(code < 100 ? "0" : "") + std::to_string(code)));
  b->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setToolTip(QString::fromStdString(Lang(Format("Command.%.3d", code))));
  connect(b, &QToolButton::clicked, this, [this, code] { QCoreApplication::postEvent(this, new TCommandEvent(code)); });
  buttons_.emplace_back(code, b);
  return b;
}

void TfrMain::SetContext(TMainContext context) {
  ctx_ = std::move(context);
  int volume = ctx_.prefs ? StrToIntDef(Pref(ctx_.prefs, "Sound.Volume", "85"), 85) : 85;
  volume_->blockSignals(true);
  volume_->setValue(std::clamp(volume, 0, 100));
  volume_->blockSignals(false);
  muted_ = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.Mute");
  EnableControls(false);
}

void TfrMain::SetTitle(const std::string& text) {
  title_ = text;
  setWindowTitle(OutsideText(text));
}

bool TfrMain::IsHiddenForUser() const { return !isVisible() || isMinimized(); }

void TfrMain::BringToFront() {
  if (isMinimized())
    showNormal();
  else if (!isVisible())
    show();
  if (QGuiApplication::platformName() == "offscreen")
    return; // no window manager to ask
  raise();
  activateWindow();
}

void TfrMain::SetListHasEntries(bool) {}

bool TfrMain::FileOpen() const { return ctx_.playlist && ctx_.playlist->Player() && ctx_.playlist->Player()->Opened(); }

// ---------------------------------------------------------------------------------------------
// Transport display

void TfrMain::UpdatePlayButton() {
  bool running = playState_ == TPlayState::Playing || playState_ == TPlayState::SpeedPlay;
  playButton_->setIcon(style()->standardIcon(running ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

void TfrMain::ShowPlaying() {
  // While the current entry is being opened in the background, Play has nothing to start anew.
  if (!FileOpen() && ctx_.playlist && !ctx_.playlist->Opening()) {
    if (ctx_.playlist->Count() == 0) {
      if (ctx_.openFiles)
        ctx_.openFiles();
    } else {
      if (ctx_.prefs && ctx_.prefs->GetBool("OnOpen.SeekLastPos"))
        ctx_.playlist->SetCurrent(ctx_.prefs->GetInt("Last.PlayListIdx"));
      ctx_.playlist->Play();
    }
  }
  if (!FileOpen() || !ctx_.dsh)
    return;
  try {
    ctx_.dsh->SetRate(1.0);
    ctx_.dsh->Run();
  } catch (const EZvError& e) {
    Log(std::string("!TfrMain.ShowPlaying: ") + e.what());
  }
  playState_ = TPlayState::Playing;
  UpdatePlayButton();
  if (ctx_.models)
    ctx_.models->SetInt("App.SuperPlay", 1);
}

void TfrMain::ShowPaused() {
  if (ctx_.dsh && ctx_.dsh->Graph()) {
    try {
      ctx_.dsh->Pause();
    } catch (const EZvError& e) {
      Log(std::string("!TfrMain.ShowPaused: ") + e.what());
    }
  }
  playState_ = TPlayState::Paused;
  UpdatePlayButton();
  if (ctx_.models)
    ctx_.models->SetInt("App.SuperPlay", 0);
  if (ctx_.prefs && ctx_.prefs->GetBool("OSD.ShowPauseTime") && ctx_.osd && ctx_.dsh && ctx_.dsh->Graph())
    ctx_.osd(FormatTime("{H}:{M}:{S}", ctx_.dsh->GetPosition()));
}

void TfrMain::ShowSpeedPlay() {
  if (!FileOpen() || !ctx_.dsh)
    return;
  int rate = StrToIntDef(Pref(ctx_.prefs, "Video.SpeedPlayRate", "13"), 13);
  try {
    ctx_.dsh->SetRate(rate / 10.0);
    ctx_.dsh->Run();
  } catch (const EZvError& e) {
    Log(std::string("!TfrMain.ShowSpeedPlay: ") + e.what());
  }
  playState_ = TPlayState::SpeedPlay;
  UpdatePlayButton();
}

void TfrMain::ShowStopped() {
  if (ctx_.playlist)
    ctx_.playlist->Stop();
  playState_ = TPlayState::Stopped;
  UpdatePlayButton();
  position_->setText("0:00:00>0:00:00");
  seek_->setValue(0);
  duration_ = 0;
  if (ctx_.prefs && ctx_.prefs->GetString("FrontEnd.HideLogo") == "0")
    panel_->SetPicture(DefaultLogo());
  else
    ShowCover("/empty/");
  panel_->ShowVideo(false);
  if (ctx_.versionTitle)
    SetTitle(ctx_.versionTitle());
  SetCaptionText(title_);
}

int64_t TfrMain::NearestKeyFrame(int64_t t) const {
  bool alt = QApplication::queryKeyboardModifiers() & Qt::AltModifier;
  if (alt || !ctx_.dsh || Pref(ctx_.prefs, "Seek.KeyFrameSeek", "1") != "1")
    return t;
  int64_t best = 600'000'000;
  int64_t found = -1;
  for (int64_t k : const_cast<TDirectShowHelper*>(ctx_.dsh)->KeyFrames())
    if (std::llabs(k - t) < best) {
      best = std::llabs(k - t);
      found = k;
    }
  return found < 0 ? t : found + 10;
}

void TfrMain::SeekRelative(const std::string& text) {
  if (!FileOpen() || !ctx_.dsh)
    return;
  int64_t p = ctx_.dsh->GetPosition();
  if (p == 0)
    return;
  int64_t offset = static_cast<int64_t>(StrToIntDef(text, 0)) * 10'000'000;
  bool forward = text.empty() || text[0] != '-';
  jumpOrigin_ = p;
  int64_t candidate = p + offset;
  bool found = false;
  for (int i = 0; i < 10 && !found; ++i) {
    candidate = NearestKeyFrame(p + offset);
    if (forward ? candidate > p + 10'000'000 : candidate < p - 10'000'000)
      found = true;
    else
      offset += forward ? 5'000'000 : -5'000'000;
  }
  ctx_.dsh->SeekTo(found ? candidate : p + offset);
}

void TfrMain::StepBack() {
  if (!FileOpen() || !ctx_.dsh)
    return;
  ShowPaused();
  int64_t frame = ctx_.dsh->FrameTime();
  double fps = frame > 0 ? 10'000'000.0 / static_cast<double>(frame) : 0;
  if (fps < 0.0001)
    fps = 20;
  ctx_.dsh->SeekTo(ctx_.dsh->GetPosition() - static_cast<int64_t>(std::llround(1.25 * 10'000'000.0 / fps)));
}

void TfrMain::FrameStep() {
  if (!FileOpen() || !ctx_.dsh)
    return;
  ShowPaused();
  try {
    ctx_.dsh->FrameStep(1);
  } catch (const EZvError& e) {
    Log(std::string("!TfrMain.FrameStep: ") + e.what());
  }
}

// ---------------------------------------------------------------------------------------------
// Window layout

QSize TfrMain::ExtraSize() const { return size() - panel_->size(); }

void TfrMain::SetVideoArea(QSize area) {
  int extra = strip_->isVisible() ? strip_->height() : 0;
  if (strip_->isVisible() && strip_->height() < kStripHeight)
    extra = kStripHeight;
  resize(std::max(area.width(), strip_->isVisible() ? 380 : 50), std::max(area.height(), 50) + extra);
  Log(Format("TfrMain.SetVideoRect:SetWindowPos(%d, %d, %d, %d)", x(), y(), width(), height()));
}

bool TfrMain::ControlPanelVisible() const { return strip_->isVisible(); }

void TfrMain::TogglePanels() {
  TLogScope scope("TfrMain.TogglePanels");
  QSize area = panel_->size();
  strip_->setVisible(!strip_->isVisible());
  // The picture keeps its size: the window grows or shrinks by the strip.
  if (!fullScreen_)
    SetVideoArea(area);
}

void TfrMain::EnterFullScreen() {
  if (fullScreen_)
    return;
  fullScreen_ = true;
  panelVisibleBeforeFullScreen_ = strip_->isVisible();
  strip_->setVisible(false); // full screen starts without panels
  showFullScreen();
}

void TfrMain::LeaveFullScreen() {
  if (!fullScreen_)
    return;
  fullScreen_ = false;
  showNormal();
  strip_->setVisible(true); // and the window always has them
}

void TfrMain::ToggleFullScreen() {
  if (fullScreen_)
    LeaveFullScreen();
  else
    EnterFullScreen();
}

void TfrMain::ZoomToPercent(int percent) {
  if (!FileOpen() || !ctx_.dsh || ctx_.dsh->VideoWidth() <= 0)
    return;
  LeaveFullScreen();
  QSize video(ctx_.dsh->VideoWidth(), ctx_.dsh->VideoHeight());
  QSize area;
  if (percent == -1) {
    QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1920, 1080);
    QSize room = screen.size() - ExtraSize();
    area = video;
    if (area.width() > room.width())
      area = QSize(room.width(),
                   static_cast<int>(std::lround(room.width() * static_cast<double>(video.height()) / video.width())));
    if (area.height() > room.height())
      area = QSize(static_cast<int>(std::lround(room.height() * static_cast<double>(video.width()) / video.height())),
                   room.height());
  } else {
    area = QSize(video.width() * percent / 100, video.height() * percent / 100);
  }
  SetVideoArea(area);
}

void TfrMain::ResizeToVideo() { ZoomToPercent(-1); }

void TfrMain::CenterWindow() {
  QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080);
  int left = work.left() + (work.width() - frameGeometry().width()) / 2;
  int top = work.top() + (work.height() - frameGeometry().height()) / 2;
  move(left, top);
  Log(Format("TfrMain.CenterForm(%d, %d) %dx%d", left, top, width(), height()));
}

// ---------------------------------------------------------------------------------------------
// The player's side

void TfrMain::SetCaptionText(const std::string& text) {
  caption_ = text;
  SetPlainText(captionLabel_, text); // titles and names from files and streams
  captionLabel_->repaint();
}

void TfrMain::ShowCover(const std::string& mediaFile) {
  // A cover of the file's folder wins over a logo of the program's Logo folder.
  std::string chosen;
  std::error_code ec;
  if (Pref(ctx_.prefs, "FrontEnd.HideLogo", "1") == "1" && fs::is_directory(ExeDir() + "Logo", ec)) {
    std::vector<std::string> logos;
    for (const auto& item : fs::directory_iterator(ExeDir() + "Logo", ec)) {
      std::string ext = LowerCase(item.path().extension().string());
      if (ext == ".jpg" || ext == ".bmp")
        logos.push_back(item.path().string());
    }
    if (!logos.empty())
      chosen = logos[rnd::Random(static_cast<uint32_t>(logos.size()))];
  }
  if (mediaFile != "/empty/") {
    fs::path folder = fs::path(mediaFile).parent_path();
    for (const char* name : {"Cover.jpg", "Cover.bmp"})
      if (fs::is_regular_file(folder / name, ec)) {
        chosen = (folder / name).string();
        break;
      }
  }
  QImage picture;
  if (!chosen.empty())
    picture.load(QString::fromStdString(chosen));
  if (picture.isNull()) {
    if (chosen.empty())
      Log("= Cover could not be found!");
    // Without a picture of its own the area shows the program's logo.
    picture = DefaultLogo();
  }
  panel_->SetPicture(picture);
}

void TfrMain::HideCover() { panel_->ShowVideo(true); }

eng::IVideoOutput* TfrMain::MoviePanel() { return panel_->Video(); }

void TfrMain::SetSeekRange(int64_t duration) {
  duration_ = duration;
  seek_->setRange(0, static_cast<int>(std::min<int64_t>(duration / kSeekUnit, INT32_MAX)));
}

void TfrMain::EnableControls(bool open) {
  for (auto& [code, button] : buttons_) {
    bool enabled = true;
    if (code == 100)
      enabled = open;
    button->setEnabled(enabled);
  }
  seek_->setEnabled(open);
}

void TfrMain::EnableTimer() {
  if (!timer_->isActive())
    timer_->start(200);
}

void TfrMain::ApplyVolume() {
  if (!ctx_.dsh || !ctx_.dsh->Graph())
    return;
  int v = volume_->value();
  // The engine takes hundredths of a decibel below full volume.
  long level = (muted_ || v <= 0) ? -10000 : static_cast<long>(std::lround(2000.0 * std::log10(v / 100.0)));
  ctx_.dsh->Graph()->SetVolume(level);
}

void TfrMain::ChangeVolume(int delta) { SetVolumePosition(volume_->value() + delta); }

int TfrMain::VolumePosition() const { return volume_->value(); }

void TfrMain::SetVolumePosition(int position) { volume_->setValue(std::clamp(position, 0, 100)); }

void TfrMain::ToggleMute() {
  muted_ = !muted_;
  if (ctx_.prefs)
    ctx_.prefs->SetBool("FrontEnd.Mute", muted_);
  ApplyVolume();
  if (ctx_.models)
    ctx_.models->SetInt("Audio.Mute", muted_ ? 1 : 0);
}

void TfrMain::SetPlayingTitle(const std::string& title) {
  SetTitle(title + " - Zelvar");
  SetCaptionText(title);
}

void TfrMain::ShowFileInfo() {
  TPlayList* list = ctx_.playlist;
  IPlaylistPlayer* player = list ? list->Player() : nullptr;
  TFileInfoMessage m;
  m.templ = ctx_.prefs ? TXMLPrefs::DecodeText(ctx_.prefs->GetString("OSD.InfoStr")) : std::string();
  TMediaInfo* info = player ? player->MediaInfo() : nullptr;
  if (info) {
    m.fileName = info->Info().FileName;
    if (info->Info().FileFormat == kNetworkStreamFormat)
      m.streamTitle = info->Info().Title;
    if (ctx_.dsh && ctx_.dsh->Graph()) {
      try {
        m.position = ctx_.dsh->GetPosition();
        m.duration = ctx_.dsh->GetDuration();
      } catch (const std::exception&) {
        m.position.reset(); // the two placeholders stay
      }
    }
  } else if (list && list->CurrentIndex() >= 0 && list->CurrentIndex() < list->Count()) {
    m.fileName = list->Items(list->CurrentIndex()).FileName;
  }
  m.info = info;
  QTime now = QTime::currentTime();
  m.hour = now.hour();
  m.minute = now.minute();
  if (ctx_.osd)
    ctx_.osd(FileInfoMessage(m));
}

void TfrMain::ForceForeground() {
  if (QGuiApplication::platformName() == "offscreen")
    return;
  raise();
  activateWindow();
}

void TfrMain::ExecCommand(int code) {
  if (executeCommand)
    executeCommand(code);
}

QString TfrMain::PositionText() const { return position_->text(); }

void TfrMain::OnTimer() {
  if (FileOpen() && ctx_.dsh && ctx_.dsh->Graph()) {
    int64_t p = 0, d = 0;
    try {
      p = ctx_.dsh->GetPosition();
      d = ctx_.dsh->GetDuration();
    } catch (const std::exception&) {
      // a failed reading skips this step
    }
    // Streams and sources that report exactly an hour have no known length.
    if (ctx_.dsh->IsURL() || d == kOneHour || ctx_.dsh->DurationIsFallback())
      d = 0;
    if (d != duration_)
      SetSeekRange(d);
    if (d != 0 && !seeking_ && !seek_->isSliderDown()) {
      seek_->blockSignals(true);
      seek_->setValue(static_cast<int>(std::min<int64_t>(p / kSeekUnit, INT32_MAX)));
      seek_->blockSignals(false);
    }
    bool reverse = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.ReversePlayTime");
    std::string text =
        FormatTime("{H}:{M}:{S}", reverse ? d - p : p) + (reverse ? "\\" : "/") + FormatTime("{H}:{M}:{S}", d);
    position_->setText(QString::fromStdString(text));
  }
  if (postponedPlay_) {
    postponedPlay_ = false;
    TLogScope scope("PostponedPlay");
    if (ctx_.playlist)
      ctx_.playlist->Play();
    // A file that failed to open has been reported already: it is not tried a second time.
    if (FileOpen())
      ShowPlaying();
  }
}

// ---------------------------------------------------------------------------------------------
// Events

bool TfrMain::event(QEvent* e) {
  if (e->type() == kCommandEventType) {
    int code = static_cast<TCommandEvent*>(e)->Code();
    if (code != 1000 && code != 1001 && executeCommand)
      executeCommand(code);
    return true;
  }
  return QMainWindow::event(e);
}

void TfrMain::closeEvent(QCloseEvent* e) {
  // The user closing the window ends the program through its normal exit path.
  if (onCloseRequest && e->spontaneous()) {
    e->ignore();
    onCloseRequest();
    return;
  }
  QMainWindow::closeEvent(e);
}

void TfrMain::keyPressEvent(QKeyEvent* e) {
  if (onKeyName) {
    onKeyName(KeyEventName(*e));
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

void TfrMain::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls())
    e->acceptProposedAction();
}

void TfrMain::dropEvent(QDropEvent* e) {
  std::vector<std::string> files;
  for (const QUrl& url : e->mimeData()->urls())
    files.push_back(url.isLocalFile() ? url.toLocalFile().toStdString() : url.toString().toStdString());
  if (files.empty())
    return;
  e->acceptProposedAction();
  if (ctx_.dropFiles)
    ctx_.dropFiles(files);
}

} // namespace zv
