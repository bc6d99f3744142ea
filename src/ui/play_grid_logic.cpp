#include "ui/play_grid_logic.h"

#include "core/format.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "playlist/playlist.h"

#include <algorithm>

namespace zv {

std::string EntryDurationText(int64_t d) {
  constexpr int64_t kSecond = 10'000'000;
  if (d < 0)
    return " --:--";
  const char* tmpl = d < 600 * kSecond ? "{m}:{S}" : d < 3600 * kSecond ? "{M}:{S}" : "{H}:{M}:{S}";
  return " " + FormatTime(tmpl, d);
}

int TPlayGridLogic::Count() const { return list_.Count(); }

bool TPlayGridLogic::Refresh() {
  if (focusEntry_ < 0)
    focusEntry_ = 0;
  if (list_.Updating())
    return false;
  const int n = Count();
  firstRow_.clear();
  rows_ = n;
  if (showBookmarks) {
    int64_t marks = 0;
    for (int i = 0; i < n; ++i)
      marks += static_cast<int64_t>(list_.Items(i).Bookmarks.size());
    if (marks > 0) {
      firstRow_.reserve(static_cast<size_t>(n) + 1);
      int row = 0;
      for (int i = 0; i < n; ++i) {
        firstRow_.push_back(row);
        row += 1 + static_cast<int>(list_.Items(i).Bookmarks.size());
      }
      firstRow_.push_back(row);
      rows_ = row;
    }
  }
  return true;
}

TGridRow TPlayGridLogic::EntryAtRow(int row) const {
  const int n = Count();
  if (row < 0 || row >= rows_)
    return {};
  if (firstRow_.empty())
    return row < n ? TGridRow{row, -1} : TGridRow{};
  if (firstRow_.size() != static_cast<size_t>(n) + 1) {
    // The list changed under the rows (inside an update): walk what is there now.
    for (int e = 0, first = 0; e < n; ++e) {
      int marks = showBookmarks ? static_cast<int>(list_.Items(e).Bookmarks.size()) : 0;
      if (row <= first + marks)
        return TGridRow{e, row - first - 1};
      first += 1 + marks;
    }
    return {};
  }
  auto it = std::upper_bound(firstRow_.begin(), firstRow_.end(), row);
  int e = static_cast<int>(it - firstRow_.begin()) - 1;
  if (e < 0 || e >= n)
    return {};
  int b = row - firstRow_[static_cast<size_t>(e)] - 1;
  if (b >= static_cast<int>(list_.Items(e).Bookmarks.size()))
    return {};
  return TGridRow{e, b};
}

int TPlayGridLogic::RowOf(int entry, int bookmark) const {
  int row = entry;
  if (!firstRow_.empty() && entry >= 0 && static_cast<size_t>(entry) < firstRow_.size())
    row = firstRow_[static_cast<size_t>(entry)];
  if (bookmark >= 0 && showBookmarks)
    row += 1 + bookmark;
  return row;
}

bool TPlayGridLogic::CurrentMarks(std::vector<int64_t>& marks) const {
  int current = list_.CurrentIndex();
  if (current < 0 || current >= Count())
    return false;
  const auto& bookmarks = list_.Items(current).Bookmarks;
  marks.assign(std::min<size_t>(bookmarks.size(), 100), 0);
  for (size_t i = 0; i < marks.size(); ++i)
    marks[i] = bookmarks[i].Position;
  return true;
}

std::string TPlayGridLogic::EntryText(int entry) const {
  if (entry < 0 || entry >= Count())
    return {};
  const std::string& title = list_.Items(entry).Title;
  if (!showNumbers)
    return " " + title;
  int digits = 1;
  for (int n = Count(); n >= 10; n /= 10)
    ++digits;
  return Format(" %.*d. ", digits, entry + 1) + title;
}

std::string TPlayGridLogic::DurationText(int entry) {
  if (entry < 0 || entry >= Count())
    return {};
  TPlayEntry& e = list_.Items(entry);
  // Streams are never measured: opening one could take as long as the server wants.
  if (e.Duration == -1 && measure && !IsStreamName(e.FileName))
    e.Duration = std::max<int64_t>(measure(e.FileName), 0);
  return EntryDurationText(e.Duration);
}

void TPlayGridLogic::ClearSelection() {
  for (int i = 0; i < Count(); ++i) {
    TPlayEntry& e = list_.Items(i);
    e.Selected = false;
    for (TBookMark& b : e.Bookmarks)
      b.Selected = false;
  }
  multi_ = false;
}

void TPlayGridLogic::Select(TGridRow r) {
  if (r.entry < 0 || r.entry >= Count())
    return;
  TPlayEntry& e = list_.Items(r.entry);
  if (r.bookmark < 0)
    e.Selected = true;
  else if (r.bookmark < static_cast<int>(e.Bookmarks.size()))
    e.Bookmarks[static_cast<size_t>(r.bookmark)].Selected = true;
}

void TPlayGridLogic::SelectPrevious() {
  if (Count() > 0 && focusEntry_ > 0 && focusEntry_ < Count()) {
    ClearSelection();
    Select({--focusEntry_, -1});
  }
}

void TPlayGridLogic::SelectNext() {
  if (Count() > 0 && focusEntry_ >= 0 && focusEntry_ < Count() - 1) {
    ClearSelection();
    Select({++focusEntry_, -1});
  }
}

void TPlayGridLogic::MouseDown(int row, TGridButtons k) {
  collapseOnRelease_ = false;
  TGridRow r = EntryAtRow(row);
  if (r.entry < 0)
    return;
  dragArmed_ = true;
  const bool noKey = !k.shift && !k.ctrl && !k.alt;
  const bool oneButton = (k.left != k.right) && !k.middle;
  if (k.ctrl && k.left) {
    TPlayEntry& e = list_.Items(r.entry);
    bool& flag = r.bookmark < 0 ? e.Selected : e.Bookmarks[static_cast<size_t>(r.bookmark)].Selected;
    flag = !flag;
    multi_ = true;
    dragArmed_ = false;
  } else if (oneButton && noKey) {
    if (multi_) {
      collapseOnRelease_ = true; // a drag moves the whole selection
    } else {
      ClearSelection();
      Select(r);
    }
  } else if (k.shift && k.left) {
    for (int i = std::min(anchorRow_, row), last = std::max(anchorRow_, row); i <= last; ++i)
      Select(EntryAtRow(i));
    multi_ = true;
    dragArmed_ = false;
  }
  focusEntry_ = r.entry;
  anchorRow_ = row;
  focusedBookmark_ = r.bookmark;
}

bool TPlayGridLogic::MouseMove(int row) {
  if (focusedBookmark_ >= 0 || !dragArmed_)
    return false; // bookmark rows are not dragged
  const int n = Count();
  int first = -1, last = -1;
  for (int i = 0; i < n; ++i)
    if (list_.Items(i).Selected) {
      if (first < 0)
        first = i;
      last = i;
    }
  if (first < 0)
    return false;
  TGridRow r = EntryAtRow(row);
  if (r.entry < 0 || r.bookmark >= 0)
    return false;
  const int d = r.entry - (showBookmarks ? first : focusEntry_);
  if (d == 0 || last + d >= n || first + d < 0)
    return false;        // the block moves only as a whole
  list_.MoveSelected(d); // one pass and one notification for the whole block
  focusEntry_ = r.entry;
  return true;
}

void TPlayGridLogic::MouseUp(int row) {
  if (dragArmed_)
    anchorRow_ = row;
  if (collapseOnRelease_) {
    ClearSelection();
    Select({focusEntry_, focusedBookmark_});
  }
  dragArmed_ = false;
}

void TPlayGridLogic::PlayFocused() {
  if (Count() > 0 && focusEntry_ >= 0 && focusEntry_ < Count())
    list_.PlayIndex(focusEntry_, focusedBookmark_);
}

void TPlayGridLogic::DoubleClick() {
  PlayFocused();
  if (focusEntry_ >= 0 && focusEntry_ < Count())
    Select({focusEntry_, focusedBookmark_});
  dragArmed_ = false;
}

void TPlayGridLogic::MoveFocused(int step) {
  const int to = focusEntry_ + step;
  if (Count() < 2 || focusEntry_ < 0 || focusEntry_ >= Count() || to < 0 || to >= Count())
    return;
  list_.Move(focusEntry_, to);
  focusEntry_ = to;
}

void TPlayGridLogic::RemoveSelected() {
  const int n = Count();
  if (n == 0)
    return;
  std::vector<int> entries;
  int p = -1;
  // One update: a block of thousands of entries goes in one pass and one repaint.
  list_.BeginUpdate();
  for (int i = n - 1; i >= 0; --i) {
    TPlayEntry& e = list_.Items(i);
    if (e.Selected) {
      entries.push_back(i);
      p = i;
      continue;
    }
    for (int b = static_cast<int>(e.Bookmarks.size()) - 1; b >= 0; --b)
      if (e.Bookmarks[static_cast<size_t>(b)].Selected) {
        list_.DeleteBookmark(i, b);
        p = i;
      }
  }
  list_.DeleteMany(entries);
  if (p >= 0 && Count() > 0) {
    int selected = std::min(p, Count() - 1);
    list_.Items(selected).Selected = true;
    focusEntry_ = selected;
    focusedBookmark_ = -1;
  }
  list_.EndUpdate();
}

bool TPlayGridLogic::SetShowBookmarks(bool on) {
  if (on == showBookmarks)
    return false;
  showBookmarks = on;
  Refresh();
  return true;
}

int TPlayGridLogic::TopForCurrent(int top, int fullyVisible) const {
  int current = list_.CurrentIndex();
  if (current < 0)
    return top;
  int r = RowOf(current, -1);
  if (r >= top && r <= top + fullyVisible - 1)
    return top;
  int v = std::max(fullyVisible - 1, 0);
  return std::max(v < rows_ - r ? r : rows_ - v - 1, 0);
}

int TPlayGridLogic::TopAfterWheel(int top, int delta, int fullyVisible) const {
  top += delta > 0 ? -3 : 3;
  return std::clamp(top, 0, std::max(rows_ - fullyVisible, 0));
}

} // namespace zv
