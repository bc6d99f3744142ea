#include "ui/command_event.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

using namespace zv;

TEST(CommandEvents, ArriveInOrderAfterTheCurrentHandler) {
  std::vector<int> executed;
  TCommandReceiver receiver([&](int code) { executed.push_back(code); });
  TQtCommandPoster poster(&receiver);
  poster.PostCommand(102);
  poster.PostCommand(1000); // reserved by the main window: never executed
  poster.PostCommand(250);
  poster.PostCommand(1001);
  poster.PostCommand(403);
  EXPECT_TRUE(executed.empty()) << "posting only queues";
  QCoreApplication::processEvents();
  EXPECT_EQ(executed, (std::vector<int>{102, 250, 403}));
}

TEST(CommandEvents, AreExecutedWhileAModalDialogRuns) {
  std::vector<int> executed;
  TCommandReceiver receiver([&](int code) { executed.push_back(code); });
  TQtCommandPoster poster(&receiver);
  QDialog dialog;
  std::vector<int> seenInsideDialog;
  QTimer::singleShot(0, &dialog, [&] {
    for (int code = 100; code < 110; ++code)
      poster.PostCommand(code);
    QTimer::singleShot(50, &dialog, [&] {
      seenInsideDialog = executed;
      dialog.reject();
    });
  });
  dialog.exec();
  std::vector<int> expected;
  for (int code = 100; code < 110; ++code)
    expected.push_back(code);
  EXPECT_EQ(seenInsideDialog, expected);
}

TEST(CommandEvents, AGoneReceiverDropsCommands) {
  TQtCommandPoster poster;
  poster.PostCommand(1); // no receiver yet: nothing happens
  auto* receiver = new TCommandReceiver([](int) { FAIL() << "must not run"; });
  poster.SetReceiver(receiver);
  delete receiver;
  poster.PostCommand(2);
  QCoreApplication::processEvents();
  EXPECT_EQ(poster.Receiver(), nullptr);
}

TEST(CommandEvents, ACommandPostedByACommandRunsAfterIt) {
  std::vector<int> executed;
  TQtCommandPoster poster;
  TCommandReceiver receiver([&](int code) {
    executed.push_back(code);
    if (code == 1)
      poster.PostCommand(3);
  });
  poster.SetReceiver(&receiver);
  poster.PostCommand(1);
  poster.PostCommand(2);
  QCoreApplication::processEvents(); // events posted while processing wait for the next round
  EXPECT_EQ(executed, (std::vector<int>{1, 2}));
  QCoreApplication::processEvents();
  EXPECT_EQ(executed, (std::vector<int>{1, 2, 3}));
}
