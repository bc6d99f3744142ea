#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zv {

// A display mode as the preferences and the log name it.
struct TDisplayMode {
  int width = 0, height = 0, depth = 0, refresh = 0; // refresh in whole Hz
  friend bool operator==(const TDisplayMode&, const TDisplayMode&) = default;
};

// The monitor's modes: what the system offers, the one in use, and switching.
class IDisplayModes {
public:
  virtual ~IDisplayModes() = default;
  virtual std::vector<TDisplayMode> Modes() = 0;
  virtual std::optional<TDisplayMode> Current() = 0;
  // The system's result: 0 when the mode was set.
  virtual int Apply(const TDisplayMode& mode) = 0;
};

// The modes of the primary output through the X server's RandR extension. X keeps its colour
// depth, so modes carry the screen's depth and a change of depth is never asked for.
class TRandrDisplayModes : public IDisplayModes {
public:
  std::vector<TDisplayMode> Modes() override;
  std::optional<TDisplayMode> Current() override;
  int Apply(const TDisplayMode& mode) override;
};

// The display mode of full screen (Video.ChangeResolution): the current mode is kept on the way
// in and the wanted size applied at the kept refresh rate; on the way out the kept mode returns.
// A mode the system does not offer or refuses leaves the current one; every step is logged.
class TDisplayModeSwitch {
public:
  explicit TDisplayModeSwitch(IDisplayModes& modes) : modes_(modes) {}
  // `wanted`: width and height from the preferences (their depth is not used).
  void Enter(int width, int height);
  void Leave();
  const std::optional<TDisplayMode>& Saved() const { return saved_; }

private:
  // Tries every offered mode equal to `mode` (depth aside) until one is accepted.
  bool ApplyMode(const TDisplayMode& mode);
  IDisplayModes& modes_;
  std::optional<TDisplayMode> saved_;
};

} // namespace zv
