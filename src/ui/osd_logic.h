#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The rules of the on-screen display's texts and panels, apart from any painting.

// Style bits of the mark-up: <B>, <I>, <U> and their closing forms.
enum : int { kOsdBold = 1, kOsdItalic = 2, kOsdUnderline = 4 };

// The lines of a text: trimmed of blanks and control characters, cut at each line feed, each
// line trimmed and given one blank at each end.
std::vector<std::string> OsdLines(std::string_view text);

// A line cut into runs of one style; the tags change `style`, which carries on to the next call.
struct TOsdRun {
  std::string text;
  int style = 0;
  friend bool operator==(const TOsdRun&, const TOsdRun&) = default;
};
std::vector<TOsdRun> OsdRuns(std::string_view line, int& style);

// The information panel's alignment from OSD.Info.Pos (0 top-left … 5 bottom-right): 1 → 0,
// 2 → 3, 3 → 4, 4 → 1, 5 → 5, anything else → 2.
int InfoAlignment(int osdInfoPos);
// Alignments 1, 4, 5 keep the panel's bottom edge; 0, 2, 3 its top.
inline bool OsdBottomAnchored(int alignment) { return alignment == 1 || alignment >= 4; }
// Where a line of width `lineWidth` starts in a panel of `width`: centred, or 5 pixels in on the
// left (2, 4) or the right (3, 5).
int OsdLineX(int alignment, int width, int lineWidth);

// A subtitle panel over a video area: VPos percent from the bottom; at 50 or below the panel's
// bottom edge is that high (alignment 1), above it its top edge is that far from the top (0).
struct TOsdAnchor {
  int alignment = 1;
  int y = 0; // the anchored edge, in the video area's coordinates
  friend bool operator==(const TOsdAnchor&, const TOsdAnchor&) = default;
};
TOsdAnchor SubtitleAnchor(int vpos, int videoHeight);

// Text of a subtitle file or a message for the screen: as it is when it is valid UTF-8, else
// decoded with the code page of the font's character-set number `charset` (204 → 1251, …).
std::string OsdText(std::string_view bytes, int charset);

} // namespace zv
