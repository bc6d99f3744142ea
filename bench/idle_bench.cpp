// Idle cost of the main window: its 200 ms timer (clock, pointer, meter) and the load meter's
// thread reading /proc/stat every 300 ms, against a bare Qt window whose 200 ms timer sets a clock
// label. Both run shown for the same time on one platform; the figure is the process's CPU time
// (user + system) as a share of one core.
#include "map_prefs.h"
#include "platform/cpu_meter.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for `seconds` and returns the CPU share of one core in percent.
double Measure(int seconds) {
  QEventLoop loop;
  QTimer::singleShot(500, &loop, &QEventLoop::quit); // settle
  loop.exec();
  const double before = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  return (CpuSeconds() - before) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  double ours = 0, peer = 0;
  {
    zvtest::MapPrefs prefs;
    prefs.SetBool("Plugins.CPUUsage.Enabled", true);
    zv::TCPU cpu;
    zv::TfrMain window;
    zv::TMainContext ctx;
    ctx.prefs = &prefs;
    ctx.cpuReading = [&] { return cpu.Reading(); };
    window.SetContext(ctx);
    window.resize(480, 360);
    window.show();
    ours = Measure(seconds);
  }
  {
    QLabel clock;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &clock, [&] { clock.setText(QTime::currentTime().toString("hh:mm")); });
    timer.start(200);
    clock.resize(480, 360);
    clock.show();
    peer = Measure(seconds);
  }
  std::printf("idle window (timer + load meter): %.2f %% of a core\n", ours);
  std::printf("peer (bare Qt window, 200 ms clock timer): %.2f %% of a core\n", peer);
  std::printf("ratio %.2f\n", peer > 0 ? ours / peer : 0.0);
  return 0;
}
