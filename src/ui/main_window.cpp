#include "ui/main_window.h"

#include "commands/command_center.h"
#include "commands/command_codes.h"
#include "commands/model_manager.h"
#include "core/app_paths.h"
#include "core/atomic_file.h"
#include "core/colour.h"
#include "core/error.h"
#include "core/format.h"
#include "core/random.h"
#include "core/session_log.h"
#include "core/skin_text.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "mediainfo/media_info.h"
#include "platform/display.h"
#include "platform/display_modes.h"
#include "platform/key_translation.h"
#include "platform/screen_saver.h"
#include "playback/audio_props.h"
#include "playback/direct_show_helper.h"
#include "playback/video_props.h"
#include "playlist/playlist.h"
#include "prefs/xml_prefs.h"
#include "skin/language_manager.h"
#include "skin/opti_builder.h"
#include "skin/skin_choice.h"
#include "ui/about_window.h"
#include "ui/alert.h"
#include "ui/builtin_bars.h"
#include "ui/command_event.h"
#include "ui/osd_panel.h"
#include "ui/plain_text.h"
#include "ui/play_grid.h"
#include "ui/popup_menu.h"
#include "ui/screen_shot.h"
#include "ui/video_panel.h"
#include "ui/video_widget.h"
#include "ui/window_geometry.h"
#include "ui/zv_caption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <filesystem>

namespace zv {
namespace fs = std::filesystem;

namespace {
constexpr int64_t kOneHour = 36'000'000'000;

// Sizes of the regions in the built-in look and with a package skin.
constexpr int kCaptionHeight = 20, kSkinCaptionHeight = 21;
constexpr int kPanelHeight = 79, kSkinPanelHeight = 99;
constexpr int kBarHeight = 29;
constexpr int kPlaylistBottomHeight = 54, kSkinPlaylistBottomHeight = 48;

// The built-in bars' buttons: command, strip in the base bitmap, position (a negative x counts
// from the bar's right edge).
struct TBarButton {
  int code, strip, x, y;
};
constexpr TBarButton kStandardBar[] = {
    {cmdOpenFiles, 0, 4, 4},   {cmdPause, 1, 32, 4},       {cmdFrameStep, 2, 56, 4},     {cmdPlay, 3, 80, 4},
    {cmdSpeedPlay, 4, 104, 4}, {cmdFullScreen, 5, 244, 4}, {cmdOriginalSize, 6, 268, 4}, {cmdPrevious, 7, -73, 4},
    {cmdPlaylist, 8, -49, 4},  {cmdNext, 9, -25, 4}};
constexpr TBarButton kAdvancedBar[] = {
    {cmdMute, 10, 4, 4},         {cmdSoundSettings, 11, 96, 4},     {cmdVideoSettings, 12, 122, 4},
    {cmdScreenShot, 13, 146, 4}, {cmdSubtitleSettings, 15, 170, 4}, {cmdFilters, 16, -129, 4},
    {cmdFileInfo, 17, -105, 4},  {cmdPreferences, 18, -25, 4}};
constexpr TBarButton kPlaylistBar[] = {
    {cmdPlaySelected, 19, 4, 4}, {cmdRepeat, 20, 4, 28},   {cmdAddFiles, 21, 32, 4},   {cmdAddFolder, 22, 32, 28},
    {cmdRemove, 23, 56, 4},      {cmdClear, 24, 56, 28},   {cmdMoveUp, 25, 80, 4},     {cmdMoveDown, 26, 80, 28},
    {cmdShuffle, 27, 104, 4},    {cmdReport, 28, 104, 28}, {cmdBookmarks, 29, 132, 4}, {cmdSavePlaylist, 30, 132, 28}};

// The skin text template's view of the window.
class TWindowTextHost : public ISkinTextHost {
public:
  explicit TWindowTextHost(const TfrMain& w) : w_(w) {}
  TLocalTime Now() const override {
    QTime t = QTime::currentTime();
    return TLocalTime{t.hour(), t.minute(), t.second()};
  }
  bool HasPlayer() const override { return w_.HasPlayer(); }
  int64_t Position() const override { return w_.Position(); }
  int64_t Duration() const override { return std::max<int64_t>(w_.Duration(), 0); }
  bool HasMainWindow() const override { return true; }
  std::string MainCaption() const override { return w_.CaptionText(); }

private:
  const TfrMain& w_;
};
} // namespace

// The window's own area: paints the border around the inner panel and lets the border's band
// move the window's edges.
class TWindowFrame : public QWidget {
public:
  explicit TWindowFrame(TfrMain& w) : QWidget(&w), w_(w) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (!w_.borderInUse_) {
      p.fillRect(rect(), Qt::black);
      return;
    }
    w_.border_.PaintFrame(p, size(), !w_.cpanel_->isHidden(), w_.cpanel_->isEnabled());
  }
  void resizeEvent(QResizeEvent*) override { w_.LayoutRegions(); }
  Qt::Edges EdgesAt(QPoint p) const {
    if (!w_.borderInUse_ || w_.fullScreen_)
      return {};
    switch (w_.border_.HitTest(p, size())) {
    case THit::Left: return Qt::LeftEdge;
    case THit::Top: return Qt::TopEdge;
    case THit::Right: return Qt::RightEdge;
    case THit::Bottom: return Qt::BottomEdge;
    case THit::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case THit::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case THit::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case THit::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    case THit::Client: break;
    }
    return {};
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    Qt::Edges edges = EdgesAt(e->position().toPoint());
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
      setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
      setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
      setCursor(Qt::SizeHorCursor);
    else if (edges)
      setCursor(Qt::SizeVerCursor);
    else
      unsetCursor();
  }
  void mousePressEvent(QMouseEvent* e) override {
    Qt::Edges edges = EdgesAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && edges && w_.windowHandle())
      w_.windowHandle()->startSystemResize(edges);
  }

private:
  TfrMain& w_;
};

// The bar between the video area and the playlist panel: dragging it sets the panel's width.
class TSplitterBar : public QWidget {
public:
  explicit TSplitterBar(TfrMain& w, QWidget* parent) : QWidget(parent), w_(w) {
    setObjectName("PlaylistSplitter");
    setCursor(Qt::SplitHCursor);
  }
  QColor colour{0x40, 0x40, 0x40};

protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour); }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) {
      pressX_ = e->globalPosition().toPoint().x();
      startWidth_ = w_.PlaylistWidth();
    }
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (e->buttons() & Qt::LeftButton)
      w_.SetPlaylistWidth(startWidth_ + pressX_ - e->globalPosition().toPoint().x());
  }

private:
  TfrMain& w_;
  int pressX_ = 0, startWidth_ = 0;
};

TfrMain::TfrMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frMain");
  setAcceptDrops(true);
  setWindowIcon(QIcon(":/art/zelvar.png"));
  setWindowFlag(Qt::FramelessWindowHint);
  frame_ = new TWindowFrame(*this);
  setCentralWidget(frame_);
  inner_ = new QWidget(frame_);
  inner_->setObjectName("InnerPanel");
  caption_ = new TZVCaption(inner_, base_);
  caption_->onCommand = [this](int code) { PostCommand(code); };
  caption_->onMousePress = [this](QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && !fullScreen_ && windowHandle())
      windowHandle()->startSystemMove();
  };
  panel_ = new TVideoPanel(inner_);
  panel_->SetPicture(DefaultLogo());
  panel_->installEventFilter(this);
  for (TOSDPanel*& osd : osd_) {
    osd = new TOSDPanel(panel_);
    osd->samplePicture = [this] { return PictureCentreColour(); };
  }
  menu_ = new TFullPopupMenu(this, base_);
  menu_->facts = [this] { return MenuFacts(); };
  menu_->texts.commandName = [](int code) { return TCommandCenter::CommandName(code); };
  menu_->texts.key = [this](int code) { return ctx_.commandKey ? ctx_.commandKey(code) : std::string(); };
  menu_->texts.lang = [this](const std::string& key) { return Lang(key); };
  menu_->texts.checked = [this](int code) { return MenuChecked(code); };
  menu_->post = [this](int code) { PostCommand(code); };
  menu_->playDvdTitle = [this](int title) {
    if (ctx_.dsh)
      ctx_.dsh->DVDPlayTitle(title);
  };
  menu_->selectDvdAudio = [this](int stream) {
    if (ctx_.dsh)
      ctx_.dsh->DVDSelectAudio(stream);
  };
  cpanel_ = new QWidget(inner_);
  cpanel_->setObjectName("ControlPanel");
  cpanel_->setAutoFillBackground(true);
  plistPanel_ = new QWidget(inner_);
  plistPanel_->setObjectName("PlaylistPanel");
  plistPanel_->setAutoFillBackground(true);
  plistPanel_->hide();
  splitter_ = new TSplitterBar(*this, inner_);
  splitter_->hide();
  plistBottom_ = new QWidget(plistPanel_);
  plistBottom_->setObjectName("PlaylistButtons");
  plistBottom_->setAutoFillBackground(true);
  BuildBars();
  SetTitle("Zelvar");
  caption_->SetText("Zelvar");

  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { Tick(QTime::currentTime()); });
  settling_.setInterval(10);
  connect(&settling_, &QTimer::timeout, this, [this] { OnSettling(); });
  timer_->start(200);
  ApplyBorderLook(false);
  SetVideoArea(QSize(380, 221)); // the default video area of the preferences, 830-450 by 593-372
}

// The toggle buttons show the state models, which the core and the executor change.
void TfrMain::WatchStateModels(bool on) {
  if (!ctx_.models)
    return;
  // The subtitle panels follow the streams' positions.
  if (on)
    ctx_.models->Subscribe("App.Subs.Pos", THandlerKey::Tagged(this, 2), [this] { LayoutOsd(); });
  else
    ctx_.models->Unsubscribe("App.Subs.Pos", THandlerKey::Tagged(this, 2));
  for (const char* name : {"App.SuperPlay", "Audio.Mute", "Window.PlayList", "App.StayOnTop", "PList.Repeat"}) {
    if (on)
      ctx_.models->Subscribe(name, THandlerKey::Tagged(this, 1), [this] { UpdateButtons(); });
    else
      ctx_.models->Unsubscribe(name, THandlerKey::Tagged(this, 1));
  }
}

