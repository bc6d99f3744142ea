#include "mediainfo/mpeg_audio.h"
#include "core/byte_order.h"

#include "core/text_codec.h"
#include "core/text_util.h"
#include "filters/cached_file.h"
#include "mediainfo/vt_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zv {
namespace {

// Leading and trailing blanks and control characters, NUL included, are not part of a text.
std::string TrimControls(std::string_view s) { return std::string(Trim(s)); }

// The bytes of a Latin-1 (or Windows-1252) text up to its first NUL, as UTF-8.
std::string SingleByteText(const uint8_t* p, size_t size) {
  size_t n = 0;
  while (n < size && p[n] != 0)
    ++n;
  return CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(p), n), 1252);
}

const uint16_t kBitRates[2][3][16] = {
    // MPEG 1: layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    // MPEG 2 and 2.5: layer I, II, III
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

const uint16_t kSampleRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
const char* const kVersions[4] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
const char* const kLayers[4] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
const char* const kModes[5] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};

void Decode(const uint8_t* b, TMPEGFrameData& f) {
  std::memcpy(f.Header, b, 4);
  f.VersionID = (b[1] >> 3) & 3;
  f.LayerID = (b[1] >> 1) & 3;
  f.CRCPresent = (b[1] & 1) == 0;
  f.BitRateID = b[2] >> 4;
  f.SampleRateID = (b[2] >> 2) & 3;
  f.Padding = (b[2] >> 1) & 1;
  f.PrivateBit = b[2] & 1;
  f.ModeID = b[3] >> 6;
  f.ModeExtensionID = (b[3] >> 4) & 3;
  f.Copyright = (b[3] >> 3) & 1;
  f.Original = (b[3] >> 2) & 1;
}

uint16_t BitRateOf(const TMPEGFrameData& f) {
  if (f.VersionID == 1 || f.LayerID == 0)
    return 0;
  return kBitRates[f.VersionID == 3 ? 0 : 1][3 - f.LayerID][f.BitRateID];
}

uint16_t SampleRateOf(const TMPEGFrameData& f) {
  return f.SampleRateID < 3 ? kSampleRates[f.VersionID][f.SampleRateID] : 0;
}

int Coefficient(const TMPEGFrameData& f) {
  if (f.VersionID == 3)
    return f.LayerID == 3 ? 48 : 144;
  return f.LayerID == 3 ? 24 : f.LayerID == 2 ? 144 : 72;
}

int PaddingSize(const TMPEGFrameData& f) { return f.Padding ? (f.LayerID == 3 ? 4 : 1) : 0; }

uint16_t FrameLength(const TMPEGFrameData& f) {
  uint32_t rate = SampleRateOf(f);
  if (rate == 0)
    return 0;
  uint64_t l = static_cast<uint64_t>(Coefficient(f)) * BitRateOf(f) * 1000 / rate + PaddingSize(f);
  return static_cast<uint16_t>(l);
}

