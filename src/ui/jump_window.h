#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace zv {

class TPlayList;

// The text a title search compares: letters in small case (Latin, Cyrillic and the rest).
QString FoldForSearch(const QString& text);
// What a key pressed in the jump list adds to the search text: digits, capital letters and a few
// signs; empty for every other key.
QString JumpKeyText(int key, Qt::KeyboardModifiers modifiers);

// The jump-to-file window: a search box over the playlist's titles as they were when it opened;
// choosing a title plays its entry and closes the window.
class TfrJumpToFile : public QDialog {
public:
  TfrJumpToFile(TPlayList& list, QWidget* parent = nullptr);

  QLineEdit* SearchBox() const { return search_; }
  QListWidget* Files() const { return files_; }
  // The entry indices of the titles shown, in order.
  const std::vector<int>& ShownIndices() const { return shown_; }
  // Plays the entry of the selected row and closes; nothing without a selected row.
  void Jump();

protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  void Filter(const QString& text);

  TPlayList& list_;
  QStringList titles_;
  std::vector<int> shown_;
  QLineEdit* search_;
  QListWidget* files_;
  QPushButton* jump_;
  QPushButton* close_;
};

} // namespace zv
