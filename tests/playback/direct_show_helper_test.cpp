#include "core/error.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/fake_engine.h"
#include "playback_helpers.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zv;
using namespace eng;
using eng::fake::TFakeDvd;
using eng::fake::TFakeEngine;
using eng::fake::TFakeFilter;
using eng::fake::TFakeGraph;

namespace {

const TGuid kDirectSound = *TGuid::Parse("{79376820-07D0-11CF-A24D-0020AFD79767}");
const TGuid kWaveOut = *TGuid::Parse("{E30629D1-27E5-11CE-875D-00608CB78066}");

struct Control : ::testing::Test {
  TFakeEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  zvtest::TempDir dir;
  std::vector<std::string> osd;
  std::vector<std::vector<std::string>> codecDialogs;
  TLanguageManager lang;
  std::unique_ptr<TDirectShowHelper> dsh;

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    TEngineHost host;
    host.prefs = &prefs;
    host.dispatcher = &dispatcher;
    host.showOSD = [this](const std::string& t) { osd.push_back(t); };
    host.exeDir = [this] { return dir.str() + "/"; };
    host.userDir = [this] { return dir.str() + "/"; };
    host.dvdCodecDialog = [this](const std::vector<std::string>& missing) { codecDialogs.push_back(missing); };
    host.languageName = [](const std::string& code) { return "<" + code + ">"; };
    engine.script.duration = 100 * 10'000'000LL;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
  }
  void TearDown() override {
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  TFakeGraph& Graph() { return *engine.lastGraph; }
  bool Logged(const std::string& prefix) {
    for (auto& l : engine.log)
      if (l.rfind(prefix, 0) == 0)
        return true;
    return false;
  }
};

std::shared_ptr<TFakeFilter> Filter(const TGuid& cls, const std::string& name) {
  return std::make_shared<TFakeFilter>(cls, name);
}

} // namespace

TEST_F(Control, ARefusedSeekingInterfaceRaisesTheStepItFailedIn) {
  engine.script.refused[TInterface::MediaSeeking] = VFW_E_UNSUPPORTED_STREAM;
  try {
    dsh->CreateBuilder();
    FAIL() << "no error raised";
  } catch (const EZvError& e) {
    EXPECT_EQ(std::string(e.what()), "Media engine error: 0x80040265 ( Cannot play back the file: the format is not "
                                     "supported )\r\nScope:[Graph.QueryInterface(IMediaSeeking)]");
    EXPECT_EQ(e.Scope(), "Graph.QueryInterface(IMediaSeeking)");
  }
}

TEST_F(Control, ErrorTextsComeFromTheLanguageOrTheEngine) {
  EXPECT_EQ(dsh->ErrorText(VFW_E_DVD_DECNOTENOUGH),
            "Media engine error: 0x8004027B ( DVD decoders was not found.\r\nInstall PowerDVD, WinDVD or Elecard MPEG "
            "player. )");
  // Outside the six codes the engine's own text is used.
  EXPECT_EQ(dsh->ErrorText(Code(0x80040154)), "Media engine error: 0x80040154 ( Unknown error 0x80040154. )");
  EXPECT_EQ(dsh->ErrorText(VFW_E_CANNOT_RENDER),
            "Media engine error: 0x80040218 ( No combination of filters could be found to render the stream. )");
  // The key is looked up with upper-case digits.
  TLanguageManager empty;
  SetLanguageManager(&empty);
  EXPECT_EQ(dsh->ErrorText(VFW_E_DVD_DECNOTENOUGH), "<DS.Error>: 0x8004027B ( <DS.Err8004027B> )");
  EXPECT_TRUE(empty.Has("DS.Err8004027B"));
  EXPECT_NO_THROW(dsh->CheckResult(S_FALSE, "x"));
  EXPECT_THROW(dsh->CheckResult(E_FAIL, "MediaControl.Run"), EZvError);
}

TEST_F(Control, SeekingClampsToTheFileAndShowsThePosition) {
  dsh->CreateBuilder();
  dsh->SeekTo(-10'000'000);
  EXPECT_TRUE(Logged("SetPositions(0,1,0)"));
  dsh->SeekTo(500 * 10'000'000LL); // beyond the end
  EXPECT_TRUE(Logged("SetPositions(1000000000,1,0)"));
  ASSERT_EQ(osd.size(), 2u);
  EXPECT_EQ(osd[0], "Seek: 0:00:00");
  EXPECT_EQ(osd[1], "Seek: 0:08:20"); // the position asked for, before it is held to the end
  prefs.SetBool("Video.KeyFrameSeek", true);
  prefs.SetBool("OSD.ShowTotalTimeInReverse", true);
  dsh->SeekTo(61 * 10'000'000LL);
  EXPECT_TRUE(Logged("SetPositions(610000000,5,0)"));
  EXPECT_EQ(osd.back(), "Seek: 0:01:01 (0:01:40)");
  // Without a graph nothing is sought but nothing fails either.
  dsh->FreeGraph();
  EXPECT_NO_THROW(dsh->SeekTo(5));
}

