// The graph builder over the real engine: fallbacks, the codec request and a decoder that comes as
// a plug-in file in the program's plug-in folder.
#include "../engine/media_helpers.h"
#include "playback/engine/gst_engine.h"
#include "playback/graph_builder.h"
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
  // It plays to the end with pictures.
  std::atomic<int> frames{0};
  struct Out : eng::IVideoOutput {
    std::atomic<int>& n; // counted on the streaming thread
    explicit Out(std::atomic<int>& c) : n(c) {}
    void PresentFrame(eng::TVideoFrame) override { ++n; }
    void ClearFrame() override {}
  } out(frames);
  dsh->SetOwner(&out);
  bool done = false;
  dsh->SetCompletionCallback([&] { done = true; });
  dsh->Run();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    dispatcher.RunAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(done);
  EXPECT_GE(frames.load(), 60); // from the first picture on: the stream restarted once its decoder joined
  dsh->SetOwner(nullptr);
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
