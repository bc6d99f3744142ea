#include "../engine/media_helpers.h"
#include "core/tsan_annotations.h"
#include "filters/avi_source.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <gst/gst.h>

#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>

using namespace zv;
using zvtest::Media;

namespace {

struct TBuf {
  int64_t time; // ns: DTS, or PTS when there is no DTS
  bool key;
  bool discont;
  size_t size;
};

// What one source pad delivered: buffers, segment starts and flushes, in order.
struct TTrack {
  std::string kind; // "video" or "audio"
  std::vector<TBuf> buffers;
  std::vector<int64_t> segments;
  int flushStarts = 0;
};

// A pipeline of a source whose pads each end in a fakesink; a probe on each pad records what passes.
class TProbePipeline {
public:
  ~TProbePipeline() {
    if (pipeline_) {
      gst_element_set_state(pipeline_, GST_STATE_NULL);
      gst_object_unref(pipeline_);
    }
  }

  // Our source over a loaded file or list of parts.
  eng::HRESULT OpenOurs(const std::vector<std::string>& names, bool multi) {
    pipeline_ = gst_pipeline_new(nullptr);
    source_ = gst_element_factory_make(multi ? "zvmultiavisrc" : "zvavisrc", nullptr);
    gst_bin_add(GST_BIN(pipeline_), source_);
    eng::HRESULT hr = names.size() == 1 ? ZvAviSourceLoad(source_, names[0]) : ZvAviSourceLoadFiles(source_, names);
    if (hr != eng::S_OK)
      return hr;
    GstIterator* it = gst_element_iterate_src_pads(source_);
    GValue v = G_VALUE_INIT;
    while (gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
      Attach(GST_PAD(g_value_get_object(&v)));
      g_value_reset(&v);
    }
    g_value_unset(&v);
    gst_iterator_free(it);
    return eng::S_OK;
  }

  // GStreamer's own demuxer over the same file.
  void OpenDemuxer(const std::string& name) {
    pipeline_ = gst_pipeline_new(nullptr);
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    source_ = gst_element_factory_make("avidemux", nullptr);
    g_object_set(src, "location", name.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline_), src, source_, nullptr);
    gst_element_link(src, source_);
    g_signal_connect(source_, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer self) {
                       ZV_TSAN_ACQUIRE(self); // made on the main thread, used on the demuxer's
                       static_cast<TProbePipeline*>(self)->Attach(pad);
                     }),
                     this);
    ZV_TSAN_RELEASE(this);
  }

  bool PlayToEnd(int seconds = 30) {
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(seconds) * GST_SECOND,
                                               static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool eos = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
    if (m)
      gst_message_unref(m);
    gst_object_unref(bus);
    return eos;
  }

  bool Pause() {
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    return gst_element_get_state(pipeline_, nullptr, nullptr, 20 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS;
  }

  std::map<std::string, TTrack> Tracks() {
    std::lock_guard<std::mutex> guard(lock_);
    return tracks_;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& [name, t] : tracks_) {
      t.buffers.clear();
      t.segments.clear();
      t.flushStarts = 0;
    }
  }
  GstElement* Pipeline() const { return pipeline_; }
  GstElement* Source() const { return source_; }

