// The DVD navigator over the test suite's own disc (tools/make-test-dvd.sh): a title menu with two
// buttons, title 1 with English sound, title 2 with English at 440 Hz and German at 1000 Hz.
#include "media_helpers.h"
#include "playback/engine/gst_dvd_navigator.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_graph.h"

#include <gst/audio/audio.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

using namespace eng;
using zvtest::Media;
using namespace std::chrono_literals;

namespace {

// Counts the rising zero crossings of the first channel of the disc's sound, as the pitch heard.
struct TPitch {
  std::atomic<int64_t> crossings{0}, samples{0};
  std::atomic<int> rate{48000};
  std::atomic<float> last{0}; // the pad is fed by a new thread after each jump
  static GstPadProbeReturn Probe(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    auto* p = static_cast<TPitch*>(self);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstAudioInfo ai;
    bool ok = caps && gst_audio_info_from_caps(&ai, caps);
    if (caps)
      gst_caps_unref(caps);
    GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
    GstMapInfo map;
    if (!ok || !b || !gst_buffer_map(b, &map, GST_MAP_READ))
      return GST_PAD_PROBE_OK;
    int channels = GST_AUDIO_INFO_CHANNELS(&ai);
    size_t frames = map.size / GST_AUDIO_INFO_BPF(&ai);
    for (size_t i = 0; i < frames; ++i) {
      float v = GST_AUDIO_INFO_FORMAT(&ai) == GST_AUDIO_FORMAT_F32LE
                    ? reinterpret_cast<const float*>(map.data)[i * channels]
                    : reinterpret_cast<const int16_t*>(map.data)[i * channels] / 32768.0f;
      if (p->last < 0 && v >= 0)
        ++p->crossings;
      p->last = v;
    }
    p->samples += static_cast<int64_t>(frames);
    p->rate = GST_AUDIO_INFO_RATE(&ai);
    gst_buffer_unmap(b, &map);
    return GST_PAD_PROBE_OK;
  }
  void Reset() { crossings = samples = 0; }
  double Hz() const { return samples ? crossings * static_cast<double>(rate) / samples : 0; }
};

struct Dvd : ::testing::Test {
  TPitch pitch; // outlives the graph, whose streaming threads write into it until the graph goes
  TGstEngine engine;
  std::unique_ptr<IGraph> g = engine.CreateGraph();
  IDvdControl* dvd = g->DvdControl();
  // Takes events until the predicate holds for one of them.
  bool WaitFor(const std::function<bool(const TEvent&)>& want, std::chrono::milliseconds limit = 8s) {
    return zvtest::WaitUntil(
        [&] {
          TEvent e;
          while (g->GetEvent(e))
            if (want(e))
              return true;
          return false;
        },
        limit);
  }
  bool WaitForDomain(TDvdDomain d) {
    return WaitFor([d](const TEvent& e) { return e.code == EC_DVD_DOMAIN_CHANGE && e.param1 == d; });
  }
  GstElement* DiscBin() {
    for (IFilter* f : g->EnumFilters())
      if (f->ClassId() == classes::DVDNavigator)
        return static_cast<TGstFilter*>(f)->Element();
    return nullptr;
  }
};

} // namespace

TEST_F(Dvd, TheDiscFolderIsFoundFromItsFileItsFolderOrTheFolderAbove) {
  std::string root = std::filesystem::absolute(Media("dvd")).lexically_normal().string();
  for (std::string name : {root, root + "/", root + "/VIDEO_TS", root + "/VIDEO_TS/VIDEO_TS.IFO"})
    EXPECT_EQ(DvdRoot(name), root) << name;
  EXPECT_EQ(DvdRoot(Media("mpeg4_mp3.avi")), "");
  EXPECT_EQ(DvdRoot(root + "/VIDEO_TS/missing"), "");
  EXPECT_TRUE(MissingDvdElements().empty()) << "the DVD elements are installed by scripts/install-deps.sh";
}

