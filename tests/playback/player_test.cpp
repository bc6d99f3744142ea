#include "playback/player.h"

#include "core/system_helper.h"
#include "playback/engine/fake_engine.h"
#include "playback_helpers.h"
#include "prefs/media_store.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

using namespace zv;
using namespace eng;
using eng::fake::TFakeEngine;
namespace fs = std::filesystem;

namespace {

struct FakeWindow : IPlayerWindow, IVideoOutput {
  std::string caption;
  std::vector<std::string> captions; // every caption text set, in order
  std::vector<std::string> calls;
  std::vector<int> commands;
  std::string title;
  bool fullScreen = false, panel = true;
  int64_t seekRange = -1;

  std::string CaptionText() const override { return caption; }
  void SetCaptionText(const std::string& t) override {
    caption = t;
    captions.push_back(t);
  }
  void ShowCover(const std::string& f) override {
    calls.push_back("ShowCover(" + fs::path(f).filename().string() + ")");
  }
  void HideCover() override { calls.push_back("HideCover"); }
  IVideoOutput* MoviePanel() override { return this; }
  void SetSeekRange(int64_t d) override { seekRange = d; }
  bool ControlPanelVisible() const override { return panel; }
  void TogglePanels() override { calls.push_back("TogglePanels"); }
  bool FullScreen() const override { return fullScreen; }
  void ResizeToVideo() override { calls.push_back("ResizeToVideo"); }
  void CenterWindow() override { calls.push_back("CenterWindow"); }
  void MapVideoWindow() override { calls.push_back("MapVideoWindow"); }
  void ShowPaused() override { calls.push_back("ShowPaused"); }
  void EnableControls(bool open) override { calls.push_back(open ? "EnableControls(1)" : "EnableControls(0)"); }
  void EnableTimer() override { calls.push_back("EnableTimer"); }
  void ApplyVolume() override { calls.push_back("ApplyVolume"); }
  void SetPlayingTitle(const std::string& t) override { title = t; }
  void ShowFileInfo() override { calls.push_back("ShowFileInfo"); }
  bool Minimised() const override { return false; }
  void ForceForeground() override { calls.push_back("ForceForeground"); }
  void ApplyFonts() override {}
  void ExecCommand(int code) override { commands.push_back(code); }
  void PresentFrame(TVideoFrame) override {}
  void ClearFrame() override {}
  bool Called(const std::string& c) const { return std::find(calls.begin(), calls.end(), c) != calls.end(); }
};

// Colour control and video properties that remember what they were given.
struct FakeServices : IPlayerServices {
  int b = 50, c = 50, s = 50, zx = 100, zy = 100, ax = 0, ay = 0;
  std::vector<std::string> calls;
  bool GetBCS(int& ob, int& oc, int& os) override {
    ob = b;
    oc = c;
    os = s;
    return true;
  }
  void SetBCS(int nb, int nc, int ns) override { calls.push_back(JoinInts(',', {nb, nc, ns})); }
  bool HasVideoProps() override { return true; }
  void GetZoom(int& x, int& y) override {
    x = zx;
    y = zy;
  }
  void SetZoom(int x, int y) override { calls.push_back("Zoom " + JoinInts(',', {x, y})); }
  void GetAspect(int& x, int& y) override {
    x = ax;
    y = ay;
  }
  void ShowAspect(int x, int y) override { calls.push_back("AR " + JoinInts(':', {x, y})); }
  std::vector<int64_t> LoadKeyFrames(const std::vector<std::string>&) override { return {0, 120'000'000, 240'000'000}; }
};

struct Player : ::testing::Test {
  TFakeEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  zvtest::TempDir dir;
  TLanguageManager lang;
  FakeWindow window;
  FakeServices services;
  std::vector<std::string> alerts, dialogs, osd;
  std::unique_ptr<TDirectShowHelper> dsh;
  std::unique_ptr<TMediaCache> cache;
  std::unique_ptr<TMediaSettings> settings;
  std::pair<int64_t, int64_t> mark{0, 0};

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    TEngineHost host;
    host.prefs = &prefs;
    host.dispatcher = &dispatcher;
    engine.script.duration = 22 * 60 * 10'000'000LL;
    engine.script.videoWidth = 640;
    engine.script.videoHeight = 360;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
    cache = std::make_unique<TMediaCache>([this] { return dir.str() + "/"; });
    settings = std::make_unique<TMediaSettings>([this] { return dir.str() + "/"; });
  }
  void TearDown() override {
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  std::unique_ptr<TPlayer> Make() {
    TPlayerHost h;
    h.prefs = &prefs;
    h.cache = cache.get();
    h.settings = settings.get();
    h.window = &window;
    h.services = &services;
    h.alert = [this](const std::string& t) { alerts.push_back(t); };
    h.osd = [this](const std::string& t) { osd.push_back(t); };
    h.codecDialog = [this](const std::string& t, const std::string& name) { dialogs.push_back(t + " " + name); };
    h.playlistTitle = [] { return std::string("The Title"); };
    h.openingMark = [this] { return mark; };
    h.exeDir = dir.str() + "/";
    h.tempDir = dir.str() + "/";
    return std::make_unique<TPlayer>(*dsh, h);
  }
  std::string File(const std::string& name, const std::string& bytes = "RIFF....AVI LIST") {
    std::string path = dir.file(name);
    zvtest::WriteFile(path, bytes);
    return path;
  }
};

} // namespace

