#include "ui/play_grid.h"

#include "commands/model_manager.h"
#include "core/colour.h"
#include "core/font_helper.h"
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "playlist/playlist.h"
#include "skin/opti_controls.h"
#include "ui/base_skin.h"
#include "ui/plain_text.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace zv {

namespace {
QColor FromColor(uint32_t c) { return QColor::fromRgb(ColorToArgb(c)); }

TGridButtons ButtonsOf(const QMouseEvent* e) {
  TGridButtons k;
  Qt::KeyboardModifiers m = e->modifiers();
  Qt::MouseButtons b = e->buttons() | e->button();
  k.shift = m & Qt::ShiftModifier;
  k.ctrl = m & Qt::ControlModifier;
  k.alt = m & Qt::AltModifier;
  k.left = b & Qt::LeftButton;
  k.right = b & Qt::RightButton;
  k.middle = b & Qt::MiddleButton;
  return k;
}

} // namespace

TPlayGrid::TPlayGrid(QWidget* parent, TPlayList& list, TModelManager* models)
    : QAbstractScrollArea(parent), list_(list), models_(models), logic_(list) {
  setObjectName("PlayGrid");
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(false);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setTracking(true); // dragging the thumb scrolls at once
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
  font_ = QFont("Arial");
  font_.setPointSize(16);
  if (models_)
    models_->Subscribe("PlayList", THandlerKey::Tagged(this, 0), [this] { Refresh(); });
  Refresh();
}

TPlayGrid::~TPlayGrid() {
  if (models_)
    models_->Unsubscribe("PlayList", THandlerKey::Tagged(this, 0));
}

void TPlayGrid::Refresh() {
  if (!logic_.Refresh())
    return;
  setVisible(logic_.RowCount() > 0);
  std::vector<int64_t> marks;
  if (onMarks && logic_.CurrentMarks(marks))
    onMarks(marks);
  UpdateScrollRange();
  viewport()->update();
}

void TPlayGrid::SetShowBookmarks(bool on) {
  if (logic_.showBookmarks != on) {
    logic_.showBookmarks = on;
    Refresh();
  }
}

void TPlayGrid::ApplyFontAndOptions(IPrefs& prefs) {
  TFontSpec stored;
  TFontHelper::LoadFont(stored, prefs, "PlayList.Font");
  font_ = QFont(QString::fromStdString(stored.name.empty() ? std::string("Arial") : stored.name));
  int points = stored.size > 0 ? stored.size : 16;
  font_.setPointSize(points);
  font_.setBold(stored.bold);
  rowHeight_ = points * logicalDpiY() / 72 + 5;
  logic_.showNumbers = Pref(&prefs, "PlayList.ShowNumbers", "1") == "1";
  logic_.showDurations = Pref(&prefs, "PlayList.ShowDuration", "0") == "1";
  UpdateScrollRange();
  viewport()->update();
}

void TPlayGrid::ApplyColours(IPrefs& prefs, const TBaseSkin& base, const TBitmap32* panelBg) {
  if (prefs.GetBool("PlayList.UseSkinColor")) {
    background_ = base.QtColour(773, 109);
    text_ = base.QtColour(771, 104);
    playing_ = base.QtColour(762, 104);
    selection_ = panelBg && !panelBg->Empty() ? QColor::fromRgb(panelBg->Pixel(1, 20)) : base.QtColour(773, 107);
  } else {
    selection_ = FromColor(PrefColour(&prefs, "PlayList.SelectionColor", 0xFF0000));
    background_ = FromColor(PrefColour(&prefs, "PlayList.BackgroundColor", 0x000000));
    text_ = FromColor(static_cast<uint32_t>(StrToIntDef(Pref(&prefs, "PlayList.Font.Color", "16776960"), 16776960)));
    playing_ = QColor(255, 255, 255);
  }
  // The bookmark glyph, its key colour left out.
  TBitmap32 glyph = base.Bitmap().Copy(TRect{652, 91, 663, 102});
  const uint32_t key = base.KeyArgb();
  bookmarkGlyph_ = ToQImage(glyph).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < bookmarkGlyph_.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(bookmarkGlyph_.scanLine(y));
    for (int x = 0; x < bookmarkGlyph_.width(); ++x)
      if ((row[x] | 0xFF000000u) == (key | 0xFF000000u))
        row[x] = 0;
  }
  QPalette pal = palette();
  pal.setColor(QPalette::Window, background_);
  pal.setColor(QPalette::Base, background_);
  setPalette(pal);
  viewport()->update();
}

int TPlayGrid::TopRow() const { return verticalScrollBar()->value(); }
void TPlayGrid::SetTopRow(int row) { verticalScrollBar()->setValue(row); }
int TPlayGrid::FullyVisibleRows() const { return std::max(viewport()->height() / std::max(rowHeight_, 1), 1); }

void TPlayGrid::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(logic_.RowCount() - FullyVisibleRows(), 0));
  bar->setPageStep(FullyVisibleRows());
  bar->setSingleStep(1);
}

