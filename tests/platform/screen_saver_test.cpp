// The screen-saver guard's rules over a counting inhibitor, and the desktop inhibitor against a
// screen-saver service on a private session bus of its own.
#include "platform/screen_saver.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <mutex>

using namespace zv;

namespace {

struct Counting : IScreenSaverInhibitor {
  int* inhibits;
  int* releases;
  bool works = true;
  Counting(int* i, int* r) : inhibits(i), releases(r) {}
  bool Inhibit(const std::string&) override {
    ++*inhibits;
    return works;
  }
  void UnInhibit() override { ++*releases; }
};

TEST(ScreenSaverGuard, IsTakenOnlyWhenNotHeldAndGivenBackOnlyWhenHeld) {
  int inhibits = 0, releases = 0;
  {
    TScreenSaverGuard guard(std::make_unique<Counting>(&inhibits, &releases));
    guard.Release(); // stop before anything played
    EXPECT_EQ(releases, 0);
    for (int i = 0; i < 3; ++i) // play, play again, speed play
      guard.Hold();
    EXPECT_TRUE(guard.Held());
    EXPECT_EQ(inhibits, 1);
    guard.Release(); // pause
    guard.Release(); // stop
    EXPECT_FALSE(guard.Held());
    EXPECT_EQ(releases, 1);
    guard.Hold();
  }
  // The guard gives back what it holds when it goes.
  EXPECT_EQ(inhibits, 2);
  EXPECT_EQ(releases, 2);
  // An inhibitor that could ask nobody: nothing is held, nothing given back.
  auto failing = std::make_unique<Counting>(&inhibits, &releases);
  failing->works = false;
  TScreenSaverGuard guard(std::move(failing));
  guard.Hold();
  EXPECT_FALSE(guard.Held());
  guard.Release();
  EXPECT_EQ(releases, 2);
}

// org.freedesktop.ScreenSaver as a desktop offers it: Inhibit hands out cookies, UnInhibit takes
// them back; every call is recorded.
class FakeScreenSaver : public QDBusVirtualObject {
public:
  std::mutex lock;
  std::vector<std::string> calls;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
    std::lock_guard<std::mutex> hold(lock);
    if (m.member() == "Inhibit" && m.arguments().size() == 2) {
      calls.push_back("Inhibit " + m.arguments()[0].toString().toStdString() + " / " +
                      m.arguments()[1].toString().toStdString());
      c.send(m.createReply(QVariant::fromValue(static_cast<uint>(41 + calls.size()))));
      return true;
    }
    if (m.member() == "UnInhibit" && m.arguments().size() == 1) {
      calls.push_back("UnInhibit " + std::to_string(m.arguments()[0].toUInt()));
      c.send(m.createReply());
      return true;
    }
    return false;
  }
};

TEST(DesktopScreenSaver, AsksTheSessionBusForOneCookieAndGivesItBack) {
  // A bus of this test's own, stopped at its end.
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon is not installed";
  ASSERT_TRUE(zvtest::PumpUntil([&] { return daemon.canReadLine(); }, std::chrono::seconds(10)));
  const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
  qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());

  // The service answers on a thread of its own, as another process would.
  QThread serviceThread;
  serviceThread.start();
  FakeScreenSaver service;
  service.moveToThread(&serviceThread);
  QDBusConnection serviceBus = QDBusConnection::connectToBus(address, "screen-saver-service");
  ASSERT_TRUE(serviceBus.isConnected());
  ASSERT_TRUE(serviceBus.registerService("org.freedesktop.ScreenSaver"));
  ASSERT_TRUE(serviceBus.registerVirtualObject("/org/freedesktop/ScreenSaver", &service));
  {
    TDesktopScreenSaver saver;
    EXPECT_TRUE(saver.Inhibit("Playing a video"));
    EXPECT_EQ(saver.Cookie(), 42u);
    EXPECT_TRUE(saver.Inhibit("Playing a video")); // still the one cookie
    saver.UnInhibit();
    saver.UnInhibit();
    EXPECT_TRUE(saver.Inhibit("Playing a video"));
  } // gone while holding: the cookie goes back
  std::lock_guard<std::mutex> hold(service.lock);
  EXPECT_EQ(service.calls, (std::vector<std::string>{"Inhibit Zelvar / Playing a video", "UnInhibit 42",
                                                     "Inhibit Zelvar / Playing a video", "UnInhibit 44"}));
  serviceBus.unregisterObject("/org/freedesktop/ScreenSaver");
  QDBusConnection::disconnectFromBus("screen-saver-service");
  serviceThread.quit();
  serviceThread.wait();
  daemon.terminate();
  daemon.waitForFinished(5000);
}

} // namespace
