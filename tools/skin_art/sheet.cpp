#include "sheet.h"

#include "icons.h"
#include "skin/bitmap32.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <optional>
#include <vector>
#include <zlib.h>

namespace art {

namespace {

// ------------------------------------------------------------------------------------------
// Drawing helpers

QColor Rgb(unsigned v) { return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

// How a button cell is drawn: on a flat background, with faces for hover and press.
struct TCellLook {
  QColor bg, glyph, accent, hoverFace, downFace;
  std::optional<QColor> key; // background pixels become the key colour afterwards
  bool hero = false;         // the round accent-filled play button
};

struct TCellState {
  bool hover = false, down = false, checked = false, disabled = false;
};

// Background pixels untouched by the antialiased drawing become the key colour, so the key
// never blends into a glyph's edge.
void KeyOut(QImage& cell, QColor bg, QColor key) {
  const QRgb from = bg.rgb() | 0xFF000000u, to = key.rgb() | 0xFF000000u;
  for (int y = 0; y < cell.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(cell.scanLine(y));
    for (int x = 0; x < cell.width(); ++x)
      if ((row[x] | 0xFF000000u) == from)
        row[x] = to;
  }
}

void Blit(QImage& sheet, const QImage& part, QPoint at) {
  QPainter p(&sheet);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(at, part);
}

void PaintCell(QImage& sheet, QRect cell, TIcon icon, TIcon checkedIcon, int box, const TCellLook& look, TCellState s) {
  QImage img(cell.size(), QImage::Format_RGB32);
  img.fill(look.bg);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF face = QRectF(img.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor glyph = s.checked ? look.accent : look.glyph;
    if (look.hero) {
      // A filled accent disc; the glyph on it is the panel's light text.
      QColor disc = s.hover || s.down ? look.hoverFace : look.accent;
      if (s.down)
        disc = look.accent.darker(115);
      p.setOpacity(s.disabled ? 0.38 : 1.0);
      p.setPen(Qt::NoPen);
      p.setBrush(disc);
      p.drawEllipse(face.adjusted(1, 1, -1, -1));
      glyph = look.glyph;
    } else if (!s.disabled) {
      qreal r = std::min<qreal>(4, cell.height() / 4.0);
      if (s.down)
        p.fillPath(
            [&] {
              QPainterPath path;
              path.addRoundedRect(face, r, r);
              return path;
            }(),
            look.downFace);
      else if (s.hover)
        p.fillPath(
            [&] {
              QPainterPath path;
              path.addRoundedRect(face, r, r);
              return path;
            }(),
            look.hoverFace);
    }
    if (s.disabled)
      p.setOpacity(0.38);
    int x = (cell.width() - box) / 2, y = (cell.height() - box) / 2 + (s.down ? 1 : 0);
    DrawIcon(p, s.checked ? checkedIcon : icon, QRectF(x, y, box, box), glyph);
  }
  if (look.key)
    KeyOut(img, look.bg, *look.key);
  Blit(sheet, img, cell.topLeft());
}

// A package button area: `cols` × `rows` cells one pixel apart; rows normal, hovered, pressed,
// disabled; column 1 is the checked state of a toggle.
void PaintButtonArea(QImage& sheet, QPoint at, QSize button, int cols, int rows, TIcon icon, TIcon checkedIcon, int box,
                     const TCellLook& look) {
  for (int c = 0; c < cols; ++c)
    for (int r = 0; r < rows; ++r) {
      TCellState s{r == 1, r == 2, c == 1, r == 3};
      QRect cell(at.x() + c * (button.width() + 1), at.y() + r * (button.height() + 1), button.width(),
                 button.height());
      PaintCell(sheet, cell, icon, checkedIcon, box, look, s);
    }
}

// Tabular digits of a monospaced face, squeezed to the cell width.
void DrawDigit(QPainter& p, QChar c, QRectF cell, QColor colour, int pixelSize) {
  QFont f("DejaVu Sans Mono");
  f.setPixelSize(pixelSize);
  f.setBold(true);
  f.setHintingPreference(QFont::PreferNoHinting);
  p.save();
  p.setFont(f);
  p.setPen(colour);
  QFontMetricsF fm(f);
  qreal advance = fm.horizontalAdvance(QChar('0'));
  qreal sx = cell.width() / advance;
  p.translate(cell.left(), cell.top());
  p.scale(sx, 1.0);
  // The digits' baseline leaves the cap height centred in the cell.
  qreal cap = fm.capHeight();
  qreal baseline = (cell.height() + cap) / 2.0;
  p.drawText(QPointF((advance - fm.horizontalAdvance(c)) / 2.0, baseline), QString(c));
  p.restore();
}

// ------------------------------------------------------------------------------------------
// Pixel fonts of the package skin: each glyph a column of rows, '#' lit.

const std::array<const char*, 7> kDigit7[10] = {
    {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "},
    {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"},
    {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "},
    {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "},
    {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "},
    {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "},
    {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "},
    {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "},
    {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "},
};
const std::array<const char*, 5> kDigit5[10] = {
    {"###", "# #", "# #", "# #", "###"}, {" # ", "## ", " # ", " # ", "###"}, {"###", "  #", "###", "#  ", "###"},
    {"###", "  #", " ##", "  #", "###"}, {"# #", "# #", "###", "  #", "  #"}, {"###", "#  ", "###", "  #", "###"},
    {"###", "#  ", "###", "# #", "###"}, {"###", "  #", " # ", " # ", " # "}, {"###", "# #", "###", "# #", "###"},
    {"###", "# #", "###", "  #", "###"},
};

template <size_t N>
void PutPixels(QImage& img, int x, int y, const std::array<const char*, N>& rows, QColor lit) {
  for (size_t r = 0; r < N; ++r)
    for (int c = 0; rows[r][c]; ++c)
      if (rows[r][c] == '#')
        img.setPixelColor(x + c, y + static_cast<int>(r), lit);
}

// A font strip: glyph runs of the given widths, alternating marker colours on the last row.
struct TGlyphRun {
  char c;
  int width;
};
void FontMarkers(QImage& img, QPoint at, int height, const std::vector<TGlyphRun>& runs) {
  int x = at.x();
  bool odd = false;
  for (const TGlyphRun& g : runs) {
    for (int i = 0; i < g.width; ++i)
      img.setPixelColor(x + i, at.y() + height - 1, odd ? QColor(0, 255, 0) : QColor(255, 0, 0));
    x += g.width;
    odd = !odd;
  }
}

// ------------------------------------------------------------------------------------------
// The plain built-in look ("XP.Blue"): light panels, blue caption.

struct TLight {
  QColor panel = Rgb(0xEAF1FB), line = Rgb(0xC9D7EC), text = Rgb(0x1B1F24), secondary = Rgb(0x5B6675);
  QColor accent = Rgb(0x1F5FBF), accentHover = Rgb(0x2D72D9), field = Rgb(0xFFFFFF);
  QColor captionActive = Rgb(0x2A66C4), captionInactive = Rgb(0x8CA5CC);
  QColor captionText = Rgb(0xFFFFFF), captionTextInactive = Rgb(0xEEF2F8);
  QColor key = Rgb(0xFF00FF);
};

// Base-bitmap strips (origins chosen for this bitmap, the Part fixes only their spacing):
//   buttons: 21-px strips from (0, 0) in the order of the button tables, one strip left empty
//            before the subtitle button (31 strips, x 0 … 650); picture rows 21 px apart:
//            0 normal, 1 hovered, 2 disabled, 3 checked or pressed, 4 the same hovered,
//            5 disabled and checked;
//   caption buttons: 15-px strips from (652, 0), rows 15 px apart in the same order.
// Everything else sits where the window's bars read it (see the rectangles below).
struct TStrip {
  TIcon icon, checked;
};
const TStrip kMainStrips[31] = {
    // standard bar: c050 c105 c150 c101 c103 c202 c203 c251 c201 c250
    {TIcon::Eject, TIcon::Eject},
    {TIcon::Pause, TIcon::Pause},
    {TIcon::FrameStep, TIcon::FrameStep},
    {TIcon::Play, TIcon::Play},
    {TIcon::SpeedPlay, TIcon::SpeedPlay},
    {TIcon::FullScreen, TIcon::FullScreen},
    {TIcon::Original, TIcon::Original},
    {TIcon::Prev, TIcon::Prev},
    {TIcon::Playlist, TIcon::Playlist},
    {TIcon::Next, TIcon::Next},
    // advanced bar: c403 c400 c300 c301, one empty strip, c352 c104 c051 c450
    {TIcon::Speaker, TIcon::SpeakerMuted},
    {TIcon::AudioProps, TIcon::AudioProps},
    {TIcon::VideoProps, TIcon::VideoProps},
    {TIcon::ScreenShot, TIcon::ScreenShot},
    {TIcon::None, TIcon::None},
    {TIcon::Subtitles, TIcon::Subtitles},
    {TIcon::Filters, TIcon::Filters},
    {TIcon::FileInfo, TIcon::FileInfo},
    {TIcon::Prefs, TIcon::Prefs},
    // playlist bar: c252 c263 c253 c254 c255 c256 c258 c259 c260 c262 c264 c257
    {TIcon::ListPlay, TIcon::ListPlay},
    {TIcon::Repeat, TIcon::Repeat},
    {TIcon::Add, TIcon::Add},
    {TIcon::AddFolder, TIcon::AddFolder},
    {TIcon::Remove, TIcon::Remove},
    {TIcon::Clear, TIcon::Clear},
    {TIcon::MoveUp, TIcon::MoveUp},
    {TIcon::MoveDown, TIcon::MoveDown},
    {TIcon::Shuffle, TIcon::Shuffle},
    {TIcon::Report, TIcon::Report},
    {TIcon::Bookmarks, TIcon::Bookmarks},
    {TIcon::Save, TIcon::Save},
};
// caption: c452 c204 c205 c206 c453
const TStrip kCaptionStrips[5] = {{TIcon::About, TIcon::About},
                                  {TIcon::Pin, TIcon::Pin},
                                  {TIcon::Minimize, TIcon::Minimize},
                                  {TIcon::Maximize, TIcon::Maximize},
                                  {TIcon::Close, TIcon::Close}};

// The state of each picture row of the built-in buttons.
TCellState BuiltInRow(int row) {
  switch (row) {
  case 1: return {true, false, false, false};
  case 2: return {false, false, false, true};
  case 3: return {false, true, true, false};
  case 4: return {true, true, true, false};
  case 5: return {false, false, true, true};
  default: return {};
  }
}

// A rounded field antialiased against the panel it sits on; the panel around it becomes the key.
void RoundField(QImage& img, QRect r, QColor fill, QColor line, QColor panel, QColor key, qreal radius) {
  QImage part(r.size(), QImage::Format_RGB32);
  part.fill(panel);
  {
    QPainter p(&part);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(part.rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  }
  KeyOut(part, panel, key);
  Blit(img, part, r.topLeft());
}

// A piece of the base bitmap drawn by `paint` on `aa` (the colour it will sit on), then keyed.
template <class F>
void KeyedPiece(QImage& img, QRect r, QColor aa, QColor key, F paint) {
  QImage part(r.size(), QImage::Format_RGB32);
  part.fill(aa);
  {
    QPainter p(&part);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, part.rect());
  }
  KeyOut(part, aa, key);
  Blit(img, part, r.topLeft());
}

} // namespace

QImage DrawBaseBitmap() {
  const TLight c;
  QImage img(820, 128, QImage::Format_RGB32);
  img.fill(c.panel);

  TCellLook bar{c.panel, c.text, c.accent, QColor(0, 0, 0, 18), QColor(0x1F, 0x5F, 0xBF, 46), c.key};
  for (int i = 0; i < 31; ++i)
    for (int row = 0; row < 6; ++row)
      if (kMainStrips[i].icon != TIcon::None)
        PaintCell(img, QRect(21 * i, 21 * row, 21, 21), kMainStrips[i].icon, kMainStrips[i].checked, 15, bar,
                  BuiltInRow(row));
  // The empty strip holds only the key colour.
  {
    QPainter p(&img);
    p.fillRect(QRect(21 * 14, 0, 21, 126), c.key);
  }
  // Caption buttons sit on the caption picture: white glyphs, faces of white.
  TCellLook cap{c.captionActive, c.captionText, Rgb(0xFFD75E), QColor(255, 255, 255, 40), QColor(0, 0, 0, 50), c.key};
  for (int i = 0; i < 5; ++i)
    for (int row = 0; row < 6; ++row) {
      TCellLook look = cap;
      TCellState s = BuiltInRow(row);
      if (i == 4 && s.hover && !s.disabled)
        look.hoverFace = Rgb(0xD9443A); // closing shows red under the pointer
      PaintCell(img, QRect(652 + 15 * i, 15 * row, 15, 15), kCaptionStrips[i].icon, kCaptionStrips[i].checked, 11, look,
                s);
    }

  // Position glyphs: strip at (726, 0), each glyph (727 + offset, 1, width, 17).
  auto glyphs = [&](int stripY, int digitStep, int digitWidth, int colonOffset, QColor field) {
    QImage strip(94, 17, QImage::Format_RGB32);
    strip.fill(field);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (int d = 0; d < 10; ++d)
      DrawDigit(p, QChar('0' + d), QRectF(digitStep * d, 0, digitWidth, 17), c.text, 15);
    // The colon: two square dots on the digits' centre line.
    p.fillRect(QRectF(colonOffset, 5, 2, 2), c.text);
    p.fillRect(QRectF(colonOffset, 10, 2, 2), c.text);
    return strip;
  };
  {
    QImage strip = glyphs(0, 8, 7, 80, c.field);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.text, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(83 + 3.3, 3.5), QPointF(83 + 0.7, 13.5)); // "/"
    p.drawLine(QPointF(88 + 0.7, 3.5), QPointF(88 + 3.3, 13.5)); // "\"
    p.end();
    KeyOut(strip, c.field, c.key);
    Blit(img, strip, QPoint(727, 1));
  }
  {
    QImage strip = glyphs(18, 9, 8, 90, c.field);
    KeyOut(strip, c.field, c.key);
    Blit(img, strip.copy(0, 0, 92, 17), QPoint(727, 19));
  }
  // Volume: a rising wedge (727, 37, 60, 17) and a thumb (788, 37, 5, 17).
  KeyedPiece(img, QRect(727, 37, 60, 17), c.panel, c.key, [&](QPainter& p, QRect) {
    QPainterPath wedge;
    wedge.moveTo(1, 13.5);
    wedge.lineTo(58.5, 3.5);
    wedge.lineTo(58.5, 13.5);
    wedge.closeSubpath();
    p.setPen(QPen(c.line.darker(110), 1));
    p.setBrush(c.field);
    p.drawPath(wedge);
  });
  KeyedPiece(img, QRect(788, 37, 5, 17), c.panel, c.key, [&](QPainter& p, QRect) {
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawRoundedRect(QRectF(0.5, 1.5, 4, 14), 2, 2);
  });
  // Clock face (727, 55, 53, 21) and position face (652, 105, 106, 21).
  RoundField(img, QRect(727, 55, 53, 21), c.field, c.line, c.panel, c.key, 4);
  RoundField(img, QRect(652, 105, 106, 21), c.field, c.line, c.panel, c.key, 4);
  // Load meter (727, 77), 9 × 21: empty, and full 10 pixels to the right.
  for (int full = 0; full < 2; ++full) {
    QPainter p(&img);
    p.fillRect(QRect(727 + 10 * full, 77, 9, 21), c.panel);
    for (int y = 1; y < 21; y += 3)
      p.fillRect(QRect(727 + 10 * full + 1, 77 + y, 7, 2), full ? c.accent : c.line);
  }
  // Seek bar: a soft grip behind the marker (747, 77, 17, 17), the marker (765, 77, 9, 9) and
  // the bookmark mark (765, 87, 9, 9).
  KeyedPiece(img, QRect(747, 77, 17, 17), c.panel, c.key, [&](QPainter& p, QRect) {
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(0xCFE0F7));
    p.drawRoundedRect(QRectF(2, 8, 13, 9), 4.5, 4.5);
  });
  KeyedPiece(img, QRect(765, 77, 9, 9), c.panel, c.key, [&](QPainter& p, QRect) {
    p.setPen(QPen(c.field, 1.2));
    p.setBrush(c.accent);
    p.drawEllipse(QRectF(0.6, 0.6, 7.8, 7.8));
  });
  KeyedPiece(img, QRect(765, 87, 9, 9), c.panel, c.key, [&](QPainter& p, QRect) {
    QPainterPath d;
    d.moveTo(4.5, 0.5);
    d.lineTo(8.5, 4.5);
    d.lineTo(4.5, 8.5);
    d.lineTo(0.5, 4.5);
    d.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(d, Rgb(0xE8A317));
  });
  // Popup menu (dark, as the default look): its check mark at (803, 41) and the category pictures
  // in two columns from (786, 58), 16 x 16 on the key, antialiased against the icon column.
  const QColor menuBg = Rgb(0x26282C), menuColumn = Rgb(0x34373C), menuText = Rgb(0xE8EAED);
  KeyedPiece(img, QRect(803, 41, 16, 16), menuColumn, c.key, [&](QPainter& p, QRect) {
    QPainterPath tick;
    tick.moveTo(3.5, 8.5);
    tick.lineTo(6.8, 11.8);
    tick.lineTo(12.8, 4.5);
    p.setPen(QPen(Rgb(0x3D8BFD), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
  });
  const struct {
    int x, y;
    TIcon icon;
  } categories[] = {{786, 58, TIcon::Eject},       {786, 75, TIcon::Play},     {786, 92, TIcon::SpeedPlay},
                    {786, 109, TIcon::FullScreen}, {803, 58, TIcon::Playlist}, {803, 75, TIcon::VideoProps},
                    {803, 92, TIcon::Speaker},     {803, 109, TIcon::Prefs}};
  for (const auto& cat : categories)
    KeyedPiece(img, QRect(cat.x, cat.y, 16, 16), menuColumn, c.key,
               [&](QPainter& p, QRect) { DrawIcon(p, cat.icon, QRectF(1, 1, 14, 14), menuText); });
  // The colours the program reads from its base bitmap.
  {
    QPainter p(&img);
    p.fillRect(QRect(759, 100, 21, 28), c.panel);
  }
  auto put = [&](int x, int y, QColor col) { img.setPixelColor(x, y, col); };
  put(761, 103, c.captionActive);
  put(770, 103, c.captionInactive);
  put(762, 104, c.captionText);
  put(771, 104, c.captionTextInactive);
  put(761, 107, QColor(0, 0, 0)); // video area
  put(761, 114, c.panel);         // control panel and built-in bars
  put(773, 109, c.field);         // playlist background
  put(762, 117, c.secondary);     // seek scale and upper line
  put(763, 118, c.field);         // seek lower line
  put(771, 121, c.key);           // transparent key of the pieces
  put(777, 113, menuBg);          // menu: item background
  put(775, 113, menuColumn);      // icon column and separators
  put(778, 114, menuText);        // item text
  put(778, 118, Rgb(0x6F747B));   // disabled item text
  put(775, 119, Rgb(0x3D8BFD));   // highlight frame
  put(776, 120, Rgb(0x2B4C7E));   // highlight fill
  put(777, 121, Rgb(0xFFFFFF));   // highlighted item text
  return img;
}

QImage DrawMainBorder() {
  // Grey levels: the window tints them with the caption colour (level 255 = the colour itself).
  const int w = 24, h = 53;
  QImage img(w, h, QImage::Format_RGB32);
  auto level = [](int l) { return QColor(l, l, l); };
  img.fill(level(255));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int l = 255;
      if (y >= 5 && y <= 23 && x >= 5 && x < w - 5)
        l = 255 - (y - 5); // the caption: a slight fall from top to bottom
      if (y == 24 && x >= 5 && x < w - 5)
        l = 205; // the caption's lower edge
      if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
        l = 150; // the outline
      img.setPixelColor(x, y, level(l));
    }
  return img;
}

// ------------------------------------------------------------------------------------------
// The built-in package skin ("TQ-41"): dark panels, blue accent.

namespace {

struct TArea {
  const char* image;
  const char* id;
  int w, h;
  QPoint at; // filled by the packer
};

// Every area of mix.bmp, in the order of the images of interface.xml.
std::vector<TArea> PackageAreas(bool textBackground) {
  std::vector<TArea> a = {
      {"CP", "bg", 372, 99, {}},        {"CP", "BtnPlay", 63, 127, {}},   {"CP", "BtnFStep", 43, 87, {}},
      {"CP", "BtnFF", 43, 87, {}},      {"CP", "BtnEject", 55, 103, {}},  {"CP", "PosBG", 171, 25, {}},
      {"CP", "BtnZI", 20, 79, {}},      {"CP", "BtnZO", 20, 79, {}},      {"CP", "BtnAProps", 20, 79, {}},
      {"CP", "BtnVProps", 20, 79, {}},  {"CP", "BtnSShot", 20, 79, {}},   {"CP", "BtnSubs", 20, 79, {}},
      {"CP", "BtnFlt", 20, 79, {}},     {"CP", "BtnInfo", 20, 79, {}},    {"CP", "BtnPrefs", 20, 79, {}},
      {"CP", "BtnPlPrev", 25, 87, {}},  {"CP", "BtnPlNext", 25, 87, {}},  {"CP", "BtnPlist", 51, 77, {}},
      {"CP", "BtnMute", 41, 79, {}},    {"CP", "SeekBG", 24, 12, {}},     {"CP", "SeekBGfill", 24, 12, {}},
      {"CP", "SeekThumb", 24, 12, {}},  {"CP", "SeekBG2", 24, 21, {}},    {"CP", "SeekBGfill2", 24, 21, {}},
      {"CP", "Digits", 86, 8, {}},      {"CP", "SeekDgts", 52, 6, {}},    {"CP", "SeekHiTick", 1, 3, {}},
      {"CP", "SeekLoTick", 1, 3, {}},   {"CP", "VolBG", 7, 10, {}},       {"CP", "VolBGF", 7, 10, {}},
      {"CP", "VolThumb", 10, 10, {}},   {"Cap", "bg", 28, 21, {}},        {"Cap", "brd", 29, 52, {}},
      {"Cap", "TitleBG", 19, 16, {}},   {"Cap", "btAbout", 16, 50, {}},   {"Cap", "btMin", 16, 50, {}},
      {"Cap", "btMax", 16, 50, {}},     {"Cap", "btExit", 16, 50, {}},    {"Cap", "btTop", 33, 50, {}},
      {"Logo", "Splash", 207, 191, {}}, {"Menu", "bg", 23, 23, {}},       {"Menu", "pics", 33, 84, {}},
      {"About", "bg", 389, 185, {}},    {"About", "btDev", 170, 107, {}}, {"About", "btDes", 170, 107, {}},
      {"PL", "bg", 14, 46, {}},         {"PL", "btRepeat", 45, 79, {}},   {"PL", "btPlay", 22, 79, {}},
      {"PL", "btAdd", 22, 79, {}},      {"PL", "btRem", 22, 79, {}},      {"PL", "btUp", 22, 79, {}},
      {"PL", "btShuffle", 22, 79, {}},  {"PL", "btMarks", 22, 79, {}},    {"PL", "btAddDir", 22, 79, {}},
      {"PL", "btClear", 22, 79, {}},    {"PL", "btDown", 22, 79, {}},     {"PL", "btReport", 22, 79, {}},
      {"PL", "btSave", 22, 79, {}},
  };
  if (textBackground)
    a.push_back({"CP", "Lcd", 4, 4, {}});
  return a;
}

// Shelves left to right, a pixel apart; returns the sheet's size.
QSize Pack(std::vector<TArea>& areas, int width) {
  int x = 0, y = 0, shelf = 0;
  for (TArea& a : areas) {
    if (x + a.w > width) {
      x = 0;
      y += shelf + 1;
      shelf = 0;
    }
    a.at = QPoint(x, y);
    x += a.w + 1;
    shelf = std::max(shelf, a.h);
  }
  return QSize(width, y + shelf);
}

const TArea& Find(const std::vector<TArea>& areas, const char* image, const char* id) {
  for (const TArea& a : areas)
    if (std::string(a.image) == image && std::string(a.id) == id)
      return a;
  std::abort();
}

void SeekTrack(QImage& img, QPoint at, QSize size, int trackTop, QColor bg, QColor track, int left, int right) {
  QImage part(size, QImage::Format_RGB32);
  part.fill(bg);
  {
    QPainter p(&part);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(track);
    p.drawRoundedRect(QRectF(left, trackTop, right - left + 1, 4), 2, 2);
  }
  Blit(img, part, at);
}

// A bar's thumb: the played part of the 4-pixel track left of `split`, the rest right of it, and
// a round knob over them.
void Knob(QImage& img, QPoint at, QSize size, int trackTop, int split, QPointF centre, qreal radius, QPen ring,
          const TSkinPalette& c) {
  QImage part(size, QImage::Format_RGB32);
  part.fill(c.panel);
  QPainter p(&part);
  p.fillRect(QRect(0, trackTop, split, 4), c.accent);
  p.fillRect(QRect(split, trackTop, size.width() - split, 4), c.line);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(ring);
  p.setBrush(c.text);
  p.drawEllipse(centre, radius, radius);
  p.end();
  Blit(img, part, at);
}

// Stored ZIP members with fixed times: the same members make the same archive.
std::string ZipStored(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out, central;
  auto u16 = [](std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto u32 = [&](std::string& s, unsigned long v) {
    u16(s, v & 0xFFFF);
    u16(s, (v >> 16) & 0xFFFF);
  };
  for (const auto& [name, data] : members) {
    unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    unsigned long offset = out.size();
    u32(out, 0x04034B50);
    u16(out, 10);
    u16(out, 0);
    u16(out, 0);
    u16(out, 0);
    u16(out, 0x21); // 1980-01-01
    u32(out, crc);
    u32(out, data.size());
    u32(out, data.size());
    u16(out, name.size());
    u16(out, 0);
    out += name;
    out += data;
    u32(central, 0x02014B50);
    u16(central, 20);
    u16(central, 10);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0x21);
    u32(central, crc);
    u32(central, data.size());
    u32(central, data.size());
    u16(central, name.size());
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u32(central, 0);
    u32(central, offset);
    central += name;
  }
  unsigned long dirOffset = out.size();
  out += central;
  u32(out, 0x06054B50);
  u16(out, 0);
  u16(out, 0);
  u16(out, members.size());
  u16(out, members.size());
  u32(out, central.size());
  u32(out, dirOffset);
  u16(out, 0);
  return out;
}

std::string Pos(const TArea& a) { return std::to_string(a.at.x()) + "," + std::to_string(a.at.y()); }

std::string InterfaceXml(const std::vector<TArea>& areas, const TSkinPalette& c) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<SKIN id=\"tq41\" preview=\"preview.jpg\" ver=\"4.0\">\n"
                  "  <AUTHOR name=\"Zelvar\" url=\"\"/>\n";
  for (const char* image : {"CP", "Cap", "Logo", "Menu", "About", "PL"}) {
    x += std::string("  <IMAGE id=\"") + image + "\" file=\"mix.bmp\">\n";
    for (const TArea& a : areas)
      if (std::string(a.image) == image)
        x += std::string("    <AREA id=\"") + a.id + "\" pos=\"" + Pos(a) + "\" size=\"" + std::to_string(a.w) + "," +
             std::to_string(a.h) + "\"/>\n";
    x += "  </IMAGE>\n";
  }
  x += "  <FONT id=\"Digits\" img=\"CP.Digits\" chars=\" 0123456789&gt;:&lt;\"/>\n"
       "  <FONT id=\"SeekDgts\" img=\"CP.SeekDgts\" chars=\" 0123456789:\"/>\n";
  x += R"(  <CTLDEF id="WndBorder" type="Panel" bg="Cap.brd" size="29,52" bgsplit="14,40"/>
  <CTLDEF id="Caption" type="Panel" bg="Cap.bg" size="400,21" bgsplit="14,10">
    <CONTROL type="GfxBtn" pos="4,2" size="16,16" img="Cap.btAbout" link="App.About"/>
    <CONTROL type="GfxBtn" pos="20,2" size="16,16" img="Cap.btTop" link="App.StayOnTop"/>
    <CONTROL type="Text" pos="39,4" size="-60,16" font="Tahoma" bg="Cap.TitleBG" bgsplit="8,5" text="{TITLE}"/>
    <CONTROL type="GfxBtn" pos="-52,2" size="16,16" img="Cap.btMin" link="App.Minimize"/>
    <CONTROL type="GfxBtn" pos="-36,2" size="16,16" img="Cap.btMax" link="Window.FullScreen"/>
    <CONTROL type="GfxBtn" pos="-20,2" size="16,16" img="Cap.btExit" link="App.Exit"/>
  </CTLDEF>
  <CTLDEF id="PListPanel" type="Panel" bg="PL.bg" size="29,46" bgsplit="7,23">
)";
  const char* top[] = {"PList.Play",   "PList.AddFiles", "PList.Remove",
                       "PList.MoveUp", "PList.Shuffle",  "PList.ShowMarks"};
  const char* bottom[] = {"PList.Repeat",   "PList.AddDir", "PList.Clear",
                          "PList.MoveDown", "PList.Report", "PList.Save"};
  const char* topImg[] = {"btPlay", "btAdd", "btRem", "btUp", "btShuffle", "btMarks"};
  const char* bottomImg[] = {"btRepeat", "btAddDir", "btClear", "btDown", "btReport", "btSave"};
  const int xs[] = {4, 28, 50, 72, 94, 118};
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 6; ++i)
      x += "    <CONTROL type=\"GfxBtn\" pos=\"" + std::to_string(xs[i]) + (row ? ",26" : ",5") +
           "\" size=\"22,19\" img=\"PL." + (row ? bottomImg[i] : topImg[i]) + "\" link=\"" +
           (row ? bottom[i] : top[i]) + "\"/>\n";
  x += R"(  </CTLDEF>
  <CTLDEF id="CtlPanel" type="Panel" bg="CP.bg" size="400,200" bgsplit="235,50">
    <CONTROL type="GfxBtn" pos="8,7" size="31,31" img="CP.BtnPlay" link="App.SuperPlay"/>
    <CONTROL type="GfxBtn" pos="40,12" size="21,21" img="CP.BtnFStep" link="Player.FrameStep"/>
    <CONTROL type="GfxBtn" pos="62,12" size="21,21" img="CP.BtnFF" link="Player.SpeedPlay"/>
    <CONTROL type="GfxBtn" pos="89,10" size="27,25" img="CP.BtnEject" link="PlayList.OpenFiles"/>
    <CONTROL type="Panel" pos="118,10" size="171,25" bg="CP.PosBG">
      <CONTROL type="Text" pos="16,9" size="95,7" font="Digits" text="{POS} &gt; {DUR} "@LCD@/>
      <CONTROL type="GfxBtn" pos="120,3" size="20,19" img="CP.BtnZI" link="Window.FullScreen"/>
      <CONTROL type="GfxBtn" pos="141,3" size="20,19" img="CP.BtnZO" link="Window.Original"/>
    </CONTROL>
    <CONTROL type="GfxBtn" pos="-76,12" size="21,21" img="CP.BtnPlPrev" link="PlayList.Prev"/>
    <CONTROL type="GfxBtn" pos="-54,10" size="25,25" img="CP.BtnPlist" link="Window.PlayList"/>
    <CONTROL type="GfxBtn" pos="-28,12" size="21,21" img="CP.BtnPlNext" link="PlayList.Next"/>
    <CONTROL type="Seeker" pos="7,45" size="-7,21" bg="CP.SeekBG2" bgsplit="12,6" bgfill="CP.SeekBGfill2" thumb="CP.SeekThumb" font="SeekDgts" lotick="CP.SeekLoTick" hitick="CP.SeekHiTick"/>
    <CONTROL type="GfxBtn" pos="13,73" size="20,19" img="CP.BtnMute" link="Audio.Mute"/>
    <CONTROL type="Slider" pos="40,78" size="55,10" bg="CP.VolBG" bgsplit="3,6" bgfill="CP.VolBGF" thumb="CP.VolThumb"/>
    <CONTROL type="GfxBtn" pos="104,73" size="20,19" img="CP.BtnAProps" link="Window.AudioProps"/>
    <CONTROL type="GfxBtn" pos="125,73" size="20,19" img="CP.BtnVProps" link="Window.VideoProps"/>
    <CONTROL type="GfxBtn" pos="146,73" size="20,19" img="CP.BtnSShot" link="Player.ScreenShot"/>
    <CONTROL type="GfxBtn" pos="167,73" size="20,19" img="CP.BtnSubs" link="Window.SubProps"/>
    <CONTROL type="GfxBtn" pos="-129,73" size="20,19" img="CP.BtnFlt" link="Window.Filters"/>
    <CONTROL type="GfxBtn" pos="-108,73" size="20,19" img="CP.BtnInfo" link="Window.FileInfo"/>
    <CONTROL type="GfxBtn" pos="-33,73" size="20,19" img="CP.BtnPrefs" link="App.Prefs"/>
    <CONTROL type="Text" pos="-75,79" size="30,7" font="Digits" text="{TIME}"@LCD@/>
  </CTLDEF>
  <CTLDEF id="WndAbout" type="Panel" bg="About.bg" size="389,185">
    <CONTROL type="GfxBtn" pos="194,104" size="170,35" img="About.btDev" link="About.DevLink"/>
    <CONTROL type="GfxBtn" pos="209,139" size="170,35" img="About.btDes" link="About.DesLink"/>
  </CTLDEF>
  <CTLTYPE id="std" types="Dummy,GfxBtn,Panel,Seeker,Text,Slider"/>
  <WNDDEF id="main" caption="Caption" panel="CtlPanel" playlist="PListPanel" border="WndBorder"/>
</SKIN>
)";
  // A skin may give its texts a background of their own instead of the text control's colour.
  const std::string lcd = c.textBackground ? " bg=\"CP.Lcd\"" : "";
  for (size_t at; (at = x.find("@LCD@")) != std::string::npos;)
    x.replace(at, 5, lcd);
  return x;
}

// The program's mark: a ring with a play triangle, in the accent's gradient.
void DrawMark(QPainter& p, QPointF centre, qreal radius, qreal stroke) {
  QLinearGradient g(centre.x(), centre.y() - radius, centre.x(), centre.y() + radius);
  g.setColorAt(0, Rgb(0x5A9CFF));
  g.setColorAt(1, Rgb(0x1F5FBF));
  p.setPen(QPen(QBrush(g), stroke));
  p.drawEllipse(centre, radius, radius);
  QPainterPath tri;
  tri.moveTo(centre.x() - radius * 0.32, centre.y() - radius * 0.5);
  tri.lineTo(centre.x() + radius * 0.55, centre.y());
  tri.lineTo(centre.x() - radius * 0.32, centre.y() + radius * 0.5);
  tri.closeSubpath();
  p.fillPath(tri, QBrush(g));
}

void DrawLogoInto(QPainter& p, QRectF r, bool dark) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  qreal s = std::min(r.width(), r.height());
  QPointF centre(r.center().x(), r.top() + s * 0.42);
  qreal radius = s * 0.27;
  DrawMark(p, centre, radius, s * 0.05);
  QFont f("DejaVu Sans");
  f.setPixelSize(static_cast<int>(s * 0.15));
  f.setBold(true);
  f.setLetterSpacing(QFont::PercentageSpacing, 108);
  p.setFont(f);
  p.setPen(dark ? Rgb(0xE8EAED) : Rgb(0x1B1F24));
  p.drawText(QRectF(r.left(), centre.y() + radius + s * 0.06, r.width(), s * 0.2), Qt::AlignHCenter | Qt::AlignTop,
             "Zelvar");
  p.restore();
}

} // namespace

TSkinPalette DefaultPalette() { return {}; }

TSkinPalette EmberPalette() {
  TSkinPalette p;
  p.caption = Rgb(0x1A1716);
  p.panel = Rgb(0x221E1C);
  p.raised = Rgb(0x2D2825);
  p.line = Rgb(0x3D3532);
  p.text = Rgb(0xF2ECE8);
  p.secondary = Rgb(0xA99F99);
  p.dim = Rgb(0x574D48);
  p.accent = Rgb(0xFF8A3D);
  p.accentHover = Rgb(0xFFA466);
  p.lcd = Rgb(0x120E0C);
  p.lcdText = Rgb(0xFFB27A);
  p.textBackground = true;
  return p;
}

std::vector<std::pair<std::string, std::string>> DrawPackageMembers(const TSkinPalette& c) {
  std::vector<TArea> areas = PackageAreas(c.textBackground);
  QSize size = Pack(areas, 640);
  QImage img(size, QImage::Format_RGB32);
  img.fill(c.panel);
  auto at = [&](const char* image, const char* id) { return Find(areas, image, id).at; };
  auto fill = [&](const char* image, const char* id, QColor col) {
    const TArea& a = Find(areas, image, id);
    QPainter p(&img);
    p.fillRect(QRect(a.at, QSize(a.w, a.h)), col);
  };

  // Control panel: flat, with a separator along the top and the clock's display on the right.
  fill("CP", "bg", c.panel);
  {
    QPoint o = at("CP", "bg");
    QPainter p(&img);
    p.fillRect(QRect(o.x(), o.y(), 372, 1), c.line);
    // The clock text (-75, 79, 30 × 7) sits on a display 2 pixels larger all round.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.lcd);
    p.drawRoundedRect(QRectF(o.x() + 372 - 75 - 3 + 0.5, o.y() + 76 + 0.5, 35, 12), 2, 2);
  }
  TCellLook look{c.panel, c.text, c.accent, QColor(255, 255, 255, 20), QColor(0, 0, 0, 51), std::nullopt};
  TCellLook hero = look;
  hero.hero = true;
  hero.glyph = Rgb(0xFFFFFF);
  hero.hoverFace = c.accentHover;
  PaintButtonArea(img, at("CP", "BtnPlay"), QSize(31, 31), 2, 4, TIcon::Play, TIcon::Pause, 17, hero);
  PaintButtonArea(img, at("CP", "BtnFStep"), QSize(21, 21), 2, 4, TIcon::FrameStep, TIcon::FrameStep, 15, look);
  PaintButtonArea(img, at("CP", "BtnFF"), QSize(21, 21), 2, 4, TIcon::SpeedPlay, TIcon::SpeedPlay, 15, look);
  PaintButtonArea(img, at("CP", "BtnEject"), QSize(27, 25), 2, 4, TIcon::Eject, TIcon::Eject, 17, look);
  PaintButtonArea(img, at("CP", "BtnPlPrev"), QSize(21, 21), 1, 4, TIcon::Prev, TIcon::Prev, 15, look);
  PaintButtonArea(img, at("CP", "BtnPlNext"), QSize(21, 21), 1, 4, TIcon::Next, TIcon::Next, 15, look);
  PaintButtonArea(img, at("CP", "BtnPlist"), QSize(25, 25), 2, 3, TIcon::Playlist, TIcon::Playlist, 17, look);
  PaintButtonArea(img, at("CP", "BtnMute"), QSize(20, 19), 2, 4, TIcon::Speaker, TIcon::SpeakerMuted, 14, look);
  const std::pair<const char*, TIcon> small[] = {{"BtnAProps", TIcon::AudioProps}, {"BtnVProps", TIcon::VideoProps},
                                                 {"BtnSShot", TIcon::ScreenShot},  {"BtnSubs", TIcon::Subtitles},
                                                 {"BtnFlt", TIcon::Filters},       {"BtnInfo", TIcon::FileInfo},
                                                 {"BtnPrefs", TIcon::Prefs}};
  for (const auto& [id, icon] : small)
    PaintButtonArea(img, at("CP", id), QSize(20, 19), 1, 4, icon, icon, 14, look);

  // Position display: a raised bezel with the digits' window and the two zoom buttons.
  {
    QPoint o = at("CP", "PosBG");
    QImage part(171, 25, QImage::Format_RGB32);
    part.fill(c.panel);
    QPainter p(&part);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.raised);
    p.drawRoundedRect(QRectF(0.5, 0.5, 170, 24), 4, 4);
    p.setBrush(c.lcd);
    p.drawRoundedRect(QRectF(13.5, 6.5, 100, 12), 2, 2);
    p.end();
    Blit(img, part, o);
    TCellLook onBezel = look;
    onBezel.bg = c.raised;
    PaintButtonArea(img, at("CP", "BtnZI"), QSize(20, 19), 1, 4, TIcon::FullScreen, TIcon::FullScreen, 13, onBezel);
    PaintButtonArea(img, at("CP", "BtnZO"), QSize(20, 19), 1, 4, TIcon::Original, TIcon::Original, 13, onBezel);
  }

  // Seek bar: a 4-pixel track (rows 13-16), the played part in the accent, a round thumb.
  SeekTrack(img, at("CP", "SeekBG2"), QSize(24, 21), 13, c.panel, c.line, 2, 21);
  SeekTrack(img, at("CP", "SeekBGfill2"), QSize(24, 21), 13, c.panel, c.accent, 2, 21);
  SeekTrack(img, at("CP", "SeekBG"), QSize(24, 12), 4, c.panel, c.line, 2, 21);
  SeekTrack(img, at("CP", "SeekBGfill"), QSize(24, 12), 4, c.panel, c.accent, 2, 21);
  // Drawn over rows 9-20 of the seek bar: the track passes behind the knob.
  Knob(img, at("CP", "SeekThumb"), QSize(24, 12), 4, 12, QPointF(12.5, 6), 5, QPen(c.accent, 1.5), c);
  fill("CP", "SeekHiTick", c.secondary);
  fill("CP", "SeekLoTick", c.dim);
  // Volume: a 4-pixel track (rows 3-6) and a knob.
  SeekTrack(img, at("CP", "VolBG"), QSize(7, 10), 3, c.panel, c.line, 0, 6);
  SeekTrack(img, at("CP", "VolBGF"), QSize(7, 10), 3, c.panel, c.accent, 0, 6);
  Knob(img, at("CP", "VolThumb"), QSize(10, 10), 3, 5, QPointF(5, 5), 4.2, QPen(Qt::NoPen), c);

  // The digit font of the displays: " 0123456789>:<", 7 rows and a marker row.
  {
    QPoint o = at("CP", "Digits");
    std::vector<TGlyphRun> runs = {{' ', 5}, {'0', 6}, {'1', 6}, {'2', 6}, {'3', 6}, {'4', 6}, {'5', 6},
                                   {'6', 6}, {'7', 6}, {'8', 6}, {'9', 6}, {'>', 8}, {':', 3}, {'<', 10}};
    QPainter(&img).fillRect(QRect(o, QSize(86, 7)), c.lcd);
    int x = o.x();
    for (const TGlyphRun& g : runs) {
      if (g.c >= '0' && g.c <= '9')
        PutPixels(img, x, o.y(), kDigit7[g.c - '0'], c.lcdText);
      else if (g.c == ':') {
        img.setPixelColor(x + 1, o.y() + 2, c.lcdText);
        img.setPixelColor(x + 1, o.y() + 4, c.lcdText);
      } else if (g.c == '>') {
        PutPixels(img, x + 2, o.y() + 1, std::array<const char*, 5>{"#   ", " #  ", "  # ", " #  ", "#   "},
                  c.secondary);
      } else if (g.c == '<') {
        PutPixels(img, x + 3, o.y() + 1, std::array<const char*, 5>{"   #", "  # ", " #  ", "  # ", "   #"},
                  c.secondary);
      }
      x += g.width;
    }
    FontMarkers(img, o, 8, runs);
  }
  // The seek scale's font: " 0123456789:", 5 rows and a marker row.
  {
    QPoint o = at("CP", "SeekDgts");
    std::vector<TGlyphRun> runs = {{' ', 4}, {'0', 4}, {'1', 4}, {'2', 4}, {'3', 4}, {'4', 4},
                                   {'5', 4}, {'6', 4}, {'7', 4}, {'8', 4}, {'9', 4}, {':', 2}};
    QPainter(&img).fillRect(QRect(o, QSize(52, 5)), c.panel);
    int x = o.x();
    for (const TGlyphRun& g : runs) {
      if (g.c >= '0' && g.c <= '9')
        PutPixels(img, x, o.y(), kDigit5[g.c - '0'], c.secondary);
      else if (g.c == ':') {
        img.setPixelColor(x, o.y() + 1, c.secondary);
        img.setPixelColor(x, o.y() + 3, c.secondary);
      }
      x += g.width;
    }
    FontMarkers(img, o, 6, runs);
    // The rest of the marker row in a third colour ends the last run.
    for (int i = 46; i < 52; ++i)
      img.setPixelColor(o.x() + i, o.y() + 5, QColor(0, 0, 255));
  }

  // Caption: a darker bar; its buttons on the same colour.
  fill("Cap", "bg", c.caption);
  fill("Cap", "TitleBG", c.caption);
  {
    // The window border: grey levels tinted blue by the window (outline, body, inner line).
    QPoint o = at("Cap", "brd");
    for (int y = 0; y < 52; ++y)
      for (int x = 0; x < 29; ++x) {
        int l = 0x38;
        if (x == 0 || y == 0 || x == 28 || y == 51)
          l = 0x78;
        else if (x == 3 || x == 25 || y == 47)
          l = 0x00;
        img.setPixelColor(o.x() + x, o.y() + y, QColor(l, l, l));
      }
  }
  TCellLook capLook{c.caption, c.secondary, c.accent, QColor(255, 255, 255, 24), QColor(0, 0, 0, 60), std::nullopt};
  PaintButtonArea(img, at("Cap", "btAbout"), QSize(16, 16), 1, 3, TIcon::About, TIcon::About, 12, capLook);
  PaintButtonArea(img, at("Cap", "btTop"), QSize(16, 16), 2, 3, TIcon::Pin, TIcon::Pin, 12, capLook);
  PaintButtonArea(img, at("Cap", "btMin"), QSize(16, 16), 1, 3, TIcon::Minimize, TIcon::Minimize, 12, capLook);
  PaintButtonArea(img, at("Cap", "btMax"), QSize(16, 16), 1, 3, TIcon::Maximize, TIcon::Maximize, 12, capLook);
  TCellLook closeLook = capLook;
  closeLook.hoverFace = Rgb(0xC42B1C);
  closeLook.downFace = Rgb(0x9E2216);
  PaintButtonArea(img, at("Cap", "btExit"), QSize(16, 16), 1, 3, TIcon::Close, TIcon::Close, 12, closeLook);

  // Logo on the video area's black.
  {
    const TArea& a = Find(areas, "Logo", "Splash");
    QPainter p(&img);
    p.fillRect(QRect(a.at, QSize(a.w, a.h)), Qt::black);
    DrawLogoInto(p, QRectF(a.at, QSizeF(a.w, a.h)), true);
  }
  // Popup menu: its background and a column of pictures.
  fill("Menu", "bg", c.raised);
  {
    const TArea& a = Find(areas, "Menu", "pics");
    QPainter p(&img);
    p.fillRect(QRect(a.at, QSize(a.w, a.h)), c.raised);
    p.setRenderHint(QPainter::Antialiasing);
    // One 16 x 16 cell per menu category, five to a column, 17 pixels apart: file, playback, seek,
    // window, playlist, then video, subtitles, sound, disc, application.
    const TIcon icons[] = {TIcon::Eject,      TIcon::Play,      TIcon::SpeedPlay, TIcon::FullScreen, TIcon::Playlist,
                           TIcon::VideoProps, TIcon::Subtitles, TIcon::Speaker,   TIcon::Original,   TIcon::Prefs};
    for (int i = 0; i < 10; ++i)
      DrawIcon(p, icons[i], QRectF(a.at.x() + 17 * (i / 5) + 1, a.at.y() + 17 * (i % 5) + 1, 14, 14), c.text);
  }
  // About window: logo, name and two link buttons.
  {
    const TArea& a = Find(areas, "About", "bg");
    QPainter p(&img);
    p.fillRect(QRect(a.at, QSize(a.w, a.h)), c.panel);
    p.fillRect(QRect(a.at, QSize(a.w, 1)), c.line);
    DrawLogoInto(p, QRectF(a.at.x() + 8, a.at.y() + 8, 170, 170), true);
    QFont f("DejaVu Sans");
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(c.secondary);
    p.drawText(QRectF(a.at.x() + 194, a.at.y() + 24, 180, 60), Qt::AlignLeft | Qt::TextWordWrap,
               "A media player for video, music, discs and radio.");
  }
  for (const char* id : {"btDev", "btDes"}) {
    const TArea& a = Find(areas, "About", id);
    for (int r = 0; r < 3; ++r) {
      QImage part(170, 35, QImage::Format_RGB32);
      part.fill(c.panel);
      QPainter p(&part);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(r ? c.accent : c.line, 1));
      p.setBrush(r == 2 ? c.panel : r == 1 ? c.raised.lighter(110) : c.raised);
      p.drawRoundedRect(QRectF(0.5, 3.5 + (r == 2 ? 1 : 0), 169, 28), 5, 5);
      QFont f("DejaVu Sans");
      f.setPixelSize(12);
      p.setFont(f);
      p.setPen(c.text);
      p.drawText(QRectF(0, 3 + (r == 2 ? 1 : 0), 170, 29), Qt::AlignCenter,
                 std::string(id) == "btDev" ? "Zelvar on the web" : "About this skin");
      p.end();
      Blit(img, part, a.at + QPoint(0, 36 * r));
    }
  }
  // Playlist buttons.
  fill("PL", "bg", c.panel);
  {
    QPoint o = at("PL", "bg");
    QPainter(&img).fillRect(QRect(o, QSize(14, 1)), c.line);
  }
  PaintButtonArea(img, at("PL", "btRepeat"), QSize(22, 19), 2, 4, TIcon::Repeat, TIcon::Repeat, 14, look);
  const std::pair<const char*, TIcon> list[] = {
      {"btPlay", TIcon::ListPlay},    {"btAdd", TIcon::Add},         {"btRem", TIcon::Remove},
      {"btUp", TIcon::MoveUp},        {"btShuffle", TIcon::Shuffle}, {"btMarks", TIcon::Bookmarks},
      {"btAddDir", TIcon::AddFolder}, {"btClear", TIcon::Clear},     {"btDown", TIcon::MoveDown},
      {"btReport", TIcon::Report},    {"btSave", TIcon::Save}};
  for (const auto& [id, icon] : list)
    PaintButtonArea(img, at("PL", id), QSize(22, 19), 1, 4, icon, icon, 14, look);

  if (c.textBackground)
    fill("CP", "Lcd", c.lcd);
  return {{"interface.xml", InterfaceXml(areas, c)}, {"mix.bmp", ToBmp(img)}};
}

std::string DrawPackageSkin(const TSkinPalette& c) { return ZipStored(DrawPackageMembers(c)); }

QImage DrawAppIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF r(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, Rgb(0x2A2C31));
  g.setColorAt(1, Rgb(0x17181B));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(r, size * 0.2, size * 0.2);
  QLinearGradient a(0, r.top(), 0, r.bottom());
  a.setColorAt(0, Rgb(0x5A9CFF));
  a.setColorAt(1, Rgb(0x1F5FBF));
  QPainterPath tri;
  tri.moveTo(size * 0.38, size * 0.27);
  tri.lineTo(size * 0.74, size * 0.5);
  tri.lineTo(size * 0.38, size * 0.73);
  tri.closeSubpath();
  p.setBrush(a);
  p.drawPath(tri);
  return img;
}

QImage DrawLogo(QSize size, QColor background, bool dark) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(background);
  QPainter p(&img);
  QRectF r(0, 0, size.width(), size.height());
  // A wide frame: the mark on the left, the name beside it.
  p.setRenderHint(QPainter::Antialiasing);
  qreal s = size.height();
  QPointF centre(s * 0.55, s * 0.5);
  qreal radius = s * 0.33;
  DrawMark(p, centre, radius, s * 0.06);
  QFont f("DejaVu Sans");
  f.setPixelSize(static_cast<int>(s * 0.36));
  f.setBold(true);
  p.setFont(f);
  p.setPen(dark ? Rgb(0xE8EAED) : Rgb(0x1B1F24));
  p.drawText(QRectF(s * 1.05, 0, r.width() - s * 1.05, s), Qt::AlignVCenter | Qt::AlignLeft, "Zelvar");
  return img;
}

QImage DrawSpringLogo(QSize size) {
  QImage img = DrawLogo(size, Qt::black, true);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Three small blossoms above the name.
  const QPointF centres[] = {{size.width() * 0.62, size.height() * 0.18},
                             {size.width() * 0.74, size.height() * 0.12},
                             {size.width() * 0.86, size.height() * 0.2}};
  for (QPointF c : centres) {
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(0xF7A8C8));
    for (int i = 0; i < 5; ++i) {
      qreal a = i * 2 * M_PI / 5;
      p.drawEllipse(c + QPointF(4.5 * std::cos(a), 4.5 * std::sin(a)), 3.6, 3.6);
    }
    p.setBrush(Rgb(0xFFD75E));
    p.drawEllipse(c, 2.2, 2.2);
  }
  return img;
}

std::string ToBmp(const QImage& image) {
  QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  zv::TBitmap32 b(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      b.Row(y)[x] = row[x] | 0xFF000000u;
  }
  return zv::WriteBmp(b);
}

std::string PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  return f.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

} // namespace art
