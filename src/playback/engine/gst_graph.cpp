#include "playback/engine/gst_graph.h"

#include "core/format.h"
#include "core/stream_address.h"
#include "core/text_util.h"
#include "core/tsan_annotations.h"
#include "filters/avi_source.h"
#include "filters/param_eq_element.h"
#include "filters/video_processor.h"
#include "filters/video_sink.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_media_type.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace eng {
namespace {

std::string PadName(GstPad* pad) {
  gchar* n = gst_pad_get_name(pad);
  std::string s = n ? n : "";
  g_free(n);
  return s;
}

std::string FactoryName(GstElement* e) {
  GstElementFactory* f = gst_element_get_factory(e);
  return f ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)) : std::string();
}

std::string LongName(GstElement* e) {
  GstElementFactory* f = gst_element_get_factory(e);
  const char* n = f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME) : nullptr;
  return n ? n : FactoryName(e);
}

bool IsTransparentBin(GstObject* o) {
  return o && GST_IS_BIN(o) && g_object_get_data(G_OBJECT(o), "zv-transparent") != nullptr;
}

// From a pad that belongs to a looked-through bin's border, the pad of the element behind it.
GstPad* InnerPad(GstPad* pad) {
  while (pad && GST_IS_GHOST_PAD(pad) && IsTransparentBin(GST_OBJECT_PARENT(pad))) {
    GstPad* target = gst_ghost_pad_get_target(GST_GHOST_PAD(pad));
    if (!target)
      return pad;
    gst_object_unref(target); // the ghost pad keeps it alive
    pad = target;
  }
  return pad;
}

int64_t SteadyMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Whether a stream that no decoder takes is media at all: a web page or a text is not.
bool IsMediaCaps(GstCaps* caps) {
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
    return false;
  std::string_view kind = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  for (std::string_view prefix : {"audio/", "video/", "image/", "subpicture/", "application/x-rtp"})
    if (kind.starts_with(prefix))
      return true;
  return false;
}

GstCaps* CapsOf(GstPad* pad) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (!caps)
    caps = gst_pad_query_caps(pad, nullptr);
  return caps;
}

// Walks upstream from a sink pad, element by element through their first inputs, until a pad
// offers caps with a fixed width and height.
bool UpstreamPictureSize(GstPad* sink, int& width, int& height) {
  GstPad* pad = gst_pad_get_peer(sink);
  for (int depth = 0; pad && depth < 8; ++depth) {
    GstPad* inner = InnerPad(pad);
    GstCaps* caps = gst_pad_get_current_caps(inner);
    if (!caps)
      caps = gst_pad_query_caps(inner, nullptr);
    bool ok = false;
    if (caps && !gst_caps_is_empty(caps) && !gst_caps_is_any(caps)) {
      const GstStructure* s = gst_caps_get_structure(caps, 0);
      ok = gst_structure_get_int(s, "width", &width) && gst_structure_get_int(s, "height", &height);
    }
    if (caps)
      gst_caps_unref(caps);
    if (ok) {
      gst_object_unref(pad);
      return true;
    }
    GstElement* element = gst_pad_get_parent_element(inner);
    gst_object_unref(pad);
    pad = nullptr;
    if (!element)
      break;
    GstIterator* it = gst_element_iterate_sink_pads(element);
    GValue v = G_VALUE_INIT;
    if (gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
      pad = gst_pad_get_peer(GST_PAD(g_value_get_object(&v)));
      g_value_unset(&v);
    }
    gst_iterator_free(it);
    gst_object_unref(element);
  }
  if (pad)
    gst_object_unref(pad);
  return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pins

TGstPin::TGstPin(TGstFilter* owner, GstPad* pad) : owner_(owner), pad_(GST_PAD(gst_object_ref(pad))) {}

TGstPin::~TGstPin() { gst_object_unref(pad_); }

std::string TGstPin::Name() const { return PadName(pad_); }

TPinDirection TGstPin::Direction() const {
  return GST_PAD_DIRECTION(pad_) == GST_PAD_SRC ? TPinDirection::Output : TPinDirection::Input;
}

IFilter* TGstPin::Owner() const { return owner_; }

GstPad* TGstPin::OuterPad() const {
  GstPad* pad = pad_;
  for (;;) {
    GstPad* peer = gst_pad_get_peer(pad);
    if (!peer)
      return pad;
    // The inside half of a ghost pad: the pad continues outside the bin.
    GstPad* ghost = nullptr;
    if (GST_IS_PROXY_PAD(peer) && !GST_IS_GHOST_PAD(peer)) {
      GstProxyPad* internal = gst_proxy_pad_get_internal(GST_PROXY_PAD(peer));
      if (internal && GST_IS_GHOST_PAD(internal) && IsTransparentBin(GST_OBJECT_PARENT(internal)))
        ghost = GST_PAD(internal);
      else if (internal)
        gst_object_unref(internal);
    }
    gst_object_unref(peer);
    if (!ghost)
      return pad;
    gst_object_unref(ghost); // its bin keeps it alive
    pad = ghost;
  }
}

IPin* TGstPin::ConnectedTo() const {
  GstPad* peer = gst_pad_get_peer(OuterPad());
  if (!peer)
    return nullptr;
  GstPad* inner = InnerPad(peer);
  gst_object_unref(peer);
  GstElement* element = GST_ELEMENT(GST_OBJECT_PARENT(inner));
  TGstGraph* g = owner_->Graph();
  TGstFilter* f = g ? g->FilterOfElement(element) : nullptr;
  return f ? f->PinOf(inner) : nullptr;
}

HRESULT TGstPin::ConnectionMediaType(TMediaType& mt) const {
  GstPad* outer = OuterPad();
  if (!gst_pad_is_linked(outer))
    return VFW_E_NOT_CONNECTED;
  GstCaps* caps = gst_pad_get_current_caps(outer);
  if (!caps)
    caps = gst_pad_get_current_caps(pad_);
  if (!caps)
    return VFW_E_NOT_CONNECTED;
  mt = MediaTypeFromCaps(caps);
  gst_caps_unref(caps);
  return S_OK;
}

std::vector<TMediaType> TGstPin::MediaTypes() const {
  std::vector<TMediaType> types;
  GstCaps* caps = CapsOf(OuterPad());
  if (!caps)
    return types;
  if (gst_caps_is_any(caps) || gst_caps_is_empty(caps)) {
    gst_caps_unref(caps);
    return types;
  }
  for (guint i = 0; i < gst_caps_get_size(caps) && i < 32; ++i) {
    GstCaps* one = gst_caps_copy_nth(caps, i);
    types.push_back(MediaTypeFromCaps(one));
    gst_caps_unref(one);
  }
  gst_caps_unref(caps);
  return types;
}

// ---------------------------------------------------------------------------------------------
// Filters

TGstFilter::TGstFilter(GstElement* element, TGuid classId, std::string defaultName)
    : element_(GST_ELEMENT(gst_object_ref_sink(element))), class_(classId), defaultName_(std::move(defaultName)) {}

TGstFilter::~TGstFilter() {
  pins_.clear();
  gst_object_unref(element_);
}

std::string TGstFilter::Name() const { return name_; }

TGstPin* TGstFilter::PinOf(GstPad* pad) {
  std::lock_guard<std::mutex> guard(pinLock_);
  auto it = pins_.find(pad);
  if (it != pins_.end())
    return it->second.get();
  auto pin = std::make_unique<TGstPin>(this, pad);
  TGstPin* raw = pin.get();
  pins_[pad] = std::move(pin);
  return raw;
}

std::vector<IPin*> TGstFilter::Pins() {
  std::vector<IPin*> pins;
  GstIterator* it = gst_element_iterate_pads(element_);
  GValue v = G_VALUE_INIT;
  std::vector<GstPad*> pads;
  bool done = false;
  while (!done) {
    switch (gst_iterator_next(it, &v)) {
    case GST_ITERATOR_OK:
      pads.push_back(GST_PAD(g_value_get_object(&v)));
      g_value_reset(&v);
      break;
    case GST_ITERATOR_RESYNC:
      pads.clear();
      gst_iterator_resync(it);
      break;
    default: done = true; break;
    }
  }
  g_value_unset(&v);
  gst_iterator_free(it);
  // Element pads iterate in the order they were added.
  for (GstPad* p : pads)
    pins.push_back(PinOf(p));
  return pins;
}

std::shared_ptr<zv::TVideoProcSettings> TGstFilter::ProcessorSettings() { return zv::ZvVideoProcSettings(element_); }

namespace {

// A named element inside a renderer bin (a new reference), or none.
GstElement* Child(GstElement* bin, const char* name) {
  return GST_IS_BIN(bin) ? gst_bin_get_by_name(GST_BIN(bin), name) : nullptr;
}

// Sets a property of a named element inside a renderer bin; false without that element.
template <class T>
bool SetOnChild(GstElement* bin, const char* child, const char* property, T value) {
  GstElement* c = Child(bin, child);
  if (!c)
    return false;
  g_object_set(c, property, value, nullptr);
  gst_object_unref(c);
  return true;
}

GstElement* EqualizerElement(GstElement* e) {
  if (zv::IsZvParamEq(e))
    return GST_ELEMENT(gst_object_ref(e));
  return Child(e, "zveq");
}

} // namespace

IBasicAudio* TGstFilter::BasicAudio() {
  GstElement* v = Child(element_, "zvvolume");
  if (!v)
    return nullptr;
  gst_object_unref(v);
  return this;
}

HRESULT TGstFilter::SetVolume(long volume) {
  volume = std::clamp<long>(volume, -10000, 0);
  // Hundredths of a decibel below full; the bottom of the scale is silence.
  const double linear = volume <= -10000 ? 0.0 : std::pow(10.0, static_cast<double>(volume) / 2000.0);
  if (!SetOnChild(element_, "zvvolume", "volume", linear))
    return E_NOINTERFACE;
  volume_ = volume;
  return S_OK;
}

HRESULT TGstFilter::SetBalance(long balance) {
  balance = std::clamp<long>(balance, -10000, 10000);
  // The other side is attenuated by |balance| hundredths of a decibel; the ends silence it. The
  // simple panorama scales that side by 1 - |panorama|.
  const double cut =
      std::abs(balance) >= 10000 ? 0.0 : std::pow(10.0, -std::abs(static_cast<double>(balance)) / 2000.0);
  const double pan = (balance < 0 ? -1.0 : 1.0) * (1.0 - cut);
  if (!SetOnChild(element_, "zvbalance", "panorama", static_cast<float>(pan)))
    return E_NOINTERFACE;
  balance_ = balance;
  return S_OK;
}

HRESULT TGstFilter::GetVolume(long& volume) {
  volume = volume_;
  return BasicAudio() ? S_OK : E_NOINTERFACE;
}

HRESULT TGstFilter::GetBalance(long& balance) {
  balance = balance_;
  return BasicAudio() ? S_OK : E_NOINTERFACE;
}

IParamEq* TGstFilter::ParamEq() {
  GstElement* e = EqualizerElement(element_);
  if (!e)
    return nullptr;
  gst_object_unref(e);
  return this;
}

HRESULT TGstFilter::GetAllParameters(TParamEqParams& params) {
  GstElement* e = EqualizerElement(element_);
  if (!e)
    return E_NOINTERFACE;
  g_object_get(e, "centre", &params.centre, "bandwidth", &params.bandwidth, "gain", &params.gain, nullptr);
  gst_object_unref(e);
  return S_OK;
}

HRESULT TGstFilter::SetAllParameters(const TParamEqParams& params) {
  GstElement* e = EqualizerElement(element_);
  if (!e)
    return E_NOINTERFACE;
  if (!(params.centre >= 80 && params.centre <= 16000 && params.bandwidth >= 1 && params.bandwidth <= 36 &&
        params.gain >= -15 && params.gain <= 15)) {
    gst_object_unref(e);
    return E_INVALIDARG;
  }
  g_object_set(e, "centre", params.centre, "bandwidth", params.bandwidth, "gain", params.gain, nullptr);
  gst_object_unref(e);
  return S_OK;
}

namespace {

// Properties a settings dialog can offer: read and written while running, of a plain kind.
bool Offered(const GParamSpec* p) {
  if ((p->flags & G_PARAM_READWRITE) != G_PARAM_READWRITE || (p->flags & G_PARAM_CONSTRUCT_ONLY))
    return false;
  if (g_str_equal(p->name, "name") || g_str_equal(p->name, "parent") || g_str_equal(p->name, "qos"))
    return false;
  const GType t = G_PARAM_SPEC_VALUE_TYPE(p);
  return t == G_TYPE_BOOLEAN || t == G_TYPE_INT || t == G_TYPE_UINT || t == G_TYPE_INT64 || t == G_TYPE_UINT64 ||
         t == G_TYPE_FLOAT || t == G_TYPE_DOUBLE || t == G_TYPE_STRING || G_TYPE_IS_ENUM(t);
}

std::vector<GParamSpec*> OfferedSpecs(GObject* object) {
  guint n = 0;
  GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(object), &n);
  std::vector<GParamSpec*> offered;
  for (guint i = 0; i < n; ++i)
    if (Offered(specs[i]))
      offered.push_back(specs[i]);
  g_free(specs);
  return offered;
}

// The plumbing the program puts around the elements that do the work.
bool IsPlumbing(GstElement* e) {
  GstElementFactory* f = gst_element_get_factory(e);
  const char* name = f ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)) : "";
  for (const char* plumbing : {"queue", "videoconvert", "audioconvert", "audioresample", "capsfilter"})
    if (g_str_equal(name, plumbing))
      return true;
  return false;
}

