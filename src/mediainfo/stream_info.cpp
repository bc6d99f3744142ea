#include "mediainfo/stream_info.h"
#include "core/byte_order.h"

#include "core/text_codec.h"
#include "core/text_util.h"
#include "mediainfo/vt_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zv {
namespace {

// GUIDs as stored (the first three fields little-endian).
const uint8_t kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                     0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kStreamProperties[16] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                       0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kContentDescription[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kExtendedContent[16] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                      0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

// A UTF-16LE string of `bytes` bytes at the position, at most 250 characters, as UTF-8.
std::string Utf16At(vtFile& f, int64_t position, uint32_t bytes) {
  std::vector<uint8_t> b(std::min<uint32_t>(bytes, 500));
  int64_t n = f.ReadAt(position, b.data(), static_cast<int64_t>(b.size()));
  return std::string(Trim(Utf16ToUtf8(b.data(), static_cast<size_t>(n), false)));
}

uint32_t Bits(const std::vector<uint8_t>& data, int64_t bit, int width) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) {
    size_t at = static_cast<size_t>(bit / 8) + i;
    v = (v << 8) | (at < data.size() ? data[at] : 0);
  }
  v <<= bit % 8;
  return static_cast<uint32_t>(v >> (64 - width));
}

const uint32_t kAACRates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                                16000, 12000, 11025, 8000,  0,     0,     0,     0};

} // namespace

// ---------------------------------------------------------------------------------------------
// WMA

vtWMATag::vtWMATag(const std::string& fileName) {
  vtFile f(fileName);
  if (!f.Opened())
    return;
  int64_t fileSize = f.FileSize();
  uint8_t h[30];
  if (f.ReadAt(0, h, 30) < 30 || std::memcmp(h, kHeader, 16) != 0)
    return;
  uint32_t objects = LE32(h + 24);
  uint32_t maxBitRate = 0, byteRate = 0;
  std::string slots[7];
  int64_t position = 30;
  for (uint32_t i = 0; i < objects && position + 24 <= fileSize; ++i) {
    uint8_t o[24];
    if (f.ReadAt(position, o, 24) < 24)
      break;
    uint64_t size = LE32(o + 16) | (static_cast<uint64_t>(LE32(o + 20)) << 32);
    if (size < 24) // an object of size 0 would never end the walk
      break;
    uint8_t b[128] = {};
    if (std::memcmp(o, kFileProperties, 16) == 0) {
      if (f.ReadAt(position + 100, b, 4) == 4)
        maxBitRate = LE32(b);
    } else if (std::memcmp(o, kStreamProperties, 16) == 0) {
      if (f.ReadAt(position + 80, b, 10) == 10) {
        Channels = LE16(b);
        SampleRate = LE32(b + 2);
        byteRate = LE32(b + 6);
      }
    } else if (std::memcmp(o, kContentDescription, 16) == 0) {
      if (f.ReadAt(position + 24, b, 10) == 10) {
        uint16_t len[5];
        for (int k = 0; k < 5; ++k)
          len[k] = LE16(b + 2 * k);
        int64_t at = position + 34;
        const int slot[5] = {0, 1, -1, 6, -1};
        for (int k = 0; k < 5; ++k) {
          if (slot[k] >= 0)
            slots[slot[k]] = Utf16At(f, at, len[k]);
          at += len[k];
        }
      }
    } else if (std::memcmp(o, kExtendedContent, 16) == 0) {
      int64_t end = position + static_cast<int64_t>(size);
      uint8_t c[2];
      uint16_t count = f.ReadAt(position + 24, c, 2) == 2 ? LE16(c) : 0;
      int64_t at = position + 26;
      static const char* const kNames[7] = {"WM/TITLE", "WM/AUTHOR", "WM/ALBUMTITLE", "WM/TRACK",
                                            "WM/YEAR",  "WM/GENRE",  "WM/DESCRIPTION"};
      for (uint16_t d = 0; d < count && at + 2 <= end; ++d) {
        if (f.ReadAt(at, c, 2) < 2)
          break;
        uint16_t nameLength = LE16(c);
        std::string name = UpperCase(Utf16At(f, at + 2, nameLength));
        at += 2 + nameLength;
        uint8_t tv[4];
        if (f.ReadAt(at, tv, 4) < 4)
          break;
        uint16_t type = LE16(tv), valueLength = LE16(tv + 2);
        at += 4;
        // Values of other types (numbers, flags) are skipped by their length.
        if (type == 0)
          for (int k = 0; k < 7; ++k)
            if (name == kNames[k])
              slots[k] = Utf16At(f, at, valueLength);
        at += valueLength;
      }
    }
    // An object reaching past the end of the file is the last one read (its size could also
    // wrap the position round).
    if (size > static_cast<uint64_t>(fileSize - position))
      break;
    position += static_cast<int64_t>(size);
  }
  Valid = maxBitRate > 0 && maxBitRate < 320000 && (Channels == 1 || Channels == 2) && SampleRate >= 8000 &&
          SampleRate <= 96000 && byteRate > 0 && byteRate < 40000;
  if (!Valid)
    return;
  Duration = static_cast<double>(fileSize) * 8 / maxBitRate;
  BitRate = byteRate * 8 / 1000;
  Title = slots[0];
  Artist = slots[1];
  Album = slots[2];
}

