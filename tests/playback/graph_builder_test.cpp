#include "playback/graph_builder.h"

#include "playback/engine/fake_engine.h"
#include "playback_helpers.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace zv;
using namespace eng;
using eng::fake::TFakeEngine;
using eng::fake::TFakeFilter;
using eng::fake::TFakeGraph;
using eng::fake::TFakePin;
namespace fs = std::filesystem;

namespace {

const std::string kAviHead("RIFF\x10\0\0\0AVI LIST", 16);

TMediaType VideoType(const char* fourcc) {
  TVideoInfo vi;
  vi.width = 320;
  vi.height = 240;
  vi.compression = MakeFourCC(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
  return TMediaType::Video(TGuid::FromFourCC(vi.compression), vi);
}

TMediaType AudioType(uint16_t tag) {
  TWaveFormat wf;
  wf.formatTag = tag;
  wf.channels = 2;
  wf.samplesPerSec = 44100;
  return TMediaType::Audio(TGuid::FromFourCC(tag), wf);
}

struct Builder : ::testing::Test {
  TFakeEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  zvtest::TempDir dir;
  TLanguageManager lang;
  std::vector<std::string> alerts;
  std::unique_ptr<TDirectShowHelper> dsh;

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    TEngineHost host;
    host.prefs = &prefs;
    host.dispatcher = &dispatcher;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
    engine.knownClasses[classes::AsyncFileReader] = "File Source (Async.)";
    engine.knownClasses[classes::AviSplitter] = "AVI Splitter";
    engine.knownClasses[classes::DivXDecoder] = "DivX Decoder";
    engine.knownClasses[classes::VideoRenderer] = "Video Renderer";
  }
  void TearDown() override {
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  std::unique_ptr<TAdvancedGraphBuilder> MakeBuilder() {
    dsh->CreateBuilder();
    TAdvancedGraphBuilder::THost h;
    h.prefs = &prefs;
    h.exeDir = dir.str() + "/";
    h.tempDir = dir.str() + "/tmp/";
    fs::create_directories(h.tempDir);
    h.alert = [this](const std::string& t) { alerts.push_back(t); };
    return std::make_unique<TAdvancedGraphBuilder>(*dsh, h);
  }
  std::string File(const std::string& name, const std::string& head) {
    std::string path = dir.file(name);
    zvtest::WriteFile(path, head + std::string(64, '\0'));
    return path;
  }
  // A source with output pins of the given types, as the engine would leave after a partial render.
  static TFakeFilter* AddSource(TFakeGraph& g, std::vector<std::pair<std::string, TMediaType>> outs) {
    auto f = std::make_shared<TFakeFilter>(classes::AviSplitter, "Splitter");
    for (auto& [name, type] : outs)
      f->AddPin(name, TPinDirection::Output, {type});
    g.AddFilter(f, "Splitter");
    return f.get();
  }
  void AddPlugin(const std::string& relative, const std::string& factory, const std::string& name) {
    std::string path = dir.str() + "/Plugins/GStreamer/" + relative;
    fs::create_directories(fs::path(path).parent_path());
    zvtest::WriteFile(path, "ELF");
    engine.plugins[path][ClassOfFactory(factory).ToString()] = name;
  }
  bool Logged(const std::string& prefix) {
    for (auto& l : engine.log)
      if (l.rfind(prefix, 0) == 0)
        return true;
    return false;
  }
};

} // namespace

TEST(CodecKeys, VideoKeysSpellTheFourCCBackwardsInHex) {
  EXPECT_EQ(TAdvancedGraphBuilder::VideoCodecKey(MakeFourCC('D', 'I', 'V', '3')), "vidc=33564944");
  EXPECT_EQ(TAdvancedGraphBuilder::VideoCodecKey(MakeFourCC('M', 'J', 'P', 'G')), "vidc=47504A4D");
}

TEST(AviSynth, ScriptPlaceholdersInAnyCase) {
  EXPECT_EQ(TAdvancedGraphBuilder::MakeAviSynthScript("AVISource({SOURCE})\nLoadPlugin(\"{plugs}/x.dll\")\n{Source}",
                                                      "/m/film.avi", "/zv/Plugins/AviSynth"),
            "AVISource(\"/m/film.avi\")\nLoadPlugin(\"/zv/Plugins/AviSynth/x.dll\")\n\"/m/film.avi\"");
}

TEST_F(Builder, TheEnginesCompleteRenderIsEnough) {
  std::string file = File("film.MKV", "\x1A\x45\xDF\xA3");
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(file));
  EXPECT_TRUE(b->AllRendered());
  EXPECT_EQ(b->CodecRequest(), "ext=MKV");
  EXPECT_FALSE(Logged("CreateFilter(AVI Splitter)"));
}

