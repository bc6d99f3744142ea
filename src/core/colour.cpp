#include "core/colour.h"

#include "core/text_util.h"

#include <charconv>

namespace zv {

namespace {
struct TColourName {
  const char* name;
  uint32_t color;
};
constexpr TColourName kColourNames[] = {
    {"clBlack", 0x000000},  {"clMaroon", 0x000080},  {"clGreen", 0x008000},      {"clOlive", 0x008080},
    {"clNavy", 0x800000},   {"clPurple", 0x800080},  {"clTeal", 0x808000},       {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF},     {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},       {"clWhite", 0xFFFFFF},
    {"clLtGray", 0xC0C0C0}, {"clDkGray", 0x808080},  {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},  {"clMedGray", 0xA4A0A0},
};
} // namespace

bool TextToColor(std::string_view text, uint32_t& color) {
  text = Trim(text);
  for (const TColourName& c : kColourNames)
    if (SameText(text, c.name)) {
      color = c.color;
      return true;
    }
  int base = 10;
  if (text.starts_with('$')) {
    text.remove_prefix(1);
    base = 16;
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  bool negative = base == 10 && text.starts_with('-');
  if (negative)
    text.remove_prefix(1);
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFu)
    return false;
  color = negative ? static_cast<uint32_t>(-static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
  return true;
}

std::string ColorToText(uint32_t color) {
  for (const TColourName& c : kColourNames)
    if (c.color == color)
      return c.name;
  return std::to_string(color);
}

} // namespace zv
