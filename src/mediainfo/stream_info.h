#pragma once

#include "mediainfo/audio_tags.h"

#include <cstdint>
#include <string>

namespace zv {

// Windows Media (ASF) files: stream parameters and the title and artist of the header objects.
class vtWMATag {
public:
  explicit vtWMATag(const std::string& fileName);
  bool Valid = false;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  double Duration = 0;  // seconds
  uint32_t BitRate = 0; // kbit/s
  std::string Title, Artist, Album;
};

// AAC streams with an ADIF or ADTS header.
class vtAACTag {
public:
  explicit vtAACTag(const std::string& fileName);
  int64_t FileSize = 0;
  int HeaderType = 0;  // 0 unknown, 1 ADIF, 2 ADTS
  int MPEGVersion = 0; // 0 unknown, 1 MPEG-2, 2 MPEG-4
  int Profile = 0;     // 1 Main, 2 LC, 3 SSR, 4 LTP
  uint8_t Channels = 0;
  uint32_t SampleRate = 0;
  uint32_t BitRate = 0; // bits per second
  int BitRateKind = 0;  // 0 unknown, 1 CBR, 2 VBR
  uint32_t Frames = 0;
  double Duration() const; // seconds
  std::string MPEGVersionName() const;
  std::string ProfileName() const;
  vtID3v1Tag ID3v1;
  vtID3v2Tag ID3v2;
  vtAPETag APE;
};

// The first AC-3 frame header.
class vtAC3 {
public:
  explicit vtAC3(const std::string& fileName);
  // Whether a file starts with the AC-3 sync word.
  static bool IsSync(const uint8_t* header, size_t available) {
    return available >= 2 && header[0] == 0x0B && header[1] == 0x77;
  }
  int64_t FileSize = 0;
  bool Valid = false;
  uint8_t ChannelLayout = 0;
  uint32_t SampleRate = 0;
  uint32_t BitRate = 0; // kbit/s
  double Duration = 0;  // seconds
};

} // namespace zv
