#pragma once

#include <string>

namespace zv {

// The desktop's file manager opened on the folder of a file with the file selected, through the
// freedesktop FileManager1 interface on the session bus; without one, the folder is opened with
// the desktop's default opener. False when neither could be asked.
bool ShowInFileManager(const std::string& path);

// Moves a file to the desktop's trash (the freedesktop trash of its volume). False when it could
// not be moved; the file then stays where it is.
bool MoveToTrash(const std::string& path);

} // namespace zv
