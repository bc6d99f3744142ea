#pragma once

#include "process_util.h"
#include "test_util.h"

#include <cstdlib>
#include <string>

namespace zvtest {

// A PulseAudio server of the test's own, with two null outputs "zv_a" (the default) and "zv_b",
// on a socket in a temporary folder; the process talks to it through PULSE_SERVER while it lives.
// Started on demand, bounded in time, stopped with the object.
class PulseServer {
public:
  PulseServer() {
    const std::string d = dir_.str();
    WriteFile(d + "/default.pa", "load-module module-native-protocol-unix auth-anonymous=1 socket=" + d +
                                     "/native\n"
                                     "load-module module-null-sink sink_name=zv_a "
                                     "sink_properties='device.description=\"Zelvar Test A\"'\n"
                                     "load-module module-null-sink sink_name=zv_b "
                                     "sink_properties='device.description=\"Zelvar Test B\"'\n"
                                     "set-default-sink zv_a\n");
    for (const char* sub : {"/rt", "/state", "/home"})
      std::filesystem::create_directories(d + sub);
    // As root the server wants a runtime folder of its own; "-n" leaves the system's configuration out.
    env_ = {"XDG_RUNTIME_DIR=" + d + "/rt", "PULSE_RUNTIME_PATH=" + d + "/rt", "PULSE_STATE_PATH=" + d + "/state",
            "HOME=" + d + "/home"};
    server_ = std::make_unique<Process>(std::vector<std::string>{"/usr/bin/pulseaudio", "-n", "-F", d + "/default.pa",
                                                                 "--daemonize=no", "--exit-idle-time=-1",
                                                                 "--disallow-exit=no", "--log-target=stderr"},
                                        env_, d + "/out.txt", d + "/err.txt");
    const char* old = std::getenv("PULSE_SERVER");
    oldServer_ = old ? old : "";
    ::setenv("PULSE_SERVER", ("unix:" + d + "/native").c_str(), 1);
    ready_ =
        WaitUntil([this] { return Pactl({"info"}).exitCode == 0; }, std::chrono::seconds(10)) && SinkIndex("zv_b") >= 0;
  }
  ~PulseServer() {
    server_.reset();
    if (oldServer_.empty())
      ::unsetenv("PULSE_SERVER");
    else
      ::setenv("PULSE_SERVER", oldServer_.c_str(), 1);
  }
  bool Ready() const { return ready_; }
  std::string Log() const { return ReadFile(dir_.str() + "/err.txt"); }
  RunResult Pactl(std::vector<std::string> args) const {
    args.insert(args.begin(), "/usr/bin/pactl");
    return RunProgram(args, {"PULSE_SERVER=unix:" + dir_.str() + "/native"}, std::chrono::seconds(5));
  }
  // The server's index of an output by name, -1 when it has none.
  int SinkIndex(const std::string& name) const {
    std::istringstream lines(Pactl({"list", "short", "sinks"}).out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      int index = -1;
      std::string sink;
      if (fields >> index >> sink && sink == name)
        return index;
    }
    return -1;
  }
  // The outputs the streams play on, by index.
  std::vector<int> StreamSinks() const {
    std::vector<int> sinks;
    std::istringstream lines(Pactl({"list", "short", "sink-inputs"}).out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      int index = -1, sink = -1;
      if (fields >> index >> sink)
        sinks.push_back(sink);
    }
    return sinks;
  }

private:
  TempDir dir_;
  std::vector<std::string> env_;
  std::unique_ptr<Process> server_;
  std::string oldServer_;
  bool ready_ = false;
};

} // namespace zvtest
