#include "playlist/duration_sniffer.h"
#include "playlist/playlist.h"

#include "core/random.h"
#include "map_prefs.h"
#include "mediainfo/media_info.h"
#include "prefs/media_store.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <future>
#include <numeric>
#include <thread>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// Records what the playlist asks for; "players" log the files they were asked to play.
struct FakeHost : IPlaylistHost {
  struct Player : IPlaylistPlayer {
    FakeHost& host;
    explicit Player(FakeHost& h) : host(h) { ++host.livePlayers; }
    ~Player() override { --host.livePlayers; }
    void PlayFile(const std::string& name) override {
      host.played.push_back(fs::path(name).filename().string());
      opened = name.find("bad") == std::string::npos;
      pending = name.find("slow") != std::string::npos; // reached in the background
      opened = opened && !pending;
    }
    bool pending = false;
    bool Opened() const override { return opened; }
    bool Pending() const override { return pending; }
    bool opened = false;
    int64_t GetPosition() override { return host.position; }
    void SeekTo(int64_t p) override { host.seeks.push_back(p); }
    std::vector<std::string> PlayedParts() const override { return host.joined; }
  };
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList&) override { return std::make_unique<Player>(*this); }
  int64_t OpenedDuration() override { return 123; }
  void ExecCommand(int code) override { executed.push_back(code); }
  void PostCommand(int code) override { posted.push_back(code); }
  void Defer(std::function<void()> work) override { deferred.push_back(std::move(work)); }
  void ProcessEvents() override {
    ++eventRounds;
    if (duringAdd)
      duringAdd();
  }
  std::string FileType(const std::string& ext) override {
    std::string e = UpperCase(ext);
    if (e == "AVI" || e == "MKV")
      return "V";
    if (e == "MP3" || e == "OGG")
      return "A";
    if (e == "ZVP")
      return "P";
    return "";
  }
  void ListHasEntries(bool has) override { hasEntries = has; }
  void ShuffleShown(bool on) override { shuffleShown = on; }
  void AddingFinished() override { ++addsFinished; }
  void RunDeferred() {
    while (!deferred.empty()) {
      auto w = std::move(deferred.front());
      deferred.pop_front();
      w();
    }
  }

  std::vector<std::string> played;
  std::vector<std::string> joined; // what every player reports it played joined
  std::vector<int> executed, posted;
  std::vector<int64_t> seeks;
  std::deque<std::function<void()>> deferred;
  std::function<void()> duringAdd;
  int livePlayers = 0, eventRounds = 0, addsFinished = 0;
  int64_t position = 0;
  bool hasEntries = false, shuffleShown = false;
};

struct Playlist : ::testing::Test {
  zvtest::MapPrefs prefs;
  FakeHost host;
  TPlayList list{prefs, host};

  void AddNames(std::initializer_list<const char*> names) {
    for (const char* n : names)
      list.AddFile(std::string("/media/") + n);
  }
  // Ends the playing entry the way the engine does: completion inside the handler, reaction after.
  void Complete() {
    list.PlayerCompleted();
    host.RunDeferred();
  }
};

} // namespace

TEST_F(Playlist, AddingKeepsOneEntryPerExactNameAndTitlesFromFileNames) {
  list.AddFile("/media/Film.avi");
  list.AddFile("/media/Film.avi");
  list.AddFile("/media/film.avi"); // another file on this system
  list.AddFile("http://radio.example/stream");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0).Title, "Film");
  EXPECT_EQ(list.Items(2).Title, "http://radio.example/stream");
  EXPECT_EQ(list.Items(2).FileName, "http://radio.example/stream");
  EXPECT_EQ(list.Items(0).Duration, -1);
  EXPECT_TRUE(host.hasEntries);
  EXPECT_EQ(host.eventRounds, 4); // every addition lets the user interface breathe
  prefs.SetBool("Playlist.AddDoublet", true);
  list.AddFile("/media/Film.avi");
  EXPECT_EQ(list.Count(), 4);
  // Deleting one of two equal entries keeps the other one known to the doublet check.
  prefs.SetBool("Playlist.AddDoublet", false);
  list.Delete(3);
  list.AddFile("/media/Film.avi");
  EXPECT_EQ(list.Count(), 3);
  list.Delete(0);
  list.AddFile("/media/Film.avi");
  EXPECT_EQ(list.Count(), 3);
}

TEST_F(Playlist, RelativeNamesBecomeAbsoluteAndDurationsComeFromTheMediaCache) {
  zvtest::TempDir dir;
  TMediaCache cache([&] { return dir.str() + "/"; });
  cache.EnsureEntry("/media/known.avi")->SetAttr("dur", "2500000000");
  cache.EnsureEntry("/media/broken.avi")->SetAttr("dur", "12x");
  TPlayList withCache(prefs, host, &cache);
  withCache.AddFile("/media/known.avi");
  withCache.AddFile("/media/broken.avi");
  withCache.AddFile("/media/sub/../other.avi");
  withCache.AddFile("relative.avi");
  EXPECT_EQ(withCache.Items(0).Duration, 2500000000);
  EXPECT_EQ(withCache.Items(1).Duration, -1);
  EXPECT_EQ(withCache.Items(2).FileName, "/media/other.avi");
  EXPECT_EQ(withCache.Items(3).FileName, (fs::current_path() / "relative.avi").string());
  withCache.SetDuration("/media/other.avi", 77);
  EXPECT_EQ(withCache.Items(2).Duration, 77);
  EXPECT_EQ(cache.FindEntry("/media/other.avi")->GetAttr("dur"), "77");
}

