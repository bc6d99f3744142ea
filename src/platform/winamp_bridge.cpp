#include "platform/winamp_bridge.h"

#include "core/format.h"
#include "core/session_log.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>

namespace zv {

namespace {
// The bridges alive, so that a handle a plug-in hands back is checked before use.
std::vector<TWinAMP*>& Bridges() {
  static std::vector<TWinAMP*> bridges;
  return bridges;
}

int CodeOfCommand(uintptr_t command, int& second) {
  second = 0;
  switch (command) {
  case 40001: return 453;
  case 40012: return 450;
  case 40019: return 204;
  case 40022: return 263;
  case 40023: return 260;
  case 40029: return 50;
  case 40040: return 201;
  case 40041: return 452;
  case 40044: return 251;
  case 40045: return 101;
  case 40046: return 105;
  case 40047: second = 156; return 105; // pause, then back to the start
  case 40048: return 250;
  case 40058: return 401;
  case 40059: return 402;
  case 40060:
  case 40148: return 152;
  case 40061:
  case 40144: return 153;
  case 40184: return 252;
  case 40195: return 154;
  case 40197: return 155;
  default: return 0;
  }
}
} // namespace

TWinAMP::TWinAMP(TWinAMPHost host, std::string exeDir, bool emulate)
    : host_(std::move(host)), exeDir_(std::move(exeDir)), name_(emulate ? "Winamp v1.x" : "WA2ZV") {
  Bridges().push_back(this);
}

TWinAMP::~TWinAMP() {
  StopPlugins();
  std::erase(Bridges(), this);
}

intptr_t TWinAMP::Message(unsigned message, uintptr_t first, intptr_t second) {
  if (message == ZV_BRIDGE_COMMAND) {
    int then = 0;
    if (const int code = CodeOfCommand(first, then); code != 0) {
      if (host_.post) {
        host_.post(code);
        if (then)
          host_.post(then);
      }
    } else {
      Log(Format("Message to WinAMP Bridge: WM_COMMAND,%d,%d", static_cast<int64_t>(first),
                 static_cast<int64_t>(second)));
    }
    return 0;
  }
  if (message == ZV_BRIDGE_USER) {
    const bool playing = host_.playing && host_.playing();
    switch (second) {
    case 0: return 0x2000;
    case 102:
      if (host_.post)
        host_.post(101);
      return 0;
    case 104: return playing ? 1 : 0;
    case 125: return host_.currentIndex ? host_.currentIndex() : 0;
    case 211:
    case 212:
      if (!playing)
        return 0;
      // Kept by the bridge until the next message.
      text_ = second == 211 ? (host_.currentFile ? host_.currentFile() : "")
                            : (host_.currentTitle ? host_.currentTitle() : "");
      return reinterpret_cast<intptr_t>(text_.c_str());
    default:
      Log(Format("Message to WinAMP Bridge: WM_USER,%d,%d", static_cast<int64_t>(first), static_cast<int64_t>(second)));
      return 0;
    }
  }
  return 0;
}

void TWinAMP::StartPlugins() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(exeDir_) / "WinAMP";
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().extension() == ".so")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
      continue;
    auto entry = reinterpret_cast<zv_get_general_plugin>(::dlsym(library, ZV_GPP_ENTRY));
    zv_general_plugin* record = entry ? entry() : nullptr;
    if (!record || record->version != ZV_GPP_VERSION) {
      ::dlclose(library);
      continue;
    }
    record->library = library;
    record->parent = Handle();
    plugins_.push_back({library, record});
    Log("WinAMP: plug-in " + file.filename().string());
    if (record->init)
      record->init();
  }
}

void TWinAMP::StopPlugins() {
  for (size_t i = plugins_.size(); i-- > 0;) {
    Log(Format("Quit WinAMP GenPlug No %d", static_cast<int>(i)));
    if (plugins_[i].record->quit)
      plugins_[i].record->quit();
  }
  for (size_t i = plugins_.size(); i-- > 0;)
    ::dlclose(plugins_[i].library);
  plugins_.clear();
}

std::vector<std::string> TWinAMP::PluginNames() const {
  std::vector<std::string> names;
  for (const TPlugin& p : plugins_)
    names.push_back(p.record->description ? p.record->description : "");
  return names;
}

void TWinAMP::ConfigurePlugin(int index) {
  if (index >= 0 && index < static_cast<int>(plugins_.size()) && plugins_[static_cast<size_t>(index)].record->config)
    plugins_[static_cast<size_t>(index)].record->config();
}

} // namespace zv

extern "C" intptr_t zelvar_bridge_send(void* parent, unsigned message, uintptr_t first, intptr_t second) {
  for (zv::TWinAMP* b : zv::Bridges())
    if (b->Handle() == parent)
      return b->Message(message, first, second);
  return 0;
}
