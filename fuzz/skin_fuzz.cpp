// A skin's interface.xml and its bitmap: areas, bitmap fonts and the three ways of drawing them.
// The input is the XML, a NUL byte, then the BMP file that every IMAGE element names.
#include "skin/opti_resource.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {
class TFuzzPack : public zv::TStreamPack {
public:
  TFuzzPack(std::string xml, std::string bmp) : xml_(std::move(xml)), bmp_(std::move(bmp)) {}
  std::unique_ptr<zv::TStream> Open(std::string_view name) override {
    return std::make_unique<zv::TMemoryStream>(name == "interface.xml" ? xml_ : bmp_);
  }

private:
  std::string xml_, bmp_;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const void* nul = std::memchr(bytes, 0, size);
  size_t split = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : size;
  TFuzzPack pack(std::string(bytes, split), split < size ? std::string(bytes + split + 1, size - split - 1) : "");
  zv::TOptiResource res;
  try {
    res.Load(pack);
  } catch (const std::exception&) {
    return 0;
  }
  zv::TBitmap32 canvas(64, 32);
  for (const auto& child : res.Root()->Children()) {
    std::string id = child->GetAttr("id");
    if (auto font = res.GetFont(id))
      zv::TOptiResource::DrawText(*font, child->GetAttr("chars") + "0:9", canvas, zv::TRect{-3, 0, 60, 20});
    for (const auto& area : child->Children()) {
      zv::TOptiArea a;
      if (res.GetArea(id + "." + area->GetAttr("id"), a)) {
        zv::TOptiResource::DrawArea(a, canvas, -2, 3);
        zv::TOptiResource::DrawSplit(a, canvas, zv::TRect{0, 0, 64, 32}, zv::ParsePair(area->GetAttr("split")));
      }
    }
  }
  return 0;
}