TfrMain::~TfrMain() {
  SetVideoProps(nullptr);
  WatchStateModels(false);
  delete grid_; // it leaves the registry's "PlayList" while both exist
  // Skin controls unsubscribe from the registry and the tick while both still exist: they go
  // now, those whose deletion was deferred too.
  RemovePackageSkin();
  for (QWidget* host : {static_cast<QWidget*>(caption_), cpanel_, plistBottom_})
    for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (dynamic_cast<TOptiWidget*>(w)) // skin controls have no meta-object of their own
        delete w;
  delete pendingBorder_.data();
}

void TfrMain::AddBarButton(QWidget* bar, int code, int strip, int x, int y) {
  auto* b = new THoverButton(bar, base_, code, 21 * strip, 21);
  b->move(x, y);
  b->rightOffset = x < 0 ? -x : 0;
  b->onClick = [this](int c) { PostCommand(c); };
  buttons_.push_back(b);
}

void TfrMain::BuildBars() {
  stdBar_ = new QWidget(cpanel_);
  stdBar_->setObjectName("StandardBar");
  advBar_ = new QWidget(cpanel_);
  advBar_->setObjectName("AdvancedBar");
  for (QWidget* bar : {stdBar_, advBar_})
    bar->setAutoFillBackground(true);
  for (const TBarButton& b : kStandardBar)
    AddBarButton(stdBar_, b.code, b.strip, b.x, b.y);
  for (const TBarButton& b : kAdvancedBar)
    AddBarButton(advBar_, b.code, b.strip, b.x, b.y);
  for (const TBarButton& b : kPlaylistBar)
    AddBarButton(plistBottom_, b.code, b.strip, b.x, b.y);
  seek_ = new TTimeTrackBar(cpanel_, base_);
  seek_->onChange = [this] {
    // Only the user's dragging seeks; the timer's updates do not come here.
    if (!seek_->Dragging())
      return;
    if (auto* player = ctx_.playlist ? ctx_.playlist->Player() : nullptr)
      player->SeekTo(NearestKeyFrame(seek_->Position()));
  };
  position_ = new TPosBar(stdBar_, base_);
  position_->setGeometry(132, 4, 106, 21);
  position_->onDoubleClick = [this] {
    if (ctx_.prefs)
      ctx_.prefs->SetBool("FrontEnd.ReversePlayTime", !ctx_.prefs->GetBool("FrontEnd.ReversePlayTime"));
  };
  volume_ = new TVolumeTrackBar(advBar_, base_);
  volume_->setGeometry(28, 6, 65, 17);
  volume_->onChange = [this] {
    if (ctx_.prefs)
      ctx_.prefs->SetInt("Sound.Volume", volume_->Value());
    ApplyVolume();
  };
  clock_ = new TTimeBar(advBar_, base_);
  clock_->resize(53, 21);
  cpuLoad_ = new TCPULoad(advBar_, base_);
  cpuLoad_->setGeometry(194, 4, 9, 21);
  cpuLoad_->hide();
}

void TfrMain::PostCommand(int code) { QCoreApplication::postEvent(this, new TCommandEvent(code)); }

THoverButton* TfrMain::Button(int code) const {
  for (THoverButton* b : buttons_)
    if (b->Code() == code)
      return b;
  return caption_->Button(code);
}

int TfrMain::CaptionHeight() const { return captionRoot_ ? kSkinCaptionHeight : kCaptionHeight; }
int TfrMain::ControlPanelHeight() const { return ctlRoot_ ? kSkinPanelHeight : kPanelHeight; }
int TfrMain::PlaylistBottomHeight() const { return plistRoot_ ? kSkinPlaylistBottomHeight : kPlaylistBottomHeight; }

void TfrMain::LayoutBar(QWidget* bar) {
  for (QObject* o : bar->children())
    if (auto* b = dynamic_cast<THoverButton*>(o); b && b->rightOffset)
      b->move(bar->width() - b->rightOffset, b->y());
}

void TfrMain::LayoutRegions() {
  QRect inner = borderInUse_ ? border_.InnerRect(frame_->size()) : frame_->rect();
  inner_->setGeometry(inner);
  const int W = inner.width(), H = inner.height();
  int top = 0, bottom = H;
  if (!caption_->isHidden()) {
    caption_->setGeometry(0, 0, W, CaptionHeight());
    top = CaptionHeight();
  }
  if (!cpanel_->isHidden()) {
    cpanel_->setGeometry(0, H - ControlPanelHeight(), W, ControlPanelHeight());
    bottom = H - ControlPanelHeight();
  }
  int videoWidth = W;
  if (!plistPanel_->isHidden()) {
    const int pw = std::min(playlistWidth_, std::max(W - kSplitterWidth, 0));
    videoWidth = std::max(W - pw - kSplitterWidth, 0);
    splitter_->setGeometry(videoWidth, top, kSplitterWidth, std::max(bottom - top, 0));
    plistPanel_->setGeometry(videoWidth + kSplitterWidth, top, pw, std::max(bottom - top, 0));
    const int bh = PlaylistBottomHeight();
    plistBottom_->setGeometry(0, std::max(plistPanel_->height() - bh, 0), pw, bh);
    if (grid_)
      grid_->setGeometry(0, 0, pw, std::max(plistPanel_->height() - bh, 0));
  }
  // The full-screen overlay lays the panels over the picture, which keeps the whole screen.
  if (overlayShown_ && fullScreen_) {
    panel_->setGeometry(0, 0, videoWidth, H);
    caption_->raise();
    cpanel_->raise();
  } else {
    panel_->setGeometry(0, top, videoWidth, std::max(bottom - top, 0));
  }
  const int ch = cpanel_->height();
  stdBar_->setGeometry(0, 0, W, kBarHeight);
  advBar_->setGeometry(0, ch - kBarHeight, W, kBarHeight);
  seek_->setGeometry(0, kBarHeight, W, std::max(ch - 2 * kBarHeight, 0));
  clock_->move(W - 81, 4);
  for (QWidget* bar : {stdBar_, advBar_, plistBottom_})
    LayoutBar(bar);
  // Package roots fill their hosts.
  if (captionRoot_ && captionRoot_->Control())
    captionRoot_->Control()->setGeometry(caption_->rect());
  if (ctlRoot_ && ctlRoot_->Control())
    ctlRoot_->Control()->setGeometry(cpanel_->rect());
  if (plistRoot_ && plistRoot_->Control())
    plistRoot_->Control()->setGeometry(plistBottom_->rect());
  LayoutOsd();
  frame_->update();
}

void TfrMain::PlaceAtStart() {
  IPrefs* p = ctx_.prefs;
  TStartup startup;
  startup.stored = TRect{
      StrToIntDef(Pref(p, "FrontEnd.Pos.Left", "450"), 450), StrToIntDef(Pref(p, "FrontEnd.Pos.Top", "372"), 372),
      StrToIntDef(Pref(p, "FrontEnd.Pos.Right", "830"), 830), StrToIntDef(Pref(p, "FrontEnd.Pos.Bottom", "593"), 593)};
  startup.alwaysPrimary = Pref(p, "OnStart.AlwaysPrMonitor", "0") == "1";
  startup.resize = Pref(p, "OnStart.Resize", "1") == "1" || startup.stored.Width() <= 0 || startup.stored.Height() <= 0;
  if (startup.resize) {
    // A fresh window shows its caption and control panel.
    cpanel_->show();
    caption_->show();
  } else if (Pref(p, "FrontEnd.PanelsState", "1") == "0") {
    cpanel_->hide();
    caption_->setVisible(p && p->GetBool("FrontEnd.AlwaysWindowCaption"));
  }
  startup.parts = FrameParts();
  // The primary monitor first.
  std::vector<TMonitor> monitors = Monitors();
  QList<QScreen*> screens = QGuiApplication::screens();
  int primary = static_cast<int>(screens.indexOf(QGuiApplication::primaryScreen()));
  if (primary > 0)
    std::swap(monitors[0], monitors[static_cast<size_t>(primary)]);
  TRect v = StartupVideoRect(startup, monitors);
  PlaceVideoRect(QRect(v.left, v.top, v.Width(), v.Height()));
}

void TfrMain::SavePanelsState() {
  if (!ctx_.prefs)
    return;
  if (ctx_.screenSaver)
    ctx_.screenSaver->Release();
  bool wasFullScreen = fullScreen_;
  LeaveFullScreen();
  ctx_.prefs->SetBool("FrontEnd.PanelsState", wasFullScreen || !cpanel_->isHidden());
  QRect video(panel_->mapToGlobal(QPoint(0, 0)), panel_->size());
  ctx_.prefs->SetInt("FrontEnd.Pos.Left", video.left());
  ctx_.prefs->SetInt("FrontEnd.Pos.Top", video.top());
  ctx_.prefs->SetInt("FrontEnd.Pos.Right", video.left() + video.width());
  ctx_.prefs->SetInt("FrontEnd.Pos.Bottom", video.top() + video.height());
}

void TfrMain::SetContext(TMainContext context) {
  WatchStateModels(false);
  ctx_ = std::move(context);
  WatchStateModels(true);
  int volume = ctx_.prefs ? StrToIntDef(Pref(ctx_.prefs, "Sound.Volume", "85"), 85) : 85;
  auto change = std::move(volume_->onChange);
  volume_->SetVolume(volume);
  volume_->onChange = std::move(change);
  muted_ = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.Mute");
  bool border = Pref(ctx_.prefs, "FrontEnd.BrandBorder", "1") == "1";
  if (border != borderInUse_) {
    borderInUse_ = border;
    bool shown = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, border);
    caption_->PlaceButtons(border);
    if (shown)
      show();
    LayoutRegions();
  }
  cpuLoad_->setVisible(ctx_.prefs && ctx_.prefs->GetBool("Plugins.CPUUsage.Enabled"));
  CreateGrid();
  UpdateTrayIcon();
  modeSwitch_ = ctx_.displayModes ? std::make_unique<TDisplayModeSwitch>(*ctx_.displayModes) : nullptr;
  RefreshHints();
  SetStayOnTop(StayOnTop());
  fullScreenFlags_ = TFullScreenFlags{};
  fullScreenFlags_.rememberedPanels =
      Pref(ctx_.prefs, "FrontEnd.RememberPanelsState", "0") == "1" && !cpanel_->isHidden();
  EnableControls(false);
  ApplyFonts();
}

