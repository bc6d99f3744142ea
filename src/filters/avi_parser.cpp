#include "filters/avi_parser.h"
#include "core/byte_order.h"

#include "core/format.h"
#include "core/session_log.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace zv {
namespace {

std::string Hex(int64_t position) { return Format("0x%.8x", position); }

// Stream number of a chunk id such as "00dc" or "12wb"; -1 unless both leading characters are digits.
int StreamOfId(const char* id) {
  if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9')
    return -1;
  return (id[0] - '0') * 10 + (id[1] - '0');
}

constexpr int64_t kIndexReadPiece = 1 << 20;

} // namespace

int64_t UnitsToTime(int64_t units, uint32_t rate, uint32_t scale) {
  if (rate == 0 || scale == 0 || units <= 0)
    return 0;
  // Exact: units x 10^7 x scale / rate, rounded to the nearest, halves to even.
  __int128 num = static_cast<__int128>(units) * 10'000'000 * scale;
  __int128 q = num / rate, r = num % rate;
  if (2 * r > rate || (2 * r == rate && (q & 1)))
    ++q;
  constexpr __int128 kMax = std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(q > kMax ? kMax : q);
}

TAVIParser::TAVIParser(TCachedFile& file) : file_(file) {}

int64_t TAVIParser::Size() {
  if (fileSize_ < 0)
    fileSize_ = file_.FileSize();
  return fileSize_;
}

std::string TAVIParser::FourCCText(const uint8_t* fourcc) {
  return std::string(reinterpret_cast<const char*>(fourcc), 4);
}

std::string TAVIParser::FourCCAt(int64_t position) {
  uint8_t b[4] = {};
  file_.Read(b, 4, position);
  return FourCCText(b);
}

bool TAVIParser::IsRIFFAVI() {
  uint8_t b[12];
  if (file_.Read(b, 12, 0) != 12)
    return false;
  return std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "AVI ", 4) == 0;
}

bool TAVIParser::IsTruncated() { return IsRIFFAVI() && Size() - 8 < static_cast<int64_t>(file_.ReadDWord(4)); }

template <class F>
void TAVIParser::WalkList(int64_t listPos, uint32_t size, F&& handle) {
  int64_t position = listPos + 12;
  // Never past the end of the file, whatever the list claims.
  int64_t remaining = std::min<int64_t>(static_cast<int64_t>(size) - 4, Size() - position);
  // A chunk needs 8 bytes (FourCC and size); a list's type follows in the next 4, so a small
  // chunk at the very end of a list is still seen.
  while (remaining >= 8) {
    uint8_t b[12] = {};
    int64_t got = file_.Read(b, std::min<int64_t>(12, remaining), position);
    if (got < 8)
      break;
    TChunk c{};
    c.position = position;
    std::memcpy(c.id, b, 4);
    c.size = LE32(b + 4);
    std::memcpy(c.listType, b + 8, 4);
    if (!handle(c))
      break;
    int64_t skip = c.size;
    if (!c.Is("LIST") && (skip & 1))
      ++skip;
    position += skip + 8;
    remaining -= skip + 8;
  }
}

void TAVIParser::Parse() {
  Log("+TAVIParser.Parse");
  if (!IsRIFFAVI()) {
    Log("-TAVIParser.Parse(not valid)");
    return;
  }
  uint32_t riffSize = file_.ReadDWord(4);
  WalkList(0, riffSize, [&](const TChunk& c) {
    if (c.IsList("hdrl")) {
      Log("TAVIParser.Parse:Found \"hdrl\" list at " + Hex(c.position));
      ParseHeader(c);
    } else if (c.IsList("INFO")) {
      Log("TAVIParser.Parse:Found \"INFO\" list at " + Hex(c.position));
      ParseInfo(c);
    } else if (c.IsList("movi")) {
      Log("TAVIParser.Parse:Found \"movi\" list at " + Hex(c.position));
      moviePos_ = c.position;
    } else if (c.Is("idx1")) {
      Log("TAVIParser.Parse:Found \"idx1\" chunk at " + Hex(c.position));
      indexPos_ = c.position;
    }
    return true;
  });
  ParseExtensions(8 + static_cast<int64_t>(riffSize) + (riffSize & 1));
  Log("-TAVIParser.Parse");
}