TEST_F(Player, AMissingFileIsReportedAndNothingOpens) {
  auto p = Make();
  std::string name = dir.file("gone.avi");
  p->PlayFile(name);
  EXPECT_FALSE(p->Opened());
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0], Lang("Command.Category.0") + "\"" + name + "\"" + Lang("Core.Alert.NotFound"));
  EXPECT_EQ(window.caption, ">");
  EXPECT_EQ(dsh->Graph(), nullptr);
  // With OSD messages chosen, the message goes there instead.
  prefs.SetBool("OSD.Info.AlertMsg", true);
  p->PlayFile(name);
  EXPECT_EQ(alerts.size(), 1u);
  EXPECT_EQ(osd.size(), 1u);
}

TEST_F(Player, OpensInOrderAndStartsPlaying) {
  std::string file = File("film.avi");
  auto p = Make();
  p->PlayFile(file);
  ASSERT_TRUE(p->Opened());
  EXPECT_EQ(p->FileName(), file);
  // The marks, newest first: start, graph made, file remembered, key frames loaded.
  EXPECT_EQ(window.captions.front(), "");
  EXPECT_EQ(window.caption, "--->");
  EXPECT_EQ(window.title, "The Title");
  EXPECT_EQ(window.commands, std::vector<int>{101});
  EXPECT_EQ(window.seekRange, 22 * 60 * 10'000'000LL);
  // Pause routine, controls and timer before the play command; the cover goes when video shows.
  auto at = [&](const std::string& c) { return std::find(window.calls.begin(), window.calls.end(), c); };
  EXPECT_LT(at("ShowCover(film.avi)"), at("ResizeToVideo"));
  EXPECT_LT(at("ResizeToVideo"), at("CenterWindow"));
  EXPECT_LT(at("ShowPaused"), at("EnableControls(1)"));
  EXPECT_TRUE(window.Called("HideCover"));
  EXPECT_TRUE(window.Called("ShowFileInfo"));
  EXPECT_EQ(engine.lastGraph->State(), State_Running);
  EXPECT_EQ(engine.lastGraph->VideoOutput(), &window);
  EXPECT_EQ(dsh->KeyFrames().size(), 3u);
  // The media cache knows the file now.
  TXMLNode* entry = cache->FindEntry(file);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetAttr("dur"), std::to_string(22 * 60 * 10'000'000LL));
  EXPECT_EQ(entry->GetAttr("hash64k").size(), 32u);
  EXPECT_EQ(CurrentMedia().path, file);
  EXPECT_EQ(p->MediaHash(), entry->GetAttr("hash64k"));
}