TEST_F(Dvd, TheMenuShowsItsButtonsPlayTitlesAndTheTitleMenuComesBack) {
  ASSERT_NE(dvd, nullptr);
  EXPECT_EQ(dvd->SetDVDDirectory(Media("mpeg4_mp3.avi")), ZV_E_NOT_A_DVD);
  ASSERT_EQ(dvd->SetDVDDirectory(Media("dvd/VIDEO_TS/VIDEO_TS.IFO")), S_OK);
  GstElement* bin = DiscBin();
  ASSERT_NE(bin, nullptr);
  GstPad* audio = gst_element_get_static_pad(bin, "audio");
  ASSERT_NE(audio, nullptr);
  gst_pad_add_probe(audio, GST_PAD_PROBE_TYPE_BUFFER, &TPitch::Probe, &pitch, nullptr);
  gst_object_unref(audio);
  ASSERT_EQ(g->Run(), S_OK);
  ASSERT_TRUE(WaitForDomain(DVD_DOMAIN_VideoManagerMenu)) << "the disc starts in its title menu";
  int titles = 0;
  ASSERT_EQ(dvd->GetNumberOfTitles(titles), S_OK);
  EXPECT_EQ(titles, 2);
  TDvdTime total;
  EXPECT_NE(dvd->GetTotalTitleTime(total), S_OK) << "a menu has no title time";
  EXPECT_EQ(dvd->PlayTitle(3), E_INVALIDARG);
  EXPECT_EQ(dvd->PlayTitle(0), E_INVALIDARG);

  // The right button, where the menu's picture has it, once the menu shows (the graph runs).
  TFilterState state{};
  EXPECT_EQ(g->GetState(10000, state), S_OK);
  EXPECT_EQ(dvd->SelectAtPosition(520, 250), S_OK);
  EXPECT_EQ(dvd->ActivateAtPosition(520, 250), S_OK);
  ASSERT_TRUE(WaitFor([](const TEvent& e) { return e.code == EC_DVD_TITLE_CHANGE && e.param1 == 2; }));
  TDvdDomain domain{};
  ASSERT_EQ(dvd->GetCurrentDomain(domain), S_OK);
  EXPECT_EQ(domain, DVD_DOMAIN_Title);
  ASSERT_EQ(dvd->GetTotalTitleTime(total), S_OK);
  EXPECT_EQ(total.Ticks(), 40'000'000) << int(total.seconds);
  // The title's language codes travel with its streams, which may reach the probe after the
  // title change was read from the disc.
  std::vector<std::string> languages;
  auto languagesBecome = [&](const std::vector<std::string>& codes) {
    return zvtest::WaitUntil([&] { return dvd->GetAudioLanguages(languages) == S_OK && languages == codes; }, 5s);
  };
  EXPECT_TRUE(languagesBecome({"en", "de"})) << languages.size();
  // The time code follows the title.
  ASSERT_TRUE(WaitFor(
      [](const TEvent& e) { return e.code == EC_DVD_CURRENT_HMSF_TIME && TDvdTime::Unpacked(e.param1).seconds >= 1; }));
  pitch.Reset();
  ASSERT_TRUE(zvtest::WaitUntil([&] { return pitch.samples > 12000; }, 5s));
  // 440 Hz and 1000 Hz, told apart however the change-over's crossings fall.
  EXPECT_NEAR(pitch.Hz(), 440, 100) << "English first";
  EXPECT_EQ(dvd->SelectAudioStream(1), S_OK);
  std::this_thread::sleep_for(500ms);
  pitch.Reset();
  ASSERT_TRUE(zvtest::WaitUntil([&] { return pitch.samples > 24000; }, 5s));
  EXPECT_NEAR(pitch.Hz(), 1000, 150) << "then German";

  int id = 0;
  EXPECT_EQ(dvd->ShowMenu(DVD_MENU_Title, &id), S_OK);
  EXPECT_TRUE(dvd->WaitCommand(id, 1000));
  ASSERT_TRUE(WaitForDomain(DVD_DOMAIN_VideoManagerMenu));
  EXPECT_EQ(dvd->PlayTitle(1), S_OK);
  ASSERT_TRUE(WaitFor([](const TEvent& e) { return e.code == EC_DVD_TITLE_CHANGE && e.param1 == 1; }));
  EXPECT_TRUE(languagesBecome({"en"})) << languages.size();
  EXPECT_EQ(dvd->PlayAtTime({0, 0, 2, 1}), S_OK);
  ASSERT_TRUE(WaitFor(
      [](const TEvent& e) { return e.code == EC_DVD_CURRENT_HMSF_TIME && TDvdTime::Unpacked(e.param1).seconds == 2; }));
}
