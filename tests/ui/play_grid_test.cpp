// The playlist grid of the main window over a real playlist: its rows, selection, dragging and
// removal rules, and the widget on the offscreen platform.
#include "ui/play_grid.h"

#include "commands/model_manager.h"
#include "map_prefs.h"
#include "playlist/playlist.h"
#include "playlist_host.h"
#include "ui/base_skin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <string>
#include <vector>

using namespace zv;

namespace {

using Host = zvtest::RecordingPlaylistHost;

struct PlayGrid : ::testing::Test {
  zvtest::MapPrefs prefs;
  Host host;
  TPlayList list{prefs, host};
  TPlayGridLogic grid{list};
  int changes = 0;

  // Entries "/m/0.mp3" … and, for each entry i, bookmarks[i] bookmarks.
  void Fill(int count, const std::vector<int>& bookmarks = {}) {
    list.BeginUpdate();
    for (int i = 0; i < count; ++i)
      list.AddFile("/m/" + std::to_string(i) + ".mp3");
    for (size_t e = 0; e < bookmarks.size(); ++e)
      for (int b = 0; b < bookmarks[e]; ++b)
        list.AddBookmark(static_cast<int>(e), "mark " + std::to_string(b), (b + 1) * 10'000'000LL);
    list.EndUpdate();
    list.onChange = [this] { ++changes; };
    grid.Refresh();
  }
  // The titles in list order, and which entries are selected.
  std::string Order() const {
    std::string s;
    for (int i = 0; i < list.Count(); ++i)
      s += list.Items(i).Title + (list.Items(i).Selected ? "*" : "") + " ";
    return s;
  }
};

TGridButtons Left(bool shift = false, bool ctrl = false) {
  TGridButtons k;
  k.left = true;
  k.shift = shift;
  k.ctrl = ctrl;
  return k;
}

TEST_F(PlayGrid, RowsMapToEntriesAndBookmarksBothWays) {
  Fill(3, {2, 0, 1});
  EXPECT_EQ(grid.RowCount(), 6);
  const TGridRow rows[] = {{0, -1}, {0, 0}, {0, 1}, {1, -1}, {2, -1}, {2, 0}};
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(grid.EntryAtRow(r), rows[r]) << "row " << r;
    EXPECT_EQ(grid.RowOf(rows[r].entry, rows[r].bookmark), r);
  }
  EXPECT_EQ(grid.EntryAtRow(6), TGridRow{});
  EXPECT_EQ(grid.EntryAtRow(-1), TGridRow{});
  // Without bookmark rows every row is an entry.
  EXPECT_TRUE(grid.SetShowBookmarks(false));
  EXPECT_FALSE(grid.SetShowBookmarks(false));
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.EntryAtRow(2), (TGridRow{2, -1}));
  EXPECT_EQ(grid.RowOf(2, 0), 2);
  // Inside an update nothing is recounted; a list that shrank meanwhile gives no entry past its end.
  grid.SetShowBookmarks(true);
  list.BeginUpdate();
  list.Delete(2);
  EXPECT_FALSE(grid.Refresh());
  EXPECT_EQ(grid.EntryAtRow(4), TGridRow{});
  EXPECT_EQ(grid.EntryAtRow(3), (TGridRow{1, -1}));
  list.EndUpdate();
  EXPECT_TRUE(grid.Refresh());
  EXPECT_EQ(grid.RowCount(), 4);
  // The seek bar's marks: the current entry's bookmarks, nothing without a current entry.
  std::vector<int64_t> marks;
  EXPECT_FALSE(grid.CurrentMarks(marks));
  list.SetCurrent(0);
  ASSERT_TRUE(grid.CurrentMarks(marks));
  EXPECT_EQ(marks, (std::vector<int64_t>{10'000'000, 20'000'000}));
}

