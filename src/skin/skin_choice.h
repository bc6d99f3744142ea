#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zv {

// The names of the two built-in looks as the preferences store them.
inline constexpr const char* kDefaultSkinName = " <TQ-41> ";
inline constexpr const char* kPlainSkinName = " <XP.Blue> ";

// What a skin name (FrontEnd.Skin) makes the main window look like.
struct TSkinChoice {
  // The package skin to build: a file or folder path, "-" for the built-in package, or none.
  std::string package;
  // The base bitmap of the built-in panels and colours: a file, or the program's own when empty.
  std::string baseBitmap;
};

// The rules of skin choice. With `randomOn`, the first call whose skins folder holds ".bmp"
// files picks one of them with `pick(count)` and sets `randomDone`, so later calls keep to
// the name.
TSkinChoice ChooseSkin(const std::string& name, const std::string& skinsFolder, bool randomOn, bool& randomDone,
                       const std::function<size_t(size_t)>& pick);

// The skins the preferences offer: the two built-in looks, then the folder's bitmaps (without
// extension), ".ZVS" files and sub-folders holding interface.xml, sorted by name, case ignored.
std::vector<std::string> SkinList(const std::string& skinsFolder);

} // namespace zv