// A bin shows the settings of its working element that has the most (a decoder, the processor).
GstElement* SettingsElement(GstElement* element) {
  if (!GST_IS_BIN(element))
    return element;
  GstElement* best = nullptr;
  size_t most = 0;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(element));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* child = GST_ELEMENT(g_value_get_object(&item));
    if (!GST_IS_BIN(child) && !IsPlumbing(child)) {
      const size_t n = OfferedSpecs(G_OBJECT(child)).size();
      if (n > most) {
        most = n;
        best = child;
      }
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return best; // the bin holds a reference to it for as long as the filter lives
}

} // namespace

std::vector<TFilterProperty> TGstFilter::Properties() {
  GstElement* e = SettingsElement(element_);
  std::vector<TFilterProperty> out;
  if (!e)
    return out;
  for (GParamSpec* p : OfferedSpecs(G_OBJECT(e))) {
    TFilterProperty f;
    f.name = p->name;
    f.label = g_param_spec_get_nick(p) ? g_param_spec_get_nick(p) : p->name;
    f.description = g_param_spec_get_blurb(p) ? g_param_spec_get_blurb(p) : "";
    GValue v = G_VALUE_INIT;
    g_value_init(&v, G_PARAM_SPEC_VALUE_TYPE(p));
    g_object_get_property(G_OBJECT(e), p->name, &v);
    const GType t = G_PARAM_SPEC_VALUE_TYPE(p);
    if (t == G_TYPE_BOOLEAN) {
      f.kind = TFilterProperty::TKind::Bool;
      f.value = g_value_get_boolean(&v) ? "1" : "0";
    } else if (G_TYPE_IS_ENUM(t)) {
      f.kind = TFilterProperty::TKind::Choice;
      GEnumClass* ec = G_PARAM_SPEC_ENUM(p)->enum_class;
      for (guint i = 0; i < ec->n_values; ++i)
        f.choices.emplace_back(ec->values[i].value, ec->values[i].value_nick);
      f.value = std::to_string(g_value_get_enum(&v));
    } else if (t == G_TYPE_STRING) {
      f.value = g_value_get_string(&v) ? g_value_get_string(&v) : "";
    } else if (t == G_TYPE_FLOAT || t == G_TYPE_DOUBLE) {
      f.kind = TFilterProperty::TKind::Double;
      f.min = t == G_TYPE_FLOAT ? G_PARAM_SPEC_FLOAT(p)->minimum : G_PARAM_SPEC_DOUBLE(p)->minimum;
      f.max = t == G_TYPE_FLOAT ? G_PARAM_SPEC_FLOAT(p)->maximum : G_PARAM_SPEC_DOUBLE(p)->maximum;
      f.value = zv::Format("%g", t == G_TYPE_FLOAT ? g_value_get_float(&v) : g_value_get_double(&v));
    } else {
      f.kind = TFilterProperty::TKind::Int;
      if (t == G_TYPE_INT) {
        f.min = G_PARAM_SPEC_INT(p)->minimum, f.max = G_PARAM_SPEC_INT(p)->maximum;
        f.value = std::to_string(g_value_get_int(&v));
      } else if (t == G_TYPE_UINT) {
        f.min = G_PARAM_SPEC_UINT(p)->minimum, f.max = G_PARAM_SPEC_UINT(p)->maximum;
        f.value = std::to_string(g_value_get_uint(&v));
      } else if (t == G_TYPE_INT64) {
        f.min = static_cast<double>(G_PARAM_SPEC_INT64(p)->minimum),
        f.max = static_cast<double>(G_PARAM_SPEC_INT64(p)->maximum);
        f.value = std::to_string(g_value_get_int64(&v));
      } else {
        f.min = static_cast<double>(G_PARAM_SPEC_UINT64(p)->minimum),
        f.max = static_cast<double>(G_PARAM_SPEC_UINT64(p)->maximum);
        f.value = std::to_string(g_value_get_uint64(&v));
      }
    }
    g_value_unset(&v);
    out.push_back(std::move(f));
  }
  return out;
}

HRESULT TGstFilter::SetProperty(const std::string& name, const std::string& value) {
  GstElement* e = SettingsElement(element_);
  GParamSpec* p = e ? g_object_class_find_property(G_OBJECT_GET_CLASS(e), name.c_str()) : nullptr;
  if (!p || !Offered(p))
    return E_INVALIDARG;
  const GType t = G_PARAM_SPEC_VALUE_TYPE(p);
  GValue v = G_VALUE_INIT;
  g_value_init(&v, t);
  const std::optional<double> number = zv::ParseDecimal(value);
  bool ok = true;
  if (t == G_TYPE_STRING) {
    g_value_set_string(&v, value.c_str());
  } else if (!number) {
    ok = false;
  } else if (t == G_TYPE_BOOLEAN) {
    g_value_set_boolean(&v, *number != 0);
  } else if (G_TYPE_IS_ENUM(t)) {
    ok = g_enum_get_value(G_PARAM_SPEC_ENUM(p)->enum_class, static_cast<int>(*number)) != nullptr;
    if (ok)
      g_value_set_enum(&v, static_cast<int>(*number));
  } else {
    // Out-of-range numbers are refused by the property itself (g_param_value_validate).
    GValue d = G_VALUE_INIT;
    g_value_init(&d, G_TYPE_DOUBLE);
    g_value_set_double(&d, *number);
    ok = g_value_type_transformable(G_TYPE_DOUBLE, t) && g_value_transform(&d, &v) && !g_param_value_validate(p, &v);
    g_value_unset(&d);
  }
  if (ok)
    g_object_set_property(G_OBJECT(e), name.c_str(), &v);
  g_value_unset(&v);
  return ok ? S_OK : E_INVALIDARG;
}

std::string TGstFilter::ImplementationFile() const {
  GstElementFactory* f = gst_element_get_factory(element_);
  if (!f)
    return "?";
  GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(f));
  if (!plugin)
    return "?";
  const char* file = gst_plugin_get_filename(plugin);
  std::string r = file ? file : "?";
  gst_object_unref(plugin);
  return r;
}

HRESULT TGstFilter::LoadFile(const std::string& name) {
  if (zv::IsZvAviSource(element_))
    return zv::ZvAviSourceLoad(element_, name);
  if (!g_object_class_find_property(G_OBJECT_GET_CLASS(element_), "location"))
    return E_NOINTERFACE;
  g_object_set(element_, "location", name.c_str(), nullptr);
  return S_OK;
}

HRESULT TGstFilter::LoadFiles(const std::vector<std::string>& names) {
  return zv::ZvAviSourceLoadFiles(element_, names);
}

// ---------------------------------------------------------------------------------------------
// The graph

TGstGraph::TGstGraph() {
  pipeline_ = gst_pipeline_new(nullptr);
  gst_object_ref_sink(pipeline_);
  bus_ = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus_, &TGstGraph::OnBusSync, this, nullptr);
  ZV_TSAN_RELEASE(this);
}

TGstGraph::~TGstGraph() {
  StopWatch();
  SetVideoOutput(nullptr);
  if (dvd_)
    dvd_->Stop();
  // Stopping joins every streaming thread, so no callback can run after this.
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  dvd_.reset();
  gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (auto& [pad, id] : holds_) {
      gst_pad_remove_probe(pad, id);
      gst_object_unref(pad);
    }
    holds_.clear();
    for (auto& [pad, id] : parked_) {
      gst_pad_remove_probe(pad, id);
      gst_object_unref(pad);
    }
    parked_.clear();
    inner_.clear();
    filters_.clear();
  }
  gst_bus_set_flushing(bus_, TRUE);
  gst_object_unref(bus_);
  for (GstMessage* m : messages_)
    gst_message_unref(m);
  messages_.clear();
  gst_object_unref(pipeline_);
}

