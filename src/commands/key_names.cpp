#include "commands/key_names.h"

#include "core/text_util.h"

namespace zv {

std::string VirtualKeyName(int vk, TKeyNameStyle style) {
  switch (vk) {
  case 0: return style == TKeyNameStyle::HotKey ? "Zilch" : "";
  case 16:
  case 17:
  case 18: return "";
  case 8: return style == TKeyNameStyle::HotKey ? "BackSpace" : "BkSp";
  case 9: return "Tab";
  case 12: return "Clear";
  case 13: return "Enter";
  case 19: return "Pause";
  case 20: return "CapsLock";
  case 27: return "Esc";
  case 32: return "Space";
  case 33: return "PageUp";
  case 34: return "PageDown";
  case 35: return "End";
  case 36: return "Home";
  case 37: return "Left";
  case 38: return "Up";
  case 39: return "Right";
  case 40: return "Down";
  case 41: return "Select";
  case 42: return "Print";
  case 43: return "Exec";
  case 44: return "PrintScreen";
  case 45: return "Insert";
  case 46: return "Delete";
  case 47: return "Help";
  case 91: return "LWin";
  case 92: return "RWin";
  case 93: return "Apps";
  case 95: return "Sleep";
  case 106: return "NP*";
  case 107: return "NP+";
  case 108: return "NP sep";
  case 109: return "NP-";
  case 110: return "NP.";
  case 111: return "NP/";
  case 144: return "NumLock";
  case 145: return "ScrollLock";
  case 166: return "Back";
  case 167: return "Forward";
  case 169: return "Stop";
  case 170: return "Search";
  case 171: return "Favorites";
  case 172: return "Web/Home";
  case 180: return "Mail";
  case 182: return "MyComputer";
  case 183: return "Calculator";
  case 186: return ";";
  case 187: return "=";
  case 188: return ",";
  case 189: return "-";
  case 190: return ".";
  case 191: return "/";
  case 192: return "`";
  case 219: return "[";
  case 220: return "\\";
  case 221: return "]";
  case 222: return "'";
  case 226: return "Macro";
  default: break;
  }
  if ((vk >= 48 && vk <= 57) || (vk >= 65 && vk <= 90))
    return std::string(1, static_cast<char>(vk));
  if (vk >= 96 && vk <= 105)
    return "NP" + std::to_string(vk - 96);
  if (vk >= 112 && vk <= 123)
    return "F" + std::to_string(vk - 111);
  return "<" + std::to_string(vk) + ">";
}

std::string KeyName(int vk, TShiftState state) {
  std::string name = VirtualKeyName(vk, TKeyNameStyle::Command);
  if (state.shift)
    name = "Shift+" + name;
  if (state.alt)
    name = "Alt+" + name;
  if (state.ctrl)
    name = "Ctrl+" + name;
  return name;
}

TParsedKey ParseKeyName(std::string_view text, TKeyNameStyle style) {
  TParsedKey r;
  if (StartsText("Ctrl+", text)) {
    r.state.ctrl = true;
    text.remove_prefix(5);
  }
  if (StartsText("Alt+", text)) {
    r.state.alt = true;
    text.remove_prefix(4);
  }
  if (StartsText("Shift+", text)) {
    r.state.shift = true;
    text.remove_prefix(6);
  }
  for (int vk = 255; vk >= 0; --vk)
    if (VirtualKeyName(vk, style) == text) {
      r.vk = vk;
      break;
    }
  return r;
}

} // namespace zv