// Files over 1 GB continue in "RIFF" "AVIX" chunks, each with a movie list of its own.
void TAVIParser::ParseExtensions(int64_t position) {
  while (moviePos_ >= 0 && position + 12 <= Size()) {
    uint8_t b[12];
    if (file_.Read(b, 12, position) < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "AVIX", 4) != 0)
      return;
    uint32_t size = LE32(b + 4);
    WalkList(position, size, [&](const TChunk& c) {
      if (c.IsList("movi"))
        extraMovies_.push_back(c);
      return true;
    });
    position += 8 + static_cast<int64_t>(size) + (size & 1);
  }
}

void TAVIParser::ParseHeader(const TChunk& list) {
  Log("+TAVIParser.ParseHeader");
  WalkList(list.position, list.size, [&](const TChunk& c) {
    if (c.Is("avih")) {
      Log("TAVIParser.ParseHeader:Found \"avih\" at " + Hex(c.position));
      if (file_.Read(mainHeader_, 64, c.position) < 64)
        Log("TAVIParser.ParseHeader:!Warning - Incomplete \"avih\" chunk");
    } else if (c.IsList("strl")) {
      Log("TAVIParser.ParseHeader:Found \"strl\" at " + Hex(c.position));
      ParseStreamList(c);
    } else if (c.IsList("odml")) {
      WalkList(c.position, c.size, [&](const TChunk& d) {
        if (d.Is("dmlh") && d.size >= 4)
          odmlFrames_ = file_.ReadDWord(d.position + 8);
        return true;
      });
    }
    return true;
  });
  Log("-TAVIParser.ParseHeader");
}

void TAVIParser::ParseStreamList(const TChunk& list) {
  Log("+TAVIParser.ParseStreamList");
  streams_.emplace_back();
  TAVIStream& s = streams_.back();
  WalkList(list.position, list.size, [&](const TChunk& c) {
    if (c.Is("strh")) {
      Log("TAVIParser.ParseStreamList:Found \"strh\" at " + Hex(c.position));
      if (file_.Read(s.header, 64, c.position) < 64)
        Log("TAVIReader.ParseStreamList:!Warning - Incomplete \"strh\" chunk");
    } else if (c.Is("strf")) {
      Log("TAVIParser.ParseStreamList:Found \"strf\" at " + Hex(c.position));
      int64_t want = static_cast<int64_t>(c.size) + 8;
      if (c.size > kMaxChunkCopy) {
        Log(Format("TAVIReader.ParseStreamList:!Warning - \"strf\" chunk of %d bytes refused", c.size));
        return true;
      }
      // Only what the file holds is allocated.
      int64_t have = std::clamp<int64_t>(Size() - c.position, 0, want);
      s.format.assign(static_cast<size_t>(have), 0);
      int64_t got = have > 0 ? file_.Read(s.format.data(), have, c.position) : 0;
      s.format.resize(static_cast<size_t>(got));
      if (got < want)
        Log("TAVIReader.ParseStreamList:!Warning - Incomplete \"strf\" chunk");
    } else if (c.Is("indx")) {
      ParseSuperIndex(s, c);
    }
    return true;
  });
  Log("-TAVIParser.ParseStreamList");
}

// An OpenDML super index lists the stream's standard index chunks ("ix00"...). A stream may also
// carry its only standard index right here.
void TAVIParser::ParseSuperIndex(TAVIStream& stream, const TChunk& chunk) {
  uint8_t h[24];
  if (chunk.size < 24 || file_.Read(h, 24, chunk.position + 8) < 24)
    return;
  uint16_t longsPerEntry = static_cast<uint16_t>(h[0] | (h[1] << 8));
  uint8_t indexType = h[3];
  uint32_t inUse = LE32(h + 4);
  if (indexType == 1) { // a standard index in place of the super index
    stream.indexChunks.push_back(chunk.position);
    return;
  }
  if (indexType != 0 || longsPerEntry != 4)
    return;
  // Only the entries the chunk and the file really hold.
  int64_t room = std::min<int64_t>(chunk.size, Size() - (chunk.position + 8)) - 24;
  if (room < 16)
    return;
  inUse = static_cast<uint32_t>(std::min<int64_t>(inUse, room / 16));
  for (uint32_t i = 0; i < inUse; ++i) {
    int64_t at = chunk.position + 8 + 24 + static_cast<int64_t>(i) * 16;
    uint64_t offset = file_.ReadQWord(at);
    if (offset == 0 || offset >= static_cast<uint64_t>(Size()))
      continue;
    stream.indexChunks.push_back(static_cast<int64_t>(offset));
  }
}

