#include "core/text_util.h"
#include "prefs/file_types.h"
#include "prefs/prefs_setup.h"
#include "prefs/store_folder.h"
#include "prefs/xml_prefs.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace zv;

namespace {
TPrefsEnvironment Env(std::string language = "English") { return TPrefsEnvironment{1, std::move(language)}; }

std::vector<std::string> ChildNames(const TXMLNode* n) {
  std::vector<std::string> names;
  for (const auto& c : n->Children())
    names.push_back(c->Name());
  return names;
}
std::vector<std::string> AttrNames(const TXMLNode* n) {
  std::vector<std::string> names;
  for (const auto& a : n->Attributes())
    names.push_back(a.name);
  return names;
}
} // namespace

TEST(DefaultDocument, SectionsAndKeysInOrder) {
  TXMLTree doc;
  InitPrefs(doc, Env());
  TXMLNode* root = doc.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), "APP");
  EXPECT_EQ(AttrNames(root), (std::vector<std::string>{"name", "version", "build"}));
  EXPECT_EQ(root->GetAttr("build"), "784");
  EXPECT_EQ(ChildNames(root),
            (std::vector<std::string>{"FrontEnd",   "Video",    "Seek",       "Sound",   "Mouse",     "OnStart",
                                      "OnOpen",     "OSD",      "Subtitles",  "Command", "Config",    "Core",
                                      "OnMinimize", "Playlist", "Plugin",     "WinAMP",  "FileTypes", "Plugins",
                                      "App",        "Modules",  "GlobalKeys", "Last",    "OnDone"}));
  TXMLPrefs p(root);
  EXPECT_EQ(AttrNames(root->FindChild("Mouse")),
            (std::vector<std::string>{"TimeOut", "Left", "LeftDbl", "Middle", "Right", "Wheel", "WheelInvert",
                                      "HoverCPanel"}));
  // Odd values are kept exactly as the defaults have them.
  EXPECT_EQ(p.GetString("FrontEnd.Skin"), " <TQ-41> ");
  EXPECT_EQ(p.GetString("FrontEnd.MediaDir"), "C:\\");
  EXPECT_EQ(p.GetString("OSD.InfoStr"), "{ARTIST}\\r\\n{TITLE}");
  EXPECT_EQ(p.GetText("OSD.InfoStr"), "{ARTIST}\r\n{TITLE}");
  EXPECT_EQ(p.GetString("Subtitles.MicroDVDFPS"), "25,00");
  EXPECT_EQ(p.GetString("Playlist.Separator"), " - ");
  EXPECT_EQ(p.GetString("Playlist.Pos"), "436,267");
  EXPECT_EQ(p.GetString("Video.KeyFrameSeek"), "");
  EXPECT_NE(root->FindChild("Video")->FindAttr("KeyFrameSeek"), nullptr);
  EXPECT_EQ(p.GetString("FrontEnd.Skin.Hue"), "0");
  EXPECT_EQ(p.GetString("Modules.WinLIRC.Server"), "127.0.0.1");
  EXPECT_EQ(p.GetString("Modules.WinLIRC.Server.Path"), "");
  EXPECT_EQ(p.GetString("Modules.AviSynth.Script"), "DidezUvezur.avs");
  EXPECT_EQ(p.GetInt("Playlist.Font.Charset"), 204);
  EXPECT_EQ(p.GetInt("Sound.Volume"), 85);
  // Every command code of the ten categories, in code order, with its binding.
  TXMLNode* cmd = root->FindChild("Command");
  ASSERT_EQ(cmd->Attributes().size(), 93u);
  EXPECT_EQ(cmd->Attributes().front().name, "c050");
  EXPECT_EQ(cmd->Attributes().back().name, "c502");
  EXPECT_EQ(p.GetString("Command.c264"), "\\|");
  EXPECT_EQ(p.GetString("Command.c200"), "`|Menu");
  EXPECT_EQ(p.GetString("Command.c203"), "Home|->0<-");
  EXPECT_EQ(p.GetString("Command.c106"), "|");
  // The file types and the global keys.
  TXMLNode* ft = root->FindChild("FileTypes");
  EXPECT_EQ(ft->GetAttr("Icons"), "TQ41");
  ASSERT_EQ(ft->ChildCount(), 68u);
  EXPECT_EQ(ft->Child(0)->GetAttr("id"), "ZVP");
  EXPECT_EQ(ft->Child(14)->GetAttr("desc"), "Third Generation Platform ");
  EXPECT_EQ(ft->Child(56)->GetAttr("id"), "SND");
  EXPECT_EQ(ft->Child(57)->GetAttr("id"), "M3U8") << "UTF-8 M3U lists are read too";
  // The common formats of today follow, so that folders holding them add them.
  std::string later;
  for (size_t i = 58; i < ft->ChildCount(); ++i)
    later += ft->Child(i)->GetAttr("id") + ":" + ft->Child(i)->GetAttr("type") + " ";
  EXPECT_EQ(later, "WEBM:V OGV:V OGA:A OPUS:A M4A:A M4V:V TS:V M2TS:V WV:A SPX:A ");
  // Every playlist type of the table has a reader.
  TExplorerIntegrator types(ft);
  EXPECT_EQ(types.ExtensionList("P"), "*.ZVP;*.IFO;*.M3U;*.ASX;*.LST;*.PLS;*.M3U8");
  EXPECT_EQ(types.TypeLetter("m3u8"), "P");
  EXPECT_EQ(types.TypeLetter("flac"), "A");
  EXPECT_EQ(types.TypeDescription("MKV"), "Matroska video");
  EXPECT_EQ(types.TypeLetter("XYZ"), "");
  EXPECT_EQ(types.TypeList("*").size(), 68u);
  std::string filter = types.MediaFilter([](const char* key) { return std::string(key).substr(14); });
  EXPECT_EQ(filter.substr(0, 21), "Media(*.ZVP;*.AVI;*.M");
  EXPECT_NE(
      filter.find(
          "|PlayList(*.ZVP;*.IFO;*.M3U;*.ASX;*.LST;*.PLS;*.M3U8)|*.ZVP;*.IFO;*.M3U;*.ASX;*.LST;*.PLS;*.M3U8|Video("),
      std::string::npos)
      << filter;
  EXPECT_TRUE(filter.ends_with(";*.RMI;*.SND;*.OGA;*.OPUS;*.M4A;*.WV;*.SPX|All(*.*)|*.*")) << filter;
  EXPECT_EQ(TExplorerIntegrator(nullptr).MediaFilter([](const char*) { return std::string("x"); }),
            "x()||x()||x()||x()||x(*.*)|*.*");
  TXMLNode* gk = root->FindChild("GlobalKeys");
  ASSERT_EQ(gk->ChildCount(), 12u);
  EXPECT_EQ(gk->Child(0)->GetAttr("Name"), "Воспроизведение / Пауза");
  EXPECT_EQ(gk->Child(11)->GetAttr("Key"), "Alt+`");
}

