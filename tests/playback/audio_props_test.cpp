// The sound controls over the scripted engine: per-stream volume, balance and the audible stream,
// the equalizer's model and stages, and the output switch.
#include "commands/model_manager.h"
#include "core/error.h"
#include "playback/audio_props.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/fake_engine.h"
#include "playback/sound_out.h"
#include "playback/sub_voice_player.h"
#include "playback_helpers.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;
using namespace eng;
using eng::fake::TFakeEngine;
using eng::fake::TFakeFilter;

namespace {

struct Sound : ::testing::Test {
  TFakeEngine engine;
  zvtest::MapPrefs prefs;
  TModelManager models;
  TLanguageManager lang;
  std::vector<std::string> osd;
  std::unique_ptr<TDirectShowHelper> dsh;
  int mainVolume = 100;
  std::shared_ptr<TFakeFilter> splitter;
  std::vector<std::shared_ptr<TFakeFilter>> renderers, decoders;

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    TEngineHost host;
    host.prefs = &prefs;
    dsh = std::make_unique<TDirectShowHelper>(engine, host);
    engine.knownClasses[classes::DMOWrapper] = "ParamEq";
    engine.knownClasses[classes::DirectSoundRenderer] = "Default DirectSound Device";
    dsh->CreateBuilder();
  }
  void TearDown() override {
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  // A splitter with k sound streams, each decoded to PCM and rendered.
  void Streams(int k) {
    splitter = std::make_shared<TFakeFilter>(TGuid::FromName("split"), "Splitter");
    dsh->Graph()->AddFilter(splitter, "Splitter");
    const TMediaType pcm = TMediaType::Audio(TGuid::FromFourCC(1), TWaveFormat{});
    for (int i = 0; i < k; ++i) {
      auto* out = splitter->AddPin("Audio " + std::to_string(i), TPinDirection::Output);
      auto dec = std::make_shared<TFakeFilter>(TGuid::FromName("dec"), "Decoder");
      dec->AddPin("In", TPinDirection::Input);
      dec->AddPin("Out", TPinDirection::Output, {pcm});
      std::shared_ptr<IFilter> r = engine.CreateFilter(classes::DirectSoundRenderer);
      dsh->Graph()->AddFilter(dec, "Decoder");
      dsh->Graph()->AddFilter(r, "Renderer");
      dsh->Graph()->ConnectDirect(out, dec->Pins()[0], nullptr);
      dsh->Graph()->ConnectDirect(dec->Pins()[1], r->Pins()[0], &pcm);
      decoders.push_back(dec);
      renderers.push_back(std::static_pointer_cast<TFakeFilter>(r));
    }
  }
  std::unique_ptr<TAudioPropsModel> Model() {
    TAudioPropsHost h;
    h.models = &models;
    h.dsh = dsh.get();
    h.prefs = &prefs;
    h.mainVolume = [this] { return mainVolume; };
    h.osd = [this](const std::string& t) { osd.push_back(t); };
    return std::make_unique<TAudioPropsModel>(h);
  }
  std::vector<int> Enabled(int k) {
    std::vector<int> e;
    for (int n = 0; n < k; ++n)
      e.push_back(models.GetInt("App.AudioProps.Enabled" + std::to_string(n)));
    return e;
  }
};

} // namespace

TEST_F(Sound, LevelsAndBalancesBecomeRendererHundredthsOfADecibel) {
  struct Case {
    int level;
    long volume;
  } volumes[] = {{100, 0}, {50, -2000}, {1, -3960}, {0, -10000}, {-5, -10000}, {130, 0}};
  for (const Case& c : volumes)
    EXPECT_EQ(RendererVolume(c.level), c.volume) << c.level;
  struct Pan {
    int position;
    long balance;
  } pans[] = {{50, 0}, {25, -1000}, {99, 1960}, {1, -1960}, {0, -10000}, {100, 10000}};
  for (const Pan& p : pans)
    EXPECT_EQ(RendererBalance(p.position), p.balance) << p.position;

  // Through the model: the main volume, each stream's own volume, enabled and mute multiply.
  Streams(2);
  auto model = Model();
  EXPECT_EQ(renderers[0]->volume, 0);
  EXPECT_EQ(renderers[1]->volume, -10000) << "only the first stream is heard";
  mainVolume = 50;
  models.SetInt("App.AudioProps.Balance0", 1);
  EXPECT_EQ(renderers[0]->volume, -2000);
  EXPECT_EQ(renderers[0]->balance, -1960);
  models.SetInt("App.AudioProps.Volume0", 50);
  EXPECT_EQ(renderers[0]->volume, RendererVolume(25));
  prefs.SetBool("FrontEnd.Mute", true);
  model->Apply();
  EXPECT_EQ(renderers[0]->volume, -10000);
  // The Decoder command of a stream opens the settings of its own decoder.
  EXPECT_EQ(dsh->FindAudioDecoder(0), decoders[0].get());
  EXPECT_EQ(dsh->FindAudioDecoder(1), decoders[1].get());
  EXPECT_EQ(dsh->FindAudioDecoder(2), nullptr);
  model.reset();
  EXPECT_EQ(models.GetModel("App.AudioProps.Enabled0"), nullptr) << "the models go with the file";
}

