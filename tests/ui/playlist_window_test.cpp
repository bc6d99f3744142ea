// The separate playlist window over a real playlist, on the offscreen platform.
#include "ui/playlist_window.h"

#include "ui/jump_window.h"

#include "commands/model_manager.h"
#include "map_prefs.h"
#include "playlist/playlist.h"
#include "playlist_host.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <mutex>
#include <set>

using namespace zv;

namespace {

using Host = zvtest::RecordingPlaylistHost;

struct PlaylistWindow : ::testing::Test {
  zvtest::MapPrefs prefs;
  Host host;
  TModelManager models;
  TBlindNotifier tick;
  TPlayList list{prefs, host};
  std::mutex measuredLock;
  std::vector<std::string> measured; // by the sniffer's worker
  std::unique_ptr<TfrAdvPList> window;

  void SetUp() override { zvtest::PublishPlaylist(models, list); }
  void TearDown() override {
    window.reset();
    list.onChange = nullptr;
  }
  void Open(bool ownSize = true) {
    TAdvPListContext c;
    c.playlist = &list;
    c.prefs = &prefs;
    c.models = &models;
    c.tick = &tick;
    // Files named "bad..." cannot be measured; the others last their number of seconds.
    c.measure = [this](const std::string& name) -> int64_t {
      std::lock_guard<std::mutex> g(measuredLock);
      measured.push_back(name);
      if (name.find("bad") != std::string::npos)
        return -1;
      return std::stoll(name.substr(name.rfind('/') + 2)) * 10'000'000;
    };
    window = std::make_unique<TfrAdvPList>(std::move(c));
    if (ownSize)
      window->resize(400, 300);
    window->show();
    QApplication::processEvents();
  }
  std::vector<std::string> Measured() {
    std::lock_guard<std::mutex> g(measuredLock);
    return measured;
  }
  // Heartbeats until the sniffer has nothing left in view.
  bool TickUntilIdle() {
    return zvtest::PumpUntil([&] {
      tick.Notify();
      return !window->Sniffer().Running();
    });
  }
  std::string Text(int row, int column) {
    return window->View()->model()->index(row, column).data().toString().toStdString();
  }
};

} // namespace

