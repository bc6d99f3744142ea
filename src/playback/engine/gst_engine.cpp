#include "playback/engine/gst_engine.h"

#include <algorithm>

#include "core/text_util.h"
#include "filters/avi_source.h"
#include "filters/param_eq_element.h"
#include "filters/video_processor.h"
#include "filters/video_sink.h"
#include "playback/engine/gst_graph.h"
#include "playback/engine/gst_snapshot.h"
#include "playback/engine/gst_sound_clip.h"

#include <atomic>
#include <cstdlib>
#include <gst/gst.h>
#include <mutex>

namespace eng {

namespace {

struct TKnownClass {
  const TGuid* cls;
  const char* friendly;
  // What to create: a factory name, or a renderer kind ("video", "audio").
  const char* make;
};

const TKnownClass kKnown[] = {
    {&classes::AsyncFileReader, "File Source (Async.)", "filesrc"},
    {&classes::AviSplitter, "AVI Splitter", "avidemux"},
    {&classes::DirectSoundRenderer, "Default DirectSound Device", "audio"},
    {&classes::WaveOutRenderer, "Default WaveOut Device", "audio"},
    {&classes::VideoRenderer, "Video Renderer", "video"},
    {&classes::NullRenderer, "Null Renderer", "fakesink"},
    {&classes::Mpeg3Decoder, "MPEG Layer-3 Decoder", "mpg123audiodec"},
    {&classes::DivXDecoder, "DivX Decoder", "avdec_mpeg4"},
    {&classes::XviDDecoder, "XviD Decoder", "avdec_mpeg4"},
    {&classes::AdvancedAVISource, "Advanced AVI File Source", "zvavisrc"},
    {&classes::MultiAVISource, "Multi AVI File Source", "zvmultiavisrc"},
    // With its branch's queue and the conversion to its format in front of it.
    {&classes::VideoProcessor, "Video Processor", "processor"},
    // One stage of the parametric equalizer, taking whatever sound the decoder gives.
    {&classes::DMOWrapper, "ParamEq", "eq"},
};

std::atomic<int> g_forcedRate{0};

std::string EnvOr(const char* name, const char* def) {
  const char* v = std::getenv(name);
  return v && *v ? v : def;
}

} // namespace

std::string AudioSinkDescription() { return EnvOr("ZELVAR_AUDIO_SINK", "autoaudiosink"); }

std::string VideoSinkDescription() { return EnvOr("ZELVAR_VIDEO_SINK", "zvvideosink"); }

GstElement* MakeAudioRendererBin(GstElement* sink, GError** error) {
  std::string desc = "queue name=zvhold ! audioconvert ! audioresample ! ";
  if (int rate = g_forcedRate.load(); rate > 0)
    desc += "audio/x-raw,rate=" + std::to_string(rate) + " ! ";
  desc += "volume name=zvvolume ! audiopanorama method=simple name=zvbalance ! audioconvert name=zvtail";
  if (!sink)
    return gst_parse_bin_from_description((desc + " ! " + AudioSinkDescription()).c_str(), TRUE, error);
  gst_object_ref_sink(sink);
  GstElement* bin = gst_parse_bin_from_description(desc.c_str(), FALSE, error);
  if (!bin) {
    gst_object_unref(sink);
    return nullptr;
  }
  GstElement* tail = gst_bin_get_by_name(GST_BIN(bin), "zvtail");
  GstElement* head = gst_bin_get_by_name(GST_BIN(bin), "zvhold");
  gst_bin_add(GST_BIN(bin), sink);
  gst_object_unref(sink);
  gst_element_link(tail, sink);
  GstPad* in = gst_element_get_static_pad(head, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", in));
  gst_object_unref(in);
  gst_object_unref(tail);
  gst_object_unref(head);
  return bin;
}

TGstEngine::TGstEngine() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_init(nullptr, nullptr);
    zv::RegisterVideoSink();
    zv::RegisterAviSources();
    zv::RegisterVideoProcessor();
    zv::RegisterParamEq();
  });
}

std::unique_ptr<IGraph> TGstEngine::CreateGraph() { return std::make_unique<TGstGraph>(); }

