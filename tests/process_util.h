#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zvtest {

struct RunResult {
  int exitCode = -1; // -1 when killed by the time limit or a signal
  std::string out;
  std::string err;
};

// Runs a program with extra environment entries ("NAME=value"), captures its output, and kills it
// when it runs longer than the limit.
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                            std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  RunResult r;
  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
    return r;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    // "NAME=value" sets a variable, "-NAME" removes it.
    for (const std::string& e : env) {
      if (e.starts_with("-"))
        ::unsetenv(e.c_str() + 1);
      else
        ::putenv(const_cast<char*>(e.c_str()));
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  auto deadline = std::chrono::steady_clock::now() + limit;
  int fds[2] = {outPipe[0], errPipe[0]};
  std::string* sinks[2] = {&r.out, &r.err};
  bool open[2] = {true, true};
  while (open[0] || open[1]) {
    fd_set set;
    FD_ZERO(&set);
    int maxfd = -1;
    for (int i = 0; i < 2; ++i)
      if (open[i]) {
        FD_SET(fds[i], &set);
        maxfd = std::max(maxfd, fds[i]);
      }
    timeval tv{0, 100000};
    ::select(maxfd + 1, &set, nullptr, nullptr, &tv);
    for (int i = 0; i < 2; ++i)
      if (open[i] && FD_ISSET(fds[i], &set)) {
        char buf[4096];
        ssize_t n = ::read(fds[i], buf, sizeof buf);
        if (n <= 0)
          open[i] = false;
        else
          sinks[i]->append(buf, static_cast<size_t>(n));
      }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status))
    r.exitCode = WEXITSTATUS(status);
  return r;
}

} // namespace zvtest

#include "test_util.h"

#include <fcntl.h>
#include <thread>

namespace zvtest {

// A program running in the background, its output going to files; killed if still running when
// the object goes.
class Process {
public:
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& outFile,
          const std::string& errFile) {
    pid_ = ::fork();
    if (pid_ == 0) {
      int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(err, 2);
      for (const std::string& e : env)
        ::putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> args;
      for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }
  ~Process() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      int status;
      ::waitpid(pid_, &status, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  void Signal(int sig) { ::kill(pid_, sig); }
  // True when the program ended within the limit; its exit code (or -1 for a signal) in `code`.
  bool WaitExit(std::chrono::milliseconds limit, int& code) {
    return WaitUntil(
        [&] {
          int status = 0;
          if (::waitpid(pid_, &status, WNOHANG) != pid_)
            return false;
          exited_ = true;
          code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
          return true;
        },
        limit);
  }
  bool Running() {
    int status = 0;
    return !exited_ && ::waitpid(pid_, &status, WNOHANG) == 0;
  }

private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

// Waits until the file holds the text.
inline bool WaitForText(const std::string& file, const std::string& text,
                        std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  return WaitUntil([&] { return ReadFile(file).find(text) != std::string::npos; }, limit);
}

} // namespace zvtest
