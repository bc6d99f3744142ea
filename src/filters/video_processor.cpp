#include "filters/video_processor.h"

#include <algorithm>
#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>
#include <mutex>

namespace zv {
namespace {

struct TProcState {
  const std::shared_ptr<TVideoProcSettings> settings = std::make_shared<TVideoProcSettings>();
  TVideoProcess process; // used by the streaming thread only
};

struct ZvVideoProc {
  GstVideoFilter parent;
  TProcState* state; // C++ state lives outside the GObject instance
};

struct ZvVideoProcClass {
  GstVideoFilterClass parent_class;
};

G_DEFINE_TYPE(ZvVideoProc, zv_video_proc, GST_TYPE_VIDEO_FILTER)

GstStaticPadTemplate g_sinkTemplate = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                                              GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("{ I420, YUY2 }")));
GstStaticPadTemplate g_srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("{ I420, YUY2 }")));

TProcState& State(gpointer self) { return *reinterpret_cast<ZvVideoProc*>(self)->state; }

// The settings record as properties, so that the element's settings dialog shows them.
enum { PropZero, PropBrightness, PropContrast, PropSaturation, PropFlip, PropEffect };

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
  TVideoProcSettings& s = *State(object).settings;
  switch (id) {
  case PropBrightness: s.brightness = g_value_get_int(value); break;
  case PropContrast: s.contrast = g_value_get_int(value); break;
  case PropSaturation: s.saturation = g_value_get_int(value); break;
  case PropFlip: s.flip = g_value_get_boolean(value); break;
  case PropEffect: s.effect = g_value_get_int(value); break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  }
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
  const TVideoProcSettings& s = *State(object).settings;
  switch (id) {
  case PropBrightness: g_value_set_int(value, s.brightness.load()); break;
  case PropContrast: g_value_set_int(value, s.contrast.load()); break;
  case PropSaturation: g_value_set_int(value, s.saturation.load()); break;
  case PropFlip: g_value_set_boolean(value, s.flip.load()); break;
  case PropEffect: g_value_set_int(value, s.effect.load()); break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  }
}

// In place: neutral settings without texts leave the picture as it came.
GstFlowReturn TransformFrameIp(GstVideoFilter* filter, GstVideoFrame* frame) {
  TProcState& s = State(filter);
  const auto plane = [frame](int i) { return static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, i)); };
  const auto stride = [frame](int i) { return static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, i)); };
  const int w = GST_VIDEO_FRAME_WIDTH(frame), h = GST_VIDEO_FRAME_HEIGHT(frame);
  // Planar pictures as the decoder gives them, without a conversion to YUY2 and back.
  if (GST_VIDEO_FRAME_FORMAT(frame) == GST_VIDEO_FORMAT_I420)
    s.process.ProcessPlanar(plane(0), stride(0), plane(1), stride(1), plane(2), stride(2), w, h,
                            ReadSettings(*s.settings), s.settings->osd.get());
  else
    s.process.Process(plane(0), stride(0), plane(0), stride(0), w, h, ReadSettings(*s.settings), s.settings->osd.get());
  s.settings->active.store(true, std::memory_order_relaxed);
  return GST_FLOW_OK;
}

void Finalize(GObject* object) {
  delete reinterpret_cast<ZvVideoProc*>(object)->state;
  G_OBJECT_CLASS(zv_video_proc_parent_class)->finalize(object);
}

void zv_video_proc_class_init(ZvVideoProcClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->finalize = Finalize;
  object->set_property = SetProperty;
  object->get_property = GetProperty;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
  g_object_class_install_property(object, PropBrightness,
                                  g_param_spec_int("brightness", "Brightness", "Luma offset", -100, 100, 0, flags));
  g_object_class_install_property(object, PropContrast,
                                  g_param_spec_int("contrast", "Contrast", "Luma stretch", -100, 100, 0, flags));
  g_object_class_install_property(object, PropSaturation,
                                  g_param_spec_int("saturation", "Saturation", "Chroma scale", -100, 100, 0, flags));
  g_object_class_install_property(object, PropFlip,
                                  g_param_spec_boolean("flip", "Vertical flip", "Upside down", FALSE, flags));
  g_object_class_install_property(
      object, PropEffect,
      g_param_spec_int("effect", "Effect", "0 none, 1 to 8 a blur or sharpening kernel", 0, 8, 0, flags));
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Video Processor", "Filter/Effect/Video",
                                        "Picture controls, effects and the on-screen display of Zelvar", "Zelvar");
  gst_element_class_add_static_pad_template(element, &g_sinkTemplate);
  gst_element_class_add_static_pad_template(element, &g_srcTemplate);
  GST_VIDEO_FILTER_CLASS(klass)->transform_frame_ip = TransformFrameIp;
}

void zv_video_proc_init(ZvVideoProc* self) { self->state = new TProcState(); }

} // namespace

void RegisterVideoProcessor() {
  static std::once_flag once;
  std::call_once(once, [] { gst_element_register(nullptr, "zvvideoproc", GST_RANK_NONE, zv_video_proc_get_type()); });
}

std::shared_ptr<TVideoProcSettings> ZvVideoProcSettings(GstElement* element) {
  if (!element)
    return nullptr;
  if (G_TYPE_CHECK_INSTANCE_TYPE(element, zv_video_proc_get_type()))
    return State(element).settings;
  if (!GST_IS_BIN(element))
    return nullptr;
  std::shared_ptr<TVideoProcSettings> found;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(element));
  GValue item = G_VALUE_INIT;
  while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* child = GST_ELEMENT(g_value_get_object(&item));
    if (G_TYPE_CHECK_INSTANCE_TYPE(child, zv_video_proc_get_type()))
      found = State(child).settings;
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return found;
}

} // namespace zv
