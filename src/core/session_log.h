#pragma once

#include "core/machine_facts.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace zv {

// The high-resolution counter the log's time stamps come from.
class ILogClock {
public:
  virtual ~ILogClock() = default;
  // Ticks per second; a value below 1000 means "unavailable".
  virtual int64_t Frequency() = 0;
  virtual int64_t Counter() = 0;
};

// The monotonic clock, counted in ticks of 100 ns.
class TSteadyLogClock : public ILogClock {
public:
  int64_t Frequency() override { return 10'000'000; }
  int64_t Counter() override;
};

// A plain text trace of one run of the program. It is off unless the file already exists: a user
// turns it on by creating an empty ZV.log in the program folder. Each line is written by opening,
// appending and closing the file, so the log survives a crash up to its last line.
class TSessionLog {
public:
  struct Options {
    std::string path;                       // the log file
    std::shared_ptr<ILogClock> clock;       // TSteadyLogClock when empty
    std::function<TMachineFacts()> machine; // gathers the machine description; none: skipped
  };

  // Session start: does nothing unless the file exists and can be written; then empties it, writes
  // "= Session Start =" and the machine description. Returns whether the log is enabled.
  bool Start(Options options);
  // Session end: the leak-guard line and "= Session End =", then the log is off.
  void End();
  bool Enabled() const { return enabled_.load(std::memory_order_acquire); }

  // One line. "+" lines indent what follows by three blanks, "-" lines take the indent back first;
  // a text shorter than two characters writes only the time stamp and the indent. Control
  // characters are written escaped ("\\r", "\\x1B"), and a text longer than kLogLineLimit is cut
  // with a mark that says how much was left out.
  static constexpr size_t kLogLineLimit = 4096;
  void Log(std::string_view text);

  // The time stamp of a line written now: "[mmm:ss,ffff]" or "{MicroFreq=0}".
  std::string TimeStamp();

private:
  std::atomic<bool> enabled_{false};
  std::mutex lock_;
  std::string path_;
  std::shared_ptr<ILogClock> clock_;
  int64_t frequency_ = 0;
  int64_t startCount_ = 0;
  std::string indent_;
  int64_t baselineBlocks_ = 0;
  int64_t baselineBytes_ = 0;
};

// The process-wide session log.
TSessionLog& SessionLog();

void Log(std::string_view text);
// Writes text + "(" + the name of the result code + ")".
void LogHResult(std::string_view text, int32_t code);
// Logs text with the last system error (errno) and its message: text + " LE:[" + message + "]".
void LogLastError(std::string_view text);
// Like LogLastError with an explicit error number (callers that saved errno).
void LogSystemError(std::string_view text, int err);
// The symbolic name of a result code, or "0x" and its eight hexadecimal digits.
std::string HResultName(int32_t code);

// Writes "+name" now and "-name" when it goes out of scope.
class TLogScope {
public:
  explicit TLogScope(std::string name) : name_(std::move(name)) { Log("+" + name_); }
  ~TLogScope() { Log("-" + name_); }
  TLogScope(const TLogScope&) = delete;
  TLogScope& operator=(const TLogScope&) = delete;

private:
  std::string name_;
};

} // namespace zv
