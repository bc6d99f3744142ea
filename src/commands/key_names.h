#pragma once

#include <string>
#include <string_view>

namespace zv {

// Modifier state of a key press.
struct TShiftState {
  bool shift = false, alt = false, ctrl = false;
};

// Names of Windows virtual-key numbers, the numbering the key bindings are stored in.
enum class TKeyNameStyle {
  Command, // the command table: 0 is nameless, 8 is "BkSp"
  HotKey   // global hot keys: 0 is "Zilch", 8 is "BackSpace"
};

std::string VirtualKeyName(int vk, TKeyNameStyle style = TKeyNameStyle::Command);

// The name of a key press: "Ctrl+", "Alt+", "Shift+" (in that order) before the key's name.
// A modifier pressed alone gives only its prefixes ("Ctrl+").
std::string KeyName(int vk, TShiftState state);

// Splits "Ctrl+Alt+Shift+Name" (prefixes only in that order, any case) into modifiers and the
// last virtual key whose name in the given style is exactly the rest; 0 when none is.
struct TParsedKey {
  TShiftState state;
  int vk = 0;
};
TParsedKey ParseKeyName(std::string_view text, TKeyNameStyle style);
inline TParsedKey ParseHotKey(std::string_view text) { return ParseKeyName(text, TKeyNameStyle::HotKey); }

} // namespace zv
