#pragma once

#include "ui/vcl_proxy.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zv {

class IPrefs;

// The sound settings: for each of three audio streams whether it is heard, its volume and balance
// and its decoder's settings, and the three bands of the equalizer. The controls bind by name to
// the open file's sound controls ("App.AudioProps") and equalizer ("App.Equalizer"); those without
// a model (fewer streams, no equalizer) are disabled.
class TfrAudioProps : public QDialog {
public:
  TfrAudioProps(TBasicModelManager& models, IPrefs* prefs, QWidget* parent = nullptr);

  QCheckBox* Enabled(int i) const { return enabled_[i]; }
  QSlider* Volume(int i) const { return volume_[i]; }
  QSlider* Balance(int i) const { return balance_[i]; }
  QPushButton* Decoder(int i) const { return decoder_[i]; }
  QSlider* Band(int i) const { return band_[i]; }
  QPushButton* Reset() const { return reset_; }

protected:
  void changeEvent(QEvent* e) override;

private:
  void ApplyTexts();

  TVCL2Model streams_, equalizer_;
  std::array<QGroupBox*, 3> columns_{};
  std::array<QCheckBox*, 3> enabled_{};
  std::array<QSlider*, 3> volume_{}, balance_{};
  std::array<QPushButton*, 3> decoder_{};
  std::array<QSlider*, 3> band_{};
  std::array<QLabel*, 3> bandLabel_{};
  QGroupBox* eqGroup_ = nullptr;
  QPushButton* reset_ = nullptr;
};

} // namespace zv
