#include "skin/stream_pack.h"

#include "core/byte_order.h"
#include "core/text_util.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <zlib.h>

namespace zv {
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentral = 0x06054B50;
constexpr uint32_t kDescriptor = 0x08074B50;
constexpr uint16_t kHasDescriptor = 1u << 3;

struct TSizes {
  uint32_t compressed = 0, uncompressed = 0;
};

// Sizes of the central directory's entries by the offset of their local header; empty when the
// archive has no readable end record.
std::map<int64_t, TSizes> CentralSizes(TStream& s, int64_t start) {
  std::map<int64_t, TSizes> sizes;
  int64_t size = s.Size();
  // The end record sits in the last 22 bytes plus a comment of at most 65535 bytes.
  int64_t tail = std::min<int64_t>(size - start, 22 + 65535);
  if (tail < 22)
    return sizes;
  std::vector<uint8_t> buf(static_cast<size_t>(tail));
  s.SetPosition(size - tail);
  if (s.Read(buf.data(), tail) != tail)
    return sizes;
  int64_t at = -1;
  for (int64_t i = tail - 22; i >= 0; --i)
    if (LE32(&buf[static_cast<size_t>(i)]) == kEndOfCentral) {
      at = i;
      break;
    }
  if (at < 0)
    return sizes;
  const uint8_t* end = &buf[static_cast<size_t>(at)];
  uint16_t count = LE16(end + 10);
  int64_t dirSize = LE32(end + 12);
  int64_t dirOffset = LE32(end + 16);
  if (dirOffset < 0 || dirSize < 0 || start + dirOffset + dirSize > size)
    return sizes;
  std::vector<uint8_t> dir(static_cast<size_t>(dirSize));
  s.SetPosition(start + dirOffset);
  if (s.Read(dir.data(), dirSize) != dirSize)
    return sizes;
  size_t p = 0;
  for (uint16_t i = 0; i < count && p + 46 <= dir.size(); ++i) {
    const uint8_t* h = &dir[p];
    if (LE32(h) != kCentralHeader)
      break;
    sizes[start + LE32(h + 42)] = TSizes{LE32(h + 20), LE32(h + 24)};
    p += 46 + static_cast<size_t>(LE16(h + 28)) + LE16(h + 30) + LE16(h + 32);
  }
  return sizes;
}
} // namespace

std::unique_ptr<TStream> TStreamPack::Open(std::string_view) { return nullptr; }

