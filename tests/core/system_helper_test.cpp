#include "core/system_helper.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace zv;

namespace {
constexpr int64_t kSecond = 10'000'000;

// Sets an environment variable for the life of the object.
class EnvVar {
public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvVar() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

class RecordingPower : public IPowerControl {
public:
  bool Hibernate() override {
    calls.push_back("hibernate");
    return true;
  }
  bool PowerOff() override {
    calls.push_back("poweroff");
    return true;
  }
  void SetMonitorPower(bool on) override { calls.push_back(on ? "monitor on" : "monitor off"); }
  void SetMonitorPowerLater(bool on, int delayMs) override {
    calls.push_back(std::string(on ? "later on " : "later off ") + std::to_string(delayMs));
  }
  std::vector<std::string> calls;
};
} // namespace

TEST(FormatTime, Placeholders) {
  EXPECT_EQ(FormatTime("{m}:{S}", 30 * kSecond), "0:30");
  EXPECT_EQ(FormatTime("{H}:{M}:{S}", 36'615'000'000), "1:01:01");
  EXPECT_EQ(FormatTime("{m}:{S}", 75 * kSecond), "1:15");
  EXPECT_EQ(FormatTime("{m}", 65 * 60 * kSecond), "5"); // minutes within the hour only
  EXPECT_EQ(FormatTime("{H}:{M}:{S}.{MS}", 30 * 3600 * kSecond + 12'345'0000), "30:00:12.345");
  EXPECT_EQ(FormatTime("{H}:{M}:{S}", 0), "0:00:00");
  EXPECT_EQ(FormatTime("{MS}", 9999), "000"); // below a millisecond
  EXPECT_EQ(FormatTime("{MS}", 10'000), "001");
  // Case-sensitive: "{h}" is left alone; repeated placeholders are all replaced.
  EXPECT_EQ(FormatTime("{h} {H}{H}", 7200 * kSecond), "{h} 22");
  EXPECT_EQ(FormatTime("no placeholders", 5), "no placeholders");
  EXPECT_EQ(FormatTime("{H}:{M}:{S}", -1), "0:00:00");
  EXPECT_EQ(FormatTime("{H}:{M}:{S}", -61 * kSecond), "0:-01:-01");
  // The largest duration does not overflow.
  EXPECT_EQ(FormatTime("{H}", INT64_MAX), "256204778");
}

TEST(Points, TextForm) {
  EXPECT_EQ(PointToStr({12, -3}), "12,-3");
  EXPECT_EQ(StrToPoint("12"), (TPoint{12, 0}));
  EXPECT_EQ(StrToPoint("a,5"), (TPoint{0, 0}));
  EXPECT_EQ(StrToPoint("5,a"), (TPoint{5, 0}));
  EXPECT_EQ(StrToPoint("450,372"), (TPoint{450, 372}));
  EXPECT_EQ(StrToPoint("1,2,3"), (TPoint{1, 0})); // the rest after the comma is not an integer
  EXPECT_EQ(StrToPoint(""), (TPoint{0, 0}));
  EXPECT_EQ(StrToPoint(","), (TPoint{0, 0}));
  EXPECT_EQ(StrToPoint("-7,-8"), (TPoint{-7, -8}));
  EXPECT_EQ(StrToPoint("1," + std::string(300, '9')), (TPoint{1, 0}));
  EXPECT_EQ(StrToPoint(PointToStr({100, 200})), (TPoint{100, 200}));
  EXPECT_EQ(JoinInts(',', {1, -2, 30}), "1,-2,30");
  EXPECT_EQ(JoinInts(';', {}), "");
}

TEST(NumberField, FieldsOfDigits) {
  EXPECT_EQ(NumberField("10,20,,40", 3), 40);
  EXPECT_EQ(NumberField("10,20,,40", 2), 0);
  EXPECT_EQ(NumberField("10,20,,40", 0), 10);
  EXPECT_EQ(NumberField("10,20,,40", 4), 0); // beyond the end
  EXPECT_EQ(NumberField("6.1.0-18-amd64", 1), 1);
  EXPECT_EQ(NumberField("6.1.0-18-amd64", 3), 18);
  EXPECT_EQ(NumberField("", 0), 0);
  EXPECT_EQ(NumberField("7,", 1), 0);
}

TEST(SystemHelper, FoldersFollowTheXdgVariables) {
  EnvVar home("HOME", "/home/tester");
  {
    EnvVar cfg("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(TSystemHelper::UserAppDataDir(), "/tmp/cfg/");
  }
  {
    EnvVar cfg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(TSystemHelper::UserAppDataDir(), "/home/tester/.config/");
  }
  {
    EnvVar cfg("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(TSystemHelper::UserAppDataDir(), "/home/tester/.config/");
  }
  {
    EnvVar dirs("XDG_CONFIG_DIRS", "/opt/xdg:/etc/xdg");
    EXPECT_EQ(TSystemHelper::CommonAppDataDir(), "/opt/xdg/");
  }
  {
    EnvVar dirs("XDG_CONFIG_DIRS", nullptr);
    EXPECT_EQ(TSystemHelper::CommonAppDataDir(), "/etc/xdg/");
  }
  {
    EnvVar tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(TSystemHelper::TempDir(), "/var/tmp/");
  }
  EXPECT_EQ(TSystemHelper::SystemDir().back(), '/');
  EXPECT_TRUE(TSystemHelper::IsNT());
}

TEST(SystemHelper, DocumentsFolderFromUserDirs) {
  zvtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "cfg");
  std::filesystem::create_directories(dir.path() / "Dokumente");
  zvtest::WriteFile(dir.file("cfg/user-dirs.dirs"), "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EnvVar home("HOME", dir.str().c_str());
  EnvVar cfg("XDG_CONFIG_HOME", dir.file("cfg").c_str());
  EXPECT_EQ(TSystemHelper::MyDocumentsDir(), dir.file("Dokumente") + "/");
  // Without the entry the home folder stands in.
  zvtest::WriteFile(dir.file("cfg/user-dirs.dirs"), "");
  EXPECT_EQ(TSystemHelper::MyDocumentsDir(), dir.str() + "/");
}

TEST(SystemHelper, FileChecks) {
  zvtest::TempDir dir;
  std::string f = dir.file("a.avi");
  zvtest::WriteFile(f, "x");
  EXPECT_TRUE(TSystemHelper::CanOpenFile(f));
  EXPECT_FALSE(TSystemHelper::CanOpenFile(dir.file("none")));
  EXPECT_FALSE(TSystemHelper::CanOpenFile(dir.str())); // a folder is not a file
  std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(TSystemHelper::CanOpenFile(fifo));
  EXPECT_EQ(TSystemHelper::TrueFileName(dir.str() + "/x/../a.avi"), f);
  EXPECT_EQ(TSystemHelper::TrueFileName("/a/./b//c"), "/a/b/c");
  EXPECT_TRUE(TSystemHelper::TrueFileName("rel.avi").starts_with("/"));
  EXPECT_EQ(TSystemHelper::TrueFileName(""), "");
}

TEST(SystemHelper, MonitorAndPowerGoThroughTheInterface) {
  auto power = std::make_shared<RecordingPower>();
  TSystemHelper sys(power);
  EXPECT_FALSE(sys.NextMonitorState()); // the first delayed switch turns the monitor off
  sys.MonitorPowerLater();
  EXPECT_TRUE(sys.NextMonitorState());
  sys.MonitorPowerLater();
  sys.MonitorPower(false);
  EXPECT_TRUE(sys.NextMonitorState());
  EXPECT_TRUE(sys.PowerOff());
  EXPECT_TRUE(sys.Hibernate());
  EXPECT_EQ(power->calls,
            (std::vector<std::string>{"later off 600", "later on 600", "monitor off", "poweroff", "hibernate"}));
}

TEST(SystemHelper, TheDefaultPowerControlDoesNothing) {
  TSystemHelper sys;
  EXPECT_FALSE(sys.PowerOff());
  EXPECT_FALSE(sys.Hibernate());
}