TEST_F(Control, AnUnknownDurationShowsAnHourWithoutKeepingIt) {
  engine.script.duration.reset();
  dsh->CreateBuilder();
  EXPECT_EQ(dsh->GetDuration(), 36'000'000'000LL);
  EXPECT_TRUE(dsh->DurationIsFallback());
  Graph().Script().duration = 42 * 10'000'000LL; // the real length becomes known
  EXPECT_EQ(dsh->GetDuration(), 420'000'000);
  EXPECT_FALSE(dsh->DurationIsFallback());
  Graph().Script().duration = 50 * 10'000'000LL;
  EXPECT_EQ(dsh->GetDuration(), 420'000'000); // cached
  Graph().PostEvent(TEvent{EC_LENGTH_CHANGED, 0, 0});
  dispatcher.RunAll();
  EXPECT_EQ(dsh->GetDuration(), 500'000'000);
}

TEST_F(Control, ACompletedBatchCallsBackOnceAfterIt) {
  dsh->CreateBuilder();
  int completions = 0;
  std::vector<int32_t> seen;
  dsh->eventHook = [&](const TEvent& e) { seen.push_back(e.code); };
  dsh->SetCompletionCallback([&] {
    ++completions;
    EXPECT_EQ(seen.size(), 4u) << "the callback runs after the whole batch";
  });
  Graph().PostEvent(TEvent{EC_PAUSED, 0, 0});
  Graph().PostEvent(TEvent{EC_COMPLETE, 0, 0});
  Graph().PostEvent(TEvent{EC_COMPLETE, 0, 0});
  Graph().PostEvent(TEvent{EC_STEP_COMPLETE, 0, 0});
  EXPECT_EQ(dispatcher.Pending(), 1u) << "one queued call for the whole batch";
  dispatcher.RunAll();
  EXPECT_EQ(completions, 1);
  // Many events from another thread arrive in order.
  seen.clear();
  std::thread t([&] {
    for (int i = 0; i < 200; ++i)
      Graph().PostEvent(TEvent{2000 + i, 0, 0});
  });
  t.join();
  dispatcher.RunAll();
  ASSERT_EQ(seen.size(), 200u);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(seen[static_cast<size_t>(i)], 2000 + i);
  EXPECT_EQ(completions, 1);
  // A call queued for a helper that is gone does nothing.
  Graph().PostEvent(TEvent{EC_COMPLETE, 0, 0});
  dsh.reset();
  EXPECT_NO_FATAL_FAILURE(dispatcher.RunAll());
}

TEST_F(Control, ForcedFiltersAreAddedByClassAndBadOnesSkipped) {
  const TGuid good = *TGuid::Parse("{11111111-2222-3333-4444-555555555555}");
  engine.knownClasses[good] = "Good Filter";
  prefs.SetString("Modules.DirectShow.ForceFilters",
                  "{11111111-2222-3333-4444-555555555555}, {99999999-2222-3333-4444-555555555555},not a guid");
  dsh->CreateBuilder();
  auto filters = Graph().EnumFilters();
  ASSERT_EQ(filters.size(), 1u);
  EXPECT_EQ(filters[0]->Name(), "Plugin: Good Filter");
}

TEST_F(Control, RenderingTracesOnlyWhenTheTraceFileExists) {
  dsh->CreateBuilder();
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(dsh->RenderFile("film.avi"), S_OK);
  EXPECT_TRUE(Logged("RenderFile(" + cwd + "/film.avi)"));
  EXPECT_FALSE(Logged("SetLogFile"));
  zvtest::WriteFile(dir.file("ZV.Render.txt"), "old trace");
  Graph().Script().renderFile["http://radio/stream"] = VFW_S_PARTIAL_RENDER;
  EXPECT_EQ(dsh->RenderFile("http://radio/stream"), VFW_S_PARTIAL_RENDER);
  EXPECT_TRUE(dsh->IsURL());
  EXPECT_TRUE(Logged("SetLogFile(" + dir.file("ZV.Render.txt") + ")"));
  EXPECT_TRUE(Logged("SetLogFile()"));
  EXPECT_EQ(zvtest::ReadFile(dir.file("ZV.Render.txt")), ""); // emptied for this call
  EXPECT_EQ(std::filesystem::current_path().string(), cwd);
}

TEST_F(Control, AudioRenderersCountFromTheEndAndDecodersAreFound) {
  dsh->CreateBuilder();
  TFakeGraph& g = Graph();
  auto a1 = Filter(kDirectSound, "first");
  auto a2 = Filter(kWaveOut, "second");
  auto other = Filter(TGuid::FromName("other"), "other");
  g.AddFilter(a1, "Sound 1");
  g.AddFilter(other, "Other");
  g.AddFilter(a2, "Sound 2");
  EXPECT_EQ(dsh->CountAudioRenderers(), 2);
  // Enumeration is most recent first: Sound 2, Other, Sound 1; number 0 is the last enumerated.
  EXPECT_EQ(dsh->FindAudioRenderer(0), a1.get());
  EXPECT_EQ(dsh->FindAudioRenderer(1), a2.get());
  EXPECT_EQ(dsh->FindAudioRenderer(2), nullptr);
  EXPECT_EQ(dsh->FindFilterByClass(kWaveOut), a2.get());

  // No decoder yet: 25 frames per second.
  dsh->DetectVideoFPS();
  EXPECT_EQ(dsh->FrameTime(), 400'000);
  // A decoder: compressed video in, a listed raw subtype out.
  auto split = Filter(TGuid::FromName("split"), "split");
  auto dec = Filter(TGuid::FromName("dec"), "dec");
  auto ren = Filter(TGuid::FromName("ren"), "ren");
  TVideoInfo vi;
  vi.width = 640;
  vi.height = 480;
  vi.avgTimePerFrame = 333'667;
  vi.compression = MakeFourCC('X', 'V', 'I', 'D');
  TMediaType xvid = TMediaType::Video(TGuid::FromFourCC(MakeFourCC('X', 'V', 'I', 'D')), vi);
  TMediaType yv12 = TMediaType::Video(TGuid::FromFourCC(MakeFourCC('Y', 'V', '1', '2')), vi);
  auto* so = split->AddPin("out", TPinDirection::Output, {xvid});
  auto* di = dec->AddPin("in", TPinDirection::Input);
  auto* dout = dec->AddPin("out", TPinDirection::Output, {yv12});
  auto* ri = ren->AddPin("in", TPinDirection::Input);
  g.AddFilter(split, "Splitter");
  g.AddFilter(dec, "Decoder");
  g.AddFilter(ren, "Renderer");
  ASSERT_EQ(g.ConnectDirect(so, di, nullptr), S_OK);
  ASSERT_EQ(g.ConnectDirect(dout, ri, nullptr), S_OK);
  EXPECT_EQ(dsh->FindVideoDecoder(), dec.get());
  EXPECT_EQ(TDirectShowHelper::UpstreamFilter(dec.get()), split.get());
  dsh->DetectVideoFPS();
  EXPECT_EQ(dsh->FrameTime(), 333'667);
  EXPECT_EQ(dsh->ConnectFilters(split.get(), dec.get()), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(dsh->ConnectFilters(nullptr, dec.get()), E_FAIL);

  std::string text = TDSGraphLogger::GraphAsText(g);
  EXPECT_TRUE(text.starts_with("+TDSGraphLogger.GraphAsText\r\n[FLT:] Renderer\r\nCLSID:{"));
  EXPECT_NE(text.find("[out]out <-c-> in\r\nMT:{73646976-0000-0010-8000-00AA00389B71}:"
                      "{44495658-0000-0010-8000-00AA00389B71}\r\n\r\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with("-TDSGraphLogger.GraphAsText\r\n"));

  dsh->RemoveAllFilters();
  EXPECT_TRUE(g.EnumFilters().empty());
  EXPECT_EQ(dsh->FindVideoDecoder(), nullptr);
}

TEST_F(Control, VideoAndAudioAreDetected) {
  engine.script.videoWidth = 720;
  engine.script.videoHeight = 576;
  dsh->CreateBuilder();
  dsh->CheckForAV();
  EXPECT_TRUE(dsh->HasVideo());
  EXPECT_EQ(dsh->VideoWidth(), 720);
  EXPECT_FALSE(dsh->HasAudio());
  Graph().Script().refused[TInterface::BasicVideo] = E_NOINTERFACE;
  EXPECT_THROW(dsh->CheckForAV(), EZvError);
}

TEST_F(Control, FrameStepFallsBackToASeekOfOneFrame) {
  engine.script.canStep = false;
  dsh->CreateBuilder();
  Graph().SetPosition(10'000'000);
  dsh->FrameStep(1);
  EXPECT_TRUE(Logged("Step(1)"));
  EXPECT_TRUE(Logged("SetPositions(10400000,1,0)"));
}

TEST_F(Control, TheVideoProcessorJoinsTheGraphAndCarriesTheColourControls) {
  engine.knownClasses[eng::classes::VideoProcessor] = "Video Processor";
  prefs.SetBool("Video.VideoProcessor", false);
  dsh->CreateBuilder();
  EXPECT_EQ(dsh->FindVideoProcessor(), nullptr);
  prefs.SetBool("Video.VideoProcessor", true);
  dsh->CreateBuilder();
  ASSERT_NE(dsh->FindVideoProcessor(), nullptr);
  EXPECT_EQ(dsh->FindVideoProcessor()->Name(), "Video Processor");
  std::shared_ptr<TVideoProcSettings> s = dsh->VideoProcessorSettings();
  ASSERT_TRUE(s);

  // Before the processor has seen a picture nothing controls the colour.
  EXPECT_EQ(dsh->ColourControlKind(), "");
  EXPECT_EQ(dsh->GetBCS(), (TDirectShowHelper::TBCS{50, 50, 50}));
  dsh->SetBCS(60, 50, 50);
  EXPECT_EQ(s->brightness.load(), 0);
  EXPECT_EQ(osd, (std::vector<std::string>{Lang("OSD.NoVideoInterface"), Lang("OSD.NoVideoInterface"),
                                           Lang("OSD.NoVideoInterface")}));
  osd.clear();

  s->active = true;
  EXPECT_EQ(dsh->ColourControlKind(), "VideoProc");
  dsh->SetBCS(75, 40, 50); // processor's scale: v × 2 − 100
  EXPECT_EQ(s->brightness.load(), 50);
  EXPECT_EQ(s->contrast.load(), -20);
  EXPECT_EQ(s->saturation.load(), 0);
  EXPECT_EQ(osd, (std::vector<std::string>{"Brightness 75%", "Contrast 40%"}));
  osd.clear();
  dsh->SetBCS(75, 40, 50);
  EXPECT_TRUE(osd.empty()) << "nothing changed, nothing shown";
  // The ends of the scale hold; the odd processor values read back truncated.
  dsh->AdjustBCS(40, -50, 1);
  EXPECT_EQ(dsh->GetBCS(), (TDirectShowHelper::TBCS{100, 0, 51}));
  s->brightness = -3;
  EXPECT_EQ(dsh->GetBCS().brightness, 48);
  // With a DVD playing the processor stays out.
  engine.script.dvd = true;
  dsh->isDVD = true;
  dsh->CreateBuilder();
  EXPECT_EQ(dsh->FindVideoProcessor(), nullptr);
}

TEST_F(Control, ADecoderPluginInTheFiltersFolderIsForcedIntoEveryGraph) {
  dsh->CreateBuilder();
  EXPECT_TRUE(Graph().EnumFilters().empty()) << "no file, no forced decoder";
  const std::string lib = dir.file("Filters/divxdec.so");
  std::filesystem::create_directories(dir.file("Filters"));
  zvtest::WriteFile(lib, "plug-in");
  engine.plugins[lib][eng::classes::DivXDecoder.ToString()] = "DivX Decoder";
  dsh->CreateBuilder();
  ASSERT_EQ(Graph().EnumFilters().size(), 1u);
  EXPECT_EQ(Graph().EnumFilters()[0]->Name(), "Forced DivX Decoder");
  // A file that is no plug-in stops the graph's making at the step that failed.
  engine.plugins.clear();
  try {
    dsh->CreateBuilder();
    ADD_FAILURE() << "no error";
  } catch (const EZvError& e) {
    EXPECT_NE(std::string(e.what()).find("GetCO(CLSID_DivXDecoder)"), std::string::npos) << e.what();
  }
}

TEST_F(Control, ADiscPlaysThroughItsNavigatorWithTimeCodesForPositions) {
  engine.script.dvd = true;
  dsh->isDVD = true;
  dsh->CreateBuilder();
  EXPECT_FALSE(Logged("AddFilter(Video Processor)")) << "no picture processing in a disc's graph";
  EXPECT_EQ(Graph().QueryInterface(TInterface::MediaSeeking), S_OK);
  ASSERT_EQ(dsh->RenderFile("/discs/film/VIDEO_TS/VIDEO_TS.IFO"), S_OK);
  EXPECT_TRUE(Logged("DVD.SetDVDDirectory(/discs/film/VIDEO_TS/VIDEO_TS.IFO)"));
  EXPECT_EQ(dsh->GetDuration(), 0) << "unknown before the first domain change";
  dsh->Run();
  EXPECT_TRUE(Logged("DVD.PlayForwards(1.000000)"));

  TFakeDvd& disc = Graph().dvd;
  disc.titles = 2;
  disc.domain = DVD_DOMAIN_VideoManagerMenu;
  Graph().PostEvent(TEvent{EC_DVD_DOMAIN_CHANGE, DVD_DOMAIN_VideoManagerMenu, 0});
  dispatcher.RunAll();
  EXPECT_TRUE(dsh->IsDVDMenu());
  EXPECT_EQ(dsh->GetDuration(), 10'000'000) << "a menu tells no length";

  engine.log.clear();
  dsh->SeekTo(0);
  dsh->SeekTo(37'235'000'000LL); // 3,723.5 s
  dsh->SeekTo(-5);
  EXPECT_EQ(engine.log,
            (std::vector<std::string>{"DVD.ShowMenu(2)#1", "DVD.WaitCommand(#1, 1000)", "DVD.PlayAtTime(1:02:03.1)",
                                      "DVD.ShowMenu(2)#2", "DVD.WaitCommand(#2, 1000)"}))
      << "0 and below show the title menu; no media seeking at all";

  engine.log.clear();
  dsh->DVDPlayTitle(3);
  dsh->DVDPlayTitle(0);
  dsh->DVDPlayTitle(2);
  dsh->DVDSelectAudio(1);
  EXPECT_EQ(engine.log, (std::vector<std::string>{"DVD.PlayTitle(2)", "DVD.SelectAudioStream(1)"}));
  disc.domain = DVD_DOMAIN_Title;
  disc.languages = {"en", "de"};
  Graph().PostEvent(TEvent{EC_DVD_DOMAIN_CHANGE, DVD_DOMAIN_Title, 0});
  Graph().PostEvent(TEvent{EC_DVD_CURRENT_HMSF_TIME, TDvdTime{0, 1, 2, 20}.Packed(), 0});
  dispatcher.RunAll();
  EXPECT_FALSE(dsh->IsDVDMenu());
  EXPECT_EQ(dsh->GetDuration(), 10'000'000) << "the title's length is not known yet";
  disc.total = TDvdTime{0, 4, 0, 12};
  EXPECT_EQ(dsh->GetDuration(), 2'400'000'000LL) << "asked again once known; frames are not counted";
  EXPECT_EQ(dsh->GetPosition(), 620'000'000);
  EXPECT_EQ(dsh->DVDTitleCount(), 2);
  ASSERT_EQ(dsh->DVDAudioLanguages(), 2);
  EXPECT_EQ(dsh->DVDLanguageNames(), (std::vector<std::string>{"<en>", "<de>"}));
  dsh->DVDSelectAt(300, 200);
  dsh->DVDActivateAt(520, 250);
  EXPECT_EQ(disc.selected, (std::vector<std::pair<double, double>>{{300, 200}}));
  EXPECT_EQ(disc.activated, (std::vector<std::pair<double, double>>{{520, 250}}));

  dsh->FreeGraph();
  EXPECT_FALSE(dsh->IsDVDMenu());
  EXPECT_EQ(dsh->DVDTitleCount(), 0);
  EXPECT_EQ(dsh->GetPosition(), 0);
  EXPECT_TRUE(codecDialogs.empty());
}

TEST_F(Control, ADiscWithoutItsComponentsNamesThemThenRaisesTheDecoderError) {
  engine.script.dvd = true;
  engine.script.dvdMissing = {"dvdspu (gstreamer1.0-plugins-bad)"};
  dsh->isDVD = true;
  try {
    dsh->CreateBuilder();
    FAIL() << "no error raised";
  } catch (const EZvError& e) {
    EXPECT_EQ(e.Scope(), "DVDBuilder.RenderDVDVideoVolume(NIL)");
    EXPECT_NE(std::string(e.what()).find("DVD decoders was not found."), std::string::npos) << e.what();
  }
  EXPECT_EQ(codecDialogs, (std::vector<std::vector<std::string>>{{"dvdspu (gstreamer1.0-plugins-bad)"}}))
      << "the dialog comes first";
  // An engine that plays no discs at all says so at the step that found it out.
  engine.script.dvd = false;
  engine.script.dvdMissing.clear();
  try {
    dsh->FreeGraph();
    dsh->CreateBuilder();
    FAIL() << "no error raised";
  } catch (const EZvError& e) {
    EXPECT_EQ(e.Scope(), "DVDBuilder.GetDVDInterface(IDVDControl2)");
  }
}