private:
  void Attach(GstPad* pad) {
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    std::string kind = caps && !gst_caps_is_empty(caps) ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
    if (caps)
      gst_caps_unref(caps);
    kind = kind.rfind("video/", 0) == 0 ? "video" : kind.rfind("audio/", 0) == 0 ? "audio" : kind;
    gchar* name = gst_pad_get_name(pad);
    {
      std::lock_guard<std::mutex> guard(lock_);
      tracks_[name].kind = kind;
    }
    auto* ctx = new std::pair<TProbePipeline*, std::string>(this, name);
    g_free(name);
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                     GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        +[](GstPad*, GstPadProbeInfo* info, gpointer data) {
          ZV_TSAN_ACQUIRE(data);
          auto* c = static_cast<std::pair<TProbePipeline*, std::string>*>(data);
          c->first->Record(c->second, info);
          ZV_TSAN_RELEASE(data); // freed on the main thread once the streaming threads are gone
          return GST_PAD_PROBE_OK;
        },
        ctx,
        +[](gpointer data) {
          ZV_TSAN_ACQUIRE(data);
          delete static_cast<std::pair<TProbePipeline*, std::string>*>(data);
        });
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add(GST_BIN(pipeline_), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* in = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, in);
    gst_object_unref(in);
  }

  void Record(const std::string& pad, GstPadProbeInfo* info) {
    std::lock_guard<std::mutex> guard(lock_);
    TTrack& t = tracks_[pad];
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
      GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
      GstClockTime ts = GST_BUFFER_DTS_IS_VALID(b) ? GST_BUFFER_DTS(b) : GST_BUFFER_PTS(b);
      t.buffers.push_back({GST_CLOCK_TIME_IS_VALID(ts) ? static_cast<int64_t>(ts) : -1,
                           !GST_BUFFER_FLAG_IS_SET(b, GST_BUFFER_FLAG_DELTA_UNIT),
                           GST_BUFFER_FLAG_IS_SET(b, GST_BUFFER_FLAG_DISCONT), gst_buffer_get_size(b)});
    } else if (GstEvent* e = GST_PAD_PROBE_INFO_EVENT(info)) {
      if (GST_EVENT_TYPE(e) == GST_EVENT_SEGMENT) {
        const GstSegment* s = nullptr;
        gst_event_parse_segment(e, &s);
        t.segments.push_back(static_cast<int64_t>(s->start));
      } else if (GST_EVENT_TYPE(e) == GST_EVENT_FLUSH_START) {
        ++t.flushStarts;
      }
    }
  }

  GstElement* pipeline_ = nullptr;
  GstElement* source_ = nullptr;
  std::mutex lock_;
  std::map<std::string, TTrack> tracks_;
};

const TTrack* Find(const std::map<std::string, TTrack>& tracks, const std::string& kind) {
  for (auto& [name, t] : tracks)
    if (t.kind == kind)
      return &t;
  return nullptr;
}

class AVISource : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    gst_init(nullptr, nullptr);
    RegisterAviSources();
  }
};

constexpr int64_t kMs = 1'000'000;

} // namespace