TEST_F(Playlist, DeletingKeepsOrDropsTheCurrentMark) {
  AddNames({"a.avi", "b.avi", "c.avi", "d.avi"});
  list.SetCurrent(3);
  list.Delete(1);
  EXPECT_EQ(list.CurrentIndex(), 2);
  EXPECT_EQ(list.Items(2).Title, "d");
  list.Delete(2);
  EXPECT_EQ(list.CurrentIndex(), -1);
  list.Delete(7); // out of range: nothing
  EXPECT_EQ(list.Count(), 2);
  list.Play();
  EXPECT_EQ(list.CurrentIndex(), 0);
  EXPECT_EQ(host.played, std::vector<std::string>{"a.avi"});
  EXPECT_EQ(list.Items(0).Duration, 123); // the engine's duration of the opened file
  list.SetCurrent(5);
  EXPECT_EQ(list.CurrentIndex(), -1);
}

TEST_F(Playlist, DeletingManyAtOnce) {
  AddNames({"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"});
  list.SetCurrent(2);
  int changes = 0;
  list.onChange = [&] { ++changes; };
  list.DeleteMany({4, 0, 4, 99, -1});
  EXPECT_EQ(changes, 1) << "one change for the whole removal";
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0).Title, "b");
  EXPECT_EQ(list.Items(2).Title, "d");
  EXPECT_EQ(list.CurrentIndex(), 1) << "the current entry keeps its mark";
  list.DeleteMany({});
  list.DeleteMany({7});
  EXPECT_EQ(changes, 1) << "nothing removed, nothing changed";
  // The removed names can be added again; the kept ones are still doublets.
  AddNames({"a.avi", "b.avi"});
  EXPECT_EQ(list.Count(), 4);
  list.DeleteMany({0, 1, 2, 3});
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.CurrentIndex(), -1);
  list.onChange = nullptr;
}

TEST_F(Playlist, PreviousAtTheFirstEntry) {
  AddNames({"a.avi", "b.avi", "c.avi"});
  list.SetCurrent(0);
  list.Previous();
  EXPECT_EQ(list.CurrentIndex(), 0);
  EXPECT_TRUE(host.played.empty());
  prefs.SetBool("PlayList.Repeat", true);
  list.Previous();
  EXPECT_EQ(list.CurrentIndex(), 2);
  EXPECT_EQ(host.played, std::vector<std::string>{"c.avi"});
  list.Previous();
  EXPECT_EQ(host.played.back(), "b.avi");
}

TEST_F(Playlist, PlaysThroughAndRunsTheEndActionOnce) {
  AddNames({"a.avi", "b.avi", "c.avi"});
  prefs.SetInt("Playlist.OnPlayListEnd", 1);
  list.Play();
  Complete();
  Complete();
  EXPECT_EQ(host.played, (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
  EXPECT_TRUE(host.posted.empty());
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{453}); // exit is posted, not run inside the handler
  EXPECT_EQ(host.played.size(), 3u);
  EXPECT_EQ(std::count(host.executed.begin(), host.executed.end(), 105), 3);
  EXPECT_EQ(list.CurrentIndex(), 2);

  // With repeat the action runs and the first entry plays again.
  prefs.SetBool("PlayList.Repeat", true);
  host.posted.clear();
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{453});
  EXPECT_EQ(host.played.back(), "a.avi");
}

TEST_F(Playlist, PartsPlayedInsideAJoinedFilmAreSkipped) {
  prefs.SetBool("Playlist.AddDoublet", true);
  AddNames({"film1.avi", "film2.avi", "film3.avi", "other.avi", "film2.avi", "film3.avi"});
  list.Play();
  host.joined = {"/media/film1.avi", "/media/film2.avi", "/media/film3.avi"};
  Complete();
  EXPECT_EQ(host.played, (std::vector<std::string>{"film1.avi", "other.avi"}));
  // Only parts that follow it right away count: a later copy of a part plays.
  host.joined.clear();
  Complete();
  EXPECT_EQ(host.played.back(), "film2.avi");
  EXPECT_EQ(list.CurrentIndex(), 4);
  // Parts at the end of the list end it.
  prefs.SetInt("Playlist.OnPlayListEnd", 1);
  host.joined = {"/media/film2.avi", "/media/film3.avi"};
  Complete();
  EXPECT_EQ(list.CurrentIndex(), 5);
  EXPECT_EQ(host.posted, std::vector<int>{453});
  EXPECT_EQ(host.played.size(), 3u);
}

TEST_F(Playlist, CompletionNeverFreesThePlayerInsideTheEnginesHandler) {
  AddNames({"a.avi", "b.avi"});
  list.Play();
  IPlaylistPlayer* first = list.Player();
  list.PlayerCompleted();
  EXPECT_EQ(list.Player(), first);
  EXPECT_EQ(host.livePlayers, 1);
  host.RunDeferred();
  EXPECT_EQ(host.played.back(), "b.avi");
  EXPECT_EQ(host.livePlayers, 1);
  // A completion that arrives after the list is gone does nothing.
  {
    TPlayList gone(prefs, host);
    gone.AddFile("/media/x.avi");
    gone.Play();
    gone.PlayerCompleted();
  }
  host.RunDeferred();
  EXPECT_EQ(host.played.back(), "x.avi");
}

TEST_F(Playlist, AtMostOnePowerActionAtTheEnd) {
  AddNames({"a.avi"});
  prefs.SetInt("Playlist.OnPlayListEnd", 2);
  list.powerOffWhenDone = true;
  list.hibernateWhenDone = true;
  list.Play();
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{454});
  host.posted.clear();
  prefs.SetInt("Playlist.OnPlayListEnd", 0);
  list.Play();
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{455});
}

