// The video processor's work on YUY2 frames, checked against the formulas worked out by hand.
#include "filters/video_process.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zv;

TEST(VideoProcess, LevelTablesAtTheirSpotValues) {
  struct Case {
    int b, c, s;
    std::vector<std::pair<int, int>> luma, chroma; // index → value
  } cases[] = {
      {0, 100, 0, {{0, 0}, {127, 0}, {128, 255}, {255, 255}}, {}},
      {0, 50, 0, {{64, 0}, {100, 72}, {191, 255}}, {}}, // k = 63.5 → 64
      {0, -50, 0, {{0, 64}, {128, 128}, {255, 191}}, {}},
      {-100, 0, 0, {{0, 0}, {200, 0}, {255, 0}}, {}},
      {100, 0, 0, {{0, 255}, {255, 255}}, {}},
      {20, 0, 0, {{0, 51}, {128, 153}, {255, 255}}, {}},
      {0, 0, -100, {}, {{0, 128}, {77, 128}, {255, 128}}},
      {0, 0, -50, {}, {{0, 64}, {255, 191}}},
      {0, 0, 50, {}, {{0, 1}, {140, 146}, {255, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.b << "/" << c.c << "/" << c.s);
    const TLevelTables t = BuildLevelTables(c.b, c.c, c.s);
    EXPECT_EQ(t.lumaUsed, c.b != 0 || c.c != 0);
    EXPECT_EQ(t.chromaUsed, c.s != 0);
    for (const auto& [i, v] : c.luma)
      EXPECT_EQ(t.luma[i], v) << i;
    for (const auto& [i, v] : c.chroma)
      EXPECT_EQ(t.chroma[i], v) << i;
  }
  TVideoProcSettings wild;
  wild.brightness = 500;
  wild.contrast = -300;
  wild.effect = 99;
  const TVideoProcValues v = ReadSettings(wild);
  EXPECT_EQ(v.brightness, 100);
  EXPECT_EQ(v.contrast, -100);
  EXPECT_EQ(v.effect, 8);
}

namespace {

// A frame of `w` × `h` pixels in rows of `stride` bytes, the bytes after each row's picture set to
// 0xEE so a write past the picture shows.
struct Frame {
  int w, h;
  size_t stride;
  std::vector<uint8_t> bytes;
  Frame(int width, int height, size_t rowBytes, uint8_t fill = 0)
      : w(width), h(height), stride(rowBytes), bytes(rowBytes * height, 0xEE) {
    for (int r = 0; r < h; ++r)
      std::memset(Row(r), fill, static_cast<size_t>((w + 1) / 2) * 4);
  }
  uint8_t* Row(int r) { return bytes.data() + r * stride; }
  uint8_t& Luma(int x, int y) { return Row(y)[x * 2]; }
};

Frame Pattern(int w, int h, size_t stride) {
  Frame f(w, h, stride);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < (w + 1) / 2 * 2; ++x) {
      f.Row(y)[x * 2] = static_cast<uint8_t>(16 + (x * 37 + y * 11) % 220);
      f.Row(y)[x * 2 + 1] = static_cast<uint8_t>(40 + (x * 13 + y * 7) % 180);
    }
  return f;
}

} // namespace

TEST(VideoProcess, FramesNeutralEffectsFlipAndStrides) {
  TVideoProcess proc;
  // Neutral settings copy every byte of the picture, odd width and padded strides included, and
  // leave the padding alone.
  {
    Frame in = Pattern(7, 3, 20);
    Frame out(7, 3, 24, 0x11);
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, 7, 3, {}, nullptr);
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(std::memcmp(in.Row(r), out.Row(r), 16), 0) << r;
      EXPECT_EQ(out.Row(r)[16], 0xEE);
    }
  }
  // Flip: the first input row lands in the last output row.
  {
    Frame in = Pattern(8, 4, 16);
    Frame out(8, 4, 16);
    TVideoProcValues v;
    v.flip = true;
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, 8, 4, v, nullptr);
    for (int r = 0; r < 4; ++r)
      EXPECT_EQ(std::memcmp(in.Row(r), out.Row(3 - r), 16), 0) << r;
  }
  // Effects: 1 copies, 7 (edges) makes a flat area black inside and keeps the border and the
  // chroma; 2 (soft) spreads a bright dot by its weights.
  struct Effect {
    int effect;
    std::function<void(Frame&)> draw;
    std::vector<std::tuple<int, int, int>> luma; // x, y, expected
  } effects[] = {
      {1, [](Frame&) {}, {{3, 3, 100}, {0, 0, 100}}},
      {7, [](Frame&) {}, {{3, 3, 0}, {1, 1, 0}, {0, 0, 100}, {7, 7, 100}, {0, 4, 100}}},
      {2,
       [](Frame& f) { f.Luma(4, 4) = 230; },
       {{4, 4, (5 * 230 + 8 * 100) / 13}, {3, 3, (230 + 5 * 100 + 7 * 100) / 13}, {2, 2, 100}}},
      {5, [](Frame& f) { f.Luma(4, 4) = 230; }, {{4, 4, 255}, {3, 4, (-2 * 230 + 32 * 100 - 14 * 100) / 16}}},
  };
  for (const Effect& e : effects) {
    SCOPED_TRACE(e.effect);
    Frame in(8, 8, 16, 100);
    e.draw(in);
    Frame out(8, 8, 16);
    TVideoProcValues v;
    v.effect = e.effect;
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, 8, 8, v, nullptr);
    for (const auto& [x, y, luma] : e.luma)
      EXPECT_EQ(out.Luma(x, y), luma) << x << "," << y;
    EXPECT_EQ(out.Row(3)[7], 100) << "chroma untouched";
  }
  // In place (the output is the input) every combination gives the same picture as out of place.
  for (const auto& [b, c, s, e, f] : std::vector<std::tuple<int, int, int, int, bool>>{
           {0, 0, 0, 0, true}, {0, 50, 0, 0, false}, {10, 0, -40, 0, true}, {0, 0, 0, 2, true}, {0, 0, 0, 0, false}}) {
    TVideoProcValues v;
    v.brightness = b, v.contrast = c, v.saturation = s, v.effect = e, v.flip = f;
    Frame in = Pattern(9, 5, 20);
    Frame out(9, 5, 20);
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, 9, 5, v, nullptr);
    proc.Process(in.bytes.data(), in.stride, in.bytes.data(), in.stride, 9, 5, v, nullptr);
    for (int r = 0; r < 5; ++r)
      EXPECT_EQ(std::memcmp(in.Row(r), out.Row(r), 20), 0) << b << c << s << e << f << " row " << r;
  }
  // Brightness, contrast and saturation go through the tables; the OSD comes last, on top.
  {
    Frame in(4, 2, 8, 128);
    Frame out(4, 2, 8);
    TVideoProcValues v;
    v.contrast = 100;
    v.saturation = -100;
    TYVOSD osd;
    const TYVImageCreator creator;
    const uint32_t white[1] = {0xFFFFFF};
    osd.Replace({{1, 1, creator.CreateImage(white, 1, 1, 1, std::nullopt)}});
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, 4, 2, v, &osd);
    EXPECT_EQ(out.Luma(0, 0), 255);
    EXPECT_EQ(out.Row(0)[1], 128);
    EXPECT_EQ(out.Luma(1, 1), 233);
  }
}