TEST_F(PlayGrid, NumbersAreAsWideAsTheCountAndDurationsAreMeasuredOnce) {
  Fill(9);
  EXPECT_EQ(grid.EntryText(6), " 7. 6");
  list.AddFile("/m/9.mp3");
  EXPECT_EQ(grid.EntryText(6), " 07. 6");
  EXPECT_EQ(grid.EntryText(9), " 10. 9");
  grid.showNumbers = false;
  EXPECT_EQ(grid.EntryText(9), " 9");
  EXPECT_EQ(grid.EntryText(10), "");

  std::vector<std::string> measured;
  grid.measure = [&](const std::string& name) {
    measured.push_back(name);
    return name == "/m/1.mp3" ? int64_t{-1} : int64_t{65} * 10'000'000;
  };
  list.AddFile("http://radio.example/live");
  const struct {
    int entry;
    const char* text;
  } cases[] = {{0, " 1:05"}, {1, " 0:00"}, {0, " 1:05"}, {1, " 0:00"}, {10, " --:--"}};
  for (const auto& c : cases)
    EXPECT_EQ(grid.DurationText(c.entry), c.text) << c.entry;
  // Each file once; the stream never.
  EXPECT_EQ(measured, (std::vector<std::string>{"/m/0.mp3", "/m/1.mp3"}));
  EXPECT_EQ(EntryDurationText(754 * 10'000'000LL), " 12:34");
  EXPECT_EQ(EntryDurationText(3754 * 10'000'000LL), " 1:02:34");
}

TEST_F(PlayGrid, ClicksSelectWithCtrlAndShiftAndAPlainClickCollapses) {
  Fill(6, {0, 2});
  // Rows: 0 e0, 1 e1, 2 e1b0, 3 e1b1, 4 e2, 5 e3, 6 e4, 7 e5.
  grid.MouseDown(0, Left());
  grid.MouseUp(0);
  EXPECT_EQ(Order(), "0* 1 2 3 4 5 ");
  // Shift extends from the anchor and keeps what was selected; bookmark rows select bookmarks.
  grid.MouseDown(5, Left(true));
  grid.MouseUp(5);
  EXPECT_EQ(Order(), "0* 1* 2* 3* 4 5 ");
  EXPECT_TRUE(list.Items(1).Bookmarks[0].Selected && list.Items(1).Bookmarks[1].Selected);
  EXPECT_TRUE(grid.MultiSelection());
  // Ctrl flips one entry, selected or not.
  grid.MouseDown(4, Left(false, true));
  grid.MouseDown(7, Left(false, true));
  EXPECT_EQ(Order(), "0* 1* 2 3* 4 5* ");
  // A plain click on one of several selected entries leaves only it selected on release.
  grid.MouseDown(5, Left());
  EXPECT_EQ(Order(), "0* 1* 2 3* 4 5* ");
  grid.MouseUp(5);
  EXPECT_EQ(Order(), "0 1 2 3* 4 5 ");
  EXPECT_FALSE(grid.MultiSelection());
  EXPECT_FALSE(list.Items(1).Bookmarks[0].Selected);
  // A bookmark row: its bookmark is focused, not the entry.
  grid.MouseDown(3, Left());
  grid.MouseUp(3);
  EXPECT_EQ(grid.FocusEntry(), 1);
  EXPECT_EQ(grid.FocusedBookmark(), 1);
  EXPECT_TRUE(list.Items(1).Bookmarks[1].Selected);
  // Keys step the selection within the list.
  grid.MouseDown(7, Left());
  grid.MouseUp(7);
  grid.SelectNext();
  EXPECT_EQ(Order(), "0 1 2 3 4 5* ");
  grid.SelectPrevious();
  EXPECT_EQ(Order(), "0 1 2 3 4* 5 ");
  // Double click plays the focused entry, at the focused bookmark.
  grid.DoubleClick();
  ASSERT_EQ(host.played.size(), 1u);
  EXPECT_EQ(host.played[0], "/m/4.mp3");
}

