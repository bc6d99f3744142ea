// The associations as the desktop sees them: mimeapps.list edited line by line, the desktop entry
// checked by desktop-file-validate and the defaults read back by xdg-mime, all under a home folder
// of the test's own.
#include "platform/desktop_types.h"
#include "prefs/assoc_store.h"
#include "prefs/xml_tree.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zv {
namespace {

namespace fs = std::filesystem;

TEST(MimeAppsList, ChangesOnlyTheLineOfTheTypeAndKeepsEveryOtherByte) {
  struct {
    const char* before;
    bool set; // else remove
    const char* after;
  } cases[] = {
      {"", true, "[Default Applications]\nv/x=z;\n"},
      {"[Default Applications]\r\nv/x = o;\r\ntext/plain=g\r\n", true,
       "[Default Applications]\r\nv/x=z;\r\ntext/plain=g\r\n"},
      {"# mine\n[Added Associations]\nv/x=o;", true,
       "# mine\n[Added Associations]\nv/x=o;\n[Default Applications]\nv/x=z;\n"},
      {"[Added Associations]\nv/x=o;\n", true, "[Added Associations]\nv/x=o;\n\n[Default Applications]\nv/x=z;\n"},
      {"[Default Applications]\na=1\n\n[Other]\nb=2\n", true, "[Default Applications]\na=1\nv/x=z;\n\n[Other]\nb=2\n"},
      {"[Default Applications]\na=1", true, "[Default Applications]\na=1\nv/x=z;\n"},
      {"[Default Applications]\na=1\n[Default Applications]\nv/x=o\n", true,
       "[Default Applications]\na=1\nv/x=z;\n[Default Applications]\nv/x=o\n"},
      {"x\n[Default Applications]\nv/x=o;\n\tkeep\n", false, "x\n[Default Applications]\n\tkeep\n"},
      {"[Default Applications]\nv/x=o;", false, "[Default Applications]\n"},
      {"[Other]\nv/x=o;\n", false, "[Other]\nv/x=o;\n"},
  };
  for (const auto& c : cases) {
    TMimeAppsList list(c.before);
    if (c.set)
      list.SetDefault("v/x", "z;");
    else
      list.RemoveDefault("v/x");
    EXPECT_EQ(list.Text(), c.after) << c.before;
  }
  TMimeAppsList list("[Added Associations]\nv/x=o;\n[Default Applications]\nv/x= a.desktop;b.desktop;\n");
  EXPECT_EQ(list.Default("v/x").value_or("<none>"), "a.desktop;b.desktop;");
  EXPECT_EQ(FirstDesktopId(*list.Default("v/x")), "a.desktop");
  EXPECT_FALSE(list.Default("v/y"));
}

TEST(MimeAppsList, ExecArgumentsAreQuotedAsTheDesktopExpects) {
  const char* cases[][2] = {{"/usr/bin/zelvar-player", "/usr/bin/zelvar-player"},
                            {"/opt/My Player/zv", "\"/opt/My Player/zv\""},
                            {"/a\"b$c`d", "\"/a\\\\\"b\\\\$c\\\\`d\""},
                            {"/x\\y", "\"/x\\\\\\\\y\""},
                            {"/100%/zv", "/100%%/zv"},
                            {"", "\"\""}};
  for (const auto& c : cases)
    EXPECT_EQ(DesktopExecArg(c[0]), c[1]) << c[0];
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a desktop tool with the test's home; its standard output, trimmed.
std::string RunTool(const QString& tool, const QStringList& args, const fs::path& home, int* exitCode = nullptr) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", QString::fromStdString(home.string()));
  for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "XDG_CONFIG_DIRS"})
    env.remove(v);
  p.setProcessEnvironment(env);
  p.start(tool, args);
  EXPECT_TRUE(p.waitForFinished(20000)) << tool.toStdString();
  if (exitCode)
    *exitCode = p.exitCode();
  return (p.readAllStandardOutput() + p.readAllStandardError()).trimmed().toStdString();
}

