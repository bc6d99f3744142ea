#include "ui/video_props_dialog.h"

#include "core/format.h"
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "playback/direct_show_helper.h"
#include "skin/language_manager.h"
#include "ui/main_window.h"
#include "ui/plain_text.h"
#include "ui/video_panel.h"
#include "ui/window_input.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace zv {

namespace {
constexpr int kEffects[8] = {4, 2, 3, 0, 6, 5, 8, 7};

TVideoBounds Bounds(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
QRect Rect(const TVideoBounds& b) { return QRect(b.left, b.top, b.right - b.left, b.bottom - b.top); }
TVideoBounds Moved(TVideoBounds b, int dx, int dy) { return {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy}; }
} // namespace

int EffectOfSliderPosition(int position) { return kEffects[std::clamp(position, 0, 7)]; }

int SliderPositionOfEffect(int effect) {
  for (int i = 0; i < 8; ++i)
    if (kEffects[i] == effect)
      return i;
  return 3;
}

TZoomMiniature ZoomMiniature(TVideoBounds screen, TVideoBounds window, TVideoBounds videoArea, TVideoBounds picture,
                             TVideoBounds box) {
  // The video area's top-left corner is the origin.
  const int ox = videoArea.left, oy = videoArea.top;
  screen = Moved(screen, -ox, -oy);
  window = Moved(window, -ox, -oy);
  videoArea = Moved(videoArea, -ox, -oy);
  TVideoBounds frame{
      std::min({screen.left, window.left, picture.left}), std::min({screen.top, window.top, picture.top}),
      std::max({screen.right, window.right, picture.right}), std::max({screen.bottom, window.bottom, picture.bottom})};
  const int fw = std::max(frame.right - frame.left, 1), fh = std::max(frame.bottom - frame.top, 1);
  const double e = (static_cast<double>(fw) / fh) / 1.3333333333333333;
  if (e >= 1) {
    const int g = static_cast<int>(RoundHalfEven(fh * e)) - fh;
    frame.top -= g / 2;
    frame.bottom += g / 2;
  } else {
    const int g = static_cast<int>(RoundHalfEven(fw / e)) - fw;
    frame.left -= g / 2;
    frame.right += g / 2;
  }
  const double sx = static_cast<double>(box.right - box.left) / std::max(frame.right - frame.left, 1);
  const double sy = static_cast<double>(box.bottom - box.top) / std::max(frame.bottom - frame.top, 1);
  const auto map = [&](const TVideoBounds& r) {
    TVideoBounds m;
    m.left = box.left + static_cast<int>(RoundHalfEven((r.left - frame.left) * sx));
    m.top = box.top + static_cast<int>(RoundHalfEven((r.top - frame.top) * sy));
    m.right = m.left + static_cast<int>(RoundHalfEven(sx * (r.right - r.left)));
    m.bottom = m.top + static_cast<int>(RoundHalfEven(sy * (r.bottom - r.top)));
    return m;
  };
  const TVideoBounds visible{std::max(videoArea.left, picture.left), std::max(videoArea.top, picture.top),
                             std::min(videoArea.right, picture.right), std::min(videoArea.bottom, picture.bottom)};
  return {map(screen), map(window), map(videoArea), map(picture), visible.Empty() ? TVideoBounds{} : map(visible)};
}

TfrVideoProps::TfrVideoProps(TVideoPropsHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), binding_(*host_.models, "App.VideoProps") {
  setObjectName("VideoPropsDialog");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QHBoxLayout(this);

  // Colours.
  colourGroup_ = new QGroupBox(this);
  auto* colours = new QVBoxLayout(colourGroup_);
  for (int i = 0; i < 3; ++i) {
    colourBoxes_[i] = new QGroupBox(colourGroup_);
    auto* row = new QHBoxLayout(colourBoxes_[i]);
    colour_[i] = new QSlider(Qt::Horizontal, colourBoxes_[i]);
    colour_[i]->setRange(0, 100);
    colour_[i]->setValue(50);
    colour_[i]->setPageStep(10);
    colour_[i]->setMinimumWidth(160);
    connect(colour_[i], &QSlider::valueChanged, this, [this] { ColourMoved(); });
    row->addWidget(colour_[i]);
    colours->addWidget(colourBoxes_[i]);
  }
  auto* neutral = new QPushButton(PlainMenuText("-> 0 <-"), colourGroup_);
  connect(neutral, &QPushButton::clicked, this, [this] {
    for (QSlider* s : colour_)
      s->setValue(50);
  });
  colours->addWidget(neutral, 0, Qt::AlignHCenter);
  layout->addWidget(colourGroup_);

  // Shape and processing.
  geometryGroup_ = new QGroupBox(this);
  auto* shape = new QGridLayout(geometryGroup_);
  fixed_ = new QCheckBox(geometryGroup_);
  connect(fixed_, &QCheckBox::clicked, this, [this] { AspectClicked(); });
  shape->addWidget(fixed_, 0, 0, 1, 2);
  for (int i = 0; i < 4; ++i) {
    aspect_[i] = new QRadioButton(geometryGroup_);
    connect(aspect_[i], &QRadioButton::clicked, this, [this] { AspectClicked(); });
    shape->addWidget(aspect_[i], 1 + i, 0);
  }
  aspect_[1]->setText(QStringLiteral("4:3"));
  aspect_[2]->setText(QStringLiteral("16:9"));
  auto* decoder = new QPushButton(geometryGroup_);
  decoder->setObjectName("DecoderButton");
  binding_.Bind("Decoder", decoder);
  shape->addWidget(decoder, 5, 0, 1, 2);
  flip_ = new QCheckBox(PlainMenuText("Vertical flip"), geometryGroup_);
  connect(flip_, &QCheckBox::toggled, this, [this](bool on) {
    if (const std::shared_ptr<TVideoProcSettings> s = host_.dsh ? host_.dsh->VideoProcessorSettings() : nullptr)
      s->flip = on;
  });
  shape->addWidget(flip_, 6, 0, 1, 2);
  effect_ = new QSlider(Qt::Vertical, geometryGroup_);
  effect_->setRange(0, 7);
  effect_->setInvertedAppearance(true); // position 0 at the top
  effect_->setValue(3);
  effect_->setTickPosition(QSlider::TicksRight);
  effect_->setTickInterval(1);
  connect(effect_, &QSlider::valueChanged, this, [this](int position) {
    if (const std::shared_ptr<TVideoProcSettings> s = host_.dsh ? host_.dsh->VideoProcessorSettings() : nullptr)
      s->effect = EffectOfSliderPosition(position);
  });
  auto* effectLabels = new QVBoxLayout;
  for (const char* text : {"Soft", "Normal", "Sharp"}) {
    if (effectLabels->count() > 0)
      effectLabels->addStretch();
    auto* label = new QLabel(geometryGroup_);
    SetPlainText(label, text);
    effectLabels->addWidget(label);
  }
  shape->addWidget(effect_, 0, 2, 7, 1);
  shape->addLayout(effectLabels, 0, 3, 7, 1);
  layout->addWidget(geometryGroup_);

  // Zoom.
  zoomGroup_ = new QGroupBox(this);
  auto* zoom = new QGridLayout(zoomGroup_);
  for (int i = 0; i < 2; ++i) {
    zoom_[i] = new QSlider(i == 0 ? Qt::Horizontal : Qt::Vertical, zoomGroup_);
    zoom_[i]->setRange(50, 300);
    zoom_[i]->setValue(100);
    zoom_[i]->setTickInterval(50);
    zoom_[i]->setTickPosition(i == 0 ? QSlider::TicksBelow : QSlider::TicksRight);
    binding_.Bind(i == 0 ? "ZoomX" : "ZoomY", zoom_[i]);
  }
  picture_ = new QLabel(zoomGroup_);
  picture_->setTextFormat(Qt::PlainText); // it only ever shows the miniature
  picture_->setFixedSize(160, 120);
  auto* reset = new QPushButton(PlainMenuText("100%"), zoomGroup_);
  binding_.Bind("ZoomReset", reset);
  zoom->addWidget(picture_, 0, 0);
  zoom->addWidget(zoom_[1], 0, 1);
  zoom->addWidget(zoom_[0], 1, 0);
  zoom->addWidget(reset, 1, 1);
  layout->addWidget(zoomGroup_);

  host_.models->Subscribe("App.VideoProps.Geometry", THandlerKey::Tagged(this, 0), [this] { RefreshZoom(); });
  timer_ = new QTimer(this);
  timer_->setInterval(30);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (isVisible())
      RefreshColourAndAspect();
    else
      timer_->stop();
  });
  ApplyTexts();
}