HRESULT TGstGraph::QueryInterface(TInterface which) {
  switch (which) {
  case TInterface::BasicAudio:
  case TInterface::MediaControl:
  case TInterface::MediaSeeking:
  case TInterface::MediaEvent:
  case TInterface::VideoWindow:
  case TInterface::BasicVideo:
  case TInterface::VideoFrameStep: return S_OK;
  }
  return E_NOINTERFACE;
}

void TGstGraph::Trace(const std::string& line) {
  std::lock_guard<std::mutex> guard(traceLock_);
  if (tracePath_.empty())
    return;
  std::ofstream out(tracePath_, std::ios::app | std::ios::binary);
  out << line << "\r\n";
}

void TGstGraph::SetLogFile(const std::string& path) {
  std::lock_guard<std::mutex> guard(traceLock_);
  tracePath_ = path;
}

std::string TGstGraph::UniqueName(const std::string& wanted) {
  auto taken = [this](const std::string& n) {
    for (auto& f : filters_)
      if (f->Name() == n)
        return true;
    return false;
  };
  if (!taken(wanted))
    return wanted;
  for (int i = 1; i < 10000; ++i) {
    std::string candidate = wanted + zv::Format(" %.4d", i);
    if (!taken(candidate))
      return candidate;
  }
  return wanted;
}

HRESULT TGstGraph::AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) {
  auto f = std::dynamic_pointer_cast<TGstFilter>(filter);
  if (!f)
    return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (f->graph_)
    return VFW_E_WRONG_STATE;
  if (!gst_bin_add(GST_BIN(pipeline_), f->Element()))
    return E_FAIL;
  std::string unique = UniqueName(name.empty() ? f->DefaultName() : name);
  f->SetName(unique);
  f->graph_ = this;
  filters_.push_back(f);
  // A renderer added before the first run waits with the others.
  if (!released_)
    HoldRenderer(f->Element());
  gst_element_sync_state_with_parent(f->Element());
  Trace("AddFilter " + unique + " (" + FactoryName(f->Element()) + ")");
  return unique == name || name.empty() ? S_OK : VFW_S_DUPLICATE_NAME;
}

void TGstGraph::AddOwnFilter(const std::shared_ptr<TGstFilter>& f, const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  f->SetName(UniqueName(name));
  f->graph_ = this;
  filters_.push_back(f);
  Trace("AddFilter " + f->Name() + " (" + FactoryName(f->Element()) + ")");
}

HRESULT TGstGraph::RemoveFilter(IFilter* filter) {
  auto* f = dynamic_cast<TGstFilter*>(filter);
  if (!f)
    return E_POINTER;
  if (f->topLevel)
    f = f->topLevel; // a child of a looked-through bin goes with its bin
  std::shared_ptr<TGstFilter> keep;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    auto it = std::find_if(filters_.begin(), filters_.end(), [f](auto& p) { return p.get() == f; });
    if (it == filters_.end())
      return VFW_E_NOT_IN_GRAPH;
    keep = *it;
    filters_.erase(it);
    for (auto i = inner_.begin(); i != inner_.end();) {
      if (i->second->topLevel == f)
        i = inner_.erase(i);
      else
        ++i;
    }
    for (auto h = holds_.begin(); h != holds_.end();) {
      if (GST_OBJECT_PARENT(h->first) == GST_OBJECT(f->Element())) {
        gst_pad_remove_probe(h->first, h->second);
        gst_object_unref(h->first);
        h = holds_.erase(h);
      } else {
        ++h;
      }
    }
  }
  GstElement* e = f->Element();
  if (zv::IsZvVideoSink(e))
    zv::ZvVideoSinkSetOutput(e, nullptr);
  // While data flows, what feeds the element waits at a block, and the data it held is lost:
  // the flow starts again where it was once the links are mended. What lies below it is flushed
  // first: a thread that pushes through the element may wait in a full queue further down, and
  // stopping the element needs that thread.
  if (Live()) {
    for (IPin* p : f->Pins()) {
      GstPad* pad = static_cast<TGstPin*>(p)->Pad();
      GstPad* peer = gst_pad_get_peer(pad);
      if (GST_PAD_DIRECTION(pad) == GST_PAD_SINK) {
        {
          std::lock_guard<std::recursive_mutex> guard(lock_);
          flushed_ = true;
        }
        if (peer)
          Park(peer);
      } else if (peer) {
        gst_pad_unlink(pad, peer);
        FlushBelow(peer);
      }
      if (peer)
        gst_object_unref(peer);
    }
  }
  // A pad of the element that waits at a block lets its data fall instead: stopping the element
  // needs the streaming threads that wait there.
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (auto it = parked_.begin(); it != parked_.end();) {
      if (gst_object_has_as_ancestor(GST_OBJECT(it->first), GST_OBJECT(e))) {
        gst_pad_add_probe(
            it->first, GST_PAD_PROBE_TYPE_DATA_DOWNSTREAM,
            [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_DROP; }, nullptr, nullptr);
        gst_pad_remove_probe(it->first, it->second);
        gst_object_unref(it->first);
        it = parked_.erase(it);
      } else {
        ++it;
      }
    }
  }
  gst_element_set_locked_state(e, TRUE);
  gst_element_set_state(e, GST_STATE_NULL);
  // Unlink every pad before the element leaves the bin.
  for (IPin* p : f->Pins()) {
    GstPad* pad = static_cast<TGstPin*>(p)->Pad();
    GstPad* peer = gst_pad_get_peer(pad);
    if (peer) {
      if (GST_PAD_DIRECTION(pad) == GST_PAD_SRC)
        gst_pad_unlink(pad, peer);
      else
        gst_pad_unlink(peer, pad);
      gst_object_unref(peer);
    }
    Unpark(pad); // an output of the element itself no longer waits for anything
  }
  gst_bin_remove(GST_BIN(pipeline_), e);
  gst_element_set_locked_state(e, FALSE);
  {
    // What the filter reported while it was in the graph goes with it (a splitter that failed
    // during building must not abort the graph that replaces it).
    std::lock_guard<std::mutex> guard(messageLock_);
    for (auto m = messages_.begin(); m != messages_.end();) {
      GstObject* from = GST_MESSAGE_SRC(*m);
      if (from && (from == GST_OBJECT(e) || gst_object_has_as_ancestor(from, GST_OBJECT(e)))) {
        gst_message_unref(*m);
        m = messages_.erase(m);
      } else {
        ++m;
      }
    }
  }
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (netSource_ == e)
      netSource_ = nullptr;
  }
  f->graph_ = nullptr;
  Trace("RemoveFilter " + f->Name());
  return S_OK;
}

TGstFilter* TGstGraph::FilterOfElement(GstElement* element) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  // Climb to the element the graph shows: the top-level filter, or the child of a looked-through bin.
  GstElement* e = element;
  while (e) {
    for (auto& f : filters_)
      if (f->Element() == e && !f->transparent)
        return f.get();
    GstObject* parent = GST_OBJECT_PARENT(e);
    if (IsTransparentBin(parent)) {
      auto it = inner_.find(e);
      if (it != inner_.end())
        return it->second.get();
      TGstFilter* top = nullptr;
      for (GstObject* p = parent; p && !top; p = GST_OBJECT_PARENT(p))
        for (auto& f : filters_)
          if (GST_OBJECT(f->Element()) == p)
            top = f.get();
      if (!top)
        return nullptr;
      auto inner = std::make_unique<TGstFilter>(e, ClassOfFactory(FactoryName(e)), LongName(e));
      inner->SetName(LongName(e));
      inner->graph_ = this;
      inner->topLevel = top;
      TGstFilter* raw = inner.get();
      inner_[e] = std::move(inner);
      return raw;
    }
    if (!parent || GST_OBJECT(parent) == GST_OBJECT(pipeline_) || !GST_IS_ELEMENT(parent))
      return nullptr;
    e = GST_ELEMENT(parent);
  }
  return nullptr;
}

std::vector<IFilter*> TGstGraph::EnumFilters() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  std::vector<IFilter*> out;
  std::function<void(GstBin*)> walk = [&](GstBin* bin) {
    // Children of a bin iterate most recently added first, as filters of the graph do.
    GstIterator* it = gst_bin_iterate_elements(bin);
    GValue v = G_VALUE_INIT;
    std::vector<GstElement*> children;
    bool done = false;
    while (!done) {
      switch (gst_iterator_next(it, &v)) {
      case GST_ITERATOR_OK:
        children.push_back(GST_ELEMENT(g_value_get_object(&v)));
        g_value_reset(&v);
        break;
      case GST_ITERATOR_RESYNC:
        children.clear();
        gst_iterator_resync(it);
        break;
      default: done = true; break;
      }
    }
    g_value_unset(&v);
    gst_iterator_free(it);
    for (GstElement* c : children) {
      if (GST_IS_BIN(c) && g_object_get_data(G_OBJECT(c), "zv-flatten"))
        walk(GST_BIN(c));
      else if (TGstFilter* f = FilterOfElement(c))
        out.push_back(f);
    }
  };
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
    if ((*it)->transparent)
      walk(GST_BIN((*it)->Element()));
    else
      out.push_back(it->get());
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Discovery of streams

void TGstGraph::Hold(GstPad* pad) {
  // Buffers wait here until the first pause or run; events pass, so the renderer learns the
  // format and the graph can still be changed safely.
  gulong id = gst_pad_add_probe(
      pad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER |
                                   GST_PAD_PROBE_TYPE_BUFFER_LIST),
      [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
  std::lock_guard<std::recursive_mutex> guard(lock_);
  holds_.emplace_back(GST_PAD(gst_object_ref(pad)), id);
}

void TGstGraph::HoldRenderer(GstElement* renderer) {
  // Inside the renderer, after its queue: the format still reaches the sink, the pictures wait.
  GstElement* q = GST_IS_BIN(renderer) ? gst_bin_get_by_name(GST_BIN(renderer), "zvhold") : nullptr;
  if (!q)
    return;
  GstPad* src = gst_element_get_static_pad(q, "src");
  if (src) {
    Hold(src);
    gst_object_unref(src);
  }
  gst_object_unref(q);
}

void TGstGraph::ReleaseHolds() {
  std::vector<std::pair<GstPad*, gulong>> holds;
  bool restart;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    released_ = true;
    holds.swap(holds_);
    restart = restart_;
    restart_ = false;
  }
  // A stream rendered after its source had started may have lost its beginning: everything starts
  // again from the top, which a graph that has not run yet can do unseen.
  if (restart && !holds.empty()) {
    Trace("restart from the beginning");
    gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH), 0);
  }
  for (auto& [pad, id] : holds) {
    gst_pad_remove_probe(pad, id);
    gst_object_unref(pad);
  }
}

