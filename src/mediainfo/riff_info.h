#pragma once

#include <cstdint>
#include <string>

namespace zv {

// The header of a RIFF WAVE file.
class vtWAV {
public:
  explicit vtWAV(const std::string& fileName);
  // Whether the first 36 bytes of a file are a RIFF WAVE header with channels.
  static bool IsWave(const uint8_t* header, size_t available);
  bool Valid = false;
  uint32_t FormatSize = 0;
  uint16_t FormatTag = 0;
  uint8_t Channels = 0;
  uint32_t SampleRate = 0;
  uint32_t BytesPerSecond = 0;
  uint16_t BlockAlign = 0;
  uint8_t BitsPerSample = 0;
  uint32_t SampleCount = 0;
  uint32_t HeaderSize = 0; // where the sound data starts
  int64_t DataSize = 0;    // bytes of sound data that are really in the file
  int64_t FileSize = 0;
  double BitRate = 0;      // kbit/s
  double Duration() const; // seconds
};

// The text entries of the information lists ("INFO") of an AVI or WAVE file, as UTF-8.
class vtAVITag {
public:
  explicit vtAVITag(const std::string& fileName);
  static constexpr int kFields = 25;
  // The chunk identifiers, in the order of the fields, and the comment names the report uses
  // (empty: stored, not shown; the first, INAM, is the title).
  static const char* const kIds[kFields];
  static const char* const kNames[kFields];
  std::string Fields[kFields];
  bool Present() const;
  const std::string& Title() const { return Fields[0]; }
};

} // namespace zv
