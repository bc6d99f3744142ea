#include "skin/frame_art.h"

#include "core/colour.h"

namespace zv {

TBitmap32 TintPicture(const TBitmap32& picture, uint32_t colour) {
  TRgb c = ColorToRgb(colour);
  TBitmap32 out = picture;
  for (int y = 0; y < out.Height(); ++y) {
    uint32_t* row = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) {
      uint32_t level = (row[x] >> 16) & 0xFF;
      row[x] = 0xFF000000u | ((level * c.r / 255) << 16) | ((level * c.g / 255) << 8) | (level * c.b / 255);
    }
  }
  return out;
}

void PaintFrameCells(const TBitmap32& p, TBitmap32& window) {
  const int w = p.Width(), h = p.Height(), W = window.Width(), H = window.Height();
  const int sx[5] = {0, 5, 5, w - 5, w}, sy[5] = {0, 5, 24, h - 5, h};
  const int dx[5] = {0, 5, 5, W - 5, W}, dy[5] = {0, 5, 24, H - 5, H};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (r == 0 || r == 3 || c == 0 || c == 3)
        window.StretchFrom(p, TRect{sx[c], sy[r], sx[c + 1], sy[r + 1]}, TRect{dx[c], dy[r], dx[c + 1], dy[r + 1]});
}

TBitmap32 CaptionPicture(const TBitmap32& tinted) {
  if (tinted.Width() <= 10 || tinted.Height() < 25)
    return {};
  return tinted.Copy(TRect{5, 5, tinted.Width() - 5, 25});
}

void AdjustBorderPicture(TBitmap32& b, bool panelVisible, bool panelEnabled, bool themed) {
  const int w = b.Width(), h = b.Height();
  auto copy = [&b](int x, int y, int fromX, int fromY) { b.SetPixel(x, y, b.Pixel(fromX, fromY)); };
  if (w == 29 && h == 52) {
    for (int y = 3; y <= 23; ++y) {
      if (panelVisible == themed) {
        copy(3, y, 4, y);
        copy(w - 4, y, w - 5, y);
      } else {
        b.SetPixel(3, y, 0xFF000000u);
        b.SetPixel(w - 4, y, 0xFF000000u);
      }
    }
  } else if (w == 24 && h == 53) {
    if (panelEnabled == themed) {
      for (int y = 5; y <= 23; ++y) {
        copy(4, y, 5, y);
        copy(w - 5, y, w - 6, y);
      }
      for (int x = 4; x <= w - 5; ++x)
        copy(x, 4, x, 3);
      for (int x = 1; x <= w - 2; ++x) {
        copy(x, 1, x, 4);
        copy(x, 2, x, 4);
      }
    } else {
      for (int y = 5; y <= 23; ++y) {
        copy(4, y, 4, y + 20);
        copy(w - 5, y, w - 5, y + 20);
      }
      for (int x = 4; x <= w - 5; ++x)
        copy(x, 4, 4, 21);
      for (int x = 1; x <= w - 2; ++x) {
        copy(x, 1, x, h - 2);
        copy(x, 2, x, h - 3);
      }
    }
  }
}

THit BorderHitTest(int x, int y, int W, int H) {
  THit hit = THit::Client;
  if (x < 5)
    hit = THit::Left;
  if (y < 5)
    hit = THit::Top;
  if (x > W - 6)
    hit = THit::Right;
  if (y > H - 6)
    hit = THit::Bottom;
  if (hit == THit::Client)
    return hit;
  if (x < 15 && y < 15)
    hit = THit::TopLeft;
  if (x > W - 16 && y < 15)
    hit = THit::TopRight;
  if (x < 15 && y > H - 16)
    hit = THit::BottomLeft;
  if (x > W - 16 && y > H - 16)
    hit = THit::BottomRight;
  return hit;
}

} // namespace zv
