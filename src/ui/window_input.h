#pragma once

#include "commands/command_codes.h"
#include "skin/bitmap32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

// What the main window does with the mouse, the wheel and its own keys, by the preferences:
// plain rules that the window's event handlers ask and then carry out.

enum class TDragMode { None = 0, MoveWindow = 1, MovePicture = 2, ZoomPicture = 3 };

// The desktop's application command a Qt key brings (multimedia keyboards and remotes); 0 for
// keys that are none.
int AppCommandOfKey(int qtKey);

struct TMods {
  bool shift = false, ctrl = false, alt = false;
};

// A press or release: a command to run, a drag to start, the menu to open, the wheel's function
// to step on.
struct TMouseAction {
  int command = 0;
  TDragMode drag = TDragMode::None;
  bool menu = false;
  bool stepWheel = false;
  friend bool operator==(const TMouseAction&, const TMouseAction&) = default;
};

// The left button on the video area: Shift, Ctrl and Alt drag the window, the picture or its zoom;
// otherwise Mouse.Left (0 pause, 1 move, 2 mute, 3 pause in full screen else move, 4 move in a
// window without panels else pause).
TMouseAction LeftPress(int mouseLeft, TMods mods, bool fullScreen, bool panelShown);
// Mouse.Right 0 toggles the control panel on the press; 1 opens the menu on the release.
TMouseAction RightPress(int mouseRight);
TMouseAction RightRelease(int mouseRight);
// Mouse.Middle: 0 full screen, 1 minimise, 2 the wheel's next function.
TMouseAction MiddlePress(int mouseMiddle);
// Mouse.LeftDbl on the release after a double click: 0 pause, 1 full screen, 2 nothing.
int DoubleClickCommand(int mouseLeftDbl);

// The wheel: Mouse.Wheel's function for one step up or down (Mouse.WheelInvert turns it round).
struct TWheelAction {
  int command = 0;
  int zoomPercent = 0; // > 0: the video area to this percentage of the video's size
  int speedRate = 0;   // > 0: speed play at this rate (tenths)
  friend bool operator==(const TWheelAction&, const TWheelAction&) = default;
};
// `zoom`: the video area's width × 100 / the video's width (0 without video); `rate`:
// Video.SpeedPlayRate.
TWheelAction WheelAction(int mouseWheel, bool invert, bool up, int zoom, bool fullScreen, int rate);
// The wheel's functions: 0 … 6, the next after 6 is 0.
inline int NextWheelFunction(int f) { return f >= 6 || f < 0 ? 0 : f + 1; }

// Turns of the wheel into steps: a zero delta is no turn, small touchpad deltas add up to a step
// of 120.
class TWheelSteps {
public:
  // The whole steps this delta completes, signed (up positive).
  int Add(int delta);

private:
  int rest_ = 0;
};

// Where a dragged window goes on its monitor's work area: with `keepInside`
// (FrontEnd.DoNotAcrossWorkArea) it never leaves it; with `sticky` (FrontEnd.Sticky) edges within
// the threshold (screen width / 85) jump onto the work area's edges. `work` as it is on the monitor
// that holds the window.
TRect SnapWindow(TRect window, TRect work, int screenWidth, bool sticky, bool keepInside);

// The pointer in full screen: hidden once it has been still for Mouse.TimeOut seconds, a burst of
// small movements not enough to bring it back.
class TPointerHider {
public:
  // A press, a release, a real movement burst: the countdown starts again.
  void Restart(int timeoutSeconds) { countdown_ = timeoutSeconds * 5; }
  // A real movement of the pointer; at the 31st in a burst the countdown starts again.
  void Moved(int timeoutSeconds);
  // One step of the 200 ms timer.
  void Tick();
  int Countdown() const { return countdown_; }
  // Whether the pointer shows, given the window's state.
  bool Shown(bool menuOpen, bool active, bool panelsShown, bool fullScreen) const {
    return menuOpen || !active || panelsShown || !fullScreen || countdown_ > 0;
  }

private:
  int countdown_ = 0;
  int burst_ = 0;
};

// The known ending of a series episode has come (OnOpen.AutoSeek): the remaining whole seconds
// plus one equal the ending mark's, and the file is about as long as the one it was marked on
// (the same 180-second band), or no length was kept.
bool EndingReached(int64_t position, int64_t duration, int64_t endingMark, int64_t markedDuration, bool autoSeek);

// Seeking by the mouse and keys (100 ns units). A target never leaves 0 … duration (0 … ∞ while
// the length is unknown, `duration` ≤ 0).
int64_t ClampSeek(int64_t t, int64_t duration);
// The key frame nearest to t among `keys`, only those less than 60 s away, the first winning ties:
// its time + 10; t itself when none is that close.
int64_t NearestKeyFrameIn(const std::vector<int64_t>& keys, int64_t t);
// A relative seek from p by `seconds` (negative backwards): the first key-frame candidate more than
// 1 s past p, the offset growing by 0.5 s up to ten times; p + offset unadjusted when none is.
// `adjust` maps a time onto its key frame. p = 0 does not seek (returns -1).
int64_t RelativeSeekTarget(int64_t p, int seconds, bool forward, const std::function<int64_t(int64_t)>& adjust,
                           int64_t duration);
// One step back: 1.25 frame durations before p (a frame duration of 0 or less counts as 20 frames
// per second).
int64_t StepBackTarget(int64_t p, int64_t frameTime);

// "x:y" with blanks around either number, or (with `single`) one number n for n:n; false when a
// part is not a number.
bool ParseRatioText(const std::string& text, bool single, int& x, int& y);
// The custom aspect ratio (Video.AspectRatioCustom, "47:20"): the whole numbers before the first
// colon and after it, each 1 when it is no number, within 1 … 10 000.
std::pair<int, int> CustomAspectRatio(const std::string& text);

} // namespace zv
