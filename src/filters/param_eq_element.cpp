#include "filters/param_eq_element.h"

#include "core/tsan_annotations.h"

#include <gst/audio/audio.h>
#include <gst/audio/gstaudiofilter.h>
#include <mutex>

namespace zv {
namespace {

struct TEqState {
  std::mutex lock; // guards band and changed
  TParamEqBand band;
  bool changed = true;
  TParamEqProcess process; // streaming thread only
};

struct ZvParamEq {
  GstAudioFilter parent;
  TEqState* state;
};

struct ZvParamEqClass {
  GstAudioFilterClass parent_class;
};

G_DEFINE_TYPE(ZvParamEq, zv_param_eq, GST_TYPE_AUDIO_FILTER)

// The element is made on one thread and used by streaming threads that GStreamer hands it to in
// ways the thread sanitizer cannot see; each use takes over from the last one.
struct TUse {
  explicit TUse(gpointer s) : self(s) { ZV_TSAN_ACQUIRE(self); }
  ~TUse() { ZV_TSAN_RELEASE(self); }
  gpointer self;
};

TEqState& State(gpointer self) { return *reinterpret_cast<ZvParamEq*>(self)->state; }

enum { PropZero, PropCentre, PropBandwidth, PropGain };

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
  TUse use(object);
  TEqState& s = State(object);
  std::lock_guard<std::mutex> guard(s.lock);
  switch (id) {
  case PropCentre: s.band.centre = g_value_get_float(value); break;
  case PropBandwidth: s.band.bandwidth = g_value_get_float(value); break;
  case PropGain: s.band.gain = g_value_get_float(value); break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param); return;
  }
  s.changed = true;
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
  TUse use(object);
  TEqState& s = State(object);
  std::lock_guard<std::mutex> guard(s.lock);
  switch (id) {
  case PropCentre: g_value_set_float(value, static_cast<float>(s.band.centre)); break;
  case PropBandwidth: g_value_set_float(value, static_cast<float>(s.band.bandwidth)); break;
  case PropGain: g_value_set_float(value, static_cast<float>(s.band.gain)); break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  }
}

gboolean Setup(GstAudioFilter* filter, const GstAudioInfo*) {
  TUse use(filter);
  TEqState& s = State(filter);
  std::lock_guard<std::mutex> guard(s.lock);
  s.changed = true; // the coefficients follow the new rate
  s.process.Reset();
  return TRUE;
}

GstFlowReturn TransformIp(GstBaseTransform* base, GstBuffer* buffer) {
  TUse use(base);
  TEqState& s = State(base);
  const GstAudioInfo& info = GST_AUDIO_FILTER(base)->info;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.changed) {
      s.process.Configure(PeakingBiquad(s.band, GST_AUDIO_INFO_RATE(&info)), GST_AUDIO_INFO_CHANNELS(&info));
      s.changed = false;
    }
  }
  if (s.process.Identity() || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP))
    return GST_FLOW_OK;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE))
    return GST_FLOW_ERROR;
  const int bpf = GST_AUDIO_INFO_BPF(&info);
  const size_t frames = bpf > 0 ? map.size / static_cast<size_t>(bpf) : 0;
  if (GST_AUDIO_INFO_FORMAT(&info) == GST_AUDIO_FORMAT_F32)
    s.process.ProcessFloat(reinterpret_cast<float*>(map.data), frames);
  else
    s.process.ProcessS16(reinterpret_cast<int16_t*>(map.data), frames);
  gst_buffer_unmap(buffer, &map);
  return GST_FLOW_OK;
}

void Finalize(GObject* object) {
  ZV_TSAN_ACQUIRE(object);
  delete reinterpret_cast<ZvParamEq*>(object)->state;
  G_OBJECT_CLASS(zv_param_eq_parent_class)->finalize(object);
}

void zv_param_eq_class_init(ZvParamEqClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->finalize = Finalize;
  object->set_property = SetProperty;
  object->get_property = GetProperty;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_CONTROLLABLE);
  g_object_class_install_property(
      object, PropCentre, g_param_spec_float("centre", "Centre", "Centre frequency in Hz", 80, 16000, 8000, flags));
  g_object_class_install_property(
      object, PropBandwidth,
      g_param_spec_float("bandwidth", "Bandwidth", "Width of the band in semitones", 1, 36, 12, flags));
  g_object_class_install_property(
      object, PropGain, g_param_spec_float("gain", "Gain", "Gain at the centre in decibels", -15, 15, 0, flags));
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Parametric Equalizer", "Filter/Effect/Audio",
                                        "One peaking stage of the Zelvar equalizer", "Zelvar");
  GstCaps* caps = gst_caps_from_string("audio/x-raw, format = (string) { " GST_AUDIO_NE(F32) ", " GST_AUDIO_NE(
      S16) " }, rate = (int) [ 1, MAX ], channels = (int) [ 1, MAX ], layout = (string) interleaved");
  gst_audio_filter_class_add_pad_templates(GST_AUDIO_FILTER_CLASS(klass), caps);
  gst_caps_unref(caps);
  GST_AUDIO_FILTER_CLASS(klass)->setup = Setup;
  GST_BASE_TRANSFORM_CLASS(klass)->transform_ip = TransformIp;
  GST_BASE_TRANSFORM_CLASS(klass)->transform_ip_on_passthrough = FALSE;
}

void zv_param_eq_init(ZvParamEq* self) {
  self->state = new TEqState();
  ZV_TSAN_RELEASE(self);
}

} // namespace

void RegisterParamEq() {
  static std::once_flag once;
  std::call_once(once, [] { gst_element_register(nullptr, "zvparameq", GST_RANK_NONE, zv_param_eq_get_type()); });
}

bool IsZvParamEq(GstElement* element) { return element && G_TYPE_CHECK_INSTANCE_TYPE(element, zv_param_eq_get_type()); }

} // namespace zv
