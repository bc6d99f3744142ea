// The skin package reader over arbitrary archive bytes.
#include "skin/stream_pack.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zv::TMemoryStream archive(std::string_view(reinterpret_cast<const char*>(data), size));
  zv::TZIPStrPack pack(archive);
  for (const char* name : {"interface.xml", "mix.bmp", ""})
    pack.Open(name);
  for (const zv::TZIPEntry& e : pack.Catalogue().Entries)
    pack.Open(e.Name);
  return 0;
}