TEST_F(Player, ARenderFailureSaysOnceWhatIsWrongAndClosesEverything) {
  struct Case {
    const char* name;
    const char* bytes;
    eng::HRESULT engine;
    const char* dialog; // the missing-decoder dialog's request, or none
    const char* alert;  // the language key of the one alert, or none
  };
  const Case cases[] = {
      {"x.ogg", "OggS", E_FAIL, "ext=ogg", nullptr},
      {"text.avi", "just some text", VFW_E_UNKNOWN_FILE_TYPE, nullptr, "Error.NotMediaFile"},
      {"empty.avi", "", E_FAIL, nullptr, "Error.NotMediaFile"},
      {"song.wav", "RIFF....WAVE", VFW_E_NO_AUDIO_HARDWARE, nullptr, "Error.NoSoundDevice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    alerts.clear();
    dialogs.clear();
    engine.script.defaultRender = c.engine;
    std::string file = File(c.name, c.bytes);
    auto p = Make();
    p->PlayFile(file);
    EXPECT_FALSE(p->Opened());
    EXPECT_EQ(dialogs.size() + alerts.size(), 1u) << "one message per failure";
    EXPECT_EQ(dialogs,
              c.dialog ? std::vector<std::string>{std::string(c.dialog) + " " + file} : std::vector<std::string>{});
    EXPECT_EQ(alerts, c.alert ? std::vector<std::string>{Lang(c.alert) + "\r\n" + file} : std::vector<std::string>{});
    EXPECT_EQ(dsh->Graph(), nullptr);
    EXPECT_TRUE(window.Called("EnableControls(0)"));
  }
}

TEST_F(Player, WithoutASoundDeviceThePicturePlaysAndTheUserIsToldOnce) {
  engine.script.defaultRender = VFW_S_AUDIO_NOT_RENDERED;
  for (const char* name : {"a.avi", "b.avi"}) {
    auto p = Make();
    p->PlayFile(File(name));
    EXPECT_TRUE(p->Opened()) << name;
  }
  EXPECT_TRUE(dialogs.empty());
  EXPECT_EQ(alerts, std::vector<std::string>{Lang("Error.NoSoundDevice") + "\r\n" + Lang("Error.PlayingWithoutSound")});
}

TEST_F(Player, AnUnknownLengthIsNotKept) {
  engine.script.duration.reset();
  std::string file = File("live.avi");
  auto p = Make();
  p->PlayFile(file);
  ASSERT_TRUE(p->Opened());
  EXPECT_EQ(cache->FindEntry(file)->GetAttr("dur"), "");
  EXPECT_EQ(window.seekRange, 0);
}

TEST_F(Player, SettingsOfAFileAreSavedOnCloseAndAppliedOnOpen) {
  std::string file = File("film.avi");
  {
    auto p = Make();
    p->PlayFile(file);
    engine.lastGraph->SetPosition(123'456'789);
    services.b = 60;
    services.zx = 150;
    services.ax = 16;
    services.ay = 9;
  }
  std::string hash = TMediaCache::GetFile64KHash(file);
  TXMLNode* entry = settings->FindEntry(hash);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetAttr("PlayPos"), "123456789");
  EXPECT_EQ(entry->GetAttr("BCS"), "60,50,50");
  EXPECT_EQ(entry->GetAttr("Zoom"), "150,100");
  EXPECT_EQ(entry->GetAttr("AR"), "16:9");

  // Opening again: the settings come back; the position only when asked for.
  prefs.SetBool("OnOpen.SeekLastPos", true);
  {
    auto p = Make();
    p->PlayFile(file);
    EXPECT_EQ(engine.lastGraph->SetPositionsCalls().empty() ? 0 : engine.lastGraph->SetPositionsCalls().back(),
              123'456'789);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"60,50,50", "Zoom 150,100", "AR 16:9"}));
    // Neutral values remove what was stored.
    services.b = 50;
    services.zx = 100;
    services.ax = services.ay = 0;
  }
  entry = settings->FindEntry(hash);
  EXPECT_EQ(entry->FindAttr("BCS"), nullptr);
  EXPECT_EQ(entry->FindAttr("Zoom"), nullptr);
  EXPECT_EQ(entry->FindAttr("AR"), nullptr);

  // Command 159 asks for the kept position whatever OnOpen.SeekLastPos says; a file without one
  // stays where it is.
  prefs.SetBool("OnOpen.SeekLastPos", false);
  entry->SetAttr("PlayPos", "55500000");
  auto p = Make();
  p->PlayFile(file);
  EXPECT_TRUE(p->SeekToLastPosition());
  EXPECT_EQ(engine.lastGraph->SetPositionsCalls().back(), 55'500'000);
  settings->FindEntry(hash)->SetAttr("PlayPos", "soon");
  EXPECT_FALSE(p->SeekToLastPosition());
}

