// The graph builder over the real engine: fallbacks, the codec request and a decoder that comes as
// a plug-in file in the program's plug-in folder.
#include "../engine/media_helpers.h"
#include "playback/engine/gst_engine.h"
#include "playback/graph_builder.h"
#include "playback/player.h"
#include "playback_helpers.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

using namespace zv;

namespace {
struct RealBuilder : ::testing::Test {
  eng::TGstEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  zvtest::TempDir dir;
  std::vector<std::string> alerts;
  std::unique_ptr<TDirectShowHelper> dsh;

  void SetUp() override {
    TEngineHost host;
    host.prefs = &prefs;
    host.dispatcher = &dispatcher;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
    dsh->CreateBuilder();
  }
  TAdvancedGraphBuilder Make(const std::string& exeDir) {
    TAdvancedGraphBuilder::THost h;
    h.prefs = &prefs;
    h.exeDir = exeDir;
    h.tempDir = dir.str() + "/";
    h.alert = [this](const std::string& t) { alerts.push_back(t); };
    return TAdvancedGraphBuilder(*dsh, h);
  }
  // Runs the graph until it completes (false when the time runs out), counting the pictures shown.
  // Plays to the end; `frames` pictures were shown, the first of them at `firstTime` (-1: none).
  bool PlayToEnd(int seconds, int& frames, int64_t* firstTime = nullptr) {
    std::atomic<int> shown{0};
    std::atomic<int64_t> first{-1};
    struct Out : eng::IVideoOutput {
      std::atomic<int>& n; // counted on the streaming thread
      std::atomic<int64_t>& first;
      Out(std::atomic<int>& c, std::atomic<int64_t>& f) : n(c), first(f) {}
      void PresentFrame(eng::TVideoFrame frame) override {
        if (n++ == 0)
          first = frame.time;
      }
      void ClearFrame() override {}
    } out(shown, first);
    dsh->SetOwner(&out);
    bool done = false;
    dsh->SetCompletionCallback([&] { done = true; });
    dsh->Run();
    zvtest::WaitUntil([&] { return done; }, std::chrono::seconds(seconds),
                      [this] {
                        dispatcher.RunAll();
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                      });
    dsh->SetOwner(nullptr);
    frames = shown.load();
    if (firstTime)
      *firstTime = first.load();
    return done;
  }
  int Count(const eng::TGuid& cls) {
    int n = 0;
    for (eng::IFilter* f : dsh->Graph()->EnumFilters())
      n += f->ClassId() == cls ? 1 : 0;
    return n;
  }
};
} // namespace

TEST_F(RealBuilder, FilesTheEngineKnowsRenderWhole) {
  TAdvancedGraphBuilder b = Make(dir.str() + "/");
  EXPECT_TRUE(b.Render(zvtest::Media("theora_vorbis.mkv")));
  EXPECT_TRUE(b.AllRendered());
  EXPECT_EQ(b.CodecRequest(), "ext=mkv");
}

TEST_F(RealBuilder, AnUndecodableStreamIsNamedInTheCodecRequest) {
  TAdvancedGraphBuilder b = Make(dir.str() + "/");
  EXPECT_TRUE(b.Render(zvtest::Media("unknown_fourcc.avi")));
  EXPECT_TRUE(b.Rendered());
  EXPECT_FALSE(b.AllRendered());
  EXPECT_EQ(b.CodecRequest(), "vidc=44434241");
  // The same kind of stream with a plug-in decoder missing from the folder.
  dsh->FreeGraph();
  dsh->CreateBuilder();
  TAdvancedGraphBuilder c = Make(dir.str() + "/");
  EXPECT_TRUE(c.Render(zvtest::Media("xdiv.avi")));
  EXPECT_FALSE(c.AllRendered());
  EXPECT_EQ(c.CodecRequest(), "vidc=56494478");
  EXPECT_TRUE(alerts.empty());
}

