// Global hot keys on the test's own X server: a grabbed combination reaches the module whichever
// window has the focus, with NumLock on as well, and a combination another client holds is refused.
#include "platform/global_keys.h"
#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QProcess>

using namespace zv;

namespace {
void Press(const QStringList& keys) {
  QProcess p;
  p.start("xdotool", QStringList{"key"} + keys);
  p.waitForFinished(5000);
}
} // namespace

TEST(X11HotKeys, AGrabbedCombinationReachesTheModuleAndOneHeldElsewhereIsRefused) {
  std::vector<int> posted;
  std::unique_ptr<IHotKeyBackend> backend = MakeX11HotKeys();
  ASSERT_TRUE(backend) << "no X11 connection";
  TGlobalKeys keys(std::move(backend), {{"Отключить звук", "Ctrl+Alt+M"}}, [&](int code) { posted.push_back(code); });
  // Another client (a connection of its own) holds Ctrl+Alt+K first.
  std::unique_ptr<IHotKeyBackend> other = MakeX11HotKeys();
  ASSERT_TRUE(other->Register(1, {false, true, true}, 'K'));
  EXPECT_FALSE(keys.AddHotKey("Ctrl+Alt+K", "Sound.VolumeUp"));

  Press({"ctrl+alt+m"});
  EXPECT_TRUE(zvtest::PumpUntil([&] { return posted.size() == 1; }, std::chrono::seconds(5)));
  Press({"Num_Lock"});
  Press({"ctrl+alt+m"});
  EXPECT_TRUE(zvtest::PumpUntil([&] { return posted.size() == 2; }, std::chrono::seconds(5))) << "with NumLock on";
  Press({"Num_Lock"});
  EXPECT_EQ(posted, (std::vector<int>{403, 403}));
  other->Unregister(1);
}
