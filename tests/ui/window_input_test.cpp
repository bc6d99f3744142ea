// The main window's mouse, wheel and timer rules by their preferences.
#include "ui/window_input.h"

#include "commands/command_codes.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {

TEST(WindowInput, ButtonsFollowTheirSettingsAndTheModifiersOverrideTheLeftOne) {
  using D = TDragMode;
  const struct {
    int setting;
    TMods mods;
    bool fullScreen, panel;
    TMouseAction action;
  } left[] = {
      {0, {}, false, true, {cmdPlayPause}},
      {1, {}, false, true, {0, D::MoveWindow}},
      {2, {}, false, true, {cmdMute}},
      {3, {}, false, true, {0, D::MoveWindow}}, // in a window it drags
      {3, {}, true, false, {cmdPlayPause}},     // in full screen it pauses
      {4, {}, false, false, {0, D::MoveWindow}},
      {4, {}, false, true, {cmdPlayPause}},
      {4, {}, true, false, {cmdPlayPause}},
      {9, {}, false, true, {}}, // outside the table: nothing
      {0, {true, false, false}, false, true, {0, D::MoveWindow}},
      {0, {false, true, false}, true, true, {0, D::MovePicture}},
      {2, {false, false, true}, false, true, {0, D::ZoomPicture}},
  };
  for (const auto& c : left)
    EXPECT_EQ(LeftPress(c.setting, c.mods, c.fullScreen, c.panel), c.action) << "Mouse.Left " << c.setting;

  EXPECT_EQ(RightPress(0), TMouseAction{cmdControlPanel});
  EXPECT_EQ(RightRelease(0), TMouseAction{});
  EXPECT_EQ(RightPress(1), TMouseAction{});
  EXPECT_TRUE(RightRelease(1).menu);
  EXPECT_EQ(MiddlePress(0), TMouseAction{cmdFullScreen});
  EXPECT_EQ(MiddlePress(1), TMouseAction{cmdMinimize});
  EXPECT_TRUE(MiddlePress(2).stepWheel);
  EXPECT_EQ(MiddlePress(3), TMouseAction{});
  const int doubles[][2] = {{0, cmdPlayPause}, {1, cmdFullScreen}, {2, 0}, {7, 0}};
  for (const auto& d : doubles)
    EXPECT_EQ(DoubleClickCommand(d[0]), d[1]);
  EXPECT_EQ(NextWheelFunction(5), 6);
  EXPECT_EQ(NextWheelFunction(6), 0);
}

