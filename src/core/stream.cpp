#include "core/stream.h"

#include "core/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::Current);
  int64_t size = Seek(0, TSeekOrigin::End);
  Seek(pos, TSeekOrigin::Begin);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count)
    throw EZvError("Stream read error", "Stream.ReadBuffer");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count)
    throw EZvError("Stream write error", "Stream.WriteBuffer");
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (count <= 0 || pos_ >= size)
    return 0;
  int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  size_t end = static_cast<size_t>(pos_ + count);
  if (end > data_.size())
    data_.resize(end);
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : Size();
  int64_t p = base + offset;
  pos_ = p < 0 ? 0 : p;
  return pos_;
}

TFileStream::TFileStream(const std::string& path) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is refused right after.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0)
    throw EZvError("Cannot open file \"" + path + "\". " + std::strerror(errno), "FileStream.Create");
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EZvError("Cannot open file \"" + path + "\". Not a regular file", "FileStream.Create");
  }
  int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0)
    ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

TFileStream::~TFileStream() {
  if (fd_ >= 0)
    ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t n = ::read(fd_, p + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0)
    r = ::lseek(fd_, 0, SEEK_CUR);
  return static_cast<int64_t>(r);
}

int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0)
    return 0;
  return static_cast<int64_t>(st.st_size);
}

std::string TTextStream::ReadLine() {
  std::string line;
  char c;
  while (inner_.Read(&c, 1) == 1) {
    if (c == '\n')
      break;
    if (c != '\r')
      line += c;
  }
  return line;
}

std::string ReadWholeFile(const std::string& path) {
  TFileStream f(path);
  return ReadRest(f);
}

std::string ReadRest(TStream& s) {
  std::string data;
  int64_t left = s.Size() - s.Position();
  if (left > 0)
    data.reserve(static_cast<size_t>(left));
  char buf[65536];
  for (;;) {
    int64_t n = s.Read(buf, sizeof buf);
    if (n <= 0)
      break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

} // namespace zv
