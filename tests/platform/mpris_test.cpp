// The player on a session bus of the test's own, driven and read by playerctl.
#include "commands/command_codes.h"
#include "platform/mpris.h"
#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>

using namespace zv;
using namespace std::chrono_literals;

namespace {
// dbus-daemon with a session bus of its own, stopped with the object.
struct SessionBus {
  QProcess daemon;
  QString address;
  SessionBus() {
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon.waitForStarted(5000))
      return;
    for (int i = 0; i < 50 && !address.contains('\n'); ++i)
      if (daemon.waitForReadyRead(100))
        address += QString::fromUtf8(daemon.readAllStandardOutput());
    address = address.trimmed();
  }
  ~SessionBus() {
    daemon.terminate();
    daemon.waitForFinished(3000);
  }
  // playerctl's answer, while this process keeps answering the bus.
  std::string Playerctl(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    p.setProcessEnvironment(env);
    p.start("playerctl", QStringList{"-p", "zelvar"} + args);
    zvtest::PumpUntil([&] { return p.state() == QProcess::NotRunning; }, 10s);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
  }
};
} // namespace

TEST(Mpris, PlayerctlDrivesAndReadsThePlayer) {
  SessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
  QDBusConnection connection = QDBusConnection::connectToBus(bus.address, "zv-mpris-test");
  ASSERT_TRUE(connection.isConnected());
  std::vector<int> commands;
  std::string status = "Playing";
  int64_t position = 12 * 10'000'000LL, seekedTo = -1;
  TMprisHost host;
  host.appCommand = [&](int c) { commands.push_back(c); };
  host.status = [&] { return status; };
  host.position = [&] { return position; };
  host.duration = [] { return int64_t{100} * 10'000'000; };
  host.seekTo = [&](int64_t p) { seekedTo = p; };
  host.file = [] { return std::string("/media/Film.mkv"); };
  host.title = [] { return std::string("Film Title"); };
  host.volume = [] { return 0.85; };
  {
    TMpris mpris(host, connection, "org.mpris.MediaPlayer2.zelvar");
    ASSERT_TRUE(mpris.Registered());
    EXPECT_EQ(bus.Playerctl({"status"}), "Playing");
    EXPECT_EQ(bus.Playerctl({"metadata", "title"}), "Film Title");
    EXPECT_EQ(bus.Playerctl({"metadata", "mpris:length"}), "100000000") << "microseconds";
    EXPECT_NEAR(std::stod(bus.Playerctl({"position"})), 12.0, 0.5);
    EXPECT_EQ(bus.Playerctl({"volume"}), "0.850000");
    bus.Playerctl({"pause"});
    bus.Playerctl({"play"});
    bus.Playerctl({"play-pause"});
    bus.Playerctl({"stop"});
    bus.Playerctl({"next"});
    bus.Playerctl({"previous"});
    EXPECT_EQ(commands, (std::vector<int>{appPause, appPlay, appPlayPause, appPause, appNextTrack, appPreviousTrack}))
        << "as the multimedia keys: stop pauses";
    bus.Playerctl({"position", "30"});
    EXPECT_EQ(seekedTo, 30 * 10'000'000LL);
    bus.Playerctl({"position", "5-"});
    EXPECT_EQ(seekedTo, 7 * 10'000'000LL);
    status = "Paused";
    zvtest::PumpFor(400ms);
    EXPECT_EQ(bus.Playerctl({"status"}), "Paused");
  }
  QDBusConnection::disconnectFromBus("zv-mpris-test");
}
