#include "commands/key_names.h"
#include "platform/key_translation.h"
#include "prefs/prefs_setup.h"
#include "prefs/xml_prefs.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <map>
#include <set>

using namespace zv;

namespace {
struct Press {
  int key;
  Qt::KeyboardModifiers mods;
};

// The Qt event a US keyboard sends for a binding text, with NumLock on or off.
Press EventFor(const std::string& binding, bool numLock) {
  TParsedKey parsed = ParseKeyName(binding, TKeyNameStyle::Command);
  Qt::KeyboardModifiers mods;
  if (parsed.state.shift)
    mods |= Qt::ShiftModifier;
  if (parsed.state.alt)
    mods |= Qt::AltModifier;
  if (parsed.state.ctrl)
    mods |= Qt::ControlModifier;
  // Shifted keys arrive as the character they type.
  static const std::map<int, int> kShifted = {
      {49, Qt::Key_Exclam},    {50, Qt::Key_At},          {51, Qt::Key_NumberSign}, {52, Qt::Key_Dollar},
      {53, Qt::Key_Percent},   {54, Qt::Key_AsciiCircum}, {55, Qt::Key_Ampersand},  {56, Qt::Key_Asterisk},
      {57, Qt::Key_ParenLeft}, {48, Qt::Key_ParenRight},  {188, Qt::Key_Less},      {190, Qt::Key_Greater},
      {187, Qt::Key_Plus},     {189, Qt::Key_Underscore}, {191, Qt::Key_Question},  {192, Qt::Key_AsciiTilde}};
  if (parsed.state.shift && kShifted.count(parsed.vk))
    return Press{kShifted.at(parsed.vk), mods};
  TQtKey q = VirtualKeyToQtKey(parsed.vk);
  if (q.keypad)
    mods |= Qt::KeypadModifier;
  // With NumLock off, the keypad's digits send the navigation keys: the same keys, marked keypad.
  static const std::set<int> kKeypadTwins = {33, 34, 35, 36, 37, 38, 39, 40, 45, 46};
  if (!numLock && kKeypadTwins.count(parsed.vk))
    mods |= Qt::KeypadModifier;
  return Press{q.key, mods};
}
} // namespace

TEST(KeyTranslation, EveryDefaultBindingIsProducedByItsKey) {
  TXMLTree doc;
  InitPrefs(doc, TPrefsEnvironment{1, "English"});
  TXMLNode* cmd = doc.Root()->FindChild("Command");
  std::set<std::string> keys;
  for (const TXMLAttr& a : cmd->Attributes()) {
    std::string key = a.value.substr(0, a.value.find('|'));
    if (!key.empty())
      keys.insert(key);
  }
  for (const auto& k : doc.Root()->FindChild("GlobalKeys")->Children())
    keys.insert(k->GetAttr("Key"));
  ASSERT_GT(keys.size(), 80u);
  for (const std::string& key : keys) {
    for (bool numLock : {true, false}) {
      Press p = EventFor(key, numLock);
      ASSERT_NE(p.key, 0) << key;
      QKeyEvent e(QEvent::KeyPress, p.key, p.mods);
      EXPECT_EQ(KeyEventName(e), key) << key << (numLock ? " with NumLock" : " without NumLock");
    }
  }
}

TEST(KeyTranslation, ShiftedKeysGiveTheUnshiftedNumber) {
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Exclam, Qt::ShiftModifier), 49);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Question, Qt::ShiftModifier), 191);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Bar, Qt::ShiftModifier), 220);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backtab, Qt::ShiftModifier), 9);
  QKeyEvent e(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier);
  EXPECT_EQ(KeyEventName(e), "Shift+1");
}

TEST(KeyTranslation, TheKeypadStaysApart) {
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_1, Qt::NoModifier), 49);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_1, Qt::KeypadModifier), 97);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Plus, Qt::KeypadModifier), 107);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Plus, Qt::NoModifier), 187);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Minus, Qt::KeypadModifier | Qt::ControlModifier), 109);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Comma, Qt::KeypadModifier), 108);
  // NumLock off: the digit keys send navigation keys, which keep their usual numbers.
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Home, Qt::KeypadModifier), 36);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Clear, Qt::KeypadModifier), 12);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Enter, Qt::KeypadModifier), 13);
  EXPECT_EQ(VirtualKeyToQtKey(107).keypad, true);
  EXPECT_EQ(VirtualKeyToQtKey(107).key, Qt::Key_Plus);
}

TEST(KeyTranslation, MediaAndLettersAndUnknowns) {
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_VolumeMute, Qt::NoModifier), 173);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_MediaTogglePlayPause, Qt::NoModifier), 179);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_MediaPlay, Qt::NoModifier), 179);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Launch1, Qt::NoModifier), 183);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_A, Qt::ShiftModifier), 65);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Z, Qt::NoModifier), 90);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Adiaeresis, Qt::NoModifier), 0);
  // A modifier alone names only the prefixes, never a bare modifier binding. (The platform sends
  // the state before the press; Qt's event then reports the modifier as held.)
  QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  EXPECT_EQ(KeyEventName(ctrl), "Ctrl+");
  TShiftState s = ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier | Qt::MetaModifier);
  EXPECT_TRUE(s.shift && s.ctrl && !s.alt);
}

TEST(KeyTranslation, EveryNumberGoesBackToAKeyThatGivesIt) {
  for (int vk = 1; vk < 256; ++vk) {
    TQtKey q = VirtualKeyToQtKey(vk);
    if (!q.key)
      continue;
    EXPECT_EQ(QtKeyToVirtualKey(q.key, q.keypad ? Qt::KeypadModifier : Qt::NoModifier), vk) << vk;
  }
}
