#include "platform/display.h"

#include "core/text_util.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

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

} // namespace zv
