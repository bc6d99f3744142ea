#include "filters/media_data.h"

#include "core/byte_order.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zv {
namespace {

void PutLE32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i)
    v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TMediaData

int64_t TMediaData::GetMaxSampleSize() const {
  int64_t largest = 1;
  for (const TSampleRecord& r : samples_)
    largest = std::max<int64_t>(largest, r.size);
  return largest;
}

TSampleRecord TMediaData::GetSample(int64_t index) const {
  if (index < 0 || index >= static_cast<int64_t>(samples_.size()))
    return {};
  return samples_[static_cast<size_t>(index)];
}

int64_t TMediaData::ReadSample(int64_t, void*) const { return 0; }

// ---------------------------------------------------------------------------------------------
// TAVIData

TAVIData::TAVIData(TAVIParser& parser, int stream) : parser_(parser), stream_(stream) {
  if (!parser.ValidStream(stream) || parser.StreamRate(stream) <= 0) // rate or scale 0: no valid times
    return;
  const TAVIStream& s = parser.Stream(stream);
  count_ = static_cast<int64_t>(s.entries.size());
  audio_ = parser.IsAudioStream(stream);
  // Audio whose header gives a sample size is timed by its byte positions; audio without one (VBR
  // MP3 or AAC, one frame per chunk) is timed like video, one chunk per sample.
  sampleSize_ = audio_ ? s.SampleSize() : 0;
  if (sampleSize_)
    bytesBefore_.resize(s.entries.size());
  int64_t bytes = 0;
  for (size_t a = 0; a < s.entries.size(); ++a) {
    uint32_t size = s.entries[a].size;
    maxSize_ = std::max<int64_t>(maxSize_, size);
    if (sampleSize_)
      bytesBefore_[a] = bytes;
    bytes += size;
  }
}

TSampleRecord TAVIData::GetSample(int64_t index) const {
  if (index < 0 || index >= count_)
    return {};
  const TAVIStream& s = parser_.Stream(stream_);
  const TAVIIndexEntry& e = s.entries[static_cast<size_t>(index)];
  TSampleRecord r;
  r.size = e.size;
  r.keyFrame = audio_ || e.KeyFrame();
  if (sampleSize_) {
    int64_t bytes = bytesBefore_[static_cast<size_t>(index)];
    r.mediaStart = bytes / sampleSize_;
    r.mediaStop = (bytes + e.size) / sampleSize_;
  } else {
    r.mediaStart = index;
    r.mediaStop = index + 1;
  }
  r.start = UnitsToTime(r.mediaStart, s.Rate(), s.Scale());
  r.stop = UnitsToTime(r.mediaStop, s.Rate(), s.Scale());
  return r;
}

int64_t TAVIData::ReadSample(int64_t index, void* buffer) const { return parser_.ReadSample(stream_, index, buffer); }

std::optional<TStreamType> TAVIData::GetMediaType() const {
  if (!parser_.ValidStream(stream_))
    return std::nullopt;
  const TAVIStream& s = parser_.Stream(stream_);
  TStreamType t;
  t.majorType = s.Field(8);
  t.handler = s.Field(12);
  t.rate = s.Rate();
  t.scale = s.Scale();
  if (s.SampleSize() != 0) {
    t.fixedSizeSamples = true;
    t.temporalCompression = false;
    t.sampleSize = s.SampleSize();
  }
  if (s.FormatData())
    t.format.assign(s.FormatData(), s.FormatData() + s.FormatSize());
  if (parser_.IsVideoStream(stream_) && !t.format.empty()) {
    t.formatType = TStreamType::Format::VideoInfo;
    t.avgTimePerFrame = UnitsToTime(1, s.Rate(), s.Scale());
    t.formatBlock.assign(48, 0);
    PutLE32(t.formatBlock, 40, static_cast<uint32_t>(t.avgTimePerFrame));
    PutLE32(t.formatBlock, 44, static_cast<uint32_t>(static_cast<uint64_t>(t.avgTimePerFrame) >> 32));
    t.formatBlock.insert(t.formatBlock.end(), t.format.begin(), t.format.end());
    if (t.format.size() >= 20)
      t.subtype = LE32(t.format.data() + 16);
  } else if (parser_.IsAudioStream(stream_) && !t.format.empty()) {
    t.formatType = TStreamType::Format::WaveFormatEx;
    t.formatBlock = t.format;
    if (t.format.size() >= 2)
      t.subtype = t.format[0] | (t.format[1] << 8);
  }
  return t;
}

