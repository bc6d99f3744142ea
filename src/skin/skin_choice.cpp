#include "skin/skin_choice.h"

#include "core/text_util.h"

#include <algorithm>
#include <filesystem>

namespace zv {
namespace fs = std::filesystem;

namespace {
std::string Extension(const std::string& name) { return UpperCase(fs::path(name).extension().string()); }
} // namespace

TSkinChoice ChooseSkin(const std::string& name, const std::string& skinsFolder, bool randomOn, bool& randomDone,
                       const std::function<size_t(size_t)>& pick) {
  TSkinChoice choice;
  std::error_code ec;
  const fs::path folder(skinsFolder);
  bool built = false;
  std::string ext = Extension(name);
  if (ext == ".ZVS" || ext == ".ZVZ") {
    choice.package = (folder / name).string();
    built = true;
  } else if (!name.empty() && fs::is_directory(folder / name, ec)) {
    choice.package = (folder / name).string();
    built = true;
  }
  if (randomOn && !randomDone) {
    std::vector<std::string> bitmaps;
    for (const auto& item : fs::directory_iterator(folder, ec))
      if (item.is_regular_file(ec) && item.path().extension() == ".bmp")
        bitmaps.push_back(item.path().string());
    if (!bitmaps.empty()) {
      std::sort(bitmaps.begin(), bitmaps.end(), NaturalLess);
      choice.baseBitmap = bitmaps[std::min(pick(bitmaps.size()), bitmaps.size() - 1)];
      randomDone = true;
      return choice;
    }
  }
  fs::path bitmap = folder / name;
  bitmap += ".bmp";
  if (!built && fs::is_regular_file(bitmap, ec)) {
    choice.baseBitmap = bitmap.string();
    return choice;
  }
  if (!built && name != kPlainSkinName)
    choice.package.assign(1, '-'); // the built-in package
  return choice;
}

std::vector<std::string> SkinList(const std::string& skinsFolder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(skinsFolder, ec)) {
    std::string file = item.path().filename().string();
    std::string ext = Extension(file);
    if (item.is_directory(ec)) {
      if (fs::is_regular_file(item.path() / "interface.xml", ec))
        found.push_back(file);
    } else if (item.is_regular_file(ec)) {
      if (ext == ".BMP")
        found.push_back(item.path().stem().string());
      else if (ext == ".ZVS")
        found.push_back(file);
    }
  }
  std::sort(found.begin(), found.end(), NaturalLess);
  found.insert(found.begin(), {kDefaultSkinName, kPlainSkinName});
  return found;
}

} // namespace zv