// ---------------------------------------------------------------------------------------------
// AAC

vtAACTag::vtAACTag(const std::string& fileName) : ID3v1(fileName), ID3v2(fileName), APE(fileName) {
  vtFile f(fileName);
  if (!f.Opened())
    return;
  FileSize = f.FileSize();
  int64_t start = ID3v2.Size;
  uint8_t h[4];
  if (f.ReadAt(start, h, 4) < 4)
    return;
  if (std::memcmp(h, "ADIF", 4) == 0) {
    HeaderType = 1;
    std::vector<uint8_t> data(64);
    data.resize(static_cast<size_t>(f.ReadAt(start, data.data(), 64)));
    int64_t p = 32;
    p += Bits(data, p, 1) ? 75 : 3; // with a copyright id, 72 more bits
    BitRateKind = Bits(data, p, 1) ? 2 : 1;
    BitRate = Bits(data, p + 1, 23);
    p += BitRateKind == 1 ? 52 : 32;
    MPEGVersion = 2;
    Profile = static_cast<int>(Bits(data, p, 2)) + 1;
    SampleRate = kAACRates[Bits(data, p + 2, 4)];
    Channels = static_cast<uint8_t>(Bits(data, p + 6, 4) + Bits(data, p + 10, 4) + Bits(data, p + 14, 4) +
                                    Bits(data, p + 18, 2));
  } else if (h[0] == 0xFF && (h[1] & 0xF0) == 0xF0) {
    HeaderType = 2;
    int64_t total = 0;
    uint32_t frames = 0;
    std::vector<uint8_t> header(8);
    while (start + total < FileSize) {
      if (f.ReadAt(start + total, header.data(), 7) < 7)
        break;
      if (Bits(header, 0, 12) != 0xFFF)
        break;
      ++frames;
      MPEGVersion = Bits(header, 12, 1) ? 1 : 2;
      Profile = static_cast<int>(Bits(header, 16, 2)) + 1;
      SampleRate = kAACRates[Bits(header, 18, 4)];
      Channels = static_cast<uint8_t>(Bits(header, 23, 3));
      // The frame length sits at bits 30-42 of the header, whatever the MPEG version.
      uint32_t length = Bits(header, 30, 13);
      BitRateKind = Bits(header, 43, 11) == 0x7FF ? 2 : 1;
      if (length == 0) // a frame of length 0 would never end the walk
        break;
      total += length;
      if (BitRateKind == 1)
        break;
    }
    Frames = frames;
    if (frames > 0)
      BitRate = static_cast<uint32_t>(std::lround(SampleRate * (static_cast<double>(total) * 8 / 1024 / frames)));
  }
}

double vtAACTag::Duration() const { return BitRate ? static_cast<double>(FileSize - ID3v2.Size) * 8 / BitRate : 0; }

std::string vtAACTag::MPEGVersionName() const {
  static const char* const kNames[] = {"Unknown", "MPEG-2", "MPEG-4"};
  return kNames[std::clamp(MPEGVersion, 0, 2)];
}

std::string vtAACTag::ProfileName() const {
  static const char* const kNames[] = {"Unknown", "AAC Main", "AAC LC", "AAC SSR", "AAC LTP"};
  return kNames[std::clamp(Profile, 0, 4)];
}

// ---------------------------------------------------------------------------------------------
// AC3

vtAC3::vtAC3(const std::string& fileName) {
  vtFile f(fileName);
  if (!f.Opened())
    return;
  FileSize = f.FileSize();
  uint8_t b[7];
  if (f.ReadAt(0, b, 7) < 7 || !IsSync(b, 7))
    return;
  static const uint32_t kRates[4] = {48000, 44100, 32000, 0};
  static const uint32_t kBitRates[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                         192, 224, 256, 320, 384, 448, 512, 576, 640};
  SampleRate = kRates[b[4] >> 6];
  uint32_t index = (b[4] >> 1) & 0x1F;
  BitRate = index < 19 ? kBitRates[index] : 0;
  static const uint8_t kLayouts[8] = {2, 1, 2, 3, 3, 4, 4, 5};
  ChannelLayout = kLayouts[b[6] >> 5];
  Valid = true;
  Duration = BitRate ? static_cast<double>(FileSize) * 8 / 1000 / BitRate : 0;
}

} // namespace zv
