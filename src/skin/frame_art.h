#pragma once

#include "skin/bitmap32.h"

#include <cstdint>

namespace zv {

// Each pixel's red component as a level L becomes (L × R / 255, L × G / 255, L × B / 255) of the
// colour (0x00BBGGRR): a grey picture turns into shades of it.
TBitmap32 TintPicture(const TBitmap32& picture, uint32_t colour);

// The frame of a W × H window from a border picture: the picture and the window are cut at the
// columns 0, 5, 5, w − 5, w and the rows 0, 5, 24, h − 5, h, and the cells of the outer ring are
// stretched onto the window's.
void PaintFrameCells(const TBitmap32& picture, TBitmap32& window);

// The caption bar's picture: (width − 10) × 20 from (5, 5) of a tinted border picture; empty when
// the picture is too small to cut.
TBitmap32 CaptionPicture(const TBitmap32& tinted);

// After each paint the built-in border pictures are touched up in place: the 29 × 52 package
// border by the control panel's visibility, the 24 × 53 built-in one by the panel's enabled
// state, each compared with whether the platform's visual themes are on.
void AdjustBorderPicture(TBitmap32& picture, bool panelVisible, bool panelEnabled, bool themed);

enum class THit { Client, Left, Top, Right, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
// Where (x, y) lies in a W × H window with the drawn border: a 5-pixel band, corners 15 pixels long.
THit BorderHitTest(int x, int y, int width, int height);

} // namespace zv