TEST_F(Player, CompletionPausesRewindsAndTellsTheOwner) {
  auto p = Make();
  p->PlayFile(File("film.avi"));
  int told = 0;
  p->onCompleted = [&] { ++told; };
  engine.lastGraph->SetPosition(50'000'000);
  p->OnComplete();
  EXPECT_EQ(told, 1);
  EXPECT_EQ(engine.lastGraph->State(), State_Paused);
  EXPECT_EQ(engine.lastGraph->SetPositionsCalls().back(), 0);
  prefs.SetString("OnDone.Rewind", "0");
  size_t seeks = engine.lastGraph->SetPositionsCalls().size();
  p->OnComplete();
  EXPECT_EQ(engine.lastGraph->SetPositionsCalls().size(), seeks);
}

TEST_F(Player, TheOpeningSkipFollowsTheThreeMinuteClass) {
  const int64_t min = 60 * 10'000'000LL;
  const int64_t mark95 = 95 * 10'000'000LL;
  EXPECT_EQ(TPlayer::OpeningSkipTarget(23 * min, mark95, 22 * min, nullptr), mark95);
  EXPECT_EQ(TPlayer::OpeningSkipTarget(24 * min, mark95, 22 * min, nullptr), -1);
  EXPECT_EQ(TPlayer::OpeningSkipTarget(50 * min, mark95, 0, nullptr), mark95); // no duration with the mark
  EXPECT_EQ(TPlayer::OpeningSkipTarget(23 * min, 0, 22 * min, nullptr), -1);
  // Key frames: the nearest within a minute, plus ten units.
  std::vector<int64_t> keys{0, 90 * 10'000'000LL, 100 * 10'000'000LL};
  EXPECT_EQ(TPlayer::OpeningSkipTarget(23 * min, mark95, 22 * min, &keys), 90 * 10'000'000LL + 10);
  std::vector<int64_t> far{0, 200 * 10'000'000LL};
  EXPECT_EQ(TPlayer::OpeningSkipTarget(23 * min, mark95, 22 * min, &far), mark95);

  // Through opening: a 23-minute file with the mark taken on a 22-minute one skips to it.
  engine.script.duration = 23 * min;
  mark = {mark95, 22 * min};
  prefs.SetString("Seek.KeyFrameSeek", "0");
  auto p = Make();
  p->PlayFile(File("episode.avi"));
  EXPECT_EQ(engine.lastGraph->SetPositionsCalls().back(), mark95);
}

TEST_F(Player, PartsOfAFilmAreFoundByTheirLastCharacter) {
  for (const char* f : {"film1.avi", "film2.avi", "film3.avi", "cd_a.avi", "cd_b.avi", "Film A.avi", "Film B.avi",
                        "film_.avi", "part9.avi"})
    File(f);
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("film1.avi")), dir.file("film2.avi"));
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("film2.avi")), dir.file("film3.avi"));
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("film3.avi")), "");
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("cd_a.avi")), dir.file("cd_b.avi"));
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("Film A.avi")), "");
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("film_.avi")), "");
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file("part9.avi")), "");
  EXPECT_EQ(TPlayer::GetNextFilePart(dir.file(".avi")), "");

  // Joining marks every further part (the fake engine has no joined source to open them with).
  prefs.SetBool("Modules.DirectShow.JoinParts", true);
  auto p = Make();
  p->PlayFile(dir.file("film1.avi"));
  EXPECT_FALSE(p->Opened());
  EXPECT_EQ(window.caption, "++->");
}

TEST_F(Player, StreamsSkipTheFileSteps) {
  auto p = Make();
  p->PlayFile("http://radio.example/live.mp3");
  ASSERT_TRUE(p->Opened());
  EXPECT_FALSE(window.Called("ShowFileInfo"));
  EXPECT_TRUE(p->MediaHash().empty());
  EXPECT_EQ(cache->EntryCount(), 0u);
}

