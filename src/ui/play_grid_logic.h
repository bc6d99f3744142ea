#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

class TPlayList;

// A duration as the playlist rows show it: " --:--" when unknown (negative), " 5:07" below ten
// minutes, " 15:07" below an hour, " 1:15:07" from there on.
std::string EntryDurationText(int64_t duration);

// A row of the playlist grid: an entry (bookmark −1) or one of its bookmarks; (−1, −1) past the end.
struct TGridRow {
  int entry = -1, bookmark = -1;
  friend bool operator==(const TGridRow&, const TGridRow&) = default;
};

// The keys and buttons held with a click.
struct TGridButtons {
  bool shift = false, ctrl = false, alt = false, left = false, right = false, middle = false;
};

// What the playlist grid does, apart from painting: the rows of entries and bookmarks read from
// the playlist as they are needed, the selection kept in the entries' and bookmarks' own flags,
// the mouse and keyboard rules, moving and removing. The grid widget forwards its input here and
// repaints when told.
class TPlayGridLogic {
public:
  explicit TPlayGridLogic(TPlayList& list) : list_(list) {}

  bool showBookmarks = true;
  bool showNumbers = true;
  bool showDurations = false;
  // Measures a file whose duration is unknown (0 when it has none); streams are never measured.
  std::function<int64_t(const std::string&)> measure;

  // Recounts the rows. False, with nothing recounted, while the playlist is inside an update.
  bool Refresh();
  int RowCount() const { return rows_; }
  TGridRow EntryAtRow(int row) const;
  int RowOf(int entry, int bookmark) const;
  // The seek bar's marks for the current entry's bookmarks (the first hundred); false without a
  // current entry, when the marks stay as they are.
  bool CurrentMarks(std::vector<int64_t>& marks) const;

  // Texts of the rows: " 007. Title" (numbers as wide as the entry count), " 1:05" or " --:--".
  std::string EntryText(int entry) const;
  // The entry's duration text; an unknown duration of a file is measured once, here.
  std::string DurationText(int entry);

  void ClearSelection();
  void SelectPrevious();
  void SelectNext();
  void MouseDown(int row, TGridButtons buttons);
  // True when the selected block moved.
  bool MouseMove(int row);
  void MouseUp(int row);
  void DoubleClick();
  void PlayFocused();
  void MoveFocusedUp() { MoveFocused(-1); }
  void MoveFocusedDown() { MoveFocused(1); }
  void RemoveSelected();
  // True when the value changed (and the rows were recounted).
  bool SetShowBookmarks(bool on);

  // Scrolling: the top row that brings the current entry into sight (`top` when it is already),
  // and the top row after a wheel step.
  int TopForCurrent(int top, int fullyVisible) const;
  int TopAfterWheel(int top, int delta, int fullyVisible) const;

  int FocusEntry() const { return focusEntry_; }
  int FocusedBookmark() const { return focusedBookmark_; }
  int AnchorRow() const { return anchorRow_; }
  bool MultiSelection() const { return multi_; }

private:
  void Select(TGridRow r);
  void MoveFocused(int step);
  int Count() const;

  TPlayList& list_;
  int rows_ = 0;
  // The first row of each entry (one more element than entries) while bookmarks add rows; empty
  // when every row is an entry.
  std::vector<int> firstRow_;
  bool dragArmed_ = false, multi_ = false, collapseOnRelease_ = false;
  int anchorRow_ = 0, focusEntry_ = 0, focusedBookmark_ = -1;
};

} // namespace zv
