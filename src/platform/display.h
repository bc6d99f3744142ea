#pragma once

#include "core/machine_facts.h"

namespace zv {

// Without an X11 or Wayland display, Qt's offscreen platform is chosen so that the program still
// starts, plays and exits cleanly. Call before the application object is created.
void ChooseQtPlatform();

// The primary screen and the number of screens, from the running Qt application; zeros without one.
TScreenFacts QtScreenFacts();

} // namespace zv