TEST_F(Builder, AnAviTheEngineRejectsGoesToTheSplitterThenTheOwnSource) {
  std::string file = File("film.avi", kAviHead);
  engine.script.defaultRender = E_FAIL;
  // The splitter cannot be connected: the own AVI source is the next try, and it is not there yet.
  engine.knownClasses.erase(classes::AviSplitter);
  auto b = MakeBuilder();
  EXPECT_FALSE(b->Render(file));
  EXPECT_FALSE(b->AllRendered());
  EXPECT_TRUE(Logged("RenderFile(" + file + ")"));
  EXPECT_TRUE(dsh->Graph()->EnumFilters().empty());
}

TEST_F(Builder, FastRenderNeverGivesAnAviToTheEngine) {
  prefs.SetBool("Modules.DirectShow.FastRender", true);
  std::string file = File("film.avi", kAviHead);
  auto b = MakeBuilder();
  b->Render(file);
  EXPECT_FALSE(Logged("RenderFile("));
  // The splitter path took over: reader and splitter are in the graph, connected.
  EXPECT_TRUE(Logged("CreateFilter(AVI Splitter)"));
  std::vector<std::string> names;
  for (IFilter* f : dsh->Graph()->EnumFilters())
    names.push_back(f->Name());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"AVI Splitter", "File Reader"}));
}

TEST_F(Builder, AnOggWithoutItsSplitterFailsWithTheExtensionAsWritten) {
  std::string file = File("x.ogg", "OggS");
  engine.script.defaultRender = VFW_E_UNSUPPORTED_STREAM;
  auto b = MakeBuilder();
  EXPECT_FALSE(b->Render(file));
  EXPECT_EQ(b->CodecRequest(), "ext=ogg");
}

TEST_F(Builder, APartialRenderNamesTheLastStreamNoDecoderTook) {
  std::string file = File("film.avi", kAviHead);
  engine.script.renderFileHook = [](TFakeGraph& g, const std::string&) {
    AddSource(g, {{"Video", VideoType("DIV3")}, {"Audio", AudioType(0x2000)}});
    return VFW_S_PARTIAL_RENDER;
  };
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(file));
  EXPECT_TRUE(b->Rendered());
  EXPECT_FALSE(b->AllRendered());
  EXPECT_EQ(b->CodecRequest(), "audc=2000");
  EXPECT_TRUE(alerts.empty());
}

TEST_F(Builder, APluginDecoderTakesThePinAndItsFolderJoinsThePath) {
  AddPlugin("XviD/libgstxvid.so", "xviddec", "XviD Decoder");
  std::string pathBefore = std::getenv("PATH") ? std::getenv("PATH") : "";
  std::string file = File("film.avi", kAviHead);
  engine.script.renderFileHook = [](TFakeGraph& g, const std::string&) {
    AddSource(g, {{"Video", VideoType("XVID")}});
    return VFW_S_PARTIAL_RENDER;
  };
  // The pin renders once the plug-in's decoder is in the graph.
  engine.script.renderPinHook = [](TFakeGraph& g, IPin*) {
    for (IFilter* f : g.EnumFilters())
      if (f->Name() == "XviD Decoder")
        return S_OK;
    return VFW_E_CANNOT_RENDER;
  };
  for (int i = 0; i < 2; ++i) {
    auto b = MakeBuilder();
    EXPECT_TRUE(b->Render(file));
    EXPECT_TRUE(b->AllRendered());
    dsh->FreeGraph();
  }
  std::string folder = dir.str() + "/Plugins/GStreamer/XviD/";
  // Every creation appends the folder again.
  EXPECT_EQ(std::string(std::getenv("PATH")), pathBefore + ":" + folder + ":" + folder);
  ::setenv("PATH", pathBefore.c_str(), 1);
}

TEST_F(Builder, APluginThatCannotBeLoadedAlertsAndTheNextTypeIsTried) {
  std::string path = dir.str() + "/Plugins/GStreamer/COL1/libgstcool1c32.so";
  fs::create_directories(fs::path(path).parent_path());
  zvtest::WriteFile(path, "not a plug-in");
  std::string file = File("film.avi", kAviHead);
  engine.script.renderFileHook = [](TFakeGraph& g, const std::string&) {
    auto f = std::make_shared<TFakeFilter>(classes::AviSplitter, "Splitter");
    f->AddPin("Video", TPinDirection::Output, {VideoType("COL1"), VideoType("IV50")});
    g.AddFilter(f, "Splitter");
    return VFW_S_PARTIAL_RENDER;
  };
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(file));
  EXPECT_FALSE(b->AllRendered());
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0], " ! TFilterLibrary.CreateFilter: GetCO failed for \"" + path + "\"");
  EXPECT_EQ(b->CodecRequest(), TAdvancedGraphBuilder::VideoCodecKey(MakeFourCC('I', 'V', '5', '0')));
}