TfrVideoProps::~TfrVideoProps() { host_.models->Unsubscribe("App.VideoProps.Geometry", THandlerKey::Tagged(this, 0)); }

void TfrVideoProps::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  RefreshColourAndAspect();
  RefreshZoom();
  ApplyTexts();
  timer_->start();
}

void TfrVideoProps::ApplyTexts() {
  setWindowTitle(OutsideText(Lang("Command.300")));
  const char* keys[3] = {"OSD.Brightness", "OSD.Contrast", "OSD.Saturation"};
  for (int i = 0; i < 3; ++i)
    colourBoxes_[i]->setTitle(PlainMenuText(" " + Lang(keys[i]) + " "));
  geometryGroup_->setTitle(PlainMenuText(" " + Lang("Video.Geometry") + " "));
  fixed_->setText(PlainMenuText(Lang("Video.FixedAspectRatio")));
  aspect_[0]->setText(PlainMenuText(Lang("Video.AsIs")));
  aspect_[3]->setText(PlainMenuText(Pref(host_.prefs, "Video.AspectRatioCustom", "47:20")));
  if (auto* decoder = findChild<QPushButton*>("DecoderButton"))
    decoder->setText(PlainMenuText(Lang("Video.VideoDecoder")));
}

void TfrVideoProps::RefreshColourAndAspect() {
  // Read quietly: the "no colour control" message is for the commands, not for every refresh.
  TDirectShowHelper::TBCS v;
  std::string kind;
  if (host_.dsh) {
    kind = host_.dsh->ColourControlKind();
    if (!kind.empty())
      v = host_.dsh->GetBCS();
    colourGroup_->setTitle(PlainMenuText(" " + Lang("Video.Color") + " (" + kind + ") "));
  } else {
    colourGroup_->setTitle(PlainMenuText(" " + Lang("Video.Color") + " "));
  }
  const bool processor = SameText(kind, "VideoProc");
  flip_->setEnabled(processor);
  effect_->setEnabled(processor);
  if (processor)
    if (const std::shared_ptr<TVideoProcSettings> s = host_.dsh->VideoProcessorSettings()) {
      const QSignalBlocker a(flip_), b(effect_);
      flip_->setChecked(s->flip.load());
      effect_->setValue(SliderPositionOfEffect(s->effect.load()));
    }
  refreshing_ = true;
  colour_[0]->setValue(v.brightness);
  colour_[1]->setValue(v.contrast);
  colour_[2]->setValue(v.saturation);
  ShowColourHints();
  TVideoPropsModel* props = host_.window ? host_.window->VideoProps() : nullptr;
  if (props) {
    const QSignalBlocker block(fixed_);
    fixed_->setChecked(!props->IsFreeAspect());
    int x = 0, y = 0;
    props->AspectRatio(x, y);
    for (QRadioButton* r : aspect_) {
      r->setEnabled(fixed_->isChecked());
      r->setAutoExclusive(false);
      r->setChecked(false);
    }
    // 4:3 and 16:9 win over the custom button.
    QRadioButton* on = x == 0 && y == 0 ? aspect_[0] : nullptr;
    if (x >= 1 && y >= 1)
      on = aspect_[3];
    if (x == 4 && y == 3)
      on = aspect_[1];
    if (x == 16 && y == 9)
      on = aspect_[2];
    if (on)
      on->setChecked(true);
    for (QRadioButton* r : aspect_)
      r->setAutoExclusive(true);
  }
  refreshing_ = false;
}

