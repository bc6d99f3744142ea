#include "core/md5.h"
#include "prefs/media_store.h"
#include "prefs/store_folder.h"
#include "prefs/xml_prefs.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
struct StoreFixture : ::testing::Test {
  zvtest::TempDir dir;
  std::function<std::string()> folder = [this] { return dir.str() + "/"; };
  int64_t now = 1000;
  template <class T>
  std::unique_ptr<T> Make() {
    auto s = std::make_unique<T>(folder);
    s->usedClock = [this] { return now; };
    return s;
  }
};
} // namespace

TEST_F(StoreFixture, MissingOrEmptyFilesGiveAFreshRoot) {
  auto ms = Make<TMediaSettings>();
  ms->Load();
  ASSERT_NE(ms->Root(), nullptr);
  EXPECT_EQ(ms->Root()->Name(), "MEDIASETTINGS");
  EXPECT_EQ(ms->Root()->GetAttr("app"), "Zelvar");
  // A file that opens but holds no element is treated like a missing one.
  zvtest::WriteFile(dir.file("mc.xml"), "no tags at all");
  auto mc = Make<TMediaCache>();
  mc->Load();
  ASSERT_NE(mc->Root(), nullptr);
  EXPECT_EQ(mc->Root()->Name(), "MEDIACACHE");
  EXPECT_NE(mc->EnsureEntry("/a.avi"), nullptr);
}

TEST_F(StoreFixture, LookupsRefreshAndMoveEntriesToTheEnd) {
  auto ms = Make<TMediaSettings>();
  ms->Load();
  ms->EnsureEntry("AAA")->SetAttr("PlayPos", "1");
  now = 2000;
  ms->EnsureEntry("BBB");
  EXPECT_EQ(ms->FindEntry("zzz"), nullptr);
  now = 3000;
  TXMLNode* a = ms->FindEntry("aaa"); // hashes match without regard to case
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetAttr("PlayPos"), "1");
  EXPECT_EQ(a->GetAttr("used"), "3000");
  EXPECT_EQ(ms->Root()->Child(1), a);
  EXPECT_EQ(ms->Root()->Child(0)->GetAttr("id"), "BBB");
  EXPECT_EQ(ms->EnsureEntry("AAA"), a);
  EXPECT_EQ(ms->EntryCount(), 2u);
}

TEST_F(StoreFixture, CachePathsAreCaseSensitive) {
  auto mc = Make<TMediaCache>();
  mc->Load();
  mc->EnsureEntry("/films/A.avi")->SetAttr("dur", "10");
  EXPECT_EQ(mc->FindEntry("/films/a.avi"), nullptr);
  EXPECT_NE(mc->FindEntry("/films/A.avi"), nullptr);
  mc->EnsureEntry("/films/a.avi");
  EXPECT_EQ(mc->EntryCount(), 2u);
}

TEST_F(StoreFixture, SaveKeepsThe256MostRecentAndLoadsBack) {
  {
    auto mc = Make<TMediaCache>();
    mc->Load();
    for (int i = 0; i < 300; ++i) {
      now = i;
      mc->EnsureEntry("/f" + std::to_string(i))->SetAttr("dur", std::to_string(i * 10));
    }
    mc->FindEntry("/f0"); // the oldest becomes the newest
    mc->Save();
  }
  auto mc = Make<TMediaCache>();
  mc->Load();
  ASSERT_EQ(mc->EntryCount(), 256u);
  EXPECT_EQ(mc->Root()->Child(0)->GetAttr("id"), "/f45");
  EXPECT_EQ(mc->Root()->Child(255)->GetAttr("id"), "/f0");
  EXPECT_EQ(mc->FindEntry("/f44"), nullptr);
  EXPECT_EQ(mc->FindEntry("/f100")->GetAttr("dur"), "1000");
  std::string text = zvtest::ReadFile(dir.file("mc.xml"));
  EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\"?>\r\n<MEDIACACHE app=\"Zelvar\">\r\n <FILE id=\"/f45\""));
}

TEST_F(StoreFixture, AFailingSaveIsSwallowed) {
  auto ms = std::make_unique<TMediaSettings>([] { return std::string("/proc/no-such/"); });
  ms->Load();
  ms->EnsureEntry("X");
  EXPECT_NO_THROW(ms->Save());
}