std::string TAVIData::GetName() const {
  if (!parser_.ValidStream(stream_))
    return "Empty";
  const TAVIStream& s = parser_.Stream(stream_);
  std::string codec = "????";
  if (parser_.IsVideoStream(stream_) && s.FormatSize() >= 20)
    codec = TAVIParser::FourCCText(s.FormatData() + 16);
  else if (parser_.IsAudioStream(stream_) && s.FormatSize() >= 2)
    codec = Format("%.4x", s.FormatData()[0] | (s.FormatData()[1] << 8));
  // Characters a pad name cannot hold become "_".
  for (char& c : codec)
    if (static_cast<unsigned char>(c) < 32 || c == '/' || c == 127)
      c = '_';
  std::string type = s.Type();
  for (char& c : type)
    if (static_cast<unsigned char>(c) < 32 || c == '/' || c == 127)
      c = '_';
  return Format("Stream %.2d (%s:%s)", stream_, type, codec);
}

// ---------------------------------------------------------------------------------------------
// TMultiAVIData

void TMultiAVIData::AddAVIStream(std::unique_ptr<TAVIData> part) {
  Log("+TMultiAVIData.AddAVIStream");
  parts_.push_back(std::move(part));
  for (size_t i = 0; i < parts_.size(); ++i)
    Log(Format("Data[%d].Samples=%d", static_cast<int>(i), parts_[i]->GetSampleCount()));
  Log("-TMultiAVIData.AddAVIStream");
}

int64_t TMultiAVIData::GetDuration() const {
  if (parts_.size() == 1)
    return parts_.front()->GetDuration();
  int64_t total = 0;
  for (const auto& p : parts_)
    total = SatAdd(total, p->FileDuration());
  return total;
}

int64_t TMultiAVIData::GetMaxSampleSize() const {
  int64_t largest = 1;
  for (const auto& p : parts_)
    largest = std::max(largest, p->GetMaxSampleSize());
  return largest;
}

int64_t TMultiAVIData::GetSampleCount() const {
  int64_t n = 0;
  for (const auto& p : parts_)
    n += p->GetSampleCount();
  return n;
}

bool TMultiAVIData::Locate(int64_t index, size_t& part, int64_t& local, int64_t& timeOffset,
                           int64_t& mediaOffset) const {
  if (index < 0)
    return false;
  int64_t base = 0;
  timeOffset = mediaOffset = 0;
  for (size_t k = 0; k < parts_.size(); ++k) {
    int64_t count = parts_[k]->GetSampleCount();
    if (index - base < count) {
      part = k;
      local = index - base;
      return true;
    }
    if (count > 0)
      mediaOffset = SatAdd(mediaOffset, parts_[k]->GetSample(count - 1).mediaStop);
    // Every part moves the later ones by its length, also a part without this stream: the
    // streams stay on one time line.
    timeOffset = SatAdd(timeOffset, parts_[k]->FileDuration());
    base += count;
  }
  return false;
}

TSampleRecord TMultiAVIData::GetSample(int64_t index) const {
  size_t part;
  int64_t local, timeOffset, mediaOffset;
  if (!Locate(index, part, local, timeOffset, mediaOffset))
    return {};
  TSampleRecord r = parts_[part]->GetSample(local);
  r.start = SatAdd(r.start, timeOffset);
  r.stop = SatAdd(r.stop, timeOffset);
  r.mediaStart = SatAdd(r.mediaStart, mediaOffset);
  r.mediaStop = SatAdd(r.mediaStop, mediaOffset);
  return r;
}

int64_t TMultiAVIData::ReadSample(int64_t index, void* buffer) const {
  size_t part;
  int64_t local, timeOffset, mediaOffset;
  if (!Locate(index, part, local, timeOffset, mediaOffset))
    return 0;
  return parts_[part]->ReadSample(local, buffer);
}

std::optional<TStreamType> TMultiAVIData::GetMediaType() const {
  if (parts_.empty())
    return std::nullopt;
  return parts_.front()->GetMediaType();
}

std::string TMultiAVIData::GetName() const { return parts_.empty() ? "Empty" : parts_.front()->GetName(); }

} // namespace zv
