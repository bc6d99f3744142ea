#include "filters/cached_file.h"

#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace {

std::vector<TCacheBlock> MakeBlocks(uint32_t count, uint32_t size) {
  std::vector<TCacheBlock> blocks(count);
  for (TCacheBlock& b : blocks)
    b.data.reset(static_cast<uint8_t*>(std::aligned_alloc(4096, (size + 4095) / 4096 * 4096)));
  return blocks;
}

// One cached read: a hit copies from the block holding the whole range; a miss refills the block
// used longest ago (the first of equal ones) from `position` and copies what it got.
template <class Fill>
int64_t CachedRead(std::vector<TCacheBlock>& blocks, uint64_t& tick, uint32_t blockSize, void* buffer, int64_t count,
                   int64_t position, Fill&& fill) {
  if (blocks.empty() || count <= 0)
    return 0;
  ++tick;
  for (TCacheBlock& b : blocks) {
    if (b.valid > 0 && b.position <= position && position < b.position + b.valid &&
        position + count <= b.position + b.valid) {
      std::memcpy(buffer, b.data.get() + (position - b.position), static_cast<size_t>(count));
      b.lastUse = tick;
      return count;
    }
  }
  TCacheBlock* victim = &blocks.front();
  for (TCacheBlock& b : blocks)
    if (b.lastUse < victim->lastUse)
      victim = &b;
  victim->position = position;
  victim->lastUse = tick;
  int64_t got = fill(victim->data.get(), static_cast<int64_t>(blockSize), position);
  victim->valid = static_cast<uint32_t>(std::max<int64_t>(got, 0));
  int64_t n = std::min<int64_t>(count, victim->valid);
  if (n > 0)
    std::memcpy(buffer, victim->data.get(), static_cast<size_t>(n));
  return n;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCachedFile

TCachedFile::TCachedFile(std::string fileName)
    : name_(std::move(fileName)), blocks_(MakeBlocks(kDefaultBlocks, kDefaultBlockSize)) {}

TCachedFile::~TCachedFile() {
  if (fd_ >= 0)
    ::close(fd_);
}

void TCachedFile::RebuidCache(uint32_t count, uint32_t size) {
  Log(Format("TCachedFile.RebuidCache(%d,%d)", static_cast<int>(count), static_cast<int>(size)));
  std::lock_guard<std::mutex> guard(lock_);
  blocks_ = MakeBlocks(count, std::max<uint32_t>(size, 1));
  blockSize_ = std::max<uint32_t>(size, 1);
  tick_ = 0;
}

bool TCachedFile::OpenLocked(const char* scope) {
  if (fd_ >= 0)
    return true;
  if (IsStreamName(name_))
    return false; // an address, never a local path
  fd_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    LogLastError(std::string("TCachedFile.") + scope + ":CreateFile Failed");
    return false;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    // Folders, pipes and devices are not files to read at positions.
    ::close(fd_);
    fd_ = -1;
    errno = EINVAL;
    LogLastError(std::string("TCachedFile.") + scope + ":CreateFile Failed");
    return false;
  }
  return true;
}

int64_t TCachedFile::DirectReadLocked(void* buffer, int64_t count, int64_t position) {
  if (count <= 0)
    return 0;
  if (position < 0) {
    errno = EINVAL;
    LogLastError("TCachedFile.DirectRead:SetFilePointer Failed");
    return 0;
  }
  if (!OpenLocked("DirectRead"))
    return 0;
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(count - done), static_cast<off_t>(position + done));
    if (n < 0) {
      if (errno == EINTR)
        continue;
      LogLastError("TCachedFile.DirectRead:ReadFile Failed");
      return done;
    }
    if (n == 0)
      break;
    done += n;
  }
  return done;
}

int64_t TCachedFile::DirectRead(void* buffer, int64_t count, int64_t position) {
  std::lock_guard<std::mutex> guard(lock_);
  return DirectReadLocked(buffer, count, position);
}

int64_t TCachedFile::Read(void* buffer, int64_t count, int64_t position) {
  std::lock_guard<std::mutex> guard(lock_);
  if (count > static_cast<int64_t>(blockSize_))
    return DirectReadLocked(buffer, count, position);
  return CachedRead(blocks_, tick_, blockSize_, buffer, count, position,
                    [this](void* b, int64_t n, int64_t p) { return DirectReadLocked(b, n, p); });
}

uint8_t TCachedFile::ReadByte(int64_t position) {
  uint8_t v = 0;
  return Read(&v, 1, position) == 1 ? v : 0;
}

uint16_t TCachedFile::ReadWord(int64_t position) {
  uint8_t b[2];
  return Read(b, 2, position) == 2 ? static_cast<uint16_t>(b[0] | (b[1] << 8)) : 0;
}

uint32_t TCachedFile::ReadDWord(int64_t position) {
  uint8_t b[4];
  if (Read(b, 4, position) != 4)
    return 0;
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

uint64_t TCachedFile::ReadQWord(int64_t position) {
  uint8_t b[8];
  if (Read(b, 8, position) != 8)
    return 0;
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i)
    v = (v << 8) | b[i];
  return v;
}

int64_t TCachedFile::FileSize() {
  Log("+TCachedFile.FileSize");
  int64_t size = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (OpenLocked("FileSize")) {
      struct stat st {};
      if (::fstat(fd_, &st) == 0) {
        size = static_cast<int64_t>(st.st_size);
      } else {
        LogLastError("TCachedFile.FileSize:GetFileSize Failed");
      }
    }
  }
  Log(Format("-TCachedFile.FileSize(%d)", size));
  return size;
}

// ---------------------------------------------------------------------------------------------
// TCachedStream

TCachedStream::TCachedStream(TStream& stream, uint32_t blockSize, uint32_t blockCount)
    : stream_(stream), blocks_(MakeBlocks(blockCount, std::max<uint32_t>(blockSize, 1))),
      blockSize_(std::max<uint32_t>(blockSize, 1)), size_(stream.Size()) {}

int64_t TCachedStream::Read(void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  if (count > static_cast<int64_t>(blockSize_)) {
    stream_.Seek(position_, TSeekOrigin::Begin);
    int64_t n = stream_.Read(buffer, count);
    position_ = stream_.Position();
    return std::max<int64_t>(n, 0);
  }
  int64_t n = CachedRead(blocks_, tick_, blockSize_, buffer, count, position_, [this](void* b, int64_t c, int64_t p) {
    stream_.Seek(p, TSeekOrigin::Begin);
    return stream_.Read(b, c);
  });
  position_ += n;
  return n;
}

int64_t TCachedStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t p = origin == TSeekOrigin::Begin     ? offset
              : origin == TSeekOrigin::Current ? position_ + offset
                                               : size_ - offset;
  position_ = std::clamp<int64_t>(p, 0, size_);
  return position_;
}

std::string ReadThroughCache(const std::string& path, uint32_t blockSize, uint32_t blockCount) {
  TFileStream file(path);
  TCachedStream cached(file, blockSize, blockCount);
  std::string text;
  std::vector<char> piece(std::max<uint32_t>(blockSize, 1));
  for (;;) {
    int64_t n = cached.Read(piece.data(), static_cast<int64_t>(piece.size()));
    if (n <= 0)
      break;
    text.append(piece.data(), static_cast<size_t>(n));
  }
  return text;
}

} // namespace zv
