#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// Processor features as the session log reports them.
struct TCpuFeatures {
  bool mmx = false, mmx2 = false, sse = false, sse2 = false, sse3 = false, x64 = false;
};

// The screen the application window is on, and the number of monitors. Filled by the user interface
// layer; all zero when there is no display.
struct TScreenFacts {
  int width = 0, height = 0, depth = 0, refresh = 0;
  int monitors = 0;
};

struct TMachineFacts {
  int processors = 0;
  uint32_t mhz = 0;
  TCpuFeatures cpu;
  uint64_t ramBytes = 0;
  bool osKnown = false;
  std::string osName;    // kernel name, "Linux"
  std::string osRelease; // kernel release, "6.1.0-18-amd64"
  int osMajor = 0, osMinor = 0, osBuild = 0;
  std::string distribution; // PRETTY_NAME of os-release
  TScreenFacts screen;
};

TCpuFeatures DetectCpuFeatures();
// Measures the processor clock over 20 ms with the time-stamp counter; 0 where there is none.
uint32_t MeasureCpuMHz();
// Total physical memory from /proc/meminfo, in bytes.
uint64_t TotalMemoryBytes();
TMachineFacts GatherMachineFacts(const TScreenFacts& screen);

// The lines of the machine description, "+SysInfo" to "-SysInfo".
std::vector<std::string> DescribeMachine(const TMachineFacts& m, int64_t counterFrequency);

} // namespace zv