TEST(WindowInput, TheWheelsSevenFunctionsAndItsSteps) {
  const struct {
    int setting;
    bool invert, up;
    int zoom;
    bool fullScreen;
    int rate;
    TWheelAction action;
  } cases[] = {
      {0, false, true, 0, false, 13, {cmdVolumeUp}},
      {0, true, true, 0, false, 13, {cmdVolumeDown}}, // inverted
      {1, false, false, 0, false, 13, {cmdSeekBackward}},
      {2, false, true, 0, false, 13, {cmdBrightnessUp}},
      {3, false, false, 0, false, 13, {cmdContrastDown}},
      {4, false, true, 0, false, 13, {cmdSaturationUp}},
      {5, false, true, 100, false, 13, {0, 103}},
      {5, false, false, 100, false, 13, {0, 97}},
      {5, false, false, 14, false, 13, {}}, // not below 14 %
      {5, false, true, 100, true, 13, {}},  // nothing in full screen
      {5, false, true, 0, false, 13, {}},   // nor without a video
      {6, false, true, 13, false, 13, {0, 0, 14}},
      {6, false, true, 0, false, 20, {0, 0, 10}}, // past the top: back to 10
      {6, false, false, 0, false, 4, {0, 0, 10}}, // past the bottom: back to 10
      {6, false, false, 0, false, 5, {0, 0, 4}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WheelAction(c.setting, c.invert, c.up, c.zoom, c.fullScreen, c.rate), c.action)
        << "Mouse.Wheel " << c.setting << (c.up ? " up" : " down");

  // A mouse gives 120 a notch; a touchpad gives small deltas that add up; zero is no turn.
  TWheelSteps steps;
  const int deltas[][2] = {{120, 1}, {-240, -2}, {0, 0}, {40, 0}, {40, 0}, {40, 1}, {60, 0}, {-30, 0}, {-90, -1}};
  for (const auto& d : deltas)
    EXPECT_EQ(steps.Add(d[0]), d[1]) << d[0];
}

TEST(WindowInput, ADraggedWindowSnapsToTheWorkArea) {
  const TRect work{0, 0, 1024, 738}; // t = 1024 / 85 = 12
  const struct {
    TRect window;
    bool sticky, keepInside;
    TRect result;
  } cases[] = {
      {{5, 100, 405, 400}, true, false, {0, 100, 400, 400}},       // 5 px from the left edge
      {{13, 100, 413, 400}, true, false, {13, 100, 413, 400}},     // beyond the threshold
      {{620, 430, 1020, 730}, true, false, {624, 438, 1024, 738}}, // bottom-right corner
      {{-50, 100, 350, 400}, true, false, {-50, 100, 350, 400}},   // sticky lets it leave
      {{-50, -20, 350, 280}, false, true, {0, 0, 400, 300}},       // kept inside
      {{700, 500, 1100, 800}, false, true, {624, 438, 1024, 738}},
      {{5, 100, 405, 400}, false, false, {5, 100, 405, 400}}, // neither: where it was put
  };
  for (const auto& c : cases)
    EXPECT_EQ(SnapWindow(c.window, work, 1024, c.sticky, c.keepInside), c.result) << c.window.left;
}

TEST(WindowInput, ThePointerHidesWhenStillAndTheKnownEndingIsSkipped) {
  TPointerHider p;
  p.Restart(2); // Mouse.TimeOut 2 s: ten steps of 200 ms
  for (int i = 0; i < 9; ++i) {
    p.Tick();
    EXPECT_TRUE(p.Shown(false, true, false, true)) << i;
  }
  p.Tick();
  EXPECT_FALSE(p.Shown(false, true, false, true));
  // Whatever the countdown: the menu, another active window, panels or a window show it.
  EXPECT_TRUE(p.Shown(true, true, false, true));
  EXPECT_TRUE(p.Shown(false, false, false, true));
  EXPECT_TRUE(p.Shown(false, true, true, true));
  EXPECT_TRUE(p.Shown(false, true, false, false));
  // A few small movements do not bring it back; a long burst does.
  for (int i = 0; i < 31; ++i)
    p.Moved(2);
  EXPECT_FALSE(p.Shown(false, true, false, true));
  p.Moved(2);
  EXPECT_TRUE(p.Shown(false, true, false, true));

  constexpr int64_t s = 10'000'000;
  const struct {
    int64_t position, duration, mark, marked;
    bool autoSeek, due;
  } endings[] = {
      {1380 * s, 1440 * s, 61 * s, 1440 * s, true, true},   // 60 s left + 1 = the mark
      {1379 * s, 1440 * s, 61 * s, 1440 * s, true, false},  // a second early
      {1380 * s, 1440 * s, 61 * s, 0, true, true},          // no length kept
      {1380 * s, 1440 * s, 61 * s, 1260 * s, true, false},  // another band of lengths
      {1380 * s, 1440 * s, 61 * s, 1440 * s, false, false}, // OnOpen.AutoSeek off
      {1380 * s, 1440 * s, 0, 1440 * s, true, false},       // no mark
  };
  for (const auto& e : endings)
    EXPECT_EQ(EndingReached(e.position, e.duration, e.mark, e.marked, e.autoSeek), e.due) << e.position / s;
}

} // namespace

TEST(WindowInput, RelativeSeeksLandOnKeyFramesInsideTheFile) {
  constexpr int64_t s = 10'000'000;
  std::vector<int64_t> keys;
  for (int64_t k = 0; k <= 120 * s; k += 12 * s) // a key frame every 12 s
    keys.push_back(k);
  // Ties go to the first; none within 60 s leaves the time as it is.
  EXPECT_EQ(NearestKeyFrameIn(keys, 18 * s), 12 * s + 10);
  EXPECT_EQ(NearestKeyFrameIn(keys, 19 * s), 24 * s + 10);
  EXPECT_EQ(NearestKeyFrameIn({}, 19 * s), 19 * s);
  EXPECT_EQ(NearestKeyFrameIn({200 * s}, 100 * s), 100 * s);

  const auto adjust = [&](int64_t t) { return NearestKeyFrameIn(keys, t); };
  const struct {
    int64_t p;
    int seconds;
    int64_t duration, target;
  } seeks[] = {
      {12 * s, 10, 130 * s, 24 * s + 10},  // +10 s: 22 s is nearest to 24 s
      {25 * s, -10, 130 * s, 12 * s + 10}, // back to the key frame before 15 s
      {12 * s, 1, 130 * s, 18 * s},        // +1 … +5.5 s all land on 12 s: unadjusted +6 s
      {118 * s, 10, 120 * s, 120 * s},     // never past the end
      {3 * s, -10, 130 * s, 10},           // to the first key frame
      {13 * s, 300, 0, 313 * s},           // unknown length: no upper bound
      {0, 10, 130 * s, -1},                // position 0 does not seek
  };
  for (const auto& c : seeks)
    EXPECT_EQ(RelativeSeekTarget(c.p, c.seconds, c.seconds >= 0, adjust, c.duration), c.target)
        << c.p / s << " " << c.seconds;
  // Without key frames (Seek.KeyFrameSeek off) a seek stops at the start.
  EXPECT_EQ(RelativeSeekTarget(
                3 * s, -10, false, [](int64_t t) { return t; }, 130 * s),
            0);

  // Step back: 1.25 frames, 20 frames per second for an unknown frame duration, never below 0.
  EXPECT_EQ(StepBackTarget(10 * s, 400'000), 10 * s - 500'000);
  EXPECT_EQ(StepBackTarget(10 * s, 0), 10 * s - 625'000);
  EXPECT_EQ(StepBackTarget(100, -5), 0);
}
