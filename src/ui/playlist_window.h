#pragma once

#include "commands/blind_notifier.h"
#include "playlist/duration_sniffer.h"

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QTableView>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QSlider;
class QTimer;
class QToolButton;

namespace zv {

class IPrefs;
class TModelManager;
class TPlayList;
class TfrMain;

// The texts of one row of the list: number ("007." and "007.>" for the current entry), title and
// time (" --:--" while unknown).
std::array<std::string, 3> PlayListRowTexts(const TPlayList& list, int row);
// The total duration of the list, "+" when some durations are unknown; "00:00:00+" when empty.
std::string TotalDurationText(const TPlayList& list);

// The rows of the playlist for the list view; it holds nothing but the row count and reads each
// row's texts when they are shown.
class TPlayListModel : public QAbstractTableModel {
public:
  explicit TPlayListModel(TPlayList& list, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Follows the playlist: rows added or removed at the end (the selection of the others stays),
  // every row repainted.
  void Refresh();

private:
  TPlayList& list_;
  int rows_ = 0;
};

// The playlist in three columns with a selection of its own (the entries' Selected flags belong
// to the main window's grid).
class TPlayListView : public QTableView {
public:
  TPlayListView(TPlayList& list, QWidget* parent = nullptr);

  void Refresh() { model_->Refresh(); }
  // Selects every row whose title contains the text, ignoring case; empty text selects none.
  void Search(const QString& text);
  // Unselects and returns the lowest selected row; -1 when none is selected.
  int TakeNextSelected();
  void InvertSelection();
  void RemoveSelected();
  void MoveSelectedDown();
  void MoveSelectedUp();
  std::vector<int> SelectedRows() const;
  bool RowSelected(int row) const;
  void SetRowSelected(int row, bool selected);
  void SetSelectedRows(const std::vector<int>& rows);
  // The rows in sight: the first and how many fit in the height.
  int TopRow() const;
  int VisibleRows() const;

protected:
  void resizeEvent(QResizeEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  // Enter plays the first selected entry, as a double click does.
  void keyPressEvent(QKeyEvent* e) override;

private:
  void ApplyColumnWidths();

  TPlayList& list_;
  TPlayListModel* model_;
};

// What the playlist window works with.
struct TAdvPListContext {
  TPlayList* playlist = nullptr;
  IPrefs* prefs = nullptr;
  TModelManager* models = nullptr;
  TBlindNotifier* tick = nullptr; // the core's heartbeat, which drives the duration sniffer
  TfrMain* main = nullptr;
  std::function<void()> addFiles, addFolder, openFiles, savePlaylist;
  TDurationSniffer::TMeasure measure = TDurationSniffer::DefaultMeasure;
};

// The separate playlist window: the list with its editing, sorting and selection actions, a
// title search, the total duration, small transport and volume controls, and the duration
// sniffer for the rows in sight.
class TfrAdvPList : public QMainWindow {
public:
  explicit TfrAdvPList(TAdvPListContext context, QWidget* parent = nullptr);
  ~TfrAdvPList() override;

  TPlayListView* View() const { return view_; }
  QLineEdit* SearchBox() const { return search_; }
  QLabel* TotalLabel() const { return total_; }
  QSlider* VolumeBar() const { return volume_; }
  // The action by its name ("aPlay", "aCrop" ...); none for an unknown name.
  QAction* Action(const std::string& name) const;

  void UpdateTotalDuration();
  // Brings the rows and the total up to date with the playlist now (changes are otherwise
  // followed at most every 100 ms).
  void FollowList();
  // Plays the next entry the search selected, top to bottom.
  void PlayNextSelected();
  // Shuffle, mute and volume as the main window has them.
  void CopyMainState();
  // One step of the duration sniffer for the rows in sight.
  void SniffTick();
  const TSnifferDriver& Sniffer() const { return sniffer_; }
  // Runs when the user closes the window, which only hides it.
  std::function<void()> onClosed;

protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

private:
  QAction* AddAction(const std::string& name, const QString& caption, std::function<void()> run, QKeySequence key = {});

  TAdvPListContext ctx_;
  TPlayListView* view_ = nullptr;
  QLineEdit* search_ = nullptr;
  QToolButton* find_ = nullptr;
  QLabel* total_ = nullptr;
  QSlider* volume_ = nullptr;
  QTimer* refresh_ = nullptr;
  std::map<std::string, QAction*> actions_;
  TSnifferDriver sniffer_;
};

} // namespace zv