TEST_F(AVISource, EverySampleCarriesTheTimeTheDemuxerGivesIt) {
  struct TCase {
    const char* file;
    int64_t videoFrame; // ns
    int64_t audioFrame; // ns, the longest audio chunk
  };
  const TCase cases[] = {
      {"mpeg4_mp3.avi", 40 * kMs, 27 * kMs},        // avimux, absolute index, MP3
      {"mjpg_pcm.avi", 40 * kMs, 24 * kMs},         // avimux, PCM
      {"avi/gop10.avi", 200 * kMs, 27 * kMs},       // avimux, 5 frames per second
      {"avi/ff_mpeg4_mp3.avi", 40 * kMs, 27 * kMs}, // ffmpeg, relative index, VBR-style MP3
      {"avi/ff_mpeg4_pcm.avi", 40 * kMs, 200 * kMs}, {"avi/ff_mpeg4_aac.avi", 40 * kMs, 24 * kMs},
      {"avi/ff_video_only.avi", 40 * kMs, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    TProbePipeline ours, theirs;
    ASSERT_EQ(ours.OpenOurs({Media(c.file)}, false), eng::S_OK);
    ASSERT_TRUE(ours.PlayToEnd());
    theirs.OpenDemuxer(Media(c.file));
    ASSERT_TRUE(theirs.PlayToEnd());
    auto a = ours.Tracks(), b = theirs.Tracks();
    ASSERT_EQ(a.size(), b.size());
    for (const char* kind : {"video", "audio"}) {
      const TTrack* x = Find(a, kind);
      const TTrack* y = Find(b, kind);
      ASSERT_EQ(x == nullptr, y == nullptr) << kind;
      if (!x)
        continue;
      int64_t tolerance = std::string(kind) == "video" ? c.videoFrame : c.audioFrame;
      // Both read the same chunks; some demuxers merge small PCM chunks, so compare by time
      // coverage: every buffer of ours starts within one frame of the demuxer's at the same byte.
      size_t bytesX = 0, bytesY = 0, j = 0;
      int64_t worst = 0;
      for (const TBuf& buf : x->buffers) {
        while (j + 1 < y->buffers.size() && bytesY + y->buffers[j].size <= bytesX) {
          bytesY += y->buffers[j].size;
          ++j;
        }
        ASSERT_LT(j, y->buffers.size());
        ASSERT_GE(buf.time, 0) << "every sample is timed";
        worst = std::max(worst, std::abs(buf.time - y->buffers[j].time));
        bytesX += buf.size;
      }
      size_t totalY = 0;
      for (const TBuf& buf : y->buffers)
        totalY += buf.size;
      EXPECT_EQ(bytesX, totalY) << kind << ": the same data";
      EXPECT_LE(worst, tolerance) << kind;
      if (std::string(kind) == "video") {
        ASSERT_EQ(x->buffers.size(), y->buffers.size());
        for (size_t i = 0; i < x->buffers.size(); ++i) {
          EXPECT_EQ(x->buffers[i].time, y->buffers[i].time) << "frame " << i;
          EXPECT_EQ(x->buffers[i].time % c.videoFrame, 0) << "frame " << i << " sits on the frame grid";
          EXPECT_EQ(x->buffers[i].key, y->buffers[i].key) << "frame " << i;
        }
      }
      EXPECT_TRUE(x->buffers.front().discont);
    }
  }
}

TEST_F(AVISource, AFileWithoutIndexPlaysFromABuiltIndexWithTheKeyFramesOfTheFrameData) {
  const std::pair<const char*, const char*> pairs[] = {{"avi/ff_noindex.avi", "avi/ff_mpeg4_mp3.avi"},
                                                       {"avi/gst_noindex.avi", "mpeg4_mp3.avi"}};
  for (auto [without, with] : pairs) {
    SCOPED_TRACE(without);
    TProbePipeline built, indexed;
    ASSERT_EQ(built.OpenOurs({Media(without)}, false), eng::S_OK);
    ASSERT_TRUE(built.PlayToEnd());
    ASSERT_EQ(indexed.OpenOurs({Media(with)}, false), eng::S_OK);
    ASSERT_TRUE(indexed.PlayToEnd());
    auto a = built.Tracks(), b = indexed.Tracks();
    for (const char* kind : {"video", "audio"}) {
      const TTrack* x = Find(a, kind);
      const TTrack* y = Find(b, kind);
      ASSERT_TRUE(x && y);
      ASSERT_EQ(x->buffers.size(), y->buffers.size()) << kind;
      size_t keys = 0;
      for (size_t i = 0; i < x->buffers.size(); ++i) {
        EXPECT_EQ(x->buffers[i].time, y->buffers[i].time);
        // MPEG-4 pictures tell whether they are key frames: the built index agrees with the muxer's.
        EXPECT_EQ(x->buffers[i].key, y->buffers[i].key) << kind << " " << i;
        keys += x->buffers[i].key ? 1 : 0;
      }
      if (std::string(kind) == "video") {
        EXPECT_LT(keys * 10, x->buffers.size()) << "a key frame every second, 25 pictures a second";
      }
    }
  }
}

TEST_F(AVISource, ASeekRestartsAtTheKeyFrameBeforeThePositionOncePerSeek) {
  TProbePipeline p;
  ASSERT_EQ(p.OpenOurs({Media("avi/gop10.avi")}, false), eng::S_OK);
  ASSERT_TRUE(p.Pause());
  p.Clear();
  ASSERT_TRUE(gst_element_seek_simple(p.Pipeline(), GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 65 * GST_SECOND));
  ASSERT_EQ(gst_element_get_state(p.Pipeline(), nullptr, nullptr, 20 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  auto tracks = p.Tracks();
  const TTrack* v = Find(tracks, "video");
  const TTrack* a = Find(tracks, "audio");
  ASSERT_TRUE(v && a);
  ASSERT_FALSE(v->buffers.empty());
  EXPECT_EQ(v->buffers.front().time, 60 * static_cast<int64_t>(GST_SECOND)) << "the key frame of 60 s";
  EXPECT_TRUE(v->buffers.front().key);
  EXPECT_TRUE(v->buffers.front().discont);
  ASSERT_EQ(v->segments.size(), 1u);
  EXPECT_EQ(v->segments.front(), 65 * static_cast<int64_t>(GST_SECOND)) << "the segment starts at the position";
  EXPECT_EQ(v->flushStarts, 1) << "the seek arrives on both pads and is carried out once";
  EXPECT_EQ(a->flushStarts, 1);
  ASSERT_FALSE(a->buffers.empty());
  EXPECT_LE(a->buffers.front().time, 65 * static_cast<int64_t>(GST_SECOND));
  EXPECT_GT(a->buffers.front().time, 65 * static_cast<int64_t>(GST_SECOND) - 30 * kMs);

  // A key-unit seek starts the segment at the key frame.
  p.Clear();
  ASSERT_TRUE(gst_element_seek_simple(p.Pipeline(), GST_FORMAT_TIME,
                                      static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                      35 * GST_SECOND));
  ASSERT_EQ(gst_element_get_state(p.Pipeline(), nullptr, nullptr, 20 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  tracks = p.Tracks();
  v = Find(tracks, "video");
  ASSERT_FALSE(v->segments.empty());
  EXPECT_EQ(v->segments.front(), 30 * static_cast<int64_t>(GST_SECOND));
  gint64 duration = 0;
  ASSERT_TRUE(gst_element_query_duration(p.Pipeline(), GST_FORMAT_TIME, &duration));
  EXPECT_NEAR(duration, 80 * static_cast<int64_t>(GST_SECOND), 50 * kMs) << "the longest stream";
  gst_element_set_state(p.Pipeline(), GST_STATE_NULL);
}

TEST_F(AVISource, ASeekWhileStoppedChangesNothing) {
  TProbePipeline p;
  ASSERT_EQ(p.OpenOurs({Media("avi/gop10.avi")}, false), eng::S_OK);
  GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, 30 * GST_SECOND,
                                      GST_SEEK_TYPE_NONE, 0);
  EXPECT_FALSE(gst_element_send_event(p.Source(), seek));
  ASSERT_TRUE(p.Pause());
  auto tracks = p.Tracks();
  const TTrack* v = Find(tracks, "video");
  ASSERT_TRUE(v && !v->buffers.empty());
  EXPECT_EQ(v->buffers.front().time, 0);
}

TEST_F(AVISource, LoadingAnswersWithTheFileSourceCodes) {
  GstElement* e = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("zvavisrc", nullptr)));
  std::string name;
  EXPECT_EQ(ZvAviSourceGetCurFile(e, name), eng::E_FAIL);
  EXPECT_EQ(ZvAviSourceLoad(e, ""), eng::E_POINTER);
  EXPECT_EQ(ZvAviSourceLoad(e, Media("avi/film1.avi"), true), eng::VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(ZvAviSourceLoad(e, Media("vorbis.ogg")), eng::VFW_E_INVALID_FILE_FORMAT);
  EXPECT_EQ(ZvAviSourceLoadFiles(e, {Media("avi/film1.avi")}), eng::E_NOINTERFACE);
  EXPECT_EQ(ZvAviSourceLoad(e, Media("avi/film1.avi")), eng::S_OK);
  EXPECT_EQ(ZvAviSourceLoad(e, Media("avi/film2.avi")), eng::E_FAIL) << "loaded once";
  EXPECT_EQ(ZvAviSourceGetCurFile(e, name), eng::S_OK);
  EXPECT_EQ(name, Media("avi/film1.avi"));
  EXPECT_EQ(e->numsrcpads, 2);
  gst_object_unref(e);

  // A file of streams without any sample is refused.
  zvtest::TempDir dir;
  std::string head = zvtest::ReadFile(Media("avi/film1.avi"));
  GstElement* empty = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("zvavisrc", nullptr)));
  size_t movi = head.find("movi");
  ASSERT_NE(movi, std::string::npos);
  zvtest::WriteFile(dir.file("empty.avi"), head.substr(0, movi - 8));
  EXPECT_EQ(ZvAviSourceLoad(empty, dir.file("empty.avi")), eng::VFW_E_INVALID_FILE_FORMAT);
  gst_object_unref(empty);
}

TEST_F(AVISource, ThreePartsPlayAsOneStreamInStep) {
  std::vector<std::string> parts = {Media("avi/film1.avi"), Media("avi/film2.avi"), Media("avi/film3.avi")};
  TProbePipeline p;
  ASSERT_EQ(p.OpenOurs(parts, true), eng::S_OK);
  ASSERT_TRUE(p.Pause());
  gint64 duration = 0;
  ASSERT_TRUE(gst_element_query_duration(p.Pipeline(), GST_FORMAT_TIME, &duration));
  EXPECT_EQ(duration, 12 * static_cast<int64_t>(GST_SECOND)) << "the sum of three parts of 4 s";
  ASSERT_TRUE(p.PlayToEnd());
  auto tracks = p.Tracks();
  const TTrack* v = Find(tracks, "video");
  const TTrack* a = Find(tracks, "audio");
  ASSERT_TRUE(v && a);
  ASSERT_EQ(v->buffers.size(), 300u);
  for (int joint = 1; joint < 3; ++joint) {
    int64_t t = joint * 4 * static_cast<int64_t>(GST_SECOND);
    EXPECT_EQ(v->buffers[static_cast<size_t>(joint * 100)].time, t);
    // The first audio chunk of the part starts with the part's first picture.
    const TBuf* first = nullptr;
    for (const TBuf& b : a->buffers)
      if (b.time >= t - 40 * kMs) {
        first = &b;
        break;
      }
    ASSERT_NE(first, nullptr);
    EXPECT_LE(std::abs(first->time - t), 40 * kMs) << "joint " << joint;
  }
  // A part's audio may run a little past its pictures; the next part starts with its pictures.
  for (size_t i = 1; i < a->buffers.size(); ++i)
    ASSERT_GE(a->buffers[i].time, a->buffers[i - 1].time - 40 * kMs) << "chunk " << i;
}

TEST_F(AVISource, AListFileNamesTheParts) {
  zvtest::TempDir dir;
  std::filesystem::copy_file(Media("avi/film1.avi"), dir.file("film1.avi"));
  std::filesystem::copy_file(Media("avi/film2.avi"), dir.file("film2.avi"));
  zvtest::WriteFile(dir.file("film.lst"), "film1.avi\r\n" + Media("avi/film3.avi") + "\n\nmissing.avi\n");
  TProbePipeline p;
  ASSERT_EQ(p.OpenOurs({dir.file("film.lst")}, true), eng::S_OK);
  ASSERT_TRUE(p.Pause());
  gint64 duration = 0;
  ASSERT_TRUE(gst_element_query_duration(p.Pipeline(), GST_FORMAT_TIME, &duration));
  EXPECT_EQ(duration, 8 * static_cast<int64_t>(GST_SECOND)) << "film1 and film3; the missing name is left out";
  std::string name;
  EXPECT_EQ(ZvAviSourceGetCurFile(p.Source(), name), eng::S_OK);
  EXPECT_EQ(name, dir.file("film.lst"));

  // Binary files, large files and lists without a single AVI are refused.
  std::string binary = "film1.avi\n";
  binary += '\0';
  zvtest::WriteFile(dir.file("bin.lst"), binary);
  zvtest::WriteFile(dir.file("big.lst"), std::string(70 * 1024, 'a'));
  zvtest::WriteFile(dir.file("none.lst"), "nothing.avi\n");
  for (const char* list : {"bin.lst", "big.lst", "none.lst", "absent.lst"}) {
    GstElement* e = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("zvmultiavisrc", nullptr)));
    EXPECT_EQ(ZvAviSourceLoad(e, dir.file(list)), eng::VFW_E_INVALID_FILE_FORMAT) << list;
    gst_object_unref(e);
  }
}
