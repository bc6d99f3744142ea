#pragma once

#include "core/byte_order.h"
#include "filters/cached_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv {

// One index entry: chunk id, flags (0x10: key frame), the offset from the "movi" FourCC (the movie
// list's position + 8) to the chunk's header, and the chunk's data size. The offset has 48 bits so
// that the indexes of large files (OpenDML) fit; an entry takes 16 bytes, as in the file, since
// a film's index holds hundreds of thousands of them.
struct TAVIIndexEntry {
  char id[4] = {0, 0, 0, 0};
  uint32_t size = 0;

  TAVIIndexEntry() = default;
  TAVIIndexEntry(const char* fourcc, uint32_t flags, int64_t offset, uint32_t dataSize) : size(dataSize) {
    for (int i = 0; i < 4; ++i)
      id[i] = fourcc[i];
    Set(flags, offset);
  }
  uint32_t Flags() const { return static_cast<uint32_t>(packed_ & 0xFFFF); }
  int64_t Offset() const { return static_cast<int64_t>(packed_) >> 16; }
  bool KeyFrame() const { return (Flags() & kKeyFrame) != 0; }
  void SetOffset(int64_t offset) { Set(Flags(), offset); }
  void SetFlags(uint32_t flags) { Set(flags, Offset()); }
  static constexpr uint32_t kKeyFrame = 0x10;

private:
  void Set(uint32_t flags, int64_t offset) { packed_ = (static_cast<uint64_t>(offset) << 16) | (flags & 0xFFFF); }
  uint64_t packed_ = 0;
};
static_assert(sizeof(TAVIIndexEntry) == 16);

struct TAVIStream {
  // The "strh" chunk from its header on: FourCC, size, then the stream header.
  uint8_t header[64] = {};
  // The whole "strf" chunk including its 8-byte header; empty when absent.
  std::vector<uint8_t> format;
  std::vector<TAVIIndexEntry> entries;
  // OpenDML super index: file positions of this stream's standard index chunks.
  std::vector<int64_t> indexChunks;

  uint32_t Field(int at) const { return LE32(header + at); }
  std::string Type() const { return std::string(reinterpret_cast<const char*>(header + 8), 4); }
  uint32_t Scale() const { return Field(28); }
  uint32_t Rate() const { return Field(32); }
  uint32_t Length() const { return Field(40); }
  uint32_t SampleSize() const { return Field(52); }
  // The format chunk's data (after its header), or none.
  const uint8_t* FormatData() const { return format.size() > 8 ? format.data() + 8 : nullptr; }
  size_t FormatSize() const { return format.size() > 8 ? format.size() - 8 : 0; }
};

struct TAVITag {
  std::string id;
  std::string data;
};

// Reads the structure of an AVI file through a cached file: headers, stream headers and formats,
// INFO tags, the movie list and the index (idx1, or the OpenDML indexes of files over 1 GB), and
// builds an index by walking the movie data when there is none. Every size and count read from the
// file is held to what the file and the enclosing list really contain.
class TAVIParser {
public:
  // A rebuilt index stops after this many entries (a 24-hour film at 30 frames per second with
  // one audio chunk per frame stays below it).
  static constexpr size_t kMaxBuiltIndexEntries = 5'000'000;
  // Another cap for the index built from here on (a test's small file reaches it).
  void SetBuiltIndexCap(size_t entries) { builtIndexCap_ = entries; }
  // Format and tag chunks larger than this are refused.
  static constexpr uint32_t kMaxChunkCopy = 1u << 20;

  explicit TAVIParser(TCachedFile& file);

  bool IsRIFFAVI();
  bool IsTruncated();
  void Parse();
  // The idx1 index, or the OpenDML indexes; a missing or damaged idx1 gives no entries, or with
  // `buildWhenMissing` an index built from the movie data.
  void LoadIndex(bool buildWhenMissing);
  // Walks the movie data. Every chunk becomes an entry; the key frames of MPEG-4 Part 2 and H.264
  // video are found in the frame data, every other chunk counts as one.
  void BuildIndex();
  // Whether entries of the idx1 chunk point at anything but chunks of their own id and size (a
  // sample spread over the index is checked). After Parse.
  bool Idx1Damaged();
  // The same for a file by its name.
  static bool IndexDamaged(const std::string& path);

