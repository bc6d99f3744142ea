// Memory of network streams over time, the engine control against a plain GStreamer pipeline on the
// same loopback station (an endless MP3 stream at 128 kbit/s with a metadata block every 16 bytes):
//   play <seconds> [peer]      one stream for that long; resident memory at 10 s and at the end
//   switch <count> [peer]      that many streams opened, played for a moment and closed, one after
//                              the other; resident memory after 10 s and at the end
//   serve <seconds>            only the station, for a whole program to play: prints its address
// Prints the resident memory in KiB at 10 s, at 60 s (-1 when the run is shorter) and at the end.
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "playback/icy_server.h"
#include "playback/playback_helpers.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gst/gst.h>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono;

namespace {
long RssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stol(line.substr(6));
  return -1;
}

// A second of MPEG audio frames (128 kbit/s, 44.1 kHz), silent, made once.
std::string Audio() {
  std::string frame(417, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  frame[3] = '\x64';
  std::string audio;
  for (int i = 0; i < 39; ++i)
    audio += frame;
  return audio;
}

zvtest::StreamScript Script() {
  zvtest::StreamScript s;
  s.audio = Audio();
  s.loop = true;
  s.metaint = 16;
  s.bytesPerSecond = 16000;
  // A title in every block, as stations send it, changing every few seconds.
  for (int i = 0; i < 4000; ++i)
    s.titles.push_back("Band - Song " + std::to_string(i / 2000));
  s.cycleTitles = true;
  return s;
}

// The engine control as the player drives it.
struct Ours {
  eng::TGstEngine engine;
  zvtest::QueueDispatcher dispatcher;
  zv::TDirectShowHelper dsh{engine, [this] {
                              zv::TEngineHost h;
                              h.dispatcher = &dispatcher;
                              return h;
                            }()};
  steady_clock::time_point nextTick = steady_clock::now();
  void Pump(milliseconds d) {
    auto end = steady_clock::now() + d;
    while (steady_clock::now() < end) {
      dispatcher.RunAll();
      // The main window asks for both on its 200 ms timer.
      if (steady_clock::now() >= nextTick) {
        dsh.GetPosition();
        dsh.GetDuration();
        nextTick = steady_clock::now() + 200ms;
      }
      std::this_thread::sleep_for(5ms);
    }
  }
  bool Open(const std::string& url) {
    dsh.CreateBuilder();
    std::optional<eng::HRESULT> done;
    dsh.SetRenderDoneCallback([&](eng::HRESULT hr) { done = hr; });
    if (dsh.RenderFile(url) != eng::E_PENDING)
      return false;
    auto limit = steady_clock::now() + 20s;
    while (!done && steady_clock::now() < limit)
      Pump(10ms);
    if (!done || eng::Failed(*done))
      return false;
    dsh.Run();
    return true;
  }
  void Close() { dsh.FreeGraph(); }
};

// The same station through a pipeline of GStreamer's own, its bus drained as an application would.
struct Peer {
  GstElement* pipeline = nullptr;
  void Pump(milliseconds d) {
    auto end = steady_clock::now() + d;
    while (steady_clock::now() < end) {
      GstBus* bus = pipeline ? gst_element_get_bus(pipeline) : nullptr;
      while (GstMessage* m = bus ? gst_bus_pop(bus) : nullptr)
        gst_message_unref(m);
      if (bus)
        gst_object_unref(bus);
      std::this_thread::sleep_for(5ms);
    }
  }
  bool Open(const std::string& url) {
    std::string desc = "souphttpsrc location=" + url + " ! queue2 ! decodebin ! audioconvert ! fakeaudiosink";
    pipeline = gst_parse_launch(desc.c_str(), nullptr);
    return pipeline && gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
  }
  void Close() {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    pipeline = nullptr;
  }
};

template <class P>
int Run(P& p, const std::string& mode, long amount, const std::string& url) {
  long first = -1, minute = -1;
  auto start = steady_clock::now();
  auto mark = [&] {
    if (first < 0 && steady_clock::now() - start >= 10s)
      first = RssKb();
    if (minute < 0 && steady_clock::now() - start >= 60s)
      minute = RssKb();
  };
  if (mode == "play") {
    if (!p.Open(url))
      return 1;
    while (steady_clock::now() - start < seconds(amount)) {
      p.Pump(100ms);
      mark();
    }
    std::printf("%ld %ld %ld\n", first, minute, RssKb());
    p.Close();
    return 0;
  }
  for (long i = 0; i < amount; ++i) {
    if (!p.Open(url))
      return 1;
    p.Pump(50ms);
    p.Close();
    mark();
  }
  std::printf("%ld %ld %ld\n", first, minute, RssKb());
  return 0;
}
} // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  gst_init(nullptr, nullptr);
  zvtest::StreamServer server(Script());
  std::string mode = argv[1];
  long amount = std::atol(argv[2]);
  if (mode == "serve") {
    std::printf("%s\n", server.Url().c_str());
    std::fflush(stdout);
    std::this_thread::sleep_for(seconds(amount));
    return 0;
  }
  if (argc > 3 && std::strcmp(argv[3], "peer") == 0) {
    Peer peer;
    return Run(peer, mode, amount, server.Url());
  }
  Ours ours;
  return Run(ours, mode, amount, server.Url());
}
