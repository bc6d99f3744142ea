#pragma once

#include "playlist/playlist.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace zv {

// Measures the duration of one file at a time on a worker thread, so that the playlist window
// never waits for file reading. The user-interface thread makes a request, later sees IsDone and
// takes the result; the worker touches nothing of the playlist.
class TDurationSniffer {
public:
  // Measures a file: its duration in 100 ns, or -1 when it cannot be told.
  using TMeasure = std::function<int64_t(const std::string& fileName)>;
  explicit TDurationSniffer(TMeasure measure = DefaultMeasure);
  // Waits at most one second for a measurement in progress; a longer one finishes on its own.
  ~TDurationSniffer();
  TDurationSniffer(const TDurationSniffer&) = delete;
  TDurationSniffer& operator=(const TDurationSniffer&) = delete;

  void Request(const std::string& fileName);
  bool IsDone() const;
  int64_t Result() const;
  const std::string& FileName() const { return name_; }

  // The media information's duration of a regular file; -1 for anything else and for files it
  // cannot identify.
  static int64_t DefaultMeasure(const std::string& fileName);
  // The same with a media detector for the formats the program's own readers do not know; the
  // detector is called from the worker thread.
  static int64_t MeasureWith(IMediaDetector* detector, const std::string& fileName);

private:
  struct TShared {
    std::mutex lock;
    std::condition_variable wake;
    bool request = false, done = false, stop = false, finished = false;
    std::string name;
    int64_t result = -1;
  };
  static void Run(std::shared_ptr<TShared> shared, TMeasure measure);

  std::shared_ptr<TShared> shared_;
  std::thread worker_;
  std::string name_; // the last request, the user-interface thread's own copy
};

// The playlist window's use of the sniffer, on every tick of the core: while the window is shown,
// the first visible entry without a duration is measured, one at a time, and the result stored
// in the playlist (and its media cache). Streams are never measured, and a file that could not be
// measured is not asked for again.
class TSnifferDriver {
public:
  explicit TSnifferDriver(TPlayList& list, TDurationSniffer::TMeasure measure = TDurationSniffer::DefaultMeasure)
      : list_(list), measure_(std::move(measure)) {}
  void Tick(bool windowShown, int topRow, int visibleRows);
  bool Running() const { return sniffer_ != nullptr; }

private:
  TPlayList& list_;
  TDurationSniffer::TMeasure measure_;
  std::unique_ptr<TDurationSniffer> sniffer_;
  std::set<std::string> failed_;
};

} // namespace zv
