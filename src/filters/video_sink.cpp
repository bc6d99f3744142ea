#include "filters/video_sink.h"

#include "core/tsan_annotations.h"

#include <algorithm>
#include <atomic>
#include <gst/video/gstvideosink.h>
#include <gst/video/video.h>
#include <mutex>
#include <vector>

namespace zv {
namespace {

// Converters from the decoder's format to BGRx at a given size. Setting one up allocates line
// buffers and worker threads, so the last few are kept: the window size and the picture's own size
// (screen grabs) alternate without rebuilding.
class TConverterCache {
public:
  ~TConverterCache() {
    for (TEntry& e : entries_)
      gst_video_converter_free(e.converter);
  }

  bool Draw(const GstVideoFrame& src, uint8_t* dst, int dstStride, int dstWidth, int dstHeight) {
    if (dstWidth <= 0 || dstHeight <= 0 || dstStride < dstWidth * 4)
      return false;
    GstVideoInfo out;
    gst_video_info_set_format(&out, GST_VIDEO_FORMAT_BGRA, static_cast<guint>(dstWidth), static_cast<guint>(dstHeight));
    // The converter changes format and size only.
    out.fps_n = GST_VIDEO_INFO_FPS_N(&src.info);
    out.fps_d = GST_VIDEO_INFO_FPS_D(&src.info);
    out.interlace_mode = GST_VIDEO_INFO_INTERLACE_MODE(&src.info);
    out.stride[0] = dstStride;
    out.size = static_cast<gsize>(dstStride) * static_cast<gsize>(dstHeight);
    GstBuffer* buffer =
        gst_buffer_new_wrapped_full(static_cast<GstMemoryFlags>(0), dst, out.size, 0, out.size, nullptr, nullptr);
    GstVideoFrame target;
    bool ok = gst_video_frame_map(&target, &out, buffer, GST_MAP_WRITE);
    if (ok) {
      // One picture at a time per converter: its line buffers are shared by its workers.
      std::lock_guard<std::mutex> guard(lock_);
      GstVideoConverter* c = Find(src.info, out);
      ok = c != nullptr;
      if (ok)
        gst_video_converter_frame(c, &src, &target);
      gst_video_frame_unmap(&target);
    }
    gst_buffer_unref(buffer);
    return ok;
  }

private:
  struct TEntry {
    GstVideoInfo in{}, out{};
    GstVideoConverter* converter = nullptr;
  };

  GstVideoConverter* Find(const GstVideoInfo& in, const GstVideoInfo& out) {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (gst_video_info_is_equal(&entries_[i].in, &in) && gst_video_info_is_equal(&entries_[i].out, &out)) {
        std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(i),
                    entries_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        return entries_.front().converter;
      }
    // Bilinear scaling, as a video card's overlay does it; no dithering between 8-bit formats.
    guint threads = std::clamp(g_get_num_processors(), 1u, 4u);
    GstStructure* config = gst_structure_new(
        "config", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
        GST_VIDEO_RESAMPLER_METHOD_LINEAR, GST_VIDEO_CONVERTER_OPT_DITHER_METHOD, GST_TYPE_VIDEO_DITHER_METHOD,
        GST_VIDEO_DITHER_NONE, GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, threads, nullptr);
    GstVideoConverter* c =
        gst_video_converter_new(const_cast<GstVideoInfo*>(&in), const_cast<GstVideoInfo*>(&out), config);
    if (!c)
      return nullptr;
    if (entries_.size() == kKept) {
      gst_video_converter_free(entries_.back().converter);
      entries_.pop_back();
    }
    entries_.insert(entries_.begin(), TEntry{in, out, c});
    return c;
  }

