// The main window's geometry rules over made-up screens, and the full-screen command's rules over
// its preferences and event sequences.
#include "ui/window_geometry.h"

#include <gtest/gtest.h>

#include <string>

using namespace zv;

TEST(WindowGeometry, TheWindowAroundTheVideoAndBackIsOneFormula) {
  const TRect video{450, 372, 830, 593};
  const TFrameParts cases[] = {
      {20, 79, 5, 5, 5, 5}, {0, 79, 5, 5, 5, 5}, {21, 99, 4, 3, 4, 5}, {0, 0, 0, 0, 0, 0}, {20, 79, 5, 5, 5, 5, 167}};
  for (const TFrameParts& p : cases) {
    TRect w = WindowRectOf(video, p);
    EXPECT_EQ(w.Height(), video.Height() + p.caption + p.panel + p.top + p.bottom);
    EXPECT_EQ(w.Width(), video.Width() + p.left + p.right + p.playlist);
    EXPECT_EQ(VideoRectOf(w, p), video) << "caption " << p.caption << " panel " << p.panel;
  }
  // Toggling the panels twice: hide, then show, lands on the same window rectangle.
  TFrameParts shown{20, 79, 5, 5, 5, 5}, hidden{0, 0, 5, 5, 5, 5};
  TRect window = WindowRectOf(video, shown);
  TRect once = WindowRectOf(VideoRectOf(window, shown), hidden);
  EXPECT_EQ(WindowRectOf(VideoRectOf(once, hidden), shown), window);
}

TEST(WindowGeometry, ThePlaylistPanelNarrowsButNeverBelowItsMinimum) {
  struct Case {
    TSize video;
    int width, bottom;
    TPlaylistFit fit;
  } cases[] = {
      {{640, 360}, 160, 54, {160, 0, 0}},   // room enough: the video area gives the panel its width
      {{300, 360}, 160, 54, {160, 27, 0}},  // too narrow: the panel keeps 160 and the window grows
      {{400, 360}, 300, 54, {233, 0, 0}},   // a wide panel narrows to leave the picture its share
      {{640, 40}, 160, 54, {160, 0, 29}},   // too low for the buttons: the window grows down
      {{100, 10}, 120, 48, {160, 227, 53}}, // a stored width below the minimum is raised to it
  };
  for (const Case& c : cases) {
    TPlaylistFit f = FitPlaylistPanel(c.video, c.width, c.bottom);
    EXPECT_EQ(f.width, c.fit.width) << c.video.width << "x" << c.video.height;
    EXPECT_EQ(f.growWidth, c.fit.growWidth) << c.video.width;
    EXPECT_EQ(f.growHeight, c.fit.growHeight) << c.video.height;
    EXPECT_GE(c.video.width + f.growWidth - f.width - kSplitterWidth, kPlaylistMinWidth);
  }
}

TEST(WindowGeometry, SizeLimitsByRegionAndTheDraggedEdgeMovesBack) {
  struct Case {
    TLimitParts parts;
    TSize minimum;
  } cases[] = {
      {{false, 160, 54, 0, 0, false}, {50, 50}},    {{false, 160, 54, 20, 0, false}, {150, 50}},
      {{false, 160, 54, 20, 79, false}, {380, 99}}, {{false, 160, 54, 20, 79, true}, {380, 107}},
      {{true, 160, 54, 20, 79, false}, {380, 161}}, {{true, 160, 54, 0, 0, true}, {335, 62}},
      {{true, 300, 54, 20, 79, false}, {380, 161}}, {{true, 300, 54, 20, 79, true}, {475, 161}},
  };
  for (const Case& c : cases) {
    TSize m = MinimumSize(c.parts);
    EXPECT_EQ(m, c.minimum) << c.parts.playlist << " " << c.parts.caption << " " << c.parts.panel << " "
                            << c.parts.dragging;
  }
  // The control panel keeps the window at least 380 wide, from whichever edge is dragged.
  EXPECT_EQ(LimitRect(TRect{100, 100, 300, 400}, {380, 99}, TEdge::Right, TEdge::None), (TRect{100, 100, 480, 400}));
  EXPECT_EQ(LimitRect(TRect{100, 100, 300, 400}, {380, 99}, TEdge::Left, TEdge::None), (TRect{-80, 100, 300, 400}));
  EXPECT_EQ(LimitRect(TRect{100, 100, 500, 150}, {380, 99}, TEdge::None, TEdge::Top), (TRect{100, 51, 500, 150}));
}