void TfrMain::RefreshHints() {
  // Tool tips: the commands' names and keys, the bars' language texts.
  bool hints = Pref(ctx_.prefs, "FrontEnd.ShowHints", "1") == "1";
  for (THoverButton* b : buttons_)
    b->setToolTip(hints && ctx_.commandHint ? PlainToolTip(ctx_.commandHint(b->Code())) : QString());
  for (THoverButton* b : caption_->Buttons())
    b->setToolTip(hints && ctx_.commandHint ? PlainToolTip(ctx_.commandHint(b->Code())) : QString());
  clock_->setToolTip(hints ? PlainToolTip(Lang("FrontEnd.Time.Hint")) : QString());
  position_->setToolTip(hints ? PlainToolTip(Lang("FrontEnd.Position.Hint")) : QString());
  volume_->setToolTip(hints ? PlainToolTip(Lang("FrontEnd.Volume.Hint")) : QString());
  cpuLoad_->setToolTip(hints ? PlainToolTip(Lang("FrontEnd.CPULoad.Hint")) : QString());
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

void TfrMain::SetListHasEntries(bool has) {
  if (THoverButton* b = Button(cmdFileInfo))
    b->setEnabled(has);
}

bool TfrMain::FileOpen() const { return ctx_.playlist && ctx_.playlist->Player() && ctx_.playlist->Player()->Opened(); }

// ---------------------------------------------------------------------------------------------
// Skins

void TfrMain::ApplySkin(const std::string& name) {
  TLogScope scope("TfrMain.ApplySkin");
  RemovePackageSkin();
  bool randomOn = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.Skin.Random");
  TSkinChoice choice = ChooseSkin(name, ExeDir() + "Skins", randomOn, randomSkinDone_,
                                  [](size_t n) { return static_cast<size_t>(rnd::Random(static_cast<uint32_t>(n))); });
  bool built = !choice.package.empty() && ApplyPackageSkin(choice.package);
  if (choice.baseBitmap.empty() || !base_.LoadFile(choice.baseBitmap))
    base_.LoadBuiltIn();
  // The regions' colours come from the base bitmap.
  QPalette pal = cpanel_->palette();
  pal.setColor(QPalette::Window, base_.QtColour(761, 114));
  for (QWidget* w : {cpanel_, stdBar_, advBar_, plistBottom_})
    w->setPalette(pal);
  if (!built)
    splitterColour_ = base_.QtColour(761, 114);
  ApplyBorderLook(built);
  static_cast<TSplitterBar*>(splitter_)->colour = splitterColour_;
  ApplyGridColours();
  LayoutRegions();
  update(); // the children with it
}

void TfrMain::ApplyBorderLook(bool packageBuilt) {
  if (packageBuilt && borderDef_ && borderDef_->Control() && borderDef_->Control()->Background.Bitmap) {
    const TOptiArea& bg = borderDef_->Control()->Background;
    border_.SetPicture(bg.Bitmap->Copy(bg.Rect()), TBrandBorder::TMargins{4, 3, 4, 5});
    border_.SetColors(0xE1AD79, 0xFFD4A7);
  } else {
    border_.LoadBuiltIn();
    border_.SetColors(base_.Colour(761, 103), base_.Colour(770, 103));
  }
  caption_->SetPictures(border_.CaptionPicture(true), border_.CaptionPicture(false));
}

bool TfrMain::ApplyPackageSkin(const std::string& path) {
  TLogScope scope("TfrMain.ApplyPackageSkin");
  RemovePackageSkin();
  std::error_code ec;
  if (path != "-" && !fs::exists(path, ec)) {
    // A skin that vanished since it was chosen: the built-in panels stay.
    Log("!ApplyPackageSkin: " + path + " does not exist");
    return false;
  }
  for (QWidget* w : {stdBar_, advBar_, static_cast<QWidget*>(seek_)})
    w->hide();
  try {
    builder_ = std::make_unique<TOptiBuilder>(*this);
    if (path == "-") {
      TMemoryStream package(TBaseSkin::BuiltInPackage());
      builder_->LoadFromStream(package);
    } else {
      builder_->Load(path);
    }
    borderDef_ = builder_->BuildDef("WndBorder", nullptr);
    captionRoot_ = builder_->BuildDef("Caption", caption_);
    ctlRoot_ = builder_->BuildDef("CtlPanel", cpanel_);
    plistRoot_ = builder_->BuildDef("PListPanel", plistBottom_);
  } catch (const std::exception& e) {
    // Whatever fails, the window keeps controls: the built-in ones come back.
    Log(std::string("!ApplyPackageSkin: ") + e.what());
    RemovePackageSkin();
    return false;
  }
  for (TOptiWrapper* root : {captionRoot_.get(), ctlRoot_.get(), plistRoot_.get()})
    if (root && root->Control()) {
      root->Control()->raise();
      root->Control()->show();
    }
  if (borderDef_ && borderDef_->Control())
    borderDef_->Control()->hide();
  skinLogo_ = ToQImage(builder_->GetBitmap("Logo.Splash"));
  menuBackground_ = ToQImage(builder_->GetBitmap("Menu.BG"));
  menuPictures_ = ToQImage(builder_->GetBitmap("Menu.Pics"));
  menu_->SetSkinPictures(menuBackground_, menuPictures_);
  TOptiArea cpBg;
  if (builder_->Resource().GetArea("CP.bg", cpBg) && cpBg.Bitmap)
    splitterColour_ = QColor::fromRgb(cpBg.Bitmap->Pixel(cpBg.Left + 1, cpBg.Top + 2));
  if (!FileOpen() || !panel_->VideoShown())
    panel_->SetPicture(SkinLogo());
  LayoutRegions();
  return true;
}

void TfrMain::RemovePackageSkin() {
  // A skin button may be the one whose handler asked for this: the controls go once it returns.
  if (borderDef_)
    pendingBorder_ = borderDef_->Control();
  for (auto* root : {&borderDef_, &captionRoot_, &ctlRoot_, &plistRoot_}) {
    if (*root && (*root)->Control()) {
      (*root)->Control()->hide();
      (*root)->Control()->deleteLater();
    }
    root->reset();
  }
  // The hidden controls still point into the builder's bitmaps until they go: it is kept until
  // the next skin is removed, or the window goes.
  if (builder_)
    retiredBuilder_ = std::move(builder_);
  bool hadLogo = !skinLogo_.isNull();
  skinLogo_ = QImage();
  menuBackground_ = QImage();
  menuPictures_ = QImage();
  menu_->SetSkinPictures(menuBackground_, menuPictures_);
  for (QWidget* w : {stdBar_, advBar_, static_cast<QWidget*>(seek_)})
    w->show();
  if (hadLogo && !panel_->VideoShown())
    panel_->SetPicture(SkinLogo());
  LayoutRegions();
}

QImage TfrMain::SkinLogo() const { return skinLogo_.isNull() ? DefaultLogo() : skinLogo_; }

// ---------------------------------------------------------------------------------------------
// What the skin controls read

TBasicModelManager& TfrMain::Models() { return ctx_.models ? *ctx_.models : ownModels_; }

TBlindNotifier& TfrMain::Tick() { return ctx_.tick ? *ctx_.tick : ownTick_; }

int64_t TfrMain::Position() const {
  if (!FileOpen() || !ctx_.dsh || !ctx_.dsh->Graph())
    return 0;
  try {
    return ctx_.dsh->GetPosition();
  } catch (const std::exception&) {
    return 0;
  }
}

int64_t TfrMain::Duration() const {
  if (!FileOpen() || !ctx_.dsh || !ctx_.dsh->Graph())
    return 0;
  // Streams and sources that report exactly an hour have no known length.
  if (ctx_.dsh->IsURL() || ctx_.dsh->DurationIsFallback())
    return -1;
  try {
    int64_t d = ctx_.dsh->GetDuration();
    return d == kOneHour ? -1 : d;
  } catch (const std::exception&) {
    return -1;
  }
}

void TfrMain::SeekTo(int64_t position) {
  if (auto* player = ctx_.playlist ? ctx_.playlist->Player() : nullptr)
    player->SeekTo(position);
}

std::string TfrMain::FormatText(std::string_view tmpl) const { return FormatSkinText(tmpl, TWindowTextHost(*this)); }

std::string TfrMain::Lang(std::string_view key) const { return ::zv::Lang(std::string(key)); }

// ---------------------------------------------------------------------------------------------
// Transport display

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
  UpdateButtons();
  UpdateScreenSaver();
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
  UpdateButtons();
  UpdateScreenSaver();
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
  UpdateButtons();
  UpdateScreenSaver();
}

void TfrMain::ShowStopped() {
  if (ctx_.playlist)
    ctx_.playlist->Stop();
  playState_ = TPlayState::Stopped;
  firstKeyAfterStop_ = true;
  UpdateButtons();
  UpdateScreenSaver();
  position_->SetText("0:00:00/0:00:00");
  seek_->SetPosition(0);
  duration_ = 0;
  if (ctx_.prefs && ctx_.prefs->GetString("FrontEnd.HideLogo") == "0")
    panel_->SetPicture(SkinLogo());
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
  return NearestKeyFrameIn(ctx_.dsh->KeyFrames(), t);
}

void TfrMain::SeekRelative(const std::string& text) {
  if (!FileOpen() || !ctx_.dsh)
    return;
  const int64_t p = Position();
  const bool forward = text.empty() || text[0] != '-';
  int64_t target = RelativeSeekTarget(
      p, StrToIntDef(text, 0), forward, [this](int64_t t) { return NearestKeyFrame(t); }, Duration());
  if (target < 0)
    return;
  jumpOrigin_ = p;
  ctx_.dsh->SeekTo(target);
}

