#include "mediainfo/audio_tags.h"
#include "core/byte_order.h"

#include "core/format.h"
#include "core/text_codec.h"
#include "core/text_util.h"
#include "mediainfo/vt_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zv {
namespace {

constexpr size_t kMaxValue = 250;

} // namespace

// ---------------------------------------------------------------------------------------------
// Ogg Vorbis

vtOggTag::vtOggTag(const std::string& fileName) {
  vtFile f(fileName);
  if (!f.Opened())
    return;
  FileSize = f.FileSize();
  uint8_t id3[10];
  ID3v2Size = vtID3v2Tag::SizeFromHeader(id3, static_cast<size_t>(f.ReadAt(0, id3, 10)), FileSize);
  uint8_t page[282];
  int64_t got = f.ReadAt(ID3v2Size, page, sizeof page);
  if (got < 27 || std::memcmp(page, "OggS", 4) != 0)
    return;
  uint8_t id[30];
  if (f.ReadAt(ID3v2Size + 27 + page[26], id, 30) < 30 || id[0] != 1 || std::memcmp(id + 1, "vorbis", 6) != 0)
    return;
  Channels = id[11];
  SampleRate = LE32(id + 12); // all 32 bits
  BitRateNominal = static_cast<uint16_t>(std::lround(LE32(id + 20) / 1000.0));
  // The comment header starts the second page.
  int64_t second = ID3v2Size + 27 + page[26];
  for (int i = 0; i < page[26] && 27 + i < got; ++i)
    second += page[27 + i];
  got = f.ReadAt(second, page, sizeof page);
  uint8_t head[7];
  if (got >= 27 && std::memcmp(page, "OggS", 4) == 0 && f.ReadAt(second + 27 + page[26], head, 7) == 7 &&
      head[0] == 3 && std::memcmp(head + 1, "vorbis", 6) == 0) {
    int64_t position = second + 27 + page[26] + 7;
    // The vendor string, the count, then the comments; every length is held to the file.
    uint32_t count = 0;
    for (int64_t item = 0; item <= static_cast<int64_t>(count); ++item) {
      uint8_t len[4];
      if (f.ReadAt(position, len, 4) < 4)
        break;
      uint32_t length = LE32(len);
      if (position + 4 + static_cast<int64_t>(length) > FileSize)
        break;
      char buf[kMaxValue] = {};
      int64_t n = f.ReadAt(position + 4, buf, std::min<int64_t>(length, kMaxValue));
      std::string text(buf, static_cast<size_t>(n));
      position += 4 + length;
      if (item == 0) {
        Vendor = TagText(text);
        uint8_t c[4];
        if (f.ReadAt(position, c, 4) < 4)
          break;
        count = LE32(c);
        position += 4;
        continue;
      }
      size_t eq = text.find('=');
      if (eq == std::string::npos)
        continue;
      std::string name = UpperCase(std::string(Trim(text.substr(0, eq))));
      static const char* const kKept[] = {"TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER", "DATE",
                                          "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};
      if (std::find_if(std::begin(kKept), std::end(kKept), [&](const char* k) { return name == k; }) == std::end(kKept))
        continue;
      std::string value = TagText(text.substr(eq + 1));
      auto it = std::find_if(Comments.begin(), Comments.end(), [&](auto& c) { return c.first == name; });
      if (it != Comments.end())
        it->second = value; // a later one replaces an earlier one
      else
        Comments.emplace_back(name, value);
    }
  }
  // The sample count: the granule position of the last page that has one (-1 means none).
  for (int i = 1; i <= 50 && Samples == 0; ++i) {
    int64_t at = FileSize - (static_cast<int64_t>(i) * 241 + 10);
    if (at < 0)
      break;
    uint8_t window[251];
    int64_t n = f.ReadAt(at, window, sizeof window);
    for (int64_t k = std::min<int64_t>(241, n - 14); k >= 0; --k) {
      if (std::memcmp(window + k, "OggS", 4) != 0)
        continue;
      uint64_t granule =
          static_cast<uint64_t>(LE32(window + k + 6)) | (static_cast<uint64_t>(LE32(window + k + 10)) << 32);
      if (granule != UINT64_MAX) {
        Samples = granule;
        break;
      }
    }
  }
  for (auto& [name, value] : Comments) {
    if (name == "TITLE")
      Title = value;
    if (name == "ARTIST")
      Artist = value;
    if (name == "ALBUM")
      Album = value;
  }
  if (Artist.empty())
    for (auto& [name, value] : Comments)
      if (name == "PERFORMER")
        Artist = value;
}

double vtOggTag::Duration() const {
  if (Samples > 0)
    return SampleRate ? static_cast<double>(Samples) / SampleRate : 0;
  if (BitRateNominal && Channels)
    return static_cast<double>(FileSize - ID3v2Size) / BitRateNominal / Channels / 125 * 2;
  return 0;
}

uint32_t vtOggTag::DurationMs() const { return static_cast<uint32_t>(std::lround(Duration() * 1000)); }

bool vtOggTag::Valid() const { return Channels < 3 && SampleRate != 0 && Duration() * 1000 > 0.1; }

// ---------------------------------------------------------------------------------------------
// FLAC

vtFLACTag::vtFLACTag(const std::string& fileName) {
  vtID3v2Tag id3(fileName);
  vtFile f(fileName);
  if (!f.Opened())
    return;
  FileSize = f.FileSize();
  int64_t start = id3.Present() ? id3.Size : 0;
  uint8_t h[42];
  if (f.ReadAt(start, h, 42) < 42 || std::memcmp(h, "fLaC", 4) != 0)
    return;
  SampleRate = (h[18] << 12) | (h[19] << 4) | (h[20] >> 4);
  Channels = static_cast<uint8_t>(((h[20] >> 1) & 7) + 1);
  BitsPerSample = static_cast<uint8_t>(((h[20] & 1) << 4 | (h[21] >> 4)) + 1);
  Samples = (static_cast<uint64_t>(h[21] & 0x0F) << 32) | BE32(h + 22);
  bool ok = true;
  int64_t position = start + 42;
  bool last = (h[4] & 0x80) != 0;
  while (!last && position + 4 <= FileSize) {
    uint8_t b[4];
    if (f.ReadAt(position, b, 4) < 4)
      break;
    int type = b[0] & 0x7F;
    uint32_t length = BE24(b + 1);
    last = (b[0] & 0x80) != 0;
    if (length == 0 && !last)
      break;
    if (type == 127) { // invalid
      ok = false;
      break;
    }
    int64_t data = position + 4;
    if (type == 4 && data + length <= FileSize) {
      // Every length is held to the block.
      int64_t end = data + length, p = data;
      uint8_t n[4];
      if (f.ReadAt(p, n, 4) == 4 && p + 4 + LE32(n) <= end) {
        std::string vendor(LE32(n), '\0');
        f.ReadAt(p + 4, vendor.data(), static_cast<int64_t>(vendor.size()));
        Vendor = TagText(vendor);
        p += 4 + LE32(n);
        uint32_t count = f.ReadAt(p, n, 4) == 4 ? LE32(n) : 0;
        p += 4;
        CommentPresent = count > 0;
        for (uint32_t i = 0; i < count && p + 4 <= end; ++i) {
          if (f.ReadAt(p, n, 4) < 4)
            break;
          uint32_t len = LE32(n);
          if (p + 4 + len > end)
            break;
          std::string text(std::min<uint32_t>(len, 4096), '\0');
          f.ReadAt(p + 4, text.data(), static_cast<int64_t>(text.size()));
          p += 4 + len;
          size_t eq = text.find('=');
          if (eq == std::string::npos)
            continue;
          std::string name = UpperCase(text.substr(0, eq));
          if (name == "ARTIST" && Artist.empty())
            Artist = TagText(text.substr(eq + 1));
          if (name == "TITLE" && Title.empty())
            Title = TagText(text.substr(eq + 1));
          if (name == "ALBUM" && Album.empty())
            Album = TagText(text.substr(eq + 1));
        }
      }
    }
    position = data + length;
  }
  AudioOffset = position;
  valid_ = ok && Channels && SampleRate && BitsPerSample && Samples;
}

double vtFLACTag::Duration() const { return valid_ ? static_cast<double>(Samples) / SampleRate : 0; }

double vtFLACTag::BitRate() const {
  // Metadata that claims to run past the end of the file leaves no audio to measure.
  double d = Duration();
  return d > 0 && AudioOffset < FileSize ? static_cast<double>(FileSize - AudioOffset) / 1000 * 8 / d : 0;
}

// ---------------------------------------------------------------------------------------------
// APE tag

vtAPETag::vtAPETag(const std::string& fileName) {
  vtFile f(fileName);
  if (!f.Opened())
    return;
  int64_t size = f.FileSize();
  uint8_t tag[3];
  int64_t v1 = size >= 129 && f.ReadAt(size - 128, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0 ? 128 : 0;
  int64_t footerAt = size - v1 - 32;
  uint8_t footer[32];
  if (footerAt <= 0 || f.ReadAt(footerAt, footer, 32) < 32 || std::memcmp(footer, "APETAGEX", 8) != 0)
    return;
  Present = true;
  Version = LE32(footer + 8);
  Size = LE32(footer + 12);
  uint32_t count = LE32(footer + 16);
  int64_t position = size - v1 - Size;
  int64_t end = footerAt;
  if (position < 0)
    return;
  for (uint32_t i = 0; i < count && position + 8 < end; ++i) {
    uint8_t h[8];
    if (f.ReadAt(position, h, 8) < 8)
      break;
    uint32_t valueLength = LE32(h);
    position += 8;
    std::string name;
    char c;
    while (position < end && f.ReadAt(position, &c, 1) == 1 && c != 0 && name.size() < 256) {
      name += c;
      ++position;
    }
    ++position; // the zero byte
    // A value reaching past the tag ends the reading.
    if (position + static_cast<int64_t>(valueLength) > end)
      break;
    char value[kMaxValue] = {};
    int64_t n = f.ReadAt(position, value, std::min<int64_t>(valueLength, kMaxValue));
    Fields.emplace_back(std::string(Trim(name)), TagText(std::string_view(value, static_cast<size_t>(n))));
    position += valueLength;
  }
}

std::string vtAPETag::Field(const std::string& name) const {
  for (const auto& [n, v] : Fields)
    if (SameText(n, name))
      return v;
  return {};
}

// ---------------------------------------------------------------------------------------------
// Monkey's Audio

vtMonkey::vtMonkey(const std::string& fileName) : ID3v1(fileName), ID3v2(fileName), APE(fileName) {
  int64_t tags = (ID3v1.Present() ? 128 : 0) + (ID3v2.Present() ? ID3v2.Size : 0) + (APE.Present ? APE.Size : 0);
  vtFile f(fileName);
  if (!f.Opened())
    return;
  FileSize = f.FileSize();
  int64_t start = ID3v2.Present() ? ID3v2.Size : 0;
  uint8_t h[6];
  if (f.ReadAt(start, h, 6) < 6 || std::memcmp(h, "MAC ", 4) != 0)
    return;
  Version = LE16(h + 4);
  VersionText = Format("%4.2f", Version / 1000.0);
  uint32_t blocksPerFrame = 0, finalBlocks = 0, totalFrames = 0;
  if (Version < 3980) {
    uint8_t b[30];
    if (f.ReadAt(start + 6, b, 30) < 30)
      return;
    CompressionLevel = LE16(b);
    FormatFlags = LE16(b + 2);
    Channels = LE16(b + 4);
    SampleRate = LE32(b + 6);
    totalFrames = LE32(b + 18);
    finalBlocks = LE32(b + 22);
    BitsPerSample = (FormatFlags & 1) ? 8 : (FormatFlags & 8) ? 24 : 16;
    blocksPerFrame = Version >= 3950                                                    ? 294912
                     : Version >= 3900 || (Version >= 3800 && CompressionLevel == 4000) ? 73728
                                                                                        : 9216;
  } else {
    uint8_t d[46];
    if (f.ReadAt(start + 6, d, 46) < 46)
      return;
    uint32_t descriptorLength = LE32(d + 2);
    uint32_t headerLength = LE32(d + 6);
    int64_t headerAt = start + std::max<int64_t>(descriptorLength, 52);
    uint8_t b[24] = {};
    if (f.ReadAt(headerAt, b, std::min<uint32_t>(headerLength, 24)) < 24)
      return;
    CompressionLevel = LE16(b);
    FormatFlags = LE16(b + 2);
    blocksPerFrame = LE32(b + 4);
    finalBlocks = LE32(b + 8);
    totalFrames = LE32(b + 12);
    BitsPerSample = LE16(b + 16);
    Channels = LE16(b + 18);
    SampleRate = LE32(b + 20);
  }
  if (totalFrames) {
    // Three 32-bit fields from the file: their product may exceed 63 bits.
    unsigned __int128 samples = static_cast<unsigned __int128>(totalFrames - 1) * blocksPerFrame + finalBlocks;
    TotalSamples = static_cast<int64_t>(std::min<unsigned __int128>(samples, INT64_MAX));
  }
  static const char* const kLevels[] = {"Unknown", "Fast", "Normal", "High", "Extra High", "Insane", "BrainDead"};
  CompressionName = CompressionLevel % 1000 == 0 && CompressionLevel <= 6000 ? kLevels[CompressionLevel / 1000]
                                                                             : std::to_string(CompressionLevel);
  if (SampleRate > 0)
    Duration = static_cast<double>(TotalSamples) / SampleRate;
  if (Duration > 0)
    BitRate = static_cast<double>(FileSize - tags) * 8 / Duration;
}

bool vtMonkey::Valid() const { return BitsPerSample > 0 && SampleRate > 0 && TotalSamples > 0 && Channels > 0; }

double vtMonkey::CompressionRatio() const {
  if (!Valid())
    return 0;
  return static_cast<double>(FileSize) / (static_cast<double>(TotalSamples) * Channels * BitsPerSample / 8 + 44) * 100;
}

// ---------------------------------------------------------------------------------------------
// Musepack

vtMPCTag::vtMPCTag(const std::string& fileName) : ID3v2(fileName), ID3v1(fileName), APE(fileName) {
  vtFile f(fileName);
  int64_t start = ID3v2.Present() ? ID3v2.Size : 0;
  uint8_t h[32];
  if (f.ReadAt(start, h, 32) < 32)
    return;
  FileSize = f.FileSize();
  uint32_t first = LE32(h), second = LE32(h + 4);
  if (first == 0x072B504Du)
    StreamVersion = 7;
  else if (first == 0x172B504Du)
    StreamVersion = 71;
  else
    switch ((h[1] & 0x1F) >> 1) {
    case 3: StreamVersion = 4; break;
    case 7: StreamVersion = 5; break;
    case 11: StreamVersion = 6; break;
    default: StreamVersion = 0;
    }
  Valid = FileSize > 0 && StreamVersion != 0;
  if (!Valid)
    return;
  static const uint32_t kRates[] = {44100, 48000, 37800, 32000};
  SampleRate = kRates[h[10] & 3];
  if (StreamVersion >= 7)
    ChannelMode = (h[11] & 0x7F) >= 0x40 ? 2 : 1;
  else
    ChannelMode = (h[2] & 0x7F) ? 2 : 1;
  Frames = StreamVersion == 4 ? second >> 16 : second;
  HeaderBitRate = StreamVersion <= 5 ? static_cast<uint16_t>(first >> 23) : 0;
  if (StreamVersion >= 7) {
    static const char* const kProfiles[16] = {
        "Unknown", "Experimental", "Unknown",  "Unknown", "Unknown", "--quality 0", "--quality 1", "Telephone",
        "Thumb",   "Radio",        "Standard", "Xtreme",  "Insane",  "BrainDead",   "--quality 9", "--quality 10"};
    Profile = kProfiles[h[10] >> 4];
  }
  if (HeaderBitRate != 0 || Frames < 1)
    BitRate = HeaderBitRate;
  else
    BitRate =
        static_cast<uint32_t>(std::lround(static_cast<double>(FileSize - ID3v2.Size - (APE.Present ? APE.Size : 0)) *
                                          8 * (SampleRate / 1000.0) / Frames / 1152));
  if (ID3v1.Present())
    FileSize -= 128;
}

double vtMPCTag::Duration() const { return SampleRate ? static_cast<double>(Frames) * 1152 / SampleRate : 0; }

} // namespace zv
