#include "core/format.h"
#include "filters/video_process.h"
#include "filters/video_sink.h"
#include "media_helpers.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_graph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>

using namespace eng;
using zvtest::Media;
using namespace std::chrono_literals;

namespace {

struct CountingOutput : IVideoOutput {
  std::atomic<int> frames{0};
  std::atomic<int> width{0}, height{0};
  std::atomic<bool> cleared{false};
  std::mutex lock;
  TVideoFrame last;
  void PresentFrame(TVideoFrame f) override {
    width = f.width;
    height = f.height;
    if (!f.Empty())
      ++frames;
    std::lock_guard<std::mutex> guard(lock);
    last = std::move(f);
  }
  // The last picture drawn at the given size into BGRx memory, as 0xRRGGBB per pixel.
  std::vector<uint32_t> Draw(int w, int h) {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h), 0);
    if (last.Empty() || !last.draw || !last.draw(reinterpret_cast<uint8_t*>(pixels.data()), w * 4, w, h))
      return {};
    return pixels;
  }
  void ClearFrame() override { cleared = true; }
};

std::vector<IPin*> FreeOutputPins(IGraph& g) {
  std::vector<IPin*> free;
  for (IFilter* f : g.EnumFilters())
    for (IPin* p : f->Pins())
      if (p->Direction() == TPinDirection::Output && !p->ConnectedTo())
        free.push_back(p);
  return free;
}

int CountClass(IGraph& g, const TGuid& cls) {
  int n = 0;
  for (IFilter* f : g.EnumFilters())
    n += f->ClassId() == cls ? 1 : 0;
  return n;
}

struct Engine : ::testing::Test {
  TGstEngine engine;
};

} // namespace

TEST_F(Engine, EveryTestFileRendersCompletely) {
  struct Case {
    const char* file;
    int video, audio;
  };
  for (Case c : {Case{"mpeg4_mp3.avi", 1, 1}, Case{"mjpg_pcm.avi", 1, 1}, Case{"theora_vorbis.mkv", 1, 1},
                 Case{"vorbis.ogg", 0, 1}, Case{"xing.mp3", 0, 1}, Case{"cbr.mp3", 0, 1}, Case{"pcm.wav", 0, 1}}) {
    auto g = engine.CreateGraph();
    HRESULT hr = g->RenderFile(Media(c.file));
    EXPECT_EQ(hr, S_OK) << c.file << " " << zv::Format("%.8x", hr);
    EXPECT_EQ(CountClass(*g, classes::VideoRenderer), c.video) << c.file;
    EXPECT_EQ(CountClass(*g, classes::DirectSoundRenderer), c.audio) << c.file;
    EXPECT_TRUE(FreeOutputPins(*g).empty()) << c.file;
  }
}

TEST_F(Engine, UnknownCodecsLeaveFreePinsWithTheirCodes) {
  {
    auto g = engine.CreateGraph();
    EXPECT_EQ(g->RenderFile(Media("unknown_fourcc.avi")), VFW_S_PARTIAL_RENDER);
    EXPECT_EQ(CountClass(*g, classes::DirectSoundRenderer), 1);
    auto free = FreeOutputPins(*g);
    ASSERT_EQ(free.size(), 1u);
    auto types = free[0]->MediaTypes();
    ASSERT_FALSE(types.empty());
    EXPECT_TRUE(types[0].IsVideo());
    EXPECT_TRUE(types[0].HasVideoInfo());
    EXPECT_EQ(zv::Format("vidc=%.8x", types[0].SubtypeFourCC()), "vidc=44434241");
    EXPECT_EQ(g->Render(free[0]), VFW_E_CANNOT_RENDER);
  }
  {
    auto g = engine.CreateGraph();
    EXPECT_EQ(g->RenderFile(Media("unknown_wavetag.avi")), VFW_S_PARTIAL_RENDER);
    EXPECT_EQ(CountClass(*g, classes::VideoRenderer), 1);
    auto free = FreeOutputPins(*g);
    ASSERT_EQ(free.size(), 1u);
    auto types = free[0]->MediaTypes();
    ASSERT_FALSE(types.empty());
    EXPECT_TRUE(types[0].HasWaveFormat());
    EXPECT_EQ(zv::Format("audc=%.4x", types[0].WaveFormat().formatTag), "audc=1234");
  }
}

TEST_F(Engine, MissingAndBrokenFilesFail) {
  auto g = engine.CreateGraph();
  EXPECT_TRUE(Failed(g->RenderFile("/nonexistent/file.avi")));
  std::string junk = ::testing::TempDir() + "/junk.avi";
  FILE* f = std::fopen(junk.c_str(), "wb");
  for (int i = 0; i < 5000; ++i)
    std::fputc(i * 7 % 251, f);
  std::fclose(f);
  auto g2 = engine.CreateGraph();
  EXPECT_TRUE(Failed(g2->RenderFile(junk)));
}

