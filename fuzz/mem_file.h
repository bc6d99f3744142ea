#pragma once

// The fuzzer's input as a file the readers can open by name, without touching the disk.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class TMemFile {
public:
  TMemFile(const uint8_t* data, size_t size) {
    fd_ = ::memfd_create("fuzz", MFD_CLOEXEC);
    if (fd_ < 0)
      std::abort();
    for (size_t done = 0; done < size;) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0)
        std::abort();
      done += static_cast<size_t>(n);
    }
    name_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~TMemFile() { ::close(fd_); }
  TMemFile(const TMemFile&) = delete;
  TMemFile& operator=(const TMemFile&) = delete;
  const std::string& Name() const { return name_; }

private:
  int fd_;
  std::string name_;
};
