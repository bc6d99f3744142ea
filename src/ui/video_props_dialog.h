#pragma once

#include "playback/video_props.h"
#include "ui/vcl_proxy.h"

#include <QDialog>
#include <QRect>
#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;
class QTimer;

namespace zv {

class IPrefs;
class TDirectShowHelper;
class TfrMain;

// The effect slider's positions, blurs at the top, none at 3, sharpening below: effects 4, 2, 3,
// 0, 6, 5, 8, 7; and the position that shows an effect.
int EffectOfSliderPosition(int position);
int SliderPositionOfEffect(int effect);

// The zoom miniature: the screen, the main window, the video area and the picture, mapped into
// the box (a frame around them all, widened to 4:3). `visible` is the picture's part inside the
// video area.
struct TZoomMiniature {
  TVideoBounds screen, window, videoArea, picture, visible;
};
// All rectangles in screen coordinates except `picture`, which is relative to the video area.
TZoomMiniature ZoomMiniature(TVideoBounds screen, TVideoBounds window, TVideoBounds videoArea, TVideoBounds picture,
                             TVideoBounds box);

struct TVideoPropsHost {
  TBasicModelManager* models = nullptr;
  IPrefs* prefs = nullptr;
  TDirectShowHelper* dsh = nullptr;
  TfrMain* window = nullptr;
  std::function<void(const std::string&)> osd;
};

// The video settings: brightness, contrast and saturation, the aspect ratio, the zoom of each
// axis (bound to the video properties' models), the decoder's settings, the processor's flip and
// effect, and a miniature of where the picture lies.
class TfrVideoProps : public QDialog {
public:
  explicit TfrVideoProps(TVideoPropsHost host, QWidget* parent = nullptr);
  ~TfrVideoProps() override;

  // Colours and aspect read again (every 30 ms while shown).
  void RefreshColourAndAspect();
  void RefreshZoom();

  QSlider* Colour(int i) const { return colour_[i]; }
  QCheckBox* FixedAspect() const { return fixed_; }
  QRadioButton* Aspect(int i) const { return aspect_[i]; }
  QSlider* Zoom(int i) const { return zoom_[i]; }
  QCheckBox* Flip() const { return flip_; }
  QSlider* Effect() const { return effect_; }
  QGroupBox* ColourGroup() const { return colourGroup_; }
  QGroupBox* ZoomGroup() const { return zoomGroup_; }
  const QImage& Miniature() const { return miniature_; }

protected:
  void showEvent(QShowEvent* e) override;

private:
  void ApplyTexts();
  void ColourMoved();
  void ShowColourHints();
  void AspectClicked();
  void DrawMiniature();

  TVideoPropsHost host_;
  TVCL2Model binding_;
  std::array<QSlider*, 3> colour_{};
  std::array<QRadioButton*, 4> aspect_{}; // as is, 4:3, 16:9, custom
  std::array<QSlider*, 2> zoom_{};
  QCheckBox* fixed_ = nullptr;
  QCheckBox* flip_ = nullptr;
  QSlider* effect_ = nullptr;
  QGroupBox* colourGroup_ = nullptr;
  QGroupBox* geometryGroup_ = nullptr;
  QGroupBox* zoomGroup_ = nullptr;
  std::array<QGroupBox*, 3> colourBoxes_{};
  QLabel* picture_ = nullptr;
  QImage miniature_;
  QTimer* timer_ = nullptr;
  bool refreshing_ = false;
};

} // namespace zv
