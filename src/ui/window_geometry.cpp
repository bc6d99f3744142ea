#include "ui/window_geometry.h"

#include "core/text_util.h"

#include <algorithm>
#include <cmath>

namespace zv {

TRect WindowRectOf(TRect v, const TFrameParts& p) {
  return TRect{v.left - p.left, v.top - p.caption - p.top, v.right + p.playlist + p.right,
               v.bottom + p.panel + p.bottom};
}

TRect VideoRectOf(TRect w, const TFrameParts& p) {
  return TRect{w.left + p.left, w.top + p.caption + p.top, w.right - p.playlist - p.right,
               w.bottom - p.panel - p.bottom};
}

TSize MinimumSize(const TLimitParts& p) {
  TSize m{0, 0};
  if (p.playlist) {
    m.width = std::max(m.width, p.playlistWidth + (p.dragging ? 175 : 25));
    m.height = std::max(m.height, p.panel + p.caption + p.playlistBottom + 8);
  }
  if (p.caption > 0) {
    m.height = std::max(m.height, p.caption + 8);
    m.width = std::max(m.width, 150);
  }
  if (p.panel > 0) {
    m.width = std::max(m.width, 380);
    m.height = std::max(m.height, p.panel + p.caption + (p.dragging ? 8 : 0));
  }
  return TSize{std::max(m.width, 50), std::max(m.height, 50)};
}

TRect LimitRect(TRect r, TSize minimum, TEdge horizontal, TEdge vertical) {
  if (r.Width() < minimum.width) {
    if (horizontal == TEdge::Left)
      r.left = r.right - minimum.width;
    else
      r.right = r.left + minimum.width;
  }
  if (r.Height() < minimum.height) {
    if (vertical == TEdge::Top)
      r.top = r.bottom - minimum.height;
    else
      r.bottom = r.top + minimum.height;
  }
  return r;
}

TRect KeepPanelsOnScreen(TRect video, const TFrameParts& parts, const TMonitor& monitor, bool panelAppeared,
                         bool captionAppeared) {
  TRect window = WindowRectOf(video, parts);
  if (panelAppeared && window.bottom > monitor.work.bottom)
    video = video.Moved(0, monitor.work.bottom - window.bottom);
  window = WindowRectOf(video, parts);
  if (captionAppeared && window.top < monitor.bounds.top)
    video = video.Moved(0, parts.caption);
  return video;
}

TPlaylistFit FitPlaylistPanel(TSize video, int playlistWidth, int bottomHeight) {
  TPlaylistFit fit;
  fit.width = std::max(playlistWidth, kPlaylistMinWidth);
  constexpr int kVideoShare = 167; // what stays for the picture and the splitter
  if (video.width < fit.width + kVideoShare) {
    fit.width = std::max(video.width - kVideoShare, kPlaylistMinWidth);
    fit.growWidth = std::max(fit.width + kVideoShare - video.width, 0);
  }
  fit.growHeight = std::max(bottomHeight + 15 - video.height, 0);
  return fit;
}

int ChooseMonitor(TRect window, const std::vector<TMonitor>& monitors) {
  int best = -1;
  double bestDistance = 0;
  const double cx = (window.left + window.right) / 2.0, cy = (window.top + window.bottom) / 2.0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const TRect& b = monitors[i].bounds;
    if (b.Width() <= 0 || b.Height() <= 0)
      continue;
    double dx = (cx - (b.left + b.right) / 2.0) / b.Width(), dy = (cy - (b.top + b.bottom) / 2.0) / b.Height();
    double d = std::sqrt(dx * dx + dy * dy);
    if (best < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}

namespace {
int RoundEven(double v) { return static_cast<int>(RoundHalfEven(v)); }

// The largest size of the video's aspect within `room`.
TSize FitInto(TSize size, TSize video, TSize room) {
  if (room.width > 0 && size.width > room.width) {
    size = TSize{room.width, RoundEven(static_cast<double>(room.width) * video.height / video.width)};
  }
  if (room.height > 0 && size.height > room.height) {
    size = TSize{RoundEven(static_cast<double>(room.height) * video.width / video.height), room.height};
  }
  return size;
}
} // namespace

TSize ZoomedArea(TSize video, int percent, const TMonitor& monitor, TSize extra, TSize desktop) {
  if (video.width <= 0 || video.height <= 0)
    return video;
  TSize area;
  if (percent == -1) {
    area = FitInto(video, video, TSize{monitor.bounds.Width(), 0});
    area = FitInto(area, video, TSize{0, monitor.work.Height()});
  } else {
    area = TSize{static_cast<int>(static_cast<int64_t>(video.width) * percent / 100),
                 static_cast<int>(static_cast<int64_t>(video.height) * percent / 100)};
  }
  // Never larger than the whole desktop, whatever the zoom.
  return FitInto(area, video, TSize{desktop.width - extra.width, desktop.height - extra.height});
}

TSize CoverSize(TSize area, TSize picture, bool fullScreen) {
  if (picture.width <= 0 || picture.height <= 0 || area.width <= 0 || area.height <= 0)
    return picture;
  double factor;
  if (fullScreen) {
    factor = (area.height + 99.0) / picture.height;
  } else {
    if (picture.width <= area.width && picture.height <= area.height)
      return picture;
    bool higher = static_cast<double>(area.height) / area.width > static_cast<double>(picture.height) / picture.width;
    factor =
        higher ? static_cast<double>(area.width) / picture.width : static_cast<double>(area.height) / picture.height;
  }
  return TSize{RoundEven(picture.width * factor), RoundEven(picture.height * factor)};
}

namespace {
bool Contains(const TRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// How far a point is from a rectangle (0 inside), squared.
int64_t DistanceSquared(const TRect& r, int x, int y) {
  int64_t dx = x < r.left ? r.left - x : x >= r.right ? x - r.right + 1 : 0;
  int64_t dy = y < r.top ? r.top - y : y >= r.bottom ? y - r.bottom + 1 : 0;
  return dx * dx + dy * dy;
}
} // namespace

TRect CoverWindowRect(TRect window, TSize extra, TSize picture, const TMonitor& monitor, bool keepInWorkArea) {
  const int w = std::min(picture.width, monitor.bounds.Width()) + extra.width;
  int h = std::min(picture.height, monitor.bounds.Height()) + extra.height;
  TRect r{window.left, window.top, window.left + w, window.top + h};
  if (!keepInWorkArea)
    return r;
  const TRect& work = monitor.work;
  h = std::min(h, work.Height());
  r.bottom = r.top + h;
  if (r.right > work.right)
    r = r.Moved(std::max(work.right - r.right, work.left - r.left), 0);
  if (r.bottom > work.bottom)
    r = r.Moved(0, std::max(work.bottom - r.bottom, work.top - r.top));
  return r;
}

TRect StartupVideoRect(const TStartup& s, const std::vector<TMonitor>& monitors) {
  TRect video = s.stored;
  if (monitors.empty())
    return video;
  const int x = s.stored.left, y = s.stored.top;
  bool onAny = false;
  size_t nearest = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    onAny = onAny || Contains(monitors[i].bounds, x, y);
    if (DistanceSquared(monitors[i].bounds, x, y) < DistanceSquared(monitors[nearest].bounds, x, y))
      nearest = i;
  }
  const TFrameParts& p = s.parts;
  const int extraW = p.left + p.right, extraH = p.caption + p.panel + p.top + p.bottom;
  if (!onAny || (s.alwaysPrimary && !Contains(monitors[0].bounds, x, y))) {
    const TRect& screen = monitors[0].bounds;
    int w = video.Width() + extraW, h = video.Height() + extraH;
    int left = screen.left + (screen.Width() - w) / 2, top = screen.top + (screen.Height() - h) / 2 - p.caption - 9;
    video = VideoRectOf(TRect{left, top, left + w, top + h}, p);
  }
  if (s.resize || s.stored.Width() <= 0 || s.stored.Height() <= 0) {
    const TMonitor& m = monitors[nearest];
    int w = 380 + extraW, h = 320 - p.caption - p.panel + extraH;
    int left = m.bounds.left + (m.work.Width() - w) / 2 - 11, top = m.bounds.top + (m.work.Height() - h) / 2 + 9;
    video = VideoRectOf(TRect{left, top, left + w, top + h}, p);
  }
  return video;
}

void RunFullScreenCommand(IFullScreenWindow& w, TFullScreenFlags& f, const TFullScreenPrefs& p) {
  if (!w.InFullScreen()) {
    w.Enter();
    f.rememberedPanels = w.PanelShown();
    f.panelsPinned = false;
  } else {
    w.Leave();
  }
  const bool full = w.InFullScreen();
  auto fileOpenedInFullScreen = [&] {
    if (p.onOpenFullScreen && f.fileJustOpened) {
      f.rememberedPanels = false;
      f.fileJustOpened = false;
    }
  };
  switch (p.rememberMode) {
  case 1:
    if (!f.toggleParity)
      f.panelsPinned = !f.panelsPinned;
    if (p.onOpenFullScreen && p.hoverPanel)
      f.panelsPinned = true;
    fileOpenedInFullScreen();
    if (!full && w.PanelShown() != f.rememberedPanels)
      w.Toggle();
    break;
  case 2:
    fileOpenedInFullScreen();
    if (full && w.PanelShown())
      w.Toggle();
    else if (!full && w.PanelShown() != f.rememberedPanels)
      w.Toggle();
    break;
  default:
    if ((full && w.PanelShown()) || (!full && !w.PanelShown()))
      w.Toggle();
    break;
  }
}

bool HoverOverlayWanted(int x, int y, TRect monitor, int panelHeight, int captionHeight, bool topZone) {
  if (x < monitor.left || x >= monitor.right)
    return false;
  return y >= monitor.bottom - panelHeight || (topZone && y < monitor.top + captionHeight);
}

} // namespace zv
