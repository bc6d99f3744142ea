#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

enum class TSeekOrigin { Begin = 0, Current = 1, End = 2 };

// A byte stream with a 64-bit position, in the shape the readers and writers of the program share.
class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns the number delivered (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns the number written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position (End: size + offset) and returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::Begin); }
  // Reads or writes exactly `count` bytes or raises EZvError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteText(std::string_view text) { WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }
};

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::vector<uint8_t>& Data() const { return data_; }
  std::string Text() const { return std::string(data_.begin(), data_.end()); }
  void Clear() {
    data_.clear();
    pos_ = 0;
  }

private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

// A regular file opened for reading, others allowed to read and write it. Opening something that is
// not a regular file (a folder, a FIFO, a device) fails instead of blocking.
class TFileStream : public TStream {
public:
  explicit TFileStream(const std::string& path); // raises EZvError when it cannot be opened
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

private:
  int fd_ = -1;
};

// Forwards reading, writing and seeking to a stream it wraps and does not own.
class TStreamDecorator : public TStream {
public:
  explicit TStreamDecorator(TStream& inner) : inner_(inner) {}
  int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return inner_.Write(buffer, count); }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  int64_t Size() override { return inner_.Size(); }

protected:
  TStream& inner_;
};

// Line reader used by the subtitle, language and playlist readers.
class TTextStream : public TStreamDecorator {
public:
  using TStreamDecorator::TStreamDecorator;
  // Reads bytes until a line feed has been read or nothing more can be read. Every carriage return
  // and line feed is dropped wherever it stands; a last line without a line feed is still read.
  std::string ReadLine();
  // True when the position equals the size of the wrapped stream.
  bool Eof() { return Position() >= Size(); }
};

// Reads a whole regular file; raises EZvError when it cannot.
std::string ReadWholeFile(const std::string& path);
// What is left of a stream from its position on.
std::string ReadRest(TStream& stream);

} // namespace zv