bool TGstGraph::Live() const {
  GstState cur = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  gst_element_get_state(pipeline_, &cur, &pending, 0);
  return cur >= GST_STATE_PAUSED || pending >= GST_STATE_PAUSED;
}

void TGstGraph::Park(GstPad* src) {
  bool first;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (parked_.count(src))
      return;
    first = parked_.empty() && !flushed_;
  }
  // Where the flow is now, for starting it again there; asked without the graph's lock, since the
  // sinks answer under locks of their own that streaming threads hold while they call the graph.
  gint64 pos = -1;
  if (first && !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos))
    pos = -1;
  const gulong id = gst_pad_add_probe(
      src, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; },
      nullptr, nullptr);
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (first && pos >= 0)
    resyncPosition_ = pos / 100;
  parked_[GST_PAD(gst_object_ref(src))] = id;
  // Until the first run, everything starts again from the top anyway.
  if (!released_)
    restart_ = true;
}

void TGstGraph::Unpark(GstPad* src) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto it = parked_.find(src);
  if (it == parked_.end())
    return;
  gst_pad_remove_probe(it->first, it->second);
  gst_object_unref(it->first);
  parked_.erase(it);
}

void TGstGraph::FlushBelow(GstPad* sink) {
  // The stop waits for the stream lock, so it comes after the push that waited has returned.
  gst_pad_send_event(sink, gst_event_new_flush_start());
  gst_pad_send_event(sink, gst_event_new_flush_stop(FALSE));
}

void TGstGraph::Resync() {
  int64_t position;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!flushed_ || !parked_.empty())
      return;
    flushed_ = false;
    if (!released_) {
      restart_ = true;
      return;
    }
    position = resyncPosition_;
  }
  Trace(zv::Format("resync at %d", position));
  gst_element_seek_simple(pipeline_, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), position * 100);
}

std::shared_ptr<TGstFilter> TGstGraph::MakeRenderer(GstCaps* caps, HRESULT& hr) {
  hr = S_OK;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  std::string kind = gst_structure_get_name(s);
  GError* err = nullptr;
  GstElement* bin = nullptr;
  TGuid cls;
  std::string name;
  if (kind == "video/x-raw") {
    std::string desc = "queue name=zvhold ! videoconvert ! " + VideoSinkDescription();
    bin = gst_parse_bin_from_description(desc.c_str(), TRUE, &err);
    cls = classes::VideoRenderer;
    name = "Video Renderer";
  } else if (kind == "audio/x-raw") {
    bin = MakeAudioRendererBin(nullptr, &err);
    cls = classes::DirectSoundRenderer;
    name = "Default DirectSound Device";
  } else {
    // Texts and subpictures have no place to go yet; a null renderer takes them in time.
    bin = gst_parse_bin_from_description("queue name=zvhold ! fakesink sync=true async=false", TRUE, &err);
    cls = classes::NullRenderer;
    name = "Null Renderer";
  }
  if (err) {
    Trace(std::string("renderer: ") + err->message);
    g_error_free(err);
    if (bin)
      gst_object_unref(bin);
    hr = kind == "audio/x-raw" ? VFW_E_NO_AUDIO_HARDWARE : VFW_E_CANNOT_RENDER;
    return nullptr;
  }
  if (kind == "audio/x-raw") {
    // The sound device opens here; without one there is nothing to play the sound on.
    gst_object_ref_sink(bin);
    if (gst_element_set_state(bin, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
      gst_element_set_state(bin, GST_STATE_NULL);
      gst_object_unref(bin);
      Trace("renderer: no audio device could be opened");
      hr = VFW_E_NO_AUDIO_HARDWARE;
      return nullptr;
    }
    auto f = std::make_shared<TGstFilter>(bin, cls, name);
    gst_object_unref(bin);
    return f;
  }
  return std::make_shared<TGstFilter>(bin, cls, name);
}

HRESULT TGstGraph::AttachRenderer(GstPad* pad, GstCaps* caps) {
  HRESULT hr;
  std::shared_ptr<TGstFilter> r = MakeRenderer(caps, hr);
  if (!r)
    return hr;
  bool held;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    held = !released_;
  }
  if (held)
    HoldRenderer(r->Element());
  gst_bin_add(GST_BIN(pipeline_), r->Element());
  // Pictures go through the video processor the graph holds, when it has one free.
  std::shared_ptr<TGstFilter> processor =
      gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw") ? FreeProcessor() : nullptr;
  GstPad* sink = gst_element_get_static_pad(r->Element(), "sink");
  GstPadLinkReturn link;
  if (processor) {
    GstPad* in = gst_element_get_static_pad(processor->Element(), "sink");
    GstPad* out = gst_element_get_static_pad(processor->Element(), "src");
    link = in && out ? gst_pad_link(pad, in) : GST_PAD_LINK_REFUSED;
    if (link == GST_PAD_LINK_OK) {
      link = gst_pad_link(out, sink);
      if (link != GST_PAD_LINK_OK)
        gst_pad_unlink(pad, in);
    }
    if (in)
      gst_object_unref(in);
    if (out)
      gst_object_unref(out);
    Trace("Render through " + processor->Name() + (link == GST_PAD_LINK_OK ? "" : ": refused"));
    // The branch's queue is in front of the processor now. The renderer's own queue keeps a
    // single picture, so what the processor draws in (texts, colours) is on the screen at once
    // rather than a second of queued pictures later.
    if (GstElement* q = link == GST_PAD_LINK_OK ? gst_bin_get_by_name(GST_BIN(r->Element()), "zvhold") : nullptr) {
      g_object_set(q, "max-size-buffers", 1u, "max-size-time", guint64{0}, "max-size-bytes", 0u, nullptr);
      gst_object_unref(q);
    }
  }
  // Without a processor, or when it refused the pictures, the renderer takes them directly.
  if (!processor || link != GST_PAD_LINK_OK)
    link = gst_pad_link(pad, sink);
  gst_object_unref(sink);
  if (link != GST_PAD_LINK_OK) {
    gst_bin_remove(GST_BIN(pipeline_), r->Element());
    Trace(zv::Format("renderer: link failed (%d)", static_cast<int>(link)));
    return VFW_E_CANNOT_CONNECT;
  }
  AddOwnFilter(r, r->DefaultName());
  ApplyVideoOutput();
  gst_element_sync_state_with_parent(r->Element());
  return S_OK;
}

std::shared_ptr<TGstFilter> TGstGraph::FreeProcessor() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (const auto& f : filters_) {
    if (f->ClassId() != classes::VideoProcessor)
      continue;
    GstPad* in = gst_element_get_static_pad(f->Element(), "sink");
    const bool free = in && !gst_pad_is_linked(in);
    if (in)
      gst_object_unref(in);
    if (free)
      return f;
  }
  return nullptr;
}

void TGstGraph::OnPadAdded(GstElement* element, GstPad* pad, gpointer self) {
  ZV_TSAN_ACQUIRE(self);
  static_cast<TGstGraph*>(self)->HandleNewPad(element, pad);
}

void TGstGraph::HandleNewPad(GstElement* element, GstPad* pad) {
  if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC)
    return;
  GstCaps* caps = CapsOf(pad);
  gchar* text = caps ? gst_caps_to_string(caps) : nullptr;
  Trace(std::string("pad-added ") + PadName(pad) + ": " + (text ? text : "(no caps)"));
  g_free(text);
  bool raw = IsRawCaps(caps);
  bool isAudio =
      caps && !gst_caps_is_empty(caps) && gst_structure_has_name(gst_caps_get_structure(caps, 0), "audio/x-raw");
  bool isVideo =
      caps && !gst_caps_is_empty(caps) && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw");
  HRESULT hr = raw ? AttachRenderer(pad, caps) : VFW_E_CANNOT_RENDER;
  if (caps)
    gst_caps_unref(caps);
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (Succeeded(hr)) {
      (isVideo ? renderedVideo_ : isAudio ? renderedAudio_ : renderedOther_)++;
    } else {
      ++freePins_; // a stream no decoder could take stays a free output pin
      if (hr == VFW_E_NO_AUDIO_HARDWARE)
        ++noAudioHardware_;
    }
  }
  waitCond_.notify_all();
}

void TGstGraph::OnUnknownType(GstElement*, GstPad* pad, GstCaps* caps, gpointer self) {
  ZV_TSAN_ACQUIRE(self);
  // A stream no decoder takes: its pad stays unlinked inside the decoding bin, a free output pin.
  auto* g = static_cast<TGstGraph*>(self);
  gchar* text = caps ? gst_caps_to_string(caps) : nullptr;
  g->Trace(std::string("unknown-type ") + PadName(pad) + ": " + (text ? text : ""));
  g_free(text);
  {
    std::lock_guard<std::mutex> guard(g->waitLock_);
    ++g->freePins_;
    if (!IsMediaCaps(caps))
      ++g->notMedia_;
  }
  g->waitCond_.notify_all();
}

void TGstGraph::OnNoMorePads(GstElement* element, gpointer self) {
  ZV_TSAN_ACQUIRE(self);
  auto* g = static_cast<TGstGraph*>(self);
  g->Trace("no-more-pads");
  {
    std::lock_guard<std::mutex> guard(g->waitLock_);
    g->noMorePads_.insert(element);
  }
  g->waitCond_.notify_all();
}

