#pragma once

#include "core/prefs_access.h"
#include "prefs/xml_tree.h"

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

// The preference files: the primary one (beside the program, or in the user's folder when the
// program folder cannot be written), the user's and all users' copies.
std::string PrimaryPrefsPath();
std::string UserPrefsPath();
std::string CommonPrefsPath();

// The preference document the program starts from: the primary file (or the one shipped beside
// the program), the user's or all users' copy when preferences are kept per user, or the built-in
// defaults when none can be read. Not upgraded.
void LoadPrefsDocument(TXMLTree& document);

// True when files can be created in the folder.
bool FolderIsWritable(const std::string& dir);

} // namespace zv
