#include "app/application.h"
#include "core/session_log.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <stdexcept>

using namespace zv;

TEST(Application, AnExceptionReachingTheLoopIsLoggedAndTheLoopGoesOn) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("ZV.log"), "");
  TSessionLog::Options o;
  o.path = dir.file("ZV.log");
  SessionLog().Start(std::move(o));
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  TApplication app(argc, argv);
  bool after = false;
  QTimer::singleShot(0, [] { throw std::runtime_error("broken handler"); });
  QTimer::singleShot(10, [&after] {
    after = true;
    QCoreApplication::exit(7);
  });
  EXPECT_EQ(app.exec(), 7);
  EXPECT_TRUE(after);
  SessionLog().End();
  EXPECT_NE(zvtest::ReadFile(dir.file("ZV.log")).find("!Exception: broken handler"), std::string::npos);
}
