// The drawn look, rendered offscreen: the built-in art's named pieces, glyph placement of the
// clock and position, the seek bar's scale, the border's tint, skin controls built from
// definitions, and the main window switching between the looks.
#include "commands/command_codes.h"
#include "commands/model_manager.h"
#include "core/colour.h"
#include "map_prefs.h"
#include "qt_test_util.h"
#include "skin/bar_math.h"
#include "skin/frame_art.h"
#include "skin/opti_builder.h"
#include "test_util.h"
#include "ui/about_window.h"
#include "ui/builtin_bars.h"
#include "ui/main_window.h"
#include "ui/popup_menu.h"
#include "ui/video_panel.h"
#include "ui/zv_caption.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <functional>
#include <map>

using namespace zv;

namespace {

TBitmap32 Grab(QWidget& w) { return FromQImage(w.grab().toImage()); }

// Every pixel of the base bitmap's piece that is not the key colour shows at (dx, dy) of `shot`.
::testing::AssertionResult ShowsPiece(const TBitmap32& shot, const TBaseSkin& skin, TRect piece, int dx, int dy) {
  int lit = 0;
  for (int y = piece.top; y < piece.bottom; ++y)
    for (int x = piece.left; x < piece.right; ++x) {
      uint32_t p = skin.Bitmap().Pixel(x, y);
      if (p == skin.KeyArgb())
        continue;
      const int sx = dx + x - piece.left, sy = dy + y - piece.top;
      if (sx < 0 || sy < 0 || sx >= shot.Width() || sy >= shot.Height())
        continue; // cut off by the widget's edge
      ++lit;
      uint32_t got = shot.Pixel(sx, sy);
      if (got != p)
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << " of the piece shows as " << std::hex << got << " instead of " << p;
    }
  if (lit == 0)
    return ::testing::AssertionFailure() << "the piece is empty";
  return ::testing::AssertionSuccess();
}

// The skin controls' view of a program: a registry, a tick, a player at a position.
struct FakeHost : ISkinHost {
  TModelManager models;
  TBlindNotifier tick;
  bool player = true;
  int64_t position = 0, duration = 72'000'000'000;
  std::vector<int64_t> seeks;
  int volume = 40;
  TBasicModelManager& Models() override { return models; }
  TBlindNotifier& Tick() override { return tick; }
  bool HasPlayer() const override { return player; }
  int64_t Position() const override { return position; }
  int64_t Duration() const override { return duration; }
  void SeekTo(int64_t p) override { seeks.push_back(p); }
  int Volume() const override { return volume; }
  void SetVolume(int v) override { volume = v; }
  std::string FormatText(std::string_view t) const override { return "[" + std::string(t) + "]"; }
  std::string Lang(std::string_view key) const override { return "<" + std::string(key) + ">"; }
};

} // namespace

TEST(SkinLook, TheBuiltInArtHoldsEveryNamedPiece) {
  TBaseSkin skin;
  const TBitmap32& b = skin.Bitmap();
  ASSERT_GE(b.Width(), 819);
  ASSERT_GE(b.Height(), 126);
  // 31 button strips of 21 pixels from x = 0, one of them (before the subtitle button) empty;
  // five caption strips of 15 from x = 652.
  auto lit = [&](int x0, int y0, int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x)
        n += b.Pixel(x, y) != skin.KeyArgb();
    return n;
  };
  for (int strip = 0; strip < 31; ++strip)
    for (int row = 0; row < 6; ++row)
      EXPECT_EQ(lit(21 * strip, 21 * row, 21, 21) > 0, strip != 14) << "strip " << strip << " row " << row;
  for (int strip = 0; strip < 5; ++strip)
    for (int row = 0; row < 6; ++row)
      EXPECT_GT(lit(652 + 15 * strip, 15 * row, 15, 15), 0) << "caption strip " << strip;
  // Pictures whose rectangles the bars read.
  const TRect pieces[] = {{747, 77, 764, 94},   {765, 77, 774, 86}, {765, 87, 774, 96},
                          {727, 37, 787, 54},   {788, 37, 793, 54}, {727, 55, 780, 76},
                          {652, 105, 758, 126}, {727, 77, 736, 98}, {737, 77, 746, 98}};
  for (const TRect& r : pieces)
    EXPECT_GT(lit(r.left, r.top, r.Width(), r.Height()), 0) << r.left << "," << r.top;
  // The colours: the key, and the region colours apart from it and readable against each other.
  EXPECT_EQ(b.Pixel(771, 121), skin.KeyArgb());
  for (auto [x, y] : {std::pair{761, 103}, {770, 103}, {762, 104}, {771, 104}, {761, 114}, {773, 109}, {762, 117}})
    EXPECT_NE(b.Pixel(x, y), skin.KeyArgb()) << x << "," << y;
  EXPECT_EQ(b.Pixel(761, 107), 0xFF000000u) << "the video area is black";
  EXPECT_NE(skin.Colour(761, 103), skin.Colour(762, 104)) << "caption text on its caption";
  EXPECT_EQ(TBaseSkin::BuiltInBorder().Width(), 24);
  EXPECT_EQ(TBaseSkin::BuiltInBorder().Height(), 53);
}

