#include "core/session_log.h"

#include "core/alloc_stats.h"
#include "core/format.h"
#include "core/text_util.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

int64_t TSteadyLogClock::Counter() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

namespace {

bool WriteAll(int fd, std::string_view s) {
  while (!s.empty()) {
    ssize_t n = ::write(fd, s.data(), s.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    s.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

} // namespace

bool TSessionLog::Start(Options options) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    enabled_.store(false, std::memory_order_release);
    path_ = std::move(options.path);
    indent_.clear();
    // Only an existing plain file that can be written turns the log on; it is never created here,
    // and a link is not followed (it would truncate whatever file it points at).
    int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
      return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    if (!ok)
      return false;
    clock_ = options.clock ? std::move(options.clock) : std::make_shared<TSteadyLogClock>();
    frequency_ = clock_->Frequency();
    if (frequency_ < 1000)
      frequency_ = 0;
    startCount_ = frequency_ ? clock_->Counter() : 0;
    enabled_.store(true, std::memory_order_release);
  }
  Log("= Session Start =");
  if (options.machine)
    for (const std::string& line : DescribeMachine(options.machine(), frequency_))
      Log(line);
  TAllocStats a = CurrentAllocStats();
  baselineBlocks_ = a.blocks;
  baselineBytes_ = a.bytes;
  return true;
}

void TSessionLog::End() {
  if (!Enabled())
    return;
  TAllocStats a = CurrentAllocStats();
  Log(Format("Memory Leak Guard - Count:%d Size:%d", a.blocks - baselineBlocks_, a.bytes - baselineBytes_));
  Log("= Session End =");
  std::lock_guard<std::mutex> guard(lock_);
  enabled_.store(false, std::memory_order_release);
}

std::string TSessionLog::TimeStamp() {
  if (frequency_ == 0)
    return "{MicroFreq=0}";
  int64_t ticks = clock_->Counter() - startCount_;
  if (ticks < 0)
    ticks = 0;
  int64_t whole = ticks / frequency_;
  int64_t rem = ticks % frequency_;
  // rem < frequency, so rem * 10000 stays far inside 64 bits for any real counter frequency.
  int64_t fraction = static_cast<int64_t>((static_cast<__int128>(rem) * 10000) / frequency_);
  return Format("[%.3d:%.2d,%.4d]", whole / 60, whole % 60, fraction);
}

void TSessionLog::Log(std::string_view text) {
  if (!Enabled())
    return;
  std::lock_guard<std::mutex> guard(lock_);
  if (!enabled_.load(std::memory_order_relaxed))
    return;
  int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0)
    return;
  std::string line = TimeStamp();
  if (text.size() < 2) {
    line += indent_;
  } else {
    if (text[0] == '-')
      indent_.erase(0, std::min<size_t>(3, indent_.size()));
    line += indent_;
    // Texts from files and streams are part of many lines: a line break or a terminal escape in a
    // title must neither forge lines nor reach a terminal showing the log, and one long title must
    // not make a line of megabytes.
    std::string safe = EscapeControls(text);
    if (safe.size() > kLogLineLimit) {
      size_t kept = CutUtf8(safe, kLogLineLimit).size();
      safe = Format("%s ...[%d more bytes]", std::string(safe, 0, kept), static_cast<int64_t>(safe.size() - kept));
    }
    line += safe;
    if (text[0] == '+')
      indent_ += "   ";
  }
  line += "\r\n";
  WriteAll(fd, line);
  ::close(fd);
}

TSessionLog& SessionLog() {
  static TSessionLog* log = new TSessionLog(); // never destroyed: threads may log during exit
  return *log;
}

void Log(std::string_view text) { SessionLog().Log(text); }