TEST_F(RealBuilder, ADecoderFromThePluginFolderTakesTheStream) {
  const char* home = std::getenv("ZV_TEST_PLUGIN_HOME");
  ASSERT_NE(home, nullptr);
  TAdvancedGraphBuilder b = Make(home);
  ASSERT_TRUE(b.Render(zvtest::Media("xdiv.avi")));
  EXPECT_TRUE(b.AllRendered()) << b.CodecRequest();
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(Count(eng::classes::VideoRenderer), 1);
  bool named = false;
  for (eng::IFilter* f : dsh->Graph()->EnumFilters())
    named = named || f->Name() == "DivX Decoder 4.12";
  EXPECT_TRUE(named);
  // It plays to the end with pictures from the first one on: the stream restarted once its decoder
  // joined. (How many pictures are shown depends on the machine's load: late ones are dropped.)
  int frames = 0;
  int64_t first = -1;
  EXPECT_TRUE(PlayToEnd(30, frames, &first));
  EXPECT_GT(frames, 0);
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 5'000'000) << "the first picture shown is the film's first";
}

TEST_F(RealBuilder, AnAviTheEngineRejectsFallsBackToTheSplitter) {
  // Fast rendering skips the engine's own file rendering for AVI files: the reader and splitter
  // are built by hand and their streams rendered.
  prefs.SetBool("Modules.DirectShow.FastRender", true);
  TAdvancedGraphBuilder b = Make(dir.str() + "/");
  EXPECT_TRUE(b.Render(zvtest::Media("mjpg_pcm.avi")));
  EXPECT_TRUE(b.AllRendered()) << b.CodecRequest();
  EXPECT_EQ(Count(eng::classes::AviSplitter), 1);
  EXPECT_EQ(Count(eng::classes::VideoRenderer), 1);
}

TEST_F(RealBuilder, AnAviWithADamagedIndexPlaysWholeFromTheOwnSource) {
  // The engine's splitter would trust the index and play a smear with a moment of sound.
  for (const char* name : {"avi/shifted_index.avi", "avi/half_index.avi"}) {
    SCOPED_TRACE(name);
    dsh->FreeGraph();
    dsh->CreateBuilder();
    TAdvancedGraphBuilder b = Make(dir.str() + "/");
    ASSERT_TRUE(b.Render(zvtest::Media(name)));
    EXPECT_TRUE(b.AllRendered()) << b.CodecRequest();
    EXPECT_EQ(Count(eng::classes::AdvancedAVISource), 1);
    EXPECT_EQ(Count(eng::classes::AviSplitter), 0);
    EXPECT_NEAR(static_cast<double>(dsh->GetDuration()), 60'000'000.0, 1'000'000.0);
    int frames = 0;
    EXPECT_TRUE(PlayToEnd(30, frames));
    EXPECT_GE(frames, 140) << "six seconds at 25 pictures a second";
  }
}

TEST_F(RealBuilder, AnAviTheSplitterRefusesPlaysFromTheOwnSource) {
  TAdvancedGraphBuilder b = Make(dir.str() + "/");
  ASSERT_TRUE(b.Render(zvtest::Media("avi/hdrl_last.avi")));
  EXPECT_TRUE(b.AllRendered()) << b.CodecRequest();
  EXPECT_EQ(Count(eng::classes::AdvancedAVISource), 1);
  EXPECT_EQ(Count(eng::classes::AviSplitter), 0);
  bool named = false;
  for (eng::IFilter* f : dsh->Graph()->EnumFilters())
    named = named || f->Name() == "Advanced AVI Source";
  EXPECT_TRUE(named);
  // The picture's size is known before anything has flowed, from the source's stream format.
  dsh->CheckForAV();
  EXPECT_TRUE(dsh->HasVideo());
  EXPECT_EQ(dsh->VideoWidth(), 160);
  int frames = 0;
  EXPECT_TRUE(PlayToEnd(30, frames)) << "plays to the end";
  EXPECT_GE(frames, 140) << "with its pictures (150 frames)";
}

