#include "mediainfo/riff_info.h"
#include "core/byte_order.h"

#include "core/text_codec.h"
#include "core/text_util.h"
#include "mediainfo/vt_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace zv {
namespace {

constexpr uint32_t kMaxTextChunk = 131072;

} // namespace

// ---------------------------------------------------------------------------------------------
// WAV

bool vtWAV::IsWave(const uint8_t* h, size_t available) {
  return available >= 36 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVE", 4) == 0 &&
         std::memcmp(h + 12, "fmt ", 4) == 0 && LE16(h + 22) != 0;
}

vtWAV::vtWAV(const std::string& fileName) {
  vtFile f(fileName);
  uint8_t h[36];
  if (!f.ReadExact(h, 36))
    return;
  int64_t size = f.FileSize();
  FormatSize = LE32(h + 16);
  FormatTag = LE16(h + 20);
  uint16_t channels = LE16(h + 22);
  Channels = static_cast<uint8_t>(channels);
  SampleRate = LE32(h + 24);
  BytesPerSecond = LE32(h + 28);
  BlockAlign = LE16(h + 32);
  BitsPerSample = static_cast<uint8_t>(LE16(h + 34));
  Valid = IsWave(h, sizeof h);
  if (!Valid)
    return;
  // The data chunk: the first chunk after the format chunk, or further on past LIST, JUNK and
  // the like that some programs write first. A "fact" chunk on the way counts the samples of
  // compressed formats.
  int64_t dataSize = 0;
  std::optional<uint32_t> factSamples;
  int64_t at = 20 + static_cast<int64_t>(FormatSize) + (FormatSize & 1);
  for (int chunks = 0; chunks < 64 && at + 8 <= size; ++chunks) {
    uint8_t c[8];
    if (!f.Seek(at) || !f.ReadExact(c, 8))
      break;
    uint32_t chunkSize = LE32(c + 4);
    uint8_t fact[4];
    if (std::memcmp(c, "fact", 4) == 0 && chunkSize >= 4 && f.ReadExact(fact, 4))
      factSamples = LE32(fact);
    if (std::memcmp(c, "data", 4) == 0 || chunks == 0) {
      dataSize = chunkSize;
      HeaderSize = static_cast<uint32_t>(at + 8);
      if (std::memcmp(c, "data", 4) == 0)
        break;
    }
    at += 8 + static_cast<int64_t>(chunkSize) + (chunkSize & 1);
  }
  // A file written to a pipe claims the largest sizes: the file itself tells how much there is.
  dataSize = std::clamp<int64_t>(dataSize, 0, std::max<int64_t>(0, size - HeaderSize));
  DataSize = dataSize;
  // Formats of whole sample frames (PCM, float, A-law, mu-law, or those inside an extensible
  // format) count frames of a block each; compressed ones (ADPCM, MP3) have their count in the
  // "fact" chunk, or else are measured by their byte rate.
  uint16_t tag = FormatTag;
  uint8_t ext[2];
  if (tag == 0xFFFE && FormatSize >= 26 && f.Seek(20 + 24) && f.ReadExact(ext, 2))
    tag = LE16(ext);
  bool frames = tag == 0x0001 || tag == 0x0003 || tag == 0x0006 || tag == 0x0007;
  if (frames)
    SampleCount = BlockAlign ? static_cast<uint32_t>(std::min<int64_t>(dataSize / BlockAlign, UINT32_MAX)) : 0;
  else
    SampleCount = factSamples.value_or(0);
  if (HeaderSize == 0)
    HeaderSize = FormatSize + 28;
  FileSize = std::min<int64_t>(static_cast<int64_t>(LE32(h + 4)) + 8, size);
  if (FileSize < HeaderSize)
    HeaderSize = static_cast<uint32_t>(FileSize);
  BitRate = BytesPerSecond * 8.0 / 1000;
  // Some writers leave the byte rate of compressed sound at 0: the data and its length tell it.
  if (BitRate == 0 && Duration() > 0)
    BitRate = static_cast<double>(DataSize) * 8 / Duration() / 1000;
}

double vtWAV::Duration() const {
  if (!Valid)
    return 0;
  if (SampleCount && SampleRate)
    return static_cast<double>(SampleCount) / SampleRate;
  if (BytesPerSecond)
    return static_cast<double>(DataSize) / BytesPerSecond;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// AVI information list

const char* const vtAVITag::kIds[kFields] = {"INAM", "IART", "ICOP", "IPRD", "ICRD", "IGNR", "ISBJ", "IKEY", "ICMT",
                                             "IWRI", "IPRO", "IPDS", "IEDT", "IMUS", "ISTD", "IDST", "ICNT", "ILNG",
                                             "IRTD", "ISTR", "ISFT", "ITCH", "IWEB", "IDPI", "IPLT"};
const char* const vtAVITag::kNames[kFields] = {
    "",        "Director", "Copyright",        "Product",     "CreationDate", "Genre",
    "Subject", "Keywords", "Comment",          "Writer",      "Producer",     "",
    "Editor",  "Composer", "ProductionStudio", "Distributor", "Country",      "Language",
    "Rating",  "Starring", "Software",         "Encoderer",   "URL",          "Resolution",
    ""};

bool vtAVITag::Present() const {
  for (const std::string& s : Fields)
    if (!s.empty())
      return true;
  return false;
}

vtAVITag::vtAVITag(const std::string& fileName) {
  vtFile f(fileName);
  uint8_t h[12];
  int64_t size = f.FileSize();
  // AVI files, and WAVE files, which carry the same information list.
  if (!f.ReadExact(h, 12) || std::memcmp(h, "RIFF", 4) != 0 ||
      (std::memcmp(h + 8, "AVI ", 4) != 0 && std::memcmp(h + 8, "WAVE", 4) != 0))
    return;
  int64_t end = 8 + static_cast<int64_t>(LE32(h + 4));
  if (end > size)
    return;
  int64_t at = 12;
  while (at + 8 <= end) {
    uint8_t c[8];
    if (!f.Seek(at) || !f.ReadExact(c, 8))
      break;
    int64_t chunkSize = LE32(c + 4);
    chunkSize += chunkSize & 1;
    if (std::memcmp(c, "LIST", 4) == 0) {
      uint8_t type[4];
      if (!f.ReadExact(type, 4))
        break;
      // Other lists are entered: their chunks come next.
      at = std::memcmp(type, "movi", 4) == 0 ? at + 8 + chunkSize : at + 12;
      continue;
    }
    if (std::memcmp(c, "JUNK", 4) != 0 && chunkSize >= 1 && at + 8 + chunkSize <= size && chunkSize <= kMaxTextChunk) {
      for (int i = 0; i < kFields; ++i)
        if (std::memcmp(c, kIds[i], 4) == 0) {
          std::vector<uint8_t> text(static_cast<size_t>(chunkSize));
          if (f.ReadExact(text.data(), chunkSize))
            Fields[i] = TagText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        }
    }
    at += 8 + chunkSize;
  }
}

} // namespace zv
