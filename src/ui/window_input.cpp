#include "ui/window_input.h"

#include <Qt>

#include "commands/command_codes.h"
#include "core/text_util.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace zv {

TMouseAction LeftPress(int mouseLeft, TMods mods, bool fullScreen, bool panelShown) {
  TMouseAction a;
  if (mods.shift || mods.ctrl || mods.alt) {
    a.drag = mods.shift ? TDragMode::MoveWindow : mods.ctrl ? TDragMode::MovePicture : TDragMode::ZoomPicture;
    return a;
  }
  switch (mouseLeft) {
  case 0: a.command = cmdPlayPause; break;
  case 1: a.drag = TDragMode::MoveWindow; break;
  case 2: a.command = cmdMute; break;
  case 3:
    if (fullScreen)
      a.command = cmdPlayPause;
    else
      a.drag = TDragMode::MoveWindow;
    break;
  case 4:
    if (!fullScreen && !panelShown)
      a.drag = TDragMode::MoveWindow;
    else
      a.command = cmdPlayPause;
    break;
  default: break; // values outside the table do nothing
  }
  return a;
}

TMouseAction RightPress(int mouseRight) {
  TMouseAction a;
  if (mouseRight == 0)
    a.command = cmdControlPanel;
  return a;
}

TMouseAction RightRelease(int mouseRight) {
  TMouseAction a;
  a.menu = mouseRight == 1;
  return a;
}

TMouseAction MiddlePress(int mouseMiddle) {
  TMouseAction a;
  switch (mouseMiddle) {
  case 0: a.command = cmdFullScreen; break;
  case 1: a.command = cmdMinimize; break;
  case 2: a.stepWheel = true; break;
  default: break;
  }
  return a;
}

int DoubleClickCommand(int mouseLeftDbl) {
  switch (mouseLeftDbl) {
  case 0: return cmdPlayPause;
  case 1: return cmdFullScreen;
  default: return 0;
  }
}

TWheelAction WheelAction(int mouseWheel, bool invert, bool up, int zoom, bool fullScreen, int rate) {
  if (invert)
    up = !up;
  TWheelAction a;
  static constexpr int kCommands[5][2] = {{cmdVolumeUp, cmdVolumeDown},
                                          {cmdSeekForward, cmdSeekBackward},
                                          {cmdBrightnessUp, cmdBrightnessDown},
                                          {cmdContrastUp, cmdContrastDown},
                                          {cmdSaturationUp, cmdSaturationDown}};
  if (mouseWheel >= 0 && mouseWheel < 5) {
    a.command = kCommands[mouseWheel][up ? 0 : 1];
  } else if (mouseWheel == 5) {
    if (!fullScreen && zoom > 0 && (up || zoom > 14))
      a.zoomPercent = up ? zoom + 3 : zoom - 3;
  } else if (mouseWheel == 6) {
    if (up)
      a.speedRate = (rate >= 20 ? 9 : rate) + 1;
    else
      a.speedRate = (rate < 5 ? 11 : rate) - 1;
  }
  return a;
}

int TWheelSteps::Add(int delta) {
  if (delta == 0)
    return 0;
  if ((delta > 0) != (rest_ > 0) && rest_ != 0)
    rest_ = 0; // turned the other way: what was left goes
  rest_ += delta;
  int steps = rest_ / 120;
  rest_ -= steps * 120;
  return steps;
}

TRect SnapWindow(TRect w, TRect work, int screenWidth, bool sticky, bool keepInside) {
  const int t = screenWidth / 85;
  int L = w.left, T = w.top;
  const int W = w.Width(), H = w.Height();
  if (keepInside) {
    if (L < work.left + t)
      L = work.left;
    if (T < work.top + t)
      T = work.top;
    if (L + W > work.right - t)
      L = work.right - W;
    if (T + H > work.bottom - t)
      T = work.bottom - H;
  } else if (sticky) {
    if (std::abs(L - work.left) < t)
      L = work.left;
    if (std::abs(T - work.top) < t)
      T = work.top;
    if (std::abs(L + W - work.right) < t)
      L = work.right - W;
    if (std::abs(T + H - work.bottom) < t)
      T = work.bottom - H;
  }
  return TRect{L, T, L + W, T + H};
}

void TPointerHider::Moved(int timeoutSeconds) {
  if (burst_ < 31)
    ++burst_;
  else
    Restart(timeoutSeconds);
}

