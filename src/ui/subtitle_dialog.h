#pragma once

#include "ui/vcl_proxy.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zv {

class IPrefs;

struct TSubtitleDialogHost {
  TBasicModelManager* models = nullptr;
  IPrefs* prefs = nullptr;
  // A font or colour chosen for stream 0 or 1 goes to that stream's panel at once.
  std::function<void(int stream, const QFont& font, QColor colour)> applyFont;
  // The font and colour pickers; none when cancelled (the platform's dialogs when unset).
  std::function<std::optional<QFont>(const QFont& current, QWidget* parent)> chooseFont;
  std::function<std::optional<QColor>(QColor current, QWidget* parent)> chooseColour;
};

// The subtitle settings: one group per stream, its controls bound to the stream's models
// ("App.Subs.Enabled<i>", "VPos<i>", "Shift<i>", "Load<i>"), its caption following the title.
class TfrSubtitles : public QDialog {
public:
  struct TGroup {
    QGroupBox* box = nullptr;
    QCheckBox* show = nullptr;
    QSlider* vpos = nullptr;
    QSlider* shift = nullptr;
    QSpinBox* shiftSpin = nullptr;
    QPushButton* load = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* reset = nullptr;
    QPushButton* preview = nullptr;
    QPushButton* swatch = nullptr;
    QFont font;
    QColor colour;
  };

  TfrSubtitles(TSubtitleDialogHost host, QWidget* parent = nullptr);
  ~TfrSubtitles() override;

  const TGroup& Group(int stream) const { return groups_[stream]; }
  void PickFont(int stream);
  void PickColour(int stream);

private:
  QGroupBox* BuildGroup(int stream);
  void RefreshTitle(int stream);
  void RefreshShift(int stream);
  void ShowFace(int stream);
  std::string Model(const char* name, int stream) const {
    return std::string("App.Subs.") + name + std::to_string(stream);
  }

  TSubtitleDialogHost host_;
  TVCL2Model binding_;
  TGroup groups_[2];
};

} // namespace zv
