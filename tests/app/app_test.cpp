#include "../engine/media_helpers.h"
#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <sys/stat.h>

namespace {
const std::string kBinary = ZV_BINARY;

// A run that leaves as soon as it is ready, in a program folder and runtime folder of its own.
struct Run : ::testing::Test {
  zvtest::TempDir home;
  std::vector<std::string> Env() const {
    return {"ZELVAR_HOME=" + home.str(), "XDG_RUNTIME_DIR=" + home.file("run"), "XDG_CONFIG_HOME=" + home.file("cfg"),
            "QT_QPA_PLATFORM=offscreen", "ZELVAR_QUIT_AFTER_START=1"};
  }
};

std::vector<std::string> LogBodies(const std::string& log) {
  std::vector<std::string> lines;
  std::regex stamp(R"(^\[\d{3}:\d\d,\d{4}\])");
  size_t i = 0;
  std::string prev;
  while (i < log.size()) {
    size_t j = log.find("\r\n", i);
    EXPECT_NE(j, std::string::npos);
    if (j == std::string::npos)
      break;
    std::string line = log.substr(i, j - i);
    EXPECT_TRUE(std::regex_search(line, stamp)) << line;
    EXPECT_GE(line.substr(0, 13), prev) << "time stamps never go back";
    prev = line.substr(0, 13);
    lines.push_back(line.substr(13));
    i = j + 2;
  }
  return lines;
}
} // namespace

TEST(App, VersionAndHelpPrintAndExit) {
  for (const char* sw : {"--version", "-version", "/VERSION", "--Version"}) {
    auto r = zvtest::RunProgram({kBinary, sw});
    EXPECT_EQ(r.exitCode, 0) << sw;
    EXPECT_EQ(r.out, "Zelvar 4.4 (build 5750)\n") << sw;
  }
  auto h = zvtest::RunProgram({kBinary, "--help"});
  EXPECT_EQ(h.exitCode, 0);
  EXPECT_NE(h.out.find("Usage: zelvar"), std::string::npos);
  EXPECT_NE(h.out.find("/SKIN=path"), std::string::npos);
  // Switches the program does not act on yet are not advertised.
  for (const char* later : {"/FULLSCREEN", "/ZOOM", "/RATIO"})
    EXPECT_EQ(h.out.find(later), std::string::npos) << later;
}

TEST_F(Run, NoLogUnlessTheFileExistsAndAFileNamedLikeASwitchIsAFile) {
  // "/version.avi" is not the switch "version": its name differs.
  auto r = zvtest::RunProgram({kBinary, "/version.avi"}, Env());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("Zelvar 4.4"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home.file("ZV.log")));
  EXPECT_TRUE(std::filesystem::exists(home.file("ZV.xml")));
}

