#pragma once

#include "commands/blind_notifier.h"
#include "skin/opti_resource.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zv {

class TBasicModelManager;

// What the skin controls read from and do to the running program.
class ISkinHost {
public:
  virtual ~ISkinHost() = default;
  virtual TBasicModelManager& Models() = 0;
  // Fires every 100 ms.
  virtual TBlindNotifier& Tick() = 0;
  virtual bool HasPlayer() const = 0;
  virtual int64_t Position() const = 0; // 100-ns units
  virtual int64_t Duration() const = 0; // −1 when unknown
  virtual void SeekTo(int64_t position) = 0;
  virtual int Volume() const = 0; // 0 … 100
  virtual void SetVolume(int volume) = 0;
  // "{TIME}", "{POS}", "{DUR}", "{TITLE}" expanded.
  virtual std::string FormatText(std::string_view tmpl) const = 0;
  // The text of a language key.
  virtual std::string Lang(std::string_view key) const = 0;
};

// A widget that draws itself into a 32-bit canvas of its own size, filled with FillArgb() first;
// widgets that ask for it repaint when the pointer comes and goes.
class TCanvasWidget : public QWidget {
public:
  explicit TCanvasWidget(QWidget* parent);
  bool Hovered() const { return hover_; }

protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  virtual uint32_t FillArgb() const = 0; // 0xFFRRGGBB
  // Draws the whole control into the canvas.
  virtual void Draw(TBitmap32& canvas) = 0;
  // Text and other vector drawing after the canvas is on screen.
  virtual void DrawOver(QPainter&) {}
  bool trackHover_ = false;

private:
  bool hover_ = false;
};

// Base of every skin control: a panel without bevel that paints its own opaque background into
// a 32-bit canvas and keeps its left or right distance to its parent as the parent resizes.
class TOptiWidget : public TCanvasWidget {
public:
  // `colour` (0x00BBGGRR) fills what nothing else draws.
  TOptiWidget(QWidget* parent, uint32_t colour);

  // The placement rules of a control's pos and size; the parent's width is taken now.
  void Place(bool hasPos, TPoint pos, bool hasSize, TPoint size);
  bool AnchoredLeft() const { return anchorLeft_; }
  bool AnchoredRight() const { return anchorRight_; }

  TOptiArea Background;
  TPoint BackgroundSplit;

protected:
  void resizeEvent(QResizeEvent*) override;
  uint32_t FillArgb() const override;
  // The background area, or the plain colour where there is none.
  void Draw(TBitmap32& canvas) override;
  void DrawBackground(TBitmap32& canvas);

private:
  uint32_t colour_;
  bool anchorLeft_ = true, anchorRight_ = false;
  int rightGap_ = 0; // parent width − right edge, for controls anchored right
};

// A type the builder does not know: a red panel captioned "PNL:" and its id.
class TOptiDummy : public TOptiWidget {
public:
  TOptiDummy(QWidget* parent, std::string id);

protected:
  void DrawOver(QPainter& p) override;

private:
  std::string id_;
};

// A stretchable picture; the mouse passes through to the parent.
class TOptiPanel : public TOptiWidget {
public:
  explicit TOptiPanel(QWidget* parent) : TOptiWidget(parent, 0x0000FF) {}
};

// A template text refreshed on every tick, in a bitmap font or in the system look.
class TOptiText : public TOptiWidget {
public:
  TOptiText(QWidget* parent, ISkinHost& host);
  ~TOptiText() override;
  void SetTemplate(std::string tmpl) { template_ = std::move(tmpl); }
  void SetFont(std::unique_ptr<TOptiFont> font) { font_ = std::move(font); }
  const std::string& Shown() const { return shown_; }
  void Refresh();

protected:
  void Draw(TBitmap32& canvas) override;
  void DrawOver(QPainter& p) override;

private:
  ISkinHost& host_;
  std::string template_, shown_;
  std::unique_ptr<TOptiFont> font_;
};

// A picture button bound to a model: rows normal, hovered, pressed; column 1 while an integer
// model is above 0. Releasing executes the model.
class TOptiButton : public TOptiWidget {
public:
  TOptiButton(QWidget* parent, ISkinHost& host);
  ~TOptiButton() override;
  TOptiArea Image;
  void SetLink(std::string link);
  const std::string& Link() const { return link_; }
  // The cell shown now: column and row of the picture grid.
  int Column() const;
  int Row() const { return (Hovered() ? 1 : 0) + (pressed_ ? 1 : 0); }

protected:
  void Draw(TBitmap32& canvas) override;
  void mousePressEvent(class QMouseEvent*) override;
  void mouseReleaseEvent(class QMouseEvent*) override;

private:
  ISkinHost& host_;
  std::string link_;
  bool pressed_ = false;
};

// The seek bar with its time scale.
class TOptiSeeker : public TOptiWidget {
public:
  TOptiSeeker(QWidget* parent, ISkinHost& host);
  ~TOptiSeeker() override;
  TOptiArea Fill, Thumb, LowTick, HighTick;
  void SetFont(std::unique_ptr<TOptiFont> font) { font_ = std::move(font); }

protected:
  void Draw(TBitmap32& canvas) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;

private:
  void SeekAt(int x);
  ISkinHost& host_;
  std::unique_ptr<TOptiFont> font_;
};

// The volume slider.
class TOptiSlider : public TOptiWidget {
public:
  TOptiSlider(QWidget* parent, ISkinHost& host);
  ~TOptiSlider() override;
  TOptiArea Fill, Thumb;

protected:
  void Draw(TBitmap32& canvas) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;

private:
  void SetAt(int x);
  ISkinHost& host_;
};

// A picture as a Qt image (a copy), and drawn as it is at (x, y).
QImage ToQImage(const TBitmap32& bitmap);
void DrawBitmap(QPainter& p, int x, int y, const TBitmap32& bitmap);
TBitmap32 FromQImage(const QImage& image);

} // namespace zv
