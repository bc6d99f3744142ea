#include "prefs/store_folder.h"

#include "core/app_paths.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "prefs/prefs_setup.h"
#include "prefs/xml_prefs.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <unistd.h>

namespace zv {

namespace {
bool ProbeFolder(const std::string& dir);
}

std::string UserZelvarDir() {
  std::string base = TSystemHelper::UserAppDataDir();
  return base.empty() ? std::string() : base + "Zelvar/";
}

std::string CommonZelvarDir() { return TSystemHelper::CommonAppDataDir() + "Zelvar/"; }

bool FolderIsWritable(const std::string& dir) {
  // Creating a file is the only reliable test: permissions say nothing for root, and read-only
  // mounts or special file systems refuse what the mode bits allow. The answer is kept for the
  // run, since creating and removing a file can take milliseconds.
  static std::mutex lock;
  static std::map<std::string, bool> known;
  std::lock_guard<std::mutex> guard(lock);
  auto it = known.find(dir);
  if (it != known.end())
    return it->second;
  bool ok = ProbeFolder(dir);
  known[dir] = ok;
  return ok;
}

namespace {
bool ProbeFolder(const std::string& dir) {
  std::string probe = dir + (dir.ends_with('/') ? "" : "/") + ".zelvar-probe-XXXXXX";
  int fd = ::mkstemp(probe.data());
  if (fd < 0)
    return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}
} // namespace

std::string StoreFileToRead(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found)
    return path;
  std::string shipped = ExeDir() + std::filesystem::path(path).filename().string();
  if (shipped != path && std::filesystem::exists(shipped, ec))
    return shipped;
  return path;
}

const std::vector<std::string>& StoreFileNames() {
  static const std::vector<std::string> kNames = {"ZV.xml", "ZV.zvp", "ms.xml", "mc.xml"};
  return kNames;
}

std::string PrimaryPrefsPath() {
  std::string dir = ExeDir();
  if (!FolderIsWritable(dir)) {
    std::string user = UserZelvarDir();
    if (!user.empty())
      dir = user;
  }
  return dir + "ZV.xml";
}

std::string UserPrefsPath() { return UserZelvarDir() + "ZV.xml"; }

std::string CommonPrefsPath() { return CommonZelvarDir() + "ZV.xml"; }

void LoadPrefsDocument(TXMLTree& document) {
  std::error_code ec;
  std::string primary = StoreFileToRead(PrimaryPrefsPath());
  bool loaded = std::filesystem::exists(primary, ec) && document.LoadFromFile(primary) && document.Root();
  if (!loaded)
    InitPrefs(document, DefaultPrefsEnvironment());
  TXMLPrefs p(document.Root());
  if (TSystemHelper::IsNT() && p.GetBool("App.IsMultiUser")) {
    TXMLTree user;
    if (std::filesystem::exists(UserPrefsPath(), ec) && user.LoadFromFile(UserPrefsPath()) && user.Root()) {
      document.SetRoot(user.TakeRoot());
      TXMLPrefs up(document.Root());
      if (StrToIntDef(up.GetString("App.UserPrefs"), 0) == 0) {
        TXMLTree common;
        if (std::filesystem::exists(CommonPrefsPath(), ec) && common.LoadFromFile(CommonPrefsPath()) && common.Root())
          document.SetRoot(common.TakeRoot());
      }
    }
  }
}

std::string StoreFolder(IPrefs& prefs) {
  if (TSystemHelper::IsNT() && prefs.GetBool("App.IsMultiUser")) {
    if (prefs.GetInt("App.UserPrefs") != 0)
      return UserZelvarDir();
    return CommonZelvarDir();
  }
  std::string exeDir = ExeDir();
  if (!FolderIsWritable(exeDir)) {
    std::string user = UserZelvarDir();
    if (!user.empty())
      return user;
  }
  return exeDir;
}

} // namespace zv
