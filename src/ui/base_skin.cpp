#include "ui/base_skin.h"

#include "core/colour.h"
#include "skin/opti_controls.h"

#include <QFile>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zv {

namespace {
std::string ResourceBytes(const char* name) {
  QFile f(QString(":/art/") + name);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  return f.readAll().toStdString();
}
} // namespace

TBaseSkin::TBaseSkin() { LoadBuiltIn(); }

void TBaseSkin::LoadBuiltIn() {
  std::optional<TBitmap32> b = ReadBmp(ResourceBytes("DefaultSkin.bmp"));
  bitmap_ = b ? std::move(*b) : TBitmap32(820, 128, 0xFF808080u);
  fromFile_ = false;
}

bool TBaseSkin::LoadFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    return false;
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::optional<TBitmap32> b = ReadBmp(bytes.str());
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
  std::optional<TBitmap32> b = ReadBmp(ResourceBytes("MainBrd.bmp"));
  return b ? std::move(*b) : TBitmap32(24, 53, 0xFFFFFFFFu);
}

std::string TBaseSkin::BuiltInPackage() { return ResourceBytes("DefNewSkin.zvs"); }

} // namespace zv