GstBusSyncReply TGstGraph::OnBusSync(GstBus*, GstMessage* msg, gpointer self) {
  ZV_TSAN_ACQUIRE(self);
  auto* g = static_cast<TGstGraph*>(self);
  ShareHttpSession(msg);
  if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
    GError* err = nullptr;
    gchar* dbg = nullptr;
    gst_message_parse_error(msg, &err, &dbg);
    g->Trace(std::string("error: ") + (err ? err->message : "?") + " (" + (dbg ? dbg : "") + ")");
    {
      std::lock_guard<std::mutex> guard(g->waitLock_);
      if (!g->error_) {
        g->error_ = true;
        g->errorCode_ = g->ErrorToResult(err);
      }
      GstObject* from = GST_MESSAGE_SRC(msg);
      if (g->netSource_ && Succeeded(g->netError_) && from &&
          (from == GST_OBJECT(g->netSource_) || gst_object_has_as_ancestor(from, GST_OBJECT(g->netSource_))))
        g->netError_ = NetworkErrorResult(err, dbg);
    }
    g->waitCond_.notify_all();
    if (err)
      g_error_free(err);
    g_free(dbg);
  }
  // What a stream tells is taken as it is posted, in order; a message that tells nothing new (a
  // title repeated a thousand times a second) ends here, on the thread that made it.
  if ((GST_MESSAGE_TYPE(msg) == GST_MESSAGE_TAG || GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ELEMENT) &&
      !g->TakeNotices(msg)) {
    gst_message_unref(msg);
    return GST_BUS_DROP;
  }
  // The message joins the graph's own queue before anyone is told: a notification never arrives
  // ahead of its message. GetEvent takes them from there in order. A sync handler that drops a
  // message owns it: the bus's reference moves into the queue.
  {
    std::lock_guard<std::mutex> guard(g->messageLock_);
    g->messages_.push_back(msg);
  }
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> guard(g->notifyLock_);
    notify = g->notify_;
  }
  if (notify)
    notify();
  return GST_BUS_DROP;
}

HRESULT TGstGraph::ErrorToResult(GError* error) const {
  if (!error)
    return E_FAIL;
  if (error->domain == GST_RESOURCE_ERROR) {
    if (error->code == GST_RESOURCE_ERROR_NOT_FOUND)
      return Code(0x80070002); // the file was not found
    if (error->code == GST_RESOURCE_ERROR_OPEN_WRITE || error->code == GST_RESOURCE_ERROR_BUSY)
      return VFW_E_NO_AUDIO_HARDWARE;
    return Code(0x8007001E); // the file could not be read
  }
  if (error->domain == GST_STREAM_ERROR) {
    if (error->code == GST_STREAM_ERROR_TYPE_NOT_FOUND || error->code == GST_STREAM_ERROR_WRONG_TYPE)
      return VFW_E_UNKNOWN_FILE_TYPE;
    if (error->code == GST_STREAM_ERROR_DEMUX || error->code == GST_STREAM_ERROR_FORMAT)
      return VFW_E_INVALID_FILE_FORMAT;
    return VFW_E_UNSUPPORTED_STREAM;
  }
  if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
    return VFW_E_UNSUPPORTED_STREAM;
  return E_FAIL;
}

void TGstGraph::WaitForDiscovery(GstElement* element, int timeoutMs) {
  std::unique_lock<std::mutex> guard(waitLock_);
  waitCond_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                     [&] { return error_ || noMorePads_.count(element) > 0; });
}

void TGstGraph::BeginRenderCount() {
  std::lock_guard<std::mutex> guard(waitLock_);
  error_ = false;
  errorCode_ = S_OK;
  renderedVideo_ = renderedAudio_ = renderedOther_ = freePins_ = noAudioHardware_ = notMedia_ = 0;
}

HRESULT TGstGraph::StartDiscovery(GstElement* src, const TGuid& sourceClass, const std::string& location,
                                  GstElement** decoderOut) {
  GstElement* decode = gst_element_factory_make("decodebin", nullptr);
  if (!decode) {
    gst_object_unref(src);
    return VFW_E_CANNOT_RENDER;
  }
  g_object_set_data(G_OBJECT(decode), "zv-transparent", GINT_TO_POINTER(1));
  BeginRenderCount();
  auto source = std::make_shared<TGstFilter>(src, sourceClass, location);
  auto decoder = std::make_shared<TGstFilter>(decode, TGuid::FromName("gst:decodebin"), "decodebin");
  decoder->transparent = true;
  g_signal_connect(decode, "pad-added", G_CALLBACK(&TGstGraph::OnPadAdded), this);
  g_signal_connect(decode, "no-more-pads", G_CALLBACK(&TGstGraph::OnNoMorePads), this);
  g_signal_connect(decode, "unknown-type", G_CALLBACK(&TGstGraph::OnUnknownType), this);
  gst_bin_add_many(GST_BIN(pipeline_), source->Element(), decoder->Element(), nullptr);
  AddOwnFilter(source, location);
  AddOwnFilter(decoder, "decodebin");
  *decoderOut = decode;
  if (!gst_element_link(source->Element(), decoder->Element()))
    return VFW_E_CANNOT_CONNECT;
  gst_element_sync_state_with_parent(source->Element());
  gst_element_sync_state_with_parent(decoder->Element());
  if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (!error_) {
      error_ = true;
      errorCode_ = VFW_E_CANNOT_RENDER;
    }
  }
  return S_OK;
}

HRESULT TGstGraph::RenderResult(GstElement* decoder, bool timedOut) {
  int rendered = renderedVideo_ + renderedAudio_ + renderedOther_;
  Trace(zv::Format("RenderFile: video %d, audio %d, other %d, free %d%s", renderedVideo_, renderedAudio_,
                   renderedOther_, freePins_, timedOut ? ", timed out" : ""));
  if (rendered == 0) {
    if (noAudioHardware_ > 0 && freePins_ == noAudioHardware_)
      return VFW_E_NO_AUDIO_HARDWARE;
    if (notMedia_ > 0 && freePins_ == notMedia_)
      return VFW_E_UNKNOWN_FILE_TYPE; // what the file holds is no media at all
    if (error_)
      return Failed(errorCode_) ? errorCode_ : E_FAIL;
    if (timedOut)
      return VFW_E_TIMEOUT;
    return VFW_E_UNSUPPORTED_STREAM;
  }
  if (freePins_ == 0 && !timedOut && !error_)
    return S_OK;
  if (freePins_ > 0 && renderedVideo_ > 0 && renderedAudio_ == 0 && noAudioHardware_ == freePins_)
    return VFW_S_AUDIO_NOT_RENDERED;
  return VFW_S_PARTIAL_RENDER;
}

HRESULT TGstGraph::RenderFile(const std::string& name) {
  ZV_TSAN_RELEASE(this);
  if (zv::IsStreamName(name))
    return BeginNetworkRender(name);
  std::error_code ec;
  std::string location = std::filesystem::absolute(name, ec).lexically_normal().string();
  if (!std::filesystem::exists(location, ec))
    return Code(0x80070002);
  Trace("RenderFile " + location);
  GstElement* src = gst_element_factory_make("filesrc", nullptr);
  if (!src)
    return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
  g_object_set(src, "location", location.c_str(), nullptr);
  GstElement* decoder = nullptr;
  HRESULT hr = StartDiscovery(src, classes::AsyncFileReader, location, &decoder);
  if (Failed(hr))
    return hr;
  WaitForDiscovery(decoder, 10000);
  std::lock_guard<std::mutex> guard(waitLock_);
  return RenderResult(decoder, !error_ && !noMorePads_.count(decoder));
}

// ---------------------------------------------------------------------------------------------
// DVD

IDvdControl* TGstGraph::DvdControl() {
  if (!dvd_)
    dvd_ = std::make_unique<TGstDvdNavigator>([this](const std::string& root) { return RenderDvd(root); },
                                              [this](const TEvent& e) { PostEvent(e); });
  return dvd_.get();
}

HRESULT TGstGraph::RenderDvd(const std::string& root) {
  ZV_TSAN_RELEASE(this);
  Trace("RenderDVD " + root);
  if (!MissingDvdElements().empty())
    return VFW_E_DVD_DECNOTENOUGH;
  GstElement* bin = MakeDvdBin(root);
  if (!bin)
    return VFW_E_DVD_DECNOTENOUGH;
  BeginRenderCount();
  auto navigator = std::make_shared<TGstFilter>(bin, classes::DVDNavigator, "DVD Navigator");
  g_signal_connect(bin, "pad-added", G_CALLBACK(&TGstGraph::OnPadAdded), this);
  g_signal_connect(bin, "no-more-pads", G_CALLBACK(&TGstGraph::OnNoMorePads), this);
  gst_bin_add(GST_BIN(pipeline_), navigator->Element());
  AddOwnFilter(navigator, "DVD Navigator");
  dvdBin_ = bin;
  dvd_->Attach(bin);
  gst_element_sync_state_with_parent(bin);
  if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (!error_) {
      error_ = true;
      errorCode_ = VFW_E_CANNOT_RENDER;
    }
  }
  WaitForDiscovery(bin, 10000);
  std::lock_guard<std::mutex> guard(waitLock_);
  return RenderResult(bin, !error_ && !noMorePads_.count(bin));
}

// ---------------------------------------------------------------------------------------------
// Network streams

HRESULT TGstGraph::BeginNetworkRender(const std::string& url) {
  if (!zv::IsAcceptedStreamAddress(url)) {
    Trace("RenderFile: addresses of this kind are not opened: " + url);
    return ZV_E_ADDRESS_REFUSED;
  }
  StopWatch();
  Trace("RenderFile " + url);
  GstElement* src = MakeNetworkSource(url, netLimits_);
  if (!src)
    return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
  GstElement* reader = NetworkReader(src);
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    answered_ = false;
    netError_ = S_OK;
    watchStop_ = false;
    netSource_ = src;
  }
  // Every piece of data from the network says the stream is alive.
  if (GstPad* pad = gst_element_get_static_pad(reader, "src")) {
    gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        [](GstPad*, GstPadProbeInfo*, gpointer self) {
          static_cast<TGstGraph*>(self)->lastData_.store(SteadyMillis(), std::memory_order_relaxed);
          return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    gst_object_unref(pad);
  }
  GstElement* decoder = nullptr;
  HRESULT hr = StartDiscovery(src, ClassOfFactory(FactoryName(reader)), url, &decoder);
  if (Failed(hr))
    return hr;
  cancel_ = g_cancellable_new();
  watch_ = std::thread([this, decoder, url] { WatchNetwork(decoder, url); });
  return E_PENDING;
}

