#include "playlist/duration_sniffer.h"

#include "core/session_log.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "filters/cached_file.h"
#include "mediainfo/media_info.h"

#include <chrono>
#include <filesystem>

namespace zv {

TDurationSniffer::TDurationSniffer(TMeasure measure) : shared_(std::make_shared<TShared>()) {
  TLogScope scope("TDurationSniffer.Create");
  worker_ = std::thread(&TDurationSniffer::Run, shared_, std::move(measure));
}

TDurationSniffer::~TDurationSniffer() {
  TLogScope scope("TDurationSniffer.Destroy");
  std::unique_lock<std::mutex> guard(shared_->lock);
  shared_->stop = true;
  shared_->wake.notify_all();
  // Closing the window or the program never waits long for a slow file.
  bool finished = shared_->wake.wait_for(guard, std::chrono::seconds(1), [this] { return shared_->finished; });
  guard.unlock();
  if (finished)
    worker_.join();
  else
    worker_.detach(); // it owns its share of the state and ends after the file it measures
}

void TDurationSniffer::Request(const std::string& fileName) {
  Log("DurationSniffer.Request(" + fileName + ")");
  name_ = fileName;
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->done = false;
  shared_->name = fileName;
  shared_->request = true;
  shared_->wake.notify_all();
}

bool TDurationSniffer::IsDone() const {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->done;
}

int64_t TDurationSniffer::Result() const {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->result;
}

void TDurationSniffer::Run(std::shared_ptr<TShared> shared, TMeasure measure) {
  Log("+TSnifferThread.Execute");
  std::unique_lock<std::mutex> guard(shared->lock);
  for (;;) {
    shared->wake.wait(guard, [&] { return shared->stop || shared->request; });
    if (shared->stop)
      break;
    std::string name = shared->name;
    shared->done = false;
    guard.unlock();
    Log("Request:" + name);
    int64_t result = measure(name);
    Log("Duration=" + FormatTime("{H}:{M}:{S}", result < 0 ? 0 : result));
    guard.lock();
    shared->result = result;
    shared->request = false;
    shared->done = true;
  }
  shared->finished = true;
  shared->wake.notify_all();
  guard.unlock();
  Log("-TSnifferThread.Execute");
}

int64_t TDurationSniffer::DefaultMeasure(const std::string& fileName) { return MeasureWith(nullptr, fileName); }

int64_t TDurationSniffer::MeasureWith(IMediaDetector* detector, const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec))
    return -1;
  TCachedFile file(fileName);
  TMediaInfoContext context;
  context.detector = detector;
  TMediaInfo info(file, context);
  info.RetreiveInfo();
  // "Unknown" files without streams tell nothing: their length stays unknown.
  if (info.Info().Duration <= 0 && info.Info().Audio.empty() && info.Info().Video.empty())
    return -1;
  return info.Info().Duration;
}

void TSnifferDriver::Tick(bool windowShown, int topRow, int visibleRows) {
  if (!windowShown) {
    sniffer_.reset();
    return;
  }
  if (sniffer_) {
    if (!sniffer_->IsDone())
      return; // still measuring
    int64_t result = sniffer_->Result();
    if (result >= 0)
      list_.SetDuration(sniffer_->FileName(), result);
    else
      failed_.insert(sniffer_->FileName()); // not asked for again, and no 0 stored for it
  }
  int end = std::min(list_.Count(), std::max(topRow, 0) + std::max(visibleRows, 0));
  for (int i = std::max(topRow, 0); i < end; ++i) {
    const TPlayEntry& e = list_.Items(i);
    if (e.Duration >= 0 || IsStreamName(e.FileName) || failed_.count(e.FileName))
      continue;
    if (!sniffer_)
      sniffer_ = std::make_unique<TDurationSniffer>(measure_);
    sniffer_->Request(e.FileName);
    return;
  }
  sniffer_.reset(); // nothing left to measure in view
}

} // namespace zv
