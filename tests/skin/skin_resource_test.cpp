// Skin resources and the arithmetic of the drawn look: areas, bitmap fonts, nine-slice stretching,
// border tint and hit test, time scales, bar mapping, BMP reading and the rules of skin choice.
#include "core/error.h"
#include "skin/bar_math.h"
#include "skin/frame_art.h"
#include "skin/opti_resource.h"
#include "skin/skin_choice.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <map>

using namespace zv;

namespace {

// A package held in memory.
class TMapPack : public TStreamPack {
public:
  std::map<std::string, std::string> files;
  std::unique_ptr<TStream> Open(std::string_view name) override {
    auto it = files.find(std::string(name));
    return it == files.end() ? nullptr : std::make_unique<TMemoryStream>(it->second);
  }
};

// Each pixel tells where it is: red = x, green = y.
TBitmap32 Coordinates(int w, int h) {
  TBitmap32 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixel(x, y, 0xFF000000u | (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8));
  return b;
}
int SourceX(uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int SourceY(uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }

// A 30 × 8 bitmap whose last row marks glyphs of widths 3, 5, 2, 4 in alternating colours.
TBitmap32 FontBitmap() {
  TBitmap32 b = Coordinates(30, 8);
  const int widths[] = {3, 5, 2, 4};
  int x = 0;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < widths[i]; ++k)
      b.SetPixel(x++, 7, i % 2 ? 0xFF00FF00u : 0xFFFF0000u);
  for (; x < 30; ++x)
    b.SetPixel(x, 7, 0xFF0000FFu);
  return b;
}

TOptiResource LoadSkin(const std::string& body, const TBitmap32& bitmap) {
  TMapPack pack;
  pack.files["interface.xml"] = "<SKIN>" + body + "</SKIN>";
  pack.files["a.bmp"] = WriteBmp(bitmap);
  TOptiResource res;
  res.Load(pack);
  return res;
}

} // namespace

TEST(SkinResource, AreasAreFoundByImageAndIdWithoutCase) {
  TOptiResource res = LoadSkin(R"(<IMAGE id="CP" file="a.bmp"><AREA id="BtnPlay" pos="2,3" size="10,4"/>
      <AREA id="B.C" pos="1,1" size="2,2"/><AREA id="NoComma" pos="12" size="5,5"/>
      <AREA id="Outside" pos="25,0" size="10,5"/><AREA id="Neg" pos="-1,0" size="3,3"/></IMAGE>
      <IMAGE id="A" file="a.bmp"><AREA id="B.C" pos="4,4" size="1,1"/></IMAGE>)",
                               Coordinates(30, 8));
  struct Case {
    const char* ref;
    bool found;
    int left, top, right, bottom;
  } cases[] = {
      {"CP.BtnPlay", true, 2, 3, 12, 7}, {"cp.btnplay", true, 2, 3, 12, 7}, {"A.B.C", true, 4, 4, 5, 5},
      {"CP.NoComma", true, 0, 0, 5, 5},  {"CP.Outside", false, 0, 0, 0, 0}, {"CP.Neg", false, 0, 0, 0, 0},
      {"CPBtnPlay", false, 0, 0, 0, 0},  {"XX.BtnPlay", false, 0, 0, 0, 0}, {"CP.Missing", false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TOptiArea a;
    EXPECT_EQ(res.GetArea(c.ref, a), c.found) << c.ref;
    EXPECT_EQ(a.Bitmap != nullptr, c.found) << c.ref << ": an unresolved reference leaves the record empty";
    if (c.found) {
      EXPECT_EQ(a.Rect(), (TRect{c.left, c.top, c.right, c.bottom})) << c.ref;
    }
  }
}

TEST(SkinResource, LoadingFailsWithoutInterfaceOrWithABadBitmap) {
  TMapPack none;
  TOptiResource res;
  EXPECT_THROW(res.Load(none), EZvError);
  TMapPack bad;
  bad.files["interface.xml"] = R"(<SKIN><IMAGE id="X" file="a.bmp"/></SKIN>)";
  bad.files["a.bmp"] = "BM not really";
  EXPECT_THROW(res.Load(bad), EZvError);
  bad.files.erase("a.bmp");
  EXPECT_THROW(res.Load(bad), EZvError);
}

