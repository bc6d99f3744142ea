#include "core/skin_text.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
struct FakeHost : ISkinTextHost {
  TLocalTime now{9, 5, 0};
  bool player = false, window = false;
  int64_t pos = 0, dur = 0;
  std::string caption;
  TLocalTime Now() const override { return now; }
  bool HasPlayer() const override { return player; }
  int64_t Position() const override { return pos; }
  int64_t Duration() const override { return dur; }
  bool HasMainWindow() const override { return window; }
  std::string MainCaption() const override { return caption; }
};
} // namespace

TEST(SkinText, ClockBlinksWithTheSeconds) {
  FakeHost h;
  EXPECT_EQ(FormatSkinText("{TIME}", h), "09:05");
  h.now.second = 1;
  EXPECT_EQ(FormatSkinText("{TIME}", h), "09 05");
  h.now = {23, 59, 58};
  EXPECT_EQ(FormatSkinText("[{TIME}] {TIME}", h), "[23:59] 23:59");
}

TEST(SkinText, PositionDurationAndTitle) {
  FakeHost h;
  EXPECT_EQ(FormatSkinText("{POS}/{DUR} {TITLE}", h), "0:00:00/0:00:00 Zelvar");
  h.player = true;
  h.pos = 75 * 10'000'000LL;
  h.dur = 3 * 3600 * 10'000'000LL;
  h.window = true;
  h.caption = "film.avi";
  EXPECT_EQ(FormatSkinText("{POS}/{DUR} {TITLE}", h), "0:01:15/3:00:00 film.avi");
  // Placeholders are case-sensitive; unknown ones stay.
  EXPECT_EQ(FormatSkinText("{pos} {X}", h), "{pos} {X}");
}

TEST(SkinText, IdleHostHasNoPlayerOrWindow) {
  TIdleSkinTextHost h;
  EXPECT_EQ(FormatSkinText("{POS} {TITLE}", h), "0:00:00 Zelvar");
  std::string t = FormatSkinText("{TIME}", h);
  ASSERT_EQ(t.size(), 5u);
  EXPECT_TRUE(t[2] == ':' || t[2] == ' ');
}
