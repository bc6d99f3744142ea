// Reads arbitrary bytes as a subtitle file of the format ZV_FUZZ_SUBTITLE selects (its first line
// is put in front), then asks for the entry due at every entry's start.
#include "core/stream.h"
#include "subtitles/subtitle_stream.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kFirstLines[] = {"", "{1}{2}x\n", "[INFORMATION]\n", "1\n", "[Script Info]\n"};
  std::string bytes =
      std::string(kFirstLines[ZV_FUZZ_SUBTITLE]) + std::string(reinterpret_cast<const char*>(data), size);
  zv::TMemoryStream m(bytes);
  zv::TSubtitleStream s;
  s.LoadFromStream(m);
  for (const zv::TSubtitle& line : s.Lines())
    (void)s.FindLine(line.Start);
  return 0;
}
