#pragma once

#include "core/colour.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// What the filter-graph picture needs of one filter: its name, its pin counts and the names of
// the filters connected to its output pins, in pin order.
struct TGraphBox {
  std::string name;
  int inputs = 0, outputs = 0;
  std::vector<std::string> downstream;
};

struct TBoxPlace {
  int left = 0, top = 0;
  friend bool operator==(const TBoxPlace&, const TBoxPlace&) = default;
};

// The boxes in rows by their distance from the source (the last box without inputs): each
// filter downstream of a box of row v, matched by name, goes to row v + 1, later passes winning;
// boxes no path reaches follow the source in row 0. Rows are assigned up to 20, so a name that
// reaches itself ends; a box beyond row 19 keeps its place in the first column, as does every
// box when there is no source. `w` and `h` are a box's size.
std::vector<TBoxPlace> LayoutGraph(const std::vector<TGraphBox>& boxes, int w, int h);

// A box's colour by its pin counts: green for a source, teal for one in and one out, maroon for a
// renderer, olive for a splitter, purple for a mixer, grey otherwise.
TRgb BoxColour(int inputs, int outputs);

// The lines from each box's output side to the top middle of every box of each downstream name.
struct TGraphLine {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  friend bool operator==(const TGraphLine&, const TGraphLine&) = default;
};
std::vector<TGraphLine> GraphLines(const std::vector<TGraphBox>& boxes, const std::vector<TBoxPlace>& places, int w,
                                   int h);

// "Special case", "Avoid", "Unlikely", "Normal" or "High".
std::string MeritName(uint32_t merit);

} // namespace zv
