#pragma once

#include "core/prefs_access.h"

#include <string>

namespace zv {

// The folder of the user's stores (preferences copy, playlist, per-file settings, media cache),
// with a trailing "/": the program folder; with App.IsMultiUser on, <user config>/Zelvar/, or
// <all-users config>/Zelvar/ when App.UserPrefs is 0. When the program folder cannot be written
// (an installed program), the user's configuration folder takes its place so nothing is lost.
std::string StoreFolder(IPrefs& prefs);

// <user config>/Zelvar/ and <all-users config>/Zelvar/.
std::string UserZelvarDir();
std::string CommonZelvarDir();

// True when files can be created in the folder.
bool FolderIsWritable(const std::string& dir);

} // namespace zv
