#pragma once

namespace zv {

// The picture's geometry as the video properties keep it: aspect ratio, zoom and offset. The
// picture controls provide it; while there are none, the window's commands that need it do
// nothing and the menu shows their items unchecked.
class IVideoView {
public:
  virtual ~IVideoView() = default;
  // (0, 0) as is, (1, 0) by width, (0, 1) by height, (-1, -1) free, x:y otherwise.
  virtual void SetAspectRatio(int x, int y) = 0;
  virtual void AspectRatio(int& x, int& y) const = 0;
  // Zoom in percent of the fitted picture, changed by a step or set outright (50 at least).
  virtual void ChangeZoom(int dx, int dy) = 0;
  virtual void SetZoom(int x, int y) = 0;
  // The picture's offset within the video area, moved by pixels.
  virtual void MoveOffset(int dx, int dy) = 0;
};

} // namespace zv