TEST(InitPrefs, FillsCharsetsAndLanguage) {
  TXMLTree doc;
  InitPrefs(doc, TPrefsEnvironment{204, "German"});
  TXMLPrefs p(doc.Root());
  EXPECT_EQ(p.GetInt("OSD.Info.Font.Charset"), 204);
  EXPECT_EQ(p.GetInt("Subtitles.Charset"), 204);
  EXPECT_EQ(p.GetString("FrontEnd.Language"), "German");
}

TEST(InitPrefs, LanguageFromTheLocale) {
  EXPECT_EQ(LanguageFromLocale("de_DE.UTF-8"), "German");
  EXPECT_EQ(LanguageFromLocale("ru_RU.UTF-8"), "Russian");
  EXPECT_EQ(LanguageFromLocale("uk_UA"), "Ukrainian");
  EXPECT_EQ(LanguageFromLocale("be_BY@latin"), "Belarusian");
  EXPECT_EQ(LanguageFromLocale("lt"), "Lithuanian");
  // English and languages without a row of their own get English, not Russian.
  EXPECT_EQ(LanguageFromLocale("en_US.UTF-8"), "English");
  EXPECT_EQ(LanguageFromLocale("ja_JP.UTF-8"), "English");
  EXPECT_EQ(LanguageFromLocale("C"), "English");
  EXPECT_EQ(LanguageFromLocale("POSIX"), "English");
  EXPECT_EQ(LanguageFromLocale(""), "English");
}

