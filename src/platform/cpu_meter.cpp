#include "platform/cpu_meter.h"

#include "core/session_log.h"
#include "core/text_util.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace zv {

TCPUMeter::TCPUMeter(std::string statPath) : path_(std::move(statPath)) {}

int TCPUMeter::Usage() {
  std::ifstream in(path_);
  std::string line;
  bool found = false;
  while (std::getline(in, line))
    if (line.rfind("cpu ", 0) == 0) {
      found = true;
      break;
    }
  unsigned long long v[8] = {};
  int fields = 0;
  if (found) {
    std::istringstream s(line.substr(4));
    while (fields < 8 && s >> v[fields])
      ++fields;
  }
  if (fields < 4) { // at least user, nice, system and idle
    if (!failing_)
      Log("!Unable to locate the \"cpu\" line of " + path_);
    failing_ = true;
    return last_;
  }
  failing_ = false;
  unsigned long long idle = v[3] + v[4], total = 0;
  for (unsigned long long x : v)
    total += x;
  // Counters that went backwards (a restored snapshot, a wrapped counter) give no load.
  const bool backwards = total < total_ || idle < idle_;
  const unsigned long long dIdle = idle - idle_, dTotal = total - total_;
  idle_ = idle;
  total_ = total;
  if (backwards || dTotal == 0 || dIdle > dTotal)
    return last_ = 0;
  const double busy = (1.0 - static_cast<double>(dIdle) / static_cast<double>(dTotal)) * 100.0;
  return last_ = static_cast<int>(RoundHalfEven(busy));
}

TCPUThread::TCPUThread(std::string statPath, std::chrono::milliseconds period)
    : path_(std::move(statPath)), period_(period), thread_([this] { Run(); }) {}

TCPUThread::~TCPUThread() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void TCPUThread::Run() {
  TCPUMeter meter(path_);
  std::unique_lock<std::mutex> hold(lock_);
  while (!wake_.wait_for(hold, period_, [this] { return stop_; })) {
    hold.unlock();
    reading_.store(meter.Usage(), std::memory_order_relaxed);
    hold.lock();
  }
}

} // namespace zv
