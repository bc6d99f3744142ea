#include "playback/engine/gst_snapshot.h"

#include "core/tsan_annotations.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

namespace eng {

namespace {

using Clock = std::chrono::steady_clock;

// What the decoder's signals work on. The decoder may still signal from one of its threads while the
// grab is being torn down, so each handler holds a share of it and does nothing once it is done.
struct TGrab {
  std::mutex lock;
  bool done = false;
  GstElement* pipeline = nullptr;
  GstElement* convert = nullptr;
  GstElement* sink = nullptr;
  std::atomic<bool> linked{false};
};
using TGrabShare = std::shared_ptr<TGrab>;

void ReleaseShare(gpointer data, GClosure*) { delete static_cast<TGrabShare*>(data); }

// The decoder's first video stream goes to the conversion, everything else to a sink of its own.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
  ZV_TSAN_ACQUIRE(data); // handed over through the library's threads
  TGrab* g = static_cast<TGrabShare*>(data)->get();
  std::lock_guard<std::mutex> hold(g->lock);
  if (g->done)
    return;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (!caps)
    caps = gst_pad_query_caps(pad, nullptr);
  const gchar* name =
      caps && gst_caps_get_size(caps) > 0 ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
  const bool video = g_str_has_prefix(name, "video/");
  if (caps)
    gst_caps_unref(caps);
  if (video && !g->linked) {
    GstPad* in = gst_element_get_static_pad(g->convert, "sink");
    g->linked = gst_pad_link(pad, in) == GST_PAD_LINK_OK;
    gst_object_unref(in);
    return;
  }
  GstElement* drop = gst_element_factory_make("fakesink", nullptr);
  g_object_set(drop, "sync", FALSE, "async", FALSE, nullptr);
  gst_bin_add(GST_BIN(g->pipeline), drop);
  gst_element_sync_state_with_parent(drop);
  GstPad* in = gst_element_get_static_pad(drop, "sink");
  gst_pad_link(pad, in);
  gst_object_unref(in);
}

// Every stream is there and none was a picture: the wait ends at once.
void OnNoMorePads(GstElement*, gpointer data) {
  ZV_TSAN_ACQUIRE(data);
  TGrab* g = static_cast<TGrabShare*>(data)->get();
  std::lock_guard<std::mutex> hold(g->lock);
  if (!g->done && !g->linked)
    gst_element_post_message(
        g->pipeline, gst_message_new_application(GST_OBJECT(g->pipeline), gst_structure_new_empty("no-picture")));
}

// Waits until the pipeline has prerolled (true), or an error, the end or the deadline (false).
bool WaitPrerolled(GstElement* pipeline, Clock::time_point deadline) {
  GstBus* bus = gst_element_get_bus(pipeline);
  bool done = false, failed = false;
  while (!done && !failed) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()).count();
    if (left <= 0)
      break;
    GstMessage* msg =
        gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(left),
                                   static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR |
                                                               GST_MESSAGE_EOS | GST_MESSAGE_APPLICATION));
    if (!msg)
      break;
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ASYNC_DONE)
      done = true;
    else
      failed = true;
    gst_message_unref(msg);
  }
  gst_object_unref(bus);
  return done;
}

bool CopySample(GstSample* sample, TFrame& frame) {
  GstVideoInfo info;
  if (!sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
    return false;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstVideoFrame vf;
  if (!buffer || !gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ))
    return false;
  frame.width = GST_VIDEO_INFO_WIDTH(&info);
  frame.height = GST_VIDEO_INFO_HEIGHT(&info);
  frame.pixels.assign(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height), 0);
  const auto* base = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
  for (int y = 0; y < frame.height; ++y) {
    const uint8_t* row = base + static_cast<ptrdiff_t>(y) * stride;
    uint32_t* out = frame.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(frame.width);
    for (int x = 0; x < frame.width; ++x) // BGRx in memory
      out[x] = 0xFF000000u | (uint32_t{row[4 * x + 2]} << 16) | (uint32_t{row[4 * x + 1]} << 8) | row[4 * x];
  }
  gst_video_frame_unmap(&vf);
  return true;
}

} // namespace

bool GrabFrameWithGst(const std::string& file, int64_t position, TFrame& frame, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
  if (!uri)
    return false;
  auto share = std::make_shared<TGrab>();
  TGrab& g = *share;
  g.pipeline = gst_pipeline_new("snapshot");
  GstElement* decode = gst_element_factory_make("uridecodebin", nullptr);
  g.convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  g.sink = gst_element_factory_make("fakesink", nullptr);
  bool ok = false;
  if (decode && g.convert && filter && g.sink) {
    g_object_set(decode, "uri", uri, nullptr);
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(g.sink, "sync", FALSE, "enable-last-sample", TRUE, nullptr);
    gst_bin_add_many(GST_BIN(g.pipeline), decode, g.convert, filter, g.sink, nullptr);
    gst_element_link_many(g.convert, filter, g.sink, nullptr);
    auto* padShare = new TGrabShare(share);
    auto* endShare = new TGrabShare(share);
    ZV_TSAN_RELEASE(padShare);
    ZV_TSAN_RELEASE(endShare);
    const gulong padAdded =
        g_signal_connect_data(decode, "pad-added", G_CALLBACK(OnPadAdded), padShare, ReleaseShare, GConnectFlags(0));
    const gulong noMorePads = g_signal_connect_data(decode, "no-more-pads", G_CALLBACK(OnNoMorePads), endShare,
                                                    ReleaseShare, GConnectFlags(0));
    // The fields are set: the decoder's threads see them through the lock.
    { std::lock_guard<std::mutex> hold(g.lock); }
    if (gst_element_set_state(g.pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
        WaitPrerolled(g.pipeline, deadline) && g.linked) {
      const auto at = static_cast<gint64>(std::max<int64_t>(position, 0)) * 100;
      bool there = at == 0;
      if (!there &&
          gst_element_seek_simple(g.pipeline, GST_FORMAT_TIME,
                                  static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), at))
        there = WaitPrerolled(g.pipeline, deadline);
      if (there) {
        GstSample* sample = nullptr;
        g_object_get(g.sink, "last-sample", &sample, nullptr);
        ok = CopySample(sample, frame);
        if (sample)
          gst_sample_unref(sample);
      }
    }
    {
      std::lock_guard<std::mutex> hold(g.lock);
      g.done = true;
    }
    g_signal_handler_disconnect(decode, padAdded);
    g_signal_handler_disconnect(decode, noMorePads);
    gst_element_set_state(g.pipeline, GST_STATE_NULL);
  } else {
    for (GstElement* e : {decode, g.convert, filter, g.sink})
      if (e)
        gst_object_unref(e);
  }
  gst_object_unref(g.pipeline);
  g_free(uri);
  return ok;
}

} // namespace eng
