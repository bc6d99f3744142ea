#pragma once

#include "core/prefs_access.h"
#include "playback/engine/engine.h"

#include <memory>
#include <string>
#include <vector>

namespace zv {

class TDirectShowHelper;

// The name under which the system's default sound output is listed and stored.
inline constexpr const char* kDefaultSoundDevice = "Default DirectSound Device";

// The system's sound outputs and the one the preferences choose (`Sound.OutDevice`), and the
// re-routing of a built graph's sound to it.
class TSoundOut {
public:
  TSoundOut(TDirectShowHelper& dsh, IPrefs* prefs) : dsh_(dsh), prefs_(prefs) {}

  // The names of all outputs, the default first; finds the chosen device's class on the way.
  void DeviceList(std::vector<std::string>& list);
  // The class of the device the preferences name; all zero when none of that name exists.
  eng::TGuid ChosenDevice();
  // A renderer on the chosen device, or none.
  std::shared_ptr<eng::IFilter> CreateChosenDevice();
  // Every audio renderer of the graph is replaced by one on the chosen device, fed by exactly the
  // output that fed the old one. When that device cannot be opened, the default output takes the
  // sound; without any output it plays into nothing. Nothing happens when no device has the name.
  void SwitchOutput();
  // The same onto the default output, after the chosen device went away.
  void FallBackToDefault();

private:
  // `device` empty: the default output.
  void Reroute(const std::string& device);
  std::string Chosen() const;

  TDirectShowHelper& dsh_;
  IPrefs* prefs_;
  eng::TGuid chosen_;
};

} // namespace zv