void TGstGraph::WatchNetwork(GstElement* decoder, std::string url) {
  ZV_TSAN_ACQUIRE(this);
  using namespace std::chrono;
  auto start = steady_clock::now();
  bool timedOut = false;
  HRESULT result;
  bool answered, told;
  {
    std::unique_lock<std::mutex> guard(waitLock_);
    for (;;) {
      if (watchStop_)
        return;
      if (error_ || noMorePads_.count(decoder))
        break;
      // A server gets its time to answer, and then its time to show what it sends.
      auto deadline = start + milliseconds(answered_ ? netLimits_.answerMs + netLimits_.typesMs : netLimits_.answerMs);
      if (steady_clock::now() >= deadline) {
        timedOut = true;
        break;
      }
      waitCond_.wait_until(guard, deadline);
    }
    HRESULT rendered = RenderResult(decoder, timedOut);
    told = Failed(netError_);
    answered = answered_;
    result = told ? netError_ : timedOut && Failed(rendered) ? ZV_E_NO_ANSWER : rendered;
  }
  std::string scheme = zv::StreamScheme(url);
  if (Failed(result) && !told && !answered && !timedOut && (scheme == "http" || scheme == "https"))
    result = DiagnoseConnection(url, 3000, cancel_); // the HTTP source does not say why
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (watchStop_)
      return;
  }
  Trace(zv::Format("RenderFile done: %.8x", result));
  PostEvent(TEvent{EC_ZV_RENDER_DONE, result, 0});
  if (Failed(result))
    return;
  // While the graph runs, a stream that sends nothing for long enough has ended, like a file.
  std::unique_lock<std::mutex> guard(waitLock_);
  bool ended = false;
  while (!watchStop_) {
    waitCond_.wait_for(guard, milliseconds(250));
    if (watchStop_ || ended || !running_.load())
      continue;
    if (SteadyMillis() - lastData_.load() > netLimits_.stallMs) {
      ended = true;
      Trace("the stream sends nothing: ended");
      PostEvent(TEvent{EC_COMPLETE, S_OK, 0});
    }
  }
}

void TGstGraph::StopWatch() {
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    watchStop_ = true;
  }
  waitCond_.notify_all();
  if (cancel_)
    g_cancellable_cancel(cancel_);
  if (watch_.joinable())
    watch_.join();
  if (cancel_) {
    g_object_unref(cancel_);
    cancel_ = nullptr;
  }
}

HRESULT TGstGraph::AddSourceFilter(const std::string& name, const std::string& filterName,
                                   std::shared_ptr<IFilter>* filter) {
  bool isUrl = zv::IsStreamName(name);
  GstElement* src = nullptr;
  std::string location = name;
  if (isUrl) {
    if (!zv::IsAcceptedStreamAddress(name))
      return ZV_E_ADDRESS_REFUSED;
    GError* err = nullptr;
    src = gst_element_make_from_uri(GST_URI_SRC, name.c_str(), nullptr, &err);
    if (err)
      g_error_free(err);
  } else {
    std::error_code ec;
    location = std::filesystem::absolute(name, ec).lexically_normal().string();
    if (!std::filesystem::is_regular_file(location, ec))
      return Code(0x80070002);
    src = gst_element_factory_make("filesrc", nullptr);
    if (src)
      g_object_set(src, "location", location.c_str(), nullptr);
  }
  if (!src)
    return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
  auto f = std::make_shared<TGstFilter>(src, isUrl ? ClassOfFactory(FactoryName(src)) : classes::AsyncFileReader,
                                        filterName);
  HRESULT hr = AddFilter(f, filterName);
  if (Failed(hr))
    return hr;
  if (filter)
    *filter = f;
  return hr;
}

HRESULT TGstGraph::ConnectDirect(IPin* out, IPin* in, const TMediaType* mt) {
  ZV_TSAN_RELEASE(this);
  auto* o = dynamic_cast<TGstPin*>(out);
  auto* i = dynamic_cast<TGstPin*>(in);
  if (!o || !i)
    return E_POINTER;
  if (o->Direction() != TPinDirection::Output || i->Direction() != TPinDirection::Input)
    return VFW_E_INVALID_DIRECTION;
  GstPad* src = o->OuterPad();
  GstPad* sink = i->OuterPad();
  if (gst_pad_is_linked(src) || gst_pad_is_linked(sink))
    return VFW_E_ALREADY_CONNECTED;
  GstPadLinkReturn r = gst_pad_link(src, sink);
  if (r != GST_PAD_LINK_OK)
    return r == GST_PAD_LINK_NOFORMAT ? VFW_E_NO_ACCEPTABLE_TYPES : VFW_E_CANNOT_CONNECT;
  if (parked_.count(src)) {
    Unpark(src);
    Resync();
  }
  // An element that creates its outputs from the data (a splitter) shows them once it has read the
  // stream's header: wait for that, holding the data, as a connected splitter shows its pins.
  GstElement* downstream = GST_ELEMENT(GST_OBJECT_PARENT(InnerPad(sink)));
  bool dynamic = false;
  for (const GList* l = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(downstream)); l; l = l->next)
    if (GST_PAD_TEMPLATE_PRESENCE(GST_PAD_TEMPLATE(l->data)) == GST_PAD_SOMETIMES &&
        GST_PAD_TEMPLATE_DIRECTION(GST_PAD_TEMPLATE(l->data)) == GST_PAD_SRC)
      dynamic = true;
  if (dynamic) {
    g_signal_connect(downstream, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer self) {
                       auto* g = static_cast<TGstGraph*>(self);
                       bool held;
                       {
                         std::lock_guard<std::recursive_mutex> guard(g->lock_);
                         held = !g->released_;
                       }
                       if (held && GST_PAD_DIRECTION(pad) == GST_PAD_SRC)
                         g->Hold(pad);
                     }),
                     this);
    g_signal_connect(downstream, "no-more-pads", G_CALLBACK(&TGstGraph::OnNoMorePads), this);
    {
      std::lock_guard<std::mutex> guard(waitLock_);
      error_ = false;
      errorCode_ = S_OK;
    }
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    WaitForDiscovery(downstream, 10000);
    // A splitter that cannot read the stream's header refuses the connection.
    HRESULT failed = S_OK;
    {
      std::lock_guard<std::mutex> guard(waitLock_);
      if (error_)
        failed = Failed(errorCode_) ? errorCode_ : VFW_E_INVALID_FILE_FORMAT;
    }
    if (Failed(failed)) {
      Trace("ConnectDirect: the splitter refused the stream");
      gst_element_set_state(pipeline_, GST_STATE_READY);
      gst_pad_unlink(src, sink);
      return failed;
    }
  }
  return S_OK;
}

HRESULT TGstGraph::Disconnect(IPin* pin) {
  auto* p = dynamic_cast<TGstPin*>(pin);
  if (!p)
    return E_POINTER;
  GstPad* pad = p->OuterPad();
  GstPad* peer = gst_pad_get_peer(pad);
  if (!peer)
    return S_FALSE;
  GstPad* src = GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? pad : peer;
  GstPad* sink = src == pad ? peer : pad;
  const bool live = Live();
  if (live)
    Park(src);
  bool ok = gst_pad_unlink(src, sink);
  // A push that waits below the cut is let go; the data below is lost.
  if (ok && live) {
    FlushBelow(sink);
    std::lock_guard<std::recursive_mutex> guard(lock_);
    flushed_ = true;
  }
  gst_object_unref(peer);
  return ok ? S_OK : E_FAIL;
}

namespace {

// Factories of a kind that take the caps, best rank first.
GList* FactoriesFor(GstElementFactoryListType type, GstCaps* caps) {
  GList* all = gst_element_factory_list_get_elements(type, GST_RANK_MARGINAL);
  GList* fit = gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE);
  gst_plugin_feature_list_free(all);
  fit = g_list_sort(fit, gst_plugin_feature_rank_compare_func);
  return fit;
}

GstCaps* SrcTemplateCaps(GstElementFactory* f) {
  for (const GList* l = gst_element_factory_get_static_pad_templates(f); l; l = l->next) {
    auto* t = static_cast<GstStaticPadTemplate*>(l->data);
    if (t->direction == GST_PAD_SRC)
      return gst_static_caps_get(&t->static_caps);
  }
  return nullptr;
}

bool ProducesRaw(GstElementFactory* f) {
  GstCaps* src = SrcTemplateCaps(f);
  if (!src)
    return false;
  GstCaps* raw = gst_caps_from_string("video/x-raw(ANY); audio/x-raw(ANY); text/x-raw(ANY)");
  bool ok = gst_caps_can_intersect(src, raw);
  gst_caps_unref(raw);
  gst_caps_unref(src);
  return ok;
}

} // namespace

std::vector<std::string> DecoderChainFor(GstCaps* caps, int depth = 3);

namespace {
std::vector<std::string> DirectDecoder(GstCaps* caps) {
  std::vector<std::string> chain;
  GList* decoders = FactoriesFor(GST_ELEMENT_FACTORY_TYPE_DECODER, caps);
  for (GList* l = decoders; l && chain.empty(); l = l->next)
    if (ProducesRaw(GST_ELEMENT_FACTORY(l->data)))
      chain.push_back(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)));
  gst_plugin_feature_list_free(decoders);
  return chain;
}

std::vector<std::string> ParserThenDecoder(GstCaps* caps, int depth) {
  std::vector<std::string> chain;
  GList* parsers = FactoriesFor(GST_ELEMENT_FACTORY_TYPE_PARSER, caps);
  for (GList* l = parsers; l && chain.empty(); l = l->next) {
    GstCaps* src = SrcTemplateCaps(GST_ELEMENT_FACTORY(l->data));
    if (!src)
      continue;
    // Follow what the parser gives for these caps: the same stream, parsed.
    GstCaps* parsed = gst_caps_copy(caps);
    for (guint i = 0; i < gst_caps_get_size(parsed); ++i)
      gst_structure_set(gst_caps_get_structure(parsed, i), "parsed", G_TYPE_BOOLEAN, TRUE, "framed", G_TYPE_BOOLEAN,
                        TRUE, nullptr);
    GstCaps* next = gst_caps_intersect(src, parsed);
    if (gst_caps_is_empty(next)) {
      gst_caps_unref(next);
      next = gst_caps_ref(src);
    }
    std::vector<std::string> rest = DecoderChainFor(next, depth - 1);
    if (!rest.empty()) {
      chain.push_back(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)));
      chain.insert(chain.end(), rest.begin(), rest.end());
    }
    gst_caps_unref(next);
    gst_caps_unref(parsed);
    gst_caps_unref(src);
  }
  gst_plugin_feature_list_free(parsers);
  return chain;
}

bool IsParsed(GstCaps* caps) {
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  gboolean flag = FALSE;
  return (gst_structure_get_boolean(s, "parsed", &flag) && flag) ||
         (gst_structure_get_boolean(s, "framed", &flag) && flag);
}
} // namespace