std::shared_ptr<IFilter> TGstEngine::CreateFilter(const TGuid& classId) {
  for (const TKnownClass& k : kKnown) {
    if (*k.cls != classId)
      continue;
    std::string make = k.make;
    GstElement* e = nullptr;
    if (make == "video" || make == "audio" || make == "processor" || make == "eq") {
      std::string desc = make == "video"       ? "queue name=zvhold ! videoconvert ! " + VideoSinkDescription()
                         : make == "processor" ? "queue ! videoconvert chroma-mode=none dither=none ! zvvideoproc"
                                               : "audioconvert ! zvparameq name=zveq";
      GError* err = nullptr;
      e = make == "audio" ? MakeAudioRendererBin(nullptr, &err)
                          : gst_parse_bin_from_description(desc.c_str(), TRUE, &err);
      if (err) {
        g_error_free(err);
        if (e)
          gst_object_unref(e);
        return nullptr;
      }
    } else {
      e = gst_element_factory_make(make.c_str(), nullptr);
    }
    if (!e)
      return nullptr;
    return std::make_shared<TGstFilter>(e, classId, k.friendly);
  }
  // A class derived from a factory's name creates that factory.
  GList* all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_NONE);
  std::shared_ptr<IFilter> found;
  for (GList* l = all; l && !found; l = l->next) {
    std::string name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data));
    if (TGuid::FromName("gst:" + name) == classId) {
      GstElement* e = gst_element_factory_create(GST_ELEMENT_FACTORY(l->data), nullptr);
      const char* longName =
          gst_element_factory_get_metadata(GST_ELEMENT_FACTORY(l->data), GST_ELEMENT_METADATA_LONGNAME);
      if (e)
        found = std::make_shared<TGstFilter>(e, classId, longName ? longName : name);
    }
  }
  gst_plugin_feature_list_free(all);
  return found;
}

std::string TGstEngine::FilterFriendlyName(const TGuid& classId) {
  for (const TKnownClass& k : kKnown)
    if (*k.cls == classId)
      return k.friendly;
  std::shared_ptr<IFilter> f = CreateFilter(classId);
  return f ? static_cast<TGstFilter*>(f.get())->DefaultName() : std::string();
}

TFilterDescription TGstEngine::DescribeFilter(const TGuid& classId) {
  TFilterDescription d;
  // The factory of the class: a known class's own, or the one whose name the class comes from.
  std::string factoryName;
  for (const TKnownClass& k : kKnown)
    if (*k.cls == classId)
      factoryName = k.make;
  if (factoryName == "video")
    factoryName = VideoSinkDescription();
  else if (factoryName == "audio")
    factoryName = AudioSinkDescription();
  else if (factoryName == "processor")
    factoryName = "zvvideoproc";
  else if (factoryName == "eq")
    factoryName = "zvparameq";
  GstElementFactory* factory = factoryName.empty() ? nullptr : gst_element_factory_find(factoryName.c_str());
  if (!factory) {
    GList* all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_NONE);
    for (GList* l = all; l && !factory; l = l->next)
      if (TGuid::FromName(std::string("gst:") + gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data))) == classId)
        factory = GST_ELEMENT_FACTORY(gst_object_ref(l->data));
    gst_plugin_feature_list_free(all);
  }
  if (!factory)
    return d;
  if (const char* name = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME))
    d.friendlyName = name;
  d.merit = MeritOfRank(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)));
  if (GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory))) {
    if (const char* file = gst_plugin_get_filename(plugin))
      d.file = file;
    else
      d.file = "(built in)";
    if (const char* package = gst_plugin_get_package(plugin))
      d.company = package;
    gst_object_unref(plugin);
  } else {
    d.file = "(built in)";
    d.company = "Zelvar";
  }
  gst_object_unref(factory);
  return d;
}

std::vector<TFactoryEntry> TGstEngine::Factories() {
  // Elements that only move, hold or label data: never worth forcing into a graph.
  static const char* const kPlumbing[] = {
      "queue",        "queue2",         "multiqueue",      "tee",         "identity",        "capsfilter",
      "funnel",       "input-selector", "output-selector", "valve",       "typefind",        "decodebin",
      "decodebin3",   "uridecodebin",   "uridecodebin3",   "parsebin",    "playbin",         "playbin3",
      "urisourcebin", "concat",         "streamiddemux",   "autoconvert", "autovideoconvert"};
  static const char* const kKinds[] = {"Decoder", "Demuxer", "Parser", "Filter", "Effect", "Converter"};
  std::vector<TFactoryEntry> list;
  GList* all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_NONE);
  for (GList* l = all; l; l = l->next) {
    GstElementFactory* f = GST_ELEMENT_FACTORY(l->data);
    std::string name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f));
    const char* klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
    std::string kinds = klass ? klass : "";
    bool wanted = false;
    for (const char* k : kKinds)
      wanted = wanted || kinds.find(k) != std::string::npos;
    if (kinds.find("Source") != std::string::npos || kinds.find("Sink") != std::string::npos ||
        kinds.find("Generic") != std::string::npos)
      wanted = false;
    for (const char* p : kPlumbing)
      wanted = wanted && name != p;
    if (!wanted)
      continue;
    const char* longName = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME);
    list.push_back({name, longName ? longName : name, kinds, gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(f)),
                    ClassOfFactory(name)});
  }
  gst_plugin_feature_list_free(all);
  std::sort(list.begin(), list.end(), [](const TFactoryEntry& a, const TFactoryEntry& b) { return a.name < b.name; });
  return list;
}

