// Full screen and back with a window manager: the time from the command until the window
// manager has set _NET_WM_STATE_FULLSCREEN and the window covers the screen, and back until the
// state is gone and the window has its size again. Peer: a bare Qt window's showFullScreen and
// showNormal on the same server and window manager. Target: both ways under 300 ms.
// Usage: bench/fullscreen.sh (starts Xvfb and openbox)
#include "map_prefs.h"
#include "platform/display.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace zv;

namespace {

bool FullScreenState(QWidget& w) { return WindowManagerFullScreen(w.winId()); }

double WaitMs(QElapsedTimer& t, const std::function<bool()>& done) {
  while (!done() && t.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 1);
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The median of ten rounds of in and out.
std::pair<double, double> Rounds(QWidget& w, const std::function<void()>& in, const std::function<void()>& out) {
  std::vector<double> ins, outs;
  const QSize normal = w.size();
  const QRect screen = w.screen()->geometry();
  for (int i = 0; i < 10; ++i) {
    QElapsedTimer t;
    t.start();
    in();
    ins.push_back(WaitMs(t, [&] { return FullScreenState(w) && w.geometry() == screen; }));
    t.start();
    out();
    outs.push_back(WaitMs(t, [&] { return !FullScreenState(w) && w.size() == normal; }));
  }
  std::sort(ins.begin(), ins.end());
  std::sort(outs.begin(), outs.end());
  return {ins[5], outs[5]};
}

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zvtest::MapPrefs prefs;
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  window.SetContext(ctx);
  window.ApplySkin(" <XP.Blue> ");
  window.resize(500, 380);
  window.show();
  QWidget peer;
  peer.resize(500, 380);
  peer.show();
  QElapsedTimer settle;
  settle.start();
  WaitMs(settle, [&] { return settle.elapsed() > 500; });
  auto [in, out] = Rounds(
      window, [&] { window.ToggleFullScreen(); }, [&] { window.ToggleFullScreen(); });
  auto [peerIn, peerOut] = Rounds(
      peer, [&] { peer.showFullScreen(); }, [&] { peer.showNormal(); });
  std::printf("full screen: Zelvar %.1f ms, bare Qt window (peer) %.1f ms, ratio %.2f\n", in, peerIn, in / peerIn);
  std::printf("and back:    Zelvar %.1f ms, bare Qt window (peer) %.1f ms, ratio %.2f\n", out, peerOut, out / peerOut);
  return 0;
}
