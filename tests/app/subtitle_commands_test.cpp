// The subtitle commands of the executor over a real subtitle model and registry.
#include "app/executor.h"
#include "commands/command_codes.h"
#include "commands/model_manager.h"
#include "map_prefs.h"
#include "subtitles/subtitle_model.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(SubtitleCommands, MoveShiftAndShowActOnTheFirstStreamWithinTheirBounds) {
  zvtest::MapPrefs prefs;
  TModelManager models;
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("film.srt"), "1\n00:00:10,000 --> 00:00:11,000\nHi\n\n");
  std::string chosen;
  TSubtitleHost host;
  host.models = &models;
  host.prefs = &prefs;
  host.chooseFile = [&](const std::string&, const std::string&, const std::string&) { return chosen; };
  TSubtitlesModel subs(host);
  std::vector<std::string> osd;
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.models = &models;
  t.subtitles = &subs;
  t.osd = [&](const std::string& text) { osd.push_back(text); };
  TCommandExecutor x(t);

  // Nothing loaded: moving and shifting do nothing; Show opens the dialog (cancelled: nothing).
  x.ExecCommand(cmdSubtitleUp);
  x.ExecCommand(cmdSubtitleShiftDown);
  x.ExecCommand(cmdShowSubtitles);
  EXPECT_TRUE(osd.empty());
  EXPECT_TRUE(subs.NoneLoaded());
  chosen = dir.file("film.srt");
  x.ExecCommand(cmdShowSubtitles); // the dialog again, and shown
  ASSERT_TRUE(subs.Stream0().IsLoaded());
  EXPECT_TRUE(subs.Stream0().IsEnabled());

  // Down from 5 to 0 and no further; each step says the new value.
  for (int i = 0; i < 6; ++i)
    x.ExecCommand(cmdSubtitleDown);
  EXPECT_EQ(models.GetInt("App.Subs.VPos0"), 0);
  EXPECT_EQ(osd.size(), 5u);
  EXPECT_EQ(osd.back(), "{OSD.SubtitleUpDown}: 0");
  // Eleven steps later: the counter stops at +10 seconds (shift 100 tenths) and the eleventh is silent.
  osd.clear();
  for (int i = 0; i < 11; ++i)
    x.ExecCommand(cmdSubtitleShiftDown);
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 100);
  EXPECT_EQ(osd.size(), 10u);
  EXPECT_EQ(osd.back(), "{OSD.SubtitleShift}: 10");
  x.ExecCommand(cmdSubtitleShiftUp);
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 90);

  // Show hides what is shown, then shows it again; hidden, the position keys do nothing.
  x.ExecCommand(cmdShowSubtitles);
  EXPECT_FALSE(subs.Stream0().IsEnabled());
  x.ExecCommand(cmdSubtitleUp);
  EXPECT_EQ(models.GetInt("App.Subs.VPos0"), 0);
  x.ExecCommand(cmdShowSubtitles);
  EXPECT_TRUE(subs.Stream0().IsEnabled());
}
