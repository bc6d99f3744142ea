#include "ui/subtitle_dialog.h"

#include "core/prefs_access.h"
#include "skin/language_manager.h"
#include "subtitles/subtitle_model.h"
#include "ui/osd_panel.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zv {

TfrSubtitles::TfrSubtitles(TSubtitleDialogHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), binding_(*host_.models, "App.Subs") {
  setObjectName("SubtitleDialog");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  const std::string caption = Lang("Command.352");
  setWindowTitle(caption.starts_with('{') ? QStringLiteral("Subtitles parameters") : OutsideText(caption));
  auto* layout = new QHBoxLayout(this);
  for (int i = 0; i < 2; ++i) {
    groups_[i].font = SubtitlePrefFont(host_.prefs);
    groups_[i].colour = SubtitlePrefColour(host_.prefs);
    layout->addWidget(BuildGroup(i));
  }
  for (int i = 0; i < 2; ++i) {
    const THandlerKey key = THandlerKey::Tagged(this, i);
    host_.models->Subscribe(Model("Title", i), key, [this, i] { RefreshTitle(i); });
    host_.models->Subscribe(Model("Shift", i), key, [this, i] { RefreshShift(i); });
    RefreshTitle(i);
    RefreshShift(i);
    ShowFace(i);
  }
}

TfrSubtitles::~TfrSubtitles() {
  for (int i = 0; i < 2; ++i) {
    host_.models->Unsubscribe(Model("Title", i), THandlerKey::Tagged(this, i));
    host_.models->Unsubscribe(Model("Shift", i), THandlerKey::Tagged(this, i));
  }
}

QGroupBox* TfrSubtitles::BuildGroup(int i) {
  TGroup& g = groups_[i];
  const std::string n = std::to_string(i);
  g.box = new QGroupBox(this);
  auto* grid = new QGridLayout(g.box);

  g.show = new QCheckBox(QStringLiteral("Show"), g.box);
  binding_.Bind("Enabled" + n, g.show);
  g.load = new QPushButton(PlainMenuText(Lang("Command.350") + " " + std::to_string(i + 1)), g.box);
  binding_.Bind("Load" + n, g.load);

  g.vpos = new QSlider(Qt::Vertical, g.box);
  g.vpos->setRange(0, 100);
  g.vpos->setPageStep(10);
  binding_.Bind("VPos" + n, g.vpos);

  g.shift = new QSlider(Qt::Horizontal, g.box);
  g.shift->setRange(-100, 100);
  g.shift->setPageStep(10);
  g.shift->setTickPosition(QSlider::TicksBelow);
  g.shift->setTickInterval(50);
  binding_.Bind("Shift" + n, g.shift);
  g.shiftSpin = new QSpinBox(g.box);
  g.shiftSpin->setRange(-100, 100);
  binding_.Bind("Shift" + n, g.shiftSpin);
  auto* ticks = new QHBoxLayout;
  for (const char* label : {"-10,0", "0", "+10,0"}) {
    if (ticks->count() > 0)
      ticks->addStretch();
    auto* tick = new QLabel(g.box);
    SetPlainText(tick, label);
    ticks->addWidget(tick);
  }

  g.edit = new QLineEdit(g.box);
  g.edit->setMaximumWidth(70);
  connect(g.edit, &QLineEdit::textEdited, this, [this, i](const QString& text) {
    // Text that is no number leaves the shift as it is.
    if (const std::optional<int> shift = ShiftFromEditText(text.toStdString()))
      host_.models->SetInt(Model("Shift", i), *shift);
  });
  g.reset = new QPushButton(QStringLiteral("Reset"), g.box);
  connect(g.reset, &QPushButton::clicked, this, [this, i] { host_.models->SetInt(Model("Shift", i), 0); });

  g.preview = new QPushButton(g.box);
  g.preview->setObjectName("SubtitlePreview");
  g.preview->setMinimumHeight(48);
  connect(g.preview, &QPushButton::clicked, this, [this, i] { PickFont(i); });
  g.swatch = new QPushButton(g.box);
  g.swatch->setFixedSize(28, 28);
  connect(g.swatch, &QPushButton::clicked, this, [this, i] { PickColour(i); });

  grid->addWidget(g.vpos, 0, 0, 4, 1);
  grid->addWidget(g.show, 0, 1);
  grid->addWidget(g.load, 0, 2, 1, 2);
  grid->addWidget(g.shift, 1, 1, 1, 3);
  grid->addLayout(ticks, 2, 1, 1, 3);
  auto* shiftRow = new QHBoxLayout;
  shiftRow->addWidget(g.edit);
  shiftRow->addWidget(g.shiftSpin);
  shiftRow->addWidget(g.reset);
  shiftRow->addStretch();
  grid->addLayout(shiftRow, 3, 1, 1, 3);
  grid->addWidget(g.preview, 4, 0, 1, 3);
  grid->addWidget(g.swatch, 4, 3);
  return g.box;
}

void TfrSubtitles::RefreshTitle(int i) {
  TGroup& g = groups_[i];
  const std::string title = host_.models->GetString(Model("Title", i));
  g.box->setTitle(PlainMenuText("       " + std::to_string(i + 1) + ": " + title));
  for (QWidget* w : {static_cast<QWidget*>(g.edit), static_cast<QWidget*>(g.reset), static_cast<QWidget*>(g.swatch),
                     static_cast<QWidget*>(g.preview)})
    w->setEnabled(!title.empty());
}

void TfrSubtitles::RefreshShift(int i) {
  QLineEdit* edit = groups_[i].edit;
  const int shift = host_.models->GetInt(Model("Shift", i));
  // While the user types a number that already says this shift, the text stays as typed.
  if (ShiftFromEditText(edit->text().toStdString()) != shift)
    edit->setText(QString::fromStdString(ShiftEditText(shift)));
}

void TfrSubtitles::ShowFace(int i) {
  TGroup& g = groups_[i];
  g.preview->setFont(g.font);
  g.preview->setText(PlainMenuText(Pref(host_.prefs, "Subtitles.Text", "Zelvar forever")));
  g.preview->setStyleSheet(
      QStringLiteral("QPushButton#SubtitlePreview { color: %1; background: #202226; }").arg(g.colour.name()));
  QPixmap fill(18, 18);
  fill.fill(g.colour);
  g.swatch->setIcon(fill);
}

void TfrSubtitles::PickFont(int i) {
  TGroup& g = groups_[i];
  std::optional<QFont> font;
  if (host_.chooseFont) {
    font = host_.chooseFont(g.font, this);
  } else {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, g.font, this);
    if (ok)
      font = chosen;
  }
  if (!font)
    return;
  g.font = *font;
  ShowFace(i);
  if (host_.applyFont)
    host_.applyFont(i, g.font, g.colour);
}

void TfrSubtitles::PickColour(int i) {
  TGroup& g = groups_[i];
  std::optional<QColor> colour;
  if (host_.chooseColour) {
    colour = host_.chooseColour(g.colour, this);
  } else {
    const QColor chosen = QColorDialog::getColor(g.colour, this);
    if (chosen.isValid())
      colour = chosen;
  }
  if (!colour)
    return;
  g.colour = *colour;
  ShowFace(i);
  if (host_.applyFont)
    host_.applyFont(i, g.font, g.colour);
}

} // namespace zv
