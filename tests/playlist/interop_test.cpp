// Lists written by the program, played by another player: mpv must find every entry, in order.

#include "playlist/playlist.h"

#include "map_prefs.h"
#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

struct QuietHost : IPlaylistHost {
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()> work) override { work(); }
  std::string FileType(const std::string&) override { return "A"; }
};

// A short mono PCM WAV file: 0.1 s of a quiet saw tooth.
void WriteWav(const std::string& path) {
  const uint32_t rate = 8000, samples = 800;
  std::string d;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i)
      d += static_cast<char>(v >> (8 * i));
  };
  auto u16 = [&](uint16_t v) {
    d += static_cast<char>(v & 0xFF);
    d += static_cast<char>(v >> 8);
  };
  d += "RIFF";
  u32(36 + samples * 2);
  d += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  d += "data";
  u32(samples * 2);
  for (uint32_t i = 0; i < samples; ++i)
    u16(static_cast<uint16_t>((i % 64) * 64));
  zvtest::WriteFile(path, d);
}

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
    WriteWav(f);
  zvtest::MapPrefs prefs;
  QuietHost host;
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
