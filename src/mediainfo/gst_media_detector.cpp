#include "mediainfo/gst_media_detector.h"

#include <cstring>
#include <filesystem>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <mutex>

namespace zv {
namespace {

uint32_t FourCCOf(const char* text) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && text[i]; ++i)
    v |= static_cast<uint32_t>(static_cast<uint8_t>(text[i])) << (8 * i);
  return v;
}

// The compression code a video format is known by in AVI files.
uint32_t VideoFourCC(const GstStructure* s) {
  const char* name = gst_structure_get_name(s);
  int version = 0;
  if (std::strcmp(name, "video/x-raw") == 0) {
    const char* format = gst_structure_get_string(s, "format");
    return format ? FourCCOf(format) : 0;
  }
  if (std::strcmp(name, "video/x-h264") == 0)
    return FourCCOf("H264");
  if (std::strcmp(name, "video/x-divx") == 0)
    return FourCCOf("DIVX");
  if (std::strcmp(name, "video/x-xvid") == 0)
    return FourCCOf("XVID");
  if (std::strcmp(name, "video/x-theora") == 0)
    return FourCCOf("THEO");
  if (std::strcmp(name, "image/jpeg") == 0)
    return FourCCOf("MJPG");
  if (std::strcmp(name, "video/x-flash-video") == 0)
    return FourCCOf("FLV1");
  if (std::strcmp(name, "video/x-vp8") == 0)
    return FourCCOf("VP80");
  if (std::strcmp(name, "video/x-vp9") == 0)
    return FourCCOf("VP90");
  if (std::strcmp(name, "video/x-h265") == 0)
    return FourCCOf("HEVC");
  if (std::strcmp(name, "video/x-wmv") == 0 && gst_structure_get_int(s, "wmvversion", &version))
    return FourCCOf(version == 1 ? "WMV1" : version == 2 ? "WMV2" : "WMV3");
  if (std::strcmp(name, "video/mpeg") == 0 && gst_structure_get_int(s, "mpegversion", &version))
    return FourCCOf(version == 4 ? "MP4V" : version == 2 ? "MPG2" : "MPG1");
  return 0;
}

// The wave format tag of an audio format, or the program's own tag for formats without one.
uint16_t FormatTag(const GstStructure* s) {
  const char* name = gst_structure_get_name(s);
  int version = 0, layer = 0;
  if (std::strcmp(name, "audio/mpeg") == 0 && gst_structure_get_int(s, "mpegversion", &version)) {
    if (version == 1)
      return gst_structure_get_int(s, "layer", &layer) && layer == 3 ? 0x0055 : 0x0050;
    return 0x00FF; // AAC
  }
  if (std::strcmp(name, "audio/x-vorbis") == 0)
    return 0x674F;
  if (std::strcmp(name, "audio/x-flac") == 0)
    return 0xF1AC;
  if (std::strcmp(name, "audio/x-ac3") == 0 || std::strcmp(name, "audio/ac3") == 0)
    return 0x2000;
  if (std::strcmp(name, "audio/x-wma") == 0 && gst_structure_get_int(s, "wmaversion", &version))
    return version == 1 ? 0x0160 : 0x0161;
  if (std::strcmp(name, "audio/x-raw") == 0) {
    const char* format = gst_structure_get_string(s, "format");
    return format && format[0] == 'F' ? 0x0003 : 0x0001;
  }
  if (std::strcmp(name, "audio/x-alaw") == 0)
    return 0x0006;
  if (std::strcmp(name, "audio/x-mulaw") == 0)
    return 0x0007;
  // AIFF and AU hold PCM (their parsers take no other); the media information reads an AU file's
  // own encoding.
  if (std::strcmp(name, "audio/x-aiff") == 0 || std::strcmp(name, "audio/x-au") == 0)
    return 0x0001;
  if (std::strcmp(name, "audio/x-opus") == 0)
    return 0x704F;
  if (std::strcmp(name, "audio/x-speex") == 0)
    return 0xA109;
  if (std::strcmp(name, "audio/x-wavpack") == 0)
    return 0x5756;
  return 0;
}

std::string TagText(const GstTagList* tags, const char* tag) {
  gchar* value = nullptr;
  if (!tags || !gst_tag_list_get_string(tags, tag, &value))
    return {};
  std::string s = value ? value : "";
  g_free(value);
  return s;
}

} // namespace

