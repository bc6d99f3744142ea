#pragma once

#include "skin/bitmap32.h"
#include "ui/builtin_bars.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace zv {

// The caption bar at the window's top: the title on the border's picture, and the about, stay
// on top, minimise, full screen and exit buttons.
class TZVCaption : public QWidget {
public:
  TZVCaption(QWidget* parent, const TBaseSkin& skin);
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  void SetActive(bool on);
  bool Active() const { return active_; }
  void SetPictures(TBitmap32 active, TBitmap32 inactive);
  bool HasPictures() const { return pictures_; }
  // k = 1 with the window border: the buttons sit a pixel up and out.
  void PlaceButtons(bool border);
  const std::vector<THoverButton*>& Buttons() const { return buttons_; }
  THoverButton* Button(int code) const;
  // The bar's background (its colour and picture) into a canvas whose origin is `at` in the bar.
  void PaintBackground(TBitmap32& canvas, QPoint at) const;

  std::function<void(int)> onCommand;
  // A press or move on the bar itself (window dragging).
  std::function<void(QMouseEvent*)> onMousePress;

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;

private:
  const TBaseSkin& skin_;
  std::string text_;
  bool active_ = true, pictures_ = false, doubleClick_ = false, border_ = true;
  TBitmap32 activePicture_, inactivePicture_;
  std::vector<THoverButton*> buttons_;
};

} // namespace zv