std::unique_ptr<TStream> TDirStrPack::Open(std::string_view name) {
  fs::path member(std::string{name});
  if (name.empty() || member.is_absolute())
    return nullptr;
  for (const auto& part : member)
    if (part == "..")
      return nullptr;
  fs::path full = fs::path(folder_) / member;
  std::error_code ec;
  // Only plain files: a FIFO or a device named by a skin would block the reader.
  if (!fs::is_regular_file(full, ec))
    return nullptr;
  try {
    return std::make_unique<TFileStream>(full.string());
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool TPKZIP::Read(TStream* stream) {
  Entries.clear();
  stream_ = stream;
  if (!stream)
    return false;
  const int64_t start = stream->Position();
  const int64_t size = stream->Size();
  std::map<int64_t, TSizes> central;
  bool centralRead = false;
  stream->SetPosition(start);
  while (stream->Position() < size) {
    const int64_t headerAt = stream->Position();
    uint8_t sig[4];
    if (stream->Read(sig, 4) != 4)
      return false;
    uint32_t signature = LE32(sig);
    if (signature == kCentralHeader || signature == kEndOfCentral)
      break;
    if (signature != kLocalHeader)
      continue;
    uint8_t h[26];
    if (stream->Read(h, 26) != 26)
      break;
    TZIPEntry e;
    e.versionNeeded = LE16(h);
    e.flags = LE16(h + 2);
    e.method = LE16(h + 4);
    e.modTime = LE16(h + 6);
    e.modDate = LE16(h + 8);
    e.crc32 = LE32(h + 10);
    e.compressedSize = LE32(h + 14);
    e.uncompressedSize = LE32(h + 18);
    e.nameLength = LE16(h + 22);
    e.extraLength = LE16(h + 24);
    e.Name.resize(e.nameLength);
    if (e.nameLength && stream->Read(e.Name.data(), e.nameLength) != e.nameLength)
      break;
    const bool descriptor = (e.flags & kHasDescriptor) != 0;
    if (descriptor) {
      if (!centralRead) {
        int64_t here = stream->Position();
        central = CentralSizes(*stream, start);
        centralRead = true;
        stream->SetPosition(here);
      }
      auto it = central.find(headerAt);
      if (it != central.end()) {
        e.compressedSize = it->second.compressed;
        e.uncompressedSize = it->second.uncompressed;
      }
    }
    int64_t dataAt = stream->Position() + e.extraLength;
    if (dataAt > size)
      break;
    e.DataOffset = dataAt;
    int64_t next = dataAt + static_cast<int64_t>(e.compressedSize);
    Entries.push_back(std::move(e));
    if (next > size)
      break; // the member runs past the end: it keeps what is there, and the walk ends
    stream->SetPosition(next);
    if (descriptor) {
      // CRC and sizes follow the data, with or without their own signature.
      uint8_t d[4];
      if (stream->Read(d, 4) != 4)
        break;
      int64_t skip = LE32(d) == kDescriptor ? 12 : 8;
      if (stream->Position() + skip > size)
        break;
      stream->Seek(skip, TSeekOrigin::Current);
    }
  }
  return true;
}

void TPKZIP::Extract(size_t index) {
  if (index >= Entries.size())
    return;
  TZIPEntry& e = Entries[index];
  e.Data.clear();
  if (e.uncompressedSize > kMemberCap || !stream_)
    return;
  e.Data.assign(e.uncompressedSize, '?');
  // Never more input than the member claims, the archive holds, or the cap allows.
  const int64_t size = stream_->Size();
  int64_t available = std::clamp<int64_t>(size - e.DataOffset, 0, std::min<int64_t>(e.compressedSize, kMemberCap));
  stream_->SetPosition(e.DataOffset);
  if (e.method == 0) {
    int64_t n = std::min<int64_t>(available, e.uncompressedSize);
    if (n > 0)
      stream_->Read(e.Data.data(), n);
  } else if (e.method == 8) {
    std::vector<uint8_t> in(static_cast<size_t>(available));
    int64_t got = available > 0 ? stream_->Read(in.data(), available) : 0;
    if (got <= 0 || e.Data.empty())
      return;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) // raw deflate, 32 KiB window
      return;
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(got);
    z.next_out = reinterpret_cast<Bytef*>(e.Data.data());
    z.avail_out = static_cast<uInt>(e.Data.size());
    while (z.avail_out > 0) {
      uInt before = z.avail_out + z.avail_in;
      int rc = inflate(&z, Z_NO_FLUSH);
      if (rc != Z_OK || z.avail_out + z.avail_in == before)
        break; // stream end, damaged data, or no progress
    }
    inflateEnd(&z);
  }
}

TZIPStrPack::TZIPStrPack(TStream& stream) { zip_.Read(&stream); }

std::unique_ptr<TStream> TZIPStrPack::Open(std::string_view name) {
  auto out = std::make_unique<TMemoryStream>();
  for (size_t i = 0; i < zip_.Entries.size(); ++i) {
    if (!SameText(zip_.Entries[i].Name, name))
      continue;
    zip_.Extract(i);
    const std::string& data = zip_.Entries[i].Data;
    out->WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    // Nothing is kept between two opens.
    zip_.Entries[i].Data.clear();
    zip_.Entries[i].Data.shrink_to_fit();
  }
  out->SetPosition(0);
  return out;
}

} // namespace zv