void TfrVideoProps::ShowColourHints() {
  for (QSlider* s : colour_)
    s->setToolTip(PlainToolTip(std::to_string(s->value()) + "%"));
}

void TfrVideoProps::ColourMoved() {
  ShowColourHints();
  if (refreshing_ || !host_.dsh)
    return;
  host_.dsh->SetBCS(colour_[0]->value(), colour_[1]->value(), colour_[2]->value());
}

void TfrVideoProps::AspectClicked() {
  TVideoPropsModel* props = host_.window ? host_.window->VideoProps() : nullptr;
  if (refreshing_ || !props)
    return;
  refreshing_ = true;
  int x = -1, y = -1;
  if (fixed_->isChecked()) {
    x = y = 0;
    if (aspect_[1]->isChecked())
      x = 4, y = 3;
    else if (aspect_[2]->isChecked())
      x = 16, y = 9;
    else if (aspect_[3]->isChecked())
      std::tie(x, y) = CustomAspectRatio(Pref(host_.prefs, "Video.AspectRatioCustom", "47:20"));
  }
  props->SetAspectRatio(x, y);
  refreshing_ = false;
  RefreshColourAndAspect();
}

void TfrVideoProps::RefreshZoom() {
  DrawMiniature();
  const std::string t =
      Format("%d%% x %d%%", host_.models->GetInt("App.VideoProps.ZoomX"), host_.models->GetInt("App.VideoProps.ZoomY"));
  zoomGroup_->setTitle(PlainMenuText(" " + Lang("Video.Zoom") + ": " + t + " "));
  // Only while the dialog is on the screen: dragging the picture otherwise would keep telling it.
  if (isVisible() && host_.osd)
    host_.osd(t);
}

void TfrVideoProps::DrawMiniature() {
  miniature_ = QImage(picture_->size(), QImage::Format_RGB32);
  miniature_.fill(palette().color(QPalette::Window));
  TfrMain* w = host_.window;
  if (w && w->VideoProps()) {
    QWidget* area = w->Panel();
    const QScreen* screen = w->screen();
    const QRect areaRect(area->mapToGlobal(QPoint(0, 0)), area->size());
    const std::optional<QRect> placed = w->Panel()->Video()->PictureRect();
    const TZoomMiniature m =
        ZoomMiniature(Bounds(screen ? screen->geometry() : QRect()), Bounds(w->frameGeometry()), Bounds(areaRect),
                      Bounds(placed.value_or(QRect(QPoint(0, 0), area->size()))), Bounds(miniature_.rect()));
    QPainter p(&miniature_);
    p.fillRect(Rect(m.screen), QColor(128, 128, 128));
    p.fillRect(Rect(m.picture), Qt::red);
    p.fillRect(Rect(m.window), Qt::blue);
    p.fillRect(Rect(m.videoArea), Qt::black);
    if (!m.visible.Empty()) {
      p.fillRect(Rect(m.visible), QColor(0, 255, 0));
      p.setPen(Qt::black);
      p.drawRect(Rect(m.visible).adjusted(0, 0, -1, -1));
    }
  }
  picture_->setPixmap(QPixmap::fromImage(miniature_));
}

} // namespace zv
