#include "commands/command_center.h"
#include "prefs/prefs_setup.h"
#include "prefs/xml_prefs.h"
#include "skin/language_manager.h"

#include <gtest/gtest.h>

#include <set>

using namespace zv;

namespace {
struct RecordingPoster : ICommandPoster {
  std::vector<int> posted;
  void PostCommand(int code) override { posted.push_back(code); }
};

struct CenterFixture : ::testing::Test {
  TXMLTree doc;
  std::unique_ptr<TXMLPrefs> prefs;
  RecordingPoster poster;
  void SetUp() override {
    InitPrefs(doc, TPrefsEnvironment{1, "English"});
    prefs = std::make_unique<TXMLPrefs>(doc.Root());
  }
};
} // namespace

TEST(CommandTable, TenCategoriesOf93Codes) {
  auto codes = TCommandCenter::AllCodes();
  ASSERT_EQ(codes.size(), 93u);
  EXPECT_EQ(codes.front(), 50);
  EXPECT_EQ(codes.back(), 502);
  EXPECT_TRUE(TCommandCenter::IsCommandCode(267));
  EXPECT_FALSE(TCommandCenter::IsCommandCode(268));
  EXPECT_FALSE(TCommandCenter::IsCommandCode(208));
  EXPECT_EQ(TCommandCenter::PrefKey(52), "Command.c052");
}

TEST_F(CenterFixture, EveryCodeReadsItsDefaultBinding) {
  TCommandCenter cc(*prefs, poster);
  ASSERT_EQ(cc.Entries().size(), 93u);
  EXPECT_EQ(cc.GetKey(50), "F3");
  EXPECT_EQ(cc.GetButton(52), "i");
  EXPECT_EQ(cc.GetKey(200), "`");
  EXPECT_EQ(cc.GetButton(203), "->0<-");
  EXPECT_EQ(cc.GetKey(264), "\\");
  EXPECT_EQ(cc.GetKey(316), "Ctrl+NP+");
  EXPECT_EQ(cc.GetButton(405), "*");
  EXPECT_EQ(cc.GetKey(106), "");
  // The built-in default set is the same as the default document's section.
  std::vector<TCommandEntry> fromPrefs = cc.Entries();
  cc.ClearAll();
  EXPECT_EQ(cc.GetKey(50), "");
  cc.LoadDefaults();
  for (size_t i = 0; i < fromPrefs.size(); ++i) {
    EXPECT_EQ(cc.Entries()[i].key, fromPrefs[i].key) << fromPrefs[i].code;
    EXPECT_EQ(cc.Entries()[i].button, fromPrefs[i].button) << fromPrefs[i].code;
  }
}

TEST_F(CenterFixture, PresetsSaveAndReloadTheSame) {
  for (const std::string& name : TCommandCenter::PresetNames()) {
    TCommandCenter cc(*prefs, poster);
    ASSERT_TRUE(cc.LoadPreset(name)) << name;
    for (const TCommandEntry& e : cc.Entries())
      EXPECT_EQ(e.button, "") << name << " keeps no remote buttons";
    cc.SaveToPrefs();
    TCommandCenter again(*prefs, poster);
    for (int code : TCommandCenter::AllCodes()) {
      EXPECT_EQ(again.GetKey(code), cc.GetKey(code)) << name << " " << code;
      EXPECT_EQ(again.GetButton(code), "") << name << " " << code;
    }
  }
  TCommandCenter cc(*prefs, poster);
  ASSERT_TRUE(cc.LoadPreset("Zoom Player"));
  EXPECT_EQ(cc.GetKey(203), "`");
  EXPECT_EQ(cc.GetKey(312), "+");
  EXPECT_EQ(cc.GetKey(50), "O");
  EXPECT_EQ(cc.GetKey(101), "");
  EXPECT_FALSE(cc.LoadPreset("No Such Player"));
  EXPECT_EQ(TCommandCenter::PresetNames().size(), 4u);
}

TEST_F(CenterFixture, FindFoldsCaseAndTheLastMatchWins) {
  prefs->SetString("Command.c403", "ctrl+m|");
  TCommandCenter cc(*prefs, poster);
  EXPECT_EQ(cc.Find("Ctrl+M", ""), 403);
  EXPECT_EQ(cc.Find("Alt+Ctrl+X", ""), -1);
  EXPECT_EQ(cc.Find("", "screen"), 202);
  EXPECT_EQ(cc.Find("", ""), -1);
  cc.Define(101, "Space", "");
  EXPECT_EQ(cc.Find("Space", ""), 102); // 102 comes later in the table than 101
  cc.Define(459, "Space", "");
  EXPECT_EQ(cc.Find("space", ""), 459);
}

