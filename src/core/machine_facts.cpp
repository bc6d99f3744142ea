#include "core/machine_facts.h"

#include "core/format.h"
#include "core/stream.h"
#include "core/system_helper.h"
#include "core/text_util.h"

#include <chrono>
#include <fstream>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define ZV_HAVE_X86 1
#endif

namespace zv {

TCpuFeatures DetectCpuFeatures() {
  TCpuFeatures f;
#ifdef ZV_HAVE_X86
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) {
    f.mmx = d & (1u << 23);
    f.mmx2 = d & (1u << 22);
    f.sse = d & (1u << 25);
    f.sse2 = d & (1u << 26);
    f.sse3 = c & 1u;
  }
  if (__get_cpuid_max(0x80000000u, nullptr) >= 0x80000001u && __get_cpuid(0x80000001u, &a, &b, &c, &d)) {
    f.mmx2 = f.mmx2 || (d & (1u << 22));
    f.x64 = d & (1u << 29);
  }
#endif
  return f;
}

uint32_t MeasureCpuMHz() {
#ifdef ZV_HAVE_X86
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  uint64_t t0 = __rdtsc();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  uint64_t t1 = __rdtsc();
  return static_cast<uint32_t>(t1 - t0) / 20000u;
#else
  return 0;
#endif
}

uint64_t TotalMemoryBytes() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t kb = 0;
  std::string unit;
  while (in >> key >> kb >> unit) {
    if (key == "MemTotal:")
      return kb * 1024;
  }
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long size = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) : 0;
}

namespace {

std::string ReadDistribution() {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      if (!StartsText("PRETTY_NAME=", line))
        continue;
      std::string v = line.substr(12);
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      return v;
    }
  }
  return {};
}

} // namespace

TMachineFacts GatherMachineFacts(const TScreenFacts& screen) {
  TMachineFacts m;
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  m.processors = n > 0 ? static_cast<int>(n) : 1;
  m.cpu = DetectCpuFeatures();
  m.mhz = MeasureCpuMHz();
  m.ramBytes = TotalMemoryBytes();
  struct utsname u {};
  if (::uname(&u) == 0) {
    m.osKnown = true;
    m.osName = u.sysname;
    m.osRelease = u.release;
    m.osMajor = static_cast<int>(NumberField(m.osRelease, 0));
    m.osMinor = static_cast<int>(NumberField(m.osRelease, 1));
    m.osBuild = static_cast<int>(NumberField(m.osRelease, 2));
  }
  m.distribution = ReadDistribution();
  m.screen = screen;
  return m;
}

std::vector<std::string> DescribeMachine(const TMachineFacts& m, int64_t counterFrequency) {
  std::vector<std::string> lines;
  lines.push_back("+SysInfo");
  const TCpuFeatures& c = m.cpu;
  lines.push_back(Format(" CPU x%d, %d MHz; Caps: %s %s %s %s %s %s", m.processors, m.mhz, c.mmx ? "MMX" : "",
                         c.mmx2 ? " MMX2" : "", c.sse ? " SSE" : "", c.sse2 ? " SSE2" : "", c.sse3 ? " SSE3" : "",
                         c.x64 ? " 64" : ""));
  lines.push_back(" RAM " + std::to_string(m.ramBytes >> 20) + " Mb");
  if (m.osKnown)
    lines.push_back(Format(" %s %s (%d.%d build %d)", m.osName, m.osRelease, m.osMajor, m.osMinor, m.osBuild));
  lines.push_back(" Distro=" + m.distribution);
  lines.push_back(Format(" MicroFreq = %d", counterFrequency));
  lines.push_back(" Screen Resolution: " +
                  Format("%dx%dx%d, %dHz", m.screen.width, m.screen.height, m.screen.depth, m.screen.refresh));
  lines.push_back(" Monitor count: " + std::to_string(m.screen.monitors));
  lines.push_back("-SysInfo");
  return lines;
}

} // namespace zv