TEST_F(Playlist, ShuffleGoesThroughEveryEntryOnceThenEnds) {
  AddNames({"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"});
  prefs.SetInt("Playlist.OnPlayListEnd", 1);
  list.SetCurrent(2);
  list.Play(); // the entry playing when shuffle starts is part of the order
  list.ToggleShuffle();
  EXPECT_TRUE(host.shuffleShown);
  host.played.clear();
  for (int i = 0; i < 5; ++i)
    Complete();
  std::vector<std::string> order = host.played;
  ASSERT_EQ(order.size(), 5u);
  std::vector<std::string> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"}));
  EXPECT_TRUE(host.posted.empty());
  // The last place of the order has ended: the action runs once and nothing further plays.
  Complete();
  EXPECT_EQ(host.played.size(), 5u);
  EXPECT_EQ(host.posted, std::vector<int>{453});
  // With repeat: the action runs again and a new order starts at its first place.
  prefs.SetBool("PlayList.Repeat", true);
  host.posted.clear();
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{453});
  ASSERT_EQ(host.played.size(), 6u);
  EXPECT_EQ(list.Shuffle()->Position(), 0);
  EXPECT_EQ(host.played.back(), list.Items(list.Shuffle()->Order()[0]).Title + ".avi");
  list.ToggleShuffle();
  EXPECT_FALSE(list.ShuffleOn());
  EXPECT_FALSE(host.shuffleShown);
}

TEST_F(Playlist, ShuffleWithASingleEntryEndsLikeAPlainList) {
  AddNames({"a.avi"});
  prefs.SetInt("Playlist.OnPlayListEnd", 1);
  list.ToggleShuffle();
  list.Play();
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{453});
  EXPECT_EQ(host.played.size(), 1u);
}

TEST(Shuffle, AnOrderDrawnFromASeedIsAlwaysTheSameAndHoldsEveryIndexOnce) {
  // Each place picks among the indices not used yet, in ascending order, by the random source:
  // the same seed gives the same order, which a saved session relies on.
  struct Case {
    int n;
    std::vector<int> first; // the order's first places
  };
  const Case cases[] = {
      {1, {0}},
      {2, {0, 1}},
      {3, {1, 2, 0}},
      {7, {4, 0, 3, 1, 5, 6, 2}},
      {1000, {765, 957, 611, 893, 365, 377, 542, 520, 466, 259}},
  };
  for (const Case& c : cases) {
    sfShuffle s(1);
    rnd::SetSeed(12345u + static_cast<uint32_t>(c.n));
    s.Draw(c.n);
    ASSERT_EQ(s.Order().size(), static_cast<size_t>(c.n) + 1) << c.n;
    std::vector<int> got(s.Order().begin(), s.Order().begin() + static_cast<std::ptrdiff_t>(c.first.size()));
    EXPECT_EQ(got, c.first) << c.n;
    std::vector<int> all(s.Order().begin(), s.Order().end() - 1);
    std::sort(all.begin(), all.end());
    std::vector<int> every(static_cast<size_t>(c.n));
    std::iota(every.begin(), every.end(), 0);
    EXPECT_EQ(all, every) << c.n;
    EXPECT_EQ(s.Order().back(), -1);
  }
}

TEST(Shuffle, StepsAndCountChanges) {
  sfShuffle s(3);
  EXPECT_EQ(s.Position(), -1);
  std::vector<int> seen{s.Forward(3), s.Forward(3), s.Forward(3)};
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(s.Position(), 2);
  s.Forward(3); // past the end: a new order, first place
  EXPECT_EQ(s.Position(), 0);
  s.Backward(3); // before the start: a new order, first place
  EXPECT_EQ(s.Position(), 0);
  int v = s.Forward(5); // another count: a new order for it
  EXPECT_EQ(s.Count(), 5);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_GE(v, 0);
  EXPECT_LT(v, 5);
}

TEST(Random, LinearCongruentialSteps) {
  rnd::SetSeed(0);
  EXPECT_EQ(rnd::Random(100), 0u); // seed 1: (1 * 100) >> 32
  EXPECT_EQ(rnd::Seed(), 1u);
  rnd::Random(1);
  EXPECT_EQ(rnd::Seed(), 134775814u);
  rnd::SetSeed(0xFFFFFFFFu);
  uint32_t r = rnd::Random(10);
  EXPECT_EQ(rnd::Seed(), 0xFFFFFFFFu * 134775813u + 1u);
  EXPECT_EQ(r, static_cast<uint32_t>((static_cast<uint64_t>(rnd::Seed()) * 10) >> 32));
}

TEST_F(Playlist, TotalsBookmarksAndNames) {
  EXPECT_EQ(list.TotalDuration(), 1);
  AddNames({"a.avi", "b.avi"});
  EXPECT_EQ(list.TotalDuration(), -1);
  list.Items(0).Duration = 10;
  EXPECT_EQ(list.TotalDuration(), -11);
  list.Items(1).Duration = 5;
  EXPECT_EQ(list.TotalDuration(), 16);

  EXPECT_EQ(TPlayList::NormalizeName("Film [Rip] - Part_1.avi"), "FilmPart1.avi");
  EXPECT_EQ(TPlayList::NormalizeName("[x]"), "");
  EXPECT_EQ(TPlayList::NormalizeName("a[b"), "a");
  EXPECT_EQ(TPlayList::NormalizeName("a--b"), "ab");
  EXPECT_EQ(TPlayList::NormalizeName("a]b[c]d[e"), "a]bd");

  list.AddBookmark(0, "late", 50);
  list.AddBookmark(0, "early", 10);
  list.AddBookmark(0, "mid", 30);
  ASSERT_EQ(list.Items(0).Bookmarks.size(), 3u);
  EXPECT_EQ(list.Items(0).Bookmarks[0].Name, "early");
  EXPECT_EQ(list.Items(0).Bookmarks[2].Name, "late");
  list.DeleteBookmark(0, 5);
  list.DeleteBookmark(0, 1);
  EXPECT_EQ(list.Items(0).Bookmarks[1].Name, "late");

  // Without a player nothing is marked; with one, the name shows the position to the second.
  list.AddBookmarkAtPlayPosition();
  EXPECT_EQ(list.Items(0).Bookmarks.size(), 2u);
  list.PlayIndex(1);
  host.position = ((1 * 3600 + 2 * 60 + 3) * 1000 + 456) * 10'000LL;
  list.AddBookmarkAtPlayPosition();
  ASSERT_EQ(list.Items(1).Bookmarks.size(), 1u);
  EXPECT_EQ(list.Items(1).Bookmarks[0].Name, "[ 01:02:03 ]");
  list.PlayIndex(1, 0);
  EXPECT_EQ(host.seeks, std::vector<int64_t>{host.position});
}