TEST_F(StoreFixture, UsedIsLocalSecondsSince2000) {
  int64_t v = TMediaStore::LocalSecondsSince2000();
  // 2026 is more than 26 years after 2000 and this code is not meant for the year 2100.
  EXPECT_GT(v, 26LL * 365 * 86400);
  EXPECT_LT(v, 100LL * 365 * 86400);
}

TEST_F(StoreFixture, HashOfTheFirst64KiB) {
  std::string big(100000, 'x');
  big[70000] = 'y'; // beyond the hashed part
  zvtest::WriteFile(dir.file("a.avi"), big);
  zvtest::WriteFile(dir.file("b.avi"), std::string(100000, 'x'));
  std::string ha = TMediaCache::GetFile64KHash(dir.file("a.avi"));
  EXPECT_EQ(ha, Md5Hex(std::string(65536, 'x')));
  EXPECT_EQ(ha, TMediaCache::GetFile64KHash(dir.file("b.avi"))); // same first 64 KiB, same entry
  zvtest::WriteFile(dir.file("small"), "abc");
  EXPECT_EQ(TMediaCache::GetFile64KHash(dir.file("small")), "900150983CD24FB0D6963F7D28E17F72");
  zvtest::WriteFile(dir.file("empty"), "");
  EXPECT_EQ(TMediaCache::GetFile64KHash(dir.file("empty")), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(TMediaCache::GetFile64KHash(dir.file("missing")), "");
  EXPECT_EQ(TMediaCache::GetFile64KHash(dir.str()), "");
}

TEST(StoreFolder, FollowsTheMultiUserSwitches) {
  zvtest::TempDir home;
  ::setenv("XDG_CONFIG_HOME", (home.str() + "/cfg").c_str(), 1);
  ::setenv("XDG_CONFIG_DIRS", (home.str() + "/etc").c_str(), 1);
  ::setenv("ZELVAR_HOME", home.str().c_str(), 1);
  TXMLTree doc;
  doc.LoadFromString("<APP><App IsMultiUser=\"0\" UserPrefs=\"1\"/></APP>");
  TXMLPrefs p(doc.Root());
  EXPECT_EQ(StoreFolder(p), home.str() + "/");
  p.SetBool("App.IsMultiUser", true);
  EXPECT_EQ(StoreFolder(p), home.str() + "/cfg/Zelvar/");
  p.SetInt("App.UserPrefs", 0);
  EXPECT_EQ(StoreFolder(p), home.str() + "/etc/Zelvar/");
  // A program folder that cannot be written sends the stores to the user's folder.
  p.SetBool("App.IsMultiUser", false);
  ::setenv("ZELVAR_HOME", "/proc", 1);
  EXPECT_EQ(StoreFolder(p), home.str() + "/cfg/Zelvar/");
  ::unsetenv("ZELVAR_HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_CONFIG_DIRS");
}

TEST(StoreFolder, AUserWithoutCopiesStartsFromTheFilesBesideTheProgram) {
  zvtest::TempDir home;
  std::string program = home.str() + "/program/";
  std::string user = home.str() + "/user/";
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(user);
  ::setenv("ZELVAR_HOME", program.c_str(), 1);
  zvtest::WriteFile(program + "ZV.xml", "<APP/>");
  zvtest::WriteFile(program + "ZV.zvp", "/m/a.avi");
  zvtest::WriteFile(user + "ZV.zvp", "/m/mine.avi");
  EXPECT_EQ(StoreFileToRead(user + "ZV.xml"), program + "ZV.xml") << "no copy of the user's yet";
  EXPECT_EQ(StoreFileToRead(user + "ZV.zvp"), user + "ZV.zvp") << "the user's own copy wins";
  EXPECT_EQ(StoreFileToRead(user + "mc.xml"), user + "mc.xml") << "none anywhere: the user's place";
  EXPECT_EQ(StoreFileToRead(program + "ZV.xml"), program + "ZV.xml");
  // The media stores read the same way.
  zvtest::WriteFile(program + "mc.xml", "<MEDIACACHE><FILE id=\"/m/a.avi\" dur=\"5\"/></MEDIACACHE>");
  TMediaCache mc([&] { return user; });
  mc.Load();
  ASSERT_NE(mc.FindEntry("/m/a.avi"), nullptr);
  ::unsetenv("ZELVAR_HOME");
}
