#include "core/error.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(LanguageManager, FileFormat) {
  TLanguageManager m;
  m.LoadFromText("# comment\r\n"
                 "   ; another comment\n"
                 "  \t# indented comment\n"
                 "\n"
                 "no equals sign here\n"
                 "  Command.350=Load  \r\n"
                 "Error.BrokenAVI=This file is broken and opening may take long time.\\nOpen it?\n"
                 "Upper=Keeps \\N as it is\n"
                 "A=b=c\n"
                 "key = value\n"
                 "Last=no line feed");
  EXPECT_EQ(m.Get("Command.350"), "Load");
  EXPECT_EQ(m.Get("command.350"), "Load");
  EXPECT_EQ(m.Get("Error.BrokenAVI"), "This file is broken and opening may take long time.\r\nOpen it?");
  EXPECT_EQ(m.Get("Upper"), "Keeps \\N as it is");
  EXPECT_EQ(m.Get("A"), "b=c");
  EXPECT_EQ(m.Get("key "), " value");
  EXPECT_EQ(m.Get("Last"), "no line feed");
  EXPECT_FALSE(m.Has("key"));
  EXPECT_FALSE(m.Has("# comment"));
  EXPECT_EQ(m.Count(), 6u);
}

TEST(LanguageManager, MissingKeysAreRememberedWithTheirPlaceholder) {
  TLanguageManager m;
  EXPECT_EQ(m.Get("Config.Missing"), "<Config.Missing>");
  EXPECT_TRUE(m.Has("Config.Missing"));
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{"Config.Missing=<Config.Missing>"}));
}

TEST(LanguageManager, ReplacementIsCaseSensitiveAndLookupIsNot) {
  TLanguageManager m;
  m.Set("Command.350=Load");
  m.Set("Command.350=Open"); // the same spelling replaces
  EXPECT_EQ(m.Get("COMMAND.350"), "Open");
  m.Set("command.350=laden"); // another spelling is a second line
  EXPECT_EQ(m.Count(), 2u);
  // The lookup takes the line that sorts first: "C" (67) before "c" (99).
  EXPECT_EQ(m.Get("command.350"), "Open");
  m.Set("Command.350=Open"); // an exact duplicate is stored once
  EXPECT_EQ(m.Count(), 2u);
  m.Set("no separator");
  EXPECT_EQ(m.Count(), 2u);
}

TEST(LanguageManager, SaveAndLoadGiveTheSameTable) {
  zvtest::TempDir dir;
  TLanguageManager m;
  m.LoadFromText("b.key=two\\nlines\nA.key=x=y\nZ=\xd0\x94\xd0\xb0\n");
  m.Get("Missing.Key");
  m.Set("Odd=lone\nfeed"); // set by code with a bare line feed
  std::string path = dir.file("out.txt");
  m.SaveToFile(path);
  std::string saved = zvtest::ReadFile(path);
  EXPECT_EQ(saved, "A.key=x=y\r\nMissing.Key=<Missing.Key>\r\nOdd=lone\\nfeed\r\nZ=\xd0\x94\xd0\xb0\r\n"
                   "b.key=two\\nlines\r\n");
  TLanguageManager back;
  back.LoadFromFile(path);
  m.Set("Odd=lone\r\nfeed"); // what the file form means
  EXPECT_EQ(back.Lines(), m.Lines());
}

TEST(LanguageManager, LegacyFilesAreDecoded) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("Russian.txt"), "Command.350=\xc7\xe0\xe3\xf0\xf3\xe7\xe8\xf2\xfc\r\n");
  TLanguageManager m;
  m.LoadFromFile(dir.file("Russian.txt"), 1251);
  EXPECT_EQ(m.Get("Command.350"), "Загрузить");
  m.LoadFromFile(dir.file("none.txt")); // silently ignored
  m.LoadFromStream(nullptr);
  EXPECT_EQ(m.Count(), 1u);
}

TEST(LanguageManager, BuiltInEnglish) {
  TLanguageManager m;
  m.LoadFromResource("LangEn");
  m.LoadFromResource("LangRu"); // no built-in Russian yet: nothing changes
  m.LoadFromResource("NoSuchResource");
  EXPECT_GT(m.Count(), 250u);
  EXPECT_EQ(m.Get("Command.350"), "Load");
  EXPECT_EQ(m.Get("Command.Category.8"), "Application");
  EXPECT_EQ(m.Get("Command.264"), "Bookmarks in playlist");
  EXPECT_EQ(m.Get("Config.Mouse.Left.1"), "Move window");
  EXPECT_EQ(m.Get("DS.Err8004027B"), "DVD decoders was not found.\r\nInstall PowerDVD, WinDVD or Elecard MPEG player.");
  EXPECT_EQ(m.Get("Shutdown.Warning"), "Computer will be turned off in %d seconds.");
  EXPECT_EQ(m.Get("OSD.Saturation"), "Saturation:");
  // Every command of the ten categories has a name.
  for (int c : {50, 52, 100, 106, 150, 159, 200, 207, 250, 267, 300, 320, 350, 356, 400, 405, 450, 459, 500, 502})
    EXPECT_TRUE(m.Has("Command." + std::string(c < 100 ? "0" : "") + std::to_string(c))) << c;
}

TEST(LanguageManager, LangBeforeAndAfterTheManagerExists) {
  EXPECT_EQ(Lang("Core.Alert.OpenError"), "{Core.Alert.OpenError}");
  TLanguageManager m;
  m.Set("Core.Alert.OpenError=Cannot open");
  SetLanguageManager(&m);
  EXPECT_EQ(Lang("core.alert.openerror"), "Cannot open");
  EXPECT_EQ(Lang("Nope"), "<Nope>");
  SetLanguageManager(nullptr);
}

TEST(LanguageManager, SaveFailureRaises) {
  TLanguageManager m;
  m.Set("a=b");
  EXPECT_THROW(m.SaveToFile("/proc/zelvar-lang.txt"), EZvError);
}
