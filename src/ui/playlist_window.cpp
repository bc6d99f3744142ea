#include "ui/playlist_window.h"

#include "ui/plain_text.h"
#include "ui/play_grid_logic.h"

#include "commands/model_manager.h"
#include "core/format.h"
#include "core/prefs_access.h"
#include "core/system_helper.h"
#include "playlist/playlist.h"
#include "ui/main_window.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zv {

std::array<std::string, 3> PlayListRowTexts(const TPlayList& list, int row) {
  if (row < 0 || row >= list.Count())
    return {};
  const TPlayEntry& e = list.Items(row);
  std::string number = Format("%.3d.", row + 1) + (e.Current ? ">" : "");
  return {number, e.Title, EntryDurationText(e.Duration)};
}

std::string TotalDurationText(const TPlayList& list) {
  if (list.Count() == 0)
    return "00:00:00+";
  int64_t t = list.TotalDuration();
  std::string suffix;
  if (t < 0) {
    t = -t;
    suffix = "+";
  }
  return FormatTime("{H}:{M}:{S}", t) + suffix;
}

// ---------------------------------------------------------------------------------------------
// The rows

TPlayListModel::TPlayListModel(TPlayList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
  rows_ = list_.Count();
}

int TPlayListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TPlayListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid())
    return {};
  std::array<std::string, 3> texts = PlayListRowTexts(list_, index.row());
  return OutsideText(texts[static_cast<size_t>(index.column())]);
}

QVariant TPlayListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kCaptions[3] = {"No", "Title", "Time"};
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 2)
    return {};
  return QString(kCaptions[section]);
}

void TPlayListModel::Refresh() {
  int count = list_.Count();
  if (count > rows_) {
    beginInsertRows({}, rows_, count - 1);
    rows_ = count;
    endInsertRows();
  } else if (count < rows_) {
    beginRemoveRows({}, count, rows_ - 1);
    rows_ = count;
    endRemoveRows();
  }
  if (rows_ > 0)
    emit dataChanged(index(0, 0), index(rows_ - 1, 2), {Qt::DisplayRole});
}

// ---------------------------------------------------------------------------------------------
// The list view

TPlayListView::TPlayListView(TPlayList& list, QWidget* parent)
    : QTableView(parent), list_(list), model_(new TPlayListModel(list, this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setFrameShape(QFrame::NoFrame);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ApplyColumnWidths();
}

void TPlayListView::ApplyColumnWidths() {
  // 40 and 50 pixels, or what the widest number and time need in this font.
  int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
  int number = std::max(40, fontMetrics().horizontalAdvance("0000.>") + padding);
  int time = std::max(50, fontMetrics().horizontalAdvance(" 00:00:00") + padding);
  setColumnWidth(0, number);
  setColumnWidth(2, time);
  setColumnWidth(1, std::max(0, width() - number - time - 18));
}

void TPlayListView::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  ApplyColumnWidths();
}

void TPlayListView::mouseDoubleClickEvent(QMouseEvent* e) {
  QTableView::mouseDoubleClickEvent(e);
  std::vector<int> rows = SelectedRows();
  if (!rows.empty())
    list_.PlayIndex(rows.front(), -1);
}

void TPlayListView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    std::vector<int> rows = SelectedRows();
    if (!rows.empty())
      list_.PlayIndex(rows.front(), -1);
    return;
  }
  QTableView::keyPressEvent(e);
}

bool TPlayListView::RowSelected(int row) const { return selectionModel()->isRowSelected(row, {}); }

