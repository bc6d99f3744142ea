#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/prefs_access.h"

namespace zv {

// Colours in preferences and skins are 0x00BBGGRR: red in the low byte.
struct TRgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

constexpr TRgb ColorToRgb(uint32_t color) {
  return TRgb{static_cast<uint8_t>(color & 0xFF), static_cast<uint8_t>((color >> 8) & 0xFF),
              static_cast<uint8_t>((color >> 16) & 0xFF)};
}

constexpr uint32_t RgbToColor(TRgb c) {
  return static_cast<uint32_t>(c.r) | (static_cast<uint32_t>(c.g) << 8) | (static_cast<uint32_t>(c.b) << 16);
}

constexpr uint32_t RgbToColor(uint8_t r, uint8_t g, uint8_t b) { return RgbToColor(TRgb{r, g, b}); }

// 0x00BBGGRR <-> 0xAARRGGBB (the packed form Qt and most pixel buffers use); alpha is opaque.
constexpr uint32_t ColorToArgb(uint32_t color) {
  TRgb c = ColorToRgb(color);
  return 0xFF000000u | (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.g) << 8) | c.b;
}

constexpr uint32_t ArgbToColor(uint32_t argb) {
  return RgbToColor(static_cast<uint8_t>((argb >> 16) & 0xFF), static_cast<uint8_t>((argb >> 8) & 0xFF),
                    static_cast<uint8_t>(argb & 0xFF));
}

// A colour as the preferences write it: a name such as "clNavy" or a number (decimal, "$" or
// "0x" hexadecimal), 0x00BBGGRR. False, with `color` untouched, for anything else.
bool TextToColor(std::string_view text, uint32_t& color);

// A colour as the preferences keep it: the name of a named colour ("clNavy"), else its decimal
// number.
std::string ColorToText(uint32_t color);

// The colour a preference holds (TextToColor), or `fallback` when it holds none.
inline uint32_t PrefColour(IPrefs* prefs, std::string_view key, uint32_t fallback) {
  uint32_t c = fallback;
  if (prefs)
    TextToColor(prefs->GetString(key), c);
  return c;
}

} // namespace zv