bool TGstMediaDetector::Detect(const std::string& fileName, std::vector<TDetectedStream>& streams) {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!gst_is_initialized())
      gst_init(nullptr, nullptr);
  });
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(fileName, ec).string();
  GError* err = nullptr;
  gchar* uri = gst_filename_to_uri(absolute.c_str(), &err);
  if (!uri) {
    if (err)
      g_error_free(err);
    return false;
  }
  GstDiscoverer* discoverer = gst_discoverer_new(static_cast<GstClockTime>(timeout_) * GST_SECOND, &err);
  if (!discoverer) {
    if (err)
      g_error_free(err);
    g_free(uri);
    return false;
  }
  GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &err);
  g_free(uri);
  if (err)
    g_error_free(err);
  bool ok = info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK;
  if (ok) {
    double length = static_cast<double>(gst_discoverer_info_get_duration(info)) / GST_SECOND;
    // The file's own tags: a container's, or for a bare stream the stream's. (The merged tags of
    // every stream would give a track name such as "Audio" as the file's title.)
    GstDiscovererStreamInfo* top = gst_discoverer_info_get_stream_info(info);
    const GstTagList* tags = nullptr;
    if (top && GST_IS_DISCOVERER_CONTAINER_INFO(top))
      tags = gst_discoverer_container_info_get_tags(GST_DISCOVERER_CONTAINER_INFO(top));
    else
      tags = gst_discoverer_info_get_tags(info);
    std::string title = TagText(tags, GST_TAG_TITLE), artist = TagText(tags, GST_TAG_ARTIST);
    std::string album = TagText(tags, GST_TAG_ALBUM);
    if (top)
      gst_discoverer_stream_info_unref(top);
    GList* list = gst_discoverer_info_get_stream_list(info);
    // Formats that keep their tags in the stream (Opus, Speex and FLAC in Ogg): the first audio
    // stream's, when the container has none.
    if (title.empty() && artist.empty())
      for (GList* l = list; l; l = l->next)
        if (GST_IS_DISCOVERER_AUDIO_INFO(l->data)) {
          const GstTagList* own = gst_discoverer_stream_info_get_tags(static_cast<GstDiscovererStreamInfo*>(l->data));
          title = TagText(own, GST_TAG_TITLE);
          artist = TagText(own, GST_TAG_ARTIST);
          album = TagText(own, GST_TAG_ALBUM);
          break;
        }
    for (GList* l = list; l; l = l->next) {
      auto* si = static_cast<GstDiscovererStreamInfo*>(l->data);
      TDetectedStream d;
      d.length = length;
      GstCaps* caps = gst_discoverer_stream_info_get_caps(si);
      const GstStructure* s = caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
      if (GST_IS_DISCOVERER_VIDEO_INFO(si)) {
        auto* vi = GST_DISCOVERER_VIDEO_INFO(si);
        d.kind = TDetectedStream::Kind::Video;
        d.width = static_cast<int32_t>(gst_discoverer_video_info_get_width(vi));
        d.height = static_cast<int32_t>(gst_discoverer_video_info_get_height(vi));
        guint denom = gst_discoverer_video_info_get_framerate_denom(vi);
        d.frameRate = denom ? static_cast<double>(gst_discoverer_video_info_get_framerate_num(vi)) / denom : 0;
        d.fourcc = s ? VideoFourCC(s) : 0;
      } else if (GST_IS_DISCOVERER_AUDIO_INFO(si)) {
        auto* ai = GST_DISCOVERER_AUDIO_INFO(si);
        d.kind = TDetectedStream::Kind::Audio;
        d.channels = gst_discoverer_audio_info_get_channels(ai);
        d.sampleRate = gst_discoverer_audio_info_get_sample_rate(ai);
        guint bitrate = gst_discoverer_audio_info_get_bitrate(ai);
        if (!bitrate)
          bitrate = gst_discoverer_audio_info_get_max_bitrate(ai);
        d.bitRate = bitrate / 1000;
        d.formatTag = s ? FormatTag(s) : 0;
      } else if (GST_IS_DISCOVERER_CONTAINER_INFO(si)) {
        if (caps)
          gst_caps_unref(caps);
        continue;
      } else {
        d.kind = TDetectedStream::Kind::Other;
        d.type = gst_discoverer_stream_info_get_stream_type_nick(si);
      }
      if (caps)
        gst_caps_unref(caps);
      streams.push_back(d);
    }
    gst_discoverer_stream_info_list_free(list);
    if (!streams.empty()) {
      streams.front().title = title;
      streams.front().artist = artist;
      streams.front().album = album;
    }
  }
  if (info)
    gst_discoverer_info_unref(info);
  g_object_unref(discoverer);
  return ok;
}

} // namespace zv