TEST(UpgradePrefs, FirstStartEndsWithTheDefaults) {
  TXMLTree doc;
  InitPrefs(doc, Env());
  UpgradePrefs(doc, "5750", Env());
  TXMLPrefs p(doc.Root());
  // Build 784 is below every upgrade step: the defaults are loaded once more, untouched.
  EXPECT_EQ(p.GetString("build"), "784");
  EXPECT_EQ(p.GetText("OSD.InfoStr"), "{ARTIST}\r\n{TITLE}");
  EXPECT_EQ(p.GetString("Command.c052"), "I|i");
  EXPECT_EQ(p.GetString("FrontEnd.Language"), "English");
}

TEST(UpgradePrefs, AFirstStartSavedCarriesTheProgramsBuild) {
  TXMLTree doc;
  InitPrefs(doc, Env());
  UpgradePrefs(doc, "5750", Env());
  StampPrefsDocument(doc, "Zelvar", "4.4", "5750");
  std::string text = doc.SaveToString();
  EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\"?>\r\n<APP name=\"Zelvar\" version=\"4.4\" build=\"5750\">\r\n"));
  // Loaded again by the same build, nothing is upgraded or replaced.
  TXMLTree again;
  again.LoadFromString(text);
  TXMLPrefs(again.Root()).SetString("FrontEnd.Skin", "mine");
  UpgradePrefs(again, "5750", Env());
  EXPECT_EQ(TXMLPrefs(again.Root()).GetString("FrontEnd.Skin"), "mine");
}

TEST(UpgradePrefs, Build5100KeepsUserValuesAndGetsAllSteps) {
  TXMLTree doc;
  doc.LoadFromString("<APP name=\"Zelvar\" version=\"4.2\" build=\"5100\">"
                     "<FrontEnd Skin=\"/home/me/skin.zip\" Language=\"French\"/>"
                     "<Command c052=\"Ctrl+Q|x\" c405=\"|\" c100=\"Q|\"/>"
                     "<OSD InfoStr=\"mine\"><Info><Font Family=\"Sans\" Size=\"9\"/></Info></OSD>"
                     "<OnOpen ApplySettings=\"0\"/></APP>");
  UpgradePrefs(doc, "5750", TPrefsEnvironment{7, "English"});
  TXMLPrefs p(doc.Root());
  EXPECT_EQ(p.GetString("FrontEnd.Skin"), "/home/me/skin.zip");
  EXPECT_EQ(p.GetString("FrontEnd.Language"), "French");
  EXPECT_EQ(p.GetString("Command.c100"), "Q|");
  // 1: information template, key of 052, fast rendering off.
  EXPECT_EQ(p.GetText("OSD.InfoStr"), "{ARTIST} - {TITLE} [{DURATION}]\r\n{FORMAT}: ({CODECS})");
  EXPECT_EQ(p.GetString("Command.c052"), "I|Info");
  EXPECT_EQ(p.GetString("Modules.DirectShow.FastRender"), "0");
  // 2: information font.
  EXPECT_EQ(p.GetString("OSD.Info.Font.Family"), "Arial Narrow");
  EXPECT_EQ(p.GetInt("OSD.Info.Font.Size"), 22);
  EXPECT_EQ(p.GetInt("OSD.Info.Font.Charset"), 7);
  EXPECT_EQ(p.GetInt("OSD.Info.Font.Color"), 16776960);
  EXPECT_EQ(p.GetString("OSD.Info.Font.Bold"), "0");
  // 3 to 8.
  EXPECT_EQ(p.GetString("Modules.GlobalKeys.MMKeys"), "1");
  EXPECT_EQ(p.GetString("Playlist.Font.Name"), "Arial");
  EXPECT_EQ(p.GetInt("Playlist.Font.Size"), 11);
  EXPECT_EQ(p.GetInt("PlayList.Font.Charset"), 7);
  EXPECT_EQ(p.GetInt("Playlist.Font.Color"), 16776960);
  EXPECT_EQ(p.GetString("OnDone.Rewind"), "1");
  EXPECT_EQ(p.GetString("Command.c405"), "/|*");
  EXPECT_EQ(p.GetString("Playlist.ShowNumbers"), "1");
  EXPECT_EQ(p.GetString("Command.c502"), "Alt+F3|");
  EXPECT_EQ(p.GetString("OnOpen.ApplySettings"), "1");
}