TEST(WindowGeometry, TheMonitorIsChosenByRelativeDistanceAndZoomFits) {
  // A 1920 × 1080 screen and a 1280 × 1024 one to its right; a third, narrow one below.
  const std::vector<TMonitor> monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                          {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}},
                                          {{0, 1080, 800, 1680}, {0, 1080, 800, 1680}}};
  struct Pick {
    TRect window;
    int monitor;
  } picks[] = {{{100, 100, 500, 400}, 0},
               {{1700, 100, 2300, 400}, 1},
               {{1500, 200, 2100, 500}, 0},
               {{100, 1100, 300, 1300}, 2},
               {{1400, 1000, 2000, 1100}, 0}};
  for (const Pick& p : picks)
    EXPECT_EQ(ChooseMonitor(p.window, monitors), p.monitor) << p.window.left << "," << p.window.top;
  EXPECT_EQ(ChooseMonitor({0, 0, 10, 10}, {}), -1);
  // Equal distances: the first monitor.
  EXPECT_EQ(ChooseMonitor({1910, 0, 1930, 1024}, {{{0, 0, 1920, 1024}, {}}, {{1920, 0, 3840, 1024}, {}}}), 0);

  const TMonitor& m = monitors[0];
  const TSize desktop{3200, 1680}, extra{10, 109};
  struct Zoom {
    TSize video;
    int percent;
    TSize area;
  } zooms[] = {{{640, 480}, 50, {320, 240}},     {{640, 480}, 200, {1280, 960}},  {{640, 360}, -1, {640, 360}},
               {{3840, 2160}, -1, {1849, 1040}}, {{1000, 3000}, -1, {347, 1040}}, {{640, 480}, 1000, {2095, 1571}},
               {{0, 480}, 50, {0, 480}}};
  for (const Zoom& z : zooms)
    EXPECT_EQ(ZoomedArea(z.video, z.percent, m, extra, desktop), z.area) << z.video.width << " at " << z.percent;
}

TEST(WindowGeometry, CoverPicturesFitTheVideoArea) {
  struct Case {
    TSize area, picture;
    bool fullScreen;
    TSize size;
  } cases[] = {
      {{400, 300}, {200, 100}, false, {200, 100}},    // fits: unscaled
      {{400, 300}, {800, 400}, false, {400, 200}},    // the area is relatively higher: by width
      {{400, 300}, {300, 600}, false, {150, 300}},    // by height
      {{1920, 1080}, {500, 500}, true, {1179, 1179}}, // full screen: (1080 + 99) / 500
      {{400, 300}, {0, 10}, false, {0, 10}},
      {{5, 3}, {5, 5}, false, {3, 3}},   // 3.0 exactly
      {{10, 7}, {4, 10}, false, {3, 7}}, // 2.8 rounds to 3
      {{10, 5}, {5, 10}, false, {2, 5}}, // 2.5: halves go to even
  };
  for (const Case& c : cases)
    EXPECT_EQ(CoverSize(c.area, c.picture, c.fullScreen), c.size) << c.picture.width << "x" << c.picture.height;

  // With OnOpen.CoverResize the window takes the picture's size instead, within its monitor.
  const TMonitor monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 984}};
  const TSize extra{10, 104};
  struct Resize {
    TRect window;
    TSize picture;
    bool keep;
    TRect result;
  } resizes[] = {
      {{100, 50, 500, 400}, {600, 600}, false, {100, 50, 710, 754}},     // the corner stays
      {{100, 50, 500, 400}, {2000, 2000}, false, {100, 50, 1390, 1178}}, // no larger than the monitor
      {{900, 500, 1300, 900}, {600, 600}, true, {670, 280, 1280, 984}},  // moved back into the work area
      {{100, 50, 500, 400}, {2000, 2000}, true, {0, 0, 1290, 984}},      // held to the work area's height
  };
  for (const Resize& r : resizes)
    EXPECT_EQ(CoverWindowRect(r.window, extra, r.picture, monitor, r.keep), r.result) << r.picture.width;
}

namespace {
// A window that records what the full-screen command made it do.
struct Window : IFullScreenWindow {
  TFullScreenFlags* flags = nullptr;
  bool full = false, panel = true;
  std::string log;
  bool InFullScreen() const override { return full; }
  bool PanelShown() const override { return panel; }
  void Enter() override {
    full = true;
    log += "E";
  }
  void Leave() override {
    full = false;
    log += "L";
  }
  void Toggle() override {
    flags->toggleParity = !flags->toggleParity;
    panel = !panel;
    log += panel ? "+" : "-";
  }
};
} // namespace

