#include "core/font_helper.h"

namespace zv {

namespace {
std::string Key(std::string_view prefix, const char* name) { return std::string(prefix) + name; }
} // namespace

void TFontHelper::LoadFont(TFontSpec& font, IPrefs& prefs, std::string_view prefix) {
  font.name = prefs.GetString(Key(prefix, ".Name"));
  font.size = prefs.GetInt(Key(prefix, ".Size"));
  font.charset = prefs.GetInt(Key(prefix, ".Charset"));
  font.color = static_cast<uint32_t>(prefs.GetInt(Key(prefix, ".Color")));
  font.bold = prefs.GetBool(Key(prefix, ".Bold"));
  font.italic = font.underline = font.strikeOut = false;
}

void TFontHelper::SaveFont(const TFontSpec& font, IPrefs& prefs, std::string_view prefix) {
  prefs.SetString(Key(prefix, ".Name"), font.name);
  prefs.SetInt(Key(prefix, ".Size"), font.size);
  prefs.SetInt(Key(prefix, ".Charset"), font.charset);
  prefs.SetInt(Key(prefix, ".Color"), static_cast<int32_t>(font.color));
  prefs.SetBool(Key(prefix, ".Bold"), font.bold);
}

void TFontHelper::CopyFont(const TFontSpec& source, TFontSpec& target) {
  target.name = source.name;
  target.size = source.size;
  target.color = source.color;
  target.charset = source.charset;
  target.bold = source.bold;
  target.italic = target.underline = target.strikeOut = false;
}

} // namespace zv