TEST(UpgradePrefs, Build5700GetsOnlyTheLastStep) {
  TXMLTree doc;
  doc.LoadFromString("<APP build=\"5700\"><Command c405=\"|\" c502=\"|\"/><OnOpen ApplySettings=\"0\"/></APP>");
  UpgradePrefs(doc, "5750", Env());
  TXMLPrefs p(doc.Root());
  EXPECT_EQ(p.GetString("OnOpen.ApplySettings"), "1");
  EXPECT_EQ(p.GetString("Command.c405"), "|");
  EXPECT_EQ(p.GetString("Command.c502"), "|");
  EXPECT_EQ(doc.Root()->FindChild("OSD"), nullptr);
}

TEST(UpgradePrefs, TooOldOrBrokenBuildsAreReplaced) {
  for (const char* build : {"4000", "5040", "abc", ""}) {
    TXMLTree doc;
    doc.LoadFromString(std::string("<APP build=\"") + build + "\"><FrontEnd Skin=\"mine\"/></APP>");
    UpgradePrefs(doc, "5750", Env("Polish"));
    TXMLPrefs p(doc.Root());
    EXPECT_EQ(p.GetString("FrontEnd.Skin"), " <TQ-41> ") << build;
    EXPECT_EQ(p.GetString("FrontEnd.Language"), "Polish") << build;
  }
}

TEST(UpgradePrefs, TheSameBuildIsLeftAlone) {
  TXMLTree doc;
  doc.LoadFromString("<APP build=\"5750\"><OnOpen ApplySettings=\"0\"/></APP>");
  UpgradePrefs(doc, "5750", Env());
  EXPECT_EQ(TXMLPrefs(doc.Root()).GetString("OnOpen.ApplySettings"), "0");
}

TEST(LoadPrefsDocument, TheCopyThePreferencesNameIsTheOneThatIsRead) {
  // The program folder's copy decides whether each user has one (App.IsMultiUser); the user's
  // copy whether it is the user's own (App.UserPrefs) or the common one is read.
  zvtest::TempDir dir;
  std::string program = dir.file("program"), user = dir.file("config"), common = dir.file("xdg");
  for (const std::string& d : {program, user + "/Zelvar", common + "/Zelvar"})
    std::filesystem::create_directories(d);
  auto write = [](const std::string& path, const std::string& which, const std::string& app) {
    zvtest::WriteFile(path, "<APP build=\"5750\"><App " + app + "/><Test Which=\"" + which + "\"/></APP>");
  };
  struct Case {
    const char* primary; // the App element's attributes in the program folder's copy; null: none
    const char* user;    // the same in the user's copy
    bool common;         // the common copy exists
    const char* read;    // which copy was read; "" for the built-in defaults
  };
  const Case cases[] = {
      {nullptr, nullptr, false, ""},
      {"IsMultiUser=\"0\"", nullptr, false, "primary"},
      {"IsMultiUser=\"0\"", "UserPrefs=\"1\"", true, "primary"},
      {"IsMultiUser=\"1\"", nullptr, true, "primary"}, // no copy of the user's yet
      {"IsMultiUser=\"1\"", "UserPrefs=\"1\"", true, "user"},
      {"IsMultiUser=\"1\"", "UserPrefs=\"0\"", true, "common"},
      {"IsMultiUser=\"1\"", "UserPrefs=\"0\"", false, "user"}, // the common copy is missing
  };
  ::setenv("ZELVAR_HOME", program.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", user.c_str(), 1);
  ::setenv("XDG_CONFIG_DIRS", common.c_str(), 1);
  for (const Case& c : cases) {
    for (const std::string& f : {program + "/ZV.xml", user + "/Zelvar/ZV.xml", common + "/Zelvar/ZV.xml"})
      std::filesystem::remove(f);
    if (c.primary)
      write(program + "/ZV.xml", "primary", c.primary);
    if (c.user)
      write(user + "/Zelvar/ZV.xml", "user", c.user);
    if (c.common)
      write(common + "/Zelvar/ZV.xml", "common", "");
    TXMLTree doc;
    LoadPrefsDocument(doc);
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(TXMLPrefs(doc.Root()).GetString("Test.Which"), c.read)
        << (c.primary ? c.primary : "-") << " / " << (c.user ? c.user : "-") << " / " << c.common;
  }
  ::unsetenv("ZELVAR_HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_CONFIG_DIRS");
}
