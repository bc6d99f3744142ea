#pragma once

#include <string>

namespace zv {

// Power and monitor operations of the desktop session. The real version talks to the session
// manager and the display; tests use a recording one, so no test can ever switch the machine off.
class IPowerControl {
public:
  virtual ~IPowerControl() = default;
  virtual bool Hibernate() = 0;
  virtual bool PowerOff() = 0;
  virtual void SetMonitorPower(bool on) = 0;
  // Switches the monitor after `delayMs` without blocking the caller.
  virtual void SetMonitorPowerLater(bool on, int delayMs) = 0;
};

// Does nothing and says so in the log; used until the desktop's power service is connected.
class TNullPowerControl : public IPowerControl {
public:
  bool Hibernate() override;
  bool PowerOff() override;
  void SetMonitorPower(bool on) override;
  void SetMonitorPowerLater(bool on, int delayMs) override;
};

} // namespace zv
