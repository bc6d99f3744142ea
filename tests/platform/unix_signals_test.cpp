#include "platform/unix_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>

using namespace zv;

TEST(UnixSignals, TerminationSignalsArriveOnTheEventLoop) {
  std::vector<int> seen;
  TUnixSignalWatcher watcher([&seen](int sig) { seen.push_back(sig); });
  ::raise(SIGTERM);
  ::raise(SIGHUP);
  EXPECT_TRUE(seen.empty()) << "nothing runs inside the signal handler";
  QElapsedTimer t;
  t.start();
  while (seen.size() < 2 && t.elapsed() < 3000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP}));
}