TEST_F(CenterFixture, ModifiersAloneBindNothing) {
  TCommandCenter cc(*prefs, poster);
  cc.Define(206, "Ctrl+", "");
  cc.Define(320, "Ctrl+Alt+Shift+", "");
  EXPECT_EQ(cc.Find("Ctrl+", ""), -1);
  EXPECT_EQ(cc.Find("Ctrl+Alt+Shift+", ""), -1);
  cc.ExecKey("Ctrl+");
  EXPECT_EQ(poster.posted, (std::vector<int>{-1}));
}

TEST(CommandTable, OnePresetKeyCannotBePressed) {
  // Every name a key press can produce.
  std::set<std::string> producible;
  for (int vk = 0; vk < 256; ++vk)
    for (int m = 0; m < 8; ++m)
      producible.insert(KeyName(vk, TShiftState{(m & 1) != 0, (m & 2) != 0, (m & 4) != 0}));
  TXMLTree doc;
  InitPrefs(doc, TPrefsEnvironment{1, "English"});
  TXMLPrefs prefs(doc.Root());
  RecordingPoster poster;
  TCommandCenter cc(prefs, poster);
  std::set<std::string> unreachable;
  for (const std::string& name : TCommandCenter::PresetNames()) {
    cc.LoadPreset(name);
    for (const TCommandEntry& e : cc.Entries())
      if (!e.key.empty() && !producible.count(e.key))
        unreachable.insert(name + ": " + e.key);
  }
  // Zoom Player binds "Zoom in" to "+", which no key press is named (the key is "=" or
  // "Shift+=", the keypad's is "NP+"). The preset keeps it as it was published.
  EXPECT_EQ(unreachable, (std::set<std::string>{"Zoom Player: +"}));
  // The default bindings can all be pressed.
  cc.LoadDefaults();
  for (const TCommandEntry& e : cc.Entries()) {
    if (!e.key.empty()) {
      EXPECT_TRUE(producible.count(e.key)) << e.key;
    }
  }
}

TEST_F(CenterFixture, MissingKeysAreCreatedAndSavedAsABar) {
  doc.Root()->FindChild("Command")->SetName("OldCommands"); // a document without bindings
  TCommandCenter cc(*prefs, poster);
  EXPECT_EQ(cc.GetKey(50), "");
  cc.SaveToPrefs();
  EXPECT_EQ(prefs->GetString("Command.c106"), "|");
  EXPECT_EQ(prefs->GetString("Command.c050"), "|");
  // A stored value without "|" is a key only.
  prefs->SetString("Command.c050", "F4");
  TCommandCenter again(*prefs, poster);
  EXPECT_EQ(again.GetKey(50), "F4");
  EXPECT_EQ(again.GetButton(50), "");
}

TEST_F(CenterFixture, KeysAndButtonsPostCodes) {
  TCommandCenter cc(*prefs, poster);
  cc.ExecKey("Space");
  cc.ExecKey("");
  cc.ExecKey("Ctrl+Alt+Q");
  EXPECT_EQ(poster.posted, (std::vector<int>{102, -1}));
  poster.posted.clear();
  std::vector<std::string> osd;
  cc.showOSD = [&](const std::string& t) { osd.push_back(t); };
  cc.ExecButton("Play");
  cc.ExecButton("Nothing");
  EXPECT_TRUE(osd.empty());
  prefs->SetBool("Modules.WinLIRC.ShowUnhandled", true);
  cc.ExecButton("Nothing");
  EXPECT_EQ(osd, (std::vector<std::string>{"WinLIRC command: [ Nothing ]"}));
  std::vector<std::string> captured;
  cc.captureHook = [&](const std::string& b) {
    captured.push_back(b);
    return true;
  };
  cc.ExecButton("Play");
  EXPECT_EQ(captured, (std::vector<std::string>{"Play"}));
  EXPECT_EQ(poster.posted, (std::vector<int>{101}));
}

TEST(CommandTable, NamesLinksAndHints) {
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  EXPECT_EQ(TCommandCenter::CommandName(52), "File OSD info");
  EXPECT_EQ(TCommandCenter::CategoryName(9), "DVD");
  SetLanguageManager(nullptr);
  EXPECT_EQ(TCommandCenter::CommandName(52), "{Command.052}");
  EXPECT_EQ(PostingLinkCode("Application.OpenPlayPause"), 102);
  EXPECT_EQ(PostingLinkCode("plist.showmarks"), 264);
  EXPECT_EQ(PostingLinkCode("App.Exit"), -1);
  EXPECT_EQ(LinkHintKey("App.Exit"), "Command.453");
  EXPECT_EQ(LinkHintKey("PlayList.OpenFiles"), "Command.050");
  EXPECT_EQ(LinkHintKey("Unknown"), "");
}
