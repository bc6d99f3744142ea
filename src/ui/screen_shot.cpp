#include "ui/screen_shot.h"

#include "core/atomic_file.h"
#include "core/session_log.h"
#include "core/stream.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "skin/bitmap32.h"
#include "skin/jpeg_file.h"

#include <filesystem>

namespace zv {

namespace fs = std::filesystem;

std::string ScreenShotBase(const std::string& media) {
  std::string name = media;
  if (IsStreamName(name)) {
    // A URL: its path's last part, without query or fragment.
    name = name.substr(0, name.find_first_of("?#"));
    while (!name.empty() && name.back() == '/')
      name.pop_back();
  }
  // A disc is named by its folder (or drive), not by its VIDEO_TS.IFO.
  auto endsWith = [&name](const std::string& tail) {
    return name.size() > tail.size() && SameText(name.substr(name.size() - tail.size()), tail);
  };
  const bool disc = endsWith("/VIDEO_TS.IFO");
  if (disc) {
    name.resize(name.size() - std::string("/VIDEO_TS.IFO").size());
    if (endsWith("/VIDEO_TS"))
      name.resize(name.size() - std::string("/VIDEO_TS").size());
  }
  const size_t slash = name.rfind('/');
  if (slash != std::string::npos)
    name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (!disc && dot != std::string::npos && dot > 0)
    name.resize(dot);
  for (char& c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      c = '_';
  const size_t first = name.find_first_not_of('.');
  name = first == std::string::npos ? std::string() : name.substr(first);
  return name.empty() ? "shot" : name;
}

std::string ScreenShotName(const std::string& base, int64_t position) {
  return base + "." + FormatTime("{H}-{M}-{S}.{MS}", position) + ".bmp";
}

std::string ScreenShotFolder(const std::string& dirPref, const std::string& documents, bool related,
                             const std::string& base) {
  std::string dir(Trim(dirPref));
  const std::string token = "{MyDocs}";
  if (size_t at = dir.find(token); at != std::string::npos)
    dir.replace(at, token.size(), documents.substr(0, documents.find_last_not_of('/') + 1));
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(dir, ec))
    dir = documents;
  if (!dir.empty() && dir.back() != '/')
    dir += '/';
  return related ? dir + base + "/" : dir;
}

std::string ConvertShotToJpeg(const std::string& bmpFile) {
  std::optional<TBitmap32> picture;
  try {
    picture = ReadBmp(ReadWholeFile(bmpFile));
  } catch (const std::exception&) {
    picture.reset(); // unreadable: reported below like a file that is no picture
  }
  if (!picture) {
    Log("!ScreenShot: " + bmpFile + " is no picture to convert");
    return bmpFile;
  }
  const fs::path jpg = fs::path(bmpFile).replace_extension(".jpg");
  try {
    // Written under a temporary name and renamed: a JPEG under its own name is always whole.
    WriteFileAtomic(jpg.string(), WriteJpeg(*picture));
  } catch (const std::exception& e) {
    Log(std::string("!ScreenShot: ") + e.what());
    return bmpFile;
  }
  std::error_code ec;
  fs::remove(bmpFile, ec);
  return jpg.string();
}

} // namespace zv