void TfrMain::StepBack() {
  if (!FileOpen() || !ctx_.dsh)
    return;
  ShowPaused();
  ctx_.dsh->SeekTo(StepBackTarget(Position(), ctx_.dsh->FrameTime()));
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

TFrameParts TfrMain::FrameParts() const {
  TFrameParts parts;
  parts.caption = caption_->isHidden() ? 0 : CaptionHeight();
  parts.panel = cpanel_->isHidden() ? 0 : ControlPanelHeight();
  parts.playlist = plistPanel_->isHidden() ? 0 : playlistWidth_ + kSplitterWidth;
  if (borderInUse_) {
    TBrandBorder::TMargins m = border_.Margins();
    parts.left = m.left;
    parts.top = m.top;
    parts.right = m.right;
    parts.bottom = m.bottom;
  }
  return parts;
}

void TfrMain::ApplySizeLimits() {
  TFrameParts parts = FrameParts();
  TLimitParts limits;
  limits.caption = parts.caption;
  limits.panel = parts.panel;
  limits.playlist = parts.playlist > 0;
  limits.playlistWidth = playlistWidth_;
  limits.playlistBottom = PlaylistBottomHeight();
  limits.dragging = true; // what the window manager holds the edges to
  TSize m = MinimumSize(limits);
  setMinimumSize(fullScreen_ ? QSize(0, 0)
                             : QSize(m.width + parts.left + parts.right, m.height + parts.top + parts.bottom));
}

void TfrMain::SetVideoArea(QSize area) {
  TRect window = WindowRectOf(TRect{0, 0, area.width(), area.height()}, FrameParts());
  ApplySizeLimits();
  resize(window.Width(), window.Height()); // held to the minimum just set
  Log(Format("TfrMain.SetVideoRect:SetWindowPos(%d, %d, %d, %d)", x(), y(), width(), height()));
}

bool TfrMain::ControlPanelVisible() const { return !cpanel_->isHidden(); }

void TfrMain::TogglePanels() {
  TLogScope scope("TfrMain.TogglePanels");
  fullScreenFlags_.toggleParity = !fullScreenFlags_.toggleParity;
  const QRect video = VideoGlobalRect();
  const bool captionBefore = !caption_->isHidden();
  bool show = cpanel_->isHidden();
  cpanel_->setVisible(show);
  // The playlist panel goes with the control panel and comes back only if it was there.
  if (!show)
    playlistBeforeHide_ = PlaylistPanelShown();
  const bool playlist = show && playlistBeforeHide_;
  plistPanel_->setVisible(playlist);
  splitter_->setVisible(playlist);
  // The caption follows the control panel unless the preferences keep or hide it.
  bool caption = show;
  if (!fullScreen_ && ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.AlwaysWindowCaption"))
    caption = true;
  if (fullScreen_ && ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.NeverFullScrCaption"))
    caption = false;
  caption_->setVisible(caption);
  // The picture keeps its place and size: the window grows or shrinks around it, and stays on
  // its monitor.
  if (!fullScreen_) {
    QRect g = frameGeometry();
    std::vector<TMonitor> monitors = Monitors();
    int m = ChooseMonitor(TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()}, monitors);
    TRect v{video.left(), video.top(), video.left() + video.width(), video.top() + video.height()};
    if (m >= 0)
      v = KeepPanelsOnScreen(v, FrameParts(), monitors[static_cast<size_t>(m)], show, caption && !captionBefore);
    PlaceVideoRect(QRect(v.left, v.top, v.Width(), v.Height()));
  }
  LayoutRegions();
}

// ---------------------------------------------------------------------------------------------
// The playlist panel

void TfrMain::CreateGrid() {
  delete grid_;
  grid_ = nullptr;
  if (!ctx_.playlist)
    return;
  grid_ = new TPlayGrid(plistPanel_, *ctx_.playlist, ctx_.models);
  grid_->Logic().measure = ctx_.measureDuration;
  grid_->fileOpen = [this] { return FileOpen(); };
  grid_->mediaHasStreams = [this] { return ctx_.dsh && (ctx_.dsh->HasVideo() || ctx_.dsh->HasAudio()); };
  grid_->windowActive = [this] { return isActiveWindow(); };
  grid_->passWheel = [this](QWheelEvent* e) { QCoreApplication::sendEvent(this, e); };
  grid_->onMarks = [this](const std::vector<int64_t>& marks) {
    seek_->ClearMarks();
    for (size_t i = 0; i < marks.size(); ++i)
      seek_->SetMark(static_cast<int>(i), marks[i]);
  };
  if (ctx_.prefs) {
    grid_->ApplyFontAndOptions(*ctx_.prefs);
    grid_->SetShowBookmarks(ctx_.prefs->GetBool("Playlist.ShowBookmarks"));
  }
  ApplyGridColours();
  grid_->Refresh();
  LayoutRegions();
}

void TfrMain::ApplyGridColours() {
  QColor background(0, 0, 0);
  if (ctx_.prefs) {
    uint32_t c = 0;
    if (TextToColor(ctx_.prefs->GetString("PlayList.BackgroundColor"), c))
      background = QColor::fromRgb(ColorToArgb(c));
  }
  QPalette pal = plistPanel_->palette();
  pal.setColor(QPalette::Window, background);
  plistPanel_->setPalette(pal);
  if (!grid_ || !ctx_.prefs)
    return;
  TBitmap32 cpBg;
  TOptiArea area;
  if (builder_ && builder_->Resource().GetArea("CP.bg", area) && area.Bitmap)
    cpBg = area.Bitmap->Copy(area.Rect());
  grid_->ApplyColours(*ctx_.prefs, base_, builder_ ? &cpBg : nullptr);
}

void TfrMain::ReleasePlaylist() {
  delete grid_;
  grid_ = nullptr;
  ctx_.playlist = nullptr;
}

bool TfrMain::PlaylistPanelShown() const { return !plistPanel_->isHidden(); }

void TfrMain::ApplyPlaylistOptions() {
  if (ctx_.prefs)
    grid_->ApplyFontAndOptions(*ctx_.prefs);
  ApplyGridColours();
  grid_->Refresh();
  if (PlaylistPanelShown()) {
    ShowPlaylistPanel(false);
    ShowPlaylistPanel(true);
  }
}

void TfrMain::ShowPlaylistPanel(bool visible) {
  ApplyGridColours();
  if (visible && !PlaylistPanelShown()) {
    // The video area gives the panel its room; the window grows only by what the picture lacks.
    const QRect video = VideoGlobalRect();
    TPlaylistFit fit = FitPlaylistPanel(TSize{video.width(), video.height()}, playlistWidth_, PlaylistBottomHeight());
    playlistWidth_ = fit.width;
    plistPanel_->show();
    splitter_->show();
    if (!fullScreen_)
      PlaceVideoRect(QRect(video.left(), video.top(), video.width() + fit.growWidth - fit.width - kSplitterWidth,
                           video.height() + fit.growHeight));
    LayoutRegions();
    if (grid_) {
      grid_->Refresh();
      grid_->setFocus();
    }
  } else if (!visible && PlaylistPanelShown()) {
    plistPanel_->hide();
    splitter_->hide();
    ApplySizeLimits();
    LayoutRegions();
  }
  if (THoverButton* b = Button(cmdPlaylist))
    b->SetChecked(visible);
  if (ctx_.models)
    ctx_.models->SetInt("Window.PlayList", visible ? 1 : 0);
}

void TfrMain::SetPlaylistWidth(int width) {
  // While the panel shows, the picture keeps its own minimum beside it.
  if (PlaylistPanelShown())
    width = std::min(width, inner_->width() - kSplitterWidth - kPlaylistMinWidth);
  playlistWidth_ = std::max(width, kPlaylistMinWidth);
  ApplySizeLimits();
  LayoutRegions();
}

// ---------------------------------------------------------------------------------------------
// Minimising and the tray

void TfrMain::UpdateTrayIcon() {
  const bool wanted = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.MinimizeToTray");
  if (!wanted) {
    delete tray_;
    tray_ = nullptr;
    return;
  }
  if (!tray_) {
    QIcon icon(":/art/tray.png");
    tray_ = new QSystemTrayIcon(icon.isNull() ? windowIcon() : icon, this);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
      if (why == QSystemTrayIcon::Trigger)
        ToggleMinimised();
      else if (why == QSystemTrayIcon::Context)
        OpenMenu(QCursor::pos(), false, true);
    });
  }
  tray_->setToolTip(PlainToolTip("Zelvar " + (ctx_.versionText ? ctx_.versionText() : std::string())));
  tray_->show();
}

void TfrMain::MinimiseWindow(bool hideEverything) {
  if (minimising_)
    return;
  minimising_ = true; // until the window shows again: the window manager's echo is not a second minimise
  runningBeforeMinimise_ = Running();
  if (runningBeforeMinimise_ && FileOpen() &&
      (hideEverything || (ctx_.prefs && ctx_.prefs->GetBool("OnMinimize.Pause"))))
    ShowPaused();
  hiddenByBossKey_ = hideEverything;
  bool toTray = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.MinimizeToTray");
  if (toTray && !QSystemTrayIcon::isSystemTrayAvailable()) {
    Log("TfrMain.MinimiseWindow: no notification area, minimised normally");
    toTray = false;
  }
  if (toTray) {
    UpdateTrayIcon();
    inTray_ = true;
    if (hideEverything && tray_)
      tray_->hide();
    hide(); // the task bar's button goes with the window
  } else if (hideEverything) {
    hiddenDialogs_.clear();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != this && w->isVisible() && w->isWindow() && !w->inherits("QMenu")) {
        hiddenDialogs_.emplace_back(w);
        w->hide();
      }
    hide();
  } else {
    showMinimized();
  }
}

void TfrMain::RestoreWindow() {
  minimising_ = false;
  if (inTray_ && tray_)
    tray_->show();
  inTray_ = false;
  hiddenByBossKey_ = false;
  BringToFront();
  for (const QPointer<QWidget>& w : hiddenDialogs_)
    if (w)
      w->show();
  hiddenDialogs_.clear();
  if (runningBeforeMinimise_ && FileOpen() && Pref(ctx_.prefs, "OnMinimize.RestorePlayback", "1") == "1" &&
      playState_ == TPlayState::Paused)
    ShowPlaying();
  runningBeforeMinimise_ = false;
}

void TfrMain::ShowAbout(const std::string& caption) {
  TAboutContext c;
  c.caption = caption;
  if (builder_)
    c.buildSkinPanel = [this](QWidget* parent) { return builder_->BuildDef("WndAbout", parent); };
  c.help = [this] { ExecCommand(cmdHelp); };
  c.openUrl = [](const std::string& url) {
    if (QGuiApplication::platformName() != "offscreen")
      QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
  };
  TfrAbout about(std::move(c), this);
  about.adjustSize();
  about.move(AboutPosition(frameGeometry(), about.frameSize()));
  // Above the window when the window is above the others.
  if (fullScreen_ || StayOnTop())
    about.setWindowFlag(Qt::WindowStaysOnTopHint);
  about.exec();
}

void TfrMain::ToggleMinimised() {
  if (isVisible() && !isMinimized())
    MinimiseWindow();
  else
    RestoreWindow();
}

void TfrMain::ControlPanelCommand() {
  fullScreenFlags_.panelsPinned = !fullScreenFlags_.panelsPinned;
  TogglePanels();
}

void TfrMain::ToggleBookmarks() {
  bool on = !(ctx_.prefs && ctx_.prefs->GetBool("Playlist.ShowBookmarks"));
  if (ctx_.prefs)
    ctx_.prefs->SetBool("Playlist.ShowBookmarks", on);
  if (grid_)
    grid_->SetShowBookmarks(on);
  UpdateButtons();
}

