#include "mediainfo/vt_file.h"

#include "core/text_codec.h"
#include "core/text_util.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

vtFile::vtFile(const std::string& fileName) {
  if (fileName.empty())
    return;
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0)
    return;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) { // folders, pipes and devices are no files
    ::close(fd_);
    fd_ = -1;
  }
}

vtFile::~vtFile() {
  if (fd_ >= 0)
    ::close(fd_);
}

bool vtFile::Read(void* buffer, int64_t count) {
  lastRead_ = 0;
  if (fd_ < 0 || count < 0)
    return false;
  auto* out = static_cast<char*>(buffer);
  while (lastRead_ < count) {
    ssize_t n = ::read(fd_, out + lastRead_, static_cast<size_t>(count - lastRead_));
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (n == 0)
      break;
    lastRead_ += n;
  }
  return true;
}

int64_t vtFile::ReadAt(int64_t position, void* buffer, int64_t count) {
  return Seek(position) && Read(buffer, count) ? lastRead_ : 0;
}

std::string TagText(std::string_view bytes) {
  return std::string(Trim(DecodeText(bytes.substr(0, bytes.find('\0')), 1252)));
}

bool vtFile::Seek(int64_t position) {
  return fd_ >= 0 && position >= 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) == position;
}

int64_t vtFile::Position() const {
  if (fd_ < 0)
    return 0;
  off_t p = ::lseek(fd_, 0, SEEK_CUR);
  return p < 0 ? 0 : static_cast<int64_t>(p);
}

int64_t vtFile::FileSize() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0)
    return 0;
  return static_cast<int64_t>(st.st_size);
}

bool vtFile::Eof() const { return fd_ >= 0 && Position() >= FileSize(); }

} // namespace zv
