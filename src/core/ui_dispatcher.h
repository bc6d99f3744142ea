#pragma once

#include <functional>

namespace zv {

// Runs work on the user-interface thread, later, in the order posted. Safe to call from any thread.
class IUiDispatcher {
public:
  virtual ~IUiDispatcher() = default;
  virtual void Post(std::function<void()> work) = 0;
};

} // namespace zv
