#pragma once

#include "skin/bar_math.h"
#include "skin/opti_controls.h"
#include "ui/base_skin.h"

#include <QFont>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace zv {

// The drawn controls of the built-in look. Each paints itself from the base bitmap into a
// 32-bit canvas filled with the control panel's colour.
class TBaseSkinWidget : public TCanvasWidget {
public:
  TBaseSkinWidget(QWidget* parent, const TBaseSkin& skin) : TCanvasWidget(parent), skin_(skin) {}

protected:
  // The control panel's colour, base pixel (761, 114).
  uint32_t FillArgb() const override { return skin_.Bitmap().Pixel(761, 114); }
  const TBaseSkin& skin_;
};

// A button of the built-in bars: a vertical strip of six pictures in the base bitmap, the row
// chosen by its state; clicking posts its command.
class THoverButton : public TBaseSkinWidget {
public:
  // `stripX`: the strip's left edge; `size`: 21 for the bars, 15 for the caption.
  THoverButton(QWidget* parent, const TBaseSkin& skin, int code, int stripX, int size);
  int Code() const { return code_; }
  void SetChecked(bool on);
  bool Checked() const { return checked_; }
  // 3 × (checked or pressed) + hovered when enabled; 5 when disabled and checked, else 2.
  int Row() const;
  // Paints what lies behind the button (the caption's picture); the panel colour without it.
  std::function<void(TBitmap32&, QPoint)> paintBackground;
  std::function<void(int)> onClick;
  // Distance from the parent's right edge, for buttons anchored to it (0: anchored left).
  int rightOffset = 0;

protected:
  void Draw(TBitmap32& canvas) override;
  void mousePressEvent(class QMouseEvent*) override;
  void mouseReleaseEvent(class QMouseEvent*) override;
  void changeEvent(QEvent*) override;

private:
  int code_, stripX_, size_;
  bool checked_ = false, pressed_ = false;
};

// The seek bar: a scale of times, the bookmarks and the position marker.
class TTimeTrackBar : public TBaseSkinWidget {
public:
  TTimeTrackBar(QWidget* parent, const TBaseSkin& skin);
  static constexpr int kMargin = 18;
  void SetPosition(int64_t p);
  void SetDuration(int64_t d);
  int64_t Position() const { return position_; }
  int64_t Duration() const { return duration_; }
  void SetMark(int i, int64_t value);
  int64_t GetMark(int i) const;
  void ClearMarks();
  bool Dragging() const { return dragging_; }
  int ThumbX() const;
  std::function<void()> onChange;

protected:
  void Draw(TBitmap32& canvas) override;
  void DrawOver(QPainter& p) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

private:
  void SetFromX(int x);
  QString Label(int64_t t) const;
  int64_t position_ = 0, duration_ = 10'000'000;
  QFont font_;       // the scale's labels, "Small Fonts" 9 pixels high
  TTimeScale scale_; // laid out by Draw, labelled by DrawOver
  std::array<int64_t, 100> marks_{};
  bool dragging_ = false;
};

// The horizontal volume bar, 0 … 100.
class TVolumeTrackBar : public TBaseSkinWidget {
public:
  TVolumeTrackBar(QWidget* parent, const TBaseSkin& skin);
  int Value() const { return value_; }
  // Clamps to 0 … 100, repaints when the thumb moves and calls the callback.
  void SetVolume(int v);
  int ThumbX() const { return 5 + (width() - 10) * value_ / 100; }
  std::function<void()> onChange;

protected:
  void Draw(TBitmap32& canvas) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;

private:
  void SetFromX(int x);
  int value_ = 0;
};

// A text drawn in the base bitmap's glyphs; it repaints only when the text changes.
class TGlyphTextBar : public TBaseSkinWidget {
public:
  TGlyphTextBar(QWidget* parent, const TBaseSkin& skin, std::string text)
      : TBaseSkinWidget(parent, skin), text_(std::move(text)) {}
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }

protected:
  std::string text_;
};

// The clock, "21:05" (a blank in place of the colon every other second).
class TTimeBar : public TGlyphTextBar {
public:
  TTimeBar(QWidget* parent, const TBaseSkin& skin);

protected:
  void Draw(TBitmap32& canvas) override;
};

// The position text, "0:12:05/1:30:00".
class TPosBar : public TGlyphTextBar {
public:
  TPosBar(QWidget* parent, const TBaseSkin& skin);
  std::function<void()> onDoubleClick;

protected:
  void Draw(TBitmap32& canvas) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
};

// The processor-load meter.
class TCPULoad : public TBaseSkinWidget {
public:
  TCPULoad(QWidget* parent, const TBaseSkin& skin);
  void SetLoad(int percent);
  int Load() const { return load_; }

protected:
  void Draw(TBitmap32& canvas) override;

private:
  int load_ = 50;
};

} // namespace zv