TEST(SkinResource, BitmapFontsMeasureTheirMarkerRowAndDrawOnlyKnownGlyphs) {
  TOptiResource res = LoadSkin(R"(<IMAGE id="F" file="a.bmp"><AREA id="d" pos="0,0" size="30,8"/>
      <AREA id="flat" pos="0,0" size="30,0"/></IMAGE>
      <FONT id="Digits" img="F.d" chars="01:0"/><FONT id="Flat" img="F.flat" chars="0"/>)",
                               FontBitmap());
  EXPECT_EQ(res.GetFont("flat"), nullptr) << "an area without a marker row is refused";
  EXPECT_EQ(res.GetFont("none"), nullptr);
  auto font = res.GetFont("digits");
  ASSERT_NE(font, nullptr);
  // '0' occurs twice: the later measurement (the fourth run) counts.
  EXPECT_EQ(font->Glyphs['0'].offset, 10);
  EXPECT_EQ(font->Glyphs['0'].width, 4);
  EXPECT_EQ(font->Glyphs['1'].width, 5);
  EXPECT_EQ(font->Glyphs[':'].rect, (TRect{8, 0, 10, 7})) << "glyphs are 7 rows: the marker row is not drawn";
  EXPECT_EQ(font->Glyphs['x'].width, 0);
  // "1x:" draws '1' at 0..4 and ':' right after it; 'x' advances nothing.
  TBitmap32 canvas(20, 14, 0xFF123456u);
  TOptiResource::DrawText(*font, "1x:", canvas, TRect{0, 0, 20, 14});
  EXPECT_EQ(SourceX(canvas.Pixel(0, 0)), 3);
  EXPECT_EQ(SourceX(canvas.Pixel(5, 0)), 8);
  EXPECT_EQ(SourceY(canvas.Pixel(5, 13)), 6) << "stretched to the rectangle's height";
  EXPECT_EQ(canvas.Pixel(7, 0), 0xFF123456u) << "nothing after the last glyph";
}

TEST(SkinResource, NineSliceStretchFollowsItsFormula) {
  // The border of the built-in skin: 29 × 52 split at 14,40, drawn over 300 × 200.
  TBitmap32 src = Coordinates(29, 52);
  TOptiArea area{&src, 0, 0, 29, 52};
  TBitmap32 canvas(300, 200);
  TOptiResource::DrawSplit(area, canvas, TRect{0, 0, 300, 200}, TPoint{14, 40});
  struct Column {
    int x, from;
  } columns[] = {{0, 0}, {13, 13}, {14, 14}, {150, 14}, {285, 14}, {286, 15}, {299, 28}};
  for (const Column& c : columns)
    EXPECT_EQ(SourceX(canvas.Pixel(c.x, 0)), c.from) << "x " << c.x;
  struct Row {
    int y, from;
  } rows[] = {{0, 0}, {39, 39}, {40, 40}, {188, 40}, {189, 41}, {199, 51}};
  for (const Row& r : rows)
    EXPECT_EQ(SourceY(canvas.Pixel(0, r.y)), r.from) << "y " << r.y;
  // A destination smaller than the fixed parts leaves the middle cell out instead of mirroring.
  TBitmap32 small(20, 20, 0xFF0000FFu);
  TOptiResource::DrawSplit(area, small, TRect{0, 0, 20, 20}, TPoint{14, 40});
  EXPECT_EQ(SourceX(small.Pixel(5, 0)), 5);
}

