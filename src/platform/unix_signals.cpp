#include "platform/unix_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zv {
namespace {
int g_fds[2] = {-1, -1};

extern "C" void OnSignal(int sig) {
  // Only async-signal-safe work here: one byte into the pipe.
  unsigned char b = static_cast<unsigned char>(sig);
  ssize_t r = ::write(g_fds[0], &b, 1);
  (void)r;
}
} // namespace

TUnixSignalWatcher::TUnixSignalWatcher(std::function<void(int)> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  if (g_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
    return;
  ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char b = 0;
    while (::read(g_fds[1], &b, 1) == 1)
      if (handler_)
        handler_(b);
  });
  ::fcntl(g_fds[1], F_SETFL, O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &sa, nullptr);
}

TUnixSignalWatcher::~TUnixSignalWatcher() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &sa, nullptr);
}

} // namespace zv
