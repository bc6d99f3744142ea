#pragma once

#include "ui/play_grid_logic.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <functional>
#include <vector>

namespace zv {

class IPrefs;
class TBaseSkin;
class TBitmap32;
class TModelManager;
class TPlayList;

// The playlist in the main window's playlist panel: one owner-drawn row per entry and, with
// bookmarks shown, one per bookmark under it. Every row is read from the playlist as it is
// painted; the rules live in TPlayGridLogic, the widget paints and forwards its input.
class TPlayGrid : public QAbstractScrollArea {
public:
  // Follows the model "PlayList" of the registry (when given) until it is destroyed.
  TPlayGrid(QWidget* parent, TPlayList& list, TModelManager* models);
  ~TPlayGrid() override;

  TPlayGridLogic& Logic() { return logic_; }
  // Recounts the rows, publishes the current entry's bookmarks and repaints; nothing while the
  // playlist is inside an update. The grid is shown only while it has rows.
  void Refresh();
  void SetShowBookmarks(bool on);
  // PlayList.Font, PlayList.ShowNumbers and PlayList.ShowDuration.
  void ApplyFontAndOptions(IPrefs& prefs);
  // The skin's colours with PlayList.UseSkinColor, else the stored ones. `panelBg`: the package
  // skin's "CP.bg" bitmap when one is shown.
  void ApplyColours(IPrefs& prefs, const TBaseSkin& base, const TBitmap32* panelBg);
  // Brings the current entry into sight.
  void ScrollToCurrent();
  void PlayFocused();
  void RemoveSelected();
  void MoveFocusedUp();
  void MoveFocusedDown();
  void SelectPrevious();
  void SelectNext();

  int RowHeight() const { return rowHeight_; }
  int TopRow() const;
  void SetTopRow(int row);
  int FullyVisibleRows() const;
  QColor Background() const { return background_; }
  QColor TextColour() const { return text_; }
  QColor SelectionColour() const { return selection_; }

  // The seek bar's marks for the current entry (100 positions, 0 for none).
  std::function<void(const std::vector<int64_t>&)> onMarks;
  // Whether the player has a file open (the current entry is drawn in the playing colour).
  std::function<bool()> fileOpen;
  // Whether the opened media has a picture or sound (scrolling to the current entry needs one).
  std::function<bool()> mediaHasStreams;
  // Whether the main window is the active window (the pointer entering takes the focus).
  std::function<bool()> windowActive;
  // A wheel turn outside the grid's rows goes to the main window.
  std::function<void(QWheelEvent*)> passWheel;

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

private:
  int RowAt(int y) const;
  void UpdateScrollRange();
  void PaintRow(QPainter& p, int row, const QRect& r);

  TPlayList& list_;
  TModelManager* models_;
  TPlayGridLogic logic_;
  QFont font_;
  int rowHeight_ = 26;
  QColor text_{0, 255, 255}, playing_{255, 255, 255}, selection_{192, 192, 192}, background_{255, 0, 0};
  QImage bookmarkGlyph_;
};

} // namespace zv