QRect TfrMain::VideoGlobalRect() const { return QRect(panel_->mapToGlobal(QPoint(0, 0)), panel_->size()); }

void TfrMain::PlaceVideoRect(QRect video) {
  SetVideoArea(video.size());
  LayoutRegions();
  move(video.topLeft() - panel_->mapTo(this, QPoint(0, 0)) - (geometry().topLeft() - frameGeometry().topLeft()));
}

std::vector<TMonitor> TfrMain::Monitors() {
  std::vector<TMonitor> monitors;
  for (QScreen* sc : QGuiApplication::screens()) {
    QRect g = sc->geometry(), w = sc->availableGeometry();
    monitors.push_back(TMonitor{TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()},
                                TRect{w.left(), w.top(), w.left() + w.width(), w.top() + w.height()}});
  }
  return monitors;
}

void TfrMain::EnterFullScreen() {
  if (fullScreen_)
    return;
  videoRect_ = VideoGlobalRect();
  fullScreen_ = true;
  border_.SetFramed(false);
  panel_->SetFullScreen(true);
  if (modeSwitch_ && ctx_.prefs && ctx_.prefs->GetBool("Video.ChangeResolution"))
    modeSwitch_->Enter(StrToIntDef(Pref(ctx_.prefs, "Video.ChangeResolution.Width", "640"), 640),
                       StrToIntDef(Pref(ctx_.prefs, "Video.ChangeResolution.Height", "480"), 480));
  // The monitor nearest the window's centre, relative to the monitors' sizes.
  QRect g = frameGeometry();
  int chosen = ChooseMonitor(TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()}, Monitors());
  QList<QScreen*> screens = QGuiApplication::screens();
  if (chosen >= 0 && chosen < screens.size() && windowHandle() && windowHandle()->screen() != screens[chosen]) {
    windowHandle()->setScreen(screens[chosen]);
    move(screens[chosen]->geometry().topLeft());
  }
  caption_->setVisible(!cpanel_->isHidden() && !(ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.NeverFullScrCaption")));
  showFullScreen();
  ApplySizeLimits();
  SetStayOnTop(StayOnTop());
  LayoutRegions();
  UpdateButtons();
}

void TfrMain::LeaveFullScreen() {
  if (!fullScreen_)
    return;
  fullScreen_ = false;
  border_.SetFramed(true);
  panel_->SetFullScreen(false);
  if (modeSwitch_)
    modeSwitch_->Leave();
  showNormal();
  caption_->setVisible(!cpanel_->isHidden() || (ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.AlwaysWindowCaption")));
  ApplySizeLimits();
  PlaceVideoRect(videoRect_);
  SetStayOnTop(StayOnTop());
  UpdateButtons();
}

// The full-screen command's view of the window.
class TFullScreenTarget : public IFullScreenWindow {
public:
  explicit TFullScreenTarget(TfrMain& w) : w_(w) {}
  bool InFullScreen() const override { return w_.FullScreen(); }
  bool PanelShown() const override { return w_.ControlPanelVisible(); }
  void Enter() override { w_.EnterFullScreen(); }
  void Leave() override { w_.LeaveFullScreen(); }
  void Toggle() override { w_.TogglePanels(); }

private:
  TfrMain& w_;
};

bool TfrMain::FullScreenSettled() const {
  if (!windowHandle() || QGuiApplication::platformName() != "xcb")
    return true; // no window manager between the request and the result
  const bool managed = WindowManagerFullScreen(winId());
  if (fullScreen_)
    return managed && screen() && geometry() == screen()->geometry();
  return !managed && geometry().size() == settleSize_;
}

void TfrMain::ToggleFullScreen() {
  if (THoverButton* b = Button(cmdFullScreen); b && !b->isEnabled())
    return;
  // The window manager answers a change of full screen later; a second change asked before it
  // has (a double press) waits for that answer, or the two could cross and leave the window at
  // the wrong size.
  if (settling_.isActive() && !FullScreenSettled()) {
    ++queuedToggles_;
    return;
  }
  TFullScreenPrefs prefs;
  if (ctx_.prefs) {
    prefs.rememberMode = StrToIntDef(ctx_.prefs->GetString("FrontEnd.RememberPanelsState"), 0);
    prefs.onOpenFullScreen = ctx_.prefs->GetBool("OnOpen.FullScreen");
    prefs.hoverPanel = ctx_.prefs->GetBool("Mouse.HoverCPanel");
  }
  TFullScreenTarget target(*this);
  RunFullScreenCommand(target, fullScreenFlags_, prefs);
  LayoutRegions();
  settleSize_ = size();
  settling_.start();
  settleDeadline_ = QDeadlineTimer(500);
}

void TfrMain::OnSettling() {
  // The window manager shows the window in full screen, but the size it gave it has not come
  // through after 30 ms (the placement after leaving full screen, still on its way when full
  // screen was asked again, crossed it): ask for the screen's size again.
  if (fullScreen_ && screen() && geometry() != screen()->geometry() && WindowManagerFullScreen(winId()) &&
      settleDeadline_.remainingTime() < 470)
    setGeometry(screen()->geometry());
  if (!FullScreenSettled() && !settleDeadline_.hasExpired())
    return;
  settling_.stop();
  if (queuedToggles_ > 0) {
    --queuedToggles_;
    ToggleFullScreen();
  }
}

void TfrMain::ZoomToPercent(int percent) {
  if (!FileOpen() || !ctx_.dsh || ctx_.dsh->VideoWidth() <= 0)
    return;
  LeaveFullScreen();
  QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen();
  QRect g = sc ? sc->geometry() : QRect(0, 0, 1920, 1080), w = sc ? sc->availableGeometry() : g;
  QRect desktop = sc ? sc->virtualGeometry() : g;
  TMonitor monitor{TRect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()},
                   TRect{w.left(), w.top(), w.left() + w.width(), w.top() + w.height()}};
  QSize extra = ExtraSize();
  TSize area = ZoomedArea(TSize{ctx_.dsh->VideoWidth(), ctx_.dsh->VideoHeight()}, percent, monitor,
                          TSize{extra.width(), extra.height()}, TSize{desktop.width(), desktop.height()});
  SetVideoArea(QSize(area.width, area.height));
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
  caption_text_ = BoundText(text);
  caption_->SetText(caption_text_); // titles and names from files and streams, drawn as they stand
  caption_->repaint();
}

std::string TfrMain::CoverFileOf(const std::string& mediaFile) {
  // "Cover.jpg", else "Cover.bmp", in any letter case.
  std::string jpg, bmp;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(fs::path(mediaFile).parent_path(), ec)) {
    std::string name = LowerCase(item.path().filename().string());
    if ((name == "cover.jpg" || name == "cover.bmp") && item.is_regular_file(ec)) {
      std::string& slot = name == "cover.jpg" ? jpg : bmp;
      if (slot.empty() || item.path().string() < slot) // the same one whatever the listing's order
        slot = item.path().string();
    }
  }
  return !jpg.empty() ? jpg : bmp;
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
  if (mediaFile != "/empty/")
    if (std::string cover = CoverFileOf(mediaFile); !cover.empty())
      chosen = cover;
  QImage picture;
  if (!chosen.empty())
    picture = LoadPicture(chosen); // a picture that cannot be read counts as none
  coverShown_ = !picture.isNull() && SameText(fs::path(chosen).stem().string(), "cover");
  const bool takeSize = Pref(ctx_.prefs, "OnOpen.CoverResize", "0") == "1";
  panel_->SetScaleToFit(!takeSize);
  if (picture.isNull()) {
    if (chosen.empty())
      Log("= Cover could not be found!");
    // Without a picture of its own the area shows the skin's or the program's logo.
    panel_->SetPicture(SkinLogo());
    return;
  }
  panel_->SetPicture(picture);
  if (fullScreen_)
    return;
  if (takeSize) {
    // The video area takes the picture's size, within the monitor (and its work area when asked).
    std::vector<TMonitor> monitors = Monitors();
    QRect g = frameGeometry();
    TRect window{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    int m = ChooseMonitor(window, monitors);
    if (m >= 0) {
      QSize extra = ExtraSize();
      TRect r = CoverWindowRect(window, TSize{extra.width(), extra.height()}, TSize{picture.width(), picture.height()},
                                monitors[static_cast<size_t>(m)],
                                ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.DoNotAcrossWorkArea"));
      resize(r.Width(), r.Height());
      move(r.left, r.top);
    }
  }
  if (Pref(ctx_.prefs, "OnOpen.CoverCenter", "0") == "1")
    CenterWindow();
}

void TfrMain::HideCover() { panel_->ShowVideo(true); }

eng::IVideoOutput* TfrMain::MoviePanel() { return panel_->Video(); }

void TfrMain::SetSeekRange(int64_t duration) {
  duration_ = duration;
  seek_->SetDuration(duration);
}

void TfrMain::EnableControls(bool open) {
  if (open)
    fullScreenFlags_.fileJustOpened = true;
  const bool video = open && ctx_.dsh && ctx_.dsh->HasVideo();
  const bool sound = open && ctx_.dsh && ctx_.dsh->HasAudio();
  const bool listed = ctx_.playlist && ctx_.playlist->Count() > 0;
  shotEnabled_ = video && (ctx_.dsh->CanSnapshot() || ctx_.dsh->isDVD);
  for (THoverButton* b : buttons_) {
    switch (b->Code()) {
    case cmdPause:
    case cmdSpeedPlay:
    case cmdFilters: b->setEnabled(open); break;
    case cmdSoundSettings: b->setEnabled(sound); break;
    case cmdVideoSettings:
    case cmdFrameStep:
    case cmdScreenShot: b->setEnabled(shotEnabled_); break;
    case cmdFileInfo: b->setEnabled(listed); break;
    default: b->setEnabled(true); break;
    }
  }
  seek_->setEnabled(open);
  UpdateButtons();
  UpdateScreenSaver();
}

void TfrMain::UpdateScreenSaver() {
  if (!ctx_.screenSaver)
    return;
  const bool running = Running();
  if (running && FileOpen() && ctx_.dsh && ctx_.dsh->HasVideo())
    ctx_.screenSaver->Hold();
  else
    ctx_.screenSaver->Release();
}

void TfrMain::UpdateButtons() {
  const bool running = Running();
  const std::pair<int, bool> states[] = {{cmdFullScreen, fullScreen_},
                                         {cmdPlay, running},
                                         {cmdPause, playState_ == TPlayState::Paused},
                                         {cmdSpeedPlay, playState_ == TPlayState::SpeedPlay},
                                         {cmdMute, muted_},
                                         {cmdPlaylist, ctx_.models && ctx_.models->GetInt("Window.PlayList") != 0},
                                         {cmdRepeat, ctx_.prefs && ctx_.prefs->GetBool("Playlist.Repeat")},
                                         {cmdBookmarks, ctx_.prefs && ctx_.prefs->GetBool("Playlist.ShowBookmarks")},
                                         {cmdStayOnTop, StayOnTop()}};
  for (auto [code, on] : states)
    if (THoverButton* b = Button(code))
      b->SetChecked(on);
}

void TfrMain::EnableTimer() {
  if (!timer_->isActive())
    timer_->start(200);
}

void TfrMain::ApplyVolume() {
  const int v = std::clamp(volume_->Value(), 0, 100);
  if (ctx_.setMainVolume)
    ctx_.setMainVolume(v, muted_);
  if (audioProps_)
    audioProps_->Apply();
}

void TfrMain::ChangeVolume(int delta) { SetVolumePosition(volume_->Value() + delta); }

int TfrMain::VolumePosition() const { return volume_->Value(); }

void TfrMain::SetVolumePosition(int position) { volume_->SetVolume(position); }

void TfrMain::ToggleMute() {
  muted_ = !muted_;
  if (ctx_.prefs)
    ctx_.prefs->SetBool("FrontEnd.Mute", muted_);
  ApplyVolume();
  if (ctx_.models)
    ctx_.models->SetInt("Audio.Mute", muted_ ? 1 : 0);
  UpdateButtons();
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

QString TfrMain::PositionText() const { return QString::fromStdString(position_->Text()); }

void TfrMain::Tick(const QTime& now) {
  if (FileOpen() && ctx_.dsh && ctx_.dsh->Graph()) {
    const int64_t p = Position(), d = std::max<int64_t>(Duration(), 0); // an unknown length shows as 0
    if (d != duration_)
      SetSeekRange(d);
    if (d != 0 && !seek_->Dragging())
      seek_->SetPosition(p);
    bool reverse = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.ReversePlayTime");
    std::string text =
        FormatTime("{H}:{M}:{S}", reverse ? d - p : p) + (reverse ? "\\" : "/") + FormatTime("{H}:{M}:{S}", d);
    position_->SetText(text);
    // The known ending of an episode is skipped.
    if (ctx_.endingMark && ctx_.playlist) {
      auto [mark, marked] = ctx_.endingMark();
      if (mark > 0 && EndingReached(p, d, mark, marked, Pref(ctx_.prefs, "OnOpen.AutoSeek", "1") == "1"))
        ctx_.playlist->Next();
    }
  }
  pointer_.Tick();
  UpdatePointer();
  clock_->SetText(Format(now.second() % 2 ? "%.2d %.2d" : "%.2d:%.2d", now.hour(), now.minute()));
  if (postponedPlay_) {
    postponedPlay_ = false;
    TLogScope scope("PostponedPlay");
    if (ctx_.playlist)
      ctx_.playlist->Play();
    // A file that failed to open has been reported already: it is not tried a second time.
    if (FileOpen())
      ShowPlaying();
    ApplyCommandLineView();
  }
  if (ctx_.cpuReading) {
    meterShown_ += (ctx_.cpuReading() - meterShown_) / 3;
    cpuLoad_->SetLoad(std::clamp(meterShown_, 0, 100));
  }
  UpdateOverlay();
}

void TfrMain::UpdateOverlay() {
  if (!fullScreen_ || fullScreenFlags_.panelsPinned || PrefInt("Mouse.HoverCPanel", 0) != 1) {
    overlayShown_ = false;
    return;
  }
  const QScreen* sc = windowHandle() ? windowHandle()->screen() : screen();
  if (!sc)
    return;
  const QRect m = sc->geometry();
  const bool noCaption = ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.NeverFullScrCaption");
  const QPoint at = QCursor::pos();
  const bool wanted =
      HoverOverlayWanted(at.x(), at.y(), TRect{m.left(), m.top(), m.left() + m.width(), m.top() + m.height()},
                         ControlPanelHeight(), CaptionHeight(), !noCaption);
  if (wanted == overlayShown_)
    return;
  overlayShown_ = wanted;
  // The panels come and go with the pointer over the picture.
  cpanel_->setVisible(wanted);
  caption_->setVisible(wanted && !noCaption);
  LayoutRegions();
}

void TfrMain::ApplyCommandLineView() {
  if (ctx_.fullScreenSwitch && ctx_.fullScreenSwitch() && !fullScreen_)
    ToggleFullScreen();
  if (!ctx_.switchValue)
    return;
  int x = 0, y = 0;
  if (props_ && ParseRatioText(ctx_.switchValue("ZOOM"), true, x, y))
    props_->SetZoom(x, y);
  if (ParseRatioText(ctx_.switchValue("RATIO"), false, x, y))
    ShowAspect(x, y);
}

void TfrMain::ShowAspect(int x, int y) {
  if (!props_)
    return;
  props_->SetAspectRatio(x, y);
  if (!ctx_.osd)
    return;
  if (x == 0 && y == 0)
    ctx_.osd(Lang("OSD.AspectRatioAsIs"));
  else if (x == 1 && y == 0)
    ctx_.osd(Lang("OSD.AspectRatioByWidth"));
  else if (x == 0 && y == 1)
    ctx_.osd(Lang("OSD.AspectRatioByHeight"));
  else if (x < 0 && y < 0)
    ctx_.osd(Lang("OSD.AspectRatioFree"));
  else if (x > 0 && y > 0)
    ctx_.osd(Lang("OSD.AspectRatio") + Format(" %d:%d", x, y));
}

std::string TfrMain::TakeScreenShot() {
  IPlaylistPlayer* player = ctx_.playlist ? ctx_.playlist->Player() : nullptr;
  const std::string media = player ? player->OpenedFile() : std::string();
  if (!ctx_.dsh || media.empty())
    return {};
  const int64_t at = Position();
  const bool disc = ctx_.dsh->isDVD;
  const std::string base = ScreenShotBase(media);
  const std::string folder =
      ScreenShotFolder(Pref(ctx_.prefs, "App.ScreenShotDir", ""), TSystemHelper::MyDocumentsDir(),
                       PrefInt("Video.CreateRelatedDirectoryName", 0) == 1, base);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string file = folder + ScreenShotName(base, at);
  bool written = false;
  if (disc) {
    // A disc cannot be decoded apart from its navigator: the picture shown now is saved, with the
    // menu's highlight but without the OSD, which is painted over it separately.
    const QImage frame = panel_->Video()->CurrentImage();
    written = !frame.isNull() && WriteBmpFile(file, FromQImage(frame));
  } else {
    QApplication::setOverrideCursor(Qt::WaitCursor); // the picture is decoded anew
    written = ctx_.dsh->Snapshot(media, file, at);
    QApplication::restoreOverrideCursor();
  }
  if (!written) {
    if (ctx_.osd)
      ctx_.osd(Lang("OSD.ScreenShotFailed") + " " + base);
    return {};
  }
  if (PrefInt("App.ScreenShotJPEG", 1) == 1)
    file = ConvertShotToJpeg(file);
  if (ctx_.osd)
    ctx_.osd(Lang("OSD.ScreenShot") + " " + std::filesystem::path(file).filename().string());
  return file;
}

bool TfrMain::SaveSkinShot(const std::string& path) {
  const QImage shot = grab().toImage().convertToFormat(QImage::Format_RGB32);
  // From 3 pixels inside the frame, halved: each output pixel the average of a 2 x 2 block.
  const int w = (shot.width() - 6) / 2, h = (shot.height() - 6) / 2;
  if (w <= 0 || h <= 0)
    return false;
  TBitmap32 half(w, h);
  for (int y = 0; y < h; ++y) {
    const auto* a = reinterpret_cast<const uint32_t*>(shot.constScanLine(3 + 2 * y));
    const auto* b = reinterpret_cast<const uint32_t*>(shot.constScanLine(4 + 2 * y));
    for (int x = 0; x < w; ++x) {
      const uint32_t p[4] = {a[3 + 2 * x], a[4 + 2 * x], b[3 + 2 * x], b[4 + 2 * x]};
      uint32_t out = 0xFF000000u;
      for (int shift : {16, 8, 0}) {
        uint32_t sum = 0;
        for (uint32_t q : p)
          sum += (q >> shift) & 0xFF;
        out |= (sum / 4) << shift;
      }
      half.Row(y)[x] = out;
    }
  }
  return WriteBmpFile(path, half);
}

void TfrMain::SetVideoProps(TVideoPropsModel* props) {
  const THandlerKey key = THandlerKey::Tagged(this, 0x5650);
  if (props_ && ctx_.models)
    ctx_.models->Unsubscribe("App.VideoProps.Geometry", key);
  props_ = props;
  if (props_ && ctx_.models)
    ctx_.models->Subscribe("App.VideoProps.Geometry", key, [this] { PlaceVideo(); });
  if (!props_)
    panel_->Video()->SetPictureRect(std::nullopt);
  PlaceVideo();
}

void TfrMain::PlaceVideo() {
  if (!props_)
    return;
  // Without a picture or an area the picture stays where it was.
  const TVideoBounds b = props_->VideoBounds(panel_->width(), panel_->height());
  if (!b.Empty())
    panel_->Video()->SetPictureRect(QRect(QPoint(b.left, b.top), QPoint(b.right - 1, b.bottom - 1)));
}

void TfrMain::ShowZoom(int dx, int dy) {
  if (!props_)
    return;
  props_->AdjustZoom(dx, dy);
  if (ctx_.osd && ctx_.models)
    ctx_.osd(Format("%d%% x %d%%", ctx_.models->GetInt("App.VideoProps.ZoomX"),
                    ctx_.models->GetInt("App.VideoProps.ZoomY")));
}

void TfrMain::SetStayOnTop(bool on) {
  bool top = on || (fullScreen_ && Pref(ctx_.prefs, "Video.StayOnTopInFullScreenMode", "1") == "1");
  // Through the native window's flag: setting the widget's flags would re-create the window.
  if (windowHandle())
    windowHandle()->setFlag(Qt::WindowStaysOnTopHint, top);
  else
    setWindowFlag(Qt::WindowStaysOnTopHint, top);
}

bool TfrMain::StayOnTop() const { return ctx_.prefs && ctx_.prefs->GetBool("FrontEnd.StayOnTop"); }

void TfrMain::ToggleStayOnTop() {
  bool on = !StayOnTop();
  if (ctx_.prefs)
    ctx_.prefs->SetBool("FrontEnd.StayOnTop", on);
  SetStayOnTop(on);
  if (ctx_.models)
    ctx_.models->SetInt("App.StayOnTop", on ? 1 : 0);
  UpdateButtons();
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

void TfrMain::changeEvent(QEvent* e) {
  // The window manager's own minimise follows the same rules as the command.
  if (e->type() == QEvent::WindowStateChange) {
    if (!isMinimized() && isVisible() && minimising_)
      QTimer::singleShot(0, this, [this] { RestoreWindow(); }); // restored through the window manager
    else if (isMinimized() && !minimising_)
      QTimer::singleShot(0, this, [this] {
        if (isMinimized())
          MinimiseWindow();
      });
  }
  if (e->type() == QEvent::ActivationChange) {
    // The caption and the border show whether the window is active.
    border_.SetActive(isActiveWindow());
    caption_->SetActive(isActiveWindow());
    frame_->update();
    if (isActiveWindow())
      SetStayOnTop(StayOnTop());
  }
  QMainWindow::changeEvent(e);
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

bool TfrMain::AppCommand(int command) {
  if (!ctx_.prefs || !ctx_.prefs->GetBool("Modules.GlobalKeys.MMKeys"))
    return false;
  RunAppCommand(command);
  return true;
}

void TfrMain::RunAppCommand(int command) {
  const auto post = [this](int code) {
    if (executeCommand)
      QMetaObject::invokeMethod(
          this, [this, code] { executeCommand(code); }, Qt::QueuedConnection);
  };
  const auto run = [this](int code) {
    if (executeCommand)
      executeCommand(code);
  };
  switch (command) {
  case appMute: post(cmdMute); break;
  case appVolumeDown: post(cmdVolumeDown); break;
  case appVolumeUp: post(cmdVolumeUp); break;
  case appNextTrack:
  case appChannelDown:
    if (ctx_.playlist)
      ctx_.playlist->Next();
    break;
  case appPreviousTrack:
  case appChannelUp:
    if (ctx_.playlist)
      ctx_.playlist->Previous();
    break;
  case appStop:
  case appPause: run(cmdPause); break;
  case appPlayPause: run(Running() ? cmdPause : cmdPlay); break;
  case appPlay: run(cmdPlay); break;
  case appHelp: run(cmdHelp); break;
  case appOpen: run(cmdOpenFiles); break;
  case appClose: run(cmdExit); break;
  case appFastForward: post(cmdSeekForward); break;
  case appRewind:
    if (FileOpen() && ctx_.dsh)
      ctx_.dsh->SeekTo(0);
    break;
  default: break; // consumed without an action
  }
}

void TfrMain::keyPressEvent(QKeyEvent* e) {
  // The multimedia keys of the keyboard, before the command table.
  if (const int app = AppCommandOfKey(e->key()); app != 0 && AppCommand(app)) {
    e->accept();
    return;
  }
  // Up and Down step through the playlist while its grid has the focus.
  if (grid_ && grid_->hasFocus() && e->modifiers() == Qt::NoModifier &&
      (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
    e->key() == Qt::Key_Up ? grid_->SelectPrevious() : grid_->SelectNext();
    e->accept();
    return;
  }
  if (onKeyName) {
    const std::string name = KeyEventName(*e);
    if (!WindowKey(e, name))
      onKeyName(name);
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

bool TfrMain::WindowKey(QKeyEvent* e, const std::string& name) {
  const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  // Ctrl+Shift+Z: back to where the last relative seek started.
  if (e->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    if (jumpOrigin_ > 0 && FileOpen() && ctx_.dsh && Duration() > 0 && Position() > 0) {
      ctx_.dsh->SeekTo(NearestKeyFrame(jumpOrigin_));
      jumpOrigin_ = 0;
    }
    return true;
  }
  // Ctrl+Alt+Shift with F1 and F2 switch the monitor off and on, F11 opens the DVD menu; with F12
  // a picture of the window for the skin's author. The keys go on to the command table as well.
  if (mods == (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) {
    if ((e->key() == Qt::Key_F1 || e->key() == Qt::Key_F2) && ctx_.monitorPower)
      ctx_.monitorPower(e->key() == Qt::Key_F2);
    if (e->key() == Qt::Key_F11) { // the disc's controls: the popup menu's DVD submenu
      menuOpen_ = true;
      menu_->OpenSubmenu(QCursor::pos(), Lang("Command.Category.9"));
    }
    if (e->key() == Qt::Key_F12 && SaveSkinShot(TSystemHelper::MyDocumentsDir() + "Zelvar_skinshot.bmp"))
      Alert("Skin's been shooted", this);
  }
  const int command = ctx_.keyCommand ? ctx_.keyCommand(name) : 0;
  // The first key after a stop: play, play/pause and pause run three times in all (so that a
  // press always ends playing); a command that opens a dialog, with nothing to play, once.
  if (firstKeyAfterStop_) {
    firstKeyAfterStop_ = false;
    const bool dialog = !FileOpen() && ctx_.playlist && ctx_.playlist->Count() == 0;
    if ((command == cmdPlay || command == cmdPlayPause || command == cmdPause) && !dialog)
      for (int i = 0; i < 2; ++i)
        ExecCommand(command);
  }
  // Digits 1 to 9 seek to the current entry's bookmarks while the seek bar is enabled.
  if (mods == Qt::NoModifier && e->key() >= Qt::Key_1 && e->key() <= Qt::Key_9 && seek_->isEnabled()) {
    int64_t mark = seek_->GetMark(e->key() - Qt::Key_1);
    if (mark != 0)
      SeekTo(mark);
  }
  return false;
}

int TfrMain::PrefInt(const char* key, int def) const {
  return StrToIntDef(Pref(ctx_.prefs, key, std::to_string(def)), def);
}

// ---------------------------------------------------------------------------------------------
// The mouse on the video area

void TfrMain::OpenMenu(QPoint at, bool overPlaylist, bool fromTray) {
  menuOpen_ = true;
  UpdatePointer();
  menu_->Open(at, PlaylistFormWanted(overPlaylist, fromTray));
}

void TfrMain::contextMenuEvent(QContextMenuEvent* e) {
  // The control panel, the caption and the playlist panel open the menu; the video area has its
  // own setting (Mouse.Right).
  QWidget* under = childAt(mapFromGlobal(e->globalPos()));
  if (!under || under == panel_ || panel_->isAncestorOf(under)) {
    e->ignore();
    return;
  }
  OpenMenu(e->globalPos(), under == plistPanel_ || plistPanel_->isAncestorOf(under), false);
  e->accept();
}

void TfrMain::ApplyFonts() {
  IPrefs* p = ctx_.prefs;
  osd_[0]->SetFontAndColour(
      StoredFont(p, "OSD.Info.Font.Family", "Arial Narrow", "OSD.Info.Font.Size", 16, "OSD.Info.Font.Bold", "1"),
      StoredColour(p, "OSD.Info.Font.Color", 14539042));
  const QFont subs = SubtitlePrefFont(p);
  const QColor subsColour = SubtitlePrefColour(p);
  const bool solid = Pref(p, "OSD.BG.IsColor", "0") == "1";
  const QColor bg = StoredColour(p, "OSD.BG.Color", 0);
  for (int i = 0; i < 3; ++i) {
    if (i > 0)
      osd_[i]->SetFontAndColour(subs, subsColour);
    osd_[i]->SetBackground(solid, bg);
  }
  osd_[0]->SetAlignment(InfoAlignment(StrToIntDef(Pref(p, "OSD.Info.Pos", "1"), 1)));
  LayoutOsd();
}

void TfrMain::SetOsdText(int which, const std::string& text) {
  if (which < 0 || which > 2)
    return;
  // Text of files and streams: decoded, bounded like all outside text, and painted as characters.
  osd_[which]->SetText(OutsideText(OsdText(text, OsdFace(which).charset)).toStdString());
}

void TfrMain::SetSubtitleFace(int stream, const QFont& font, QColor colour) {
  if (stream < 0 || stream > 1)
    return;
  osd_[stream + 1]->SetFontAndColour(font, colour);
  LayoutOsd();
}

TOsdFace TfrMain::OsdFace(int which) const {
  TOsdFace face;
  which = std::clamp(which, 0, 2);
  face.font = osd_[which]->TextFont();
  face.colour = osd_[which]->TextColour();
  face.charset = StrToIntDef(Pref(ctx_.prefs, which == 0 ? "OSD.Info.Font.Charset" : "Subtitles.Charset", "1"), 1);
  face.alignment = osd_[0]->Alignment();
  return face;
}

void TfrMain::LayoutOsd() {
  if (!osd_[0])
    return;
  const int w = panel_->width(), h = panel_->height();
  const bool overlay = fullScreen_ && overlayShown_;
  // The picture's free part: below the caption and above the control panel when they lie over it.
  int top = 0, bottom = h;
  if (overlay) {
    if (!caption_->isHidden())
      top = caption_->mapTo(panel_, QPoint(0, caption_->height())).y();
    if (!cpanel_->isHidden())
      bottom = cpanel_->mapTo(panel_, QPoint(0, 0)).y();
  }
  TOSDPanel* info = osd_[0];
  info->Place(0, w, OsdBottomAnchored(info->Alignment()) ? bottom - 1 : top + 1);
  for (int i = 1; i < 3; ++i) {
    const std::string model = "App.Subs.VPos" + std::to_string(i - 1);
    const int vpos =
        ctx_.models && ctx_.models->GetModel(model)
            ? ctx_.models->GetInt(model)
            : StrToIntDef(Pref(ctx_.prefs, i == 1 ? "Subtitles.Pos1" : "Subtitles.Pos2", i == 1 ? "5" : "75"), 5);
    TOsdAnchor a = SubtitleAnchor(std::clamp(vpos, 0, 100), h);
    osd_[i]->SetAlignment(a.alignment);
    // In the overlay the text stays clear of the panels over the picture.
    if (overlay)
      a.y = a.alignment == 1 ? std::min(a.y, bottom) : std::max(a.y, top);
    osd_[i]->Place(0, w, a.y);
  }
}

QColor TfrMain::PictureCentreColour() const {
  // A 10 x 10 block of the picture under the window's centre: its four inner corners alike make a
  // flat colour. Read from the frame itself, so that nothing is laid out or painted for it.
  const TVideoWidget* video = panel_->Video();
  const QImage frame = panel_->VideoShown() ? video->CurrentImage() : QImage();
  if (frame.isNull() || video->width() <= 0 || video->height() <= 0)
    return Qt::black;
  const QPoint c = video->mapFrom(this, QPoint(width() / 2, height() / 2));
  const int x = c.x() * frame.width() / video->width() - 5, y = c.y() * frame.height() / video->height() - 5;
  if (!frame.rect().contains(QRect(x, y, 10, 10)))
    return Qt::black;
  const QRgb p = frame.pixel(x + 1, y + 1);
  return frame.pixel(x + 1, y + 8) == p && frame.pixel(x + 8, y + 1) == p && frame.pixel(x + 8, y + 8) == p
             ? QColor(p)
             : QColor(Qt::black);
}

TMenuFacts TfrMain::MenuFacts() const {
  TMenuFacts f;
  f.fileOpen = FileOpen();
  f.video = f.fileOpen && ctx_.dsh && ctx_.dsh->HasVideo();
  f.dvd = f.fileOpen && ctx_.dsh && ctx_.dsh->isDVD;
  if (f.dvd) {
    f.dvdTitles = ctx_.dsh->DVDTitleCount();
    ctx_.dsh->DVDAudioLanguages();
    f.dvdLanguages = ctx_.dsh->DVDLanguageNames();
  }
  if (ctx_.playlist) {
    f.entries = ctx_.playlist->Count();
    f.current = ctx_.playlist->CurrentIndex();
  }
  f.selected = grid_ ? grid_->Logic().FocusEntry() : f.current;
  f.playlistPanelShown = PlaylistPanelShown();
  f.playlistExternal = ctx_.prefs && ctx_.prefs->GetBool("Playlist.External");
  if (ctx_.drives)
    f.drives = ctx_.drives();
  return f;
}

bool TfrMain::MenuChecked(int code) const {
  switch (code) {
  case cmdShowSubtitles: return osd_[1] && osd_[1]->isVisible(); // the first stream's panel
  case cmdHibernateWhenDone: return ctx_.playlist && ctx_.playlist->hibernateWhenDone;
  case cmdPowerOffWhenDone: return ctx_.playlist && ctx_.playlist->powerOffWhenDone;
  default: break;
  }
  if (code >= cmdAspectAsIs && code <= cmdAspectFree) {
    if (!props_)
      return false;
    int x = 0, y = 0;
    props_->AspectRatio(x, y);
    const bool wide = x == 16 && y == 9, tv = x == 4 && y == 3;
    switch (code) {
    case cmdAspectAsIs: return x == 0 && y == 0;
    case cmdAspect16x9: return wide;
    case cmdAspect4x3: return tv;
    case cmdAspectByWidth: return x == 1 && y == 0;
    case cmdAspectByHeight: return x == 0 && y == 1;
    case cmdAspectFree: return x < 0 && y < 0;
    default: return x > 0 && y > 0 && !wide && !tv; // the custom ratio
    }
  }
  const THoverButton* b = Button(code);
  return b && b->Checked();
}

bool TfrMain::eventFilter(QObject* watched, QEvent* e) {
  if (watched == panel_) {
    switch (e->type()) {
    case QEvent::MouseButtonPress: VideoMousePress(static_cast<QMouseEvent*>(e)); return true;
    case QEvent::MouseButtonRelease: VideoMouseRelease(static_cast<QMouseEvent*>(e)); return true;
    case QEvent::MouseButtonDblClick:
      // The platform sends press, release, double click, release: the double click waits for
      // its release.
      if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        doubleClicked_ = true;
      return true;
    case QEvent::MouseMove: VideoMouseMove(static_cast<QMouseEvent*>(e)); return true;
    case QEvent::ContextMenu: return true; // the right button's own setting decides there
    case QEvent::Resize:
      LayoutOsd();
      PlaceVideo();
      // The picture fits itself to the new area; OSD.ShowSize tells its size.
      if (FileOpen() && ctx_.osd && PrefInt("OSD.ShowSize", 0) == 1)
        ctx_.osd(Format("%dx%d", panel_->width(), panel_->height()));
      break;
    default: break;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TfrMain::VideoMousePress(QMouseEvent* e) {
  const int timeout = PrefInt("Mouse.TimeOut", 2);
  pointer_.Restart(timeout);
  pressGlobal_ = lastGlobal_ = e->globalPosition().toPoint();
  pressWindow_ = pos();
  menuOpen_ = false;
  if (e->button() == Qt::LeftButton && ctx_.dsh && ctx_.dsh->IsDVDMenu()) {
    // A disc's menu takes the click for its button, and nothing else happens.
    if (std::optional<QPointF> p = DiscPoint(e->position().toPoint()))
      ctx_.dsh->DVDActivateAt(p->x(), p->y());
    return;
  }
  TMouseAction a;
  if (e->button() == Qt::LeftButton) {
    TMods mods{(e->modifiers() & Qt::ShiftModifier) != 0, (e->modifiers() & Qt::ControlModifier) != 0,
               (e->modifiers() & Qt::AltModifier) != 0};
    a = LeftPress(PrefInt("Mouse.Left", 1), mods, fullScreen_, ControlPanelVisible());
  } else if (e->button() == Qt::RightButton) {
    a = RightPress(PrefInt("Mouse.Right", 0));
  } else if (e->button() == Qt::MiddleButton) {
    a = MiddlePress(PrefInt("Mouse.Middle", 0));
  }
  dragMode_ = a.drag;
  if (a.command)
    ExecCommand(a.command);
  if (a.stepWheel && ctx_.prefs) {
    int f = NextWheelFunction(PrefInt("Mouse.Wheel", 0));
    ctx_.prefs->SetInt("Mouse.Wheel", f);
    if (ctx_.osd)
      ctx_.osd(Lang("Config.Mouse.Wheel") + ": " + Lang(Format("Config.Mouse.Wheel.%d", f)));
  }
  UpdatePointer();
}

std::optional<QPointF> TfrMain::DiscPoint(QPoint panelPoint) const {
  const TVideoWidget* video = panel_->Video();
  if (!panel_->VideoShown())
    return std::nullopt;
  return video->PicturePointAt(video->mapFrom(panel_, panelPoint));
}

void TfrMain::VideoMouseRelease(QMouseEvent* e) {
  dragMode_ = TDragMode::None;
  if (e->button() == Qt::LeftButton && doubleClicked_) {
    doubleClicked_ = false;
    pointer_.Restart(PrefInt("Mouse.TimeOut", 2));
    if (int command = DoubleClickCommand(PrefInt("Mouse.LeftDbl", 0)))
      ExecCommand(command);
  } else if (e->button() == Qt::RightButton && RightRelease(PrefInt("Mouse.Right", 0)).menu) {
    OpenMenu(e->globalPosition().toPoint(), false, false);
  }
}

void TfrMain::VideoMouseMove(QMouseEvent* e) {
  const QPoint at = e->globalPosition().toPoint();
  if (at != lastGlobal_) {
    pointer_.Moved(PrefInt("Mouse.TimeOut", 2));
    menuOpen_ = false;
    UpdatePointer();
    if (ctx_.dsh && ctx_.dsh->isDVD) // the menu button under the pointer lights up
      if (std::optional<QPointF> p = DiscPoint(e->position().toPoint()))
        ctx_.dsh->DVDSelectAt(p->x(), p->y());
  }
  const QPoint step = at - lastGlobal_;
  switch (dragMode_) {
  case TDragMode::MovePicture:
  case TDragMode::ZoomPicture:
    if (props_ && !step.isNull()) {
      if (dragMode_ == TDragMode::MovePicture)
        props_->MoveOffset(step.x(), step.y());
      else
        props_->AdjustZoom(step.x(), -step.y());
    }
    break;
  case TDragMode::MoveWindow:
    if (!fullScreen_) {
      QPoint to = pressWindow_ + (at - pressGlobal_);
      QRect g = frameGeometry();
      TRect r{to.x(), to.y(), to.x() + g.width(), to.y() + g.height()};
      std::vector<TMonitor> monitors = Monitors();
      int m = ChooseMonitor(r, monitors);
      bool sticky = Pref(ctx_.prefs, "FrontEnd.Sticky", "1") == "1";
      bool inside = Pref(ctx_.prefs, "FrontEnd.DoNotAcrossWorkArea", "0") == "1";
      if (m >= 0 && (sticky || inside)) {
        const TMonitor& mon = monitors[static_cast<size_t>(m)];
        r = SnapWindow(r, mon.work, mon.bounds.Width(), sticky, inside);
      }
      move(r.left, r.top);
    }
    break;
  case TDragMode::None: break;
  }
  lastGlobal_ = at;
}

void TfrMain::wheelEvent(QWheelEvent* e) {
  int steps = wheelSteps_.Add(e->angleDelta().y());
  for (int i = 0; i < std::abs(steps); ++i)
    WheelStep(steps > 0);
  e->accept();
}

void TfrMain::WheelStep(bool up) {
  int zoom = 0;
  if (FileOpen() && ctx_.dsh && ctx_.dsh->VideoWidth() > 0)
    zoom = panel_->width() * 100 / ctx_.dsh->VideoWidth();
  TWheelAction a = WheelAction(PrefInt("Mouse.Wheel", 0), Pref(ctx_.prefs, "Mouse.WheelInvert", "0") == "1", up, zoom,
                               fullScreen_, PrefInt("Video.SpeedPlayRate", 13));
  if (a.command)
    ExecCommand(a.command);
  if (a.zoomPercent > 0)
    ZoomToPercent(a.zoomPercent);
  if (a.speedRate > 0 && ctx_.prefs) {
    ctx_.prefs->SetInt("Video.SpeedPlayRate", a.speedRate);
    if (ctx_.osd)
      ctx_.osd(Lang("Config.Mouse.Wheel.6") + "- " + std::to_string(a.speedRate));
    ShowSpeedPlay();
  }
}

void TfrMain::UpdatePointer() {
  const bool panels = ControlPanelVisible() || PlaylistPanelShown();
  const bool hide = !pointer_.Shown(menuOpen_, isActiveWindow(), panels, fullScreen_);
  if (hide == pointerHidden_)
    return;
  pointerHidden_ = hide;
  if (hide)
    panel_->setCursor(Qt::BlankCursor);
  else
    panel_->unsetCursor();
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
  const QPoint at = e->position().toPoint();
  const bool intoPlaylist =
      PlaylistPanelShown() && QRect(plistPanel_->mapTo(this, QPoint(0, 0)), plistPanel_->size()).contains(at);
  if (ctx_.dropFiles)
    ctx_.dropFiles(files, intoPlaylist);
}

} // namespace zv
