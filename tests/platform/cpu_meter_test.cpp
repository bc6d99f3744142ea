#include "platform/cpu_meter.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace zv;

namespace {
void WriteStat(const std::string& path, const std::string& cpuLine) {
  std::ofstream out(path, std::ios::trunc);
  out << cpuLine << "cpu0 1 2 3 4 5 6 7 8 0 0\nintr 12345\n";
}
} // namespace

TEST(CPUMeter, ReadsTheAggregateLineBetweenReadings) {
  zvtest::TempDir dir;
  const std::string stat = dir.file("stat");
  TCPUMeter meter(stat);
  // Each reading: the aggregate line written before it and the load expected from the change.
  const struct {
    const char* line;
    int usage;
  } steps[] = {
      {"cpu  100 0 100 800 0 0 0 0 0 0\n", 20},  // since boot: 200 busy of 1000
      {"cpu  150 0 100 850 0 0 0 0 0 0\n", 50},  // 50 busy of 100
      {"cpu  150 0 100 850 0 0 0 0 0 0\n", 0},   // no time passed
      {"cpu  150 0 100 900 50 0 0 0 0 0\n", 0},  // iowait counts as idle
      {"cpu  160 5 105 930 50 3 1 6 0 0\n", 50}, // irq, softirq and steal are busy: 30 of 60
      {"cpu  161 0 0 921 0 0 0 0\n", 0},         // counters went backwards: no load
      {"cpu  162 0 0 922 0 0 0 1\n", 67},        // 2 of 3: 66.7 rounds to 67
      {"cpu  163 0 0 929 0 0 0 1\n", 12},        // 1 of 8: 12.5, a half, to even
      {"cpu  166 0 0 934 0 0 0 1\n", 38},        // 3 of 8: 37.5 to even
      {"", 38},                                  // no aggregate line: the last result again
      {"cpu  1 2\n", 38},                        // too short a line: likewise
  };
  for (const auto& s : steps) {
    WriteStat(stat, s.line);
    EXPECT_EQ(meter.Usage(), s.usage) << s.line;
  }
  EXPECT_EQ(TCPUMeter(dir.file("missing")).Usage(), 0);
  // The real file gives a load between 0 and 100.
  TCPUMeter real;
  real.Usage();
  int now = real.Usage();
  EXPECT_GE(now, 0);
  EXPECT_LE(now, 100);
}

TEST(CPUMeter, TheThreadKeepsTheLatestReadingAndStopsAtOnce) {
  zvtest::TempDir dir;
  const std::string stat = dir.file("stat");
  WriteStat(stat, "cpu  0 0 0 0 0 0 0 0\n");
  {
    TCPU cpu(stat, std::chrono::milliseconds(5));
    WriteStat(stat, "cpu  90 0 0 10 0 0 0 0\n");
    for (int i = 0; i < 400 && cpu.Reading() != 90; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(cpu.Reading(), 90);
  }
  // A thread asleep for a minute is not waited out.
  const auto start = std::chrono::steady_clock::now();
  { TCPU cpu(stat, std::chrono::minutes(1)); }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
