// The playlist on large lists: adding a folder tree of N files (the user interface breathing after
// every file, as in the program), adding them all again (every one a doublet), reversing and
// drawing a shuffle order; each for N and 2N, so that the growth shows. The peer for adding is a
// bare walk of the same tree with std::filesystem that only collects the names.
// Usage: zv_bench_playlist [N]   (prints one line per measurement)
//        zv_bench_playlist files [N]   writing and reading lists of N and 2N entries in the
//                                      program's own format, M3U and PLS
#include "core/random.h"
#include "core/text_util.h"
#include "playlist/playlist.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zv;

namespace {
struct Prefs : IPrefs {
  std::map<std::string, std::string> v;
  std::string GetString(std::string_view p) override { return v[std::string(p)]; }
  void SetString(std::string_view p, std::string_view value) override { v[std::string(p)] = value; }
  bool GetBool(std::string_view p) override { return GetString(p) == "1"; }
  void SetBool(std::string_view p, bool b) override { SetString(p, b ? "1" : "0"); }
  int32_t GetInt(std::string_view p) override { return StrToIntDef(GetString(p), 0); }
  void SetInt(std::string_view p, int32_t i) override { SetString(p, std::to_string(i)); }
};

struct Host : IPlaylistHost {
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()>) override {}
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  std::string FileType(const std::string& ext) override {
    std::string e = UpperCase(ext);
    return e == "AVI" || e == "MKV" ? "V" : e == "MP3" ? "A" : "";
  }
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class F>
double Time(F&& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return Seconds(std::chrono::steady_clock::now() - t0);
}

// A tree of n media files in folders of 500, plus a text file in each folder.
fs::path MakeTree(const fs::path& root, int n) {
  fs::create_directories(root);
  for (int i = 0; i < n; ++i) {
    fs::path folder = root / ("disc" + std::to_string(i / 500));
    if (i % 500 == 0) {
      fs::create_directories(folder);
      std::ofstream(folder / "notes.txt") << "x";
    }
    std::ofstream(folder / ("track " + std::to_string(i) + (i % 3 ? ".mp3" : ".avi")));
  }
  return root;
}
} // namespace

// Writing and reading playlist files of n entries (names with a folder, titles, a bookmark on
// every tenth entry).
void ListFiles(int n, const fs::path& base) {
  fs::create_directories(base);
  for (int size : {n, 2 * n}) {
    Prefs prefs;
    Host host;
    TPlayList list(prefs, host);
    double add = Time([&] {
      list.BeginUpdate();
      for (int i = 0; i < size; ++i)
        list.AddFile((base / ("disc" + std::to_string(i / 500)) / ("track " + std::to_string(i) + ".mp3")).string());
      list.EndUpdate();
    });
    for (int i = 0; i < size; i += 10)
      list.AddBookmark(i, "mark", 10'000'000);
    for (const char* ext : {"zvp", "m3u", "pls"}) {
      std::string file = (base / (std::to_string(size) + "." + ext)).string();
      double save = Time([&] {
        if (std::string(ext) == "zvp")
          list.SaveToZVP(file);
        else if (std::string(ext) == "m3u")
          list.SaveToM3U(file);
        else
          list.SaveToPLS(file);
      });
      Prefs p2;
      Host h2;
      TPlayList back(p2, h2);
      double load = Time([&] { back.AddList({file}); });
      std::printf("N=%d add=%.4fs %s save=%.4fs load=%.4fs entries=%d\n", size, add, ext, save, load, back.Count());
    }
  }
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && std::string(argv[1]) == "files") {
    fs::path base = fs::temp_directory_path() / ("zv-bench-lists-" + std::to_string(::getpid()));
    ListFiles(argc > 2 ? std::atoi(argv[2]) : 100000, base);
    fs::remove_all(base);
    return 0;
  }
  int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  fs::path base = fs::temp_directory_path() / ("zv-bench-playlist-" + std::to_string(::getpid()));
  for (int size : {n, 2 * n}) {
    fs::path tree = MakeTree(base / std::to_string(size), size);
    Prefs prefs;
    Host host;
    TPlayList list(prefs, host);
    // The peer: the same walk, names only.
    size_t walked = 0;
    double peer = Time([&] {
      for (const auto& e : fs::recursive_directory_iterator(tree))
        if (e.is_regular_file())
          ++walked;
    });
    double add = Time([&] { list.AddFolder(tree.string()); });
    double again = Time([&] { list.AddFolder(tree.string()); }); // every file a doublet
    double reverse = Time([&] { list.Reverse(); });
    double shuffle = Time([&] { sfShuffle s(list.Count() * 10); });
    std::printf("N=%d entries=%d walk=%.4fs add_folder=%.4fs ratio=%.2f add_doublets=%.4fs reverse=%.6fs "
                "shuffle_order_of_%d=%.4fs\n",
                size, list.Count(), peer, add, add / peer, again, reverse, list.Count() * 10, shuffle);
    (void)walked;
  }
  fs::remove_all(base);
  return 0;
}
