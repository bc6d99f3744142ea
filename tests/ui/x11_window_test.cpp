// The main window on a real X server with a real window manager: Xvfb and openbox are started
// for this process, the window talks to them through Qt's xcb platform, and the window manager's
// view of it is read back with xprop. The display modes go through the server's RandR.
#include "map_prefs.h"
#include "platform/display_modes.h"
#include "platform/screen_saver.h"
#include "qt_test_util.h"
#include "ui/alert.h"
#include "ui/config_dialog.h"
#include "ui/main_window.h"
#include "ui/popup_menu.h"
#include "ui/video_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace zv;

namespace {

// _NET_WM_STATE as the window manager has set it.
std::string WmState(const QWidget& w) {
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(w.winId()), "_NET_WM_STATE"});
  if (!xprop.waitForFinished(5000))
    return "xprop did not answer";
  return xprop.readAllStandardOutput().toStdString();
}

bool WaitForState(const QWidget& w, const char* atom, bool present) {
  return zvtest::PumpUntil([&] { return (WmState(w).find(atom) != std::string::npos) == present; },
                           std::chrono::seconds(5));
}

struct X11Window : ::testing::Test {
  zvtest::MapPrefs prefs;
  std::unique_ptr<TfrMain> window;
  void SetUp() override {
    window = std::make_unique<TfrMain>();
    TMainContext ctx;
    ctx.prefs = &prefs;
    window->SetContext(ctx);
    window->ApplySkin(" <XP.Blue> ");
    window->resize(500, 380);
    window->move(100, 80);
    window->show();
    ASSERT_TRUE(
        zvtest::PumpUntil([&] { return window->isVisible() && WmState(*window).find("xprop") == std::string::npos; }));
    // The window manager has mapped it. One that has just started may drop the first request:
    // the window asks again.
    const auto viewable = [&] {
      QProcess info;
      info.start("xwininfo", {"-id", QString::number(window->winId())});
      info.waitForFinished(2000);
      return info.readAllStandardOutput().contains("IsViewable");
    };
    bool mapped = false;
    for (int i = 0; i < 5 && !mapped; ++i) {
      mapped = zvtest::PumpUntil(viewable, std::chrono::seconds(2));
      if (!mapped) {
        window->hide();
        zvtest::PumpFor(std::chrono::milliseconds(100));
        window->show();
      }
    }
    ASSERT_TRUE(mapped) << "the window manager never mapped the window";
    zvtest::PumpFor(std::chrono::milliseconds(200)); // and placed it
  }
  // Moves the pointer onto the picture until the window has seen it arrive there (the window
  // manager may still be placing the window).
  bool PointAtPicture() {
    for (int i = 0; i < 10; ++i) {
      // From outside the window, so that it sees the pointer enter.
      QProcess::execute("xdotool", {"mousemove", "0", "0"});
      zvtest::PumpFor(std::chrono::milliseconds(50));
      const QPoint at = window->Panel()->mapToGlobal(window->Panel()->rect().center());
      QProcess::execute("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())});
      if (zvtest::PumpUntil([&] { return window->Panel()->underMouse(); }, std::chrono::seconds(1)))
        return true;
    }
    return false;
  }
};

TEST_F(X11Window, FullScreenAndStayOnTopReachTheWindowManager) {
  const QRect before = window->geometry();
  window->ToggleFullScreen();
  ASSERT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", true)) << WmState(*window);
  const QRect screen = window->screen()->geometry();
  EXPECT_TRUE(zvtest::PumpUntil([&] { return window->geometry() == screen; }))
      << window->geometry().width() << "x" << window->geometry().height();
  // In full screen the window stays above the others (Video.StayOnTopInFullScreenMode, on by default).
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_ABOVE", true)) << WmState(*window);
  window->ToggleFullScreen();
  ASSERT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", false)) << WmState(*window);
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_ABOVE", false)) << WmState(*window);
  EXPECT_TRUE(zvtest::PumpUntil([&] { return window->geometry().size() == before.size(); }))
      << window->geometry().width() << "x" << window->geometry().height();

  // In, out and in again at once (a double press and one more): the window ends in full screen.
  window->ToggleFullScreen();
  window->ToggleFullScreen();
  window->ToggleFullScreen();
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", true)) << WmState(*window);
  EXPECT_TRUE(zvtest::PumpUntil([&] { return window->geometry() == screen; }, std::chrono::seconds(3)))
      << window->geometry().width() << "x" << window->geometry().height() << [&] {
           QProcess p;
           p.start("xwininfo", {"-id", QString::number(window->winId())});
           p.waitForFinished(2000);
           return p.readAllStandardOutput().toStdString();
         }();
  window->ToggleFullScreen();
  ASSERT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", false)) << WmState(*window);
  EXPECT_TRUE(zvtest::PumpUntil([&] { return window->geometry().size() == before.size(); }))
      << window->geometry().width() << "x" << window->geometry().height();

  // The stay-on-top button, through the native window's flag: the window is never re-created.
  const WId id = window->winId();
  window->ToggleStayOnTop();
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_ABOVE", true)) << WmState(*window);
  EXPECT_EQ(window->winId(), id);
  window->ToggleStayOnTop();
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_ABOVE", false)) << WmState(*window);
}

TEST_F(X11Window, ADoubleClickOnThePictureEntersFullScreenAndTheWheelReachesTheWindow) {
  prefs.SetString("Mouse.LeftDbl", "1");
  std::vector<int> commands;
  window->executeCommand = [&](int code) {
    commands.push_back(code);
    if (code == 202)
      window->ToggleFullScreen();
  };
  ASSERT_TRUE(PointAtPicture());
  QProcess::execute("xdotool", {"click", "--repeat", "2", "--delay", "80", "1"});
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", true)) << WmState(*window);
  // Button 5 is the wheel turned down: the default function lowers the volume.
  QProcess::execute("xdotool", {"click", "5"});
  EXPECT_TRUE(zvtest::PumpUntil([&] { return std::count(commands.begin(), commands.end(), 402) == 1; },
                                std::chrono::seconds(5)));
  window->ToggleFullScreen();
  EXPECT_TRUE(WaitForState(*window, "_NET_WM_STATE_FULLSCREEN", false));
}

TEST_F(X11Window, TheRightButtonTogglesThePanelOrOpensTheMenuWhoseItemRunsAfterItCloses) {
  std::vector<int> commands;
  window->executeCommand = [&](int code) { commands.push_back(code); };
  ASSERT_TRUE(PointAtPicture());
  const auto rightClick = [&] { QProcess::execute("xdotool", {"click", "3"}); };
  // Mouse.Right 0, the default: the control panel's command on the press, no menu.
  rightClick();
  EXPECT_TRUE(zvtest::PumpUntil([&] { return commands == std::vector<int>{200}; }, std::chrono::seconds(5)))
      << commands.size() << " " << (commands.empty() ? 0 : commands[0]);
  EXPECT_FALSE(window->Menu()->isVisible());
  // Mouse.Right 1: the menu on the release; the keyboard picks its first item (Open), which runs
  // once the menu has gone.
  prefs.SetString("Mouse.Right", "1");
  commands.clear();
  rightClick();
  ASSERT_TRUE(zvtest::PumpUntil([&] { return window->Menu()->isVisible(); }, std::chrono::seconds(5)));
  EXPECT_TRUE(commands.empty());
  QProcess::execute("xdotool", {"key", "Down", "Return"});
  EXPECT_TRUE(zvtest::PumpUntil([&] { return !commands.empty(); }, std::chrono::seconds(5)));
  EXPECT_FALSE(window->Menu()->isVisible());
  EXPECT_EQ(commands, std::vector<int>{50});
}

TEST_F(X11Window, DisplayModesComeFromRandrAndAMissingSizeKeepsTheCurrentOne) {
  TRandrDisplayModes modes;
  std::optional<TDisplayMode> current = modes.Current();
  ASSERT_TRUE(current.has_value());
  EXPECT_EQ(current->width, 1024);
  EXPECT_EQ(current->height, 700);
  EXPECT_EQ(current->depth, 24);
  std::vector<TDisplayMode> offered = modes.Modes();
  EXPECT_NE(std::find(offered.begin(), offered.end(), *current), offered.end());
  EXPECT_NE(modes.Apply(TDisplayMode{123, 45, 24, 60}), 0) << "a mode the server does not have";
  // Full screen with a size the server does not offer: the mode stays, and comes back unchanged.
  TDisplayModeSwitch change(modes);
  change.Enter(123, 45);
  EXPECT_EQ(modes.Current(), current);
  change.Leave();
  EXPECT_EQ(modes.Current(), current);
  EXPECT_FALSE(change.Saved().has_value());
}

TEST_F(X11Window, TheXServersScreenSaverIsSuspendedWithoutADesktopService) {
  // No session bus here: the X server's own suspension still holds the screen saver off.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
  TDesktopScreenSaver saver;
  EXPECT_TRUE(saver.Inhibit("Playing a video"));
  saver.UnInhibit();
}

// The message box asking to end the program tells its OK from Esc, pressed on the real server.
TEST(X11Alert, TheConfirmingAlertTellsOkFromEsc) {
  for (const char* key : {"Escape", "Return"}) {
    QTimer press;
    press.setInterval(200);
    QObject::connect(&press, &QTimer::timeout, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box || !box->isVisible())
        return;
      QProcess::execute("xdotool", {"windowactivate", QString::number(box->winId())}); // retried until answered
      QProcess::execute("xdotool", {"key", key});
    });
    press.start();
    const bool ok = ConfirmAlert("You have changed one or several options requiring restart of the program.");
    EXPECT_EQ(ok, std::string(key) == "Return") << key;
  }
}

