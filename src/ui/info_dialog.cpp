#include "ui/info_dialog.h"

#include "core/text_util.h"
#include "skin/language_manager.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

namespace zv {
namespace {

// One row per line: the name before the first ":" and the trimmed rest.
void FillGrid(QTableWidget* grid, const std::string& report) {
  QStringList lines = QString::fromStdString(report).split("\r\n");
  if (!lines.isEmpty() && lines.back().isEmpty())
    lines.removeLast();
  grid->setRowCount(static_cast<int>(lines.size()));
  for (int row = 0; row < lines.size(); ++row) {
    // Values from tags and streams, each kept to the limit for text from outside.
    const QString line = lines[row].left(static_cast<qsizetype>(kOutsideTextLimit));
    int colon = line.indexOf(':');
    auto* name = new QTableWidgetItem(colon < 0 ? line : line.left(colon));
    name->setFlags(Qt::ItemIsEnabled);
    grid->setItem(row, 0, name);
    if (colon >= 0)
      grid->setItem(row, 1, new QTableWidgetItem(line.mid(colon + 1).trimmed()));
  }
}

// Keeps the name column at a third of the grid's width whenever the grid changes size.
class TThirdColumn : public QObject {
public:
  explicit TThirdColumn(QTableWidget* grid) : QObject(grid), grid_(grid) { grid->viewport()->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Resize)
      grid_->setColumnWidth(0, grid_->viewport()->width() / 3);
    return false;
  }

private:
  QTableWidget* grid_;
};

} // namespace

void ShowInfoDialog(QWidget* parent, const std::string& report) {
  if (QGuiApplication::platformName() == "offscreen") {
    std::string text;
    text.reserve(report.size());
    for (char c : report)
      if (c != '\r')
        text += c;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return;
  }
  CreateInfoDialog(parent, report)->exec();
}

std::unique_ptr<QDialog> CreateInfoDialog(QWidget* parent, const std::string& report) {
  auto owned = std::make_unique<QDialog>(parent);
  QDialog& dialog = *owned;
  dialog.setWindowTitle(QString::fromStdString(Lang("Info.Caption")));
  auto* layout = new QVBoxLayout(&dialog);
  auto* grid = new QTableWidget(0, 2, &dialog);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 5);
  FillGrid(grid, report);
  layout->addWidget(grid);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  // Copies the value cells of the selected rows, top to bottom, each row ended by CR LF.
  auto* copy = new QAction(QString::fromUtf8("Копировать"), grid);
  copy->setShortcut(QKeySequence::Copy);
  grid->addAction(copy);
  grid->setContextMenuPolicy(Qt::ActionsContextMenu);
  QObject::connect(copy, &QAction::triggered, grid, [grid] {
    QList<QTableWidgetSelectionRange> ranges = grid->selectedRanges();
    if (ranges.isEmpty())
      return;
    int top = std::max(0, ranges.front().topRow());
    int bottom = std::min(grid->rowCount() - 1, ranges.front().bottomRow());
    QString text;
    for (int row = top; row <= bottom; ++row) {
      QTableWidgetItem* value = grid->item(row, 1);
      text += (value ? value->text() : QString()) + "\r\n";
    }
    QApplication::clipboard()->setText(text);
  });
  new TThirdColumn(grid);
  grid->horizontalHeader()->setStretchLastSection(true);
  dialog.resize(560, 420);
  return owned;
}

} // namespace zv