TEST_F(Sound, ThePreferredStreamAndSwitchingToTheNext) {
  struct Case {
    int streams, preferred;
    std::vector<int> enabled;
  } cases[] = {
      {3, 1, {0, 1, 0}},    {3, 5, {1, 0, 0}}, {3, 2, {0, 0, 1}}, {3, 0x102, {0, 0, 1}}, // the low byte counts
      {3, 0xFF, {1, 0, 0}},                                                              // -1
      {1, 1, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.streams << " streams, preferred " << c.preferred);
    dsh->CreateBuilder();
    renderers.clear();
    Streams(c.streams);
    prefs.SetInt("Sound.DefaultStream", c.preferred);
    auto model = Model();
    EXPECT_EQ(Enabled(c.streams), c.enabled);
  }
  // Streams 0 and 2 of three heard: the highest is the current one and the next wraps to 0.
  dsh->CreateBuilder();
  renderers.clear();
  Streams(3);
  prefs.SetInt("Sound.DefaultStream", 0);
  auto model = Model();
  models.SetInt("App.AudioProps.Enabled0", 1);
  models.SetInt("App.AudioProps.Enabled2", 1);
  model->NextStream();
  EXPECT_EQ(Enabled(3), (std::vector<int>{1, 0, 0}));
  model->NextStream();
  EXPECT_EQ(Enabled(3), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(osd.back(), "Audio stream: 2 of 3");
  EXPECT_EQ(renderers[1]->volume, 0);
  EXPECT_EQ(renderers[0]->volume, -10000);
  model.reset();
  dsh->CreateBuilder();
  Model()->NextStream();
  EXPECT_EQ(osd.back(), "No audio streams");
}

TEST_F(Sound, EqualizerStagesBetweenTheDecoderAndTheRendererFollowTheBands) {
  // Without a renderer only the first lines are written; an unconnected renderer raises.
  dsh->InsertParamEq(3);
  EXPECT_EQ(dsh->Graph()->EnumFilters().size(), 0u);
  auto lonely = engine.CreateFilter(classes::DirectSoundRenderer);
  dsh->Graph()->AddFilter(lonely, "Renderer");
  try {
    dsh->InsertParamEq(3);
    FAIL() << "no error raised";
  } catch (const EZvError& e) {
    EXPECT_EQ(e.Scope(), "RndInPin.ConnectedTo");
  }
  dsh->CreateBuilder();
  renderers.clear();
  decoders.clear();
  Streams(1);
  dsh->InsertParamEq(3);
  // Decoder → three stages → renderer, each link with the decoder's type.
  IPin* pin = decoders[0]->Pins()[1];
  for (int i = 0; i < 3; ++i) {
    IFilter* stage = pin->ConnectedTo()->Owner();
    ASSERT_EQ(stage->ClassId(), classes::DMOWrapper) << i;
    pin = TDirectShowHelper::FirstPin(stage, TPinDirection::Output);
  }
  EXPECT_EQ(pin->ConnectedTo()->Owner(), renderers[0].get());

  prefs.SetInt("Sound.Equalizer.Band1.Val", 62);
  prefs.SetInt("Sound.Equalizer.Band2.Val", 40);
  auto eq = std::make_unique<TEqModel>(models, *dsh, &prefs, [this](const std::string& t) { osd.push_back(t); });
  EXPECT_EQ(osd.back(), "EQ - 50:62:40:") << "a band never saved is flat";
  models.SetInt("App.Equalizer.Band0", 0);
  models.SetInt("App.Equalizer.Band2", 100);
  std::vector<TParamEqParams> p(3);
  for (int i = 0; i < 3; ++i)
    dsh->FindFilterByClassIndex(classes::DMOWrapper, i)->ParamEq()->GetAllParameters(p[i]);
  EXPECT_FLOAT_EQ(p[0].centre, 100.0f);
  EXPECT_FLOAT_EQ(p[0].gain, -15.0f);
  EXPECT_FLOAT_EQ(p[1].centre, 600.0f);
  EXPECT_FLOAT_EQ(p[1].gain, 62 * 30.0f / 100 - 15);
  EXPECT_FLOAT_EQ(p[2].centre, 12000.0f);
  EXPECT_FLOAT_EQ(p[2].gain, 15.0f);
  EXPECT_FLOAT_EQ(p[2].bandwidth, 36.0f);
  models.Execute("App.Equalizer.Reset");
  EXPECT_EQ(osd.back(), "EQ - 50:50:50:");
  dsh->FindFilterByClassIndex(classes::DMOWrapper, 2)->ParamEq()->GetAllParameters(p[2]);
  EXPECT_FLOAT_EQ(p[2].gain, 0.0f);
  models.SetInt("App.Equalizer.Band1", 70);
  eq.reset();
  EXPECT_EQ(prefs.GetInt("Sound.Equalizer.Band1.Val"), 70) << "the bands are kept";
  EXPECT_EQ(models.GetModel("App.Equalizer.Band1"), nullptr);
}

TEST_F(Sound, TheOutputSwitchTakesTheChosenDeviceFedByTheSameOutput) {
  engine.devices.push_back({"Speakers", classes::DirectSoundRenderer});
  engine.devices.push_back({"Headphones", classes::DirectSoundRenderer});
  Streams(2);
  std::vector<std::string> names;
  TSoundOut out(*dsh, &prefs);
  out.DeviceList(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Default DirectSound Device", "Speakers", "Headphones"}));
  // No device of the name: nothing changes.
  prefs.SetString("Sound.OutDevice", "Gone");
  EXPECT_TRUE(out.ChosenDevice().IsNull());
  out.SwitchOutput();
  EXPECT_EQ(dsh->FindAudioRenderer(0), renderers[0].get());
  // Both streams move, each fed by its own decoder as before.
  prefs.SetString("Sound.OutDevice", "headphones");
  out.SwitchOutput();
  ASSERT_EQ(dsh->CountAudioRenderers(), 2);
  for (int n = 0; n < 2; ++n) {
    IFilter* r = dsh->FindAudioRenderer(n);
    EXPECT_EQ(r->Name(), n == 0 ? "Forced: [headphones]" : "Forced: [headphones] 0001");
    EXPECT_EQ(TDirectShowHelper::UpstreamFilter(r), decoders[static_cast<size_t>(n)].get());
  }
  // A device that went away: the default output takes the sound.
  out.FallBackToDefault();
  EXPECT_EQ(dsh->FindAudioRenderer(1)->Name(), "Default DirectSound Device 0001");
  EXPECT_EQ(TDirectShowHelper::UpstreamFilter(dsh->FindAudioRenderer(1)), decoders[1].get());
}

TEST_F(Sound, VoiceClipsPlayOnceEachAndMissingOnesAreSkipped) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.str() + "/0003.mp3", "ID3");
  TSubVoicePlayer voice(engine, dir.str() + "/");
  EXPECT_EQ(voice.ClipFile(7), dir.str() + "/0007.mp3");
  const auto renders = [&] {
    return std::count_if(engine.log.begin(), engine.log.end(),
                         [](const std::string& l) { return l.rfind("RenderFile(", 0) == 0; });
  };
  const auto before = renders();
  voice.PlayIndex(3);
  voice.PlayIndex(3);
  voice.PlayIndex(4); // no such clip
  EXPECT_EQ(renders() - before, 1);
  EXPECT_EQ(engine.lastGraph->State(), State_Running);
}

