// The dialogs that look at and change the playing file's graph from the window: the graph's
// picture (command 104) and the preferences' reopen and restart (command 450).
#include "commands/command_codes.h"
#include "ui/filter_graph_dialog.h"
#include "ui/filter_picker.h"
#include "window_rig.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <map>

using namespace zv;
using zvtest::MainWindow;
using zvtest::PumpUntil;

namespace {
// The box's colour at its centre-left, clear of the name.
QColor BoxFill(TFilterControl* box) { return box->grab().toImage().pixelColor(8, box->height() / 2); }
} // namespace

TEST_F(MainWindow, TheGraphsPictureShowsThePlayingFileInRowsFromTheSource) {
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 1'000'000; }));
  TfrFilters dialog(dsh.get());
  dialog.show();
  const std::vector<TFilterControl*>& boxes = dialog.View()->Boxes();
  ASSERT_GE(boxes.size(), 6u);
  for (TFilterControl* b : boxes)
    EXPECT_TRUE(b->FilterName() != "TypeFind" && b->FilterName() != "MultiQueue") << "plumbing is left out";
  // Rows by kind: the source, the demuxer, the decoders, then what they feed, ending in renderers.
  std::map<int, std::vector<TFilterControl*>> rows;
  for (TFilterControl* b : boxes)
    rows[b->y()].push_back(b);
  ASSERT_GE(rows.size(), 4u);
  auto row = [&](size_t n) { return std::next(rows.begin(), static_cast<long>(n))->second; };
  ASSERT_EQ(row(0).size(), 1u);
  EXPECT_EQ(BoxFill(row(0)[0]), QColor(0, 128, 0)) << row(0)[0]->FilterName() << ": the source, green";
  ASSERT_EQ(row(1).size(), 1u);
  EXPECT_EQ(BoxFill(row(1)[0]), QColor(128, 128, 0)) << row(1)[0]->FilterName() << ": the demuxer, olive";
  ASSERT_EQ(row(2).size(), 2u) << "a decoder each for picture and sound";
  for (TFilterControl* b : row(2))
    EXPECT_EQ(BoxFill(b), QColor(0, 128, 128)) << b->FilterName() << ": a decoder, teal";
  int renderers = 0;
  for (TFilterControl* b : boxes)
    if (b->OutputCount() == 0) {
      ++renderers;
      EXPECT_EQ(BoxFill(b), QColor(128, 0, 0)) << b->FilterName() << ": a renderer, maroon";
      EXPECT_GT(b->y(), row(2)[0]->y());
    }
  EXPECT_EQ(renderers, 2);
  // A line runs from the source's bottom to the demuxer's top.
  const QImage picture = dialog.View()->grab().toImage();
  EXPECT_EQ(picture.pixelColor(row(1)[0]->x() + 90, row(1)[0]->y() - 6), QColor(0, 0, 0))
      << "the line into the demuxer";

  // Clicking a box tells what it is, with its merit.
  QTest::mouseClick(row(1)[0], Qt::LeftButton);
  const std::string details = dialog.Details()->toPlainText().toStdString();
  EXPECT_NE(details.find("Name: " + row(1)[0]->FilterName()), std::string::npos) << details;
  EXPECT_NE(details.find("Merit: 0x"), std::string::npos) << details;
  EXPECT_EQ(dialog.View()->SelectedFilter(), row(1)[0]->Filter());
}

// The picker offers the installed decoders and leaves out plumbing, sources and sinks.
TEST_F(MainWindow, TheFilterPickerListsTheInstalledDecoders) {
  TfrFilter picker(engine.Factories());
  QListWidgetItem* theora = nullptr;
  for (int i = 0; i < picker.List()->count(); ++i) {
    const std::string text = picker.List()->item(i)->text().toStdString();
    if (text.ends_with("(theoradec)"))
      theora = picker.List()->item(i);
    EXPECT_FALSE(text.ends_with("(queue)") || text.ends_with("(filesrc)") || text.ends_with("(fakesink)")) << text;
  }
  ASSERT_TRUE(theora);
  EXPECT_GT(picker.List()->count(), 50);
  picker.List()->setCurrentItem(theora);
  picker.accept();
  EXPECT_EQ(picker.Chosen(), eng::ClassOfFactory("theoradec"));
  EXPECT_EQ(dsh->Engine().FilterFriendlyName(picker.Chosen()), "Theora video decoder");
}

TEST_F(MainWindow, PreferencesReopenThePlayingFileOrEndTheProgramAsTheyAsk) {
  TCommandExecutor::TTargets t;
  t.window = window.get();
  t.playlist = list.get();
  t.dsh = dsh.get();
  TCommandExecutor::TTargets::TPrefsOutcome outcome;
  bool confirm = false;
  int asked = 0;
  t.showPreferences = [&] { return outcome; };
  t.confirmRestart = [&] {
    ++asked;
    return confirm;
  };
  t.exit = [this] { exited = true; };
  TCommandExecutor prefsExecutor(t);

  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 3'000'000; }));
  executor->ExecCommand(cmdPause);
  ASSERT_EQ(window->PlayState(), TfrMain::TPlayState::Paused);
  const uint64_t graphs = dsh->GraphSerial();
  const int64_t at = Position();
  outcome.reopen = true;
  prefsExecutor.ExecCommand(cmdPreferences);
  EXPECT_GT(dsh->GraphSerial(), graphs) << "the file was opened anew";
  EXPECT_TRUE(window->FileOpen());
  EXPECT_TRUE(PumpUntil([&] { return std::abs(Position() - at) < 1'000'000; })) << Position() << " " << at;
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused) << "and stays paused";

  // A restart is asked for: Esc keeps the program, OK ends it.
  outcome = {false, true};
  prefsExecutor.ExecCommand(cmdPreferences);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(exited);
  confirm = true;
  prefsExecutor.ExecCommand(cmdPreferences);
  EXPECT_TRUE(exited);
}
