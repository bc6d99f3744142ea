#pragma once

#include "core/machine_facts.h"

struct xcb_connection_t;

namespace zv {

// Without an X11 or Wayland display, Qt's offscreen platform is chosen so that the program still
// starts, plays and exits cleanly. Call before the application object is created.
void ChooseQtPlatform();

// The primary screen and the number of screens, from the running Qt application; zeros without one.
TScreenFacts QtScreenFacts();

// The X server's connection of the running Qt application; none on other platforms.
xcb_connection_t* X11Connection();

// Whether the window manager shows the X window in full screen (_NET_WM_STATE_FULLSCREEN set on
// it); false without an X server.
bool WindowManagerFullScreen(unsigned long window);

} // namespace zv
