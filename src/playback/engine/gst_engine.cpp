#include "playback/engine/gst_engine.h"

#include "filters/video_sink.h"
#include "playback/engine/gst_graph.h"

#include <cstdlib>
#include <gst/gst.h>
#include <mutex>

namespace eng {

namespace classes {
const TGuid AsyncFileReader = *TGuid::Parse("{E436EBB5-524F-11CE-9F53-0020AF0BA770}");
const TGuid AviSplitter = *TGuid::Parse("{1B544C20-FD0B-11CE-8C63-00AA0044B51E}");
const TGuid DirectSoundRenderer = *TGuid::Parse("{79376820-07D0-11CF-A24D-0020AFD79767}");
const TGuid WaveOutRenderer = *TGuid::Parse("{E30629D1-27E5-11CE-875D-00608CB78066}");
const TGuid VideoRenderer = *TGuid::Parse("{70E102B0-5556-11CE-97C0-00AA0055595A}");
const TGuid NullRenderer = *TGuid::Parse("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
const TGuid Mpeg3Decoder = *TGuid::Parse("{38BE3000-DBF4-11D0-860E-00A024CFEF6D}");
const TGuid DivXDecoder = *TGuid::Parse("{78766964-0000-0010-8000-00AA00389B71}");
const TGuid XviDDecoder = *TGuid::Parse("{64697678-0000-0010-8000-00AA00389B71}");
} // namespace classes

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
};

std::string EnvOr(const char* name, const char* def) {
  const char* v = std::getenv(name);
  return v && *v ? v : def;
}

} // namespace

std::string AudioSinkDescription() { return EnvOr("ZELVAR_AUDIO_SINK", "autoaudiosink"); }

std::string VideoSinkDescription() { return EnvOr("ZELVAR_VIDEO_SINK", "zvvideosink"); }

TGuid ClassOfFactory(const std::string& factoryName) {
  if (factoryName == "filesrc")
    return classes::AsyncFileReader;
  if (factoryName == "avidemux")
    return classes::AviSplitter;
  return TGuid::FromName("gst:" + factoryName);
}

TGstEngine::TGstEngine() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_init(nullptr, nullptr);
    zv::RegisterVideoSink();
  });
}

std::unique_ptr<IGraph> TGstEngine::CreateGraph() { return std::make_unique<TGstGraph>(); }

std::shared_ptr<IFilter> TGstEngine::CreateFilter(const TGuid& classId) {
  for (const TKnownClass& k : kKnown) {
    if (*k.cls != classId)
      continue;
    std::string make = k.make;
    GstElement* e = nullptr;
    if (make == "video" || make == "audio") {
      std::string desc = make == "video" ? "queue name=zvhold ! videoconvert ! " + VideoSinkDescription()
                                         : "queue name=zvhold ! audioconvert ! audioresample ! volume name=zvvolume ! "
                                           "audiopanorama method=simple name=zvbalance ! audioconvert ! " +
                                               AudioSinkDescription();
      GError* err = nullptr;
      e = gst_parse_bin_from_description(desc.c_str(), TRUE, &err);
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

} // namespace eng
