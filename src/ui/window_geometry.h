#pragma once

#include "skin/bitmap32.h"

#include <cstdint>
#include <vector>

namespace zv {

// The main window's geometry rules, apart from the window: plain functions over rectangles and
// screens, so that they can be checked against any arrangement of monitors.

struct TSize {
  int width = 0, height = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TMonitor {
  TRect bounds; // the whole screen
  TRect work;   // without panels and docks
};

// What lies around the video area: the visible caption and control panel, and the border.
struct TFrameParts {
  int caption = 0; // height, 0 when hidden
  int panel = 0;   // height, 0 when hidden
  int left = 0, top = 0, right = 0, bottom = 0;
  int playlist = 0; // the playlist panel and its splitter on the right, 0 when hidden
};

// The window's rectangle around a video rectangle, and back: one formula both ways.
TRect WindowRectOf(TRect video, const TFrameParts& parts);
TRect VideoRectOf(TRect window, const TFrameParts& parts);

// The window's smallest size by the rules of its regions.
struct TLimitParts {
  bool playlist = false;
  int playlistWidth = 160, playlistBottom = 54;
  int caption = 0; // visible caption height, 0 when hidden
  int panel = 0;   // visible control panel height, 0 when hidden
  bool dragging = false;
};
TSize MinimumSize(const TLimitParts& parts);
// A rectangle held to the minimum; while an edge is dragged it is that edge that moves back.
enum class TEdge { None, Left, Top, Right, Bottom };
TRect LimitRect(TRect r, TSize minimum, TEdge horizontal, TEdge vertical);

// The video rectangle after the panels toggled, kept on the monitor: when the control panel
// appears below the work area the picture moves up so that the panel fits, and when the caption
// appears above the screen's top the picture moves down by the caption's height.
TRect KeepPanelsOnScreen(TRect video, const TFrameParts& parts, const TMonitor& monitor, bool panelAppeared,
                         bool captionAppeared);

// Showing the playlist panel beside a video area: the panel narrows to leave the video 167 pixels
// (its own and the splitter's share), never below its minimum of 160; the window grows by what
// the video area then lacks, and by what it lacks in height for the panel's buttons.
struct TPlaylistFit {
  int width = 160;                   // the panel's width
  int growWidth = 0, growHeight = 0; // what the window grows by
};
TPlaylistFit FitPlaylistPanel(TSize video, int playlistWidth, int bottomHeight);
constexpr int kSplitterWidth = 7;
constexpr int kPlaylistMinWidth = 160;

// The monitor whose centre is nearest the window's centre, distances taken relative to each
// monitor's size; the first wins a tie. −1 without monitors.
int ChooseMonitor(TRect window, const std::vector<TMonitor>& monitors);

// The video area for a zoom of `percent` (−1: the video's own size, fitted to the monitor and its
// work area with the aspect kept), never larger than the desktop. `extra` is what the window adds.
TSize ZoomedArea(TSize video, int percent, const TMonitor& monitor, TSize extra, TSize desktop);

// The size a cover or logo picture takes in the video area: unscaled when it fits, else scaled to
// the area by height or, when the area is relatively higher than the picture, by width; in full
// screen always by (area height + 99) / picture height. Halves round to even.
TSize CoverSize(TSize area, TSize picture, bool fullScreen);

// The window resized for a cover picture (OnOpen.CoverResize): the video area takes the
// picture's size, no larger than the monitor, the window keeping its top-left corner; with
// `keepInWorkArea` (FrontEnd.DoNotAcrossWorkArea) its height is held to the work area's and it
// moves left and up as far as needed to stay inside it. `extra` is what the window adds.
TRect CoverWindowRect(TRect window, TSize extra, TSize picture, const TMonitor& monitor, bool keepInWorkArea);

// Where the video area goes at start-up: the stored rectangle, or centred on the primary monitor
// (the first) when its corner is on no monitor or, with `alwaysPrimary`, not on the primary one;
// with `resize` (or a stored rectangle without size) 380 × (320 − caption − panel), centred in the
// work area of the monitor nearest the stored corner. `parts` are the caption, panel and border
// the window will show.
struct TStartup {
  TRect stored;
  bool alwaysPrimary = false, resize = true;
  TFrameParts parts;
};
TRect StartupVideoRect(const TStartup& startup, const std::vector<TMonitor>& monitors);

// The state and preferences of the full-screen command, and what the window does for it.
struct TFullScreenFlags {
  bool rememberedPanels = false, panelsPinned = false, toggleParity = false, fileJustOpened = true;
};
struct TFullScreenPrefs {
  int rememberMode = 0; // FrontEnd.RememberPanelsState: 0, 1 or 2
  bool onOpenFullScreen = false, hoverPanel = false;
};
class IFullScreenWindow {
public:
  virtual ~IFullScreenWindow() = default;
  virtual bool InFullScreen() const = 0;
  virtual bool PanelShown() const = 0;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
  // Inverts the flags' toggle parity, then shows or hides the control panel.
  virtual void Toggle() = 0;
};
// The full-screen command: in or out, then the control panel by the remembering mode.
void RunFullScreenCommand(IFullScreenWindow& window, TFullScreenFlags& flags, const TFullScreenPrefs& prefs);

// Full screen with Mouse.HoverCPanel: the pointer within the control panel's height of the
// monitor's bottom edge, or (with `topZone`) within the caption's height of its top edge, wants the
// panels over the picture.
bool HoverOverlayWanted(int x, int y, TRect monitor, int panelHeight, int captionHeight, bool topZone);

} // namespace zv
