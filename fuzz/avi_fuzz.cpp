// Reads arbitrary bytes as an AVI file: headers, indexes (idx1, OpenDML, or a built one), the
// samples of every stream, one file and the same file joined as two parts. The parser must stay
// inside the file and never allocate more than the file holds.
#include "filters/avi_parser.h"
#include "filters/cached_file.h"
#include "filters/media_data.h"

#include "mem_file.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void ReadAll(const zv::TMediaData& data, int64_t fileSize) {
  int64_t largest = data.GetMaxSampleSize();
  if (largest > fileSize + 1)
    std::abort(); // a sample larger than the file means an index entry past its end was kept
  std::vector<uint8_t> buffer(static_cast<size_t>(largest));
  int64_t count = data.GetSampleCount();
  for (int64_t i = 0; i < count && i < 64; ++i) {
    zv::TSampleRecord r = data.GetSample(i);
    if (r.size > buffer.size())
      std::abort();
    if (data.ReadSample(i, buffer.data()) > static_cast<int64_t>(r.size))
      std::abort();
  }
  data.GetSample(count);
  data.GetSample(-1);
  data.GetDuration();
  data.GetMediaType();
  data.GetName();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemFile mem(data, size);
  zv::TCachedFile file(mem.Name());
  zv::TCachedFile second(mem.Name());
  zv::TAVIParser parser(file), part(second);
  parser.IsTruncated();
  parser.Parse();
  parser.LoadIndex(size % 2 == 0);
  part.Parse();
  part.LoadIndex(true);
  int64_t fileSize = static_cast<int64_t>(size);
  for (int s = -1; s <= parser.StreamCount(); ++s) {
    zv::TAVIData one(parser, s);
    ReadAll(one, fileSize);
    zv::TMultiAVIData joined;
    joined.AddAVIStream(std::make_unique<zv::TAVIData>(parser, s));
    joined.AddAVIStream(std::make_unique<zv::TAVIData>(part, s));
    ReadAll(joined, fileSize);
    parser.StreamRate(s);
    parser.StreamDuration(s);
  }
  parser.Duration();
  return 0;
}