TEST_F(RealBuilder, JoinedPartsRenderAsOneSourceOfTheirWholeLength) {
  TAdvancedGraphBuilder b = Make(dir.str() + "/");
  ASSERT_TRUE(b.RenderMultiSource(
      {zvtest::Media("avi/film1.avi"), zvtest::Media("avi/film2.avi"), zvtest::Media("avi/film3.avi")}));
  EXPECT_TRUE(b.AllRendered()) << b.CodecRequest();
  EXPECT_EQ(b.CodecRequest(), "proc=MultiLoad");
  EXPECT_EQ(Count(eng::classes::MultiAVISource), 1);
  EXPECT_EQ(Count(eng::classes::VideoRenderer), 1);
  dsh->Pause();
  int64_t duration = 0;
  ASSERT_EQ(dsh->Graph()->GetDuration(duration), eng::S_OK);
  EXPECT_EQ(duration, 120'000'000);
  // A seek into the second part lands there.
  eng::TFilterState state;
  dsh->Graph()->GetState(5000, state);
  dsh->SeekTo(65'000'000);
  dsh->Graph()->GetState(5000, state);
  EXPECT_NEAR(static_cast<double>(dsh->GetPosition()), 65'000'000.0, 400'000.0);

  // A list of names none of which is an AVI file leaves nothing in the graph.
  dsh->FreeGraph();
  dsh->CreateBuilder();
  TAdvancedGraphBuilder c = Make(dir.str() + "/");
  EXPECT_FALSE(c.RenderMultiSource({zvtest::Media("vorbis.ogg"), dir.file("missing.avi")}));
  EXPECT_EQ(Count(eng::classes::MultiAVISource), 0);
}

TEST(PlayerKeyFrames, AreReadFromTheVideoIndexOfWholeAviFilesOnly) {
  TCachedFile gop(zvtest::Media("avi/gop10.avi"));
  std::vector<int64_t> keys = TPlayer::LoadKeyFrames(gop);
  ASSERT_EQ(keys.size(), 8u);
  for (size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(keys[i], static_cast<int64_t>(i) * 100'000'000);
  // The player's opening skip snaps to them: a mark at 33 s goes just past the key frame of 30 s.
  EXPECT_EQ(TPlayer::OpeningSkipTarget(800'000'000, 330'000'000, 800'000'000, &keys), 300'000'010);

  zvtest::TempDir dir;
  std::string whole = zvtest::ReadFile(zvtest::Media("avi/gop10.avi"));
  zvtest::WriteFile(dir.file("cut.avi"), whole.substr(0, whole.size() / 2));
  TCachedFile cut(dir.file("cut.avi"));
  EXPECT_TRUE(TPlayer::LoadKeyFrames(cut).empty()) << "a file cut short gives none";
  TCachedFile ogg(zvtest::Media("vorbis.ogg"));
  EXPECT_TRUE(TPlayer::LoadKeyFrames(ogg).empty());
  // Without an index, every chunk would count as a key frame: none are loaded.
  TCachedFile noIndex(zvtest::Media("avi/ff_noindex.avi"));
  EXPECT_TRUE(TPlayer::LoadKeyFrames(noIndex).empty());
  // A film in three parts of 4 s, a key frame every second: the list covers every part, each
  // after the running time of the parts before it.
  IPlayerServices services;
  std::vector<int64_t> joined = services.LoadKeyFrames(
      {zvtest::Media("avi/film1.avi"), zvtest::Media("avi/film2.avi"), zvtest::Media("avi/film3.avi")});
  ASSERT_EQ(joined.size(), 12u);
  for (size_t i = 0; i < joined.size(); ++i)
    EXPECT_EQ(joined[i], static_cast<int64_t>(i) * 10'000'000) << i;
}