std::vector<int> TPlayListView::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& r : selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row)
      rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void TPlayListView::SetRowSelected(int row, bool selected) {
  if (row < 0 || row >= model_->rowCount())
    return;
  selectionModel()->select(model_->index(row, 0),
                           (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                               QItemSelectionModel::Rows);
}

void TPlayListView::SetSelectedRows(const std::vector<int>& rows) {
  // One selection of contiguous ranges: a search over a long list selects in one step.
  QItemSelection selection;
  int last = model_->columnCount() - 1;
  for (size_t i = 0; i < rows.size();) {
    size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
      ++j;
    if (rows[i] >= 0 && rows[j] < model_->rowCount())
      selection.select(model_->index(rows[i], 0), model_->index(rows[j], last));
    i = j + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TPlayListView::Search(const QString& text) {
  QString wanted = text.toUpper();
  std::vector<int> rows;
  if (!wanted.isEmpty())
    for (int i = 0; i < list_.Count() && i < model_->rowCount(); ++i)
      if (OutsideText(list_.Items(i).Title).toUpper().contains(wanted)) // what the row shows
        rows.push_back(i);
  SetSelectedRows(rows);
  viewport()->update();
}

int TPlayListView::TakeNextSelected() {
  std::vector<int> rows = SelectedRows();
  if (rows.empty())
    return -1;
  SetRowSelected(rows.front(), false);
  return rows.front();
}

void TPlayListView::InvertSelection() {
  std::vector<int> rows;
  for (int i = 0; i < model_->rowCount(); ++i)
    if (!RowSelected(i))
      rows.push_back(i);
  SetSelectedRows(rows);
}

void TPlayListView::RemoveSelected() {
  std::vector<int> rows = SelectedRows();
  selectionModel()->clearSelection();
  list_.DeleteMany(rows);
  Refresh();
}

void TPlayListView::MoveSelectedDown() {
  int count = model_->rowCount();
  if (count == 0 || RowSelected(count - 1))
    return;
  std::vector<int> rows = SelectedRows();
  list_.BeginUpdate();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    list_.Move(*it + 1, *it);
  list_.EndUpdate();
  for (int& r : rows)
    ++r;
  SetSelectedRows(rows);
  Refresh();
}

void TPlayListView::MoveSelectedUp() {
  if (model_->rowCount() == 0 || RowSelected(0))
    return;
  std::vector<int> rows = SelectedRows();
  list_.BeginUpdate();
  for (int r : rows)
    list_.Move(r - 1, r);
  list_.EndUpdate();
  for (int& r : rows)
    --r;
  SetSelectedRows(rows);
  Refresh();
}

int TPlayListView::TopRow() const {
  int top = rowAt(0);
  return top < 0 ? 0 : top;
}

int TPlayListView::VisibleRows() const {
  int height = verticalHeader()->defaultSectionSize();
  return height > 0 ? viewport()->height() / height + 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// The window

TfrAdvPList::TfrAdvPList(TAdvPListContext context, QWidget* parent)
    : QMainWindow(parent), ctx_(std::move(context)), sniffer_(*ctx_.playlist, ctx_.measure) {
  TPlayList& list = *ctx_.playlist;
  setWindowTitle("Advanced Playlist");
  setMinimumWidth(240);
  std::string pos = ctx_.prefs ? ctx_.prefs->GetString("PlayList.Pos") : std::string();
  if (!pos.empty()) {
    TPoint at = StrToPoint(pos);
    TPoint size = StrToPoint(ctx_.prefs->GetString("PlayList.Size"));
    resize(size.x > 0 ? size.x : 407, size.y > 0 ? size.y : 490);
    move(at.x, at.y); // the frame's place, as stored
  } else {
    resize(357, 490);
    if (QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
  }

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto* pnList = new QWidget(central);
  pnList->setObjectName("pnList");
  auto* listLayout = new QVBoxLayout(pnList);
  listLayout->setContentsMargins(0, 0, 0, 0);
  view_ = new TPlayListView(list, pnList);
  listLayout->addWidget(view_);
  layout->addWidget(pnList, 1);
  auto* foot = new QHBoxLayout();
  search_ = new QLineEdit(central);
  search_->setObjectName("edSearch");
  search_->installEventFilter(this);
  find_ = new QToolButton(central);
  find_->setObjectName("sbFind");
  find_->setToolTip("Play next selected");
  find_->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  total_ = new QLabel(central);
  total_->setObjectName("lbTotalDur");
  foot->addWidget(search_, 1);
  foot->addWidget(find_);
  foot->addWidget(total_);
  layout->addLayout(foot);
  setCentralWidget(central);
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { view_->Search(text); });
  connect(find_, &QToolButton::clicked, this, [this] { PlayNextSelected(); });

  TfrMain* main = ctx_.main;
  auto call = [](const std::function<void()>& f) {
    if (f)
      f();
  };
  AddAction("aAddFiles", "Add Files...", [this, call] { call(ctx_.addFiles); });
  AddAction("aAddFolder", "Add Folder...", [this, call] { call(ctx_.addFolder); });
  AddAction("aImport", "Load from file...", [this, call] { call(ctx_.openFiles); });
  AddAction("aExport", "Save to file...", [this, call] { call(ctx_.savePlaylist); });
  AddAction("aSortByTitle", "Sort by title", [&list] { list.SortByTitle(); });
  AddAction("aSortByFileName", "Sort by filename", [&list] { list.SortByFileName(); });
  AddAction("aSortByFullPath", "Sort by full path", [&list] { list.SortByFullPath(); });
  QAction* shuffle = AddAction("aShuffle", "Shuffle", [&list] { list.ToggleShuffle(); });
  shuffle->setCheckable(true);
  shuffle->setChecked(list.ShuffleOn());
  AddAction("aReverse", "Reverse", [&list] { list.Reverse(); });
  AddAction("aClear", "Clear playlist", [&list] { list.Clear(); });
  AddAction(
      "aSelectAll", "Select All", [this] { view_->selectAll(); }, QKeySequence("Ctrl+A"));
  AddAction("aSelectNone", "Select None", [this] { view_->clearSelection(); });
  AddAction("aSelectInvert", "Invert Selection", [this] { view_->InvertSelection(); });
  AddAction("aMoveUp", "Move Up", [this] { view_->MoveSelectedUp(); });
  AddAction("aMoveDown", "Move Down", [this] { view_->MoveSelectedDown(); });
  AddAction(
      "aRemove", "Remove selected", [this] { view_->RemoveSelected(); }, QKeySequence(Qt::Key_Delete));
  AddAction("aCrop", "Crop selected", [this] {
    view_->InvertSelection();
    view_->RemoveSelected();
  });
  AddAction("aPlay", "Play", [&list] { list.Play(); });
  AddAction("aStop", "Stop", [&list] { list.Stop(); });
  AddAction("aPause", "Pause", [main] {
    if (!main)
      return;
    auto s = main->PlayState();
    if (s == TfrMain::TPlayState::Playing || s == TfrMain::TPlayState::SpeedPlay)
      main->ShowPaused();
    else
      main->ShowPlaying();
  });
  AddAction("aNext", "Next", [&list] { list.Next(); });
  AddAction("aPrevious", "Previous", [&list] { list.Previous(); });
  QAction* mute = AddAction("aMute", "", [main] {
    if (main)
      main->ToggleMute();
  });
  mute->setToolTip("Mute");
  mute->setCheckable(true);
  connect(mute, &QAction::toggled, this, [this, mute](bool on) {
    mute->setIcon(style()->standardIcon(on ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  });
  mute->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
  Action("aPlay")->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  Action("aStop")->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  Action("aPause")->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
  Action("aNext")->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  Action("aPrevious")->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  Action("aClear")->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  Action("aAddFiles")->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  Action("aAddFolder")->setIcon(style()->standardIcon(QStyle::SP_DirIcon));
  Action("aMoveUp")->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  Action("aMoveDown")->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));

  auto menu = [this](const char* title, std::initializer_list<const char*> names) {
    QMenu* m = menuBar()->addMenu(title);
    for (const char* n : names)
      m->addAction(Action(n));
    return m;
  };
  menu("Playback", {"aPlay", "aStop", "aPause", "aNext", "aPrevious"});
  menu("Playlist", {"aClear", "aImport", "aExport"});
  menu("Select", {"aSelectAll", "aSelectNone", "aSelectInvert"});
  QMenu* edit = menu("Edit", {"aAddFiles", "aAddFolder", "aMoveUp", "aMoveDown", "aRemove"});
  QAction* removeAll = edit->addAction("Remove All");
  connect(removeAll, &QAction::triggered, Action("aClear"), &QAction::trigger);
  edit->addAction(Action("aCrop"));
  menu("Sort", {"aSortByFileName", "aSortByFullPath", "aSortByTitle", "aShuffle", "aReverse"});

  QToolBar* edits = addToolBar("Edit");
  edits->setMovable(false);
  edits->addAction(Action("aClear"));
  edits->addSeparator();
  edits->addAction(Action("aAddFiles"));
  edits->addAction(Action("aAddFolder"));
  edits->addSeparator();
  edits->addAction(Action("aSortByTitle"));
  edits->addAction(Action("aShuffle"));
  edits->addSeparator();
  edits->addAction(Action("aSelectAll"));
  edits->addAction(Action("aMoveUp"));
  edits->addAction(Action("aMoveDown"));
  addToolBarBreak();
  QToolBar* transport = addToolBar("Playback");
  transport->setMovable(false);
  for (const char* n : {"aPrevious", "aStop", "aPlay", "aPause", "aNext"})
    transport->addAction(Action(n));
  transport->addSeparator();
  transport->addAction(mute);
  volume_ = new QSlider(Qt::Horizontal, transport);
  volume_->setObjectName("tbVol");
  volume_->setRange(0, 100);
  volume_->setToolTip("Volume");
  volume_->setFocusPolicy(Qt::NoFocus);
  transport->addWidget(volume_);
  connect(volume_, &QSlider::valueChanged, this, [this](int v) {
    if (ctx_.main && ctx_.main->VolumePosition() != v)
      ctx_.main->SetVolumePosition(v);
  });

  view_->setFocus();
  // Changes come in bursts (a folder of thousands of files arrives one file at a time): the list
  // and the total follow them at most every 100 ms.
  refresh_ = new QTimer(this);
  refresh_->setSingleShot(true);
  refresh_->setInterval(100);
  connect(refresh_, &QTimer::timeout, this, [this] { FollowList(); });
  if (ctx_.models)
    ctx_.models->Subscribe("PlayList", THandlerKey::Tagged(this, 1), [this] {
      if (!refresh_->isActive())
        refresh_->start();
    });
  UpdateTotalDuration();
  if (ctx_.tick)
    ctx_.tick->Add(THandlerKey::Tagged(this, 2), [this] { SniffTick(); });
}

TfrAdvPList::~TfrAdvPList() {
  if (ctx_.tick)
    ctx_.tick->Remove(THandlerKey::Tagged(this, 2));
  if (ctx_.models)
    ctx_.models->Unsubscribe("PlayList", THandlerKey::Tagged(this, 1));
  if (ctx_.prefs) {
    ctx_.prefs->SetString("PlayList.Pos", PointToStr({x(), y()}));
    ctx_.prefs->SetString("PlayList.Size", PointToStr({width(), height()}));
  }
}

QAction* TfrAdvPList::AddAction(const std::string& name, const QString& caption, std::function<void()> run,
                                QKeySequence key) {
  auto* a = new QAction(caption, this);
  a->setObjectName(QString::fromStdString(name));
  if (!key.isEmpty()) {
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  // A user's step shows its result at once; only bursts of changes from elsewhere wait.
  connect(a, &QAction::triggered, this, [this, run = std::move(run)] {
    run();
    if (refresh_->isActive())
      FollowList();
  });
  addAction(a);
  actions_[name] = a;
  return a;
}

QAction* TfrAdvPList::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void TfrAdvPList::FollowList() {
  refresh_->stop();
  view_->Refresh();
  UpdateTotalDuration();
}

void TfrAdvPList::UpdateTotalDuration() { SetPlainText(total_, TotalDurationText(*ctx_.playlist)); }

void TfrAdvPList::PlayNextSelected() {
  int row = view_->TakeNextSelected();
  if (row == -1)
    return;
  ctx_.playlist->SetCurrent(row);
  ctx_.playlist->Play();
}

void TfrAdvPList::CopyMainState() {
  QAction* shuffle = Action("aShuffle");
  shuffle->setChecked(ctx_.playlist->ShuffleOn());
  if (!ctx_.main)
    return;
  QAction* mute = Action("aMute");
  QSignalBlocker quiet(mute);
  mute->setChecked(ctx_.main->Muted());
  mute->setIcon(style()->standardIcon(mute->isChecked() ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  volume_->setValue(ctx_.main->VolumePosition());
}

void TfrAdvPList::SniffTick() { sniffer_.Tick(isVisible(), view_->TopRow(), view_->VisibleRows()); }

void TfrAdvPList::closeEvent(QCloseEvent* e) {
  QMainWindow::closeEvent(e);
  if (onClosed)
    onClosed();
}

bool TfrAdvPList::eventFilter(QObject* watched, QEvent* e) {
  // Enter in the search box plays the next match; Enter and Esc type nothing there.
  if (watched == search_ && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      if (e->type() == QEvent::KeyRelease)
        PlayNextSelected();
      return true;
    }
    if (k->key() == Qt::Key_Escape)
      return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

} // namespace zv
