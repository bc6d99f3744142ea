#include "ui/info_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTableWidget>

using namespace zv;

TEST(InfoDialog, ShowsTheReportInTwoColumnsAndCopiesTheSelectedValues) {
  std::unique_ptr<QDialog> dialog =
      CreateInfoDialog(nullptr, "File format: FLAC\r\nTitle: A: B\r\n\r\nStream: Audio\r\nNo colon here\r\n");
  dialog->show();
  QApplication::processEvents();
  auto* grid = dialog->findChild<QTableWidget*>();
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->rowCount(), 5);
  EXPECT_EQ(grid->item(0, 0)->text(), "File format");
  EXPECT_EQ(grid->item(0, 1)->text(), "FLAC");
  EXPECT_EQ(grid->item(1, 1)->text(), "A: B") << "split at the first colon only";
  EXPECT_EQ(grid->item(2, 0)->text(), "");
  EXPECT_EQ(grid->item(4, 0)->text(), "No colon here");
  EXPECT_EQ(grid->item(4, 1), nullptr);
  // The name column is a third of the grid, also after the window changes size.
  EXPECT_NEAR(grid->columnWidth(0), grid->viewport()->width() / 3, 1);
  EXPECT_GT(grid->columnWidth(0), 100);
  dialog->resize(900, 500);
  QApplication::processEvents();
  EXPECT_NEAR(grid->columnWidth(0), grid->viewport()->width() / 3, 1);

  grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 3, 1), true);
  QList<QAction*> actions = grid->actions();
  ASSERT_EQ(actions.size(), 1);
  EXPECT_EQ(actions[0]->text(), QString::fromUtf8("Копировать"));
  actions[0]->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "FLAC\r\nA: B\r\n\r\nAudio\r\n");
}
