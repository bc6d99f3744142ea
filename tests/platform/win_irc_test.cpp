// The remote-control client: the daemon's report lines, and the client against a real lircd
// started by the test with a configuration of its own and pressed through irsend.
#include "map_prefs.h"
#include "platform/win_irc.h"
#include "process_util.h"
#include "qt_test_util.h"
#include "skin/language_manager.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <filesystem>

using namespace zv;
using namespace std::chrono_literals;

TEST(RemoteLines, ButtonsOfReportsAndTheRepeatsThatAreSkipped) {
  struct Case {
    const char* line;
    bool delay;
    int value;
    std::optional<std::string> button;
  } cases[] = {
      {"000000037ff07bef 00 STOP myremote", true, 50, "STOP"},
      {"000000037ff07bef 01 STOP myremote", true, 50, std::nullopt},
      {"000000037ff07bef 02 STOP myremote", true, 50, std::nullopt},
      {"000000037ff07bef 03 STOP myremote", true, 50, "STOP"},
      {"000000037ff07bef 01 STOP myremote", false, 50, "STOP"},
      {"000000037ff07bef 09 STOP myremote", true, 57, std::nullopt},
      {"000000037ff07bef 0a STOP myremote", true, 57, "STOP"},
      {"000000037ff07bef 10 STOP myremote", true, 57, "STOP"},
      {"000000037ff07bef 05 STOP myremote", true, 99, std::nullopt}, // kept within 50 … 57
      {"000000037ff07bef 00 STOP", true, 50, "STOP"},
      {"000000037ff07bef 00", true, 50, std::nullopt},
      {"", true, 50, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RemoteButton(c.line, {c.delay, c.value}), c.button) << c.line;

  // Lines across reads, several in one, the daemon's reply blocks and lines too long to keep.
  TRemoteLines lines;
  EXPECT_TRUE(lines.Feed("0001 00 PLA").empty());
  EXPECT_EQ(lines.Feed("Y r\n0002 00 STOP r\r\n0003"), (std::vector<std::string>{"0001 00 PLAY r", "0002 00 STOP r"}));
  EXPECT_EQ(lines.Feed(" 00 PAUSE r\nBEGIN\nVERSION\nSUCCESS\nEND\n0004 00 NEXT r\n"),
            (std::vector<std::string>{"0003 00 PAUSE r", "0004 00 NEXT r"}));
  EXPECT_TRUE(lines.Feed(std::string(5000, 'x')).empty());
  EXPECT_EQ(lines.Feed("yy\n0005 00 MUTE r\n"), (std::vector<std::string>{"0005 00 MUTE r"}));
}

namespace {

// lircd on a port of the loopback, simulating presses; started through a wrapper that the
// client's own start uses too.
struct Lircd {
  zvtest::TempDir dir;
  int port = 0;
  std::string wrapper;
  Lircd() {
    QTcpServer probe; // a free port
    probe.listen(QHostAddress::LocalHost);
    port = probe.serverPort();
    probe.close();
    const std::string d = dir.str();
    zvtest::WriteFile(d + "/zv.conf", "begin remote\n name zvremote\n bits 16\n flags SPACE_ENC\n eps 30\n aeps 100\n"
                                      " header 9000 4500\n one 560 1690\n zero 560 560\n ptrail 560\n gap 108000\n"
                                      " begin codes\n  PLAY 0x0001\n  PAUSE 0x0002\n  VOLUP 0x0003\n end codes\n"
                                      "end remote\n");
    // The client adds --nodaemon and --listen=address:port.
    wrapper = d + "/lircd.sh";
    zvtest::WriteFile(wrapper, "#!/bin/sh\nexec /usr/sbin/lircd -a -H default -d /dev/null --allow-simulate --output=" +
                                   d + "/sock --pidfile=" + d + "/pid \"$@\" " + d + "/zv.conf\n");
    std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
  }
  // Sends a press as the daemon would report it.
  bool Press(const std::string& button, int code, int repeat) const {
    char line[80];
    std::snprintf(line, sizeof line, "%016x %02x %s zvremote", code, repeat, button.c_str());
    return zvtest::RunProgram({"/usr/bin/irsend", "-d", dir.str() + "/sock", "SIMULATE", line}).exitCode == 0;
  }
};

} // namespace

TEST(RemoteClient, PressesFromTheDaemonBecomeButtonsAndTheClientComesBackAfterARestart) {
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  Lircd lircd;
  zvtest::MapPrefs prefs;
  prefs.SetBool("Modules.WinLIRC.Enabled", true);
  prefs.SetString("Modules.WinLIRC.Port", std::to_string(lircd.port));
  prefs.SetString("Modules.WinLIRC.Server.Path", lircd.wrapper);
  prefs.SetBool("Modules.WinLIRC.RepeatDelay", true);
  prefs.SetInt("Modules.WinLIRC.RepeatDelayValue", 50);
  prefs.SetBool("Modules.WinLIRC.Sound.Enabled", true);
  std::vector<std::string> buttons, osd;
  int clicks = 0;
  TWinIRCHost host;
  host.prefs = &prefs;
  host.execButton = [&](const std::string& b) { buttons.push_back(b); };
  host.osd = [&](const std::string& t) { osd.push_back(t); };
  host.click = [&] { ++clicks; };
  TWinIRC client(host);
  EXPECT_FALSE(client.ServerRunning());
  ASSERT_TRUE(client.StartServer());
  EXPECT_TRUE(client.StartServer()) << "a second start while it runs starts nothing";
  client.SetEnabled(true);
  ASSERT_TRUE(zvtest::PumpUntil([&] { return client.State() == TWinIRC::TState::Connected; }, 10s));
  EXPECT_EQ(osd, (std::vector<std::string>{"WinLIRC: connected"}));

  // Play, pause, and a held button whose first repeats are skipped.
  ASSERT_TRUE(lircd.Press("PLAY", 1, 0));
  ASSERT_TRUE(lircd.Press("PAUSE", 2, 0));
  for (int r = 0; r < 5; ++r)
    ASSERT_TRUE(lircd.Press("VOLUP", 3, r));
  const std::vector<std::string> want{"PLAY", "PAUSE", "VOLUP", "VOLUP", "VOLUP"};
  EXPECT_TRUE(zvtest::PumpUntil([&] { return buttons.size() >= want.size(); }, 10s));
  EXPECT_EQ(buttons, want);
  EXPECT_EQ(clicks, 5);

  // The daemon ends and starts again: the client is idle meanwhile and connects again by itself.
  client.StopServer();
  EXPECT_TRUE(zvtest::PumpUntil([&] { return client.State() == TWinIRC::TState::Idle; }, 10s));
  ASSERT_TRUE(client.StartServer());
  EXPECT_TRUE(zvtest::PumpUntil([&] { return client.State() == TWinIRC::TState::Connected; }, 10s));
  ASSERT_TRUE(lircd.Press("PLAY", 1, 0));
  EXPECT_TRUE(zvtest::PumpUntil([&] { return buttons.size() == want.size() + 1; }, 10s));

  // Disabled, it lets go of the connection.
  client.SetEnabled(false);
  EXPECT_EQ(client.State(), TWinIRC::TState::Idle);
  client.StopServer();
  EXPECT_FALSE(zvtest::PumpUntil([&] { return client.ServerRunning(); }, 300ms));
  SetLanguageManager(nullptr);
}