TEST_F(Playlist, SortsReversesAndMoves) {
  AddNames({"c/x.avi", "a/z.avi", "b/y.avi"});
  list.Items(0).Title = "2";
  list.Items(1).Title = "3";
  list.Items(2).Title = "1";
  list.SetCurrent(1);
  list.SortByFullPath();
  EXPECT_EQ(list.Items(0).FileName, "/media/a/z.avi");
  EXPECT_EQ(list.CurrentIndex(), 0); // the mark travels with its entry
  list.SortByTitle();
  EXPECT_EQ(list.Items(0).Title, "1");
  list.SortByFileName();
  EXPECT_EQ(list.Items(0).FileName, "/media/c/x.avi");
  list.Reverse();
  EXPECT_EQ(list.Items(0).FileName, "/media/a/z.avi");
  list.Move(0, 2);
  EXPECT_EQ(list.Items(2).FileName, "/media/a/z.avi");
  list.Move(0, 3); // out of range
  EXPECT_EQ(list.Items(2).FileName, "/media/a/z.avi");
}

TEST_F(Playlist, FoldersDvdsAndSimilarFiles) {
  zvtest::TempDir dir;
  fs::create_directories(dir.path() / "tree/sub/deeper");
  fs::create_directories(dir.path() / "dvd/VIDEO_TS");
  for (const char* f : {"tree/one.avi", "tree/notes.txt", "tree/sub/two.mp3", "tree/sub/deeper/three.mkv",
                        "dvd/VIDEO_TS/VIDEO_TS.IFO", "dvd/VIDEO_TS/VTS_01_1.VOB"})
    zvtest::WriteFile(dir.file(f), "x");
  // A link back up the tree is not followed.
  fs::create_directory_symlink(dir.path() / "tree", dir.path() / "tree/sub/loop");
  // Names in natural order, case ignored, folders entered where their names stand.
  for (const char* f : {"tree/Track 10.mp3", "tree/track 9.mp3", "tree/Track 1.mp3", "tree/b.avi"})
    zvtest::WriteFile(dir.file(f), "x");
  list.AddList({dir.file("tree")});
  std::vector<std::string> titles;
  for (int i = 0; i < list.Count(); ++i)
    titles.push_back(list.Items(i).Title);
  EXPECT_EQ(titles, (std::vector<std::string>{"b", "one", "three", "two", "Track 1", "track 9", "Track 10"}));
  EXPECT_GE(host.addsFinished, 1);

  for (std::string name : {dir.file("dvd"), dir.file("dvd") + "/"}) {
    list.Clear();
    list.AddList({name});
    ASSERT_EQ(list.Count(), 1) << name;
    EXPECT_EQ(list.Items(0).FileName, dir.file("dvd/VIDEO_TS/VIDEO_TS.IFO"));
  }

  // Similar files: the first four characters of the normalised names decide.
  fs::create_directories(dir.path() / "series");
  for (const char* f : {"series/Show [HD] - 01.avi", "series/Show_02.avi", "series/Other.avi", "series/Show 03.mp3"})
    zvtest::WriteFile(dir.file(f), "x");
  list.Clear();
  prefs.SetBool("OnOpen.SearchForSimilarFiles", true);
  list.AddList({dir.file("series/Show_02.avi")});
  ASSERT_EQ(list.Count(), 2);
  ASSERT_GE(list.CurrentIndex(), 0);
  EXPECT_EQ(list.Items(list.CurrentIndex()).Title, "Show_02");
  // An audio file is added alone.
  list.Clear();
  list.AddList({dir.file("series/Show 03.mp3")});
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(Playlist, ZvpFilesRoundTripWithRelativeEntries) {
  zvtest::TempDir dir;
  fs::create_directories(dir.path() / "lists/media");
  list.AddFile(dir.file("lists/media/one.avi"));
  list.AddFile("/elsewhere/two.mkv");
  list.AddFile("http://radio.example/live");
  list.Items(0).Title = "First one";
  list.AddBookmark(0, "[ 00:01:02 ]", ((62 * 1000) + 345) * 10'000LL);
  list.AddBookmark(0, "Start", 0);
  list.AddBookmark(1, "Late", ((99LL * 3600) * 1000 + 1) * 10'000LL);
  std::string file = dir.file("lists/mine.zvp");
  list.SaveToZVP(file);
  std::string text = zvtest::ReadFile(file);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "media/one.avi");
  EXPECT_NE(text.find(">N First one\r\n>B 00:00:00.000 Start\r\n>B 00:01:02.345 [ 00:01:02 ]\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("/elsewhere/two.mkv\r\n"), std::string::npos);

  // Moved together with its media, the list still finds them.
  fs::rename(dir.path() / "lists", dir.path() / "moved");
  TPlayList back(prefs, host);
  back.AddFromZVP(dir.file("moved/mine.zvp"));
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Items(0).FileName, dir.file("moved/media/one.avi"));
  EXPECT_EQ(back.Items(0).Title, "First one");
  ASSERT_EQ(back.Items(0).Bookmarks.size(), 2u);
  EXPECT_EQ(back.Items(0).Bookmarks[1].Position, ((62 * 1000) + 345) * 10'000LL);
  EXPECT_EQ(back.Items(0).Bookmarks[1].Name, "[ 00:01:02 ]");
  EXPECT_EQ(back.Items(1).FileName, "/elsewhere/two.mkv");
  EXPECT_EQ(back.Items(1).Bookmarks[0].Position, ((99LL * 3600) * 1000 + 1) * 10'000LL);
  EXPECT_EQ(back.Items(2).FileName, "http://radio.example/live");
}

TEST_F(Playlist, ZvpReaderToleratesOddLines) {
  zvtest::TempDir dir;
  std::string file = dir.file("odd.zvp");
  zvtest::WriteFile(file, ">N before any entry\n  a.avi  \r\n>N Title A\n>B xx:yy:zz.www broken\n>Q other\n\n\n"
                          "a.avi\n>N Applies to the last entry\n>B 00:00:01.500\nb.avi");
  list.AddFromZVP(file);
  ASSERT_EQ(list.Count(), 2);
  // The lines after a refused doublet belong to no entry and are dropped.
  EXPECT_EQ(list.Items(0).Title, "Title A");
  ASSERT_EQ(list.Items(0).Bookmarks.size(), 1u);
  EXPECT_EQ(list.Items(0).Bookmarks[0].Position, 0);
  EXPECT_EQ(list.Items(0).Bookmarks[0].Name, "broken");
  EXPECT_EQ(list.Items(1).Title, "b");
  list.AddFromZVP(dir.file("missing.zvp"));
  EXPECT_EQ(list.Count(), 2);
  // A list that cannot be written leaves nothing behind and raises nothing.
  list.SaveToZVP(dir.file("no/such/folder/x.zvp"));
  EXPECT_FALSE(fs::exists(dir.file("no/such/folder/x.zvp")));
}

TEST_F(Playlist, ChangeNotificationsWaitForTheEndOfAnUpdate) {
  int changes = 0;
  list.onChange = [&] { ++changes; };
  list.BeginUpdate();
  AddNames({"a.avi", "b.avi"});
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.SetCurrent(0); // no notification
  EXPECT_EQ(changes, 1);
  list.Clear();
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(host.hasEntries);
}

TEST_F(Playlist, AnEntryOpenedInTheBackgroundGoesOnWhenItsPlayerHasEnded) {
  AddNames({"slow_bad.avi", "slow.avi", "c.avi"});
  list.Play();
  EXPECT_TRUE(list.Opening());
  host.RunDeferred();
  EXPECT_EQ(host.played, std::vector<std::string>{"slow_bad.avi"}) << "nothing moves while it connects";
  list.PlayerOpenEnded(false);
  host.RunDeferred();
  EXPECT_EQ(host.played, (std::vector<std::string>{"slow_bad.avi", "slow.avi"}));
  EXPECT_EQ(list.Items(1).Duration, -1);
  list.PlayerOpenEnded(true);
  host.RunDeferred();
  EXPECT_EQ(list.Items(1).Duration, 123) << "the opened length is kept";
  EXPECT_EQ(host.played.size(), 2u);
}

TEST_F(Playlist, AnEntryThatCannotOpenIsSkipped) {
  AddNames({"a.avi", "bad.avi", "c.avi"});
  prefs.SetInt("Playlist.OnPlayListEnd", 1);
  list.Play();
  Complete(); // a ends; "bad" fails and the list goes on by itself
  host.RunDeferred();
  EXPECT_EQ(host.played, (std::vector<std::string>{"a.avi", "bad.avi", "c.avi"}));
  EXPECT_TRUE(host.posted.empty());
  Complete();
  EXPECT_EQ(host.posted, std::vector<int>{453});

  // A list where nothing opens tries each entry once, even with repeat, and then ends.
  list.Clear();
  AddNames({"bad1.avi", "bad2.avi"});
  prefs.SetBool("PlayList.Repeat", true);
  host.played.clear();
  host.posted.clear();
  list.Play();
  host.RunDeferred();
  EXPECT_EQ(host.played, (std::vector<std::string>{"bad1.avi", "bad2.avi"}));
  EXPECT_EQ(host.posted, std::vector<int>{453});
  // A single entry that cannot open ends the list at once.
  list.Clear();
  AddNames({"bad.avi"});
  host.posted.clear();
  list.Play();
  host.RunDeferred();
  EXPECT_EQ(host.posted, std::vector<int>{453});
}

TEST_F(Playlist, M3uAndPlsRoundTripsKeepNamesTitlesAndLengths) {
  zvtest::TempDir dir;
  fs::create_directories(dir.path() / "sub");
  std::string near = dir.file("sub/Café Ñ.mp3");
  list.AddFile(near);
  list.AddFile("/elsewhere/film.avi");
  list.AddFile("http://radio.example/live");
  list.Items(0).Title = "Título, with comma";
  list.Items(0).Duration = 2'000'000'000; // 200 s
  list.Items(1).Title = "Film";
  for (const char* name : {"list.m3u", "list.m3u8", "list.pls"}) {
    SCOPED_TRACE(name);
    std::string path = dir.file(name);
    if (EndsText(".pls", name))
      list.SaveToPLS(path);
    else
      list.SaveToM3U(path);
    zvtest::MapPrefs p2;
    FakeHost h2;
    TPlayList back{p2, h2};
    back.AddList({path});
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.Items(0).FileName, near);
    EXPECT_EQ(back.Items(0).Title, "Título, with comma");
    EXPECT_EQ(back.Items(0).Duration, 2'000'000'000);
    EXPECT_EQ(back.Items(1).FileName, "/elsewhere/film.avi");
    EXPECT_EQ(back.Items(1).Duration, -1) << "an unknown length stays unknown";
    EXPECT_EQ(back.Items(2).FileName, "http://radio.example/live");
  }
  std::string pls = zvtest::ReadFile(dir.file("list.pls"));
  EXPECT_EQ(pls.rfind("[playlist]\r\nFile1=", 0), 0u) << "numbered from 1";
  EXPECT_NE(pls.find("Length2=-1\r\n"), std::string::npos);
  EXPECT_NE(pls.find("NumberOfEntries=3\r\nVersion=2\r\n"), std::string::npos);
  std::string m3u = zvtest::ReadFile(dir.file("list.m3u"));
  EXPECT_EQ(m3u.rfind("#EXTM3U\r\n#EXTINF:200,Título, with comma\r\n", 0), 0u) << m3u;
  EXPECT_NE(m3u.find("#EXTINF:-1,Film\r\n/elsewhere/film.avi\r\n"), std::string::npos);
}

TEST_F(Playlist, LineBreaksInTitlesAndNamesInjectNothing) {
  zvtest::TempDir dir;
  list.AddFile("/m/a.mp3");
  list.AddFile("/m/b\n/etc/passwd.mp3"); // a file name may hold a line break
  list.AddFile("/m/c.mp3");
  list.Items(0).Title = "Evil\r\n/etc/injected.avi\n>N x";
  list.AddBookmark(2, "mark\n/etc/bookmarked.avi", 10'000'000);
  for (const char* name : {"l.zvp", "l.m3u", "l.pls"}) {
    SCOPED_TRACE(name);
    std::string path = dir.file(name);
    if (EndsText(".zvp", name))
      list.SaveToZVP(path);
    else if (EndsText(".pls", name))
      list.SaveToPLS(path);
    else
      list.SaveToM3U(path);
    zvtest::MapPrefs p2;
    FakeHost h2;
    TPlayList back{p2, h2};
    back.AddList({path});
    ASSERT_EQ(back.Count(), 2) << zvtest::ReadFile(path);
    EXPECT_EQ(back.Items(0).FileName, "/m/a.mp3");
    EXPECT_EQ(back.Items(0).Title, "Evil  /etc/injected.avi >N x");
    EXPECT_EQ(back.Items(1).FileName, "/m/c.mp3");
  }
}

TEST_F(Playlist, ListsAsOtherPlayersWriteThemLoadWhole) {
  zvtest::TempDir dir;
  // VLC: extended M3U with file URIs, LF line ends and no end on the last line.
  zvtest::WriteFile(dir.file("vlc.m3u"), "#EXTM3U\n#EXTINF:123,Band - Song\nfile:///music/a%20b%C3%A9.mp3\n"
                                         "#EXTVLCOPT:network-caching=1000\n#EXTINF:-1,Radio\nhttps://radio.example/x\n"
                                         "#EXTINF:5,Last\nfile:///music/last.ogg");
  // mpv and GStreamer-based players: a plain list of names, relative to the list, CR LF ends.
  zvtest::WriteFile(dir.file("plain.m3u"), "# a comment\r\nsub/one.mp3\r\n\r\n/abs/two.mp3\r\n");
  // An M3U8 with a byte-order mark before its header.
  zvtest::WriteFile(dir.file("bom.m3u8"), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:10,Ünï\r\n/u/ü.mp3\r\n");
  // A PLS file as VLC writes it, CR LF.
  zvtest::WriteFile(dir.file("vlc.pls"),
                    "[playlist]\r\nFile1=/p/one.mp3\r\nTitle1=One\r\nLength1=61\r\n"
                    "File2=two.mp3\r\nTitle2=Two\r\nLength2=-1\r\nNumberOfEntries=2\r\nVersion=2\r\n");
  list.AddList({dir.file("vlc.m3u")});
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0).FileName, "/music/a bé.mp3");
  EXPECT_EQ(list.Items(0).Title, "Band - Song");
  EXPECT_EQ(list.Items(0).Duration, 1'230'000'000);
  EXPECT_EQ(list.Items(1).FileName, "https://radio.example/x");
  EXPECT_EQ(list.Items(1).Title, "Radio");
  EXPECT_EQ(list.Items(2).FileName, "/music/last.ogg") << "the last line without a line end";
  list.Clear();
  list.AddList({dir.file("plain.m3u")});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).FileName, dir.file("sub/one.mp3")) << "relative to the list's folder";
  EXPECT_EQ(list.Items(1).FileName, "/abs/two.mp3");
  list.Clear();
  list.AddList({dir.file("bom.m3u8")});
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).Title, "Ünï");
  list.Clear();
  list.AddList({dir.file("vlc.pls")});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).Title, "One");
  EXPECT_EQ(list.Items(0).Duration, 610'000'000);
  EXPECT_EQ(list.Items(1).FileName, dir.file("two.mp3"));
  EXPECT_EQ(list.Items(1).Duration, -1);

  // GStreamer-based players (the GNOME playlist parser): PLS with file URIs, a list title, blank
  // lines and LF ends; an M3U8 with URIs and LF ends.
  zvtest::WriteFile(dir.file("gnome.pls"), "[playlist]\nX-GNOME-Title=Evening\nNumberOfEntries=2\n\n"
                                           "File1=file:///music/Caf%C3%A9/01%20Intro.ogg\nTitle1=Intro\n\n"
                                           "File2=http://radio.example:8000/jazz\nTitle2=Jazz Radio\n");
  zvtest::WriteFile(dir.file("gnome.m3u8"), "#EXTM3U\n#EXTINF:245,Ärtist - Sông\nfile:///music/s%C3%B4ng.flac\n"
                                            "#EXTINF:-1,Stream\nhttps://radio.example/live.aac\n");
  list.Clear();
  list.AddList({dir.file("gnome.pls")});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).FileName, "/music/Café/01 Intro.ogg");
  EXPECT_EQ(list.Items(0).Title, "Intro");
  EXPECT_EQ(list.Items(1).FileName, "http://radio.example:8000/jazz");
  EXPECT_EQ(list.Items(1).Title, "Jazz Radio");
  list.Clear();
  list.AddList({dir.file("gnome.m3u8")});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).FileName, "/music/sông.flac");
  EXPECT_EQ(list.Items(0).Title, "Ärtist - Sông");
  EXPECT_EQ(list.Items(0).Duration, 2'450'000'000);
  EXPECT_EQ(list.Items(1).FileName, "https://radio.example/live.aac");
}