TEST_F(Run, SessionLogOfAWholeRun) {
  zvtest::WriteFile(home.file("ZV.log"), "stale");
  auto r = zvtest::RunProgram({kBinary, "my film.avi", "it's \"quoted\" file.mp3"}, Env());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string log = zvtest::ReadFile(home.file("ZV.log"));
  EXPECT_EQ(log.find("stale"), std::string::npos);
  std::vector<std::string> lines = LogBodies(log);
  ASSERT_GE(lines.size(), 30u);
  EXPECT_EQ(lines[0], "= Session Start =");
  EXPECT_EQ(lines[1], "+SysInfo");
  EXPECT_TRUE(lines[2].starts_with("    CPU x")) << lines[2];
  EXPECT_TRUE(lines[3].starts_with("    RAM ")) << lines[3];
  EXPECT_TRUE(lines[4].starts_with("    Linux ")) << lines[4];
  EXPECT_EQ(lines[6], "    MicroFreq = 10000000");
  EXPECT_TRUE(lines[7].starts_with("    Screen Resolution: ")) << lines[7];
  EXPECT_TRUE(lines[8].starts_with("    Monitor count: ")) << lines[8];
  EXPECT_EQ(lines[9], "-SysInfo");
  EXPECT_EQ(lines[10], "+Core.Create");
  EXPECT_EQ(lines[11], "   System.CmdLine=" + kBinary + " \"my film.avi\" \"it's \"quoted\" file.mp3\"");
  EXPECT_EQ(lines[12], "   === Zelvar 4.4 (build 5750) ===");
  // The milestones of the program's life, in order, and balanced operations.
  std::vector<std::string> milestones;
  int depth = 0;
  for (const std::string& l : lines) {
    if (l.starts_with("==="))
      milestones.push_back(l);
    std::string t = l.substr(l.find_first_not_of(' '));
    if (t.starts_with("+"))
      ++depth;
    if (t.starts_with("-"))
      --depth;
    EXPECT_GE(depth, 0) << l;
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(milestones, (std::vector<std::string>{"=== Application has been shown", "=== Application is responsible",
                                                  "=== Application has been hidden"}));
  EXPECT_TRUE(lines[lines.size() - 2].starts_with("Memory Leak Guard - Count:"));
  EXPECT_EQ(log.find("Not freed entity"), std::string::npos) << "every model is unregistered";
  EXPECT_EQ(lines.back(), "= Session End =");
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_NE(log.find("PlayList.AddFile(" + cwd + "/my film.avi)"), std::string::npos);
  EXPECT_NE(log.find("PlayList.AddFile(" + cwd + "/it's \"quoted\" file.mp3)"), std::string::npos)
      << "one entry, whole";
}

// "/INSTALL" makes the desktop open the usual types with the program, "/UNINSTALL" gives them back
// to the program that had them; neither run writes preferences.
TEST_F(Run, InstallAndUninstallAssociateTheTypesAndLeaveWithoutWritingPreferences) {
  std::vector<std::string> env = Env();
  for (std::string v : {"HOME=" + home.str(), std::string("-XDG_DATA_HOME"), std::string("-XDG_CURRENT_DESKTOP"),
                        std::string("-XDG_CONFIG_DIRS")})
    env.push_back(v);
  std::filesystem::create_directories(home.file(".local/share/applications"));
  std::filesystem::create_directories(home.file("cfg"));
  zvtest::WriteFile(home.file(".local/share/applications/other.desktop"),
                    "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %F\n");
  const std::string mimeapps = "[Default Applications]\nvideo/x-msvideo=other.desktop;\n";
  zvtest::WriteFile(home.file("cfg/mimeapps.list"), mimeapps);
  auto query = [&](const char* mime) {
    return zvtest::RunProgram({"/usr/bin/xdg-mime", "query", "default", mime}, env).out;
  };
  auto install = zvtest::RunProgram({kBinary, "/INSTALL"}, env);
  EXPECT_EQ(install.exitCode, 0) << install.err;
  EXPECT_EQ(query("video/x-msvideo"), "zelvar.desktop\n");
  EXPECT_EQ(query("audio/x-matroska"), "zelvar.desktop\n");
  EXPECT_NE(query("audio/x-wav"), "zelvar.desktop\n") << "not among the types /INSTALL takes";
  auto valid = zvtest::RunProgram(
      {"/usr/bin/desktop-file-validate", home.file(".local/share/applications/zelvar.desktop")}, env);
  EXPECT_EQ(valid.exitCode, 0) << valid.out << valid.err;
  EXPECT_TRUE(std::filesystem::exists(home.file("cfg/Zelvar/Associations.xml")));
  auto uninstall = zvtest::RunProgram({kBinary, "/uninstall"}, env);
  EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err;
  EXPECT_EQ(query("video/x-msvideo"), "other.desktop\n");
  EXPECT_EQ(zvtest::ReadFile(home.file("cfg/mimeapps.list")), mimeapps);
  EXPECT_FALSE(std::filesystem::exists(home.file(".local/share/applications/zelvar.desktop")));
  for (const char* sw : {"/INFO", "/info"}) {
    auto r = zvtest::RunProgram({kBinary, sw, "a.avi"}, Env());
    EXPECT_EQ(r.exitCode, 0) << sw << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(home.file("ZV.xml")));
}

TEST_F(Run, InfoWithoutADisplayPrintsTheReportWithoutTheUserInterface) {
  std::vector<std::string> env = Env();
  env.erase(std::remove(env.begin(), env.end(), "QT_QPA_PLATFORM=offscreen"), env.end());
  for (const char* v : {"-QT_QPA_PLATFORM", "-DISPLAY", "-WAYLAND_DISPLAY"})
    env.push_back(v);
  // The loader names every library it loads: the toolkit's are not among them for a file the
  // program's own readers know.
  env.push_back("LD_DEBUG=files");
  auto mp3 = zvtest::RunProgram({kBinary, "/INFO", zvtest::Media("mediainfo/tags_v24.mp3")}, env);
  EXPECT_EQ(mp3.exitCode, 0);
  EXPECT_NE(mp3.out.find("Title: Café Ñandú"), std::string::npos) << mp3.out;
  EXPECT_EQ(mp3.err.find("libQt6"), std::string::npos) << "the user interface was loaded";
  EXPECT_EQ(mp3.err.find("libgstreamer"), std::string::npos);
  // A format only the media detector knows is described by the player.
  env.pop_back();
  auto mkv = zvtest::RunProgram({kBinary, "/INFO", zvtest::Media("theora_vorbis.mkv")}, env);
  EXPECT_EQ(mkv.exitCode, 0);
  EXPECT_NE(mkv.out.find("File format: Matroska"), std::string::npos) << mkv.out << mkv.err;
  EXPECT_FALSE(std::filesystem::exists(home.file("ZV.xml"))) << "nothing is saved";
}

TEST_F(Run, WithoutADisplayTheOffscreenPlatformIsChosen) {
  std::vector<std::string> env = Env();
  env.erase(std::remove(env.begin(), env.end(), "QT_QPA_PLATFORM=offscreen"), env.end());
  env.push_back("-QT_QPA_PLATFORM");
  env.push_back("-DISPLAY");
  env.push_back("-WAYLAND_DISPLAY");
  auto r = zvtest::RunProgram({kBinary}, env);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(home.file("ZV.xml")));
}

