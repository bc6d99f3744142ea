#pragma once

#include "core/ui_dispatcher.h"
#include "map_prefs.h"

#include <deque>
#include <functional>
#include <mutex>

namespace zvtest {

// Keeps posted work until the test runs it, as the user-interface thread would.
class QueueDispatcher : public zv::IUiDispatcher {
public:
  void Post(std::function<void()> work) override {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.push_back(std::move(work));
  }
  // Runs what is queued now (and what that queues), returns how many ran.
  int RunAll() {
    int n = 0;
    for (;;) {
      std::function<void()> w;
      {
        std::lock_guard<std::mutex> guard(lock_);
        if (queue_.empty())
          return n;
        w = std::move(queue_.front());
        queue_.pop_front();
      }
      w();
      ++n;
    }
  }
  size_t Pending() {
    std::lock_guard<std::mutex> guard(lock_);
    return queue_.size();
  }

private:
  std::mutex lock_;
  std::deque<std::function<void()>> queue_;
};

} // namespace zvtest