TEST(SkinLook, TheBuiltInPackageHasTheAreasAndFontsOfItsDefinitions) {
  FakeHost host;
  TOptiBuilder builder(host);
  TMemoryStream package(TBaseSkin::BuiltInPackage());
  builder.LoadFromStream(package);
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"CP.bg", {372, 99}},        {"CP.BtnPlay", {63, 127}},    {"CP.BtnFStep", {43, 87}}, {"CP.BtnFF", {43, 87}},
      {"CP.BtnEject", {55, 103}},  {"CP.PosBG", {171, 25}},      {"CP.BtnZI", {20, 79}},    {"CP.BtnPrefs", {20, 79}},
      {"CP.BtnPlPrev", {25, 87}},  {"CP.BtnPlist", {51, 77}},    {"CP.BtnMute", {41, 79}},  {"CP.SeekThumb", {24, 12}},
      {"CP.SeekBG2", {24, 21}},    {"CP.SeekBGfill2", {24, 21}}, {"CP.Digits", {86, 8}},    {"CP.SeekDgts", {52, 6}},
      {"CP.SeekHiTick", {1, 3}},   {"CP.VolBG", {7, 10}},        {"CP.VolThumb", {10, 10}}, {"Cap.bg", {28, 21}},
      {"Cap.brd", {29, 52}},       {"Cap.TitleBG", {19, 16}},    {"Cap.btExit", {16, 50}},  {"Cap.btTop", {33, 50}},
      {"Logo.Splash", {207, 191}}, {"Menu.bg", {23, 23}},        {"Menu.pics", {33, 84}},   {"About.bg", {389, 185}},
      {"About.btDev", {170, 107}}, {"PL.bg", {14, 46}},          {"PL.btRepeat", {45, 79}}, {"PL.btSave", {22, 79}}};
  for (const auto& [ref, size] : sizes) {
    TOptiArea a;
    ASSERT_TRUE(builder.Resource().GetArea(ref, a)) << ref;
    EXPECT_EQ(a.Width(), size.first) << ref;
    EXPECT_EQ(a.Height(), size.second) << ref;
  }
  for (auto [id, chars, height] : {std::tuple{"Digits", " 0123456789>:<", 7}, {"SeekDgts", " 0123456789:", 5}}) {
    auto font = builder.Resource().GetFont(id);
    ASSERT_NE(font, nullptr) << id;
    for (unsigned char c : std::string(chars)) {
      EXPECT_GT(font->Glyphs[c].width, 0) << id << " '" << c << "'";
      EXPECT_EQ(font->Glyphs[c].rect.Height(), height) << id;
    }
  }
  // The four definitions the window builds.
  QWidget host400;
  host400.resize(400, 99);
  for (const char* def : {"WndBorder", "Caption", "CtlPanel", "PListPanel", "WndAbout"})
    EXPECT_NE(builder.BuildDef(def, &host400), nullptr) << def;
}

