// The AVI reader's speed against plain system calls and other programs.
//   zv_bench_avi index <file> [runs]   parse and load the index (and build every stream's samples):
//                                      the median of the runs in-process, and one run when runs = 1
//                                      (for hyperfine beside ffprobe)
//   zv_bench_avi read <file> [block] [blocks]
//                                      the file front to back through the cached reader (`blocks`
//                                      blocks of `block` bytes; 16 x 4096 by default, the AVI
//                                      sources use 5 x 65536) and through plain read() calls of
//                                      the same block size; MB/s of each
#include "filters/avi_parser.h"
#include "filters/cached_file.h"
#include "filters/media_data.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

size_t IndexOnce(const std::string& path) {
  zv::TCachedFile file(path);
  file.RebuidCache(5, 65536);
  zv::TAVIParser parser(file);
  parser.Parse();
  parser.LoadIndex(true);
  size_t samples = 0;
  for (int s = 0; s < parser.StreamCount(); ++s)
    samples += static_cast<size_t>(zv::TAVIData(parser, s).GetSampleCount());
  return samples;
}

int Index(const std::string& path, int runs) {
  std::vector<double> times;
  size_t samples = 0;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    samples = IndexOnce(path);
    times.push_back(Seconds(t0, Clock::now()));
  }
  std::sort(times.begin(), times.end());
  std::printf("index: %zu samples, median %.2f ms, best %.2f ms (%d runs)\n", samples, times[times.size() / 2] * 1e3,
              times.front() * 1e3, runs);
  return samples ? 0 : 1;
}

int Read(const std::string& path, uint32_t block, uint32_t blocks) {
  std::vector<char> buffer(block);
  // Warm the page cache so that both read memory, not the disk.
  {
    int fd = ::open(path.c_str(), O_RDONLY);
    while (::read(fd, buffer.data(), block) > 0) {
    }
    ::close(fd);
  }
  double best[2] = {1e9, 1e9};
  int64_t total = 0;
  for (int round = 0; round < 9; ++round) {
    auto t0 = Clock::now();
    int fd = ::open(path.c_str(), O_RDONLY);
    int64_t plain = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), block)) > 0;)
      plain += n;
    ::close(fd);
    best[0] = std::min(best[0], Seconds(t0, Clock::now()));
    t0 = Clock::now();
    zv::TCachedFile file(path);
    if (block != zv::TCachedFile::kDefaultBlockSize || blocks != zv::TCachedFile::kDefaultBlocks)
      file.RebuidCache(blocks, block);
    int64_t cached = 0;
    for (int64_t n; (n = file.Read(buffer.data(), block, cached)) > 0;)
      cached += n;
    best[1] = std::min(best[1], Seconds(t0, Clock::now()));
    if (cached != plain)
      return 1;
    total = plain;
  }
  double mb = static_cast<double>(total) / 1e6;
  std::printf("read %u-byte pieces of %.0f MB: plain read() %.0f MB/s, cached reader (%u x %u) %.0f MB/s, ratio %.2f\n",
              block, mb, mb / best[0], blocks, block, mb / best[1], best[0] / best[1]);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "index") == 0)
    return Index(argv[2], argc > 3 ? std::atoi(argv[3]) : 20);
  if (argc >= 3 && std::strcmp(argv[1], "read") == 0)
    return Read(argv[2], argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 4096,
                argc > 4 ? static_cast<uint32_t>(std::atoi(argv[4])) : zv::TCachedFile::kDefaultBlocks);
  std::fprintf(stderr, "usage: zv_bench_avi index <file> [runs] | read <file> [block] [blocks]\n");
  return 2;
}
