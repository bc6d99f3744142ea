#include "filters/yv_osd.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zv;

namespace {

const TYVImageCreator& Creator() {
  static const TYVImageCreator c;
  return c;
}

// A frame of mid grey, Y 100 and both chroma 50, so every blended byte shows.
std::vector<uint8_t> GreyFrame(int w, int h) {
  std::vector<uint8_t> f(static_cast<size_t>(w) * h * 2);
  for (size_t i = 0; i < f.size(); i += 2) {
    f[i] = 100;
    f[i + 1] = 50;
  }
  return f;
}

} // namespace

TEST(YVImageCreator, TablesGiveStudioRangeAndRoundHalvesToEven) {
  struct Case {
    uint32_t rgb;
    int luma, cr, cb;
  } cases[] = {
      {0xFFFFFF, 233, 128, 128}, // 65,025 × 219 ÷ 65,535 = 217.3; grey's differences are 112.5 → 112
      {0x000000, 16, 128, 128},
      {0xFF0000, 81, 241, 73},
      {0x0000FF, 41, 72, 241},
  };
  for (const Case& c : cases) {
    const uint32_t px[2] = {c.rgb, c.rgb};
    auto img = Creator().CreateImage(px, 2, 1, 2, std::nullopt);
    SCOPED_TRACE(c.rgb);
    ASSERT_EQ(img->oddAligned.size(), 4u);
    EXPECT_EQ(img->oddAligned[0], c.luma);
    EXPECT_EQ(img->oddAligned[1], c.cr);
    EXPECT_EQ(img->oddAligned[3], c.cb);
    // The even-aligned copy keeps the luma where it was and swaps the chroma.
    EXPECT_EQ(img->evenAligned[0], c.luma);
    EXPECT_EQ(img->evenAligned[1], c.cb);
    EXPECT_EQ(img->evenAligned[3], c.cr);
  }
}

TEST(YVImageCreator, KeyColourIsTransparentWhateverTheAlphaByte) {
  const uint32_t px[4] = {0xFF040004, 0x00FFFFFF, 0x12040004, 0xFF040005};
  auto img = Creator().CreateImage(px, 2, 2, 2, 0xFF040004);
  EXPECT_EQ(img->oddAligned[0], 0);
  EXPECT_EQ(img->oddAligned[2], 233);
  EXPECT_EQ(img->oddAligned[4], 0);
  EXPECT_NE(img->oddAligned[6], 0);
  // Without a key nothing is transparent (luma is never below 16).
  auto opaque = Creator().CreateImage(px, 2, 2, 2, std::nullopt);
  EXPECT_EQ(opaque->oddAligned[0], Creator().Luma(76 * 4 + 29 * 4));
}

TEST(YVOSD, BlendPicksTheAlignmentAndClipsOnEverySide) {
  // A 4 × 2 picture: columns white, key, red, blue; second row the same.
  const uint32_t px[8] = {0xFFFFFF, 0x040004, 0xFF0000, 0x0000FF, 0xFFFFFF, 0x040004, 0xFF0000, 0x0000FF};
  auto img = Creator().CreateImage(px, 4, 2, 4, 0x040004);
  struct Case {
    int x, y;
    std::vector<std::pair<int, int>> drawn; // frame pixels covered by white, red, blue (none: key)
  } cases[] = {
      {3, 1, {{3, 1}, {5, 1}, {6, 1}, {3, 2}, {5, 2}, {6, 2}}},
      {4, 0, {{4, 0}, {6, 0}, {7, 0}, {4, 1}, {6, 1}, {7, 1}}},
      {-2, -1, {{0, 0}, {1, 0}}}, // left and top cut
      {7, 3, {{7, 3}}},           // right and bottom cut
      {-100, 0, {}},
      {2, 4, {}},
  };
  const int w = 8, h = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    TYVOSD osd;
    osd.Replace({{c.x, c.y, img}});
    std::vector<uint8_t> f = GreyFrame(w, h);
    osd.Blend(f.data(), f.size(), w, h, w * 2);
    int changed = 0;
    for (int py = 0; py < h; ++py)
      for (int pxi = 0; pxi < w; ++pxi) {
        const uint8_t* p = &f[(py * w + pxi) * 2];
        const bool expected = std::find(c.drawn.begin(), c.drawn.end(), std::make_pair(pxi, py)) != c.drawn.end();
        EXPECT_EQ(p[0] != 100, expected) << pxi << "," << py;
        if (!expected)
          continue;
        ++changed;
        // The frame's own chroma order: Cb on even columns, Cr on odd ones, from the pixel drawn.
        const uint32_t colour = px[pxi - c.x];
        const unsigned r = colour >> 16, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
        EXPECT_EQ(p[0], Creator().Luma(76 * r + 150 * g + 29 * b));
        EXPECT_EQ(p[1], pxi % 2 == 0 ? Creator().Cb(b, (r + g) / 2) : Creator().Cr(r, (g + b) / 2));
      }
    EXPECT_EQ(changed, static_cast<int>(c.drawn.size()));
  }
}

TEST(YVOSD, ShortBufferListOrderAndReplacementWhileBlending) {
  const uint32_t white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  const uint32_t red[4] = {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000};
  auto w = Creator().CreateImage(white, 2, 2, 2, std::nullopt);
  auto r = Creator().CreateImage(red, 2, 2, 2, std::nullopt);
  TYVOSD osd;
  osd.Replace({{0, 0, w}, {0, 0, r}, {0, 0, nullptr}});
  // A buffer one row short: the missing row is not written.
  std::vector<uint8_t> f = GreyFrame(2, 2);
  f.resize(4);
  osd.Blend(f.data(), f.size(), 2, 2, 4);
  EXPECT_EQ(f[0], Creator().Luma(76 * 255)); // the later picture wins
  // Replacing while another thread blends never frees a picture under it.
  std::thread blender([&] {
    std::vector<uint8_t> g = GreyFrame(64, 64);
    for (int i = 0; i < 2000; ++i)
      osd.Blend(g.data(), g.size(), 64, 64, 128);
  });
  for (int i = 0; i < 2000; ++i)
    osd.Replace({{i % 3, i % 5, Creator().CreateImage(white, 2, 2, 2, std::nullopt)}});
  blender.join();
  EXPECT_EQ(osd.Items().size(), 1u);
}
