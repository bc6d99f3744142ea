#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace zvtest {

// Waits until the condition holds, looking again every few milliseconds, for at most `limit`: the
// one way the tests wait for something another thread or process does. The limit is generous, so
// that a loaded machine does not fail a test; it is never a measure of speed.
// `pause` runs between two looks (a test with an event loop lets it run there); by default the
// thread sleeps five milliseconds.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20),
                      const std::function<void()>& pause = {}) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    if (pause)
      pause();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
  TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("zvtest-" + std::to_string(rd()));
      if (std::filesystem::create_directory(path_))
        break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string str() const { return path_.string(); }

private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A PCM WAV file of silence: 8000 Hz, mono, 8 bits, so one byte per 1/8000 s.
inline std::string SilentWav(int milliseconds) {
  auto le32 = [](uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
  };
  uint32_t data = 8u * static_cast<uint32_t>(milliseconds);
  return "RIFF" + le32(36 + data) + "WAVEfmt " + le32(16) + std::string("\x01\0\x01\0", 4) + le32(8000) + le32(8000) +
         std::string("\x01\0\x08\0", 4) + "data" + le32(data) + std::string(data, '\x80');
}

} // namespace zvtest
