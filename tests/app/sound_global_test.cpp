// The main volume, the system mixer behind it and the remote-control click.
#include "app/sound_global.h"
#include "core/resources.h"
#include "map_prefs.h"
#include "playback/engine/fake_engine.h"
#include "skin/language_manager.h"

#include <gtest/gtest.h>

#include <map>

using namespace zv;

namespace {

// A mixer whose lines hold plain values and remember every write.
struct FakeMixer : IMixerBackend {
  std::map<TLine, uint32_t>* values;
  std::vector<std::pair<TLine, uint32_t>>* writes;
  std::optional<uint32_t> Read(TLine line) override {
    auto it = values->find(line);
    return it == values->end() ? std::nullopt : std::optional<uint32_t>(it->second);
  }
  void Write(TLine line, uint32_t value) override {
    (*values)[line] = value;
    writes->push_back({line, value});
  }
};

struct Volume : ::testing::Test {
  zvtest::MapPrefs prefs;
  eng::fake::TFakeEngine engine;
  TLanguageManager lang;
  std::vector<std::string> osd;
  std::map<IMixerBackend::TLine, uint32_t> lines{{IMixerBackend::TLine::Master, 30000},
                                                 {IMixerBackend::TLine::Wave, 20000}};
  std::vector<std::pair<IMixerBackend::TLine, uint32_t>> writes;
  int opened = 0;
  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
  }
  void TearDown() override { SetLanguageManager(nullptr); }
  std::unique_ptr<TSoundGlobal> Make() {
    TSoundGlobalHost h;
    h.prefs = &prefs;
    h.engine = &engine;
    h.osd = [this](const std::string& t) { osd.push_back(t); };
    h.openMixer = [this]() -> std::unique_ptr<IMixerBackend> {
      ++opened;
      auto m = std::make_unique<FakeMixer>();
      m->values = &lines;
      m->writes = &writes;
      return m;
    };
    return std::make_unique<TSoundGlobal>(std::move(h));
  }
};

using TLine = IMixerBackend::TLine;

} // namespace

TEST_F(Volume, TheMainVolumeIsStoredShownAndReachesTheSystemMixerWhichComesBackAtExit) {
  auto sound = Make();
  sound->SetMainVolume(130);
  EXPECT_EQ(prefs.GetInt("Sound.Volume"), 100);
  EXPECT_EQ(osd.back(), "Volume: 100%");
  sound->muted = true;
  sound->SetMainVolume(-4);
  EXPECT_EQ(prefs.GetInt("Sound.Volume"), 0);
  EXPECT_EQ(osd.back(), "Volume: 0% (X)");
  EXPECT_EQ(opened, 0) << "the system volume is left alone unless asked for";
  sound.reset();
  EXPECT_TRUE(writes.empty());

  prefs.SetBool("Sound.VolumeMaster", true);
  prefs.SetBool("Sound.VolumeWave", true);
  sound = Make();
  sound->SetMainVolume(85);
  sound->SetMainVolume(40);
  EXPECT_EQ(TMixer::ValueOfPercent(85), 55704u);
  EXPECT_EQ(writes, (std::vector<std::pair<TLine, uint32_t>>{
                        {TLine::Master, 55704}, {TLine::Wave, 55704}, {TLine::Master, 26214}, {TLine::Wave, 26214}}));
  writes.clear();
  sound.reset();
  EXPECT_EQ(writes, (std::vector<std::pair<TLine, uint32_t>>{{TLine::Master, 30000}, {TLine::Wave, 20000}}));
  EXPECT_EQ(opened, 1);
}

TEST_F(Volume, TheClickIsTheResourceAfterItsHeaderScaledWithoutWrapping) {
  const std::optional<std::string_view> wave = FindResource("Click");
  ASSERT_TRUE(wave);
  ASSERT_EQ(wave->substr(0, 4), "RIFF");
  const std::vector<int16_t> click = TSoundGlobal::ClickSamples(*wave);
  EXPECT_EQ(click.size(), (wave->size() - 48) / 2);
  const std::vector<int16_t> samples{32767, -32768, -3, 3, 0};
  struct Case {
    int percent;
    std::vector<int16_t> want;
  } cases[] = {
      {100, {32767, -32768, -3, 3, 0}},
      {150, {32767, -32768, -3, 3, 0}}, // no wrap into noise
      {50, {16383, -16384, -1, 1, 0}},  // toward zero
      {0, {0, 0, 0, 0, 0}},
      {-20, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TSoundGlobal::Scaled(samples, c.percent), c.want) << c.percent;
  // Without a sound output the click is silent, and each click tries the output again.
  auto sound = Make();
  sound->PlayClick();
  EXPECT_FALSE(sound->Opened());
}
