#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
  // Reads up to `count` bytes at a position; the bytes read (0 on any failure).
  int64_t ReadAt(int64_t position, void* buffer, int64_t count);
  int64_t Position() const;
  int64_t FileSize() const;
  bool Eof() const;

private:
  int fd_ = -1;
  int64_t lastRead_ = 0;
};

// The text of a tag field: up to its first NUL, UTF-8 when it is valid UTF-8 and Windows-1252
// otherwise, trimmed of blanks and control characters.
std::string TagText(std::string_view bytes);

} // namespace zv
