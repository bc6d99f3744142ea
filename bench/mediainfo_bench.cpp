// Identification and tag reading of every file of a folder, as the playlist and the reports do:
// the median time of a number of passes over the folder (warm cache), in files per second.
//   zv_bench_mediainfo <folder> [passes]
#include "filters/cached_file.h"
#include "mediainfo/media_info.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zv_bench_mediainfo <folder> [passes]\n");
    return 2;
  }
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(argv[1]))
    if (e.is_regular_file())
      files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  int passes = argc > 2 ? std::atoi(argv[2]) : 5;
  std::vector<double> times;
  size_t titled = 0;
  for (int p = 0; p < passes; ++p) {
    auto t0 = std::chrono::steady_clock::now();
    titled = 0;
    for (const std::string& name : files) {
      zv::TCachedFile file(name);
      zv::TMediaInfo info(file);
      info.RetreiveInfo();
      titled += info.Info().Title.empty() ? 0 : 1;
    }
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(times.begin(), times.end());
  double median = times[times.size() / 2];
  std::printf("%zu files (%zu with a title): median %.1f ms a pass, %.0f files/s\n", files.size(), titled,
              median * 1000, files.size() / median);
  return titled == files.size() ? 0 : 1;
}
