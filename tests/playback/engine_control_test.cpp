// The engine control over the real engine: generated files played into fake sinks.
#include "../engine/media_helpers.h"
#include "core/format.h"
#include "icy_server.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_graph.h"
#include "playback_helpers.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;
using namespace std::chrono_literals;

namespace {
struct RealControl : ::testing::Test {
  eng::TGstEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  std::unique_ptr<TDirectShowHelper> dsh;
  void SetUp() override {
    TEngineHost host;
    host.prefs = &prefs;
    host.dispatcher = &dispatcher;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
  }
  // Pumps queued engine events until the condition holds or the time is up.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return zvtest::WaitUntil(done, limit, [this] {
      dispatcher.RunAll();
      std::this_thread::sleep_for(5ms);
    });
  }
};
} // namespace

TEST_F(RealControl, OpensPlaysAndCompletesOnce) {
  dsh->CreateBuilder();
  ASSERT_EQ(dsh->RenderFile(zvtest::Media("mpeg4_mp3.avi")), eng::S_OK);
  dsh->CheckForAV();
  EXPECT_TRUE(dsh->HasVideo());
  EXPECT_TRUE(dsh->HasAudio());
  EXPECT_EQ(dsh->VideoWidth(), 320);
  EXPECT_EQ(dsh->VideoHeight(), 240);
  dsh->DetectVideoFPS();
  EXPECT_EQ(dsh->FrameTime(), 400'000);
  EXPECT_NEAR(static_cast<double>(dsh->GetDuration()), 3.0e7, 1.0e6);
  EXPECT_FALSE(dsh->DurationIsFallback());
  int completions = 0;
  dsh->SetCompletionCallback([&] { ++completions; });
  dsh->Run();
  EXPECT_TRUE(PumpUntil([&] { return completions > 0; }, 20s));
  PumpUntil([] { return false; }, 100ms); // a second completion would come now
  EXPECT_EQ(completions, 1);
  dsh->FreeGraph();
  EXPECT_EQ(dsh->Graph(), nullptr);
}

TEST_F(RealControl, SeeksAreHeldToTheFile) {
  dsh->CreateBuilder();
  ASSERT_EQ(dsh->RenderFile(zvtest::Media("mjpg_pcm.avi")), eng::S_OK);
  dsh->Pause();
  eng::TFilterState st;
  dsh->Graph()->GetState(3000, st);
  dsh->SeekTo(-10'000'000);
  dsh->Graph()->GetState(3000, st);
  EXPECT_LT(dsh->GetPosition(), 500'000);
  dsh->SeekTo(100 * 10'000'000LL);
  dsh->Graph()->GetState(3000, st);
  EXPECT_NEAR(static_cast<double>(dsh->GetPosition()), static_cast<double>(dsh->GetDuration()), 1.0e6);
}

TEST_F(RealControl, AnAudioOnlyFileHasNoVideo) {
  dsh->CreateBuilder();
  ASSERT_EQ(dsh->RenderFile(zvtest::Media("vorbis.ogg")), eng::S_OK);
  dsh->CheckForAV();
  EXPECT_FALSE(dsh->HasVideo());
  EXPECT_TRUE(dsh->HasAudio());
  EXPECT_EQ(dsh->FindVideoDecoder(), nullptr);
  dsh->DetectVideoFPS();
  EXPECT_EQ(dsh->FrameTime(), 400'000);
}

TEST(EngineEvents, ANotificationNeverComesBeforeItsEvent) {
  // A dispatcher that runs work at once, on the posting thread, as if the user-interface thread
  // answered instantly: an event must already be waiting when its notification is handled.
  struct Immediate : IUiDispatcher {
    void Post(std::function<void()> work) override { work(); }
  } immediate;
  eng::TGstEngine engine;
  TEngineHost host;
  host.dispatcher = &immediate;
  TDirectShowHelper dsh(engine, host);
  dsh.CreateBuilder();
  int seen = 0;
  dsh.eventHook = [&](const eng::TEvent& e) { seen += e.code == 5000 ? 1 : 0; };
  for (int i = 0; i < 50; ++i)
    dsh.Graph()->PostEvent(eng::TEvent{5000, i, 0});
  EXPECT_EQ(seen, 50);
}

TEST_F(RealControl, ANetworkStreamTellsItsStationAndWhatItPlays) {
  // A repeated header keeps its last value; one longer than 4 KiB is cut.
  std::string longUrl = "http://radio.example/" + std::string(6000, 'u');
  zvtest::StreamServer server(
      zvtest::Station(zvtest::ReadFile(zvtest::Media("cbr.mp3")), {"Band - Söng", "", "N/A"},
                      "icy-error: Nearly full\r\nicy-name: Radio Zet 2\r\nicy-url: " + longUrl + "\r\n"));
  std::vector<std::string> captions, osd;
  TEngineHost host;
  host.prefs = &prefs;
  host.dispatcher = &dispatcher;
  host.setCaption = [&](const std::string& t) { captions.push_back(t); };
  host.showOSD = [&](const std::string& t) { osd.push_back(t); };
  host.playlistTitle = [] { return std::string("Radio from the list"); };
  dsh = std::make_unique<TDirectShowHelper>(engine, host);
  dsh->CreateBuilder();
  std::optional<eng::HRESULT> done;
  dsh->SetRenderDoneCallback([&](eng::HRESULT hr) { done = hr; });
  // The server is reached in the background; the result comes as an event.
  ASSERT_EQ(dsh->RenderFile(server.Url()), eng::E_PENDING);
  EXPECT_TRUE(dsh->IsURL());
  EXPECT_TRUE(dsh->RenderPending());
  ASSERT_TRUE(PumpUntil([&] { return done.has_value(); }, 20s));
  ASSERT_EQ(*done, eng::S_OK);
  EXPECT_FALSE(dsh->RenderPending());
  dsh->Run();
  // The headers come first; the titles as the metadata blocks pass, the one without text
  // changing nothing and "N/A" giving the playlist's title.
  ASSERT_TRUE(PumpUntil([&] { return dsh->NetStream().title == "Radio from the list"; }, 15s))
      << "title: " << dsh->NetStream().title;
  const TNetStreamInfo& n = dsh->NetStream();
  EXPECT_EQ(n.stationName, "Radio Zet 2");
  EXPECT_EQ(n.genre, "Jazz");
  EXPECT_EQ(n.stationUrl, longUrl.substr(0, 4093) + "...");
  EXPECT_EQ(n.bitRate, "128");
  // While it connects the caption tells so (and how far the buffer has filled).
  ASSERT_GE(captions.size(), 3u);
  EXPECT_EQ(captions.front(), "Connecting to URL..");
  std::vector<std::string> titles;
  for (size_t i = 1; i < captions.size(); ++i)
    if (captions[i].rfind(" Prebuffering [ ", 0) != 0)
      titles.push_back(captions[i]);
  EXPECT_EQ(titles, (std::vector<std::string>{"Band - Söng", "Radio from the list"}));
  EXPECT_EQ(osd, (std::vector<std::string>{"Nearly full", "Band - Söng", "Radio from the list"}));
  dsh->FreeGraph();
  EXPECT_EQ(dsh->NetStream().stationName, "Radio Zet 2") << "kept until the next stream's headers";
}

TEST_F(RealControl, AStreamThatCannotBePlayedEndsWithItsCauseInWords) {
  TLanguageManager lang;
  LoadProgramLanguage(lang, "English", "/");
  SetLanguageManager(&lang);
  using Kind = zvtest::StreamScript::Kind;
  auto script = [](Kind kind, int status = 404, std::string location = {}) {
    zvtest::StreamScript s;
    s.kind = kind;
    s.status = status;
    s.location = std::move(location);
    return s;
  };
  struct Case {
    const char* what;
    std::optional<zvtest::StreamScript> server; // none: nothing listens
    eng::HRESULT result;
    const char* words;
  };
  const Case cases[] = {
      {"nothing listening", std::nullopt, eng::ZV_E_CONNECTION_REFUSED, "connection refused"},
      {"HTTP 404", script(Kind::Status, 404), eng::HttpStatusResult(404), "HTTP 404"},
      {"HTTP 500", script(Kind::Status, 500), eng::HttpStatusResult(500), "HTTP 500"},
      {"not HTTP", script(Kind::Garbage), eng::ZV_E_NOT_HTTP, "the server's answer is not an HTTP or ICY answer"},
      {"a web page", script(Kind::Page), eng::VFW_E_UNKNOWN_FILE_TYPE, "not a media stream"},
      {"a redirect loop", script(Kind::Redirect), eng::ZV_E_REDIRECT_FAILED,
       "a redirection that leads in a loop or away from http and https"},
      {"a redirect to ftp", script(Kind::Redirect, 0, "ftp://127.0.0.1/a.mp3"), eng::ZV_E_REDIRECT_FAILED,
       "a redirection that leads in a loop or away from http and https"},
      {"never answers", script(Kind::Silent), eng::ZV_E_NO_ANSWER, "no answer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<zvtest::StreamServer> server;
    if (c.server)
      server = std::make_unique<zvtest::StreamServer>(*c.server);
    std::string url = server ? server->Url() : zvtest::StreamServer::RefusingUrl();
    dsh->CreateBuilder();
    // A server that never answers is given up after a second and a half here (15 s in use).
    dynamic_cast<eng::TGstGraph&>(*dsh->Graph()).SetNetworkLimits({1500, 1500, 30000});
    std::optional<eng::HRESULT> done;
    dsh->SetRenderDoneCallback([&](eng::HRESULT hr) { done = hr; });
    ASSERT_EQ(dsh->RenderFile(url), eng::E_PENDING);
    ASSERT_TRUE(PumpUntil([&] { return done.has_value(); }, 20s));
    EXPECT_EQ(*done, c.result) << Format("%.8x", *done);
    EXPECT_EQ(dsh->StreamFailureText(*done), c.words);
    dsh->FreeGraph();
  }
  SetLanguageManager(nullptr);
}

TEST_F(RealControl, AStreamThatStopsSendingHasEnded) {
  zvtest::StreamScript s;
  s.kind = zvtest::StreamScript::Kind::Stall;
  s.audio = zvtest::ReadFile(zvtest::Media("cbr.mp3"));
  s.stallAfter = 48 * 1024; // three seconds of sound, then nothing
  zvtest::StreamServer server(s);
  dsh->CreateBuilder();
  dynamic_cast<eng::TGstGraph&>(*dsh->Graph()).SetNetworkLimits({15000, 15000, 1000});
  std::optional<eng::HRESULT> done;
  dsh->SetRenderDoneCallback([&](eng::HRESULT hr) { done = hr; });
  int completions = 0;
  dsh->SetCompletionCallback([&] { ++completions; });
  ASSERT_EQ(dsh->RenderFile(server.Url()), eng::E_PENDING);
  ASSERT_TRUE(PumpUntil([&] { return done.has_value(); }, 20s));
  ASSERT_EQ(*done, eng::S_OK);
  dsh->Run();
  // Ends once, like a file that ended, a second after the data stopped.
  EXPECT_TRUE(PumpUntil([&] { return completions > 0; }, 20s));
  dsh->Pause();
  PumpUntil([] { return false; }, 1500ms);
  EXPECT_EQ(completions, 1);
}
