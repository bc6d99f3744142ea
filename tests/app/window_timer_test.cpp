// The window's 200 ms timer driven by hand with a fake clock over a scripted engine: the time
// displays with the one-hour rule, the ending skip, the pointer in full screen, the clock and the
// load meter.
#include "app/executor.h"
#include "map_prefs.h"
#include "mediainfo/gst_media_detector.h"
#include "playback/engine/fake_engine.h"
#include "playback/player.h"
#include "skin/language_manager.h"
#include "test_util.h"
#include "ui/builtin_bars.h"
#include "ui/main_window.h"
#include "ui/qt_dispatcher.h"
#include "ui/video_panel.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTime>

using namespace zv;

namespace {

constexpr int64_t kSecond = 10'000'000;

struct Host : IPlaylistHost {
  TDirectShowHelper* dsh = nullptr;
  TfrMain* window = nullptr;
  IPrefs* prefs = nullptr;
  TGstMediaDetector detector;
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList& list) override {
    TPlayerHost h;
    h.prefs = prefs;
    h.window = window;
    h.playlistTitle = [&list] { return list.CurrentTitle(); };
    h.mediaInfo.detector = &detector;
    return std::make_unique<TPlayer>(*dsh, h);
  }
  int64_t OpenedDuration() override { return dsh->GetDuration(); }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()> work) override { work(); }
  std::string FileType(const std::string&) override { return "V"; }
};

struct WindowTimer : ::testing::Test {
  eng::fake::TFakeEngine engine;
  TQtDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  TLanguageManager lang;
  zvtest::TempDir dir;
  Host host;
  std::unique_ptr<TDirectShowHelper> dsh;
  std::unique_ptr<TfrMain> window;
  std::unique_ptr<TPlayList> list;
  std::pair<int64_t, int64_t> ending{0, 0};
  int load = 50; // where the meter starts

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    engine.script.videoWidth = 320;
    engine.script.videoHeight = 240;
    TEngineHost eh;
    eh.prefs = &prefs;
    eh.dispatcher = &dispatcher;
    dsh = std::make_unique<TDirectShowHelper>(engine, eh);
    window = std::make_unique<TfrMain>();
    list = std::make_unique<TPlayList>(prefs, host);
    host.dsh = dsh.get();
    host.window = window.get();
    host.prefs = &prefs;
    TMainContext ctx;
    ctx.prefs = &prefs;
    ctx.playlist = list.get();
    ctx.dsh = dsh.get();
    ctx.endingMark = [this] { return ending; };
    ctx.cpuReading = [this] { return load; };
    window->SetContext(ctx);
    window->resize(480, 400);
    window->show();
  }
  void TearDown() override {
    list->Stop();
    window->ReleasePlaylist();
    list.reset();
    window.reset();
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  // Plays the first of `count` files of the given length, at `position`.
  void Play(int64_t duration, int64_t position, int count = 1) {
    engine.script.duration = duration;
    for (int i = 0; i < count; ++i) {
      const std::string name = dir.file("film" + std::to_string(i) + ".avi");
      zvtest::WriteFile(name, "RIFF");
      list->AddFile(name);
    }
    list->Play();
    ASSERT_TRUE(window->FileOpen());
    engine.lastGraph->SetPosition(position);
  }
};

} // namespace

TEST_F(WindowTimer, TimeDisplaysFollowThePositionAndTheOneHourRule) {
  const struct {
    int64_t duration, position;
    bool reverse;
    const char* text;
    int64_t range;
  } cases[] = {
      {22 * 60 * kSecond, 10 * kSecond, false, "0:00:10/0:22:00", 22 * 60 * kSecond},
      {22 * 60 * kSecond, 10 * kSecond, true, "0:21:50\\0:22:00", 22 * 60 * kSecond},
      {3600 * kSecond, 10 * kSecond, false, "0:00:10/0:00:00", 0}, // exactly an hour: unknown
      {3601 * kSecond, 10 * kSecond, false, "0:00:10/1:00:01", 3601 * kSecond},
  };
  for (const auto& c : cases) {
    prefs.SetBool("FrontEnd.ReversePlayTime", c.reverse);
    Play(c.duration, c.position);
    window->Tick(QTime(13, 5, 4));
    EXPECT_EQ(window->PositionText().toStdString(), c.text);
    EXPECT_EQ(window->SeekBar()->Duration(), c.range) << c.text;
    list->Stop();
    list->Clear();
  }
}

TEST_F(WindowTimer, TheKnownEndingIsSkippedToTheNextEntry) {
  const int64_t d = 24 * 60 * kSecond;
  Play(d, d - 61 * kSecond, 2);
  ending = {61 * kSecond, d};
  window->Tick(QTime(20, 0, 0));
  EXPECT_EQ(list->CurrentIndex(), 0) << "a second before the mark";
  engine.lastGraph->SetPosition(d - 60 * kSecond);
  window->Tick(QTime(20, 0, 0));
  EXPECT_EQ(list->CurrentIndex(), 1);
}

TEST_F(WindowTimer, ClockPointerAndLoadMeterStepWithTheTicks) {
  window->Tick(QTime(13, 5, 4));
  EXPECT_EQ(window->findChild<TTimeBar*>("Clock")->Text(), "13:05");
  window->Tick(QTime(13, 5, 5));
  EXPECT_EQ(window->findChild<TTimeBar*>("Clock")->Text(), "13 05") << "the separator blinks";

  // The meter moves a third of the way to each reading, truncating toward zero.
  load = 80;
  window->Tick(QTime(13, 5, 6));
  EXPECT_EQ(window->MeterShown(), 60);
  window->Tick(QTime(13, 5, 6));
  EXPECT_EQ(window->MeterShown(), 66);
  load = 0;
  window->Tick(QTime(13, 5, 6));
  EXPECT_EQ(window->MeterShown(), 44);

  // In full screen without panels the pointer hides after Mouse.TimeOut (1 s: five ticks).
  prefs.SetInt("Mouse.TimeOut", 1);
  Play(60 * kSecond, 5 * kSecond);
  window->EnterFullScreen();
  if (window->ControlPanelVisible())
    window->TogglePanels();
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(zvtest::PumpUntil([&] { return window->isActiveWindow(); }));
  QTest::mouseClick(window->Panel(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50)); // restarts the countdown
  for (int i = 0; i < 4; ++i)
    window->Tick(QTime(13, 5, 7));
  EXPECT_FALSE(window->PointerHidden());
  window->Tick(QTime(13, 5, 7));
  EXPECT_TRUE(window->PointerHidden());
  EXPECT_EQ(window->Panel()->cursor().shape(), Qt::BlankCursor);
  window->TogglePanels(); // panels back: the pointer shows
  window->Tick(QTime(13, 5, 8));
  EXPECT_FALSE(window->PointerHidden());
}
