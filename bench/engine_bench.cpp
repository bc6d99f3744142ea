// The player's engine and video widget on the same work as bench/peer_playbin.c:
//   first <file>        CPU seconds from the start of the process to the first picture in the widget
//   play <file> <secs>  plays for that many seconds in real time, prints the process CPU seconds and
//                       the pictures shown meanwhile
//   seek <file> <mode>  ten seeks while paused ("key" or "accurate"), prints the mean latency in ms
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "ui/qt_dispatcher.h"
#include "ui/video_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

namespace {
double CpuSeconds() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Counts the pictures reaching the widget, then shows them.
struct CountingWidget : zv::TVideoWidget {
  std::atomic<int> frames{0};
  void PresentFrame(eng::TVideoFrame f) override {
    zv::TVideoWidget::PresentFrame(std::move(f));
    ++frames;
  }
};

// Waits on the event loop (every picture posts a repaint, which wakes it) until the condition holds.
void PumpUntil(const std::function<bool()>& done) {
  while (!done())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
} // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  QApplication app(argc, argv);
  eng::TGstEngine engine;
  zv::TQtDispatcher dispatcher;
  // ZV_BENCH_PROCESSOR=0 leaves the video processor out of the graph (it is in by default).
  zv::TXMLTree doc;
  doc.LoadFromString("<ZV/>");
  zv::TXMLPrefs prefs(doc.Root());
  const char* processor = std::getenv("ZV_BENCH_PROCESSOR");
  prefs.SetBool("Video.VideoProcessor", !processor || std::string(processor) != "0");
  zv::TEngineHost host;
  host.prefs = &prefs;
  host.dispatcher = &dispatcher;
  zv::TDirectShowHelper dsh(engine, host);
  // A disc's VIDEO_TS.IFO opens through the disc's navigator, as the player does it.
  const std::string name = argv[2];
  dsh.isDVD = name.size() > 4 && name.compare(name.size() - 4, 4, ".IFO") == 0;
  CountingWidget w;
  w.resize(1920, 1080);
  w.show();
  dsh.CreateBuilder();
  if (eng::Failed(dsh.RenderFile(argv[2])))
    return 1;
  dsh.SetOwner(&w);
  // ZV_BENCH_EQ=1: the three equalizer stages in front of the first sound renderer, each at +6 dB.
  if (const char* eq = std::getenv("ZV_BENCH_EQ"); eq && std::string(eq) == "1") {
    dsh.InsertParamEq(3);
    for (int i = 0; i < 3; ++i)
      if (eng::IFilter* f = dsh.FindFilterByClassIndex(eng::classes::DMOWrapper, i))
        f->ParamEq()->SetAllParameters({i == 0 ? 100.0f : i == 1 ? 600.0f : 12000.0f, 36.0f, 6.0f});
  }
  std::string mode = argv[1];
  if (mode == "sound") {
    // Sound alone: CPU seconds over the given time once it plays.
    double secs = argc > 3 ? std::atof(argv[3]) : 10;
    dsh.Run();
    QTimer::singleShot(500, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    double start = CpuSeconds();
    QTimer::singleShot(static_cast<int>(secs * 1000), Qt::PreciseTimer, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    std::printf("%.4f %.2f\n", CpuSeconds() - start, static_cast<double>(dsh.GetPosition()) / 1e7);
  } else if (mode == "first") {
    dsh.Run();
    PumpUntil([&] { return w.frames > 0; });
    std::printf("%.4f\n", CpuSeconds());
  } else if (mode == "play") {
    double secs = argc > 3 ? std::atof(argv[3]) : 10;
    dsh.Run();
    PumpUntil([&] { return w.frames >= 5; }); // measured once playback runs steadily
    double start = CpuSeconds();
    int first = w.frames;
    QTimer::singleShot(static_cast<int>(secs * 1000), Qt::PreciseTimer, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    std::printf("%.4f %d\n", CpuSeconds() - start, w.frames - first);
  } else {
    bool key = argc > 3 && !std::strcmp(argv[3], "key");
    host.prefs = nullptr;
    dsh.Pause();
    PumpUntil([&] { return w.frames > 0; });
    double total = 0;
    for (int i = 0; i < 10; ++i) {
      int64_t target = static_cast<int64_t>(((i * 7) % 9) + 0.5) * 10'000'000LL;
      int before = w.frames;
      QElapsedTimer t;
      t.start();
      dsh.Graph()->SetPositions(target,
                                eng::AM_SEEKING_AbsolutePositioning | (key ? eng::AM_SEEKING_SeekToKeyFrame : 0), 0,
                                eng::AM_SEEKING_NoPositioning);
      PumpUntil([&] { return w.frames > before; });
      total += static_cast<double>(t.nsecsElapsed()) / 1e6;
    }
    std::printf("%.2f\n", total / 10);
  }
  dsh.SetOwner(nullptr);
  dsh.FreeGraph();
  return 0;
}