TEST_F(PlayGrid, DraggingMovesTheSelectedBlockAsAWholeInOneUpdate) {
  Fill(6);
  grid.showBookmarks = false;
  grid.Refresh();
  for (int row : {2, 4}) { // 2 and 4 selected, 2 focused by the last plain click below
    grid.MouseDown(row, Left(false, true));
    grid.MouseUp(row);
  }
  grid.MouseDown(2, Left());
  // Upward by one, then as far as the block may go: it stops when its first entry reaches 0.
  EXPECT_TRUE(grid.MouseMove(1));
  EXPECT_EQ(Order(), "0 2* 1 4* 3 5 ");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(grid.MouseMove(0));
  EXPECT_EQ(Order(), "2* 0 4* 1 3 5 ");
  EXPECT_FALSE(grid.MouseMove(0));
  // Down past the end is refused; the inner order never changes.
  EXPECT_TRUE(grid.MouseMove(3));
  EXPECT_EQ(Order(), "0 1 3 2* 5 4* ");
  EXPECT_FALSE(grid.MouseMove(5));
  EXPECT_EQ(changes, 3);
  grid.MouseUp(3);
  // After the release nothing moves.
  EXPECT_FALSE(grid.MouseMove(0));
  // The focused entry alone moves with the buttons, its flag with it.
  grid.MouseDown(0, Left());
  grid.MouseUp(0);
  grid.MoveFocusedDown();
  EXPECT_EQ(Order(), "1 0* 3 2 5 4 ");
  grid.MoveFocusedUp();
  grid.MoveFocusedUp();
  EXPECT_EQ(Order(), "0* 1 3 2 5 4 ");
}

TEST_F(PlayGrid, RemovingSelectedEntriesOrBookmarksSelectsWhatFollows) {
  struct Case {
    std::vector<int> selectEntries;
    std::vector<std::pair<int, int>> selectBookmarks;
    const char* after;
    int focus;
    int bookmarksOfEntry1;
  } cases[] = {
      {{1, 2}, {}, "0 3* 4 ", 1, -1},              // a block: the entry after it
      {{3, 4}, {}, "0 1 2* ", 2, 2},               // at the end: the last entry
      {{}, {{1, 0}, {2, 0}}, "0 1* 2 3 4 ", 1, 1}, // only bookmarks: entries stay, the topmost one concerned
      {{0, 1, 2, 3, 4}, {}, "", 0, -1},            // everything
  };
  for (const Case& c : cases) {
    list.Clear();
    Fill(5, {0, 2, 1});
    changes = 0;
    for (int e : c.selectEntries)
      list.Items(e).Selected = true;
    for (auto [e, b] : c.selectBookmarks)
      list.Items(e).Bookmarks[static_cast<size_t>(b)].Selected = true;
    grid.RemoveSelected();
    EXPECT_EQ(Order(), c.after);
    EXPECT_EQ(changes, 1) << c.after; // one notification for the whole removal
    if (list.Count() > 0) {
      EXPECT_EQ(grid.FocusEntry(), c.focus) << c.after;
    }
    if (c.bookmarksOfEntry1 >= 0) {
      EXPECT_EQ(list.Items(1).Bookmarks.size(), static_cast<size_t>(c.bookmarksOfEntry1));
    }
  }
}

// A grid in a window of its own over a published playlist.
struct PlayGridWidget : ::testing::Test {
  zvtest::MapPrefs prefs;
  Host host;
  TPlayList list{prefs, host};
  TModelManager models;
  QWidget parent;
  TPlayGrid* grid = nullptr;
  void SetUp() override {
    zvtest::PublishPlaylist(models, list);
    grid = new TPlayGrid(&parent, list, &models);
  }
  void TearDown() override {
    delete grid;
    list.onChange = nullptr;
  }
};