  static constexpr size_t kKept = 3;
  std::mutex lock_;
  std::vector<TEntry> entries_;
};

struct TSinkState {
  std::mutex lock;
  eng::IVideoOutput* output = nullptr;
  GstVideoInfo info{};
  bool haveInfo = false;
  std::atomic<uint64_t> frames{0};
  // Shared with the frames handed out, which may outlive the element.
  std::shared_ptr<TConverterCache> converters = std::make_shared<TConverterCache>();
};

struct ZvVideoSink {
  GstVideoSink parent;
  TSinkState* state; // C++ state lives outside the GObject instance
};

struct ZvVideoSinkClass {
  GstVideoSinkClass parent_class;
};

G_DEFINE_TYPE(ZvVideoSink, zv_video_sink, GST_TYPE_VIDEO_SINK)

GstStaticPadTemplate g_sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS("video/x-raw, format=(string){ I420, YV12, NV12, YUY2, BGRx }"));

TSinkState& State(gpointer self) { return *reinterpret_cast<ZvVideoSink*>(self)->state; }

gboolean SetCaps(GstBaseSink* sink, GstCaps* caps) {
  TSinkState& s = State(sink);
  std::lock_guard<std::mutex> guard(s.lock);
  s.haveInfo = gst_video_info_from_caps(&s.info, caps);
  return s.haveInfo;
}

// Keeps a mapped picture alive while the output shows it.
struct TMappedFrame {
  GstVideoFrame frame{};
  ~TMappedFrame() { gst_video_frame_unmap(&frame); }
};

GstFlowReturn ShowFrame(GstVideoSink* sink, GstBuffer* buffer) {
  TSinkState& s = State(sink);
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.output || !s.haveInfo)
    return GST_FLOW_OK;
  auto mapped = std::make_shared<TMappedFrame>();
  if (!gst_video_frame_map(&mapped->frame, &s.info, buffer, GST_MAP_READ))
    return GST_FLOW_OK; // a picture that cannot be read is skipped, playback goes on
  eng::TVideoFrame f;
  f.width = GST_VIDEO_FRAME_WIDTH(&mapped->frame);
  f.height = GST_VIDEO_FRAME_HEIGHT(&mapped->frame);
  if (GST_VIDEO_INFO_PAR_N(&s.info) > 0 && GST_VIDEO_INFO_PAR_D(&s.info) > 0) {
    f.parN = GST_VIDEO_INFO_PAR_N(&s.info);
    f.parD = GST_VIDEO_INFO_PAR_D(&s.info);
  }
  f.time = GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<int64_t>(GST_BUFFER_PTS(buffer) / 100) : 0;
  if (GST_VIDEO_FRAME_FORMAT(&mapped->frame) == GST_VIDEO_FORMAT_BGRx) {
    f.data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0));
    f.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0);
  }
  // The decoder's picture is converted where it is shown, straight into the window's buffer.
  std::weak_ptr<TMappedFrame> picture = mapped;
  f.draw = [picture, converters = s.converters](uint8_t* dst, int dstStride, int dstWidth, int dstHeight) {
    std::shared_ptr<TMappedFrame> m = picture.lock();
    return m && converters->Draw(m->frame, dst, dstStride, dstWidth, dstHeight);
  };
  f.keepAlive = mapped;
  s.output->PresentFrame(std::move(f));
  s.frames.fetch_add(1, std::memory_order_relaxed);
  return GST_FLOW_OK;
}

void Finalize(GObject* object) {
  // The last reference may go on another thread than the one that made the element; GLib's
  // reference count orders the two, unseen by the thread sanitizer.
  ZV_TSAN_ACQUIRE(object);
  delete reinterpret_cast<ZvVideoSink*>(object)->state;
  G_OBJECT_CLASS(zv_video_sink_parent_class)->finalize(object);
}

void zv_video_sink_class_init(ZvVideoSinkClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Zelvar video sink", "Sink/Video",
                                        "Hands pictures to the player's video widget", "Zelvar");
  gst_element_class_add_static_pad_template(element, &g_sinkTemplate);
  GST_BASE_SINK_CLASS(klass)->set_caps = SetCaps;
  GST_VIDEO_SINK_CLASS(klass)->show_frame = ShowFrame;
}

void zv_video_sink_init(ZvVideoSink* self) {
  self->state = new TSinkState();
  ZV_TSAN_RELEASE(self);
}

} // namespace

GType ZvVideoSinkGetType() { return zv_video_sink_get_type(); }

void RegisterVideoSink() {
  static std::once_flag once;
  std::call_once(once, [] { gst_element_register(nullptr, "zvvideosink", GST_RANK_NONE, zv_video_sink_get_type()); });
}

bool IsZvVideoSink(GstElement* element) {
  return element && G_TYPE_CHECK_INSTANCE_TYPE(element, zv_video_sink_get_type());
}

void ZvVideoSinkSetOutput(GstElement* sink, eng::IVideoOutput* output) {
  if (!IsZvVideoSink(sink))
    return;
  TSinkState& s = State(sink);
  eng::IVideoOutput* old;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    old = s.output;
    s.output = output;
  }
  if (old && old != output)
    old->ClearFrame();
}

uint64_t ZvVideoSinkFrameCount(GstElement* sink) {
  return IsZvVideoSink(sink) ? State(sink).frames.load(std::memory_order_relaxed) : 0;
}

} // namespace zv
