#include "commands/key_names.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(KeyNames, TableAndModifierOrder) {
  EXPECT_EQ(KeyName(8, {}), "BkSp");
  EXPECT_EQ(KeyName(13, {}), "Enter");
  EXPECT_EQ(KeyName(65, {}), "A");
  EXPECT_EQ(KeyName(49, {true, false, false}), "Shift+1");
  EXPECT_EQ(KeyName(116, {true, true, true}), "Ctrl+Alt+Shift+F5");
  EXPECT_EQ(KeyName(77, {false, false, true}), "Ctrl+M");
  EXPECT_EQ(KeyName(107, {false, true, false}), "Alt+NP+");
  EXPECT_EQ(KeyName(108, {}), "NP sep");
  EXPECT_EQ(KeyName(192, {}), "`");
  EXPECT_EQ(KeyName(220, {}), "\\");
  EXPECT_EQ(KeyName(222, {}), "'");
  EXPECT_EQ(KeyName(172, {}), "Web/Home");
  EXPECT_EQ(KeyName(250, {}), "<250>");
  EXPECT_EQ(KeyName(124, {}), "<124>"); // F13 has no name of its own
  // A modifier pressed alone names only the prefixes.
  EXPECT_EQ(KeyName(17, {false, false, true}), "Ctrl+");
  EXPECT_EQ(KeyName(16, {true, false, true}), "Ctrl+Shift+");
  EXPECT_EQ(VirtualKeyName(0, TKeyNameStyle::HotKey), "Zilch");
  EXPECT_EQ(VirtualKeyName(8, TKeyNameStyle::HotKey), "BackSpace");
}

TEST(KeyNames, EveryNamedKeyRoundTripsThroughText) {
  for (int vk = 1; vk < 256; ++vk) {
    if (vk >= 16 && vk <= 18)
      continue; // modifiers have no name of their own
    for (int m = 0; m < 8; ++m) {
      TShiftState s{(m & 1) != 0, (m & 2) != 0, (m & 4) != 0};
      std::string text = KeyName(vk, s);
      TParsedKey back = ParseKeyName(text, TKeyNameStyle::Command);
      EXPECT_EQ(back.vk, vk) << text;
      EXPECT_EQ(back.state.shift, s.shift) << text;
      EXPECT_EQ(back.state.alt, s.alt) << text;
      EXPECT_EQ(back.state.ctrl, s.ctrl) << text;
    }
  }
}

TEST(KeyNames, HotKeyParsing) {
  TParsedKey k = ParseHotKey("Ctrl+Shift+Right");
  EXPECT_TRUE(k.state.ctrl && k.state.shift && !k.state.alt);
  EXPECT_EQ(k.vk, 39);
  EXPECT_EQ(ParseHotKey("Alt+`").vk, 192);
  // Prefixes match in any case, names only exactly.
  k = ParseHotKey("ctrl+alt+space");
  EXPECT_TRUE(k.state.ctrl && k.state.alt);
  EXPECT_EQ(k.vk, 0);
  EXPECT_EQ(ParseHotKey("Ctrl+Alt+BkSp").vk, 0);
  EXPECT_EQ(ParseHotKey("Ctrl+Alt+BackSpace").vk, 8);
  // Another prefix order is not recognised.
  k = ParseHotKey("Alt+Ctrl+X");
  EXPECT_TRUE(k.state.alt);
  EXPECT_FALSE(k.state.ctrl);
  EXPECT_EQ(k.vk, 0);
  EXPECT_EQ(ParseHotKey("<250>").vk, 250);
}
