#include "playback/engine/engine.h"
#include "ui/filter_graph_layout.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
constexpr int W = 180, H = 40;
int Row(const TBoxPlace& p) { return (p.top - 10) / (H + 10); }
} // namespace

// Rows by distance from the source, the colours by pin counts, the lines by downstream names.
TEST(FilterGraph, BoxesGoToTheRowsOfTheirDistanceFromTheSource) {
  // Source, splitter, two decoders, two renderers, in the engine's order with the renderers first.
  std::vector<TGraphBox> g = {{"Audio Renderer", 1, 0, {}},
                              {"Video Renderer", 1, 0, {}},
                              {"Video Decoder", 1, 1, {"Video Renderer"}},
                              {"Audio Decoder", 1, 1, {"Audio Renderer"}},
                              {"Splitter", 1, 2, {"Video Decoder", "Audio Decoder"}},
                              {"File", 0, 1, {"Splitter"}}};
  std::vector<TBoxPlace> p = LayoutGraph(g, W, H);
  EXPECT_EQ(p[5], (TBoxPlace{10, 10}));
  EXPECT_EQ(p[4], (TBoxPlace{10, 60}));
  EXPECT_EQ(p[2], (TBoxPlace{10, 110})) << "decoders in enumeration order";
  EXPECT_EQ(p[3], (TBoxPlace{200, 110}));
  EXPECT_EQ(Row(p[0]), 3);
  EXPECT_EQ(Row(p[1]), 3);
  std::vector<TGraphLine> lines = GraphLines(g, p, W, H);
  ASSERT_EQ(lines.size(), 5u);
  // The splitter's first output (to the video decoder) leaves from the right third of its box.
  EXPECT_EQ(lines[2], (TGraphLine{10 + 180 - 60, 60 + 40, 10 + 90, 110}));

  struct TColour {
    int in, out;
    TRgb colour;
  };
  for (const TColour& c : {TColour{0, 1, {0, 128, 0}}, TColour{1, 1, {0, 128, 128}}, TColour{2, 0, {128, 0, 0}},
                           TColour{1, 3, {128, 128, 0}}, TColour{3, 1, {128, 0, 128}}, TColour{0, 0, {128, 128, 128}},
                           TColour{2, 2, {128, 128, 128}}})
    EXPECT_EQ(BoxColour(c.in, c.out), c.colour) << c.in << " " << c.out;
}

TEST(FilterGraph, EdgeCasesOfTheLayout) {
  // No source: one column.
  std::vector<TGraphBox> noSource = {{"A", 1, 1, {"B"}}, {"B", 1, 0, {}}};
  EXPECT_EQ(LayoutGraph(noSource, W, H), (std::vector<TBoxPlace>{{10, 10}, {10, 70}}));
  // Reached along two paths, a box ends in the row of the longer one; an unreached box follows
  // the source in row 0.
  std::vector<TGraphBox> paths = {
      {"S", 0, 2, {"A", "C"}}, {"A", 1, 1, {"B"}}, {"B", 1, 1, {"C"}}, {"C", 2, 0, {}}, {"Lone", 1, 1, {}}};
  std::vector<TBoxPlace> p = LayoutGraph(paths, W, H);
  EXPECT_EQ(Row(p[3]), 3);
  EXPECT_EQ(p[4], (TBoxPlace{200, 10}));
  // Two boxes of one name both take every level of that name, and both get the lines.
  std::vector<TGraphBox> twins = {{"S", 0, 1, {"T"}}, {"T", 1, 0, {}}, {"T", 1, 0, {}}};
  p = LayoutGraph(twins, W, H);
  EXPECT_EQ(Row(p[1]), 1);
  EXPECT_EQ(Row(p[2]), 1);
  EXPECT_EQ(GraphLines(twins, p, W, H).size(), 2u);
  // A name downstream of itself stops at level 20 and keeps its column place.
  std::vector<TGraphBox> loop = {{"S", 0, 1, {"X"}}, {"X", 1, 1, {"X"}}};
  p = LayoutGraph(loop, W, H);
  EXPECT_EQ(p[1], (TBoxPlace{10, (H + 20) + 10}));
}

TEST(FilterGraph, MeritsOfRanksAndTheirNames) {
  struct TCase {
    unsigned rank;
    uint32_t merit;
    const char* name;
  };
  for (const TCase& c :
       {TCase{0, 0x00200000, "Avoid"}, TCase{32, 0x00300000, "Avoid"}, TCase{64, 0x00400000, "Unlikely"},
        TCase{128, 0x00600000, "Normal"}, TCase{192, 0x00700000, "Normal"}, TCase{256, 0x00800000, "High"},
        TCase{257, 0x00801000, "High"}}) {
    EXPECT_EQ(eng::MeritOfRank(c.rank), c.merit) << c.rank;
    EXPECT_EQ(MeritName(eng::MeritOfRank(c.rank)), c.name) << c.rank;
  }
  EXPECT_EQ(MeritName(0x001FFFFF), "Special case");
  EXPECT_EQ(MeritName(0x00600000), "Normal");
  for (unsigned r = 1; r < 400; ++r)
    EXPECT_GT(eng::MeritOfRank(r), eng::MeritOfRank(r - 1)) << "one monotone mapping";
}