TEST_F(Engine, PlaysToTheEndAndShowsPictures) {
  auto g = engine.CreateGraph();
  ASSERT_EQ(g->RenderFile(Media("mpeg4_mp3.avi")), S_OK);
  CountingOutput out;
  g->SetVideoOutput(&out);
  int w = 0, h = 0;
  EXPECT_EQ(g->GetVideoSize(w, h), S_OK);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  int64_t dur = 0;
  ASSERT_EQ(g->Run(), S_OK);
  EXPECT_TRUE(zvtest::WaitForEvent(*g, EC_COMPLETE, 20s));
  ASSERT_EQ(g->GetDuration(dur), S_OK);
  EXPECT_NEAR(static_cast<double>(dur), 3.0e7, 1.0e6);
  EXPECT_GE(out.frames.load(), 60);
  EXPECT_EQ(out.width.load(), 320);
  // The decoder's picture converts into BGRx at its own size and scaled: colour bars, the first
  // light grey, the last blue, with an opaque fourth byte.
  auto near = [](uint32_t px, uint32_t want) {
    for (int shift : {0, 8, 16, 24})
      if (std::abs(static_cast<int>((px >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 16)
        return false;
    return true;
  };
  for (auto [dw, dh] : {std::pair{320, 240}, std::pair{160, 120}, std::pair{641, 479}}) {
    std::vector<uint32_t> px = out.Draw(dw, dh);
    ASSERT_EQ(px.size(), static_cast<size_t>(dw * dh)) << dw;
    EXPECT_PRED2(near, px[static_cast<size_t>(dh / 4 * dw + dw / 28)], 0xFFFFFFFFu) << dw;
    EXPECT_PRED2(near, px[static_cast<size_t>(dh / 4 * dw + dw - 1 - dw / 28)], 0xFF0000FFu) << dw;
  }
  EXPECT_TRUE(out.Draw(0, 10).empty());
  TFilterState st;
  g->GetState(0, st);
  EXPECT_EQ(st, State_Running);
  g->SetVideoOutput(nullptr);
  EXPECT_TRUE(out.cleared);
}

TEST_F(Engine, StopKeepsThePositionAndSeekingMovesIt) {
  auto g = engine.CreateGraph();
  ASSERT_EQ(g->RenderFile(Media("mjpg_pcm.avi")), S_OK);
  ASSERT_EQ(g->Pause(), S_OK);
  EXPECT_TRUE(zvtest::WaitForEvent(*g, EC_PAUSED, 20s));
  ASSERT_EQ(g->SetPositions(20'000'000, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning), S_OK);
  TFilterState st;
  g->GetState(2000, st);
  int64_t pos = 0;
  g->GetCurrentPosition(pos);
  EXPECT_NEAR(static_cast<double>(pos), 2.0e7, 0.5e6);
  ASSERT_EQ(g->Stop(), S_OK);
  g->GetState(2000, st);
  EXPECT_EQ(st, State_Stopped);
  g->GetCurrentPosition(pos);
  EXPECT_NEAR(static_cast<double>(pos), 2.0e7, 0.5e6);
  // A key-frame seek lands on a key frame at or before the position (every frame is one here).
  ASSERT_EQ(g->SetPositions(10'000'000, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, 0, 0), S_OK);
  g->GetState(2000, st);
  g->GetCurrentPosition(pos);
  EXPECT_LE(pos, 10'000'000 + 400'000);
  EXPECT_GE(pos, 9'000'000);
}

TEST_F(Engine, PostedEventsArriveInOrderAndNotify) {
  auto g = engine.CreateGraph();
  std::atomic<int> notified{0};
  g->SetEventNotify([&] { ++notified; });
  std::thread poster([&] {
    for (int i = 0; i < 200; ++i)
      g->PostEvent(TEvent{1000 + i, i, -i});
  });
  poster.join();
  std::vector<int> codes;
  TEvent e;
  while (g->GetEvent(e))
    codes.push_back(e.code);
  ASSERT_EQ(codes.size(), 200u);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(codes[static_cast<size_t>(i)], 1000 + i);
  EXPECT_GE(notified.load(), 1);
}

TEST_F(Engine, EveryMessageTakenFromTheBusIsFreed) {
  // A stream with a title in each metadata block posts a thousand tag messages a second: a
  // reference kept on each is a megabyte a second.
  auto g = engine.CreateGraph();
  auto* graph = dynamic_cast<TGstGraph*>(g.get());
  ASSERT_NE(graph, nullptr);
  GstBus* bus = gst_element_get_bus(graph->Pipeline());
  std::vector<GstMessage*> sent;
  for (int i = 0; i < 3; ++i) {
    GstTagList* tags = gst_tag_list_new(GST_TAG_TITLE, "Band - Song", nullptr);
    GstMessage* m = gst_message_new_tag(GST_OBJECT(graph->Pipeline()), tags);
    sent.push_back(gst_message_ref(m)); // the test's own reference
    gst_bus_post(bus, m);
  }
  gst_object_unref(bus);
  TEvent e;
  while (g->GetEvent(e)) {
  }
  for (GstMessage* m : sent) {
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(m), 1) << "only the test holds the message";
    gst_message_unref(m);
  }
}

TEST_F(Engine, FiltersHaveNamesClassesAndPins) {
  auto g = engine.CreateGraph();
  ASSERT_EQ(g->RenderFile(Media("mpeg4_mp3.avi")), S_OK);
  auto filters = g->EnumFilters();
  std::set<std::string> names;
  bool sawDecoder = false;
  for (IFilter* f : filters) {
    names.insert(f->Name());
    for (IPin* p : f->Pins()) {
      EXPECT_EQ(p->Owner(), f);
      if (IPin* peer = p->ConnectedTo()) {
        EXPECT_EQ(peer->ConnectedTo(), p) << f->Name() << ":" << p->Name();
        EXPECT_NE(peer->Direction(), p->Direction());
      }
    }
    // The video decoder: compressed video in, raw video out.
    IPin* in = nullptr;
    IPin* out = nullptr;
    for (IPin* p : f->Pins())
      (p->Direction() == TPinDirection::Input ? in : out) =
          (p->Direction() == TPinDirection::Input ? (in ? in : p) : (out ? out : p));
    TMediaType a, b;
    if (in && out && Succeeded(in->ConnectionMediaType(a)) && Succeeded(out->ConnectionMediaType(b)) && a.IsVideo() &&
        b.IsVideo() && a.caps.find("x-raw") == std::string::npos && b.caps.find("x-raw") != std::string::npos) {
      sawDecoder = true;
      EXPECT_EQ(a.VideoInfo().avgTimePerFrame, 400'000) << a.caps;
    }
  }
  EXPECT_TRUE(sawDecoder);
  EXPECT_TRUE(names.count("Video Renderer"));
  EXPECT_TRUE(names.count("Default DirectSound Device"));
  EXPECT_EQ(filters.back()->ClassId(), classes::AsyncFileReader); // the first added comes last
  // Display names are made unique.
  auto r1 = engine.CreateFilter(classes::NullRenderer);
  auto r2 = engine.CreateFilter(classes::NullRenderer);
  ASSERT_TRUE(r1 && r2);
  EXPECT_EQ(g->AddFilter(r1, "Extra"), S_OK);
  EXPECT_EQ(g->AddFilter(r2, "Extra"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(r2->Name(), "Extra 0001");
  EXPECT_EQ(g->RemoveFilter(r1.get()), S_OK);
  EXPECT_EQ(g->RemoveFilter(r1.get()), VFW_E_NOT_IN_GRAPH);
}

TEST_F(Engine, RemovingEveryFilterEmptiesTheGraph) {
  auto g = engine.CreateGraph();
  ASSERT_EQ(g->RenderFile(Media("theora_vorbis.mkv")), S_OK);
  int guard = 0;
  while (!g->EnumFilters().empty() && guard++ < 100) {
    IFilter* f = g->EnumFilters().front();
    for (IPin* p : f->Pins())
      if (IPin* peer = p->ConnectedTo()) {
        g->Disconnect(peer);
        g->Disconnect(p);
      }
    ASSERT_EQ(g->RemoveFilter(f), S_OK);
  }
  EXPECT_TRUE(g->EnumFilters().empty());
}

TEST_F(Engine, BuildingByHandWithASourceAndASplitter) {
  auto g = engine.CreateGraph();
  std::shared_ptr<IFilter> src;
  ASSERT_EQ(g->AddSourceFilter(Media("mpeg4_mp3.avi"), "File Reader", &src), S_OK);
  EXPECT_EQ(src->ClassId(), classes::AsyncFileReader);
  auto splitter = engine.CreateFilter(classes::AviSplitter);
  ASSERT_TRUE(splitter);
  ASSERT_EQ(g->AddFilter(splitter, "AVI Splitter"), S_OK);
  ASSERT_EQ(g->ConnectDirect(src->Pins().front(), splitter->Pins().front(), nullptr), S_OK);
  // The splitter shows its streams once connected; each renders through its decoder.
  int outputs = 0;
  for (IPin* p : splitter->Pins())
    if (p->Direction() == TPinDirection::Output) {
      ++outputs;
      EXPECT_EQ(g->Render(p), S_OK) << p->Name();
    }
  EXPECT_EQ(outputs, 2);
  EXPECT_EQ(g->Run(), S_OK);
  EXPECT_TRUE(zvtest::WaitForEvent(*g, EC_COMPLETE, 20s));
}

TEST_F(Engine, WithoutASoundDeviceTheAudioIsNotRendered) {
  ::setenv("ZELVAR_AUDIO_SINK", "alsasink device=hw:99,0", 1);
  auto a = engine.CreateGraph();
  EXPECT_EQ(a->RenderFile(Media("pcm.wav")), VFW_E_NO_AUDIO_HARDWARE);
  auto av = engine.CreateGraph();
  EXPECT_EQ(av->RenderFile(Media("mjpg_pcm.avi")), VFW_S_AUDIO_NOT_RENDERED);
  ::setenv("ZELVAR_AUDIO_SINK", "fakeaudiosink sync=true", 1);
}

TEST_F(Engine, VolumeAndBalanceReachTheRenderer) {
  auto g = engine.CreateGraph();
  ASSERT_EQ(g->RenderFile(Media("pcm.wav")), S_OK);
  EXPECT_EQ(g->SetVolume(-2000), S_OK);
  EXPECT_EQ(g->SetBalance(5000), S_OK);
  auto video = engine.CreateGraph();
  ASSERT_EQ(video->RenderFile(Media("mpeg4_mp3.avi")), S_OK);
  EXPECT_EQ(video->SetVolume(0), S_OK);
}

TEST_F(Engine, TheVideoProcessorInTheGraphTakesThePicturesAndBlendsTheOverlay) {
  auto g = engine.CreateGraph();
  std::shared_ptr<IFilter> proc = engine.CreateFilter(classes::VideoProcessor);
  ASSERT_TRUE(proc);
  EXPECT_EQ(engine.FilterFriendlyName(classes::VideoProcessor), "Video Processor");
  ASSERT_EQ(g->AddFilter(proc, "Video Processor"), S_OK);
  std::shared_ptr<zv::TVideoProcSettings> settings = proc->ProcessorSettings();
  ASSERT_TRUE(settings);
  // Black everywhere but a white block of the on-screen display.
  settings->brightness = -100;
  settings->saturation = -100;
  const zv::TYVImageCreator creator;
  const std::vector<uint32_t> white(40 * 20, 0xFFFFFF);
  settings->osd->Replace({{1, 10, creator.CreateImage(white.data(), 40, 20, 40, std::nullopt)}});
  // Active once a picture went through (which the graph's preroll may already do).
  EXPECT_FALSE(settings->active);
  ASSERT_EQ(g->RenderFile(Media("mpeg4_mp3.avi")), S_OK);
  ASSERT_EQ(proc->Pins().size(), 2u);
  for (IPin* pin : proc->Pins())
    EXPECT_TRUE(pin->ConnectedTo()) << pin->Name() << ": the pictures go through the processor";
  CountingOutput out;
  g->SetVideoOutput(&out);
  ASSERT_EQ(g->Run(), S_OK);
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (out.frames.load() < 5 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(20ms);
  ASSERT_GE(out.frames.load(), 5);
  EXPECT_TRUE(settings->active);
  const std::vector<uint32_t> px = out.Draw(320, 240);
  ASSERT_EQ(px.size(), 320u * 240u);
  auto level = [&](int x, int y) { return px[static_cast<size_t>(y * 320 + x)] & 0xFF; };
  EXPECT_LT(level(160, 120), 20u) << "the picture is black";
  EXPECT_LT(level(300, 60), 20u);
  EXPECT_GT(level(20, 20), 230u) << "the overlay is on top";
  g->Stop();
  g->SetVideoOutput(nullptr);
}

TEST_F(Engine, FilterClassesAreDescribedFromTheirFactories) {
  const TFilterDescription avi = engine.DescribeFilter(classes::AviSplitter);
  EXPECT_EQ(avi.friendlyName, "Avi demuxer");
  EXPECT_EQ(avi.merit, 0x800000u) << "a primary element is preferred";
  EXPECT_NE(avi.file.find("libgstavi"), std::string::npos) << avi.file;
  EXPECT_NE(avi.company.find("GStreamer"), std::string::npos) << avi.company;
  const TFilterDescription own = engine.DescribeFilter(classes::VideoProcessor);
  EXPECT_EQ(own.friendlyName, "Video Processor");
  EXPECT_EQ(own.merit, 0x200000u) << "never picked automatically";
  EXPECT_EQ(own.file, "(built in)");
  const TFilterDescription unknown = engine.DescribeFilter(TGuid::FromName("no such class"));
  EXPECT_EQ(unknown.friendlyName, "?");
  EXPECT_EQ(unknown.file, "?");
}
