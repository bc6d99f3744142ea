#include "playback/engine/gst_media_type.h"

#include <cstring>
#include <gst/video/video.h>

namespace eng {

namespace {
bool Named(const GstStructure* s, const char* name) { return gst_structure_has_name(s, name); }

int IntField(const GstStructure* s, const char* field, int def = 0) {
  int v = def;
  return gst_structure_get_int(s, field, &v) ? v : def;
}
} // namespace

uint32_t VideoFourCCOfCaps(const GstStructure* s) {
  // A stream the AVI reader could not name keeps its FourCC in the caps.
  if (Named(s, "video/x-avi-unknown"))
    return static_cast<uint32_t>(IntField(s, "fourcc"));
  if (Named(s, "video/x-divx")) {
    switch (IntField(s, "divxversion")) {
    case 3: return MakeFourCC('D', 'I', 'V', '3');
    case 4: return MakeFourCC('D', 'I', 'V', 'X');
    default: return MakeFourCC('D', 'X', '5', '0');
    }
  }
  if (Named(s, "video/x-xvid"))
    return MakeFourCC('X', 'V', 'I', 'D');
  if (Named(s, "video/mpeg")) {
    int v = IntField(s, "mpegversion");
    if (v == 4)
      return MakeFourCC('F', 'M', 'P', '4');
    if (v == 2)
      return MakeFourCC('M', 'P', 'G', '2');
    return MakeFourCC('M', 'P', 'G', '1');
  }
  if (Named(s, "video/x-h264"))
    return MakeFourCC('H', '2', '6', '4');
  if (Named(s, "video/x-h265"))
    return MakeFourCC('H', 'E', 'V', 'C');
  if (Named(s, "video/x-h263"))
    return MakeFourCC('H', '2', '6', '3');
  if (Named(s, "image/jpeg") || Named(s, "video/x-jpeg"))
    return MakeFourCC('M', 'J', 'P', 'G');
  if (Named(s, "video/x-msmpeg")) {
    int v = IntField(s, "msmpegversion");
    return v == 41   ? MakeFourCC('M', 'P', 'G', '4')
           : v == 42 ? MakeFourCC('M', 'P', '4', '2')
                     : MakeFourCC('M', 'P', '4', '3');
  }
  if (Named(s, "video/x-wmv")) {
    int v = IntField(s, "wmvversion");
    return v == 1   ? MakeFourCC('W', 'M', 'V', '1')
           : v == 2 ? MakeFourCC('W', 'M', 'V', '2')
                    : MakeFourCC('W', 'M', 'V', '3');
  }
  if (Named(s, "video/x-theora"))
    return MakeFourCC('T', 'H', 'E', 'O');
  if (Named(s, "video/x-vp8"))
    return MakeFourCC('V', 'P', '8', '0');
  if (Named(s, "video/x-vp9"))
    return MakeFourCC('V', 'P', '9', '0');
  if (Named(s, "video/x-av1"))
    return MakeFourCC('A', 'V', '0', '1');
  if (Named(s, "video/x-dv"))
    return MakeFourCC('d', 'v', 's', 'd');
  if (Named(s, "video/x-huffyuv"))
    return MakeFourCC('H', 'F', 'Y', 'U');
  if (Named(s, "video/x-indeo")) {
    int v = IntField(s, "indeoversion");
    return v == 5   ? MakeFourCC('I', 'V', '5', '0')
           : v == 4 ? MakeFourCC('I', 'V', '4', '1')
                    : MakeFourCC('I', 'V', '3', '2');
  }
  if (Named(s, "video/x-raw")) {
    const char* f = gst_structure_get_string(s, "format");
    if (!f)
      return 0;
    // I420 travels as IYUV, the name of the same layout in the codec tables.
    if (!std::strcmp(f, "I420"))
      return MakeFourCC('I', 'Y', 'U', 'V');
    if (!std::strcmp(f, "BGRx") || !std::strcmp(f, "BGRA") || !std::strcmp(f, "BGR") || !std::strcmp(f, "RGB16") ||
        !std::strcmp(f, "RGB15"))
      return 0; // the RGB subtypes are not FourCCs
    if (std::strlen(f) == 4)
      return MakeFourCC(f[0], f[1], f[2], f[3]);
  }
  return 0;
}

uint16_t WaveTagOfCaps(const GstStructure* s) {
  if (Named(s, "audio/x-avi-unknown"))
    return static_cast<uint16_t>(IntField(s, "codec_id"));
  if (Named(s, "audio/mpeg")) {
    int v = IntField(s, "mpegversion", 1);
    if (v == 1)
      return IntField(s, "layer", 3) == 3 ? 0x0055 : 0x0050;
    return 0x00FF; // AAC
  }
  if (Named(s, "audio/x-raw")) {
    const char* f = gst_structure_get_string(s, "format");
    return f && (f[0] == 'F') ? 0x0003 : 0x0001;
  }
  if (Named(s, "audio/x-ac3") || Named(s, "audio/ac3"))
    return 0x2000;
  if (Named(s, "audio/x-dts"))
    return 0x2001;
  if (Named(s, "audio/x-alaw"))
    return 0x0006;
  if (Named(s, "audio/x-mulaw"))
    return 0x0007;
  if (Named(s, "audio/x-adpcm")) {
    const char* layout = gst_structure_get_string(s, "layout");
    return layout && !std::strcmp(layout, "dvi") ? 0x0011 : 0x0002;
  }
  if (Named(s, "audio/x-wma")) {
    int v = IntField(s, "wmaversion", 2);
    return static_cast<uint16_t>(v == 1 ? 0x0160 : v == 2 ? 0x0161 : 0x0162);
  }
  if (Named(s, "audio/x-flac"))
    return 0xF1AC;
  if (Named(s, "audio/x-opus"))
    return 0x704F;
  if (Named(s, "audio/x-vorbis"))
    return 0x674F; // Ogg Vorbis mode 1; the subtype names Vorbis itself
  return 0;
}

bool IsRawCaps(const GstCaps* caps) {
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
    return false;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  return Named(s, "video/x-raw") || Named(s, "audio/x-raw") || Named(s, "text/x-raw");
}

TMediaType MediaTypeFromCaps(const GstCaps* caps) {
  TMediaType mt;
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
    mt.majortype = guids::MEDIATYPE_Stream;
    mt.formattype = guids::FORMAT_None;
    return mt;
  }
  gchar* text = gst_caps_to_string(caps);
  mt.caps = text ? text : "";
  g_free(text);
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  std::string name = gst_structure_get_name(s);
  if (name.starts_with("video/") || name.starts_with("image/")) {
    TVideoInfo vi;
    vi.width = IntField(s, "width");
    vi.height = IntField(s, "height");
    int num = 0, den = 1;
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0 && den > 0)
      vi.avgTimePerFrame = static_cast<int64_t>(10'000'000LL * den / num);
    vi.bitRate = static_cast<uint32_t>(IntField(s, "bitrate"));
    uint32_t fourcc = VideoFourCCOfCaps(s);
    TGuid subtype = TGuid::FromFourCC(fourcc);
    if (name == "video/x-raw" && fourcc == 0) {
      const char* f = gst_structure_get_string(s, "format");
      std::string fmt = f ? f : "";
      if (fmt == "BGRx") {
        subtype = guids::MEDIASUBTYPE_RGB32;
        vi.bitCount = 32;
      } else if (fmt == "BGRA") {
        subtype = guids::MEDIASUBTYPE_ARGB32;
        vi.bitCount = 32;
      } else if (fmt == "BGR") {
        subtype = guids::MEDIASUBTYPE_RGB24;
        vi.bitCount = 24;
      } else if (fmt == "RGB16") {
        subtype = guids::MEDIASUBTYPE_RGB565;
        vi.bitCount = 16;
      } else if (fmt == "RGB15") {
        subtype = guids::MEDIASUBTYPE_RGB555;
        vi.bitCount = 16;
      }
    } else if (name == "video/mpeg" && IntField(s, "mpegversion") == 1) {
      subtype = guids::MEDIASUBTYPE_MPEG1Video;
    }
    vi.compression = fourcc;
    mt = TMediaType::Video(subtype, vi, mt.caps);
    return mt;
  }
  if (name.starts_with("audio/")) {
    TWaveFormat wf;
    wf.formatTag = WaveTagOfCaps(s);
    wf.channels = static_cast<uint16_t>(IntField(s, "channels"));
    wf.samplesPerSec = static_cast<uint32_t>(IntField(s, "rate"));
    if (name == "audio/x-raw") {
      const char* f = gst_structure_get_string(s, "format");
      std::string fmt = f ? f : "";
      int bits = 16;
      for (const char* n : {"8", "16", "24", "32", "64"})
        if (fmt.find(n) != std::string::npos)
          bits = std::atoi(n);
      wf.bitsPerSample = static_cast<uint16_t>(bits);
      wf.blockAlign = static_cast<uint16_t>(wf.channels * bits / 8);
      wf.avgBytesPerSec = wf.samplesPerSec * wf.blockAlign;
    } else {
      wf.avgBytesPerSec = static_cast<uint32_t>(IntField(s, "bitrate") / 8);
      wf.blockAlign = static_cast<uint16_t>(IntField(s, "block_align", 1));
    }
    TGuid subtype = TGuid::FromFourCC(wf.formatTag);
    if (name == "audio/x-vorbis")
      subtype = guids::MEDIASUBTYPE_Vorbis;
    else if (name == "audio/mpeg" && IntField(s, "mpegversion", 1) == 1 && IntField(s, "layer", 3) != 3)
      subtype = guids::MEDIASUBTYPE_MPEG1Audio;
    mt = TMediaType::Audio(subtype, wf, mt.caps);
    return mt;
  }
  if (name.starts_with("text/") || name.starts_with("subpicture/") || name.starts_with("application/x-ssa") ||
      name.starts_with("application/x-ass")) {
    mt.majortype = guids::MEDIATYPE_Text;
    mt.formattype = guids::FORMAT_None;
    return mt;
  }
  mt.majortype = guids::MEDIATYPE_Stream;
  mt.formattype = guids::FORMAT_None;
  return mt;
}

} // namespace eng
