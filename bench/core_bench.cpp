// The formatting routine and the duration template run for every time display on every tick;
// they are compared with the C library's snprintf doing the same work.
#include "core/format.h"
#include "core/system_helper.h"

#include <benchmark/benchmark.h>

#include <cstdio>

static void BM_FormatTimeStamp(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    std::string s = zv::Format("[%.3d:%.2d,%.4d]", i % 1000, i % 60, i % 10000);
    benchmark::DoNotOptimize(s);
    ++i;
  }
}
BENCHMARK(BM_FormatTimeStamp);

static void BM_SnprintfTimeStamp(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "[%.3d:%.2d,%.4d]", i % 1000, i % 60, i % 10000);
    std::string s(buf, static_cast<size_t>(n));
    benchmark::DoNotOptimize(s);
    ++i;
  }
}
BENCHMARK(BM_SnprintfTimeStamp);

static void BM_FormatTime(benchmark::State& state) {
  int64_t v = 36'615'000'000;
  for (auto _ : state) {
    std::string s = zv::FormatTime("{H}:{M}:{S}", v);
    benchmark::DoNotOptimize(s);
    v += 10'000'000;
  }
}
BENCHMARK(BM_FormatTime);

static void BM_SnprintfTime(benchmark::State& state) {
  int64_t v = 36'615'000'000;
  for (auto _ : state) {
    int64_t s = v / 10'000'000;
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                          static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    std::string r(buf, static_cast<size_t>(n));
    benchmark::DoNotOptimize(r);
    v += 10'000'000;
  }
}
BENCHMARK(BM_SnprintfTime);

BENCHMARK_MAIN();