TEST_F(PlayGridWidget, FollowsTheListPaintsWhatIsThereAndScrollsByThreeRows) {
  parent.resize(200, 300);
  grid->setGeometry(0, 0, 200, 260);
  prefs.SetString("PlayList.Font.Size", "16");
  prefs.SetString("PlayList.BackgroundColor", "clNavy");
  grid->ApplyFontAndOptions(prefs);
  TBaseSkin base;
  grid->ApplyColours(prefs, base, nullptr);
  parent.show();
  std::vector<int64_t> marks;
  grid->onMarks = [&](const std::vector<int64_t>& m) { marks = m; };
  // An empty list hides the grid; the first entry shows it.
  EXPECT_TRUE(grid->isHidden());
  EXPECT_EQ(grid->RowHeight(), 16 * grid->logicalDpiY() / 72 + 5);
  list.BeginUpdate();
  for (int i = 0; i < 40; ++i)
    list.AddFile("/m/" + std::to_string(i) + ".mp3");
  EXPECT_TRUE(grid->isHidden()); // not before the update ends
  list.EndUpdate();
  EXPECT_FALSE(grid->isHidden());
  list.AddBookmark(0, "start", 50'000'000);
  list.SetCurrent(0);
  list.Changed();
  EXPECT_EQ(marks, std::vector<int64_t>{50'000'000});
  EXPECT_EQ(grid->Logic().RowCount(), 41);
  // The stored colours: selection blue, the background by its name, text aqua.
  EXPECT_EQ(grid->SelectionColour(), QColor(0, 0, 255));
  EXPECT_EQ(grid->Background(), QColor(0, 0, 128));
  EXPECT_EQ(grid->TextColour(), QColor(0, 255, 255));

  // The wheel moves the top row by three and stops at the last page.
  const int visible = grid->FullyVisibleRows();
  auto wheel = [&](int delta) {
    QPointF at(50, 50);
    QWheelEvent e(at, grid->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &e);
  };
  wheel(-120);
  EXPECT_EQ(grid->TopRow(), 3);
  wheel(120);
  wheel(120);
  EXPECT_EQ(grid->TopRow(), 0);
  for (int i = 0; i < 20; ++i)
    wheel(-120);
  EXPECT_EQ(grid->TopRow(), 41 - visible);

  // The list shrinks under the grid while an update holds its repaint: the rows still there are
  // painted, those past the end as background.
  for (int i = 0; i < list.Count(); ++i)
    list.Items(i).Selected = true;
  list.BeginUpdate();
  list.DeleteMany({35, 36, 37, 38, 39});
  QImage shot = grid->viewport()->grab().toImage();
  list.EndUpdate();
  const int lastRowY = grid->viewport()->height() - grid->RowHeight() / 2;
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(0, 0, 255)) << "a selected entry";
  EXPECT_EQ(shot.pixelColor(2, lastRowY), QColor(0, 0, 128)) << "past the end";
  EXPECT_EQ(grid->Logic().RowCount(), 36);
}

} // namespace

TEST_F(PlayGridWidget, ALongListScrollsToItsEndAndLosesABlockInOneRefresh) {
  grid->setGeometry(0, 0, 200, 300);
  parent.show();
  list.BeginUpdate();
  for (int i = 0; i < 10000; ++i)
    list.AddFile("/m/" + std::to_string(i) + ".mp3");
  list.EndUpdate();
  const int visible = grid->FullyVisibleRows();
  list.SetCurrent(9990);
  grid->ScrollToCurrent();
  EXPECT_EQ(grid->TopRow(), 10000 - visible) << "the last page";
  list.SetCurrent(5000);
  grid->ScrollToCurrent();
  EXPECT_EQ(grid->TopRow(), 5000);
  // A block of 4 000 selected entries goes in one refresh, the entry after it selected.
  int refreshes = 0;
  models.Subscribe("PlayList", THandlerKey::Tagged(&refreshes, 0), [&] { ++refreshes; });
  for (int i = 3000; i < 7000; ++i)
    list.Items(i).Selected = true;
  grid->RemoveSelected();
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(list.Count(), 6000);
  EXPECT_EQ(grid->Logic().RowCount(), 6000);
  EXPECT_TRUE(list.Items(3000).Selected);
  EXPECT_EQ(list.Items(3000).Title, "7000");
  models.Unsubscribe("PlayList", THandlerKey::Tagged(&refreshes, 0));
}