// The factories that take the caps to raw data. A stream that is not known to be parsed goes
// through a parser first where there is one (a decoder needs the picture size and whole frames
// that the parser finds in the stream); a parsed stream goes straight to a decoder.
std::vector<std::string> DecoderChainFor(GstCaps* caps, int depth) {
  if (depth <= 0 || !caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
    return {};
  if (IsParsed(caps)) {
    std::vector<std::string> chain = DirectDecoder(caps);
    return chain.empty() ? ParserThenDecoder(caps, depth) : chain;
  }
  std::vector<std::string> chain = ParserThenDecoder(caps, depth);
  return chain.empty() ? DirectDecoder(caps) : chain;
}

GstPad* TGstGraph::Exposed(GstPad* pad) {
  // A pad inside a looked-through bin is reached from outside through a ghost pad on the bin.
  for (;;) {
    GstObject* element = GST_OBJECT_PARENT(pad);
    GstObject* bin = element ? GST_OBJECT_PARENT(element) : nullptr;
    if (!bin || bin == GST_OBJECT(pipeline_) || !IsTransparentBin(bin))
      return pad;
    GstPad* ghost = gst_ghost_pad_new(nullptr, pad);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(GST_ELEMENT(bin), ghost);
    pad = ghost;
  }
}

HRESULT TGstGraph::Render(IPin* out) {
  ZV_TSAN_RELEASE(this);
  auto* p = dynamic_cast<TGstPin*>(out);
  if (!p)
    return E_POINTER;
  if (p->Direction() != TPinDirection::Output)
    return VFW_E_INVALID_DIRECTION;
  GstPad* pad = Exposed(p->OuterPad());
  if (gst_pad_is_linked(pad))
    return VFW_E_ALREADY_CONNECTED;
  GstCaps* caps = CapsOf(pad);
  if (caps && (gst_caps_is_empty(caps) || gst_caps_is_any(caps))) {
    // A source that does not know what it delivers (a network stream before its data): nothing
    // can be chosen for it, only the decoding bin can find out.
    gst_caps_unref(caps);
    caps = nullptr;
  }
  if (!caps)
    return VFW_E_CANNOT_RENDER;
  if (IsRawCaps(caps)) {
    HRESULT hr = AttachRenderer(pad, caps);
    gst_caps_unref(caps);
    return hr;
  }
  // Filters already in the graph with a free input come first, in the order they were added:
  // that is how a decoder added by hand takes the stream.
  if (HRESULT hr = RenderThroughGraphFilters(p, pad, caps); hr != VFW_E_CANNOT_RENDER) {
    gst_caps_unref(caps);
    return hr;
  }
  std::vector<std::string> chain = DecoderChainFor(caps);
  gchar* text = gst_caps_to_string(caps);
  Trace(std::string("Render ") + (text ? text : "") + ": " +
        (chain.empty() ? "no decoder" : zv::Format("%d element(s)", static_cast<int>(chain.size()))));
  g_free(text);
  if (chain.empty()) {
    gst_caps_unref(caps);
    return VFW_E_CANNOT_RENDER;
  }
  // The renderer follows the decoder's output kind.
  const char* kind = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  GstCaps* rawCaps =
      gst_caps_from_string(g_str_has_prefix(kind, "video/") || g_str_has_prefix(kind, "image/") ? "video/x-raw"
                           : g_str_has_prefix(kind, "audio/")                                   ? "audio/x-raw"
                                                                                                : "text/x-raw");
  gst_caps_unref(caps);
  HRESULT hr;
  std::shared_ptr<TGstFilter> renderer = MakeRenderer(rawCaps, hr);
  gst_caps_unref(rawCaps);
  if (!renderer)
    return hr;
  std::vector<std::shared_ptr<TGstFilter>> elements;
  for (const std::string& factory : chain) {
    GstElement* e = gst_element_factory_make(factory.c_str(), nullptr);
    if (!e)
      return VFW_E_CANNOT_RENDER;
    elements.push_back(std::make_shared<TGstFilter>(e, ClassOfFactory(factory), LongName(e)));
  }
  elements.push_back(renderer);
  bool held;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    held = !released_;
  }
  for (auto& e : elements)
    gst_bin_add(GST_BIN(pipeline_), e->Element());
  bool ok = true;
  for (size_t k = 0; ok && k + 1 < elements.size(); ++k)
    ok = gst_element_link(elements[k]->Element(), elements[k + 1]->Element());
  GstPad* first = gst_element_get_static_pad(elements.front()->Element(), "sink");
  ok = ok && first && gst_pad_link(pad, first) == GST_PAD_LINK_OK;
  if (first)
    gst_object_unref(first);
  if (!ok) {
    for (auto& e : elements) {
      gst_element_set_state(e->Element(), GST_STATE_NULL);
      gst_bin_remove(GST_BIN(pipeline_), e->Element());
    }
    return VFW_E_CANNOT_RENDER;
  }
  if (held)
    HoldRenderer(renderer->Element());
  for (auto& e : elements) {
    AddOwnFilter(e, e->DefaultName());
    gst_element_sync_state_with_parent(e->Element());
  }
  ApplyVideoOutput();
  return S_OK;
}

HRESULT TGstGraph::RenderThroughGraphFilters(TGstPin* out, GstPad* pad, GstCaps* caps) {
  std::vector<std::shared_ptr<TGstFilter>> candidates;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (const auto& f : filters_)
      if (auto* owner = static_cast<TGstFilter*>(out->Owner());
          !f->transparent && f.get() != owner && f.get() != owner->topLevel)
        candidates.push_back(f);
  }
  for (const auto& f : candidates) {
    GstIterator* it = gst_element_iterate_sink_pads(f->Element());
    GstPad* input = nullptr;
    GValue item = G_VALUE_INIT;
    while (!input && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
      auto* candidate = GST_PAD(g_value_get_object(&item));
      if (!gst_pad_is_linked(candidate)) {
        GstCaps* accepted = gst_pad_query_caps(candidate, nullptr);
        if (gst_caps_can_intersect(accepted, caps))
          input = GST_PAD(gst_object_ref(candidate));
        gst_caps_unref(accepted);
      }
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    if (!input)
      continue;
    Trace("Render through " + f->Name());
    // Everything that filter puts out is rendered first, and the filter brought to the graph's
    // state, so that the stream finds its whole way ready the moment it is linked.
    bool ok = true;
    for (IPin* pin : f->Pins())
      if (pin->Direction() == TPinDirection::Output && !pin->ConnectedTo())
        ok = ok && Succeeded(Render(pin));
    if (ok) {
      gst_element_sync_state_with_parent(f->Element());
      ok = gst_pad_link(pad, input) == GST_PAD_LINK_OK;
    }
    gst_object_unref(input);
    if (ok) {
      std::lock_guard<std::recursive_mutex> guard(lock_);
      restart_ = true; // the source may have been running (or about to) before the link
      return S_OK;
    }
  }
  return VFW_E_CANNOT_RENDER;
}

void TGstGraph::Abort() {
  std::lock_guard<std::mutex> guard(waitLock_);
  error_ = true;
  errorCode_ = E_ABORT;
  waitCond_.notify_all();
}

// ---------------------------------------------------------------------------------------------
// Transport

HRESULT TGstGraph::Run() {
  ZV_TSAN_RELEASE(this);
  ReleaseHolds();
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
    return E_FAIL;
  lastData_.store(SteadyMillis());
  running_.store(true);
  std::lock_guard<std::recursive_mutex> guard(lock_);
  state_ = State_Running;
  return S_OK;
}

HRESULT TGstGraph::Pause() {
  ZV_TSAN_RELEASE(this);
  ReleaseHolds();
  running_.store(false);
  if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
    return E_FAIL;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  state_ = State_Paused;
  return S_OK;
}

HRESULT TGstGraph::Stop() {
  ZV_TSAN_RELEASE(this);
  // Stopping keeps the position: the pipeline pauses, the graph reports itself stopped.
  int64_t pos = 0;
  if (Succeeded(GetCurrentPosition(pos)))
    lastPosition_ = pos;
  running_.store(false);
  if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
    return E_FAIL;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  state_ = State_Stopped;
  return S_OK;
}

HRESULT TGstGraph::GetState(int timeoutMs, TFilterState& state) {
  GstState cur, pending;
  GstStateChangeReturn r =
      gst_element_get_state(pipeline_, &cur, &pending, static_cast<GstClockTime>(timeoutMs) * GST_MSECOND);
  std::lock_guard<std::recursive_mutex> guard(lock_);
  state = state_;
  if (r == GST_STATE_CHANGE_FAILURE)
    return E_FAIL;
  return r == GST_STATE_CHANGE_ASYNC && released_ ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

// ---------------------------------------------------------------------------------------------
// Seeking

HRESULT TGstGraph::GetDuration(int64_t& duration) {
  gint64 d = 0;
  if (!gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) || d < 0)
    return E_FAIL;
  duration = d / 100;
  return S_OK;
}

HRESULT TGstGraph::GetCurrentPosition(int64_t& position) {
  gint64 p = 0;
  if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &p) && p >= 0) {
    position = p / 100;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    lastPosition_ = position;
    return S_OK;
  }
  std::lock_guard<std::recursive_mutex> guard(lock_);
  position = lastPosition_;
  return S_OK;
}

HRESULT TGstGraph::SetPositions(int64_t current, int currentFlags, int64_t stop, int stopFlags) {
  ZV_TSAN_RELEASE(this);
  if ((currentFlags & 3) == AM_SEEKING_NoPositioning)
    return S_FALSE;
  if (current < 0)
    current = 0;
  int flags = GST_SEEK_FLAG_FLUSH;
  flags |= (currentFlags & AM_SEEKING_SeekToKeyFrame) ? (GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE)
                                                      : GST_SEEK_FLAG_ACCURATE;
  double rate;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    rate = rate_;
    lastPosition_ = current;
  }
  GstSeekType stopType = (stopFlags & 3) == AM_SEEKING_AbsolutePositioning ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE;
  gboolean ok = gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, static_cast<GstSeekFlags>(flags), GST_SEEK_TYPE_SET,
                                 static_cast<gint64>(current) * 100, stopType,
                                 stopType == GST_SEEK_TYPE_SET ? static_cast<gint64>(stop) * 100 : -1);
  Trace(zv::Format("SetPositions %d flags %d: %d", current, currentFlags, ok ? 1 : 0));
  return ok ? S_OK : E_FAIL;
}

HRESULT TGstGraph::SetRate(double rate) {
  ZV_TSAN_RELEASE(this);
  if (!(rate > 0) || !std::isfinite(rate))
    return E_INVALIDARG;
  {
    // The rate it has already: nothing to ask of the stream (a live one could not change it).
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (rate == rate_)
      return S_OK;
  }
  int64_t pos = 0;
  GetCurrentPosition(pos);
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    rate_ = rate;
  }
  gboolean ok = gst_element_seek(pipeline_, rate, GST_FORMAT_TIME,
                                 static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                 GST_SEEK_TYPE_SET, static_cast<gint64>(pos) * 100, GST_SEEK_TYPE_NONE, -1);
  return ok ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------------------------
