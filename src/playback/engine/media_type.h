#pragma once

#include "playback/engine/eng_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace eng {

// Well-known identifiers of media types.
namespace guids {
extern const TGuid MEDIATYPE_Video;
extern const TGuid MEDIATYPE_Audio;
extern const TGuid MEDIATYPE_Text;
extern const TGuid MEDIATYPE_Stream;
extern const TGuid MEDIASUBTYPE_MPEG1Audio;
extern const TGuid MEDIASUBTYPE_MPEG1Video;
extern const TGuid MEDIASUBTYPE_Vorbis;
extern const TGuid MEDIASUBTYPE_RGB32;
extern const TGuid MEDIASUBTYPE_RGB24;
extern const TGuid MEDIASUBTYPE_RGB565;
extern const TGuid MEDIASUBTYPE_RGB555;
extern const TGuid MEDIASUBTYPE_ARGB32;
extern const TGuid MEDIASUBTYPE_Avi;
extern const TGuid FORMAT_VideoInfo;
extern const TGuid FORMAT_WaveFormatEx;
extern const TGuid FORMAT_None;
} // namespace guids

// The fields of a VIDEOINFOHEADER that the program reads.
struct TVideoInfo {
  int32_t width = 0, height = 0;
  uint32_t compression = 0; // FourCC, 0 for RGB
  uint16_t bitCount = 0;
  uint32_t bitRate = 0;
  int64_t avgTimePerFrame = 0; // 100 ns
};

// The fields of a WAVEFORMATEX.
struct TWaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

// A media type in both views: the DirectShow one (major type, subtype, format type and its format
// block) that the program's rules are written against, and the engine's own description (caps).
struct TMediaType {
  TGuid majortype;
  TGuid subtype;
  TGuid formattype;
  std::vector<uint8_t> format;
  std::string caps;

  bool IsVideo() const { return majortype == guids::MEDIATYPE_Video; }
  bool IsAudio() const { return majortype == guids::MEDIATYPE_Audio; }
  bool HasVideoInfo() const { return formattype == guids::FORMAT_VideoInfo && format.size() >= 88; }
  bool HasWaveFormat() const { return formattype == guids::FORMAT_WaveFormatEx && format.size() >= 18; }
  // The FourCC of a FourCC-based subtype, 0 otherwise.
  uint32_t SubtypeFourCC() const { return subtype.IsFourCCBased() ? subtype.d1 : 0; }
  TVideoInfo VideoInfo() const;
  TWaveFormat WaveFormat() const;

  static TMediaType Video(const TGuid& subtype, const TVideoInfo& vi, std::string caps = {});
  static TMediaType Audio(const TGuid& subtype, const TWaveFormat& wf, std::string caps = {});
};

// A VIDEOINFOHEADER (88 bytes) and a WAVEFORMATEX (18 bytes) in their binary layout.
std::vector<uint8_t> MakeVideoInfoHeader(const TVideoInfo& vi);
std::vector<uint8_t> MakeWaveFormatEx(const TWaveFormat& wf);

} // namespace eng
