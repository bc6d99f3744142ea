#pragma once

#include "core/stream.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv {

struct TAlignedFree {
  void operator()(uint8_t* p) const { std::free(p); }
};

// One block of a read cache. Its buffer is page-aligned: the system copies file data into it fastest.
struct TCacheBlock {
  uint64_t lastUse = 0;
  int64_t position = 0;
  std::unique_ptr<uint8_t[], TAlignedFree> data;
  uint32_t valid = 0; // bytes the last fill delivered; 0 when empty
};

// Reads a file by name at 64-bit positions through a few fixed-size blocks, replacing the block
// used longest ago. Safe to use from several threads at once: one lock serialises every read.
// Reads larger than a block bypass the cache. It never writes.
//
// The file stays open from the first read to the end (the descriptor is shared by all readers,
// each read positioned by itself); a file that could not be opened is tried again at the next read.
class TCachedFile {
public:
  static constexpr uint32_t kDefaultBlocks = 16;
  static constexpr uint32_t kDefaultBlockSize = 4096;

  explicit TCachedFile(std::string fileName);
  ~TCachedFile();
  TCachedFile(const TCachedFile&) = delete;
  TCachedFile& operator=(const TCachedFile&) = delete;

  const std::string& FileName() const { return name_; }
  // Drops every block and makes `count` empty blocks of `size` bytes.
  void RebuidCache(uint32_t count, uint32_t size);
  // Bytes delivered (fewer near the end of the file, 0 when nothing could be read).
  int64_t Read(void* buffer, int64_t count, int64_t position);
  uint8_t ReadByte(int64_t position);
  // The little-endian value, or 0 unless all its bytes were read.
  uint32_t ReadDWord(int64_t position);
  uint64_t ReadQWord(int64_t position);
  uint16_t ReadWord(int64_t position);
  int64_t FileSize();
  int64_t DirectRead(void* buffer, int64_t count, int64_t position);

  uint32_t BlockSize() const { return blockSize_; }

private:
  int64_t DirectReadLocked(void* buffer, int64_t count, int64_t position);
  bool OpenLocked(const char* scope);

  std::string name_;
  std::mutex lock_;
  std::vector<TCacheBlock> blocks_;
  uint64_t tick_ = 0;
  uint32_t blockSize_ = kDefaultBlockSize;
  int fd_ = -1;
};

// The same block cache in front of a readable stream (the program's text and XML readers). Used by
// one thread at a time; it frees its blocks, not the stream.
class TCachedStream : public TStream {
public:
  TCachedStream(TStream& stream, uint32_t blockSize, uint32_t blockCount);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  // Begin: to the offset; Current: by the offset; End: size - offset. Held to 0..size.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }

private:
  TStream& stream_;
  std::vector<TCacheBlock> blocks_;
  uint64_t tick_ = 0;
  uint32_t blockSize_;
  int64_t position_ = 0;
  int64_t size_;
};

// The whole of a file read front to back through a cached stream of `blockCount` blocks of
// `blockSize` bytes, in block-sized pieces (the program's text and XML readers). Raises EZvError
// when the file cannot be opened.
std::string ReadThroughCache(const std::string& path, uint32_t blockSize, uint32_t blockCount);

} // namespace zv
