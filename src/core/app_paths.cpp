#include "core/app_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zv {

std::string ExePath() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string ExeDir() {
  std::string dir;
  if (const char* home = std::getenv("ZELVAR_HOME"); home && *home) {
    std::error_code ec;
    dir = std::filesystem::absolute(home, ec).lexically_normal().string();
    if (ec)
      dir = home;
  } else {
    dir = std::filesystem::path(ExePath()).parent_path().string();
  }
  if (dir.empty() || dir.back() != '/')
    dir += '/';
  return dir;
}

} // namespace zv