TEST(SkinLook, ClockAndPositionGlyphsLandWhereTheBarsPlaceThem) {
  TBaseSkin skin;
  TTimeBar clock(nullptr, skin);
  clock.resize(53, 21);
  clock.SetText("21:05");
  TBitmap32 shot = Grab(clock);
  // Digits at x 5, 15, 29, 39 and the colon at 25, all at y 2, from the strip at (726, 18).
  const std::pair<int, int> glyphs[] = {{2, 5}, {1, 15}, {0, 29}, {5, 39}};
  for (auto [digit, x] : glyphs)
    EXPECT_TRUE(ShowsPiece(shot, skin, TRect{727 + 9 * digit, 19, 727 + 9 * digit + 8, 36}, x, 2)) << digit;
  EXPECT_TRUE(ShowsPiece(shot, skin, TRect{817, 19, 819, 36}, 25, 2)) << "the colon";
  clock.SetText("21 05");
  TBitmap32 blink = Grab(clock);
  for (int y = 2; y < 19; ++y)
    for (int x = 25; x < 27; ++x)
      EXPECT_EQ(blink.Pixel(x, y), skin.Bitmap().Pixel(727 + x, 55 + y) == skin.KeyArgb()
                                       ? skin.Bitmap().Pixel(761, 114)
                                       : skin.Bitmap().Pixel(727 + x, 55 + y))
          << "no colon at " << x << "," << y;

  TPosBar pos(nullptr, skin);
  pos.resize(106, 21);
  pos.SetText("0:00:00/1:30:00");
  shot = Grab(pos);
  // Glyphs a pixel apart from x = 4, the eighth character (the slash) a pixel further apart.
  struct Glyph {
    int offset, width, x;
  } expect[] = {{0, 7, 4}, {80, 2, 12}, {0, 7, 15}, {83, 4, 51}, {8, 7, 57}, {80, 2, 65}, {24, 7, 68}, {0, 7, 95}};
  for (const Glyph& g : expect)
    EXPECT_TRUE(ShowsPiece(shot, skin, TRect{727 + g.offset, 1, 727 + g.offset + g.width, 18}, g.x, 2)) << g.x;
}

