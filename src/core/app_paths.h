#pragma once

#include <string>

namespace zv {

// Full path of the running executable.
std::string ExePath();
// The program folder, with a trailing "/": the folder of the executable, or the value of the
// environment variable ZELVAR_HOME when it is set and not empty (tests, portable use).
std::string ExeDir();

} // namespace zv