// Events

void TGstGraph::SetEventNotify(std::function<void()> notify) {
  ZV_TSAN_RELEASE(this);
  std::lock_guard<std::mutex> guard(notifyLock_);
  notify_ = std::move(notify);
}

void TGstGraph::PostEvent(const TEvent& event) {
  GstStructure* s = gst_structure_new("zv-event", "code", G_TYPE_INT, event.code, "p1", G_TYPE_INT64,
                                      static_cast<gint64>(event.param1), "p2", G_TYPE_INT64,
                                      static_cast<gint64>(event.param2), nullptr);
  gst_bus_post(bus_, gst_message_new_application(GST_OBJECT(pipeline_), s));
}

std::vector<TStreamNotice> TGstGraph::TakeStreamNotices() {
  std::lock_guard<std::mutex> guard(messageLock_);
  std::vector<TStreamNotice> out;
  out.swap(notices_);
  return out;
}

bool TGstGraph::TakeNotices(GstMessage* msg) {
  std::vector<TStreamNotice> lines;
  if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ELEMENT) {
    // An HTTP source's response headers, each as a header line would name it.
    const GstStructure* s = gst_message_get_structure(msg);
    const GValue* v =
        s && gst_structure_has_name(s, "http-headers") ? gst_structure_get_value(s, "response-headers") : nullptr;
    const GstStructure* headers = v && GST_VALUE_HOLDS_STRUCTURE(v) ? gst_value_get_structure(v) : nullptr;
    if (!headers)
      return true; // another element message: not a notice, it goes on as it is
    for (int i = 0; i < gst_structure_n_fields(headers); ++i) {
      const char* name = gst_structure_nth_field_name(headers, i);
      const GValue* value = gst_structure_get_value(headers, name);
      std::string field = zv::BoundText(name) + ":";
      auto add = [&](const GValue* item) {
        if (item && G_VALUE_HOLDS_STRING(item) && g_value_get_string(item))
          lines.push_back(TStreamNotice{field, zv::BoundText(g_value_get_string(item)), false});
      };
      // A header the server sent more than once arrives as a list, in the order sent.
      if (value && GST_VALUE_HOLDS_ARRAY(value))
        for (guint k = 0; k < gst_value_array_get_size(value); ++k)
          add(gst_value_array_get_value(value, k));
      else
        add(value);
    }
    if (lines.empty())
      return false; // the source tells its request even when no server answered it
    {
      std::lock_guard<std::mutex> guard(waitLock_);
      answered_ = true; // the server answered: what it sends is found next
    }
    waitCond_.notify_all();
    std::lock_guard<std::mutex> guard(messageLock_);
    notices_.insert(notices_.end(), lines.begin(), lines.end());
    return true;
  }
  // A stream's title as its metadata names it; every sink repeats it and a station sends it with
  // each metadata block, so only changes count.
  GstTagList* tags = nullptr;
  gst_message_parse_tag(msg, &tags);
  gchar* title = nullptr;
  bool changed = false;
  if (tags && gst_tag_list_get_string(tags, GST_TAG_TITLE, &title) && title) {
    std::string bounded = zv::BoundText(title);
    std::lock_guard<std::mutex> guard(messageLock_);
    if (lastTitle_ != bounded) {
      lastTitle_ = bounded;
      notices_.push_back(TStreamNotice{"", bounded, true});
      changed = true;
    }
  }
  g_free(title);
  if (tags)
    gst_tag_list_unref(tags);
  return changed;
}

bool TGstGraph::TranslateMessage(GstMessage* msg, TEvent& event) {
  switch (GST_MESSAGE_TYPE(msg)) {
  case GST_MESSAGE_ELEMENT:
  case GST_MESSAGE_TAG:
    // Only messages that told something new were queued (TakeNotices); what they told waits in
    // the notices.
    event = TEvent{EC_ZV_STREAM_NOTICE, 1, 0};
    return GST_MESSAGE_TYPE(msg) == GST_MESSAGE_TAG || gst_message_has_name(msg, "http-headers");
  case GST_MESSAGE_EOS: event = TEvent{EC_COMPLETE, S_OK, 0}; return true;
  case GST_MESSAGE_ERROR: {
    GError* err = nullptr;
    gst_message_parse_error(msg, &err, nullptr);
    event = TEvent{EC_ERRORABORT, ErrorToResult(err), 0};
    if (err)
      g_error_free(err);
    return true;
  }
  case GST_MESSAGE_DURATION_CHANGED: event = TEvent{EC_LENGTH_CHANGED, 0, 0}; return true;
  case GST_MESSAGE_STEP_DONE: event = TEvent{EC_STEP_COMPLETE, 0, 0}; return true;
  case GST_MESSAGE_BUFFERING: {
    gint percent = 100;
    gst_message_parse_buffering(msg, &percent);
    event = TEvent{EC_BUFFERING_DATA, percent < 100 ? 1 : 0, percent};
    return true;
  }
  case GST_MESSAGE_ASYNC_DONE: {
    if (GST_MESSAGE_SRC(msg) != GST_OBJECT(pipeline_))
      return false;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (state_ != State_Paused)
      return false;
    event = TEvent{EC_PAUSED, S_OK, 0};
    return true;
  }
  case GST_MESSAGE_CLOCK_LOST: {
    // A new clock is chosen by pausing and running again.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (state_ == State_Running) {
      gst_element_set_state(pipeline_, GST_STATE_PAUSED);
      gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    }
    return false;
  }
  case GST_MESSAGE_APPLICATION: {
    const GstStructure* s = gst_message_get_structure(msg);
    if (!s || !gst_structure_has_name(s, "zv-event"))
      return false;
    gint code = 0;
    gint64 p1 = 0, p2 = 0;
    gst_structure_get_int(s, "code", &code);
    gst_structure_get_int64(s, "p1", &p1);
    gst_structure_get_int64(s, "p2", &p2);
    event = TEvent{code, static_cast<intptr_t>(p1), static_cast<intptr_t>(p2)};
    return true;
  }
  default: return false;
  }
}

bool TGstGraph::GetEvent(TEvent& event) {
  for (;;) {
    GstMessage* msg;
    {
      std::lock_guard<std::mutex> guard(messageLock_);
      if (messages_.empty())
        return false;
      msg = messages_.front();
      messages_.pop_front();
    }
    bool got = TranslateMessage(msg, event);
    gst_message_unref(msg);
    if (got)
      return true;
  }
}

// ---------------------------------------------------------------------------------------------
// Video and audio

GstElement* TGstGraph::FirstElementOfClass(const TGuid& cls) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (auto& f : filters_)
    if (f->ClassId() == cls)
      return f->Element();
  return nullptr;
}

HRESULT TGstGraph::GetVideoSize(int& width, int& height) {
  GstElement* r = FirstElementOfClass(classes::VideoRenderer);
  if (!r)
    return E_NOINTERFACE;
  // The format the renderer receives; until it has arrived there, what its upstream pad sends.
  GstPad* sink = gst_element_get_static_pad(r, "sink");
  GstCaps* caps = sink ? gst_pad_get_current_caps(sink) : nullptr;
  if (!caps && sink) {
    GstPad* peer = gst_pad_get_peer(sink);
    if (peer) {
      caps = gst_pad_get_current_caps(peer);
      if (!caps)
        caps = gst_pad_get_current_caps(InnerPad(peer));
      gst_object_unref(peer);
    }
  }
  int w = 0, h = 0;
  bool ok = false;
  if (caps) {
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    ok = gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h);
    gst_caps_unref(caps);
  } else if (sink) {
    // Nothing has flowed yet (a source that makes its outputs when it loads the file, not when
    // it first runs): the nearest upstream pad that knows the picture's size tells it.
    ok = UpstreamPictureSize(sink, w, h);
  }
  if (sink)
    gst_object_unref(sink);
  if (!caps && !ok)
    return VFW_E_NOT_CONNECTED;
  if (!ok)
    return E_FAIL;
  width = w;
  height = h;
  return S_OK;
}

HRESULT TGstGraph::Step(int frames) {
  ZV_TSAN_RELEASE(this);
  if (frames <= 0)
    return E_INVALIDARG;
  GstElement* r = FirstElementOfClass(classes::VideoRenderer);
  if (!r)
    return E_NOINTERFACE;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (state_ == State_Running) {
      gst_element_set_state(pipeline_, GST_STATE_PAUSED);
      state_ = State_Paused;
    }
  }
  ReleaseHolds();
  gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  return gst_element_send_event(r,
                                gst_event_new_step(GST_FORMAT_BUFFERS, static_cast<guint64>(frames), 1.0, TRUE, FALSE))
             ? S_OK
             : E_FAIL;
}

void TGstGraph::ApplyVideoOutput() {
  std::vector<GstElement*> sinks;
  IVideoOutput* out;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    out = video_;
    for (auto& f : filters_)
      if (f->ClassId() == classes::VideoRenderer && GST_IS_BIN(f->Element())) {
        GstIterator* it = gst_bin_iterate_sinks(GST_BIN(f->Element()));
        GValue v = G_VALUE_INIT;
        while (gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
          sinks.push_back(GST_ELEMENT(g_value_get_object(&v)));
          g_value_reset(&v);
        }
        g_value_unset(&v);
        gst_iterator_free(it);
      }
  }
  for (GstElement* s : sinks)
    zv::ZvVideoSinkSetOutput(s, out);
}

HRESULT TGstGraph::SetVideoOutput(IVideoOutput* output) {
  ZV_TSAN_RELEASE(this);
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    video_ = output;
  }
  ApplyVideoOutput();
  return S_OK;
}

HRESULT TGstGraph::SetVolume(long volume) {
  GstElement* r = FirstElementOfClass(classes::DirectSoundRenderer);
  TGstFilter* f = r ? FilterOfElement(r) : nullptr;
  return f ? f->SetVolume(volume) : E_NOINTERFACE;
}

HRESULT TGstGraph::SetBalance(long balance) {
  GstElement* r = FirstElementOfClass(classes::DirectSoundRenderer);
  TGstFilter* f = r ? FilterOfElement(r) : nullptr;
  return f ? f->SetBalance(balance) : E_NOINTERFACE;
}

std::string TGstGraph::GraphDescription() {
  gchar* dot = gst_debug_bin_to_dot_data(GST_BIN(pipeline_), GST_DEBUG_GRAPH_SHOW_ALL);
  std::string r = dot ? dot : "";
  g_free(dot);
  return r;
}

} // namespace eng
