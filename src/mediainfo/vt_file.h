#pragma once

#include <cstdint>
#include <string>

namespace zv {

// A plain sequential read handle for the header and tag readers. It opens at creation when the
// name is not empty and the file is a regular file, and never raises: every operation on a file
// that is not open fails quietly.
class vtFile {
public:
  explicit vtFile(const std::string& fileName);
  ~vtFile();
  vtFile(const vtFile&) = delete;
  vtFile& operator=(const vtFile&) = delete;

  bool Opened() const { return fd_ >= 0; }
  // Reads up to `count` bytes; false when not open or on an error. LastRead() tells how many came.
  bool Read(void* buffer, int64_t count);
  int64_t LastRead() const { return lastRead_; }
  // Reads exactly `count` bytes; false otherwise.
  bool ReadExact(void* buffer, int64_t count) { return Read(buffer, count) && lastRead_ == count; }
  bool Seek(int64_t position);
  int64_t Position() const;
  int64_t FileSize() const;
  bool Eof() const;

private:
  int fd_ = -1;
  int64_t lastRead_ = 0;
};

} // namespace zv