namespace {
// A splitter that selects one of its streams: video, then three sound streams.
struct Selecting : TFakeFilter, IStreamSelect {
  std::vector<bool> enabled{true, false, true, false};
  std::vector<bool> audio{false, true, true, true};
  std::vector<std::string>* log;
  explicit Selecting(std::vector<std::string>* l) : TFakeFilter(TGuid::FromName("mpeg split"), "Splitter"), log(l) {}
  IStreamSelect* StreamSelect() override { return this; }
  int Count() override { return static_cast<int>(enabled.size()); }
  bool Info(int i, std::string& name, bool& on, TMediaType* mt) override {
    if (i < 0 || i >= Count())
      return false;
    name = "Stream " + std::to_string(i);
    on = enabled[static_cast<size_t>(i)];
    if (mt)
      mt->majortype = audio[static_cast<size_t>(i)] ? guids::MEDIATYPE_Audio : guids::MEDIATYPE_Video;
    return true;
  }
  HRESULT Enable(int i) override {
    for (size_t n = 1; n < enabled.size(); ++n)
      enabled[n] = static_cast<int>(n) == i;
    log->push_back("Enable(" + std::to_string(i) + ")");
    return S_OK;
  }
};
} // namespace

TEST_F(Sound, TheNextStreamOfASelectingSplitterWrapsAndARunningGraphRunsOn) {
  auto split = std::make_shared<Selecting>(&engine.log);
  dsh->Graph()->AddFilter(split, "Splitter");
  dsh->Run();
  dsh->NextAudioStream();
  EXPECT_EQ(split->enabled, (std::vector<bool>{true, false, false, true}))
      << "the next sound stream after the heard one";
  EXPECT_EQ(engine.lastGraph->State(), State_Running);
  dsh->Pause();
  dsh->NextAudioStream();
  EXPECT_EQ(split->enabled, (std::vector<bool>{true, true, false, false})) << "past the last, back to the first";
  EXPECT_EQ(engine.lastGraph->State(), State_Stopped) << "stopped for the change, not run again";
}
