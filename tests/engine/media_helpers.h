#pragma once

#include "playback/engine/engine.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace zvtest {

inline std::string Media(const std::string& name) {
  const char* dir = std::getenv("ZV_TEST_MEDIA");
  return std::string(dir ? dir : "test-media") + "/" + name;
}

// Takes events until one with the code arrives or the time is up.
inline bool WaitForEvent(eng::IGraph& g, int32_t code, std::chrono::milliseconds limit, eng::TEvent* got = nullptr) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    eng::TEvent e;
    while (g.GetEvent(e))
      if (e.code == code) {
        if (got)
          *got = e;
        return true;
      }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

} // namespace zvtest
