#include "platform/key_translation.h"

#include <QKeyEvent>
#include <array>
#include <unordered_map>

namespace zv {
namespace {

struct TKeyRow {
  int qt;
  bool keypad; // the row applies only with (true) or only without (false) the keypad modifier
  int vk;
};

// Rows earlier in the table are the canonical Qt key of their virtual key (used going back).
constexpr TKeyRow kRows[] = {
    // Editing and navigation
    {Qt::Key_Backspace, false, 8},
    {Qt::Key_Tab, false, 9},
    {Qt::Key_Backtab, false, 9},
    {Qt::Key_Clear, false, 12},
    {Qt::Key_Return, false, 13},
    {Qt::Key_Enter, false, 13},
    {Qt::Key_Shift, false, 16},
    {Qt::Key_Control, false, 17},
    {Qt::Key_Alt, false, 18},
    {Qt::Key_AltGr, false, 18},
    {Qt::Key_Pause, false, 19},
    {Qt::Key_CapsLock, false, 20},
    {Qt::Key_Escape, false, 27},
    {Qt::Key_Space, false, 32},
    {Qt::Key_PageUp, false, 33},
    {Qt::Key_PageDown, false, 34},
    {Qt::Key_End, false, 35},
    {Qt::Key_Home, false, 36},
    {Qt::Key_Left, false, 37},
    {Qt::Key_Up, false, 38},
    {Qt::Key_Right, false, 39},
    {Qt::Key_Down, false, 40},
    {Qt::Key_Select, false, 41},
    {Qt::Key_Printer, false, 42},
    {Qt::Key_Execute, false, 43},
    {Qt::Key_Print, false, 44},
    {Qt::Key_SysReq, false, 44},
    {Qt::Key_Insert, false, 45},
    {Qt::Key_Delete, false, 46},
    {Qt::Key_Help, false, 47},
    // Digits, and the shifted digits of the US layout
    {Qt::Key_0, false, 48},
    {Qt::Key_1, false, 49},
    {Qt::Key_2, false, 50},
    {Qt::Key_3, false, 51},
    {Qt::Key_4, false, 52},
    {Qt::Key_5, false, 53},
    {Qt::Key_6, false, 54},
    {Qt::Key_7, false, 55},
    {Qt::Key_8, false, 56},
    {Qt::Key_9, false, 57},
    {Qt::Key_ParenRight, false, 48},
    {Qt::Key_Exclam, false, 49},
    {Qt::Key_At, false, 50},
    {Qt::Key_NumberSign, false, 51},
    {Qt::Key_Dollar, false, 52},
    {Qt::Key_Percent, false, 53},
    {Qt::Key_AsciiCircum, false, 54},
    {Qt::Key_Ampersand, false, 55},
    {Qt::Key_Asterisk, false, 56},
    {Qt::Key_ParenLeft, false, 57},
    // System keys
    {Qt::Key_Super_L, false, 91},
    {Qt::Key_Meta, false, 91},
    {Qt::Key_Super_R, false, 92},
    {Qt::Key_Menu, false, 93},
    {Qt::Key_Sleep, false, 95},
    // The numeric keypad with NumLock on
    {Qt::Key_0, true, 96},
    {Qt::Key_1, true, 97},
    {Qt::Key_2, true, 98},
    {Qt::Key_3, true, 99},
    {Qt::Key_4, true, 100},
    {Qt::Key_5, true, 101},
    {Qt::Key_6, true, 102},
    {Qt::Key_7, true, 103},
    {Qt::Key_8, true, 104},
    {Qt::Key_9, true, 105},
    {Qt::Key_Asterisk, true, 106},
    {Qt::Key_Plus, true, 107},
    {Qt::Key_Comma, true, 108},
    {Qt::Key_Minus, true, 109},
    {Qt::Key_Period, true, 110},
    {Qt::Key_Slash, true, 111},
    // ... and with NumLock off, where the digits act as navigation keys
    {Qt::Key_Insert, true, 45},
    {Qt::Key_Delete, true, 46},
    {Qt::Key_End, true, 35},
    {Qt::Key_Down, true, 40},
    {Qt::Key_PageDown, true, 34},
    {Qt::Key_Left, true, 37},
    {Qt::Key_Clear, true, 12},
    {Qt::Key_Right, true, 39},
    {Qt::Key_Home, true, 36},
    {Qt::Key_Up, true, 38},
    {Qt::Key_PageUp, true, 33},
    {Qt::Key_Enter, true, 13},
    // Function keys
    {Qt::Key_F1, false, 112},
    {Qt::Key_F2, false, 113},
    {Qt::Key_F3, false, 114},
    {Qt::Key_F4, false, 115},
    {Qt::Key_F5, false, 116},
    {Qt::Key_F6, false, 117},
    {Qt::Key_F7, false, 118},
    {Qt::Key_F8, false, 119},
    {Qt::Key_F9, false, 120},
    {Qt::Key_F10, false, 121},
    {Qt::Key_F11, false, 122},
    {Qt::Key_F12, false, 123},
    {Qt::Key_F13, false, 124},
    {Qt::Key_F14, false, 125},
    {Qt::Key_F15, false, 126},
    {Qt::Key_F16, false, 127},
    {Qt::Key_F17, false, 128},
    {Qt::Key_F18, false, 129},
    {Qt::Key_F19, false, 130},
    {Qt::Key_F20, false, 131},
    {Qt::Key_F21, false, 132},
    {Qt::Key_F22, false, 133},
    {Qt::Key_F23, false, 134},
    {Qt::Key_F24, false, 135},
    {Qt::Key_NumLock, false, 144},
    {Qt::Key_ScrollLock, false, 145},
    // Browser and media keys
    {Qt::Key_Back, false, 166},
    {Qt::Key_Forward, false, 167},
    {Qt::Key_Refresh, false, 168},
    {Qt::Key_Stop, false, 169},
    {Qt::Key_Search, false, 170},
    {Qt::Key_Favorites, false, 171},
    {Qt::Key_HomePage, false, 172},
    {Qt::Key_VolumeMute, false, 173},
    {Qt::Key_VolumeDown, false, 174},
    {Qt::Key_VolumeUp, false, 175},
    {Qt::Key_MediaNext, false, 176},
    {Qt::Key_MediaPrevious, false, 177},
    {Qt::Key_MediaStop, false, 178},
    {Qt::Key_MediaTogglePlayPause, false, 179},
    {Qt::Key_MediaPlay, false, 179},
    {Qt::Key_MediaPause, false, 179},
    {Qt::Key_LaunchMail, false, 180},
    {Qt::Key_LaunchMedia, false, 181},
    {Qt::Key_Launch0, false, 182},
    {Qt::Key_Explorer, false, 182},
    {Qt::Key_Launch1, false, 183},
    {Qt::Key_Calculator, false, 183},
    // Punctuation at its US-layout place, unshifted and shifted
    {Qt::Key_Semicolon, false, 186},
    {Qt::Key_Colon, false, 186},
    {Qt::Key_Equal, false, 187},
    {Qt::Key_Plus, false, 187},
    {Qt::Key_Comma, false, 188},
    {Qt::Key_Less, false, 188},
    {Qt::Key_Minus, false, 189},
    {Qt::Key_Underscore, false, 189},
    {Qt::Key_Period, false, 190},
    {Qt::Key_Greater, false, 190},
    {Qt::Key_Slash, false, 191},
    {Qt::Key_Question, false, 191},
    {Qt::Key_QuoteLeft, false, 192},
    {Qt::Key_AsciiTilde, false, 192},
    {Qt::Key_BracketLeft, false, 219},
    {Qt::Key_BraceLeft, false, 219},
    {Qt::Key_Backslash, false, 220},
    {Qt::Key_Bar, false, 220},
    {Qt::Key_BracketRight, false, 221},
    {Qt::Key_BraceRight, false, 221},
    {Qt::Key_Apostrophe, false, 222},
    {Qt::Key_QuoteDbl, false, 222},
};

uint64_t RowKey(int qt, bool keypad) { return (static_cast<uint64_t>(static_cast<uint32_t>(qt)) << 1) | keypad; }

const std::unordered_map<uint64_t, int>& Forward() {
  static const std::unordered_map<uint64_t, int> kForward = [] {
    std::unordered_map<uint64_t, int> m;
    for (const TKeyRow& r : kRows)
      m.emplace(RowKey(r.qt, r.keypad), r.vk);
    return m;
  }();
  return kForward;
}

} // namespace

int QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
    return qtKey; // Qt's letter codes are their upper-case ASCII values, as are the virtual keys
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  const auto& f = Forward();
  auto it = f.find(RowKey(qtKey, keypad));
  if (it == f.end() && keypad)
    it = f.find(RowKey(qtKey, false)); // keypad keys without a number of their own
  return it == f.end() ? 0 : it->second;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  return TShiftState{modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::AltModifier),
                     modifiers.testFlag(Qt::ControlModifier)};
}

TVirtualKey TranslateKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  return TVirtualKey{QtKeyToVirtualKey(qtKey, modifiers), ShiftStateOf(modifiers)};
}

TVirtualKey TranslateKeyEvent(const QKeyEvent& event) { return TranslateKey(event.key(), event.modifiers()); }

std::string KeyEventName(const QKeyEvent& event) {
  TVirtualKey k = TranslateKeyEvent(event);
  return KeyName(k.vk, k.state);
}

TQtKey VirtualKeyToQtKey(int vk) {
  if (vk >= 'A' && vk <= 'Z')
    return TQtKey{vk, false};
  for (const TKeyRow& r : kRows)
    if (r.vk == vk)
      return TQtKey{r.qt, r.keypad};
  return {};
}

} // namespace zv
