#include "core/update_check.h"

namespace zv {

namespace {
std::string DropSecond(std::string_view s) {
  std::string r(s);
  if (r.size() >= 2)
    r.erase(1, 1);
  return r;
}
} // namespace

TUpdateVerdict CompareUpdateVersions(std::string_view current, std::string_view official, std::string_view beta,
                                     int betaBuild, int exeBuild, bool checkBeta) {
  std::string cur = DropSecond(current), off = DropSecond(official), bet = DropSecond(beta);
  TUpdateVerdict v;
  v.newVersion = cur < off;
  if (checkBeta) {
    if (cur < bet && off < bet)
      v.newBeta = true;
    else if (cur == bet && betaBuild > exeBuild)
      v.newBeta = true;
  }
  return v;
}

} // namespace zv