int SideInfoOffset(const TMPEGFrameData& f) {
  bool mono = f.ModeID == 3;
  if (f.VersionID == 3)
    return mono ? 21 : 36;
  return mono ? 13 : 21;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ID3v1

vtID3v1Tag::vtID3v1Tag(const std::string& fileName) {
  vtFile f(fileName);
  int64_t size = f.FileSize();
  uint8_t b[128];
  // A file shorter than a tag has none.
  if (size < 128 || !f.Seek(size - 128) || !f.ReadExact(b, 128) || std::memcmp(b, "TAG", 3) != 0)
    return;
  Title = TrimControls(SingleByteText(b + 3, 30));
  Artist = TrimControls(SingleByteText(b + 33, 30));
  Album = TrimControls(SingleByteText(b + 63, 30));
}

// ---------------------------------------------------------------------------------------------
// ID3v2

uint32_t vtID3v2Tag::SizeFromHeader(const uint8_t* h, size_t available, int64_t fileSize) {
  if (available < 10 || std::memcmp(h, "ID3", 3) != 0)
    return 0;
  int64_t size =
      (int64_t(h[6]) << 21) + (int64_t(h[7]) << 14) + (int64_t(h[8]) << 7) + h[9] + ((h[5] & 0x10) ? 20 : 10);
  return fileSize < size ? 0 : static_cast<uint32_t>(size);
}

std::string vtID3v2Tag::DecodeText(const uint8_t* data, size_t size) {
  if (size == 0)
    return {};
  const uint8_t* p = data + 1;
  size_t n = size - 1;
  switch (data[0]) {
  case 1: // UTF-16, the byte-order mark tells the order (none: low byte first)
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
      return TrimControls(Utf16ToUtf8(p + 2, n - 2, true));
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
      return TrimControls(Utf16ToUtf8(p + 2, n - 2, false));
    return TrimControls(Utf16ToUtf8(p, n, false));
  case 2: return TrimControls(Utf16ToUtf8(p, n, true));
  case 3: return TagText(std::string_view(reinterpret_cast<const char*>(p), n));
  default: return TrimControls(SingleByteText(p, n));
  }
}

namespace {
// A 28-bit number in four bytes of seven bits each.
uint64_t Syncsafe(const uint8_t* b) {
  return (uint64_t{b[0] & 0x7Fu} << 21) | (uint64_t{b[1] & 0x7Fu} << 14) | (uint64_t{b[2] & 0x7Fu} << 7) |
         (b[3] & 0x7Fu);
}
} // namespace

std::vector<uint8_t> vtID3v2Tag::Resynchronised(const uint8_t* data, size_t size) {
  // Unsynchronisation put a 00 after every FF that could be taken for a frame sync.
  std::vector<uint8_t> out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00)
      ++i;
  }
  return out;
}

