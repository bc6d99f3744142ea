// Lists written by the program, played by another player: mpv must find every entry, in order.

#include "playlist/playlist.h"

#include "map_prefs.h"
#include "playlist_host.h"
#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

std::string MpvPath() {
  for (const char* p : {"/usr/bin/mpv", "/usr/local/bin/mpv"})
    if (fs::exists(p))
      return p;
  return {};
}

// The files mpv opened from the list, in order.
std::vector<std::string> PlayedByMpv(const std::string& list) {
  std::string mpv = MpvPath();
  // The test fails rather than skips: the install script provides mpv.
  EXPECT_FALSE(mpv.empty()) << "mpv is not installed (scripts/install-deps.sh installs it)";
  if (mpv.empty())
    return {};
  zvtest::RunResult r = zvtest::RunProgram({mpv, "--no-config", "--ao=null", "--vo=null", "--end=0.02",
                                            "--term-playing-msg=ENTRY ${path}", "--playlist=" + list},
                                           {"HOME=" + fs::path(list).parent_path().string()}, std::chrono::seconds(60));
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  std::vector<std::string> played;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("ENTRY ", 0) == 0)
      played.push_back(line.substr(6));
  return played;
}

} // namespace

TEST(PlaylistInterop, ListsWrittenHereLoadWholeInMpv) {
  zvtest::TempDir dir;
  fs::create_directories(dir.file("sub dir"));
  std::vector<std::string> files = {dir.file("one.wav"), dir.file("sub dir/Ünïcödé, two.wav"),
                                    dir.file("three [live].wav")};
  for (const std::string& f : files)
    zvtest::WriteFile(f, zvtest::SilentWav(100));
  zvtest::MapPrefs prefs;
  zvtest::QuietPlaylistHost host;
  TPlayList list{prefs, host};
  for (const std::string& f : files)
    list.AddFile(f);
  ASSERT_EQ(list.Count(), 3);
  list.SetDuration(files[0], 1'000'000); // known, 0.1 s
  list.Items(1).Title = "Artist - Title = with equals";

  list.SaveToPLS(dir.file("list.pls"));
  EXPECT_EQ(PlayedByMpv(dir.file("list.pls")), files);

  list.SaveToM3U(dir.file("list.m3u"));
  EXPECT_EQ(PlayedByMpv(dir.file("list.m3u")), files);
}
