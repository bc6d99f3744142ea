#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

namespace art {

// The program's glyph family: drawn on a 16-unit grid, strokes of one weight with round caps.
enum class TIcon {
  None,
  Play,
  Pause,
  Stop,
  FrameStep,
  SpeedPlay,
  Prev,
  Next,
  Eject,
  Playlist,
  FullScreen,
  Original,
  Speaker,
  SpeakerMuted,
  AudioProps,
  VideoProps,
  ScreenShot,
  Subtitles,
  Filters,
  FileInfo,
  Prefs,
  ListPlay,
  Repeat,
  Add,
  AddFolder,
  Remove,
  Clear,
  MoveUp,
  MoveDown,
  Shuffle,
  Report,
  Bookmarks,
  Save,
  About,
  Pin,
  Minimize,
  Maximize,
  Close,
  // The preference categories.
  Window,
  Mouse,
  Events,
  Chip,
  Osd,
  Document,
  Keyboard,
  Remote,
  Puzzle,
  Globe,
  Script,
  Film,
};

// Draws `icon` centred in `box` (a square) in `colour`.
void DrawIcon(QPainter& p, TIcon icon, const QRectF& box, const QColor& colour);

// The preferences' category icons side by side, each a coloured tile with a white glyph, `cell`
// pixels square.
QImage DrawConfigIcons(int cell);

} // namespace art
