#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zv {

// Whatever keeps the screen saver and the monitor's power saving off.
class IScreenSaverInhibitor {
public:
  virtual ~IScreenSaverInhibitor() = default;
  // False when nothing could be asked.
  virtual bool Inhibit(const std::string& reason) = 0;
  virtual void UnInhibit() = 0;
};

// The desktop's inhibitor: org.freedesktop.ScreenSaver on the session bus (one cookie at a time)
// and, on an X display, the X server's own screen saver suspended.
class TDesktopScreenSaver : public IScreenSaverInhibitor {
public:
  TDesktopScreenSaver();
  ~TDesktopScreenSaver() override;
  bool Inhibit(const std::string& reason) override;
  void UnInhibit() override;
  uint32_t Cookie() const { return cookie_; }

private:
  void SuspendX(bool on);
  uint32_t cookie_ = 0;
  bool haveCookie_ = false;
  bool xSuspended_ = false;
};

// The guard while a picture plays: taken only when not held and given back only when held, so
// that repeated play, pause and stop never leave the user's screen saver off.
class TScreenSaverGuard {
public:
  explicit TScreenSaverGuard(std::unique_ptr<IScreenSaverInhibitor> inhibitor) : inhibitor_(std::move(inhibitor)) {}
  ~TScreenSaverGuard() { Release(); }
  void Hold();
  void Release();
  bool Held() const { return held_; }

private:
  std::unique_ptr<IScreenSaverInhibitor> inhibitor_;
  bool held_ = false;
};

} // namespace zv
