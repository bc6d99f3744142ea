#include "prefs/xml_prefs.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
struct PrefsFixture : ::testing::Test {
  TXMLTree doc;
  std::unique_ptr<TXMLPrefs> prefs;
  void SetUp() override {
    doc.LoadFromString("<APP/>");
    prefs = std::make_unique<TXMLPrefs>(doc.Root());
  }
};
} // namespace

TEST_F(PrefsFixture, ReadingAMissingKeyCreatesIt) {
  EXPECT_EQ(prefs->GetString("Foo.Bar"), "");
  TXMLNode* foo = doc.Root()->FindChild("Foo");
  ASSERT_NE(foo, nullptr);
  ASSERT_NE(foo->FindAttr("Bar"), nullptr);
  EXPECT_NE(doc.SaveToString().find("<Foo Bar=\"\"/>"), std::string::npos);
  // Empty components are skipped; names match without regard to case.
  prefs->SetString("OSD.Info.Font..Bold", "1");
  EXPECT_EQ(prefs->GetString("osd.INFO.font.bold"), "1");
  EXPECT_EQ(doc.Root()->FindChild("OSD")->ChildCount(), 1u);
  // A one-part path is an attribute of the store's own element.
  prefs->SetString("build", "5750");
  EXPECT_EQ(doc.Root()->GetAttr("build"), "5750");
  EXPECT_EQ(prefs->GetString(""), "");
  EXPECT_EQ(prefs->GetString("..."), "");
}

TEST_F(PrefsFixture, BooleansAndIntegers) {
  for (const char* yes : {"1", "yes", "Yes", "ON", "on"}) {
    prefs->SetString("K.b", yes);
    EXPECT_TRUE(prefs->GetBool("K.b")) << yes;
  }
  for (const char* no : {"true", "2", "0", "", "off", " 1"}) {
    prefs->SetString("K.b", no);
    EXPECT_FALSE(prefs->GetBool("K.b")) << no;
  }
  prefs->SetBool("K.b", true);
  EXPECT_EQ(prefs->GetString("K.b"), "1");
  prefs->SetBool("K.b", false);
  EXPECT_EQ(prefs->GetString("K.b"), "0");
  prefs->SetInt("K.i", -42);
  EXPECT_EQ(prefs->GetInt("K.i"), -42);
  for (const char* bad : {"abc", "12abc", "", "99999999999", "1.5"}) {
    prefs->SetString("K.i", bad);
    EXPECT_EQ(prefs->GetInt("K.i"), 0) << bad;
  }
}

TEST_F(PrefsFixture, MultiLineTextIsStoredOnOneLine) {
  prefs->SetText("OSD.InfoStr", "{ARTIST}\r\n{TITLE}");
  EXPECT_EQ(prefs->GetString("OSD.InfoStr"), "{ARTIST}\\r\\n{TITLE}");
  EXPECT_EQ(prefs->GetText("OSD.InfoStr"), "{ARTIST}\r\n{TITLE}");
  prefs->SetString("T", "a\\Nb\\Rc\\x\\");
  EXPECT_EQ(prefs->GetText("T"), "a\nb\rc\\x\\");
  TXMLTree again;
  again.LoadFromString(doc.SaveToString());
  EXPECT_EQ(TXMLPrefs(again.Root()).GetText("OSD.InfoStr"), "{ARTIST}\r\n{TITLE}");
}

TEST_F(PrefsFixture, ListsSplitByTheStoreRule) {
  using V = std::vector<std::string>;
  EXPECT_EQ(TXMLPrefs::SplitList("a, b"), (V{"a", " b"}));
  EXPECT_EQ(TXMLPrefs::SplitList("a,,b"), (V{"a", "", "b"}));
  EXPECT_EQ(TXMLPrefs::SplitList("a,"), (V{"a", ""}));
  EXPECT_EQ(TXMLPrefs::SplitList("  x  "), (V{"x"}));
  EXPECT_EQ(TXMLPrefs::SplitList(""), (V{}));
  EXPECT_EQ(TXMLPrefs::SplitList(",a"), (V{"a"}));
  prefs->SetList("Modules.DirectShow.ForceFilters", {"{A}", "{B}"});
  EXPECT_EQ(prefs->GetString("Modules.DirectShow.ForceFilters"), "{A},{B}");
  EXPECT_EQ(prefs->GetList("Modules.DirectShow.ForceFilters"), (V{"{A}", "{B}"}));
}

TEST_F(PrefsFixture, SectionsShareTheDocument) {
  auto modules = prefs->Section("Modules.GlobalKeys");
  modules->SetBool("enabled", true);
  EXPECT_TRUE(prefs->GetBool("modules.globalkeys.ENABLED"));
  auto again = prefs->Section("MODULES");
  EXPECT_EQ(again->Element(), doc.Root()->FindChild("Modules"));
  TXMLPrefs none(nullptr);
  none.SetString("a.b", "x");
  EXPECT_EQ(none.GetString("a.b"), "");
  EXPECT_EQ(none.Section("x")->Element(), nullptr);
}