void TAVIParser::ParseInfo(const TChunk& list) {
  Log("+TAVIParser.ParseInfo");
  WalkList(list.position, list.size, [&](const TChunk& c) {
    if (c.size > kMaxChunkCopy)
      return true;
    int64_t have = std::clamp<int64_t>(Size() - (c.position + 8), 0, c.size);
    TAVITag tag;
    tag.id = std::string(c.id, 4);
    tag.data.assign(static_cast<size_t>(have), '\0');
    int64_t got = have > 0 ? file_.Read(tag.data.data(), have, c.position + 8) : 0;
    tag.data.resize(static_cast<size_t>(got));
    tags_.push_back(std::move(tag));
    return true;
  });
  Log("-TAVIParser.ParseInfo");
}

void TAVIParser::LoadIndex(bool buildWhenMissing) {
  Log("+TAVIParser.LoadIndex");
  index_.clear();
  openDML_ = false;
  bool anyOpenDML =
      std::any_of(streams_.begin(), streams_.end(), [](const TAVIStream& s) { return !s.indexChunks.empty(); });
  if (anyOpenDML && moviePos_ >= 0)
    ReadOpenDMLIndex();
  if (!openDML_) {
    if (indexPos_ > 0)
      ReadIdx1();
    if (index_.empty() && buildWhenMissing)
      BuildIndex(); // distributes
    else
      Distribute();
  }
  Log(Format("-TAVIParser.LoadIndex(%d)", static_cast<int64_t>(index_.size())));
}

bool TAVIParser::Idx1Damaged() {
  if (indexPos_ <= 0 || moviePos_ < 0)
    return false;
  int64_t count = std::clamp<int64_t>(Size() - (indexPos_ + 8), 0, file_.ReadDWord(indexPos_ + 4)) / 16;
  if (count == 0)
    return false;
  // Entries spread over the whole index, first and last among them: a shifted index fails at its
  // start, one overwritten in part where the damage lies.
  constexpr int64_t kSamples = 64;
  int64_t samples = std::min(count, kSamples);
  int relative = 0, absolute = 0;
  for (int64_t k = 0; k < samples; ++k) {
    int64_t n = samples == 1 ? 0 : k * (count - 1) / (samples - 1);
    uint8_t e[16];
    if (file_.Read(e, 16, indexPos_ + 8 + n * 16) != 16)
      return true;
    // The chunk the entry names, with its id ("rec " entries name a list) and its size.
    std::string id = FourCCText(e);
    std::string expected = id == "rec " ? std::string("LIST") : id;
    auto matches = [&](int64_t at) {
      uint8_t h[8];
      if (at < 0 || file_.Read(h, 8, at) != 8 || FourCCText(h) != expected)
        return false;
      return expected == "LIST" || LE32(h + 4) == LE32(e + 12);
    };
    int64_t offset = LE32(e + 8);
    relative += matches(moviePos_ + 8 + offset) ? 1 : 0;
    absolute += matches(offset) ? 1 : 0;
  }
  bool damaged = std::max(relative, absolute) < samples;
  if (damaged)
    Log(Format("TAVIParser.LoadIndex:damaged index, %d of %d entries point at their chunks",
               std::max(relative, absolute), samples));
  return damaged;
}

bool TAVIParser::IndexDamaged(const std::string& path) {
  TCachedFile file(path);
  TAVIParser parser(file);
  if (!parser.IsRIFFAVI())
    return false;
  parser.Parse();
  return parser.Idx1Damaged();
}