TEST(FullScreenCommand, ThePanelsFollowTheRememberingMode) {
  struct Case {
    const char* what;
    TFullScreenPrefs prefs;
    bool panelAtStart;
    std::string toggles; // the user's own panel toggles between the commands: "t" toggles, "c" the command
    std::string log;     // what the window did
  } cases[] = {
      {"normal: full screen without panels, the window with them", {0, false, false}, true, "cc", "E-L+"},
      {"normal, panels shown in full screen by hand", {0, false, false}, true, "ctc", "E-+L"},
      {"normal from a window without panels", {0, false, false}, false, "cc", "EL+"},
      {"mode 1 keeps the full screen's panels", {1, false, false}, true, "cc", "EL"},
      {"mode 1 brings back the window's panels", {1, false, false}, true, "ctc", "E-L+"},
      {"mode 2: full screen without, the window as before", {2, false, false}, true, "cc", "E-L+"},
      {"mode 2 from a window without panels", {2, false, false}, false, "cc", "EL"},
      {"mode 2 after a file opened in full screen", {2, true, false}, true, "cc", "E-L"},
  };
  for (const Case& c : cases) {
    TFullScreenFlags flags;
    Window w;
    w.flags = &flags;
    w.panel = c.panelAtStart;
    for (char step : c.toggles) {
      if (step == 'c')
        RunFullScreenCommand(w, flags, c.prefs);
      else
        w.Toggle();
    }
    EXPECT_EQ(w.log, c.log) << c.what;
    EXPECT_FALSE(w.full) << c.what;
  }
  // Mode 1 flips the pinned flag on the command while the toggle parity is clear; hovering full
  // screen pins it for good.
  TFullScreenFlags flags;
  Window w;
  w.flags = &flags;
  RunFullScreenCommand(w, flags, {1, false, false});
  EXPECT_TRUE(flags.panelsPinned);
  RunFullScreenCommand(w, flags, {1, true, true});
  EXPECT_TRUE(flags.panelsPinned);
  EXPECT_FALSE(flags.fileJustOpened) << "the file's opening in full screen is used up";
}

TEST(WindowGeometry, StartUpPlacementOnTheScreensThereAre) {
  // The primary 1920 × 1080 screen (work area without a 40-pixel panel) and one to its right.
  const std::vector<TMonitor> monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                          {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}};
  const TFrameParts parts{20, 79, 5, 5, 5, 5};
  struct Case {
    const char* what;
    TStartup startup;
    TRect video;
  } cases[] = {
      {"the stored place", {{450, 372, 830, 593}, false, false, parts}, {450, 372, 830, 593}},
      {"on the second screen", {{2000, 100, 2400, 400}, false, false, parts}, {2000, 100, 2400, 400}},
      // Centred on the primary screen: the window 410 × 409 at (755, 306), its video area inside.
      {"on the second screen, primary asked", {{2000, 100, 2400, 400}, true, false, parts}, {760, 331, 1160, 631}},
      {"off every screen", {{5000, 100, 5400, 400}, false, false, parts}, {760, 331, 1160, 631}},
      // 380 × 221 in a 390 × 330 window at (754, 364) in the primary work area.
      {"a fresh start", {{450, 372, 830, 593}, false, true, parts}, {759, 389, 1139, 610}},
      {"no size stored", {{450, 372, 450, 372}, false, false, parts}, {759, 389, 1139, 610}},
      {"a fresh start near the second screen", {{3300, 50, 3500, 100}, false, true, parts}, {2359, 381, 2739, 602}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StartupVideoRect(c.startup, monitors), c.video) << c.what;
}

TEST(WindowGeometry, PanelsThatAppearStayOnTheMonitor) {
  const TMonitor m{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
  const TFrameParts parts{20, 79, 5, 5, 5, 5};
  struct Case {
    const char* what;
    TRect video;
    bool panel, caption;
    TRect kept;
  } cases[] = {
      {"room enough", {100, 100, 500, 400}, true, true, {100, 100, 500, 400}},
      {"the panel would leave the work area", {100, 800, 500, 1000}, true, false, {100, 756, 500, 956}},
      {"only the caption came", {100, 800, 500, 1000}, false, true, {100, 800, 500, 1000}},
      {"the caption would leave the screen's top", {100, 10, 500, 300}, false, true, {100, 30, 500, 320}},
      {"hidden panels are not moved", {100, 10, 500, 300}, false, false, {100, 10, 500, 300}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeepPanelsOnScreen(c.video, parts, m, c.panel, c.caption), c.kept) << c.what;
}

TEST(WindowGeometry, TheFullScreenOverlayIsWantedNearTheMonitorsEdges) {
  const TRect second{1024, 0, 2944, 1080}; // a 1920 x 1080 monitor right of a 1024-pixel one
  const struct {
    int x, y;
    bool topZone, wanted;
  } cases[] = {
      {1500, 1079, true, true},  {1500, 1030, true, true},  // within the panel's 50 pixels of the bottom
      {1500, 1029, true, false}, {1500, 5, true, true},     // the middle; the caption's 20 at the top
      {1500, 5, false, false},                              // FrontEnd.NeverFullScrCaption: no top zone
      {1000, 1079, true, false}, {2944, 1079, true, false}, // beside the monitor
  };
  for (const auto& c : cases)
    EXPECT_EQ(HoverOverlayWanted(c.x, c.y, second, 50, 20, c.topZone), c.wanted) << c.x << "," << c.y;
}