TEST_F(Builder, TheLibraryTableKnowsKeysExactlyAndLaterRowsWin) {
  auto b = MakeBuilder();
  TFilterLibrary& lib = b->Library();
  AddPlugin("DivX/5.1.1/libgstdivxdec.so", "divxdec", "DivX");
  TFilterInfo info = lib.GetFilterInfo(TAdvancedGraphBuilder::VideoCodecKey(MakeFourCC('d', 'x', '5', '0')));
  EXPECT_EQ(info.name, "DivX Decoder 5.1.1");
  EXPECT_EQ(info.path, dir.str() + "/Plugins/GStreamer/DivX/5.1.1/libgstdivxdec.so");
  // A row whose file is missing gives no path, and unknown keys keep their own name.
  info = lib.GetFilterInfo("audc=0055");
  EXPECT_EQ(info.name, "audc=0055");
  EXPECT_TRUE(info.path.empty());
  info = lib.GetFilterInfo("AUDC=0055");
  EXPECT_TRUE(info.factory.empty());
  info = lib.GetFilterInfo("ext=OGG");
  EXPECT_EQ(info.folder, dir.str() + "/Plugins/GStreamer/Ogg/");
}

TEST_F(Builder, UnusedForcedFiltersAreNoStreamsAndComeBackAfterTheFallback) {
  const TGuid forced = *TGuid::Parse("{11111111-2222-3333-4444-555555555555}");
  engine.knownClasses[forced] = "Sharpen";
  prefs.SetString("Modules.DirectShow.ForceFilters", forced.ToString());
  std::string file = File("film.avi", kAviHead);
  std::vector<std::string> rendered;
  engine.script.renderFileHook = [](TFakeGraph& g, const std::string&) {
    AddSource(g, {{"Video", VideoType("DIV3")}});
    return VFW_S_PARTIAL_RENDER;
  };
  engine.script.renderPinHook = [&](TFakeGraph&, IPin* pin) {
    rendered.push_back(pin->Owner()->Name() + "." + pin->Name());
    return S_OK;
  };
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(file));
  EXPECT_TRUE(b->AllRendered());
  EXPECT_EQ(rendered, std::vector<std::string>{"Splitter.Video"});

  // After a failed engine render the graph is emptied; the forced filter is added again.
  engine.script.renderFileHook = nullptr;
  engine.script.defaultRender = E_FAIL;
  b->Render(File("other.xyz", "????"));
  bool found = false;
  for (IFilter* f : dsh->Graph()->EnumFilters())
    found = found || f->Name() == "Plugin: Sharpen";
  EXPECT_TRUE(found);
}

TEST_F(Builder, FastRenderWiresThePinItWasGiven) {
  prefs.SetBool("Modules.DirectShow.FastRender", true);
  TFakePin* video = nullptr;
  engine.script.renderFileHook = [&](TFakeGraph& g, const std::string&) {
    TFakeFilter* src = AddSource(g, {{"Audio", AudioType(0x0001)}, {"Video", VideoType("divx")}});
    video = static_cast<TFakePin*>(src->Pins()[1]);
    return VFW_S_PARTIAL_RENDER;
  };
  engine.script.renderPinHook = [](TFakeGraph&, IPin*) { return S_OK; };
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(File("film.mkv", "\x1A\x45\xDF\xA3")));
  ASSERT_NE(video, nullptr);
  ASSERT_NE(video->ConnectedTo(), nullptr);
  EXPECT_EQ(video->ConnectedTo()->Owner()->Name(), "DivX decoder");
  EXPECT_TRUE(b->AllRendered());
}

TEST_F(Builder, AviSynthWrapsTheFileInAScript) {
  fs::create_directories(dir.path() / "Plugins/AviSynth");
  zvtest::WriteFile(dir.file("Plugins/AviSynth/DidezUvezur.avs"), "AVISource({SOURCE})\r\n");
  prefs.SetBool("Modules.AviSynth.Enabled", true);
  std::string file = File("film.avi", kAviHead);
  auto b = MakeBuilder();
  EXPECT_TRUE(b->Render(file));
  std::string script = dir.str() + "/tmp/Temp.avs";
  EXPECT_TRUE(Logged("RenderFile(" + script + ")"));
  EXPECT_EQ(zvtest::ReadFile(script), "AVISource(\"" + file + "\")\r\n");
  EXPECT_EQ(b->CodecRequest(), "ext=avi"); // the request still names the file's own extension
}

TEST_F(Builder, JoinedPartsWaitForTheirOwnSource) {
  auto b = MakeBuilder();
  EXPECT_FALSE(b->RenderMultiSource({"/m/film1.avi", "/m/film2.avi"}));
  EXPECT_EQ(b->CodecRequest(), "proc=MultiLoad");
}