void TAVIParser::ReadIdx1() {
  // A damaged index is not used: the index is then built from the movie data.
  if (Idx1Damaged())
    return;
  uint32_t claimed = file_.ReadDWord(indexPos_ + 4);
  int64_t available = std::clamp<int64_t>(Size() - (indexPos_ + 8), 0, claimed);
  std::vector<uint8_t> piece;
  index_.reserve(static_cast<size_t>(available / 16));
  int64_t done = 0;
  while (done + 16 <= available) {
    int64_t want = std::min<int64_t>(kIndexReadPiece, available - done) & ~int64_t{15};
    piece.resize(static_cast<size_t>(want));
    int64_t got = file_.Read(piece.data(), want, indexPos_ + 8 + done);
    for (int64_t k = 0; k + 16 <= got; k += 16) {
      const uint8_t* p = piece.data() + k;
      index_.emplace_back(reinterpret_cast<const char*>(p), LE32(p + 4), LE32(p + 8), LE32(p + 12));
    }
    if (got < want)
      break;
    done += want;
  }
  if (index_.empty() || moviePos_ < 0)
    return;
  // Offsets usually count from the "movi" FourCC; some muxers write absolute file positions. The
  // first stream chunk decides for the whole index.
  for (const TAVIIndexEntry& e : index_) {
    if (StreamOfId(e.id) < 0)
      continue;
    if (FourCCAt(ChunkHeaderPosition(e)) == std::string_view(e.id, 4))
      break;
    if (FourCCAt(e.Offset()) == std::string_view(e.id, 4)) {
      Log("TAVIParser.LoadIndex:absolute offsets");
      for (TAVIIndexEntry& f : index_)
        f.SetOffset(f.Offset() - (moviePos_ + 8));
    }
    break;
  }
}

void TAVIParser::ReadOpenDMLIndex() {
  for (int s = 0; s < StreamCount(); ++s)
    for (int64_t position : streams_[static_cast<size_t>(s)].indexChunks)
      ReadStandardIndex(s, position);
  openDML_ = !index_.empty();
  if (!openDML_)
    return;
  for (TAVIStream& s : streams_)
    s.entries.clear();
  // Entries arrive stream by stream; each stream's list is rebuilt from them in order.
  int64_t size = Size();
  std::vector<TAVIIndexEntry> kept;
  kept.reserve(index_.size());
  for (const TAVIIndexEntry& e : index_) {
    int n = StreamOfId(e.id);
    if (n < 0 || n >= StreamCount() || ChunkHeaderPosition(e) + 8 + e.size > size)
      continue;
    streams_[static_cast<size_t>(n)].entries.push_back(e);
    kept.push_back(e);
  }
  index_.swap(kept);
}

// A standard index chunk: a header naming the stream's chunk id and a 64-bit base, then entries of
// a 32-bit offset from the base to the chunk's data and a size whose top bit marks a non-key frame.
void TAVIParser::ReadStandardIndex(int stream, int64_t position) {
  uint8_t h[32];
  if (file_.Read(h, 32, position) < 32)
    return;
  uint32_t chunkSize = LE32(h + 4);
  uint16_t longsPerEntry = static_cast<uint16_t>(h[8] | (h[9] << 8));
  uint8_t indexType = h[11];
  uint32_t inUse = LE32(h + 12);
  uint64_t base = LE64(h + 20);
  if (indexType != 1 || longsPerEntry < 2 || chunkSize < 24)
    return;
  uint32_t entryBytes = longsPerEntry * 4u;
  int64_t room = std::min<int64_t>(static_cast<int64_t>(chunkSize) - 24, Size() - (position + 32));
  if (room <= 0)
    return;
  inUse = static_cast<uint32_t>(std::min<int64_t>(inUse, room / entryBytes));
  char id[4];
  std::memcpy(id, h + 16, 4);
  if (StreamOfId(id) != stream) { // the header's id decides which stream the entries feed
    id[0] = static_cast<char>('0' + stream / 10);
    id[1] = static_cast<char>('0' + stream % 10);
  }
  std::vector<uint8_t> piece;
  int64_t done = 0, total = static_cast<int64_t>(inUse) * entryBytes;
  int64_t pieceBytes = (kIndexReadPiece / entryBytes) * entryBytes;
  while (done < total) {
    int64_t want = std::min<int64_t>(pieceBytes, total - done);
    piece.resize(static_cast<size_t>(want));
    int64_t got = file_.Read(piece.data(), want, position + 32 + done);
    for (int64_t k = 0; k + entryBytes <= got; k += entryBytes) {
      const uint8_t* p = piece.data() + k;
      uint32_t size = LE32(p + 4);
      uint64_t data = base + LE32(p);
      if (data < 8 || data >= static_cast<uint64_t>(Size())) // nothing there: dropped
        continue;
      index_.emplace_back(id, (size & 0x80000000u) ? 0 : TAVIIndexEntry::kKeyFrame,
                          static_cast<int64_t>(data) - 8 - (moviePos_ + 8), size & 0x7FFFFFFFu);
    }
    if (got < want)
      break;
    done += want;
  }
}

