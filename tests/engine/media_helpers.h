#pragma once

#include "playback/engine/engine.h"
#include "test_util.h"

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
  return WaitUntil(
      [&] {
        eng::TEvent e;
        while (g.GetEvent(e))
          if (e.code == code) {
            if (got)
              *got = e;
            return true;
          }
        return false;
      },
      limit);
}

} // namespace zvtest
