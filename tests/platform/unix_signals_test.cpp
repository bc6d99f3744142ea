#include "platform/unix_signals.h"

#include "qt_test_util.h"

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
  zvtest::PumpUntil([&] { return seen.size() >= 2; });
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP}));
}
