#pragma once

#include "commands/key_names.h"

#include <Qt>

class QKeyEvent;

namespace zv {

// The one translation between Qt key events and the Windows virtual-key numbers that key bindings,
// hot keys and dialogs store. A key is named by its unshifted form (Shift+1 is key 49, not "!"),
// numeric-keypad keys stay apart from the main keys, and punctuation takes its US-layout number
// (186-192, 219-222). Media and browser keys are 166-183.

struct TVirtualKey {
  int vk = 0; // 0 when the key has no number
  TShiftState state;
};

int QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);
TVirtualKey TranslateKey(int qtKey, Qt::KeyboardModifiers modifiers);
TVirtualKey TranslateKeyEvent(const QKeyEvent& event);
// The key-binding name of a key event ("Ctrl+Shift+Right").
std::string KeyEventName(const QKeyEvent& event);

// Back from a virtual key to the Qt key that produces it without Shift.
struct TQtKey {
  int key = 0; // Qt::Key, 0 when none
  bool keypad = false;
};
TQtKey VirtualKeyToQtKey(int vk);

} // namespace zv
