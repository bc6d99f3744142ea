#include "platform/display.h"

#include "core/text_util.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace zv {

void ChooseQtPlatform() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (set("QT_QPA_PLATFORM"))
    return;
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY"))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

TScreenFacts QtScreenFacts() {
  TScreenFacts f;
  if (!qGuiApp)
    return f;
  const QList<QScreen*> screens = QGuiApplication::screens();
  f.monitors = static_cast<int>(screens.size());
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QSize size = s->size() * s->devicePixelRatio();
    f.width = size.width();
    f.height = size.height();
    f.depth = s->depth();
    f.refresh = static_cast<int>(RoundHalfEven(s->refreshRate()));
  }
  return f;
}

xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != "xcb")
    return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

namespace {
xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = r ? r->atom : 0;
  std::free(r);
  return atom;
}
} // namespace

bool WindowManagerFullScreen(unsigned long window) {
  xcb_connection_t* c = X11Connection();
  if (!c)
    return false;
  static const xcb_atom_t state = InternAtom(c, "_NET_WM_STATE"), full = InternAtom(c, "_NET_WM_STATE_FULLSCREEN");
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, static_cast<xcb_window_t>(window), state, XCB_ATOM_ATOM, 0, 32), nullptr);
  bool on = false;
  if (r) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
    for (int i = 0, n = xcb_get_property_value_length(r) / 4; i < n; ++i)
      on = on || atoms[i] == full;
    std::free(r);
  }
  return on;
}

} // namespace zv
