#pragma once

#include "core/prefs_access.h"

#include <cstdint>
#include <string>

namespace zv {

// A font as the program stores it: face, size in points, character set, colour 0x00BBGGRR, style.
struct TFontSpec {
  std::string name;
  int32_t size = 0;
  int32_t charset = 1;
  uint32_t color = 0;
  bool bold = false, italic = false, underline = false, strikeOut = false;
  friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};

// Fonts to and from the five preference keys prefix + ".Name", ".Size", ".Charset", ".Color", ".Bold".
class TFontHelper {
public:
  // Reads the five keys; the style becomes bold or plain (italic, underline, strike-out cleared).
  static void LoadFont(TFontSpec& font, IPrefs& prefs, std::string_view prefix);
  static void SaveFont(const TFontSpec& font, IPrefs& prefs, std::string_view prefix);
  // Name, size, colour and character set; the target is bold exactly when the source is.
  static void CopyFont(const TFontSpec& source, TFontSpec& target);
};

} // namespace zv