bool TGstEngine::GrabFrame(const std::string& file, int64_t position, TFrame& frame, int timeoutMs) {
  return GrabFrameWithGst(file, position, frame, timeoutMs);
}

namespace {

// The devices a monitor of sound outputs finds now, each with a new reference.
std::vector<GstDevice*> CurrentSinks() {
  std::vector<GstDevice*> out;
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
  if (gst_device_monitor_start(monitor)) {
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* l = devices; l; l = l->next)
      out.push_back(GST_DEVICE(l->data)); // the list's reference moves over
    g_list_free(devices);
    gst_device_monitor_stop(monitor);
  }
  gst_object_unref(monitor);
  return out;
}

std::string DeviceName(GstDevice* d) {
  gchar* n = gst_device_get_display_name(d);
  std::string name = n ? n : "Noname";
  g_free(n);
  return name;
}

} // namespace

std::vector<TAudioDevice> TGstEngine::AudioDevices() {
  std::vector<TAudioDevice> list{{"Default DirectSound Device", classes::DirectSoundRenderer}};
  for (GstDevice* d : CurrentSinks()) {
    list.push_back({DeviceName(d), classes::DirectSoundRenderer});
    gst_object_unref(d);
  }
  return list;
}

std::shared_ptr<IFilter> TGstEngine::CreateAudioRenderer(const std::string& device) {
  GstElement* sink = nullptr;
  for (GstDevice* d : CurrentSinks()) {
    // The first device of the name (case ignored), as the list shows it.
    if (!sink && zv::SameText(DeviceName(d), device))
      sink = gst_device_create_element(d, nullptr);
    gst_object_unref(d);
  }
  if (!sink)
    return nullptr;
  GError* err = nullptr;
  GstElement* bin = MakeAudioRendererBin(sink, &err);
  if (err)
    g_error_free(err);
  return bin ? std::make_shared<TGstFilter>(bin, classes::DirectSoundRenderer, device) : nullptr;
}

void TGstEngine::WatchAudioDevices(std::function<void(const std::string&)> removed) {
  std::lock_guard<std::mutex> guard(watchLock_);
  if (watcher_) {
    gst_device_monitor_stop(watcher_);
    gst_bus_set_sync_handler(gst_device_monitor_get_bus(watcher_), nullptr, nullptr, nullptr);
    gst_object_unref(watcher_);
    watcher_ = nullptr;
  }
  delete onRemoved_;
  onRemoved_ = nullptr;
  if (!removed)
    return;
  onRemoved_ = new std::function<void(const std::string&)>(std::move(removed));
  watcher_ = gst_device_monitor_new();
  gst_device_monitor_add_filter(watcher_, "Audio/Sink", nullptr);
  GstBus* bus = gst_device_monitor_get_bus(watcher_);
  gst_bus_set_sync_handler(
      bus,
      [](GstBus*, GstMessage* msg, gpointer data) {
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_REMOVED) {
          GstDevice* d = nullptr;
          gst_message_parse_device_removed(msg, &d);
          if (d) {
            (*static_cast<std::function<void(const std::string&)>*>(data))(DeviceName(d));
            gst_object_unref(d);
          }
        }
        gst_message_unref(msg);
        return GST_BUS_DROP;
      },
      onRemoved_, nullptr);
  gst_object_unref(bus);
  gst_device_monitor_start(watcher_);
}

TGstEngine::~TGstEngine() { WatchAudioDevices(nullptr); }

std::unique_ptr<ISoundClip> TGstEngine::CreateSoundClip() { return std::make_unique<TGstSoundClip>(); }

void TGstEngine::SetForcedSampleRate(int rate) { g_forcedRate.store(rate > 0 ? rate : 0); }

bool TGstEngine::LoadPlugin(const std::string& path) {
  GError* err = nullptr;
  GstPlugin* plugin = gst_plugin_load_file(path.c_str(), &err);
  if (err)
    g_error_free(err);
  if (!plugin)
    return false;
  // The registry keeps the plug-in's features; the plug-in stays loaded for the process.
  gst_registry_add_plugin(gst_registry_get(), plugin);
  gst_object_unref(plugin);
  return true;
}

} // namespace eng
