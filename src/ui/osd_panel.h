#pragma once

#include "ui/osd_logic.h"

#include <QColor>
#include <QFont>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace zv {

class IPrefs;

// Fonts and colours of the preferences (colours stored 0x00BBGGRR) as Qt takes them.
QColor StoredColour(IPrefs* prefs, const char* key, uint32_t fallback);
QFont StoredFont(IPrefs* prefs, const char* family, const char* familyDef, const char* size, int sizeDef,
                 const char* bold, const char* boldDef);
// The subtitle panels' font and colour (Subtitles.Font, .Size, .Bold, .Color).
QFont SubtitlePrefFont(IPrefs* prefs);
QColor SubtitlePrefColour(IPrefs* prefs);

// One text of the on-screen display over the video area: its lines, each with an outline on a
// background that imitates the picture (or a solid colour), the panel shaped to rounded
// rectangles around the lines. Layout, size and shape are worked out when the text, the font or
// the place changes; painting only draws what was worked out.
class TOSDPanel : public QWidget {
public:
  explicit TOSDPanel(QWidget* videoArea);

  // UTF-8; a text of blanks only hides the panel.
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  void SetFontAndColour(const QFont& font, QColor colour);
  const QFont& TextFont() const { return font_; }
  QColor TextColour() const { return colour_; }
  // 0–5: centred, left or right lines; the top or the bottom edge kept.
  void SetAlignment(int alignment);
  int Alignment() const { return alignment_; }
  // OSD.BG.IsColor and OSD.BG.Color.
  void SetBackground(bool solid, QColor colour);
  // The colour of the picture at the window's centre when it is flat there (else black).
  std::function<QColor()> samplePicture;
  // The panel spans `left` … `left + width`; `edge` is its top, or its bottom for the alignments
  // that keep the bottom edge.
  void Place(int left, int width, int edge);
  // The lines' rounded rectangles, in the panel's coordinates.
  const QRegion& Shape() const { return shape_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }

protected:
  void paintEvent(QPaintEvent*) override;

private:
  struct TLine {
    std::vector<TOsdRun> runs;
    int x = 0, y = 0, w = 0, h = 0;
  };
  void Relayout();
  QFont RunFont(int style) const;

  std::string text_;
  QFont font_;
  QColor colour_ = Qt::yellow;
  int alignment_ = 1;
  bool solid_ = false;
  QColor solidColour_ = Qt::black;
  QColor background_ = Qt::black;
  int left_ = 0, width_ = 0, edge_ = 0;
  std::vector<TLine> lines_;
  QRegion shape_;
};

} // namespace zv