void TAVIParser::BuildIndex() {
  Log("+TAVIParser.BuildIndex");
  if (moviePos_ < 0) {
    Log("-TAVIParser.BuildIndex(No \"movi\" section)");
    return;
  }
  index_.clear();
  uint8_t b[12];
  if (file_.Read(b, 12, moviePos_) == 12) {
    TChunk movi{};
    movi.position = moviePos_;
    movi.size = LE32(b + 4);
    AddBuiltEntries(movi);
  }
  for (const TChunk& extra : extraMovies_)
    AddBuiltEntries(extra);
  MarkBuiltKeyFrames();
  Distribute();
  Log("-TAVIParser.BuildIndex");
}

namespace {

enum class TFrameCodec { Other, Mpeg4Part2, H264 };

TFrameCodec CodecOf(const std::string& fourcc) {
  static const char* const kMpeg4[] = {"DIVX", "DX50", "XVID", "FMP4", "MP4V", "M4S2", "MP4S",
                                       "3IV2", "RMP4", "SEDG", "BLZ0", "DM4V", "XVIX"};
  static const char* const kH264[] = {"H264", "X264", "AVC1", "DAVC", "VSSH", "Q264", "V264"};
  std::string f = fourcc;
  for (char& c : f)
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  for (const char* m : kMpeg4)
    if (f == m)
      return TFrameCodec::Mpeg4Part2;
  for (const char* h : kH264)
    if (f == h)
      return TFrameCodec::H264;
  return TFrameCodec::Other;
}

} // namespace

std::optional<bool> IsKeyFrameData(const uint8_t* data, size_t size, bool h264) {
  // Start codes 00 00 01 and the byte after them.
  for (size_t i = 0; i + 3 < size; ++i) {
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
      continue;
    uint8_t code = data[i + 3];
    if (!h264) {
      // A video object plane: its coding type (the first two bits after the code) 0 is intra.
      if (code == 0xB6)
        return i + 4 < size ? std::optional<bool>((data[i + 4] >> 6) == 0) : std::nullopt;
    } else {
      // The first slice decides: an IDR slice (5) is a key frame, any other (1) is not.
      int type = code & 0x1F;
      if (type == 5)
        return true;
      if (type == 1)
        return false;
    }
    i += 2;
  }
  return std::nullopt;
}

void TAVIParser::MarkBuiltKeyFrames() {
  // Which streams can tell their key frames from their data: MPEG-4 Part 2 and H.264 video.
  std::vector<TFrameCodec> codecs(streams_.size(), TFrameCodec::Other);
  for (size_t s = 0; s < streams_.size(); ++s) {
    const TAVIStream& st = streams_[s];
    if (!IsVideoStream(static_cast<int>(s)))
      continue;
    codecs[s] = st.FormatSize() >= 20 ? CodecOf(FourCCText(st.FormatData() + 16)) : TFrameCodec::Other;
    if (codecs[s] == TFrameCodec::Other)
      codecs[s] = CodecOf(FourCCText(st.header + 12));
  }
  if (std::all_of(codecs.begin(), codecs.end(), [](TFrameCodec c) { return c == TFrameCodec::Other; }))
    return;
  std::vector<uint8_t> data;
  int64_t keys = 0, frames = 0;
  for (TAVIIndexEntry& e : index_) {
    int n = StreamOfId(e.id);
    if (n < 0 || n >= StreamCount() || codecs[static_cast<size_t>(n)] == TFrameCodec::Other)
      continue;
    bool h264 = codecs[static_cast<size_t>(n)] == TFrameCodec::H264;
    // Headers before the picture are short, but an encoder's notes in the first H.264 frame can
    // take a few kilobytes: the data is read in growing pieces until the picture's header shows.
    std::optional<bool> key;
    for (int64_t want = 256; !key && want <= 65536; want *= 16) {
      int64_t piece = std::min<int64_t>(want, e.size);
      data.resize(static_cast<size_t>(piece));
      int64_t got = piece > 0 ? file_.Read(data.data(), piece, ChunkHeaderPosition(e) + 8) : 0;
      key = IsKeyFrameData(data.data(), static_cast<size_t>(std::max<int64_t>(got, 0)), h264);
      if (piece == e.size)
        break;
    }
    // An empty chunk repeats the last picture: no key frame. Data whose picture header cannot be
    // found is taken as a key frame, as every chunk of a built index used to be.
    bool isKey = key.value_or(e.size > 0);
    e.SetFlags(isKey ? (e.Flags() | TAVIIndexEntry::kKeyFrame) : (e.Flags() & ~TAVIIndexEntry::kKeyFrame));
    keys += isKey ? 1 : 0;
    ++frames;
  }
  Log(Format("TAVIParser.BuildIndex:%d key frames of %d found in the frame data", keys, frames));
}