TEST(SkinResource, BorderTintCutAndHitTest) {
  TBitmap32 grey(1, 1, 0xFF808080u);
  EXPECT_EQ(TintPicture(grey, 0xE1AD79).Pixel(0, 0), 0xFF000000u | (60u << 16) | (86u << 8) | 112u);
  EXPECT_TRUE(CaptionPicture(TBitmap32(10, 30)).Empty()) << "too small to cut";
  EXPECT_EQ(CaptionPicture(TBitmap32(24, 53)).Width(), 14);
  struct Case {
    int x, y;
    THit hit;
  } cases[] = {{3, 100, THit::Left},          {3, 10, THit::TopLeft},      {10, 3, THit::TopLeft},
               {10, 10, THit::Client},        {200, 2, THit::Top},         {397, 150, THit::Right},
               {390, 297, THit::BottomRight}, {14, 296, THit::BottomLeft}, {385, 4, THit::TopRight},
               {200, 295, THit::Bottom}};
  for (const Case& c : cases)
    EXPECT_EQ(BorderHitTest(c.x, c.y, 400, 300), c.hit) << c.x << "," << c.y;
  // The border picture's touch-up after a paint, for both pictures and both panel states.
  TBitmap32 pkg = Coordinates(29, 52);
  AdjustBorderPicture(pkg, true, true, false);
  EXPECT_EQ(pkg.Pixel(3, 10), 0xFF000000u);
  pkg = Coordinates(29, 52);
  AdjustBorderPicture(pkg, false, true, false);
  EXPECT_EQ(SourceX(pkg.Pixel(3, 10)), 4);
  EXPECT_EQ(SourceX(pkg.Pixel(25, 10)), 24);
  TBitmap32 own = Coordinates(24, 53);
  AdjustBorderPicture(own, true, true, false);
  EXPECT_EQ(SourceY(own.Pixel(4, 5)), 25) << "twenty rows lower";
  EXPECT_EQ(SourceY(own.Pixel(6, 4)), 41) << "pixel (4, 21), itself taken from twenty rows lower just before";
  EXPECT_EQ(SourceY(own.Pixel(6, 1)), 51);
  own = Coordinates(24, 53);
  AdjustBorderPicture(own, true, false, false);
  EXPECT_EQ(SourceX(own.Pixel(4, 10)), 5);
  EXPECT_EQ(SourceY(own.Pixel(6, 2)), 3) << "row 4 took row 3's colours first";
}

TEST(SkinResource, TimeScalesOfTheTwoSeekBars) {
  const int64_t second = 10'000'000, twoHours = 7200 * second;
  // The skin's seek bar, 300 pixels wide: U = 272, n = 8, 1028 s raised to 30 minutes.
  TTimeScale skin = MakeTimeScale(twoHours, 272 / 34, 14, 272);
  ASSERT_EQ(skin.labels.size(), 5u);
  EXPECT_EQ(skin.labels[1].time, 1800 * second);
  EXPECT_EQ(skin.labels[4].x, 14 + 272);
  EXPECT_EQ(skin.lowTicks.size(), 16u) << "four between each two labels, none past the end";
  // The built-in bar, 454 wide with labels of 30 pixels: n = 9, 900 s stays.
  TTimeScale own = MakeTimeScale(twoHours, 418 / (30 + 15), 18, 418);
  EXPECT_EQ(own.labels.size(), 9u);
  EXPECT_EQ(own.labels[1].time, 900 * second);
  struct Step {
    int64_t duration, labels, step;
  } steps[] = {{twoHours, 1, twoHours},
               {5 * second, 10, second},
               {100 * second, 6, 30 * second},
               {600 * 3600 * second, 3, 300 * 3600 * second},
               {7 * second, 5, 5 * second}};
  for (const Step& s : steps)
    EXPECT_EQ(ScaleStep(s.duration, s.labels), s.step) << s.duration << " over " << s.labels;
  EXPECT_TRUE(MakeTimeScale(0, 5, 0, 100).labels.empty());
  // Far beyond 64 bits in the product, and still on the bar.
  TTimeScale huge = MakeTimeScale(INT64_MAX / 2, 3, 0, 16000);
  EXPECT_LE(huge.labels.back().x, 16000);
}

TEST(SkinResource, MousePositionsBecomeValuesOnTheBar) {
  struct Case {
    int x, offset, span;
    int64_t range;
    bool ok;
    int64_t value;
  } cases[] = {
      {33, 5, 55, 100, true, 50}, // the volume bar of 65 pixels
      {-40, 5, 55, 100, true, 0},  {500, 5, 55, 100, true, 100}, {10, 12, 0, 100, false, 0},
      {10, 12, -4, 100, false, 0}, {10, 12, 100, -1, false, 0},  {112, 12, 276, INT64_MAX, true, 3341801462628541959},
  };
  for (const Case& c : cases) {
    int64_t v = -7;
    EXPECT_EQ(ValueFromX(c.x, c.offset, c.span, c.range, v), c.ok) << c.x;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.x;
    }
  }
}