std::string HResultName(int32_t code) {
  static constexpr std::array<const char*, 44> kMediaNames = {"VFW_E_INVALIDMEDIATYPE",
                                                              "VFW_E_INVALIDSUBTYPE",
                                                              "VFW_E_NEED_OWNER",
                                                              "VFW_E_ENUM_OUT_OF_SYNC",
                                                              "VFW_E_ALREADY_CONNECTED",
                                                              "VFW_E_FILTER_ACTIVE",
                                                              "VFW_E_NO_TYPES",
                                                              "VFW_E_NO_ACCEPTABLE_TYPES",
                                                              "VFW_E_INVALID_DIRECTION",
                                                              "VFW_E_NOT_CONNECTED",
                                                              "VFW_E_NO_ALLOCATOR",
                                                              "VFW_E_RUNTIME_ERROR",
                                                              "VFW_E_BUFFER_NOTSET",
                                                              "VFW_E_BUFFER_OVERFLOW",
                                                              "VFW_E_BADALIGN",
                                                              "VFW_E_ALREADY_COMMITTED",
                                                              "VFW_E_BUFFERS_OUTSTANDING",
                                                              "VFW_E_NOT_COMMITTED",
                                                              "VFW_E_SIZENOTSET",
                                                              "VFW_E_NO_CLOCK",
                                                              "VFW_E_NO_SINK",
                                                              "VFW_E_NO_INTERFACE",
                                                              "VFW_E_NOT_FOUND",
                                                              "VFW_E_CANNOT_CONNECT",
                                                              "VFW_E_CANNOT_RENDER",
                                                              "VFW_E_CHANGING_FORMAT",
                                                              "VFW_E_NO_COLOR_KEY_SET",
                                                              "VFW_E_NOT_OVERLAY_CONNECTION",
                                                              "VFW_E_NOT_SAMPLE_CONNECTION",
                                                              "VFW_E_PALETTE_SET",
                                                              "VFW_E_COLOR_KEY_SET",
                                                              "VFW_E_NO_COLOR_KEY_FOUND",
                                                              "VFW_E_NO_PALETTE_AVAILABLE",
                                                              "VFW_E_NO_DISPLAY_PALETTE",
                                                              "VFW_E_TOO_MANY_COLORS",
                                                              "VFW_E_STATE_CHANGED",
                                                              "VFW_E_NOT_STOPPED",
                                                              "VFW_E_NOT_PAUSED",
                                                              "VFW_E_NOT_RUNNING",
                                                              "VFW_E_WRONG_STATE",
                                                              "VFW_E_START_TIME_AFTER_END",
                                                              "VFW_E_INVALID_RECT",
                                                              "VFW_E_TYPE_NOT_ACCEPTED",
                                                              "VFW_E_SAMPLE_REJECTED"};
  auto u = static_cast<uint32_t>(code);
  switch (u) {
  case 0x00000000u: return "S_OK";
  case 0x00000001u: return "S_FALSE";
  case 0x80004001u: return "E_NOTIMPL";
  case 0x80004002u: return "E_NOINTERFACE";
  case 0x80004003u: return "E_POINTER";
  case 0x80004005u: return "E_FAIL";
  case 0x8000FFFFu: return "E_UNEXPECTED";
  case 0x80040154u: return "REGDB_E_CLASSNOTREG ";
  case 0x80070005u: return "E_ACCESSDENIED";
  case 0x80070006u: return "E_HANDLE";
  case 0x8007000Eu: return "E_OUTOFMEMORY";
  case 0x80070020u: return "?_FILEBUSY";
  case 0x80070057u: return "E_INVALIDARG";
  default: break;
  }
  if (u >= 0x80040200u && u <= 0x8004022Bu)
    return kMediaNames[u - 0x80040200u];
  return Format("0x%.8x", code);
}

void LogHResult(std::string_view text, int32_t code) {
  if (!SessionLog().Enabled())
    return;
  std::string line(text);
  line += "(";
  line += HResultName(code);
  line += ")";
  Log(line);
}

void LogSystemError(std::string_view text, int err) {
  if (!SessionLog().Enabled())
    return;
  char buf[256];
  // The GNU strerror_r returns the message, possibly in a static buffer rather than in buf.
  std::string msg = strerror_r(err, buf, sizeof buf);
  while (!msg.empty() && (static_cast<unsigned char>(msg.back()) < '!' || msg.back() == '.'))
    msg.pop_back();
  LogHResult(std::string(text) + " LE:[" + msg + "]", err);
}

void LogLastError(std::string_view text) { LogSystemError(text, errno); }

} // namespace zv
