#pragma once

#include <string>
#include <string_view>

namespace zv {

// What the update document says, compared with this program's version.
struct TUpdateVerdict {
  bool newVersion = false;
  bool newBeta = false;
};

// Versions compare as text after their point is dropped ("4.4" -> "44"); a beta is new when it
// sorts after both the current and the official version, or when it is this very version with a
// higher build. Texts too short to hold a point are compared as they are.
TUpdateVerdict CompareUpdateVersions(std::string_view current, std::string_view official, std::string_view beta,
                                     int betaBuild, int exeBuild, bool checkBeta);

} // namespace zv
