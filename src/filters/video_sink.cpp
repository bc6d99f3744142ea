#include "filters/video_sink.h"

#include <atomic>
#include <gst/video/gstvideosink.h>
#include <gst/video/video.h>
#include <mutex>

namespace zv {
namespace {

struct TSinkState {
  std::mutex lock;
  eng::IVideoOutput* output = nullptr;
  GstVideoInfo info{};
  bool haveInfo = false;
  std::atomic<uint64_t> frames{0};
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
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw, format=(string)BGRx"));

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
  f.data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0));
  f.width = GST_VIDEO_FRAME_WIDTH(&mapped->frame);
  f.height = GST_VIDEO_FRAME_HEIGHT(&mapped->frame);
  f.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0);
  f.time = GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<int64_t>(GST_BUFFER_PTS(buffer) / 100) : 0;
  f.keepAlive = mapped;
  s.output->PresentFrame(std::move(f));
  s.frames.fetch_add(1, std::memory_order_relaxed);
  return GST_FLOW_OK;
}

void Finalize(GObject* object) {
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

void zv_video_sink_init(ZvVideoSink* self) { self->state = new TSinkState(); }

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
