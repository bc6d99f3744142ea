#include "ui/base_skin.h"

#include "core/colour.h"
#include "skin/opti_controls.h"

#include "core/stream.h"

#include <QFile>
#include <filesystem>

namespace zv {

namespace {
std::string ResourceBytes(const char* name) {
  QFile f(QString(":/art/") + name);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  return f.readAll().toStdString();
}

// A bitmap of the program's own, decoded once for the whole run.
TBitmap32 DecodedResource(const char* name, TBitmap32 fallback) {
  std::optional<TBitmap32> b = ReadBmp(ResourceBytes(name));
  return b ? std::move(*b) : std::move(fallback);
}
} // namespace

TBaseSkin::TBaseSkin() { LoadBuiltIn(); }

void TBaseSkin::LoadBuiltIn() {
  static const TBitmap32 kBase = DecodedResource("DefaultSkin.bmp", TBitmap32(820, 128, 0xFF808080u));
  bitmap_ = kBase;
  fromFile_ = false;
}

bool TBaseSkin::LoadFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) // never a FIFO or a device
    return false;
  std::optional<TBitmap32> b;
  try {
    b = ReadBmp(ReadWholeFile(path));
  } catch (const std::exception&) {
    return false;
  }
  if (!b)
    return false;
  bitmap_ = std::move(*b);
  fromFile_ = true;
  return true;
}

uint32_t TBaseSkin::Colour(int x, int y) const { return ArgbToColor(bitmap_.Pixel(x, y)); }

QColor TBaseSkin::QtColour(int x, int y) const { return QColor::fromRgb(bitmap_.Pixel(x, y)); }

void TBaseSkin::DrawPiece(TBitmap32& canvas, int x, int y, int w, int h, int dx, int dy) const {
  canvas.CopyFrom(bitmap_, TRect{x, y, x + w, y + h}, dx, dy, KeyArgb());
}

TBitmap32 TBaseSkin::BuiltInBorder() {
  static const TBitmap32 kBorder = DecodedResource("MainBrd.bmp", TBitmap32(24, 53, 0xFFFFFFFFu));
  return kBorder;
}

std::string TBaseSkin::BuiltInPackage() { return ResourceBytes("DefNewSkin.zvs"); }

} // namespace zv
