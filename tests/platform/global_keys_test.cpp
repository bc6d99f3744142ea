// The hot-key module over a scripted desktop: which keys it registers with which modifiers, the
// actions they post, shared keys, unknown names, suppression and the end.
#include "platform/global_keys.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
struct FakeDesktop : IHotKeyBackend {
  struct TGrab {
    int id;
    bool ctrl, alt, shift;
    int vk;
  };
  std::vector<TGrab> grabs;
  std::vector<int> refused;             // virtual keys another program holds
  std::vector<int>* released = nullptr; // outlives the desktop, which goes with the module
  bool Register(int id, TShiftState m, int vk) override {
    if (std::find(refused.begin(), refused.end(), vk) != refused.end())
      return false;
    grabs.push_back({id, m.ctrl, m.alt, m.shift, vk});
    return true;
  }
  void Unregister(int id) override {
    if (released)
      released->push_back(id);
  }
};
} // namespace

TEST(GlobalKeys, KeyTextsRegisterTheirModifiersAndKeysAndPressesPostTheActions) {
  struct Case {
    const char* key;
    bool registered;
    bool ctrl = false, alt = false, shift = false;
    int vk = 0;
  } cases[] = {
      {"Ctrl+Shift+Right", true, true, false, true, 0x27},
      {"Alt+`", true, false, true, false, 192},
      {"Ctrl+Alt+BackSpace", true, true, true, false, 8},
      {"Ctrl+Alt+BkSp", true, true, true, false, 8}, // as the keys page writes it
      {"ctrl+alt+space", false},                     // names are compared with their case
      {"Alt+Ctrl+X", false},                         // prefixes only in their order
      {"", false},
      {"Ctrl+Alt+", false},    // modifiers alone would take them for the whole desktop
      {"Ctrl+Alt+F12", false}, // held by another program
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto desktop = std::make_unique<FakeDesktop>();
    desktop->refused = {0x7B};
    FakeDesktop* d = desktop.get();
    TGlobalKeys keys(std::move(desktop), {}, nullptr);
    EXPECT_EQ(keys.AddHotKey(c.key, "Player.PlayPause"), c.registered);
    ASSERT_EQ(d->grabs.size(), c.registered ? 1u : 0u);
    if (c.registered) {
      EXPECT_EQ(d->grabs[0].ctrl, c.ctrl);
      EXPECT_EQ(d->grabs[0].alt, c.alt);
      EXPECT_EQ(d->grabs[0].shift, c.shift);
      EXPECT_EQ(d->grabs[0].vk, c.vk);
    }
  }

  // The stored keys: two of the same text share one identifier and one press runs both; an
  // unknown name registers its key, which does nothing.
  auto desktop = std::make_unique<FakeDesktop>();
  FakeDesktop* d = desktop.get();
  std::vector<int> posted, released;
  d->released = &released;
  {
    TGlobalKeys keys(std::move(desktop),
                     {{"Воспроизведение / Пауза", "Ctrl+Alt+Space"},
                      {"Отключить звук", "Ctrl+Alt+Space"},
                      {"Play", "Ctrl+Alt+P"},
                      {"Анти-шеф", "Alt+`"}},
                     [&](int code) { posted.push_back(code); });
    ASSERT_EQ(d->grabs.size(), 3u);
    for (const auto& g : d->grabs)
      keys.OnHotKey(g.id);
    EXPECT_EQ(posted, (std::vector<int>{102, 403, 208}));
    HotKeysSuppressed() = true;
    keys.OnHotKey(d->grabs[0].id);
    HotKeysSuppressed() = false;
    EXPECT_EQ(posted.size(), 3u) << "nothing while the keys page shows";
    EXPECT_EQ(CodeOfAction("sound.volumeup"), 401);
    EXPECT_EQ(ActionOfStoredName("Play"), "wrong result");
  }
  EXPECT_EQ(released.size(), 3u) << "every registered key is given back";
  // Without an X11 display the module registers nothing.
  TGlobalKeys none(nullptr, {{"Анти-шеф", "Alt+`"}}, nullptr);
  EXPECT_FALSE(none.AddHotKey("Ctrl+Alt+M", "Sound.Mute"));
}