int TPlayGrid::RowAt(int y) const {
  if (y < 0)
    return -1;
  return TopRow() + y / std::max(rowHeight_, 1);
}

void TPlayGrid::ScrollToCurrent() {
  if (mediaHasStreams && !mediaHasStreams())
    return;
  SetTopRow(logic_.TopForCurrent(TopRow(), FullyVisibleRows()));
}

void TPlayGrid::PlayFocused() { logic_.PlayFocused(); }

void TPlayGrid::RemoveSelected() {
  logic_.RemoveSelected();
  viewport()->update();
}

void TPlayGrid::MoveFocusedUp() {
  logic_.MoveFocusedUp();
  viewport()->update();
}

void TPlayGrid::MoveFocusedDown() {
  logic_.MoveFocusedDown();
  viewport()->update();
}

void TPlayGrid::SelectPrevious() {
  logic_.SelectPrevious();
  viewport()->update();
}

void TPlayGrid::SelectNext() {
  logic_.SelectNext();
  viewport()->update();
}

void TPlayGrid::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const int w = viewport()->width();
  p.fillRect(viewport()->rect(), background_);
  p.setFont(font_);
  const int top = TopRow();
  for (int i = 0, y = 0; y < viewport()->height(); ++i, y += rowHeight_)
    PaintRow(p, top + i, QRect(0, y, w, rowHeight_));
}

void TPlayGrid::PaintRow(QPainter& p, int row, const QRect& r) {
  TGridRow at = logic_.EntryAtRow(row);
  if (at.entry < 0 || at.entry >= list_.Count())
    return; // past the end, or a list that shrank under the grid: background only
  const TPlayEntry& e = list_.Items(at.entry);
  const bool current = at.entry == list_.CurrentIndex();
  QColor text = text_;
  if (current)
    text = fileOpen && fileOpen() ? playing_ : QColor(192, 192, 192);
  bool selected = at.bookmark < 0 ? e.Selected : e.Bookmarks[static_cast<size_t>(at.bookmark)].Selected;
  p.fillRect(r, selected ? selection_ : background_);
  p.setPen(Qt::black);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  p.setPen(text);
  const int baseline = r.top() + (r.height() - 5 + p.fontMetrics().ascent() - p.fontMetrics().descent()) / 2;
  if (at.bookmark < 0) {
    int textRight = r.right();
    if (logic_.showDurations) {
      QFont bold = font_;
      bold.setBold(true);
      p.setFont(bold);
      QString d = QString::fromStdString(logic_.DurationText(at.entry));
      int x = r.right() - p.fontMetrics().horizontalAdvance(d) - 20;
      p.drawText(x, baseline, d);
      p.setFont(font_);
      textRight = x - 2;
    }
    p.save();
    p.setClipRect(QRect(r.left(), r.top(), std::max(textRight - r.left(), 0), r.height()));
    p.drawText(r.left() - 1, baseline, OutsideText(logic_.EntryText(at.entry)));
    p.restore();
    return;
  }
  if (current)
    p.setPen(QColor(192, 192, 192));
  p.drawImage(r.left() + 18, r.top() + 1 + (r.height() - 5 - bookmarkGlyph_.height()) / 2, bookmarkGlyph_);
  if (at.bookmark < 9)
    p.drawText(r.left() + 7 - 6, baseline, QString::number(at.bookmark + 1) + ".");
  p.drawText(r.left() + 29 + 4, baseline, OutsideText(e.Bookmarks[static_cast<size_t>(at.bookmark)].Name));
}

void TPlayGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollRange();
}

void TPlayGrid::mousePressEvent(QMouseEvent* e) {
  int row = RowAt(e->position().toPoint().y());
  logic_.MouseDown(row, ButtonsOf(e));
  viewport()->update();
}

void TPlayGrid::mouseMoveEvent(QMouseEvent* e) {
  if (logic_.MouseMove(RowAt(e->position().toPoint().y())))
    viewport()->update();
}

void TPlayGrid::mouseReleaseEvent(QMouseEvent* e) {
  logic_.MouseUp(RowAt(e->position().toPoint().y()));
  viewport()->update();
}

void TPlayGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton)
    return;
  logic_.DoubleClick();
  viewport()->update();
}

void TPlayGrid::wheelEvent(QWheelEvent* e) {
  if (isVisible() && rect().contains(e->position().toPoint())) {
    SetTopRow(logic_.TopAfterWheel(TopRow(), e->angleDelta().y(), FullyVisibleRows()));
    viewport()->update();
    e->accept();
  } else if (passWheel) {
    passWheel(e);
  }
}

void TPlayGrid::enterEvent(QEnterEvent* e) {
  QAbstractScrollArea::enterEvent(e);
  if (windowActive && windowActive())
    setFocus(Qt::MouseFocusReason);
}

void TPlayGrid::leaveEvent(QEvent* e) {
  QAbstractScrollArea::leaveEvent(e);
  if (windowActive && windowActive() && hasFocus() && window())
    window()->setFocus(Qt::OtherFocusReason);
}

} // namespace zv
