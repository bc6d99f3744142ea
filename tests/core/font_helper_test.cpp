#include "core/font_helper.h"
#include "core/text_util.h"
#include "map_prefs.h"

#include <gtest/gtest.h>

#include <map>

using namespace zv;

using zvtest::MapPrefs;

TEST(FontHelper, LoadsTheFiveKeysAndOnlyBold) {
  MapPrefs p;
  p.SetString("PlayList.Font.Name", "Arial");
  p.SetString("PlayList.Font.Size", "11");
  p.SetString("PlayList.Font.Charset", "204");
  p.SetString("PlayList.Font.Color", "16776960");
  p.SetString("PlayList.Font.Bold", "yes");
  TFontSpec f;
  f.italic = f.underline = f.strikeOut = true;
  TFontHelper::LoadFont(f, p, "Playlist.Font");
  EXPECT_EQ(f.name, "Arial");
  EXPECT_EQ(f.size, 11);
  EXPECT_EQ(f.charset, 204);
  EXPECT_EQ(f.color, 16776960u);
  EXPECT_TRUE(f.bold);
  EXPECT_FALSE(f.italic || f.underline || f.strikeOut);
}

TEST(FontHelper, SaveThenLoadRoundTrips) {
  MapPrefs p;
  TFontSpec f{"DejaVu Sans", 22, 1, 0x00FFFF00, false, true, false, false};
  TFontHelper::SaveFont(f, p, "OSD.Font");
  EXPECT_EQ(p.values["OSD.FONT.BOLD"], "0");
  EXPECT_EQ(p.values["OSD.FONT.COLOR"], "16776960");
  TFontSpec back;
  TFontHelper::LoadFont(back, p, "OSD.Font");
  f.italic = false; // only the bold flag is stored
  EXPECT_EQ(back, f);
}

TEST(FontHelper, CopyTakesBoldOnly) {
  TFontSpec src{"A", 9, 204, 255, true, true, true, true};
  TFontSpec dst{"B", 12, 0, 0, false, true, false, false};
  TFontHelper::CopyFont(src, dst);
  EXPECT_EQ(dst, (TFontSpec{"A", 9, 204, 255, true, false, false, false}));
}
