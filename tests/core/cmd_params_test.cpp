#include "core/cmd_params.h"
#include "core/day_clock.h"
#include "core/update_check.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace zv;
using V = std::vector<std::string>;

TEST(CmdParams, SplittingRules) {
  TCmdParams p("  zelvar  a.avi \"b c.mkv\"   d  ");
  EXPECT_EQ(p.Program(), "zelvar");
  EXPECT_EQ(p.Tokens(), (V{"a.avi", "b c.mkv", "d"}));
  // Quotes inside a token mean nothing; an empty pair of quotes is an empty token.
  EXPECT_EQ(TCmdParams("z a\"b \"\" c").Tokens(), (V{"a\"b", "", "c"}));
  EXPECT_EQ(TCmdParams("z \"unterminated rest").Tokens(), (V{"unterminated rest"}));
  EXPECT_EQ(TCmdParams("").Program(), "");
  EXPECT_TRUE(TCmdParams("zelvar").Tokens().empty());
  std::string_view rest = "\t first second";
  EXPECT_EQ(TCmdParams::NextToken(rest), "first");
  EXPECT_EQ(rest, "second");
}

TEST(CmdParams, SwitchesAreExactNamesWithAnyPrefix) {
  TCmdParams p("zelvar /add -Fullscreen --ZOOM=150 /home/me/film.avi -notaswitch /newer x.avi");
  EXPECT_TRUE(p.HasSwitch("/ADD"));
  EXPECT_TRUE(p.HasSwitch("FULLSCREEN"));
  EXPECT_TRUE(p.HasSwitch("zoom"));
  EXPECT_EQ(p.GetValue("/ZOOM"), "150");
  // A path is a file, and so is a token whose name is not one of the switches.
  EXPECT_FALSE(p.HasSwitch("NEW"));
  EXPECT_EQ(p.Files(), (V{"/home/me/film.avi", "-notaswitch", "/newer", "x.avi"}));
  EXPECT_TRUE(TCmdParams("z /new").HasSwitch("NEW"));
  EXPECT_TRUE(TCmdParams("z --New").HasSwitch("/NEW"));
}

TEST(CmdParams, ValuesAndQuotedSkinPaths) {
  // Quoted as a whole token, a value keeps its blanks.
  TCmdParams whole("zelvar \"/SKIN=/home/me/my skins/blue.zip\" film.avi");
  EXPECT_EQ(whole.GetValue("SKIN"), "/home/me/my skins/blue.zip");
  EXPECT_EQ(whole.Files(), (V{"film.avi"}));
  // Quoting only the value cuts the path at its first blank; the rest becomes a file name.
  TCmdParams cut("zelvar /SKIN=\"/home/me/my skins/blue.zip\"");
  EXPECT_EQ(cut.GetValue("SKIN"), "\"/home/me/my");
  EXPECT_EQ(cut.Files(), (V{"skins/blue.zip\""}));
  // The last value wins; a switch without "=" has none.
  EXPECT_EQ(TCmdParams("z /RATIO=4:3 /RATIO=16:9").GetValue("RATIO"), "16:9");
  EXPECT_EQ(TCmdParams("z /RATIO").GetValue("RATIO"), "");
  EXPECT_EQ(TCmdParams("z /RATIO=").GetValue("RATIO"), "");
  EXPECT_EQ(TCmdParams("z /SKIN=a=b").GetValue("SKIN"), "a=b");
}

TEST(CmdParams, ArgumentsJoinAndSplitBack) {
  V args = {"/usr/bin/zelvar", "my film.avi", "", "/SKIN=a b", "plain", "sp ace/x.mkv"};
  TCmdParams p(TCmdParams::JoinArguments(args));
  EXPECT_EQ(p.Program(), "/usr/bin/zelvar");
  EXPECT_EQ(p.Tokens(), (V{"my film.avi", "", "/SKIN=a b", "plain", "sp ace/x.mkv"}));
  EXPECT_EQ(p.Files(), (V{"my film.avi", "plain", "sp ace/x.mkv"})); // the empty one names no file
  EXPECT_EQ(p.GetValue("SKIN"), "a b");
}

TEST(UpdateCheck, VersionsCompareWithoutTheirPoint) {
  EXPECT_TRUE(CompareUpdateVersions("4.4", "4.5", "", 0, 5750, false).newVersion);
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.4", "", 0, 5750, false).newVersion);
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.3", "", 0, 5750, false).newVersion);
  // Text order: "4.10" is "410", which sorts before "44".
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.10", "", 0, 5750, false).newVersion);
  // A newer beta than both, or this very version with a higher build.
  EXPECT_TRUE(CompareUpdateVersions("4.4", "4.4", "4.5", 0, 5750, true).newBeta);
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.4", "4.5", 0, 5750, false).newBeta);
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.6", "4.5", 0, 5750, true).newBeta);
  EXPECT_TRUE(CompareUpdateVersions("4.4", "4.4", "4.4", 5800, 5750, true).newBeta);
  EXPECT_FALSE(CompareUpdateVersions("4.4", "4.4", "4.4", 5750, 5750, true).newBeta);
  // Missing keys read as empty text: nothing is new and nothing fails.
  TUpdateVerdict empty = CompareUpdateVersions("4.4", "", "", 0, 5750, true);
  EXPECT_FALSE(empty.newVersion);
  EXPECT_FALSE(empty.newBeta);
  EXPECT_TRUE(CompareUpdateVersions("4", "5", "", 0, 1, false).newVersion);
}

TEST(DayClock, CountsFrom1899InLocalTime) {
  int64_t ms = LocalDayCountMillis();
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  int64_t expected = (static_cast<int64_t>(t) + local.tm_gmtoff + 25569LL * 86400) * 1000;
  EXPECT_NEAR(static_cast<double>(ms), static_cast<double>(expected), 2000.0);
  EXPECT_GT(ms / 86'400'000, 46000); // past the year 2025
}

TEST(CmdParams, ALaterStartJoinsTheListOnlyWithinHalfASecondOfThePreviousOne) {
  struct Case {
    int64_t previous, start;
    bool joins;
  };
  const Case cases[] = {
      {1'000'000, 1'000'000, true}, {1'000'000, 1'000'499, true},  {1'000'000, 1'000'500, false},
      {1'000'499, 1'000'000, true}, {1'000'500, 1'000'000, false}, // the other start's clock ran ahead
      {0, 86'399'999, false},       {1'000'000, 5'000'000, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TCmdParams::JoinsPreviousStart(c.previous, c.start), c.joins) << c.previous << " " << c.start;
}