  TAVIIndexEntry GetIndexEntry(int stream, int64_t n) const;
  // Reads entry n's data into `buffer` (room for the entry's size); the bytes read.
  int64_t ReadSample(int stream, int64_t n, void* buffer);
  double StreamRate(int stream) const;
  int64_t StreamDuration(int stream) const; // 100 ns
  int64_t Duration() const;                 // 100 ns, from the main header
  bool IsVideoStream(int stream) const;
  bool IsAudioStream(int stream) const;

  static std::string FourCCText(const uint8_t* fourcc);
  std::string FourCCAt(int64_t position);

  int StreamCount() const { return static_cast<int>(streams_.size()); }
  const TAVIStream& Stream(int stream) const { return streams_.at(static_cast<size_t>(stream)); }
  bool ValidStream(int stream) const { return stream >= 0 && stream < StreamCount(); }
  const uint8_t* MainHeader() const { return mainHeader_; }
  uint32_t MicroSecPerFrame() const;
  // Total frames of the whole file: the OpenDML count when there is one, else the main header's.
  uint32_t TotalFrames() const;
  int64_t MoviePosition() const { return moviePos_; }
  int64_t IndexPosition() const { return indexPos_; }
  const std::vector<TAVIIndexEntry>& Index() const { return index_; }
  const std::vector<TAVITag>& Tags() const { return tags_; }
  // Whether the index came from the OpenDML indexes.
  bool OpenDMLIndex() const { return openDML_; }
  TCachedFile& File() { return file_; }

private:
  struct TChunk {
    int64_t position;
    char id[4];
    uint32_t size;
    char listType[4];
    bool Is(const char* fcc) const { return std::string_view(id, 4) == fcc; }
    bool IsList(const char* type) const { return Is("LIST") && std::string_view(listType, 4) == type; }
  };
  // Walks the chunks of a list whose data (after FourCC and size) holds `size` bytes; `handle`
  // returns false to stop.
  template <class F>
  void WalkList(int64_t listPos, uint32_t size, F&& handle);
  int64_t Size();
  void ParseHeader(const TChunk& list);
  void ParseStreamList(const TChunk& list);
  void ParseSuperIndex(TAVIStream& stream, const TChunk& chunk);
  void ParseInfo(const TChunk& list);
  void ParseExtensions(int64_t riffEnd);
  void ReadIdx1();
  void ReadOpenDMLIndex();
  void ReadStandardIndex(int stream, int64_t position);
  void AddBuiltEntries(const TChunk& list);
  void MarkBuiltKeyFrames();
  void Distribute();
  int64_t ChunkHeaderPosition(const TAVIIndexEntry& e) const { return moviePos_ + 8 + e.Offset(); }

  TCachedFile& file_;
  int64_t fileSize_ = -1;
  int64_t moviePos_ = -1;
  int64_t indexPos_ = -1;
  uint8_t mainHeader_[64] = {};
  uint32_t odmlFrames_ = 0;
  std::vector<TAVIStream> streams_;
  std::vector<TAVIIndexEntry> index_;
  size_t builtIndexCap_ = kMaxBuiltIndexEntries;
  std::vector<TAVITag> tags_;
  // Movie lists of the OpenDML extension chunks ("RIFF" "AVIX"), in file order.
  std::vector<TChunk> extraMovies_;
  bool openDML_ = false;
};

// Whether a compressed picture is a key frame, from its data: an intra VOP of MPEG-4 Part 2 or an
// IDR slice of H.264 (start codes); none when the picture's header is not among the bytes.
std::optional<bool> IsKeyFrameData(const uint8_t* data, size_t size, bool h264);

// 100 ns for `units` of a stream of rate / scale units per second, rounded to the nearest (halves
// to even); 0 when rate or scale is 0.
int64_t UnitsToTime(int64_t units, uint32_t rate, uint32_t scale);

} // namespace zv