void TPointerHider::Tick() {
  if (countdown_ > 0)
    --countdown_;
  if (burst_ > 0)
    --burst_;
}

bool EndingReached(int64_t position, int64_t duration, int64_t endingMark, int64_t markedDuration, bool autoSeek) {
  constexpr int64_t kSecond = 10'000'000, kBand = 1'800'000'000;
  if (!autoSeek || endingMark <= 0 || duration <= 0)
    return false;
  if ((duration - position) / kSecond + 1 != endingMark / kSecond)
    return false;
  return markedDuration <= 0 || duration / kBand == markedDuration / kBand;
}

int64_t ClampSeek(int64_t t, int64_t duration) {
  return std::clamp<int64_t>(t, 0, duration > 0 ? duration : INT64_MAX);
}

int64_t NearestKeyFrameIn(const std::vector<int64_t>& keys, int64_t t) {
  int64_t best = 600'000'000, found = -1;
  for (int64_t k : keys)
    if (std::llabs(k - t) < best) {
      best = std::llabs(k - t);
      found = k;
    }
  return found < 0 ? t : found + 10;
}

int64_t RelativeSeekTarget(int64_t p, int seconds, bool forward, const std::function<int64_t(int64_t)>& adjust,
                           int64_t duration) {
  constexpr int64_t kSecond = 10'000'000, kHalf = 5'000'000;
  if (p == 0)
    return -1;
  int64_t offset = static_cast<int64_t>(seconds) * kSecond;
  for (int i = 0; i < 10; ++i) {
    int64_t candidate = adjust(p + offset);
    if (forward ? candidate > p + kSecond : candidate < p - kSecond)
      return ClampSeek(candidate, duration);
    offset += forward ? kHalf : -kHalf;
  }
  return ClampSeek(p + offset, duration);
}

int64_t StepBackTarget(int64_t p, int64_t frameTime) {
  double fps = frameTime > 0 ? 10'000'000.0 / static_cast<double>(frameTime) : 0;
  if (fps < 0.0001)
    fps = 20;
  return ClampSeek(p - RoundHalfEven(1.25 * 10'000'000.0 / fps), 0);
}

std::pair<int, int> CustomAspectRatio(const std::string& text) {
  const size_t colon = text.find(':');
  const auto number = [](std::string_view part) {
    const std::optional<int32_t> v = StrToIntStrict(Trim(part));
    return v ? std::clamp(*v, 1, 10'000) : 1;
  };
  if (colon == std::string::npos)
    return {number(text), 1};
  return {number(std::string_view(text).substr(0, colon)), number(std::string_view(text).substr(colon + 1, 255))};
}

bool ParseRatioText(const std::string& text, bool single, int& x, int& y) {
  const auto number = [](std::string_view in, int& v) {
    const std::string t(Trim(in));
    if (t.empty() || (t.size() > 1 && t[0] == '+'))
      return false;
    try {
      size_t used = 0;
      v = std::stoi(t, &used);
      return used == t.size();
    } catch (const std::exception&) {
      return false;
    }
  };
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    if (!single || !number(text, x))
      return false;
    y = x;
    return true;
  }
  int a = 0, b = 0;
  if (!number(std::string_view(text).substr(0, colon), a) || !number(std::string_view(text).substr(colon + 1), b))
    return false;
  x = a;
  y = b;
  return true;
}

int AppCommandOfKey(int qtKey) {
  static const std::pair<int, int> kKeys[] = {
      {Qt::Key_VolumeMute, appMute},
      {Qt::Key_VolumeDown, appVolumeDown},
      {Qt::Key_VolumeUp, appVolumeUp},
      {Qt::Key_MediaNext, appNextTrack},
      {Qt::Key_MediaPrevious, appPreviousTrack},
      {Qt::Key_MediaStop, appStop},
      {Qt::Key_MediaTogglePlayPause, appPlayPause},
      {Qt::Key_Help, appHelp},
      {Qt::Key_Open, appOpen},
      {Qt::Key_Close, appClose},
      {Qt::Key_MediaPlay, appPlay},
      {Qt::Key_MediaPause, appPause},
      {Qt::Key_AudioForward, appFastForward},
      {Qt::Key_AudioRewind, appRewind},
      {Qt::Key_ChannelUp, appChannelUp},
      {Qt::Key_ChannelDown, appChannelDown},
  };
  for (const auto& [key, command] : kKeys)
    if (key == qtKey)
      return command;
  return 0;
}

} // namespace zv
