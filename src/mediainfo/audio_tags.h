#pragma once

#include "mediainfo/mpeg_audio.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv {

// Ogg Vorbis: the identification and comment headers and the last page's granule position.
class vtOggTag {
public:
  explicit vtOggTag(const std::string& fileName);
  int64_t FileSize = 0;
  uint8_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BitRateNominal = 0; // kbit/s
  uint64_t Samples = 0;
  uint32_t ID3v2Size = 0;
  std::string Title, Artist, Album, Vendor;
  // The comments the reader keeps: TITLE, ARTIST, ALBUM, TRACKNUMBER, DATE, GENRE, COMMENT,
  // PERFORMER, DESCRIPTION.
  std::vector<std::pair<std::string, std::string>> Comments;
  double Duration() const; // seconds
  uint32_t DurationMs() const;
  bool Valid() const;
  bool TagPresent() const { return Valid() && (!Title.empty() || !Artist.empty()); }
};

// FLAC: STREAMINFO and the Vorbis comment block.
class vtFLACTag {
public:
  explicit vtFLACTag(const std::string& fileName);
  uint8_t Channels = 0;
  uint32_t SampleRate = 0;
  uint8_t BitsPerSample = 0;
  uint64_t Samples = 0;
  int64_t FileSize = 0;
  int64_t AudioOffset = 0;
  bool CommentPresent = false;
  std::string Vendor, Title, Artist, Album; // the first of each
  bool Valid() const { return valid_; }
  double Duration() const; // seconds
  double BitRate() const;  // kbit/s

private:
  bool valid_ = false;
};

// The APE tag (version 1 or 2) at the end of a file, before an ID3v1 tag.
class vtAPETag {
public:
  explicit vtAPETag(const std::string& fileName);
  bool Present = false;
  uint32_t Version = 0;
  uint32_t Size = 0; // footer included, header not
  std::vector<std::pair<std::string, std::string>> Fields;
  // The first field of the name, any case; empty when none.
  std::string Field(const std::string& name) const;
};

// Monkey's Audio.
class vtMonkey {
public:
  explicit vtMonkey(const std::string& fileName);
  bool Valid() const;
  uint16_t Version = 0;
  std::string VersionText;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BitsPerSample = 0;
  int64_t TotalSamples = 0;
  double Duration = 0; // seconds
  double BitRate = 0;  // bits per second
  uint16_t CompressionLevel = 0;
  std::string CompressionName;
  uint16_t FormatFlags = 0;
  int64_t FileSize = 0;
  double CompressionRatio() const; // percent
  vtID3v1Tag ID3v1;
  vtID3v2Tag ID3v2;
  vtAPETag APE;
};

// Musepack (stream versions 4 to 7).
class vtMPCTag {
public:
  explicit vtMPCTag(const std::string& fileName);
  bool Valid = false;
  uint8_t ChannelMode = 0; // 1 stereo, 2 joint stereo
  int64_t FileSize = 0;
  uint32_t Frames = 0;
  uint32_t SampleRate = 0;
  uint16_t HeaderBitRate = 0;
  int StreamVersion = 0; // 4, 5, 6, 7 or 71
  std::string Profile = "Unknown";
  double Duration() const; // seconds
  uint32_t BitRate = 0;    // kbit/s
  vtID3v2Tag ID3v2;
  vtID3v1Tag ID3v1;
  vtAPETag APE;
};

} // namespace zv
