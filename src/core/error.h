#pragma once

#include <stdexcept>
#include <string>

namespace zv {

// The one exception type raised inside components. The scope names the operation that failed
// (for example "MediaSeeking.SetPositions") and appears in the log and in messages.
class EZvError : public std::runtime_error {
public:
  explicit EZvError(const std::string& message, std::string scope = {})
      : std::runtime_error(message), scope_(std::move(scope)) {}

  const std::string& Scope() const noexcept { return scope_; }

private:
  std::string scope_;
};

} // namespace zv