TEST_F(Playlist, TitleLinesAfterARefusedDoubletAreDropped) {
  zvtest::TempDir dir;
  list.AddFile("/m/a.mp3");
  zvtest::WriteFile(dir.file("d.m3u"), "#EXTM3U\n#EXTINF:10,New title\n/m/a.mp3\n#EXTINF:20,B\n/m/b.mp3\n");
  zvtest::WriteFile(dir.file("d.pls"), "[playlist]\nFile1=/m/a.mp3\nTitle1=Other\nFile2=/m/c.mp3\nTitle2=C\n");
  list.AddFromM3U(dir.file("d.m3u"));
  list.AddFromPLS(dir.file("d.pls"));
  ASSERT_EQ(list.Count(), 3);
  // Lengths too large to be real stay unknown (they would overflow the duration).
  zvtest::WriteFile(dir.file("huge.m3u"), "#EXTM3U\n#EXTINF:669072588149890725,Huge\n/m/h.mp3\n");
  zvtest::WriteFile(dir.file("huge.pls"), "[playlist]\nFile1=/m/i.mp3\nLength1=68888888888888888\n");
  list.AddFromM3U(dir.file("huge.m3u"));
  list.AddFromPLS(dir.file("huge.pls"));
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Items(3).Duration, -1);
  EXPECT_EQ(list.Items(4).Duration, -1);
  list.Delete(3);
  list.Delete(3);
  EXPECT_EQ(list.Items(0).Title, "a") << "the doublet keeps its own title";
  EXPECT_EQ(list.Items(1).Title, "B");
  EXPECT_EQ(list.Items(2).Title, "C");
}

