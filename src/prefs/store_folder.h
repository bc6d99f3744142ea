#pragma once

#include "core/prefs_access.h"

#include <string>
#include <vector>

namespace zv {

// The folder of the user's stores (preferences copy, playlist, per-file settings, media cache),
// with a trailing "/": the program folder; with App.IsMultiUser on, <user config>/Zelvar/, or
// <all-users config>/Zelvar/ when App.UserPrefs is 0. When the program folder cannot be written
// (an installed program), the user's configuration folder takes its place so nothing is lost.
std::string StoreFolder(IPrefs& prefs);

// <user config>/Zelvar/ and <all-users config>/Zelvar/.
std::string UserZelvarDir();
std::string CommonZelvarDir();

// The file to read for the store file at `path`: the file itself, or while there is none, the file
// of that name beside the program, so that a user of an installed program (whose folder cannot be
// written) starts from the preferences and playlist shipped with it.
std::string StoreFileToRead(const std::string& path);

// The store files the program writes atomically, for the removal of temporary files left by a save
// that was killed.
const std::vector<std::string>& StoreFileNames();

// True when files can be created in the folder.
bool FolderIsWritable(const std::string& dir);

} // namespace zv
