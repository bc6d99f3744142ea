#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace zv {

// The processor load over all processors: the busy share of the time between two readings of the
// aggregate "cpu" line of /proc/stat (user, nice, system, idle, iowait, irq, softirq, steal; idle
// and iowait count as idle).
class TCPUMeter {
public:
  explicit TCPUMeter(std::string statPath = "/proc/stat");
  // Percent since the previous reading (since boot at the first), rounded half to even; 0 when no
  // time has passed; the previous result when the file cannot be read or has no "cpu" line.
  int Usage();

private:
  std::string path_;
  unsigned long long idle_ = 0, total_ = 0;
  int last_ = 0;
  bool failing_ = false;
};

// The thread that reads the meter every period and keeps the latest reading for the window timer.
class TCPUThread {
public:
  TCPUThread(std::string statPath, std::chrono::milliseconds period);
  // Stops at once (no waiting out the sleep) and joins.
  ~TCPUThread();
  int Reading() const { return reading_.load(std::memory_order_relaxed); }

private:
  void Run();
  std::string path_;
  std::chrono::milliseconds period_;
  std::atomic<int> reading_{0};
  std::mutex lock_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// The load measurement the core keeps while Plugins.CPUUsage.Enabled is on.
class TCPU {
public:
  explicit TCPU(std::string statPath = "/proc/stat", std::chrono::milliseconds period = std::chrono::milliseconds(300))
      : thread_(std::move(statPath), period) {}
  int Reading() const { return thread_.Reading(); }

private:
  TCPUThread thread_;
};

} // namespace zv