TEST_F(Run, AProgramFolderThatCannotBeWrittenKeepsPreferencesInTheUsersFolder) {
  std::vector<std::string> env = Env();
  env[0] = "ZELVAR_HOME=/proc"; // no one can create files there
  auto r = zvtest::RunProgram({kBinary}, env);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(home.file("cfg/Zelvar/ZV.xml")));
  EXPECT_TRUE(std::filesystem::exists(home.file("cfg/Zelvar/mc.xml")));
}

TEST_F(Run, PreferenceFilesTheProgramMustNotReplace) {
  // A preference file that is read-only, or that cannot be read (a FIFO here, which even root
  // cannot read as a file), stays as it is; a save killed earlier leaves nothing behind.
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
  };
  const Case cases[] = {
      {"read-only",
       [](const std::string& p) {
         zvtest::WriteFile(p, "<APP><FrontEnd Skin=\"mine\"/></APP>");
         ::chmod(p.c_str(), 0444);
       }},
      {"unreadable", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); }},
  };
  for (const Case& c : cases) {
    zvtest::TempDir h;
    std::string prefs = h.file("ZV.xml");
    c.make(prefs);
    struct stat before {};
    ::lstat(prefs.c_str(), &before);
    std::string content = S_ISREG(before.st_mode) ? zvtest::ReadFile(prefs) : "";
    zvtest::WriteFile(h.file(".ZV.xml.AbC123"), "<APP"); // a save that was killed
    zvtest::WriteFile(h.file("ZV.log"), "");
    std::vector<std::string> env = Env();
    env[0] = "ZELVAR_HOME=" + h.str();
    auto r = zvtest::RunProgram({kBinary}, env);
    EXPECT_EQ(r.exitCode, 0) << c.name << r.err;
    struct stat after {};
    ::lstat(prefs.c_str(), &after);
    EXPECT_EQ(after.st_mode, before.st_mode) << c.name;
    EXPECT_EQ(after.st_ino, before.st_ino) << c.name << ": the file was replaced";
    if (S_ISREG(after.st_mode)) {
      EXPECT_EQ(zvtest::ReadFile(prefs), content) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(h.file(".ZV.xml.AbC123"))) << c.name;
    std::string log = zvtest::ReadFile(h.file("ZV.log"));
    EXPECT_NE(log.find("!TCore.SavePrefs: Not replacing"), std::string::npos) << c.name << log;
  }
}