TEST(DesktopFileTypes, TheDesktopOpensTheTypesWithThePlayerAndThePreviousProgramAgainAfterRemoval) {
  for (const char* tool : {"xdg-mime", "desktop-file-validate", "update-desktop-database", "update-mime-database"})
    ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is installed by scripts/install-deps.sh";
  fs::path home = fs::temp_directory_path() / ("zv-desktop-" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home / ".local/share/applications");
  fs::create_directories(home / ".config");
  std::ofstream(home / ".local/share/applications/other.desktop")
      << "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %F\nMimeType=video/x-msvideo;video/mpeg;\n";
  const std::string original = "# my own\n[Added Associations]\nvideo/x-msvideo=other.desktop;\n\n"
                               "[Default Applications]\nvideo/x-msvideo=other.desktop;\ntext/plain=gedit.desktop\n";
  std::ofstream(home / ".config/mimeapps.list") << original;

  // The desktop's tools run by the program see the same home.
  std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", home.c_str(), 1);
  struct TRestore {
    std::string home;
    ~TRestore() { ::setenv("HOME", home.c_str(), 1); }
  } restore{oldHome};
  TDesktopPaths paths = DesktopPathsFromEnvironment();
  ASSERT_EQ(paths.configHome, home.string() + "/.config/");
  // A program xdg-mime finds (it reads the Exec line up to the first blank, quotes or not).
  const std::string exe = (home / "bin" / "zelvar-player").string();
  fs::create_directories(home / "bin");
  std::ofstream(exe) << "#!/bin/sh\n";
  fs::permissions(exe, fs::perms::owner_all);

  TXMLTree doc;
  doc.LoadFromString("<FileTypes Icons=\"\"><EXT id=\"ZVP\" type=\"P\" desc=\"Zelvar Playlist\"/>"
                     "<EXT id=\"AVI\" type=\"V\" desc=\"Audio-Video Interleaved\"/><EXT id=\"MPG\" type=\"V\"/>"
                     "<EXT id=\"MPEG\" type=\"V\"/><EXT id=\"IFO\" type=\"P\"/></FileTypes>");
  TMemoryAssocStore store;
  TDesktopFileTypes shell(store, paths, exe, [] { return std::string("\x89PNG\r\n\x1a\n", 8); });
  TExplorerIntegrator types(doc.Root(), {&store, exe, home.string() + "/bin/", &shell});
  for (const char* t : {"ZVP", "AVI", "MPG"})
    types.Associate(t, true);
  types.SetDVDAssociation(true);
  types.NotifyShell();

  for (const char* mime : {"video/x-msvideo", "application/x-zelvar-playlist", "video/mpeg", "x-content/video-dvd"})
    EXPECT_EQ(RunTool("xdg-mime", {"query", "default", mime}, home), "zelvar.desktop") << mime;
  int rc = -1;
  std::string complaints =
      RunTool("desktop-file-validate", {QString::fromStdString(shell.DesktopFilePath())}, home, &rc);
  EXPECT_EQ(rc, 0) << complaints;
  EXPECT_EQ(complaints, "");
  std::string entry = ReadAll(shell.DesktopFilePath());
  EXPECT_NE(entry.find("\nExec=" + exe + " %F\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("[Desktop Action Enqueue]\nName=Enqueue in Zelvar\nExec=" + exe + " /ADD %F"), std::string::npos)
      << entry;
  EXPECT_NE(ReadAll(home / ".local/share/mime/globs2").find("application/x-zelvar-playlist:*.zvp"), std::string::npos)
      << "the playlist type reaches the desktop's MIME cache";
  EXPECT_EQ(ReadAll(home / ".local/share/zelvar/zelvar.png").substr(0, 4), "\x89PNG");

  // The user makes another program the default of MPEG meanwhile: that choice stays theirs.
  {
    TMimeAppsList list(ReadAll(home / ".config/mimeapps.list"));
    list.SetDefault("video/mpeg", "other.desktop;");
    std::ofstream(home / ".config/mimeapps.list", std::ios::trunc) << list.Text();
  }
  for (const char* t : {"ZVP", "AVI", "MPG"})
    types.Associate(t, false);
  types.SetDVDAssociation(false);
  types.NotifyShell();
  EXPECT_EQ(RunTool("xdg-mime", {"query", "default", "video/x-msvideo"}, home), "other.desktop");
  EXPECT_EQ(ReadAll(home / ".config/mimeapps.list"), original + "video/mpeg=other.desktop;\n");
  EXPECT_FALSE(fs::exists(shell.DesktopFilePath())) << "nothing is associated: our entry goes";
  EXPECT_FALSE(fs::exists(home / ".local/share/mime/packages/zelvar.xml"));
  EXPECT_TRUE(fs::exists(home / ".local/share/applications/other.desktop"));
  EXPECT_FALSE(store.KeyExists("\\MimeDefaults\\video/x-msvideo"));
  fs::remove_all(home);
}

} // namespace
} // namespace zv
