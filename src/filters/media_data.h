#pragma once

#include "filters/avi_parser.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv {

// One sample as a source delivers it: times in 100 ns, media times in sample numbers (audio: in
// bytes or in units of the stream's sample size).
struct TSampleRecord {
  int64_t start = 0, stop = 0;
  int64_t mediaStart = 0, mediaStop = 0;
  uint32_t size = 0;
  bool keyFrame = false;
};

// The one type a stream offers, in the form the stream headers give it.
struct TStreamType {
  enum class Format { None, VideoInfo, WaveFormatEx };
  uint32_t majorType = 0; // the stream type's FourCC ("vids", "auds", ...)
  uint32_t subtype = 0;   // video: the compression FourCC; audio: the wave format tag
  Format formatType = Format::None;
  bool fixedSizeSamples = false;
  bool temporalCompression = true;
  uint32_t sampleSize = 1;
  int64_t avgTimePerFrame = 0; // 100 ns (video)
  // Video: 48 bytes (rectangles, bit rates, time per frame) then the bitmap header; audio: the
  // wave format as stored.
  std::vector<uint8_t> formatBlock;
  // The stream header's own fields, for the engine's caps.
  uint32_t handler = 0, rate = 0, scale = 0;
  // The format chunk's data (bitmap header or wave format with its extra bytes).
  std::vector<uint8_t> format;
};

// Where a source takes its samples from. The plain kind holds sample records only.
class TMediaData {
public:
  virtual ~TMediaData() = default;
  virtual int64_t GetDuration() const { return 0; }
  virtual int64_t GetMaxSampleSize() const;
  virtual int64_t GetSampleCount() const { return static_cast<int64_t>(samples_.size()); }
  virtual TSampleRecord GetSample(int64_t index) const;
  // Reads sample `index` into `buffer` (room for its size); the bytes read.
  virtual int64_t ReadSample(int64_t index, void* buffer) const;
  virtual std::optional<TStreamType> GetMediaType() const { return std::nullopt; }
  virtual std::string GetName() const { return "Dummy"; }

protected:
  std::vector<TSampleRecord> samples_;
};

// One stream of one AVI file. Its sample records come straight from the stream's index entries
// (a film's index holds hundreds of thousands): only the running byte totals of byte-timed audio
// are kept.
class TAVIData : public TMediaData {
public:
  TAVIData(TAVIParser& parser, int stream);
  int64_t GetDuration() const override { return parser_.StreamDuration(stream_); }
  int64_t GetMaxSampleSize() const override { return maxSize_; }
  int64_t GetSampleCount() const override { return count_; }
  TSampleRecord GetSample(int64_t index) const override;
  int64_t ReadSample(int64_t index, void* buffer) const override;
  std::optional<TStreamType> GetMediaType() const override;
  std::string GetName() const override;

  // The whole file's duration (from its main header), the time the next part starts after.
  int64_t FileDuration() const { return parser_.Duration(); }
  bool HasStream() const { return parser_.ValidStream(stream_); }

private:
  TAVIParser& parser_;
  int stream_;
  int64_t count_ = 0; // 0 for a stream without valid times (rate or scale 0)
  int64_t maxSize_ = 1;
  bool audio_ = false;
  uint32_t sampleSize_ = 0; // audio timed by bytes when non-zero
  std::vector<int64_t> bytesBefore_;
};

// One stream over the parts of a split film: every part's samples follow the earlier parts' on
// one time line, shifted by the earlier parts' file durations.
class TMultiAVIData : public TMediaData {
public:
  // Appends the next part's stream.
  void AddAVIStream(std::unique_ptr<TAVIData> part);
  int64_t GetDuration() const override;
  int64_t GetMaxSampleSize() const override;
  int64_t GetSampleCount() const override;
  TSampleRecord GetSample(int64_t index) const override;
  int64_t ReadSample(int64_t index, void* buffer) const override;
  std::optional<TStreamType> GetMediaType() const override;
  std::string GetName() const override;
  size_t PartCount() const { return parts_.size(); }

private:
  // The part holding sample `index` and its index there, with the offsets to add; false past the end.
  bool Locate(int64_t index, size_t& part, int64_t& local, int64_t& timeOffset, int64_t& mediaOffset) const;

  std::vector<std::unique_ptr<TAVIData>> parts_;
};

} // namespace zv