vtID3v2Tag::vtID3v2Tag(const std::string& fileName) {
  static const char* const kIds[kSlots][2] = {{"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"},
                                              {"TYER", "TYE"}, {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"},
                                              {"TENC", "TEN"}, {"TCOP", "TCR"}, {"TLAN", "TLA"}, {"WXXX", "WXX"},
                                              {"TDRC", "TOR"}, {"TOPE", "TOA"}, {"TIT1", "TT1"}, {"TOAL", "TOT"}};
  vtFile f(fileName);
  uint8_t h[10];
  if (!f.ReadExact(h, 10))
    return;
  int64_t fileSize = f.FileSize();
  Size = SizeFromHeader(h, sizeof h, fileSize);
  int version = h[3];
  if ((version != 2 && version != 3 && version != 4) || Size == 0)
    return;
  // The frames are read from the tag's bytes in memory (at most the first 1 MiB: the text frames
  // come long before large pictures), with the tag's unsynchronisation undone and its extended
  // header skipped.
  int flags = h[5];
  int64_t bodySize = std::min<int64_t>({static_cast<int64_t>(Size) - 10, fileSize - 10, kMaxTagRead});
  std::vector<uint8_t> body(static_cast<size_t>(std::max<int64_t>(bodySize, 0)));
  body.resize(static_cast<size_t>(f.ReadAt(10, body.data(), static_cast<int64_t>(body.size()))));
  if (version <= 3 && (flags & 0x80))
    body = Resynchronised(body.data(), body.size());
  size_t position = 0;
  if (version >= 3 && (flags & 0x40) && body.size() >= 4) {
    // Version 3 counts the extended header without its size field; version 4 with it, syncsafe.
    uint64_t ext = version == 3 ? uint64_t{BE32(body.data())} + 4 : Syncsafe(body.data());
    position = static_cast<size_t>(std::min<uint64_t>(ext, body.size()));
  }
  std::string texts[kSlots];
  const size_t headerSize = version == 2 ? 6 : 10;
  while (position + headerSize <= body.size()) {
    const uint8_t* fh = body.data() + position;
    if (fh[0] < 'A' || fh[0] > 'Z') // padding
      break;
    std::string id(reinterpret_cast<const char*>(fh), version == 2 ? 3 : 4);
    uint64_t frameSize;
    if (version == 2)
      frameSize = (fh[3] << 16) | (fh[4] << 8) | fh[5];
    else if (version == 4) // sizes are syncsafe from version 4 on
      frameSize = Syncsafe(fh + 4);
    else
      frameSize = BE32(fh + 4);
    size_t dataAt = position + headerSize;
    size_t available = static_cast<size_t>(std::min<uint64_t>(frameSize, body.size() - dataAt));
    std::vector<uint8_t> data(body.begin() + static_cast<std::ptrdiff_t>(dataAt),
                              body.begin() + static_cast<std::ptrdiff_t>(dataAt + std::min<size_t>(available, 4096)));
    // Compressed or encrypted frames are not read; version 4 marks a frame's own
    // unsynchronisation and a data length before its data.
    bool skipped = false;
    if (version == 3)
      skipped = (fh[9] & 0xC0) != 0;
    if (version == 4) {
      skipped = (fh[9] & 0x0C) != 0;
      if (fh[9] & 0x02)
        data = Resynchronised(data.data(), data.size());
      if ((fh[9] & 0x01) && data.size() >= 4)
        data.erase(data.begin(), data.begin() + 4);
    }
    if (!skipped && !data.empty() && data[0] <= 3)
      for (int slot = 0; slot < kSlots; ++slot)
        if (id == kIds[slot][version == 2 ? 1 : 0])
          texts[slot] = DecodeText(data.data(), data.size());
    position = dataAt + available;
    if (available < frameSize)
      break;
  }
  for (int slot = 0; slot < kSlots; ++slot)
    Frames[slot] = texts[slot];
  Title = Frames[0];
  Artist = Frames[1];
  Album = Frames[2];
}

// ---------------------------------------------------------------------------------------------
// MPEG audio

bool vtMPEGAudioTag::IsFrameHeader(const uint8_t* b) {
  return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 && ((b[1] >> 1) & 3) != 0 &&
         (b[2] >> 4) != 15 && (b[2] >> 4) != 0 && ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

vtMPEGAudioTag::vtMPEGAudioTag(const std::string& fileName) : FileName(fileName), ID3v1(fileName), ID3v2(fileName) {
  if (!Read())
    Reset();
}

void vtMPEGAudioTag::Reset() {
  VBR = {};
  Frame = {};
  FileLength = 0;
  Version = "MPEG ?";
  Layer = "Layer ?";
  Mode = "Unknown";
  BitRate = SampleRate = 0;
  Frames = Duration = 0;
}

bool vtMPEGAudioTag::FindFrame(const uint8_t* window, int size) {
  for (int p = 0; p <= kWindow / 2 && p + 4 <= size; ++p) {
    if (!IsFrameHeader(window + p))
      continue;
    TMPEGFrameData f;
    Decode(window + p, f);
    int length = FrameLength(f);
    // The next frame's header must follow; it is looked for inside the window only.
    if (length <= 0 || p + length + 4 > size || !IsFrameHeader(window + p + length))
      continue;
    f.Found = true;
    f.Position = static_cast<uint32_t>(p);
    f.Size = static_cast<uint16_t>(length);
    Frame = f;
    int o = p + SideInfoOffset(f);
    auto at = [&](int offset, int count) { return o + offset + count <= size; };
    if (at(0, 4) && std::memcmp(window + o, "Xing", 4) == 0 && at(12, 4)) {
      VBR.Present = true;
      VBR.Kind = "Xing";
      VBR.FrameCount = BE32(window + o + 8);
      VBR.ByteCount = BE32(window + o + 12);
      if (at(119, 1))
        VBR.Quality = window[o + 119];
      if (at(120, 8))
        VBR.Encoder = std::string(reinterpret_cast<const char*>(window + o + 120), 8);
    }
    if (at(0, 4) && std::memcmp(window + o, "VBRI", 4) == 0 && at(14, 4)) {
      VBR.Present = true;
      VBR.Kind = "VBRI";
      VBR.Quality = window[o + 9];
      VBR.ByteCount = BE32(window + o + 10);
      VBR.FrameCount = BE32(window + o + 14);
    }
    return true;
  }
  return false;
}

bool vtMPEGAudioTag::Read() {
  Reset();
  vtFile f(FileName);
  if (!f.Opened())
    return false;
  FileLength = f.FileSize();
  std::vector<uint8_t> window(kWindow);
  if (!f.Seek(ID3v2.Size) || !f.Read(window.data(), kWindow))
    return false;
  int got = static_cast<int>(f.LastRead());
  bool found = FindFrame(window.data(), got);
  if (!found && got == kWindow) {
    if (!f.Seek((FileLength - ID3v2.Size) / 2) || !f.Read(window.data(), kWindow))
      return false;
    found = FindFrame(window.data(), static_cast<int>(f.LastRead()));
  }
  if (!found)
    return false;
  Version = kVersions[Frame.VersionID];
  Layer = kLayers[Frame.LayerID];
  Mode = kModes[std::min<int>(Frame.ModeID, 4)];
  SampleRate = SampleRateOf(Frame);
  uint16_t tableRate = BitRateOf(Frame);
  double coefficient = Coefficient(Frame);
  int64_t audio = FileLength - ID3v2.Size - (ID3v1.Present() ? 128 : 0);
  if (VBR.Present && VBR.FrameCount > 0)
    BitRate = static_cast<uint16_t>(std::lround(
        (static_cast<double>(VBR.ByteCount) / VBR.FrameCount - PaddingSize(Frame)) * SampleRate / coefficient / 1000));
  else
    BitRate = tableRate;
  if (VBR.Present)
    Frames = VBR.FrameCount;
  else
    Frames = static_cast<uint32_t>(std::max<int64_t>(audio - Frame.Position, 0) / Frame.Size);
  double seconds = 0;
  if (VBR.Present && VBR.FrameCount > 0)
    seconds = coefficient * VBR.FrameCount * 8 / SampleRate;
  else if (tableRate > 0)
    seconds = static_cast<double>(std::max<int64_t>(audio - Frame.Position, 0)) / tableRate / 1000 * 8;
  if (!VBR.Present && SampleRate > 0) {
    // Without a header that counts the frames, a file whose first frames differ in bit rate is
    // variable: the first frame's rate says nothing of the whole, so every frame header is read.
    TFrameWalk walk = WalkFrames(ID3v2.Size + Frame.Position, ID3v2.Size + audio, 16);
    if (walk.varies) {
      walk = WalkFrames(ID3v2.Size + Frame.Position, ID3v2.Size + audio, 0);
      seconds = coefficient * 8.0 * walk.frames / SampleRate;
      Frames = walk.frames;
      if (seconds > 0)
        BitRate = static_cast<uint16_t>(std::lround(static_cast<double>(walk.bytes) * 8 / seconds / 1000));
    }
  }
  Duration = static_cast<uint32_t>(std::lround(seconds * 1000));
  return true;
}

vtMPEGAudioTag::TFrameWalk vtMPEGAudioTag::WalkFrames(int64_t from, int64_t end, uint32_t limit) {
  // Frame headers only, four bytes each, through the block cache.
  TFrameWalk walk;
  TCachedFile file(FileName);
  int64_t at = from;
  while (at + 4 <= end && (limit == 0 || walk.frames < limit)) {
    uint8_t h[4];
    if (file.Read(h, 4, at) != 4 || !IsFrameHeader(h))
      break;
    TMPEGFrameData f;
    Decode(h, f);
    // Another stream's header (other version, layer or rate) ends the walk.
    if (f.VersionID != Frame.VersionID || f.LayerID != Frame.LayerID || f.SampleRateID != Frame.SampleRateID)
      break;
    int length = FrameLength(f);
    if (length <= 0)
      break;
    walk.varies = walk.varies || f.BitRateID != Frame.BitRateID;
    ++walk.frames;
    walk.bytes += length;
    at += length;
  }
  return walk;
}

} // namespace zv