TEST(SkinLook, TheSeekBarDrawsItsScaleAndMarksOnTheBar) {
  TBaseSkin skin;
  TTimeTrackBar bar(nullptr, skin);
  bar.resize(454, 21);
  bar.SetDuration(72'000'000'000); // two hours
  bar.SetPosition(36'000'000'000);
  bar.SetMark(0, 18'000'000'000);
  bar.SetMark(100, 1); // ignored
  EXPECT_EQ(bar.GetMark(100), 0);
  EXPECT_EQ(bar.ThumbX(), 18 + 418 / 2);
  TBitmap32 shot = Grab(bar);
  const uint32_t scale = skin.Bitmap().Pixel(762, 117);
  QFont f("Small Fonts");
  f.setPixelSize(9);
  int labelWidth = QFontMetrics(f).horizontalAdvance("0:00:00");
  int64_t step = ScaleStep(72'000'000'000, 418 / (labelWidth + 15));
  for (int64_t t = 0; t <= 72'000'000'000; t += step) {
    int x = 18 + static_cast<int>(MulDiv(t, 418, 72'000'000'000));
    if (std::abs(x - bar.ThumbX()) > 5 && std::abs(x - (18 + 418 / 4)) > 5) { // not under the marker or the mark
      EXPECT_EQ(shot.Pixel(x, 15), scale) << "a tick at " << x;
    }
  }
  EXPECT_EQ(shot.Pixel(454 - 18, 15), scale) << "the end of the scale";
  EXPECT_TRUE(ShowsPiece(shot, skin, TRect{765, 77, 774, 86}, bar.ThumbX() - 4, 10)) << "the position marker";
  EXPECT_TRUE(ShowsPiece(shot, skin, TRect{765, 87, 774, 96}, 18 + 418 / 4 - 4, 13)) << "the bookmark";
  // Pressing sets the position from x; a bar without a duration stays put.
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(18 + 418 / 4, 5));
  EXPECT_TRUE(bar.Dragging());
  EXPECT_EQ(bar.Position(), 104 * 72'000'000'000 / 418);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(18 + 418 / 4, 5));
  bar.SetDuration(0);
  EXPECT_EQ(bar.ThumbX(), 0);

  TVolumeTrackBar volume(nullptr, skin);
  volume.resize(65, 17);
  int changes = 0;
  volume.onChange = [&] { ++changes; };
  QTest::mousePress(&volume, Qt::LeftButton, {}, QPoint(33, 8));
  EXPECT_EQ(volume.Value(), 50);
  volume.SetVolume(250);
  EXPECT_EQ(volume.Value(), 100);
  EXPECT_EQ(changes, 2);
  TCPULoad load(nullptr, skin);
  load.SetLoad(-5);
  EXPECT_EQ(load.Load(), 0);
  load.SetLoad(180);
  EXPECT_EQ(load.Load(), 100);
}

TEST(SkinLook, SkinControlsPlaceThemselvesAndFollowTheirModels) {
  zvtest::TempDir dir;
  TBitmap32 art(40, 40, 0xFF202020u);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      art.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x << 16) | static_cast<uint32_t>(y << 8));
  zvtest::WriteFile(dir.file("a.bmp"), WriteBmp(art));
  zvtest::WriteFile(dir.file("interface.xml"),
                    R"(<SKIN><IMAGE id="I" file="a.bmp"><AREA id="btn" pos="0,0" size="33,33"/></IMAGE>
    <CTLDEF id="Bar" type="panel" size="400,21">
      <CONTROL type="GfxBtn" pos="-52,2" size="16,16" img="I.btn" link="X.Toggle"/>
      <CONTROL type="Text" pos="39,4" size="-60,16" text="{TITLE}"/>
      <CONTROL type="Wobble" id="odd" pos="1,1" size="5,5"/>
    </CTLDEF></SKIN>)");
  FakeHost host;
  host.models.Register("X.Toggle", std::make_unique<TSInt32Model>(1));
  TOptiBuilder builder(host);
  builder.Load(dir.str());
  QWidget parent;
  parent.resize(400, 21);
  parent.show(); // resizes reach shown widgets
  auto root = builder.BuildDef("bar", &parent);
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->Children.size(), 3u);
  auto* button = dynamic_cast<TOptiButton*>(root->Children[0]->Control());
  auto* text = dynamic_cast<TOptiText*>(root->Children[1]->Control());
  ASSERT_TRUE(button && text);
  EXPECT_NE(dynamic_cast<TOptiDummy*>(root->Children[2]->Control()), nullptr) << "an unknown type is a dummy";
  EXPECT_EQ(button->geometry(), QRect(348, 2, 16, 16));
  EXPECT_EQ(text->geometry(), QRect(39, 4, 301, 16));
  root->Control()->resize(600, 21);
  EXPECT_EQ(button->x(), 548) << "52 pixels from the right edge";
  EXPECT_EQ(text->width(), 501) << "stretching with its parent";
  EXPECT_EQ(button->toolTip(), "") << "a link without a hint";
  // The model's value 1 shows the second column; a click sets it to 0 and the first column.
  EXPECT_EQ(button->Column(), 1);
  EXPECT_EQ(Grab(*button).Pixel(0, 0), art.Pixel(17, 0));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(host.models.GetInt("X.Toggle"), 0);
  EXPECT_EQ(button->Column(), 0);
  // The text follows the tick.
  host.tick.Notify();
  EXPECT_EQ(text->Shown(), "[{TITLE}]");
  delete root->Control();
  root.reset();
  EXPECT_EQ(host.tick.Count(), 0u) << "freed controls leave the tick";
}

TEST(SkinLook, TheWindowSwitchesLooksAndKeepsControlsWhenASkinFails) {
  zvtest::TempDir home;
  qputenv("ZELVAR_HOME", home.str().c_str());
  std::filesystem::create_directories(home.path() / "Skins" / "Broken");
  zvtest::WriteFile(home.file("Skins/Broken/interface.xml"), R"(<SKIN><IMAGE id="X" file="missing.bmp"/></SKIN>)");
  TfrMain window;
  window.resize(500, 400);
  window.show();
  const std::string looks[] = {" <TQ-41> ", " <XP.Blue> ", "Broken", "no such skin", " <XP.Blue> "};
  const bool package[] = {true, false, false, true, false};
  for (int round = 0; round < 2; ++round)
    for (size_t i = 0; i < std::size(looks); ++i) {
      window.ApplySkin(looks[i]);
      zvtest::PumpFor(std::chrono::milliseconds(5));
      EXPECT_EQ(window.PackageSkinShown(), package[i]) << looks[i];
      EXPECT_EQ(window.ControlPanel()->height(), package[i] ? 99 : 79) << looks[i];
      EXPECT_EQ(window.SeekBar()->isVisible(), !package[i]) << looks[i] << ": the built-in bars come back";
      // No stock control in the bars, whichever look.
      EXPECT_TRUE(window.ControlPanel()->findChildren<QAbstractButton*>().isEmpty());
      EXPECT_TRUE(window.ControlPanel()->findChildren<QAbstractSlider*>().isEmpty());
      EXPECT_TRUE(window.CaptionBar()->findChildren<QLabel*>().isEmpty());
      // Removed skins' controls go as soon as the loop gets to them; they never pile up.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      int controls = 0, shown = 0;
      for (QWidget* w : window.ControlPanel()->findChildren<QWidget*>())
        if (dynamic_cast<TOptiWidget*>(w)) {
          ++controls;
          shown += w->isVisibleTo(window.ControlPanel()) ? 1 : 0;
        }
      EXPECT_EQ(shown > 0, package[i]) << looks[i];
      EXPECT_LT(controls, 60) << looks[i];
    }
  // The border: the built-in picture tinted with the caption colour of the plain look.
  TBitmap32 shot = Grab(window);
  ASSERT_NE(window.Border(), nullptr);
  const int colourX = window.Border()->Active() ? 761 : 770;
  TBitmap32 tinted = TintPicture(TBaseSkin::BuiltInBorder(), window.BaseSkin().Colour(colourX, 103));
  EXPECT_EQ(shot.Pixel(0, 200), tinted.Pixel(0, 30));
  EXPECT_EQ(shot.Pixel(2, 200), tinted.Pixel(2, 30));
  qunsetenv("ZELVAR_HOME");
}

TEST(SkinLook, FullScreenAndBackRestoresTheWindowAndItsPanels) {
  zvtest::MapPrefs prefs;
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  window.SetContext(ctx);
  window.ApplySkin(" <XP.Blue> ");
  window.show();
  window.resize(500, 400);
  zvtest::PumpFor(std::chrono::milliseconds(20));
  const QSize before = window.size();
  window.ToggleFullScreen();
  zvtest::PumpFor(std::chrono::milliseconds(20));
  EXPECT_TRUE(window.FullScreen());
  EXPECT_FALSE(window.ControlPanelVisible()) << "full screen starts without panels";
  EXPECT_EQ(window.Border()->InnerRect(window.size()), QRect(QPoint(0, 0), window.size())) << "no frame";
  window.ToggleFullScreen();
  zvtest::PumpFor(std::chrono::milliseconds(20));
  EXPECT_FALSE(window.FullScreen());
  EXPECT_TRUE(window.ControlPanelVisible()) << "and the window has them";
  EXPECT_EQ(window.size(), before);
  // Toggling the panels twice: the same window, the picture never moving on the screen.
  const QRect frame = window.geometry();
  const QPoint picture = window.Panel()->mapToGlobal(QPoint(0, 0));
  window.TogglePanels();
  EXPECT_EQ(window.Panel()->mapToGlobal(QPoint(0, 0)), picture);
  EXPECT_EQ(window.height(), frame.height() - 79 - 20);
  window.TogglePanels();
  EXPECT_EQ(window.geometry(), frame);
  // The size limits: the control panel keeps the window 380 wide and a panel high.
  window.resize(100, 100);
  EXPECT_GE(window.width(), 380 + 10);
  EXPECT_GE(window.height(), 79 + 20 + 8 + 10);
}

TEST(SkinLook, StayOnTopFollowsItsButtonAndTheFullScreenPreference) {
  zvtest::MapPrefs prefs;
  TModelManager models;
  models.Register("App.StayOnTop", std::make_unique<TSInt32Model>(0));
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  ctx.models = &models;
  bool fullScreenSwitch = true;
  ctx.fullScreenSwitch = [&] { return fullScreenSwitch; };
  window.SetContext(ctx);
  window.show();
  auto onTop = [&] { return window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); };
  EXPECT_FALSE(onTop());
  window.ToggleStayOnTop();
  EXPECT_TRUE(onTop());
  EXPECT_TRUE(prefs.GetBool("FrontEnd.StayOnTop"));
  EXPECT_EQ(models.GetInt("App.StayOnTop"), 1);
  EXPECT_TRUE(window.Button(cmdStayOnTop)->Checked());
  window.ToggleStayOnTop();
  EXPECT_FALSE(onTop());
  // "/FULLSCREEN": the postponed playback ends in full screen, which stays on top by default.
  window.RequestPostponedPlay();
  window.Tick(QTime::currentTime());
  EXPECT_TRUE(window.FullScreen());
  EXPECT_TRUE(onTop());
  prefs.SetString("Video.StayOnTopInFullScreenMode", "0");
  window.SetStayOnTop(false);
  EXPECT_FALSE(onTop());
  window.ToggleFullScreen();
  EXPECT_FALSE(window.FullScreen());
}

TEST(SkinLook, CoversAreFoundInAnyCaseAndDecodedNoLargerThanTheCap) {
  zvtest::TempDir dir;
  QImage small(120, 90, QImage::Format_RGB32);
  small.fill(Qt::red);
  ASSERT_TRUE(small.save(QString::fromStdString(dir.file("cover.JPG")), "JPG"));
  TfrMain window;
  window.ShowCover(dir.file("film.mkv"));
  EXPECT_EQ(window.Panel()->Picture().size(), QSize(120, 90));
  QImage wide(6000, 100, QImage::Format_RGB32);
  wide.fill(Qt::blue);
  ASSERT_TRUE(wide.save(QString::fromStdString(dir.file("wide.jpg")), "JPG"));
  EXPECT_EQ(LoadPicture(dir.file("wide.jpg")).width(), 4096);
  zvtest::WriteFile(dir.file("broken.jpg"), "\xFF\xD8 not a picture");
  EXPECT_TRUE(LoadPicture(dir.file("broken.jpg")).isNull());
  // In full screen a picture takes the screen's height and a little more.
  EXPECT_EQ(TVideoPanel::PictureRect(QSize(1920, 1080), QSize(500, 500), true), QRect(370, -49, 1179, 1179));
  EXPECT_EQ(TVideoPanel::PictureRect(QSize(400, 300), QSize(200, 100)), QRect(100, 100, 200, 100));
}

TEST(SkinLook, TheAboutWindowInBothLayoutsSitsOverTheMainWindow) {
  // Centred over the main window, never off the screen's top or left.
  const struct {
    QRect main;
    QSize about;
    QPoint at;
  } places[] = {{{100, 100, 500, 400}, {277, 127}, {211, 236}},
                {{0, 0, 200, 100}, {389, 185}, {0, 0}},
                {{-300, 50, 400, 300}, {277, 127}, {0, 136}}};
  for (const auto& p : places)
    EXPECT_EQ(AboutPosition(p.main, p.about), p.at) << p.main.x();

  zvtest::MapPrefs prefs;
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  window.SetContext(ctx);
  window.resize(500, 400);
  window.show();
  struct Look {
    const char* skin;
    QSize size;
    QRect help;
  } looks[] = {{" <XP.Blue> ", {277, 127}, {196, 4, 77, 45}}, {" <TQ-41> ", {389, 185}, {282, 54, 95, 45}}};
  for (const Look& look : looks) {
    window.ApplySkin(look.skin);
    std::string shown;
    QTimer::singleShot(0, [&] {
      auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(about, nullptr);
      auto* frAbout = dynamic_cast<TfrAbout*>(about);
      ASSERT_NE(frAbout, nullptr);
      EXPECT_EQ(frAbout->size(), look.size) << look.skin;
      EXPECT_EQ(frAbout->HelpButton()->geometry(), look.help) << look.skin;
      EXPECT_EQ(frAbout->Skinned(), window.PackageSkinShown());
      EXPECT_EQ(frAbout->findChild<QLabel*>("Address") != nullptr, !frAbout->Skinned());
      shown = frAbout->windowTitle().toStdString();
      // Help runs the help command and closes the window.
      QTest::mouseClick(frAbout->HelpButton(), Qt::LeftButton);
    });
    std::vector<int> commands;
    window.executeCommand = [&](int code) { commands.push_back(code); };
    window.ShowAbout("Zelvar 4.4 (build 512)");
    EXPECT_EQ(shown, "Zelvar 4.4 (build 512)");
    EXPECT_EQ(commands, std::vector<int>{cmdHelp}) << look.skin;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

TEST(SkinLook, TheVideoAreaRunsTheMouseAndWheelSettings) {
  zvtest::MapPrefs prefs;
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  std::vector<QPoint> menus;

  window.SetContext(ctx);
  QObject::connect(window.Menu(), &QMenu::aboutToShow, [&] { menus.push_back(QCursor::pos()); });
  window.resize(500, 400);
  window.show();
  std::vector<int> commands;
  window.executeCommand = [&](int code) { commands.push_back(code); };
  QWidget* video = window.Panel();
  const QPoint mid = video->rect().center();
  const struct {
    const char* key;
    const char* value;
    std::function<void()> act;
    std::vector<int> expected;
  } cases[] = {
      {"Mouse.Right", "0", [&] { QTest::mouseClick(video, Qt::RightButton, {}, mid); }, {cmdControlPanel}},
      {"Mouse.Right", "1", [&] { QTest::mouseClick(video, Qt::RightButton, {}, mid); }, {}},
      {"Mouse.Left", "0", [&] { QTest::mouseClick(video, Qt::LeftButton, {}, mid); }, {cmdPlayPause}},
      {"Mouse.Left", "2", [&] { QTest::mouseClick(video, Qt::LeftButton, {}, mid); }, {cmdMute}},
      {"Mouse.Middle", "0", [&] { QTest::mouseClick(video, Qt::MiddleButton, {}, mid); }, {cmdFullScreen}},
      {"Mouse.LeftDbl",
       "1",
       [&] {
         prefs.SetString("Mouse.Left", "1"); // the press drags, the double click's release acts
         QTest::mouseDClick(video, Qt::LeftButton, {}, mid);
         QTest::mouseRelease(video, Qt::LeftButton, {}, mid); // as the platform sends it
       },
       {cmdFullScreen}},
      {"Mouse.Wheel",
       "0",
       [&] {
         QWheelEvent e(QPointF(mid), QPointF(video->mapToGlobal(mid)), QPoint(), QPoint(0, -240), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(&window, &e);
       },
       {cmdVolumeDown, cmdVolumeDown}},
  };
  for (const auto& c : cases) {
    prefs.SetString(c.key, c.value);
    commands.clear();
    c.act();
    window.Menu()->hide();
    EXPECT_EQ(commands, c.expected) << c.key << "=" << c.value;
  }
  EXPECT_EQ(menus.size(), 1u) << "Mouse.Right 1 opens the menu on the release";
  EXPECT_EQ(window.DragMode(), TDragMode::None);
}
