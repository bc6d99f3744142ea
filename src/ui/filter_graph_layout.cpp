#include "ui/filter_graph_layout.h"

namespace zv {

namespace {
constexpr int kUnreached = 99;
constexpr int kLastLevel = 20;
constexpr int kRows = 20;
} // namespace

std::vector<TBoxPlace> LayoutGraph(const std::vector<TGraphBox>& boxes, int w, int h) {
  const int n = static_cast<int>(boxes.size());
  std::vector<TBoxPlace> places(boxes.size());
  for (int i = 0; i < n; ++i)
    places[static_cast<size_t>(i)] = {10, (h + 20) * i + 10};
  int source = -1;
  for (int i = 0; i < n; ++i)
    if (boxes[static_cast<size_t>(i)].inputs == 0)
      source = i;
  if (source < 0)
    return places;
  std::vector<int> level(boxes.size(), kUnreached);
  level[static_cast<size_t>(source)] = 0;
  for (int v = 0; v < kLastLevel; ++v) {
    bool assigned = false;
    for (int i = 0; i < n; ++i) {
      if (level[static_cast<size_t>(i)] != v)
        continue;
      for (const std::string& name : boxes[static_cast<size_t>(i)].downstream)
        for (int t = 0; t < n; ++t)
          if (boxes[static_cast<size_t>(t)].name == name) {
            level[static_cast<size_t>(t)] = v + 1;
            assigned = true;
          }
    }
    if (!assigned)
      break;
  }
  for (int v = 0; v < kRows; ++v) {
    const int y = 10 + v * (h + 10);
    int x = 10;
    auto place = [&](int wanted) {
      for (int i = 0; i < n; ++i)
        if (level[static_cast<size_t>(i)] == wanted) {
          places[static_cast<size_t>(i)] = {x, y};
          x += w + 10;
        }
    };
    place(v);
    if (v == 0)
      place(kUnreached);
  }
  return places;
}

TRgb BoxColour(int a, int b) {
  if (a == 0 && b >= 1)
    return {0, 128, 0};
  if (a == 1 && b == 1)
    return {0, 128, 128};
  if (a >= 1 && b == 0)
    return {128, 0, 0};
  if (a == 1 && b >= 2)
    return {128, 128, 0};
  if (a >= 2 && b == 1)
    return {128, 0, 128};
  return {128, 128, 128};
}

std::vector<TGraphLine> GraphLines(const std::vector<TGraphBox>& boxes, const std::vector<TBoxPlace>& places, int w,
                                   int h) {
  std::vector<TGraphLine> lines;
  for (size_t r = 0; r < boxes.size(); ++r) {
    const std::vector<std::string>& down = boxes[r].downstream;
    const int d = w / (static_cast<int>(down.size()) + 1);
    for (size_t c = 0; c < down.size(); ++c)
      for (size_t t = 0; t < boxes.size(); ++t)
        if (boxes[t].name == down[c])
          lines.push_back({places[r].left + w - (static_cast<int>(c) + 1) * d, places[r].top + h,
                           places[t].left + w / 2, places[t].top});
  }
  return lines;
}

std::string MeritName(uint32_t merit) {
  if (merit >= 0x00800000u)
    return "High";
  if (merit >= 0x00600000u)
    return "Normal";
  if (merit >= 0x00400000u)
    return "Unlikely";
  if (merit >= 0x00200000u)
    return "Avoid";
  return "Special case";
}

} // namespace zv
