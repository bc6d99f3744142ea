#include "playback/engine/gst_sound_clip.h"

#include "playback/engine/gst_engine.h"

#include <gst/app/gstappsrc.h>

namespace eng {

TGstSoundClip::TGstSoundClip() {
  const std::string desc = "appsrc name=clip format=time ! audioconvert ! audioresample ! " + AudioSinkDescription();
  GError* err = nullptr;
  pipeline_ = gst_parse_launch(desc.c_str(), &err);
  if (err) {
    g_error_free(err);
    if (pipeline_)
      gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    return;
  }
  src_ = gst_bin_get_by_name(GST_BIN(pipeline_), "clip");
}

TGstSoundClip::~TGstSoundClip() {
  if (pipeline_)
    gst_element_set_state(pipeline_, GST_STATE_NULL);
  if (src_)
    gst_object_unref(src_);
  if (pipeline_)
    gst_object_unref(pipeline_);
}

bool TGstSoundClip::Open() {
  return pipeline_ && src_ && gst_element_set_state(pipeline_, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
}

bool TGstSoundClip::Play(const std::vector<int16_t>& samples, int rate) {
  if (!Open() || samples.empty() || rate <= 0)
    return false;
  gst_element_set_state(pipeline_, GST_STATE_READY);
  GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING,
                                      "interleaved", "rate", G_TYPE_INT, rate, "channels", G_TYPE_INT, 1, nullptr);
  gst_app_src_set_caps(GST_APP_SRC(src_), caps);
  gst_caps_unref(caps);
  const size_t bytes = samples.size() * sizeof(int16_t);
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
  gst_buffer_fill(buffer, 0, samples.data(), bytes);
  GST_BUFFER_PTS(buffer) = 0;
  GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(samples.size(), GST_SECOND, static_cast<guint64>(rate));
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_buffer_unref(buffer);
    return false;
  }
  gst_app_src_push_buffer(GST_APP_SRC(src_), buffer);
  gst_app_src_end_of_stream(GST_APP_SRC(src_));
  return true;
}

void TGstSoundClip::Stop() {
  if (pipeline_)
    gst_element_set_state(pipeline_, GST_STATE_NULL);
}

} // namespace eng