TEST_F(Playlist, AsxAndLstListsAndUnreadableFiles) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("l.asx"), "<ASX version=\"3.0\"><Title>x</Title><Entry><Ref HREF=\"http://s.example/1\"/>"
                                       "<ref href=\"http://s.example/ignored\"/></Entry><ENTRY><REF href=\"rel.wma\"/>"
                                       "</ENTRY><Entry><Ref href=\"\"/></Entry></ASX>");
  zvtest::WriteFile(dir.file("l.lst"), "  /x/one.avi  \n\ntwo.avi\n");
  list.AddList({dir.file("l.asx")});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).FileName, "http://s.example/1");
  EXPECT_EQ(list.Items(1).FileName, dir.file("rel.wma"));
  list.AddList({dir.file("l.lst")});
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Items(2).FileName, "/x/one.avi");
  EXPECT_EQ(list.Items(3).FileName, dir.file("two.avi"));
  for (const char* missing : {"none.m3u", "none.pls", "none.asx", "none.lst"})
    list.AddList({dir.file(missing)});
  EXPECT_EQ(list.Count(), 4);
  zvtest::WriteFile(dir.file("bad.asx"), "<not xml");
  list.AddFromASX(dir.file("bad.asx"));
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(Playlist, AReportRepeatsItsEntryPartAndSumsTheTotals) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("x & y.wav"), zvtest::SilentWav(2000));
  zvtest::WriteFile(dir.file("z.wav"), zvtest::SilentWav(3000));
  std::string templ = dir.file("t.txt");
  zvtest::WriteFile(templ, "*.txt\nHEAD|%EntryStart%[%No% %CellColor% %FileName% %Size% %VideoDuration%]%EntryEnd%"
                           "|%TotalFilesNumber% %TotalSize% %TotalDuration% %LastUpdate% %ZVVersion%");
  TPlayList::TReportContext context;
  context.version = "1.0.2";
  context.lastUpdate = "9/12/2026 (14:05)";
  std::vector<int> progress;
  context.progress = [&](int i) { progress.push_back(i); };
  // An empty list: head and tail only.
  list.WriteReport(dir.file("empty.txt"), templ, context);
  EXPECT_EQ(zvtest::ReadFile(dir.file("empty.txt")), "HEAD||0 0 Byte(s) 0 {Info.Sec} 9/12/2026 (14:05) 1.0.2");
  list.AddFile(dir.file("x & y.wav"));
  list.AddFile(dir.file("z.wav"));
  list.WriteReport(dir.file("r.txt"), templ, context);
  EXPECT_EQ(zvtest::ReadFile(dir.file("r.txt")),
            "HEAD|[1 #EEFFFF x & y.wav 15.67 KB 0:00:02.000][2 #FFFFEE z.wav 23.48 KB 0:00:03.000]"
            "|2 39.15 KB 5 {Info.Sec} 9/12/2026 (14:05) 1.0.2");
  EXPECT_EQ(progress, (std::vector<int>{0, 1}));
  // In an HTML report the values are escaped.
  list.WriteReport(dir.file("r.html"), templ, context);
  EXPECT_NE(zvtest::ReadFile(dir.file("r.html")).find("x &amp; y.wav"), std::string::npos);
  // A template without a line break is the template whole; a missing one is the built-in page.
  zvtest::WriteFile(dir.file("one.txt"), "%EntryStart%<%No%>%EntryEnd%");
  list.WriteReport(dir.file("one.out"), dir.file("one.txt"), context);
  EXPECT_EQ(zvtest::ReadFile(dir.file("one.out")), "<1><2>");
  list.WriteReport(dir.file("builtin.html"), dir.file("missing.txt"), context);
  std::string page = zvtest::ReadFile(dir.file("builtin.html"));
  EXPECT_EQ(page.rfind("<HTML><HEAD><META charset=\"utf-8\"><TITLE>ZV report</TITLE>\r\n", 0), 0u)
      << "the page says how its text is encoded";
  EXPECT_NE(page.find("<TR bgcolor=\"#FFFFEE\"><TD bgcolor=\"#CCCCCC\">2</TD><TD>z.wav (WAV) MT:(A)</TD>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.substr(page.size() - 22), "</TABLE></BODY></HTML>");

  // The detector describes the files the own readers do not know, but streams are not contacted.
  struct Detector : IMediaDetector {
    std::vector<std::string> asked;
    bool Detect(const std::string& name, std::vector<TDetectedStream>&) override {
      asked.push_back(name);
      return false;
    }
  } detector;
  zvtest::WriteFile(dir.file("odd.xyz"), std::string(64, 'x'));
  list.AddFile(dir.file("odd.xyz"));
  list.AddFile("http://radio.example:8000/live");
  context.detector = &detector;
  list.WriteReport(dir.file("d.txt"), templ, context);
  EXPECT_EQ(detector.asked, (std::vector<std::string>{dir.file("odd.xyz")}));
  EXPECT_NE(zvtest::ReadFile(dir.file("d.txt")).find("[4 #FFFFEE live 0 Byte(s)"), std::string::npos)
      << zvtest::ReadFile(dir.file("d.txt"));
}

namespace {
// Runs driver ticks until the sniffer has nothing more to do in view.
bool TickUntilIdle(TSnifferDriver& driver, int top, int rows) {
  return zvtest::WaitUntil([&] {
    driver.Tick(true, top, rows);
    return !driver.Running();
  });
}
} // namespace

TEST_F(Playlist, TheSnifferMeasuresWhatTheWindowShowsOneFileAtATime) {
  AddNames({"a.mp3", "b.mp3", "c.mp3", "bad.mp3", "d.mp3"});
  list.AddFile("http://radio.example/live");
  list.Items(1).Duration = 5;
  std::mutex lock;
  std::vector<std::string> measured;
  TSnifferDriver driver(list, [&](const std::string& name) -> int64_t {
    std::lock_guard<std::mutex> guard(lock);
    measured.push_back(fs::path(name).filename().string());
    return name.find("bad") != std::string::npos ? -1 : 10'000'000 * static_cast<int64_t>(measured.size());
  });
  driver.Tick(false, 0, 3);
  EXPECT_FALSE(driver.Running()) << "nothing is measured while the window is hidden";
  // The window shows rows 0-2: a and c are measured, b already has a length.
  ASSERT_TRUE(TickUntilIdle(driver, 0, 3));
  EXPECT_FALSE(driver.Running()) << "with every visible length known the sniffer goes";
  {
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(measured, (std::vector<std::string>{"a.mp3", "c.mp3"}));
  }
  EXPECT_EQ(list.Items(0).Duration, 10'000'000);
  EXPECT_EQ(list.Items(2).Duration, 20'000'000);
  EXPECT_EQ(list.Items(4).Duration, -1) << "not in view";
  // Scrolling down: the unreadable file is tried once, the stream never.
  ASSERT_TRUE(TickUntilIdle(driver, 3, 3));
  ASSERT_TRUE(TickUntilIdle(driver, 3, 3));
  {
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(measured, (std::vector<std::string>{"a.mp3", "c.mp3", "bad.mp3", "d.mp3"}));
  }
  EXPECT_EQ(list.Items(3).Duration, -1) << "no 0 is stored for a file that could not be measured";
  EXPECT_EQ(list.Items(4).Duration, 40'000'000);
  EXPECT_EQ(list.Items(5).Duration, -1);
  // Hiding the window stops a running sniffer at the next tick.
  list.Items(0).Duration = -1;
  driver.Tick(true, 0, 3);
  EXPECT_TRUE(driver.Running());
  driver.Tick(false, 0, 3);
  EXPECT_FALSE(driver.Running());
}

TEST_F(Playlist, ClosingDoesNotWaitForASlowMeasurement) {
  auto release = std::make_shared<std::promise<void>>();
  auto started = std::make_shared<std::promise<void>>();
  auto finished = std::make_shared<std::promise<void>>();
  std::shared_future<void> go = release->get_future().share();
  std::future<void> running = started->get_future();
  std::future<void> ended = finished->get_future();
  {
    TDurationSniffer sniffer([go, started, finished](const std::string&) -> int64_t {
      started->set_value();
      go.wait();
      finished->set_value();
      return 1;
    });
    sniffer.Request("/slow/file.mp3");
    ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  } // the destructor returns while the measurement still runs
  EXPECT_EQ(ended.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  release->set_value();
  EXPECT_EQ(ended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  // The detached worker leaves once it lets go of what it measured with.
  EXPECT_TRUE(zvtest::WaitUntil([&] { return finished.use_count() == 1; }));
}

TEST_F(Playlist, TheDefaultMeasureReadsRegularFilesOnly) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("two.wav"), zvtest::SilentWav(2000));
  zvtest::WriteFile(dir.file("junk.mp3"), std::string(100, 'j'));
  EXPECT_EQ(TDurationSniffer::DefaultMeasure(dir.file("two.wav")), 20'000'000);
  EXPECT_EQ(TDurationSniffer::DefaultMeasure(dir.file("junk.mp3")), -1);
  EXPECT_EQ(TDurationSniffer::DefaultMeasure(dir.str()), -1) << "a folder";
  EXPECT_EQ(TDurationSniffer::DefaultMeasure(dir.file("missing.wav")), -1);
}
