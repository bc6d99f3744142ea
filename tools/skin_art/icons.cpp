#include "icons.h"

#include <QPainterPath>
#include <cmath>

namespace art {

namespace {

// A painter mapped onto the 16-unit grid of the box, with the family's pen and brush.
struct TGrid {
  QPainter& p;
  QColor colour;
  qreal unit;

  TGrid(QPainter& painter, const QRectF& box, const QColor& c) : p(painter), colour(c), unit(box.width() / 16.0) {
    p.save();
    p.translate(box.topLeft());
    p.scale(unit, unit);
    // One stroke weight in pixels for every size: about 1.6 px on a 21-px button.
    qreal px = std::clamp(box.width() * 0.115, 1.25, 2.0);
    QPen pen(colour, px / unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
  }
  ~TGrid() { p.restore(); }

  void Line(qreal x1, qreal y1, qreal x2, qreal y2) { p.drawLine(QPointF(x1, y1), QPointF(x2, y2)); }
  void Fill(const QPainterPath& path) { p.fillPath(path, colour); }
  void Poly(std::initializer_list<QPointF> pts, bool filled) {
    QPainterPath path;
    auto it = pts.begin();
    path.moveTo(*it);
    for (++it; it != pts.end(); ++it)
      path.lineTo(*it);
    path.closeSubpath();
    if (filled) {
      // Filled shapes get the stroke's round joins too, so their corners match the line glyphs.
      p.setBrush(colour);
      p.drawPath(path);
      p.setBrush(Qt::NoBrush);
    } else {
      p.drawPath(path);
    }
  }
  void Rect(qreal x, qreal y, qreal w, qreal h, qreal r, bool filled) {
    if (filled)
      p.setBrush(colour);
    p.drawRoundedRect(QRectF(x, y, w, h), r, r);
    p.setBrush(Qt::NoBrush);
  }
  void Circle(qreal cx, qreal cy, qreal r, bool filled) {
    if (filled)
      p.setBrush(colour);
    p.drawEllipse(QPointF(cx, cy), r, r);
    p.setBrush(Qt::NoBrush);
  }
  void Arc(qreal cx, qreal cy, qreal r, qreal startDeg, qreal spanDeg) {
    p.drawArc(QRectF(cx - r, cy - r, 2 * r, 2 * r), static_cast<int>(startDeg * 16), static_cast<int>(spanDeg * 16));
  }
  // An arrow head whose tip is (x, y), pointing along (dx, dy).
  void Head(qreal x, qreal y, qreal dx, qreal dy, qreal size) {
    qreal len = std::hypot(dx, dy);
    dx /= len;
    dy /= len;
    Line(x, y, x - size * (dx - dy), y - size * (dy + dx));
    Line(x, y, x - size * (dx + dy), y - size * (dy - dx));
  }
};

void Speaker(TGrid& g) { g.Poly({{2.5, 6}, {5.5, 6}, {9, 2.8}, {9, 13.2}, {5.5, 10}, {2.5, 10}}, true); }

} // namespace

void DrawIcon(QPainter& p, TIcon icon, const QRectF& box, const QColor& c) {
  TGrid g(p, box, c);
  switch (icon) {
  case TIcon::None: break;
  // A triangle looks smaller than a square of the same box: it is drawn about 10 % larger.
  case TIcon::Play:
  case TIcon::ListPlay: g.Poly({{4, 1.8}, {14.2, 8}, {4, 14.2}}, true); break;
  case TIcon::Pause:
    g.Rect(3.5, 2.5, 3.2, 11, 0.8, true);
    g.Rect(9.3, 2.5, 3.2, 11, 0.8, true);
    break;
  case TIcon::Stop: g.Rect(3, 3, 10, 10, 1.2, true); break;
  case TIcon::FrameStep:
    g.Poly({{2.5, 3}, {10, 8}, {2.5, 13}}, true);
    g.Rect(11.5, 3, 2.4, 10, 0.6, true);
    break;
  case TIcon::SpeedPlay:
    g.Poly({{1.5, 3.2}, {8, 8}, {1.5, 12.8}}, true);
    g.Poly({{8.5, 3.2}, {15, 8}, {8.5, 12.8}}, true);
    break;
  case TIcon::Prev:
    g.Rect(2, 3, 2.4, 10, 0.6, true);
    g.Poly({{14, 3}, {5.5, 8}, {14, 13}}, true);
    break;
  case TIcon::Next:
    g.Poly({{2, 3}, {10.5, 8}, {2, 13}}, true);
    g.Rect(11.6, 3, 2.4, 10, 0.6, true);
    break;
  case TIcon::Eject:
    g.Poly({{8, 2.5}, {14, 9}, {2, 9}}, true);
    g.Rect(2, 11.2, 12, 2.4, 0.6, true);
    break;
  case TIcon::Playlist:
    g.Line(2.5, 4, 13.5, 4);
    g.Line(2.5, 8, 13.5, 8);
    g.Line(2.5, 12, 9, 12);
    g.Poly({{11, 10}, {14.5, 12}, {11, 14}}, true);
    break;
  case TIcon::FullScreen:
    g.Line(2.5, 6, 2.5, 2.5);
    g.Line(2.5, 2.5, 6, 2.5);
    g.Line(10, 2.5, 13.5, 2.5);
    g.Line(13.5, 2.5, 13.5, 6);
    g.Line(13.5, 10, 13.5, 13.5);
    g.Line(13.5, 13.5, 10, 13.5);
    g.Line(6, 13.5, 2.5, 13.5);
    g.Line(2.5, 13.5, 2.5, 10);
    break;
  case TIcon::Original:
    g.Rect(2.5, 3.5, 11, 9, 1.5, false);
    g.Line(6, 6.5, 6, 9.5);
    g.Line(10, 6.5, 10, 9.5);
    g.Circle(8, 7, 0.3, true);
    g.Circle(8, 9, 0.3, true);
    break;
  case TIcon::Speaker:
    Speaker(g);
    g.Arc(9.5, 8, 2.6, -50, 100);
    g.Arc(9.5, 8, 5, -50, 100);
    break;
  case TIcon::SpeakerMuted:
    Speaker(g);
    g.Line(11, 5.8, 15, 10.2);
    g.Line(15, 5.8, 11, 10.2);
    break;
  case TIcon::AudioProps:
    g.Line(4, 2.5, 4, 13.5);
    g.Line(8, 2.5, 8, 13.5);
    g.Line(12, 2.5, 12, 13.5);
    g.Rect(2.5, 9, 3, 2.4, 0.8, true);
    g.Rect(6.5, 4.5, 3, 2.4, 0.8, true);
    g.Rect(10.5, 7.5, 3, 2.4, 0.8, true);
    break;
  case TIcon::VideoProps:
    g.Circle(8, 8, 3, false);
    for (int i = 0; i < 8; ++i) {
      qreal a = i * M_PI / 4;
      g.Line(8 + 4.8 * std::cos(a), 8 + 4.8 * std::sin(a), 8 + 6.3 * std::cos(a), 8 + 6.3 * std::sin(a));
    }
    break;
  case TIcon::ScreenShot:
    g.Rect(1.8, 4.5, 12.4, 9, 1.6, false);
    g.Line(5.5, 4.5, 6.5, 2.5);
    g.Line(6.5, 2.5, 9.5, 2.5);
    g.Line(9.5, 2.5, 10.5, 4.5);
    g.Circle(8, 9, 2.3, false);
    break;
  case TIcon::Subtitles:
    g.Rect(1.8, 3, 12.4, 10, 1.8, false);
    g.Line(4.5, 7, 9, 7);
    g.Line(10.5, 7, 11.5, 7);
    g.Line(4.5, 10, 6, 10);
    g.Line(7.5, 10, 11.5, 10);
    break;
  case TIcon::Filters: g.Poly({{2, 3}, {14, 3}, {9.5, 8.5}, {9.5, 13}, {6.5, 14}, {6.5, 8.5}}, false); break;
  case TIcon::FileInfo:
    g.Circle(8, 8, 6.2, false);
    g.Line(8, 7.3, 8, 11.5);
    g.Circle(8, 4.8, 0.35, true);
    break;
  case TIcon::Prefs: {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
      qreal a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
      qreal r = i % 2 == 0 ? 7 : 5.3;
      QPointF p0(8 + r * std::cos(a0), 8 + r * std::sin(a0)), p1(8 + r * std::cos(a1), 8 + r * std::sin(a1));
      if (i == 0)
        gear.moveTo(p0);
      else
        gear.lineTo(p0);
      gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(8, 8), 2.2, 2.2); // the hole, by the odd-even rule
    g.Fill(gear);
    break;
  }
  case TIcon::Repeat:
    g.Arc(8, 8, 5.2, 30, 300);
    g.Head(8 + 5.2 * std::cos(M_PI / 6), 8 - 5.2 * std::sin(M_PI / 6), -0.5, -0.87, 2.4);
    break;
  case TIcon::Add:
    g.Line(8, 3, 8, 13);
    g.Line(3, 8, 13, 8);
    break;
  case TIcon::AddFolder:
    g.Poly({{1.8, 3.5}, {6, 3.5}, {7.5, 5}, {14.2, 5}, {14.2, 13}, {1.8, 13}}, false);
    g.Line(8, 7.2, 8, 11);
    g.Line(6.1, 9.1, 9.9, 9.1);
    break;
  case TIcon::Remove: g.Line(3, 8, 13, 8); break;
  case TIcon::Clear:
    g.Line(4, 4, 12, 12);
    g.Line(12, 4, 4, 12);
    break;
  case TIcon::MoveUp:
    g.Line(8, 13.5, 8, 3);
    g.Head(8, 2.6, 0, -1, 4);
    break;
  case TIcon::MoveDown:
    g.Line(8, 2.5, 8, 13);
    g.Head(8, 13.4, 0, 1, 4);
    break;
  case TIcon::Shuffle:
    g.Line(2, 4.5, 5, 4.5);
    g.Line(5, 4.5, 10, 11.5);
    g.Line(10, 11.5, 13.5, 11.5);
    g.Line(2, 11.5, 5, 11.5);
    g.Line(5, 11.5, 10, 4.5);
    g.Line(10, 4.5, 13.5, 4.5);
    g.Head(14, 4.5, 1, 0, 2.2);
    g.Head(14, 11.5, 1, 0, 2.2);
    break;
  case TIcon::Report:
    g.Poly({{3.5, 1.8}, {9.5, 1.8}, {12.5, 4.8}, {12.5, 14.2}, {3.5, 14.2}}, false);
    g.Line(6, 7.5, 10, 7.5);
    g.Line(6, 10.5, 10, 10.5);
    break;
  case TIcon::Bookmarks: g.Poly({{4, 2}, {12, 2}, {12, 14}, {8, 10.8}, {4, 14}}, false); break;
  case TIcon::Save:
    g.Poly({{2.2, 2.2}, {11.5, 2.2}, {13.8, 4.5}, {13.8, 13.8}, {2.2, 13.8}}, false);
    g.Rect(5, 2.2, 5.5, 3.5, 0.4, false);
    g.Rect(4.8, 9, 6.4, 4.8, 0.4, false);
    break;
  case TIcon::About:
    g.Circle(8, 8, 6.2, false);
    g.Poly({{6.4, 5}, {11.2, 8}, {6.4, 11}}, true);
    break;
  case TIcon::Pin:
    g.Poly({{5.5, 2}, {10.5, 2}, {9.5, 6.5}, {12, 9}, {4, 9}, {6.5, 6.5}}, false);
    g.Line(8, 9, 8, 14.5);
    break;
  case TIcon::Window:
    g.Rect(1.8, 2.8, 12.4, 10.4, 1.6, false);
    g.Line(1.8, 5.6, 14.2, 5.6);
    g.Circle(4, 4.2, 0.3, true);
    g.Circle(5.8, 4.2, 0.3, true);
    break;
  case TIcon::Mouse:
    g.Rect(4.2, 1.8, 7.6, 12.4, 3.8, false);
    g.Line(8, 1.8, 8, 6.2);
    g.Line(4.2, 6.2, 11.8, 6.2);
    break;
  case TIcon::Events: g.Poly({{9.5, 1.5}, {3.5, 9}, {7.6, 9}, {6.5, 14.5}, {12.5, 7}, {8.4, 7}}, true); break;
  case TIcon::Chip:
    g.Rect(4, 4, 8, 8, 1.2, false);
    g.Rect(6.4, 6.4, 3.2, 3.2, 0.5, true);
    for (qreal at : {6.0, 8.0, 10.0}) {
      g.Line(at, 1.6, at, 4);
      g.Line(at, 12, at, 14.4);
      g.Line(1.6, at, 4, at);
      g.Line(12, at, 14.4, at);
    }
    break;
  case TIcon::Osd:
    g.Rect(1.8, 2.8, 12.4, 9, 1.6, false);
    g.Line(4.5, 6, 8.5, 6);
    g.Line(4.5, 8.6, 11.5, 8.6);
    g.Line(6, 14, 10, 14);
    break;
  case TIcon::Document:
    g.Poly({{3.5, 1.8}, {9.5, 1.8}, {12.5, 4.8}, {12.5, 14.2}, {3.5, 14.2}}, false);
    g.Line(9.5, 1.8, 9.5, 4.8);
    g.Line(9.5, 4.8, 12.5, 4.8);
    g.Line(5.8, 8.5, 10.2, 8.5);
    g.Line(5.8, 11, 10.2, 11);
    break;
  case TIcon::Keyboard:
    g.Rect(1.2, 4, 13.6, 8.6, 1.4, false);
    for (qreal x : {4.0, 6.7, 9.3, 12.0})
      g.Circle(x, 6.8, 0.35, true);
    g.Line(4.8, 9.8, 11.2, 9.8);
    break;
  case TIcon::Remote:
    g.Rect(5, 1.6, 6, 12.8, 2, false);
    g.Circle(8, 4.8, 1.1, true);
    g.Line(6.9, 8.3, 9.1, 8.3);
    g.Line(6.9, 10.8, 9.1, 10.8);
    break;
  case TIcon::Puzzle: {
    QPainterPath piece;
    piece.addRoundedRect(QRectF(2.5, 4.5, 9, 9), 1.2, 1.2);
    piece.addEllipse(QPointF(7, 3.6), 1.9, 1.9);
    piece.addEllipse(QPointF(12.4, 9), 1.9, 1.9);
    g.Fill(piece.simplified());
    break;
  }
  case TIcon::Globe:
    g.Circle(8, 8, 6.2, false);
    g.p.drawEllipse(QRectF(5.2, 1.8, 5.6, 12.4));
    g.Line(1.8, 8, 14.2, 8);
    break;
  case TIcon::Script:
    g.Line(5.5, 3.5, 2, 8);
    g.Line(2, 8, 5.5, 12.5);
    g.Line(10.5, 3.5, 14, 8);
    g.Line(14, 8, 10.5, 12.5);
    g.Line(9, 3, 7, 13);
    break;
  case TIcon::Film:
    g.Rect(2.8, 1.8, 10.4, 12.4, 1.4, false);
    g.Line(5.4, 1.8, 5.4, 14.2);
    g.Line(10.6, 1.8, 10.6, 14.2);
    for (qreal y : {4.6, 8.0, 11.4}) {
      g.Line(2.8, y, 5.4, y);
      g.Line(10.6, y, 13.2, y);
    }
    break;
  case TIcon::Minimize: g.Line(3.5, 11.5, 12.5, 11.5); break;
  case TIcon::Maximize: g.Rect(3.5, 3.5, 9, 9, 1.2, false); break;
  case TIcon::Close:
    g.Line(4, 4, 12, 12);
    g.Line(12, 4, 4, 12);
    break;
  }
}

QImage DrawConfigIcons(int cell) {
  // In the order of the preference pages; each tile a colour of its own, light at the top.
  struct TTile {
    TIcon icon;
    QRgb colour;
  };
  static const TTile kTiles[] = {
      {TIcon::Window, 0x3D8BFD},   {TIcon::Mouse, 0x6C63D9},    {TIcon::Playlist, 0x2BA3A0}, {TIcon::Events, 0xE8A317},
      {TIcon::Film, 0xD9534F},     {TIcon::Speaker, 0x2E9E5B},  {TIcon::Chip, 0x6B7480},     {TIcon::Osd, 0x8E5BD6},
      {TIcon::Document, 0x3F7FBF}, {TIcon::Keyboard, 0x59616B}, {TIcon::Remote, 0xD9722E},   {TIcon::Puzzle, 0x4C9F38},
      {TIcon::Filters, 0x1F8FBF},  {TIcon::Globe, 0x2D6FD2},    {TIcon::Script, 0xB84C8A},
  };
  const int n = static_cast<int>(std::size(kTiles));
  QImage strip(cell * n, cell, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < n; ++i) {
    const QRectF tile(i * cell + cell * 0.04, cell * 0.04, cell * 0.92, cell * 0.92);
    QColor base(kTiles[i].colour);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, base.lighter(118));
    fill.setColorAt(1, base.darker(108));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(tile, cell * 0.22, cell * 0.22);
    const qreal glyph = cell * 0.62;
    DrawIcon(p, kTiles[i].icon, QRectF(tile.center().x() - glyph / 2, tile.center().y() - glyph / 2, glyph, glyph),
             Qt::white);
  }
  return strip;
}

} // namespace art
