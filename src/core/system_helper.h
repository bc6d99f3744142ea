#pragma once

#include "core/power_control.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

struct TPoint {
  int32_t x = 0, y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Durations: "{H}" hours, "{M}" minutes within the hour in two digits, "{m}" the same without
// padding, "{S}" seconds in two digits, "{MS}" milliseconds in three digits (case-sensitive). The
// value is in 100-ns units; hours do not wrap at 24.
std::string FormatTime(std::string_view tmpl, int64_t value);

// Points as text: "x,y".
std::string PointToStr(TPoint p);
TPoint StrToPoint(std::string_view text);
std::string JoinInts(char separator, const std::vector<int32_t>& values);
// The value of the index-th (from 0) run of decimal digits; every other character ends a field.
int64_t NumberField(std::string_view text, int index);

// Operating-system operations.
class TSystemHelper {
public:
  explicit TSystemHelper(std::shared_ptr<IPowerControl> power = std::make_shared<TNullPowerControl>());

  // The multi-user branch of the preference location applies on this platform.
  static bool IsNT() { return true; }
  // Folders with a trailing "/"; empty when the platform cannot give them.
  static std::string UserAppDataDir();   // $XDG_CONFIG_HOME or ~/.config
  static std::string CommonAppDataDir(); // first entry of $XDG_CONFIG_DIRS or /etc/xdg
  static std::string MyDocumentsDir();   // the XDG documents folder, else the home folder
  static std::string TempDir();          // $TMPDIR or /tmp
  static std::string SystemDir();        // the system's library folder
  static std::string HomeDir();

  // The path made absolute and normalised (file names on this platform keep their case).
  static std::string TrueFileName(const std::string& path);
  // True when the path names a regular file that can be opened for reading.
  static bool CanOpenFile(const std::string& path);
  // The disc a name of the form "<drive or image>/VIDEO_TS/VIDEO_TS.IFO" points into: a DVD read
  // straight from a drive (a block device) or an image file, without mounting it. Empty for any
  // other name.
  static std::string DiscDeviceOf(const std::string& name);

  bool Hibernate();
  bool PowerOff();
  // Switches the monitor; the next delayed switch sets the opposite state.
  void MonitorPower(bool on);
  // Switches the monitor to the remembered state a moment later, after the key that asked for it
  // has been released, without blocking.
  void MonitorPowerLater();
  bool NextMonitorState() const { return monitorState_; }

  IPowerControl& Power() { return *power_; }

private:
  std::shared_ptr<IPowerControl> power_;
  bool monitorState_ = false;
};

} // namespace zv
