// Sound through the real elements, measured with GStreamer's level element: the renderer's volume
// and balance in hundredths of a decibel, and the equalizer stage's response.
#include "filters/param_eq.h"
#include "filters/param_eq_element.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <gst/gst.h>
#include <string>
#include <vector>

using namespace eng;

namespace {

// Runs a pipeline to its end and returns each channel's RMS level in dB, averaged over the level
// element's reports after the first (the filters' start).
std::vector<double> Levels(GstElement* pipeline) {
  GstBus* bus = gst_element_get_bus(pipeline);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  std::vector<double> sum;
  int reports = 0, seen = 0;
  for (;;) {
    GstMessage* m = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!m)
      break;
    const bool end = GST_MESSAGE_TYPE(m) != GST_MESSAGE_ELEMENT;
    const GstStructure* s = gst_message_get_structure(m);
    if (!end && s && gst_structure_has_name(s, "level") && seen++ > 0) {
      const GValueArray* rms = nullptr;
      G_GNUC_BEGIN_IGNORE_DEPRECATIONS
      rms = static_cast<const GValueArray*>(g_value_get_boxed(gst_structure_get_value(s, "rms")));
      sum.resize(rms->n_values, 0.0);
      // The report at the end may cover no samples at all.
      const bool empty =
          rms->n_values > 0 && std::isnan(g_value_get_double(g_value_array_get_nth(const_cast<GValueArray*>(rms), 0)));
      for (guint c = 0; c < rms->n_values && !empty; ++c)
        sum[c] += std::max(-200.0, g_value_get_double(g_value_array_get_nth(const_cast<GValueArray*>(rms), c)));
      G_GNUC_END_IGNORE_DEPRECATIONS
      reports += empty ? 0 : 1;
    }
    gst_message_unref(m);
    if (end)
      break;
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(bus);
  for (double& v : sum)
    v /= std::max(reports, 1);
  return sum;
}

// A sine of amplitude 0.5 (-9.03 dB RMS), 48 kHz.
constexpr double kSineDb = -9.0309;

struct Sound : ::testing::Test {
  TGstEngine engine; // registers the program's elements
};

} // namespace

TEST_F(Sound, RendererVolumeAndBalanceAttenuateByTheirHundredthsOfADecibel) {
  struct Case {
    long volume, balance;
    int channels;
    double left, right; // dB; below -90 means silent
  } cases[] = {
      {0, 0, 2, kSineDb, kSineDb},
      {-2000, 0, 2, kSineDb - 20, kSineDb - 20},
      {-600, 0, 2, kSineDb - 6, kSineDb - 6},
      {-10000, 0, 2, -200, -200},
      {0, 1000, 2, kSineDb - 10, kSineDb},
      {0, -2500, 2, kSineDb, kSineDb - 25},
      {0, 10000, 2, -200, kSineDb},
      {0, -10000, 2, kSineDb, -200},
      {-1000, 600, 1, kSineDb - 16, kSineDb - 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.volume << " / " << c.balance << " / " << c.channels << " channels");
    GstElement* pipeline = gst_pipeline_new(nullptr);
    // (A bin's last caps would only filter a link to nothing: the caps filter is spelt out.)
    const std::string src = "audiotestsrc wave=sine freq=1000 volume=0.5 num-buffers=40 samplesperbuffer=1200 ! "
                            "capsfilter caps=audio/x-raw,format=F32LE,rate=48000,channels=" +
                            std::to_string(c.channels);
    GstElement* source = gst_parse_bin_from_description(src.c_str(), TRUE, nullptr);
    GstElement* sink = gst_parse_bin_from_description("level interval=50000000 ! fakesink sync=false", TRUE, nullptr);
    GError* err = nullptr;
    GstElement* bin = MakeAudioRendererBin(sink, &err);
    ASSERT_TRUE(bin && !err);
    auto renderer = std::make_shared<TGstFilter>(bin, classes::DirectSoundRenderer, "Renderer");
    ASSERT_NE(renderer->BasicAudio(), nullptr);
    EXPECT_EQ(renderer->SetVolume(c.volume), S_OK);
    EXPECT_EQ(renderer->SetBalance(c.balance), S_OK);
    gst_bin_add_many(GST_BIN(pipeline), source, renderer->Element(), nullptr);
    ASSERT_TRUE(gst_element_link(source, renderer->Element()));
    const std::vector<double> db = Levels(pipeline);
    ASSERT_EQ(db.size(), 2u) << "the renderer plays in stereo";
    for (int ch = 0; ch < 2; ++ch) {
      const double want = ch == 0 ? c.left : c.right;
      if (want < -90) {
        EXPECT_LT(db[ch], -90) << "channel " << ch;
      } else {
        EXPECT_NEAR(db[ch], want, 0.1) << "channel " << ch;
      }
    }
    gst_object_unref(pipeline);
  }
}

TEST_F(Sound, EqualizerStageFollowsThePeakingFilterAtItsCentreAndAnOctaveAway) {
  const auto level = [](const std::string& format, double freq, float gain) {
    const std::string desc =
        "audiotestsrc wave=sine volume=0.25 num-buffers=40 samplesperbuffer=1200 freq=" + std::to_string(freq) +
        " ! audio/x-raw,format=" + format +
        ",rate=48000,channels=2 ! zvparameq centre=1000 bandwidth=36 gain=" + std::to_string(gain) +
        " ! level interval=50000000 ! fakesink sync=false";
    GstElement* p = gst_parse_launch(desc.c_str(), nullptr);
    std::vector<double> db = Levels(p);
    gst_object_unref(p);
    return db.empty() ? -999.0 : db[0];
  };
  for (const char* format : {"F32LE", "S16LE"})
    for (float gain : {12.0f, -9.0f})
      for (double freq : {1000.0, 2000.0, 500.0}) {
        SCOPED_TRACE(testing::Message() << format << ", " << gain << " dB, " << freq << " Hz");
        const zv::TBiquad q = zv::PeakingBiquad({1000, 36, gain}, 48000);
        const double want = zv::BiquadResponseDb(q, freq, 48000);
        if (freq == 1000.0) {
          EXPECT_NEAR(want, gain, 0.01) << "the cookbook's peak is the gain";
        }
        EXPECT_NEAR(level(format, freq, gain) - level(format, freq, 0.0f), want, 0.5);
      }
}

TEST_F(Sound, ForcedRateRenderersResampleEveryStreamTo441kHz) {
  for (int forced : {44100, 0}) {
    engine.SetForcedSampleRate(forced);
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_parse_bin_from_description(
        "audiotestsrc num-buffers=5 ! capsfilter caps=audio/x-raw,format=S16LE,rate=48000,channels=2", TRUE, nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", "out");
    GstElement* bin = MakeAudioRendererBin(sink, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, bin, nullptr);
    ASSERT_TRUE(gst_element_link(source, bin));
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    ASSERT_EQ(gst_element_get_state(pipeline, nullptr, nullptr, 5 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    GstCaps* caps = gst_pad_get_current_caps(pad);
    int rate = 0;
    ASSERT_TRUE(caps);
    gst_structure_get_int(gst_caps_get_structure(caps, 0), "rate", &rate);
    EXPECT_EQ(rate, forced ? forced : 48000);
    gst_caps_unref(caps);
    gst_object_unref(pad);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
}