TEST_F(Player, AStreamOpensWhenItsServerHasAnsweredAndSaysWhyWhenNot) {
  // The engine answers E_PENDING; the result comes later as an event on the interface thread.
  struct Case {
    HRESULT result;
    bool opened;
    std::string message;
  };
  const std::string url = "http://radio.example/live";
  const Case cases[] = {
      {S_OK, true, ""},
      {ZV_E_CONNECTION_REFUSED, false, "Cannot play this stream:\r\n" + url + "\r\nconnection refused"},
      {HttpStatusResult(404), false, "Cannot play this stream:\r\n" + url + "\r\nHTTP 404"},
      {ZV_E_NO_ANSWER, false, "Cannot play this stream:\r\n" + url + "\r\nno answer"},
  };
  engine.script.renderFile[url] = E_PENDING;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    alerts.clear();
    auto p = Make();
    std::vector<bool> ended;
    p->onOpenEnded = [&](bool opened) { ended.push_back(opened); };
    p->PlayFile(url);
    EXPECT_TRUE(p->Pending());
    EXPECT_FALSE(p->Opened());
    p->SeekTo(50'000'000); // asked for while it connects: done once it is open
    dsh->Graph()->PostEvent(TEvent{EC_ZV_RENDER_DONE, c.result, 0});
    dispatcher.RunAll();
    EXPECT_FALSE(p->Pending());
    EXPECT_EQ(p->Opened(), c.opened);
    EXPECT_EQ(ended, std::vector<bool>{c.opened});
    EXPECT_EQ(alerts, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_EQ(dsh->Graph() != nullptr, c.opened) << "a failed stream leaves nothing behind";
    if (c.opened) {
      ASSERT_FALSE(engine.lastGraph->SetPositionsCalls().empty());
      EXPECT_EQ(engine.lastGraph->SetPositionsCalls().back(), 50'000'000);
    }
  }
}

TEST_F(Player, AddressesOfOtherKindsAreRefusedBeforeAnythingOpens) {
  for (const char* name : {"fd://0", "v4l2:///dev/video0", "udp://127.0.0.1:5000"}) {
    alerts.clear();
    engine.log.clear();
    auto p = Make();
    p->PlayFile(name);
    EXPECT_FALSE(p->Opened());
    EXPECT_FALSE(p->Pending());
    EXPECT_EQ(alerts, std::vector<std::string>{std::string("Cannot play this stream:\r\n") + name +
                                               "\r\naddresses of this kind are not opened (only network "
                                               "streams and file:// names)"});
    EXPECT_TRUE(engine.log.empty()) << "no graph was made";
  }
}

TEST_F(Player, AFileIsReadOnAWorkerFirstAndAPlayerThatGoesMeanwhileHearsNothing) {
  std::string film = File("film.avi");
  std::promise<void> release;
  std::shared_future<void> mountAnswers = release.get_future().share();
  auto worker = std::make_shared<int>(0); // held by each copy of the check while it runs
  auto make = [&](bool slowMount) {
    TPlayerHost h;
    h.prefs = &prefs;
    h.window = &window;
    h.services = &services;
    h.dispatcher = &dispatcher;
    h.alert = [this](const std::string& t) { alerts.push_back(t); };
    h.playlistTitle = [] { return std::string("The Title"); };
    if (slowMount)
      h.checkFile = [mountAnswers, worker](const std::string&) {
        mountAnswers.wait();
        return false;
      };
    return std::make_unique<TPlayer>(*dsh, h);
  };
  auto p = make(false);
  std::vector<bool> ended;
  p->onOpenEnded = [&](bool opened) { ended.push_back(opened); };
  p->PlayFile(film);
  EXPECT_TRUE(p->Pending());
  ASSERT_TRUE(zvtest::WaitUntil([&] { return dispatcher.RunAll() > 0; }));
  EXPECT_TRUE(p->Opened());
  EXPECT_EQ(ended, std::vector<bool>{true});
  p.reset();

  // Freed while the mount does not answer (Stop, another file, exit): when it answers at last,
  // nothing is posted and nobody is told.
  auto q = make(true);
  q->PlayFile(film);
  EXPECT_TRUE(q->Pending());
  q.reset();
  release.set_value();
  ASSERT_TRUE(zvtest::WaitUntil([&] { return worker.use_count() == 1; })) << "the worker has finished";
  EXPECT_EQ(dispatcher.Pending(), 0u);
  EXPECT_TRUE(alerts.empty());
}