TEST(SkinResource, BmpFilesOfEveryDepthAndDamagedOnes) {
  TBitmap32 b = Coordinates(7, 3);
  std::optional<TBitmap32> back = ReadBmp(WriteBmp(b));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Pixels(), b.Pixels());
  // A 2 × 2 top-down 8-bit picture with a palette of two colours.
  std::string pal8 = WriteBmp(TBitmap32(1, 1)).substr(0, 54);
  pal8[10] = 54 + 8;
  pal8[22] = static_cast<char>(-2); // height −2: top-down
  pal8[23] = pal8[24] = pal8[25] = static_cast<char>(0xFF);
  pal8[18] = 2;
  pal8[28] = 8;
  pal8[46] = 2;                                               // colours used
  pal8 += std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8); // red, green
  pal8 += std::string("\x00\x01\x00\x00\x01\x00\x00\x00", 8);
  std::optional<TBitmap32> p = ReadBmp(pal8);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p->Pixel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(p->Pixel(0, 1), 0xFF00FF00u);
  std::string good = WriteBmp(b);
  for (const std::string& bad : {good.substr(0, good.size() - 1), std::string("BM"), std::string()})
    EXPECT_FALSE(ReadBmp(bad)) << bad.size();
  std::string wide = good;
  wide[21] = 0x7F; // 2 billion pixels wide
  EXPECT_FALSE(ReadBmp(wide));
  EXPECT_EQ(b.Pixel(-1, 0), 0xFF000000u) << "reads outside a bitmap are black";
  EXPECT_EQ(b.Pixel(7, 2), 0xFF000000u);
}

TEST(SkinChoice, NamesChooseAPackageABitmapOrThePlainLook) {
  zvtest::TempDir dir;
  std::filesystem::create_directory(dir.path() / "Folder");
  zvtest::WriteFile(dir.file("Folder/interface.xml"), "<SKIN/>");
  std::filesystem::create_directory(dir.path() / "Empty");
  zvtest::WriteFile(dir.file("Blue.bmp"), "BM");
  zvtest::WriteFile(dir.file("Pack.zvs"), "PK");
  zvtest::WriteFile(dir.file("Other.ZVZ"), "PK");
  zvtest::WriteFile(dir.file("shiny.BMP"), "BM");
  zvtest::WriteFile(dir.file("notes.txt"), "");
  const std::string skins = dir.str();
  struct Case {
    std::string name, package, bitmap;
  } cases[] = {
      {kDefaultSkinName, "-", ""},
      {kPlainSkinName, "", ""},
      {"Pack.zvs", dir.file("Pack.zvs"), ""},
      {"Gone.ZVS", dir.file("Gone.ZVS"), ""}, // chosen by its extension; loading tells it is gone
      {"Folder", dir.file("Folder"), ""},
      {"Blue", "", dir.file("Blue.bmp")},
      {"nothing", "-", ""},
      {"", "-", ""},
  };
  for (const Case& c : cases) {
    bool done = false;
    TSkinChoice choice = ChooseSkin(c.name, skins, false, done, [](size_t) { return 0; });
    EXPECT_EQ(choice.package, c.package) << c.name;
    EXPECT_EQ(choice.baseBitmap, c.bitmap) << c.name;
  }
  // A random bitmap once per run (only ".bmp" in lower case), then the name again.
  bool done = false;
  TSkinChoice random = ChooseSkin(kDefaultSkinName, skins, true, done, [](size_t n) { return n - 1; });
  EXPECT_EQ(random.baseBitmap, dir.file("Blue.bmp"));
  EXPECT_EQ(random.package, "");
  EXPECT_TRUE(done);
  EXPECT_EQ(ChooseSkin(kDefaultSkinName, skins, true, done, [](size_t) { return 0; }).package, "-");
  EXPECT_EQ(SkinList(skins),
            (std::vector<std::string>{kDefaultSkinName, kPlainSkinName, "Blue", "Folder", "Pack.zvs", "shiny"}));
}
