#include "ui/audio_props_dialog.h"

#include "core/prefs_access.h"
#include "skin/language_manager.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace zv {

namespace {

QSlider* MakeSlider(Qt::Orientation o, QWidget* parent) {
  auto* s = new QSlider(o, parent);
  s->setRange(0, 100);
  s->setPageStep(10);
  s->setTickInterval(o == Qt::Vertical ? 10 : 50);
  s->setTickPosition(o == Qt::Vertical ? QSlider::TicksBothSides : QSlider::TicksBelow);
  return s;
}

QLabel* SmallLabel(const char* text, QWidget* parent, Qt::Alignment align = Qt::AlignCenter) {
  auto* l = new QLabel(parent);
  SetPlainText(l, text);
  l->setAlignment(align);
  return l;
}

} // namespace

TfrAudioProps::TfrAudioProps(TBasicModelManager& models, IPrefs* prefs, QWidget* parent)
    : QDialog(parent), streams_(models, "App.AudioProps"), equalizer_(models, "App.Equalizer") {
  setObjectName("AudioPropsDialog");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QHBoxLayout(this);

  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i);
    columns_[i] = new QGroupBox(this);
    auto* grid = new QGridLayout(columns_[i]);
    enabled_[i] = new QCheckBox(columns_[i]);
    streams_.Bind("Enabled" + n, enabled_[i]);
    grid->addWidget(enabled_[i], 0, 0, 1, 3);
    volume_[i] = MakeSlider(Qt::Vertical, columns_[i]);
    volume_[i]->setMinimumHeight(130);
    streams_.Bind("Volume" + n, volume_[i]);
    grid->addWidget(SmallLabel("100%", columns_[i]), 1, 1);
    grid->addWidget(volume_[i], 2, 1, Qt::AlignHCenter);
    grid->addWidget(SmallLabel("0%", columns_[i]), 3, 1);
    balance_[i] = MakeSlider(Qt::Horizontal, columns_[i]);
    balance_[i]->setMinimumWidth(110);
    streams_.Bind("Balance" + n, balance_[i]);
    grid->addWidget(SmallLabel("L", columns_[i], Qt::AlignRight | Qt::AlignVCenter), 4, 0);
    grid->addWidget(balance_[i], 4, 1);
    grid->addWidget(SmallLabel("R", columns_[i], Qt::AlignLeft | Qt::AlignVCenter), 4, 2);
    decoder_[i] = new QPushButton(columns_[i]);
    streams_.Bind("Decoder" + n, decoder_[i]);
    grid->addWidget(decoder_[i], 5, 0, 1, 3);
    layout->addWidget(columns_[i]);
  }

  eqGroup_ = new QGroupBox(this);
  auto* eq = new QGridLayout(eqGroup_);
  static const char* const kBands[] = {"100 Hz", "600 Hz", "12 KHz"};
  eq->addWidget(SmallLabel("+15 dB", eqGroup_, Qt::AlignRight | Qt::AlignTop), 0, 0);
  eq->addWidget(SmallLabel("0 dB", eqGroup_, Qt::AlignRight | Qt::AlignVCenter), 1, 0);
  eq->addWidget(SmallLabel("-15 dB", eqGroup_, Qt::AlignRight | Qt::AlignBottom), 2, 0);
  for (int i = 0; i < 3; ++i) {
    band_[i] = MakeSlider(Qt::Vertical, eqGroup_);
    band_[i]->setMinimumHeight(150);
    equalizer_.Bind("Band" + std::to_string(i), band_[i]);
    eq->addWidget(band_[i], 0, 1 + i, 3, 1, Qt::AlignHCenter);
    bandLabel_[i] = SmallLabel(kBands[i], eqGroup_);
    eq->addWidget(bandLabel_[i], 3, 1 + i);
  }
  reset_ = new QPushButton(PlainMenuText("Reset"), eqGroup_);
  equalizer_.Bind("Reset", reset_);
  eq->addWidget(reset_, 4, 1, 1, 3);
  layout->addWidget(eqGroup_);

  // Opening the dialog makes the preferred stream the only one heard.
  for (QCheckBox* box : enabled_)
    box->setChecked(false);
  const int preferred = prefs ? prefs->GetInt("Sound.DefaultStream") : 0;
  if (preferred >= 0 && preferred <= 2 && enabled_[preferred]->isEnabled())
    enabled_[preferred]->setChecked(true);
  else if (enabled_[0]->isEnabled())
    enabled_[0]->setChecked(true);
  ApplyTexts();
}

void TfrAudioProps::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow())
    ApplyTexts();
}

void TfrAudioProps::ApplyTexts() {
  setWindowTitle(OutsideText(Lang("Command.400")));
  for (int i = 0; i < 3; ++i) {
    enabled_[i]->setText(PlainMenuText(Lang("Audio.Channel") + " " + std::to_string(i + 1)));
    decoder_[i]->setText(PlainMenuText(Lang("Audio.Decoder")));
  }
  eqGroup_->setTitle(PlainMenuText(" " + Lang("Audio.Equalizer") + " "));
}

} // namespace zv