// In full screen the preferences keep above everything while the program is active, and let go
// once the window has left full screen.
TEST(X11Alert, ThePreferencesStayOnTopWhileTheWindowIsInFullScreen) {
  zvtest::MapPrefs prefs;
  bool full = true;
  TConfigHost host;
  host.prefs = &prefs;
  host.fullScreen = [&] { return full; };
  TfrConfig dialog(host);
  dialog.show();
  // Asked again until the window manager has mapped the dialog and handed it the focus.
  const auto above = [&] {
    QProcess::execute("xdotool", {"windowactivate", QString::number(dialog.winId())});
    return WmState(dialog).find("_NET_WM_STATE_ABOVE") != std::string::npos;
  };
  EXPECT_TRUE(zvtest::PumpUntil(above, std::chrono::seconds(15))) << WmState(dialog);
  full = false;
  EXPECT_TRUE(WaitForState(dialog, "_NET_WM_STATE_ABOVE", false)) << WmState(dialog);
  dialog.reject();
}

} // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests))
    return RUN_ALL_TESTS();
  // An X server and a window manager of this process's own, stopped when it ends. The server
  // picks a free display itself and tells its number, so tests running side by side never share
  // or race for one.
  QProcess xvfb, openbox;
  xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x700x24", "-nolisten", "tcp"});
  if (!xvfb.waitForStarted(5000)) {
    std::fprintf(stderr, "Xvfb is not installed\n");
    return 1;
  }
  QString number;
  for (int i = 0; i < 100 && !number.endsWith('\n'); ++i)
    if (xvfb.waitForReadyRead(100))
      number += QString::fromUtf8(xvfb.readAllStandardOutput());
  const QString display = ":" + number.trimmed();
  if (number.trimmed().isEmpty()) {
    std::fprintf(stderr, "Xvfb did not say which display it took\n");
    return 1;
  }
  qputenv("DISPLAY", display.toUtf8());
  qputenv("QT_QPA_PLATFORM", "xcb");
  bool up = false;
  for (int i = 0; i < 100 && !up; ++i) {
    QProcess probe;
    probe.start("xdpyinfo", {"-display", display});
    up = probe.waitForFinished(2000) && probe.exitCode() == 0;
    if (!up)
      QThread::msleep(50);
  }
  if (!up) {
    std::fprintf(stderr, "Xvfb did not start on %s\n", display.toUtf8().constData());
    return 1;
  }
  openbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  openbox.start("openbox", {"--sm-disable"});
  if (!openbox.waitForStarted(5000)) {
    std::fprintf(stderr, "openbox is not installed\n");
    return 1;
  }
  int rc;
  {
    QApplication app(argc, argv);
    // The window manager owns the screen once it has set its check window.
    zvtest::PumpUntil(
        [] {
          QProcess p;
          p.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
          p.waitForFinished(2000);
          return p.readAllStandardOutput().contains("window id");
        },
        std::chrono::seconds(10));
    rc = RUN_ALL_TESTS();
  }
  openbox.terminate();
  openbox.waitForFinished(3000);
  xvfb.terminate();
  xvfb.waitForFinished(3000);
  return rc;
}