TEST(PlaylistRows, NumbersTitlesTimesAndTheTotal) {
  zvtest::MapPrefs prefs;
  Host host;
  TPlayList list{prefs, host};
  EXPECT_EQ(TotalDurationText(list), "00:00:00+");
  list.AddFile("/m/ten.mp3");
  list.SetDuration("/m/ten.mp3", 100'000'000);
  EXPECT_EQ(TotalDurationText(list), "0:00:10");
  list.AddFile("/m/unknown.mp3");
  EXPECT_EQ(TotalDurationText(list), "0:00:10+") << "at least";
  list.AddFile("/m/long.mp3");
  list.SetDuration("/m/long.mp3", 5'990'000'000); // 9:59
  list.AddFile("/m/longer.mp3");
  list.SetDuration("/m/longer.mp3", 6'000'000'000); // 10:00
  list.AddFile("/m/film.avi");
  list.SetDuration("/m/film.avi", 36'000'000'000); // 1:00:00
  list.SetCurrent(1);
  EXPECT_EQ(PlayListRowTexts(list, 0), (std::array<std::string, 3>{"001.", "ten", " 0:10"}));
  EXPECT_EQ(PlayListRowTexts(list, 1), (std::array<std::string, 3>{"002.>", "unknown", " --:--"}));
  EXPECT_EQ(PlayListRowTexts(list, 2)[2], " 9:59");
  EXPECT_EQ(PlayListRowTexts(list, 3)[2], " 10:00");
  EXPECT_EQ(PlayListRowTexts(list, 4)[2], " 1:00:00");
  EXPECT_EQ(PlayListRowTexts(list, 5), (std::array<std::string, 3>{})) << "past the end";
}

TEST_F(PlaylistWindow, SearchSelectsTitlesAndEnterPlaysThemInTurn) {
  for (const char* n : {"/m/Alpha Song.mp3", "/m/beta.mp3", "/m/Song of Gamma.mp3", "/m/delta.mp3"})
    list.AddFile(n);
  Open();
  EXPECT_EQ(window->windowTitle(), "Advanced Playlist");
  ASSERT_EQ(window->View()->model()->rowCount(), 4);
  EXPECT_EQ(Text(2, 0), "003.");
  EXPECT_EQ(Text(2, 1), "Song of Gamma");
  EXPECT_EQ(window->View()->model()->headerData(2, Qt::Horizontal).toString(), "Time");

  QTest::keyClicks(window->SearchBox(), "sOnG");
  EXPECT_EQ(window->View()->SelectedRows(), (std::vector<int>{0, 2}));
  QTest::keyClick(window->SearchBox(), Qt::Key_Return);
  QTest::keyClick(window->SearchBox(), Qt::Key_Return);
  QTest::keyClick(window->SearchBox(), Qt::Key_Return); // nothing left: nothing more plays
  EXPECT_EQ(host.played, (std::vector<std::string>{"/m/Alpha Song.mp3", "/m/Song of Gamma.mp3"}));
  EXPECT_EQ(window->SearchBox()->text(), "sOnG") << "Enter types nothing";
  EXPECT_EQ(Text(2, 0), "003.>") << "the playing entry is marked";

  // Enter in the list plays the first selected row, as a double click does.
  window->View()->SetSelectedRows({3, 1});
  QTest::keyClick(window->View(), Qt::Key_Return);
  EXPECT_EQ(host.played.back(), "/m/beta.mp3");
  host.played.pop_back();

  // An empty search selects nothing, so there is nothing to play next.
  window->SearchBox()->clear();
  EXPECT_TRUE(window->View()->SelectedRows().empty());
  window->PlayNextSelected();
  EXPECT_EQ(host.played.size(), 2u);
}

TEST_F(PlaylistWindow, MovingRemovingAndCroppingTheSelection) {
  for (const char* n : {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3", "/m/e.mp3"})
    list.AddFile(n);
  Open();
  TPlayListView* view = window->View();
  auto titles = [&] {
    std::string t;
    for (int i = 0; i < list.Count(); ++i)
      t += list.Items(i).Title;
    return t;
  };
  view->SetSelectedRows({1, 2});
  window->Action("aMoveDown")->trigger();
  EXPECT_EQ(titles(), "adbce");
  EXPECT_EQ(view->SelectedRows(), (std::vector<int>{2, 3})) << "the block keeps its order and its selection";
  window->Action("aMoveUp")->trigger();
  window->Action("aMoveUp")->trigger();
  EXPECT_EQ(titles(), "bcade");
  window->Action("aMoveUp")->trigger(); // the first row is selected: nothing moves at all
  EXPECT_EQ(titles(), "bcade");
  view->SetSelectedRows({2, 4});
  window->Action("aMoveDown")->trigger(); // the last row is selected: nothing moves at all
  EXPECT_EQ(titles(), "bcade");

  window->Action("aSelectInvert")->trigger();
  EXPECT_EQ(view->SelectedRows(), (std::vector<int>{0, 1, 3}));
  window->Action("aRemove")->trigger();
  EXPECT_EQ(titles(), "ae");
  EXPECT_EQ(view->model()->rowCount(), 2);
  EXPECT_TRUE(view->SelectedRows().empty());
  EXPECT_EQ(window->TotalLabel()->text(), "0:00:00+");

  view->SetSelectedRows({1});
  window->Action("aCrop")->trigger();
  EXPECT_EQ(titles(), "e") << "only the selected entries stay";
  window->Action("aCrop")->trigger(); // nothing selected: every entry goes
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(window->TotalLabel()->text(), "00:00:00+");
}

TEST_F(PlaylistWindow, TheSnifferMeasuresWhatIsInViewWhileTheWindowIsShown) {
  // Many rows, of which only the first screenful are in view.
  for (int i = 1; i <= 200; ++i)
    list.AddFile("/m/s" + std::to_string(i) + (i == 3 ? "bad" : "") + ".mp3");
  Open();
  int rows = window->View()->VisibleRows();
  ASSERT_GT(rows, 3);
  ASSERT_LT(rows, 100);
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_FALSE(window->Sniffer().Running()) << "freed once everything in view has a duration";
  std::vector<std::string> once = Measured();
  EXPECT_EQ(static_cast<int>(once.size()), std::min(rows, 200));
  EXPECT_EQ(list.Items(0).Duration, 10'000'000);
  EXPECT_EQ(list.Items(1).Duration, 20'000'000);
  EXPECT_EQ(list.Items(2).Duration, -1) << "a file that cannot be measured stays unknown";
  EXPECT_EQ(list.Items(150).Duration, -1) << "out of view";
  EXPECT_EQ(window->View()->model()->index(1, 2).data().toString(), " 0:02");
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_EQ(Measured().size(), once.size()) << "nothing is measured twice";

  // Scrolling to rows without durations starts measuring again.
  window->View()->scrollToBottom();
  QApplication::processEvents();
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_EQ(list.Items(199).Duration, 2'000'000'000);
  EXPECT_GT(Measured().size(), once.size());

  // Hidden, it measures nothing.
  window->hide();
  list.AddFile("/m/s500.mp3");
  window->View()->scrollToBottom();
  size_t before = Measured().size();
  for (int i = 0; i < 10; ++i) {
    tick.Notify();
    QApplication::processEvents();
  }
  EXPECT_FALSE(window->Sniffer().Running());
  EXPECT_EQ(Measured().size(), before);
  EXPECT_EQ(list.Items(200).Duration, -1);
}

TEST_F(PlaylistWindow, FollowsABurstOfAdditionsFromElsewhere) {
  Open();
  // A folder of files arriving one at a time, the user interface handling its events in between.
  for (int i = 0; i < 2000; ++i) {
    list.AddFile("/m/burst " + std::to_string(i) + ".mp3");
    if (i % 100 == 0)
      QApplication::processEvents();
  }
  // The window follows at most every 100 ms.
  ASSERT_TRUE(zvtest::PumpUntil([&] { return window->View()->model()->rowCount() == 2000; }));
  EXPECT_EQ(Text(1999, 1), "burst 1999");
  EXPECT_EQ(window->TotalLabel()->text(), "0:00:00+");
  list.SetDuration("/m/burst 0.mp3", 50'000'000);
  list.DeleteMany({1, 2});
  window->FollowList();
  EXPECT_EQ(window->View()->model()->rowCount(), 1998);
}

TEST_F(PlaylistWindow, KeepsItsPlaceAndFollowsTheShuffle) {
  prefs.SetString("PlayList.Pos", "30,40");
  prefs.SetString("PlayList.Size", "380,420");
  list.AddFile("/m/a.mp3");
  list.AddFile("/m/b.mp3");
  Open(false);
  EXPECT_EQ(window->x(), 30);
  EXPECT_EQ(window->width(), 380);
  window->move(55, 66);
  window->resize(390, 430);
  EXPECT_FALSE(window->Action("aShuffle")->isChecked());
  window->Action("aShuffle")->trigger();
  EXPECT_TRUE(list.ShuffleOn());
  EXPECT_TRUE(window->Action("aShuffle")->isChecked());
  list.ToggleShuffle(); // from elsewhere (the shuffle command)
  window->CopyMainState();
  EXPECT_FALSE(window->Action("aShuffle")->isChecked());
  window.reset();
  EXPECT_EQ(prefs.GetString("PlayList.Pos"), "55,66");
  EXPECT_EQ(prefs.GetString("PlayList.Size"), "390,430");
  Open(false);
  EXPECT_EQ(window->width(), 390);
  EXPECT_EQ(window->height(), 430);
}

TEST(JumpToFile, FoldingAndTheKeysThatGoOnSearching) {
  EXPECT_EQ(FoldForSearch(QString::fromUtf8("ЁЛКА Big")), QString::fromUtf8("ёлка big"));
  EXPECT_EQ(JumpKeyText(Qt::Key_A, Qt::NoModifier), "A");
  EXPECT_EQ(JumpKeyText(Qt::Key_A, Qt::ShiftModifier), "A");
  EXPECT_EQ(JumpKeyText(Qt::Key_7, Qt::NoModifier), "7");
  EXPECT_EQ(JumpKeyText(Qt::Key_7, Qt::KeypadModifier), "") << "keypad digits with Num Lock add nothing";
  EXPECT_EQ(JumpKeyText(Qt::Key_Clear, Qt::KeypadModifier), "5");
  EXPECT_EQ(JumpKeyText(Qt::Key_Asterisk, Qt::KeypadModifier), "*");
  EXPECT_EQ(JumpKeyText(Qt::Key_Equal, Qt::NoModifier), "+");
  EXPECT_EQ(JumpKeyText(Qt::Key_QuoteLeft, Qt::NoModifier), "~");
  EXPECT_EQ(JumpKeyText(Qt::Key_Backslash, Qt::NoModifier), "\\");
  EXPECT_EQ(JumpKeyText(Qt::Key_Shift, Qt::ShiftModifier), "");
  EXPECT_EQ(JumpKeyText(Qt::Key_F5, Qt::NoModifier), "");
}

TEST_F(PlaylistWindow, JumpToFileNarrowsTheTitlesAndPlaysTheChosenOne) {
  for (const char* n : {"/m/one.mp3", "/m/two.mp3", "/m/ЁЛКА.mp3", "/m/BIG TITLE.mp3", "/m/five.mp3", "/m/six.mp3"})
    list.AddFile(n);
  TfrJumpToFile jump(list);
  jump.show();
  QApplication::processEvents();
  EXPECT_EQ(jump.windowTitle(), QString::fromUtf8("Перейти к файлу..."));
  ASSERT_EQ(jump.Files()->count(), 6);
  // Two letters typed and taken back again: every title.
  QTest::keyClicks(jump.SearchBox(), "fi");
  EXPECT_EQ(jump.ShownIndices(), (std::vector<int>{4}));
  QTest::keyClick(jump.SearchBox(), Qt::Key_Backspace);
  QTest::keyClick(jump.SearchBox(), Qt::Key_Backspace);
  EXPECT_EQ(jump.Files()->count(), 6);
  jump.SearchBox()->setText(QString::fromUtf8("ёлк"));
  EXPECT_EQ(jump.ShownIndices(), (std::vector<int>{2})) << "capital Cyrillic found by small letters";
  jump.SearchBox()->setText("big title");
  EXPECT_EQ(jump.ShownIndices(), (std::vector<int>{3}));
  // Later changes of the playlist are not seen.
  list.AddFile("/m/big title two.mp3");
  jump.SearchBox()->setText("big");
  EXPECT_EQ(jump.ShownIndices(), (std::vector<int>{3}));

  // Down moves to the list; Shift alone there goes back to the search box, which keeps its text.
  jump.SearchBox()->clear();
  QTest::keyClick(jump.SearchBox(), Qt::Key_Down);
  EXPECT_EQ(jump.Files()->currentRow(), 0);
  EXPECT_TRUE(jump.Files()->hasFocus());
  QTest::keyClick(jump.Files(), Qt::Key_Shift);
  EXPECT_TRUE(jump.SearchBox()->hasFocus());
  EXPECT_EQ(jump.SearchBox()->text(), "");
  QTest::keyClick(jump.SearchBox(), Qt::Key_Up);
  EXPECT_EQ(jump.Files()->currentRow(), 5);
  QTest::keyClick(jump.Files(), Qt::Key_S); // typing in the list searches
  EXPECT_EQ(jump.SearchBox()->text(), "S");
  EXPECT_EQ(jump.ShownIndices(), (std::vector<int>{5}));

  // The fifth row of every title plays entry 4, and the window closes.
  jump.SearchBox()->clear();
  jump.Files()->setCurrentRow(4, QItemSelectionModel::ClearAndSelect);
  QTest::keyClick(jump.Files(), Qt::Key_Return);
  EXPECT_EQ(host.played, (std::vector<std::string>{"/m/five.mp3"}));
  EXPECT_FALSE(jump.isVisible());
}

TEST_F(PlaylistWindow, EnterInTheJumpSearchPlaysTheFirstMatchAndEscCloses) {
  for (const char* n : {"/m/alpha.mp3", "/m/beta.mp3", "/m/alphabet.mp3"})
    list.AddFile(n);
  {
    TfrJumpToFile jump(list);
    jump.show();
    QTest::keyClicks(jump.SearchBox(), "bet");
    QTest::keyClick(jump.SearchBox(), Qt::Key_Return);
    EXPECT_EQ(host.played, (std::vector<std::string>{"/m/beta.mp3"})) << "the first of beta, alphabet";
    EXPECT_FALSE(jump.isVisible());
  }
  TfrJumpToFile jump(list);
  jump.show();
  QTest::keyClicks(jump.SearchBox(), "zzz");
  EXPECT_EQ(jump.Files()->count(), 0);
  QTest::keyClick(jump.SearchBox(), Qt::Key_Return); // nothing to choose: nothing plays
  EXPECT_EQ(host.played.size(), 1u);
  QTest::keyClick(jump.SearchBox(), Qt::Key_Escape);
  EXPECT_FALSE(jump.isVisible());
  EXPECT_EQ(jump.SearchBox()->text(), "zzz") << "Esc types nothing";
}