TEST(VideoProcess, AFrameSizeChangeMidStreamKeepsEveryWriteInside) {
  // Under the address sanitizer a buffer kept from the last size would show here.
  TVideoProcess proc;
  TVideoProcValues v;
  v.effect = 3;
  v.brightness = 10;
  const int sizes[][2] = {{64, 32}, {32, 64}, {101, 9}, {2, 2}, {1, 1}, {640, 4}};
  for (const auto& [w, h] : sizes) {
    const size_t stride = (static_cast<size_t>(w) * 2 + 3) / 4 * 4;
    Frame in = Pattern(w, h, stride);
    Frame out(w, h, stride);
    proc.Process(in.bytes.data(), in.stride, out.bytes.data(), out.stride, w, h, v, nullptr);
    // The border keeps its luma through the effect; the level table then lifts it.
    const TLevelTables t = BuildLevelTables(10, 0, 0);
    EXPECT_EQ(out.Luma(0, 0), t.luma[in.Luma(0, 0)]) << w << "x" << h;
  }
}

TEST(VideoProcess, PlanarFramesGetTheSameWorkAsYuy2) {
  // A 4:2:0 picture written both ways: the chroma of each pair of rows the same.
  const int w = 12, h = 8;
  Frame packed(w, h, w * 2);
  std::vector<uint8_t> y(w * h), u(w / 2 * h / 2), v(w / 2 * h / 2);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const uint8_t luma = static_cast<uint8_t>(20 + (c * 41 + r * 23) % 200);
      const uint8_t cb = static_cast<uint8_t>(60 + (c / 2 * 17 + r / 2 * 5) % 120);
      const uint8_t cr = static_cast<uint8_t>(70 + (c / 2 * 11 + r / 2 * 13) % 110);
      packed.Luma(c, r) = luma;
      packed.Row(r)[c * 2 + 1] = c % 2 == 0 ? cb : cr;
      y[r * w + c] = luma;
      u[r / 2 * (w / 2) + c / 2] = cb;
      v[r / 2 * (w / 2) + c / 2] = cr;
    }
  TYVOSD osd;
  const TYVImageCreator creator;
  const uint32_t px[6] = {0xFFFFFF, 0x040004, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  osd.Replace(
      {{3, 2, creator.CreateImage(px, 3, 2, 3, 0x040004)}, {-1, 6, creator.CreateImage(px, 3, 2, 3, 0x040004)}});
  TVideoProcValues values;
  values.brightness = 12;
  values.contrast = -30;
  values.saturation = 45;
  values.effect = 6;
  values.flip = true;
  TVideoProcess a, b;
  a.Process(packed.bytes.data(), packed.stride, packed.bytes.data(), packed.stride, w, h, values, &osd);
  b.ProcessPlanar(y.data(), w, u.data(), w / 2, v.data(), w / 2, w, h, values, &osd);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      ASSERT_EQ(y[r * w + c], packed.Luma(c, r)) << c << "," << r;
      if (r % 2 == 1) // the planes hold the chroma of each pair's first row
        continue;
      EXPECT_EQ((c % 2 == 0 ? u : v)[r / 2 * (w / 2) + c / 2], packed.Row(r)[c * 2 + 1]) << c << "," << r;
    }
}