void TAVIParser::AddBuiltEntries(const TChunk& list) {
  WalkList(list.position, list.size, [&](const TChunk& c) {
    if (index_.size() >= builtIndexCap_)
      return false;
    if (c.IsList("rec ")) { // interleaved groups hold the stream chunks
      AddBuiltEntries(c);
      return index_.size() < builtIndexCap_;
    }
    index_.emplace_back(c.id, TAVIIndexEntry::kKeyFrame, c.position - moviePos_ - 8, c.size);
    return true;
  });
}

void TAVIParser::Distribute() {
  for (TAVIStream& s : streams_)
    s.entries.clear();
  int64_t size = Size();
  // Entries whose data lies past the end of the file are dropped.
  std::erase_if(index_, [&](const TAVIIndexEntry& e) {
    int64_t at = ChunkHeaderPosition(e);
    return e.Offset() < 0 || at + 8 + static_cast<int64_t>(e.size) > size;
  });
  std::vector<size_t> counts(streams_.size());
  for (const TAVIIndexEntry& e : index_) {
    int n = StreamOfId(e.id);
    if (n >= 0 && n < StreamCount())
      ++counts[static_cast<size_t>(n)];
  }
  for (size_t s = 0; s < streams_.size(); ++s)
    streams_[s].entries.reserve(counts[s]);
  for (const TAVIIndexEntry& e : index_) {
    int n = StreamOfId(e.id);
    if (n >= 0 && n < StreamCount())
      streams_[static_cast<size_t>(n)].entries.push_back(e);
  }
}

TAVIIndexEntry TAVIParser::GetIndexEntry(int stream, int64_t n) const {
  if (!ValidStream(stream))
    return {};
  const auto& entries = streams_[static_cast<size_t>(stream)].entries;
  if (n < 0 || n >= static_cast<int64_t>(entries.size()))
    return {};
  return entries[static_cast<size_t>(n)];
}

int64_t TAVIParser::ReadSample(int stream, int64_t n, void* buffer) {
  TAVIIndexEntry e = GetIndexEntry(stream, n);
  if (e.size == 0)
    return 0;
  return file_.Read(buffer, e.size, moviePos_ + e.Offset() + 16);
}

double TAVIParser::StreamRate(int stream) const {
  if (!ValidStream(stream))
    return 0;
  const TAVIStream& s = streams_[static_cast<size_t>(stream)];
  if (s.Rate() == 0 || s.Scale() == 0)
    return 0;
  return static_cast<double>(s.Rate()) / s.Scale();
}

int64_t TAVIParser::StreamDuration(int stream) const {
  if (!ValidStream(stream))
    return 0;
  const TAVIStream& s = streams_[static_cast<size_t>(stream)];
  if (s.Rate() == 0 || s.Scale() == 0)
    return 0;
  return UnitsToTime(s.Length(), s.Rate(), s.Scale());
}

uint32_t TAVIParser::MicroSecPerFrame() const { return LE32(mainHeader_ + 8); }

uint32_t TAVIParser::TotalFrames() const { return std::max(odmlFrames_, LE32(mainHeader_ + 24)); }

int64_t TAVIParser::Duration() const {
  // Both factors are 32-bit values from the file: their product may exceed 64 bits.
  __int128 d = static_cast<__int128>(MicroSecPerFrame()) * 10 * TotalFrames();
  return static_cast<int64_t>(std::min<__int128>(d, std::numeric_limits<int64_t>::max()));
}

bool TAVIParser::IsVideoStream(int stream) const {
  return ValidStream(stream) && streams_[static_cast<size_t>(stream)].Type() == "vids";
}

bool TAVIParser::IsAudioStream(int stream) const {
  return ValidStream(stream) && streams_[static_cast<size_t>(stream)].Type() == "auds";
}

} // namespace zv
