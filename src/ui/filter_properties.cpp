#include "ui/filter_properties.h"

#include "ui/plain_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace zv {

using eng::TFilterProperty;

TfrFilterProperties::TfrFilterProperties(std::function<eng::IFilter*()> filter, QWidget* parent)
    : QDialog(parent), filter_(std::move(filter)) {
  setObjectName("FilterProperties");
  setWindowTitle(QStringLiteral("Zelvar stream"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  eng::IFilter* f = filter_ ? filter_() : nullptr;
  auto* title = new QLabel(this);
  SetPlainText(title, f ? f->Name() : std::string());
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  for (const TFilterProperty& p : f ? f->Properties() : std::vector<TFilterProperty>{}) {
    QWidget* control = nullptr;
    const std::string name = p.name;
    switch (p.kind) {
    case TFilterProperty::TKind::Bool: {
      auto* box = new QCheckBox(page);
      box->setChecked(p.value == "1");
      connect(box, &QCheckBox::toggled, this, [this, name](bool on) { Apply(name, on ? "1" : "0"); });
      control = box;
      break;
    }
    case TFilterProperty::TKind::Int: {
      auto* spin = new QSpinBox(page);
      spin->setRange(static_cast<int>(std::clamp<double>(p.min, INT_MIN, INT_MAX)),
                     static_cast<int>(std::clamp<double>(p.max, INT_MIN, INT_MAX)));
      spin->setValue(static_cast<int>(std::clamp<double>(std::strtod(p.value.c_str(), nullptr), INT_MIN, INT_MAX)));
      spin->setKeyboardTracking(false);
      connect(spin, &QSpinBox::valueChanged, this, [this, name](int v) { Apply(name, std::to_string(v)); });
      control = spin;
      break;
    }
    case TFilterProperty::TKind::Double: {
      auto* spin = new QDoubleSpinBox(page);
      spin->setDecimals(3);
      spin->setRange(p.min, p.max);
      spin->setValue(std::strtod(p.value.c_str(), nullptr));
      spin->setKeyboardTracking(false);
      connect(spin, &QDoubleSpinBox::valueChanged, this,
              [this, name](double v) { Apply(name, QString::number(v, 'g', 10).toStdString()); });
      control = spin;
      break;
    }
    case TFilterProperty::TKind::Choice: {
      auto* combo = new QComboBox(page);
      for (const auto& [value, label] : p.choices) {
        combo->addItem(OutsideText(label), value);
        if (std::to_string(value) == p.value)
          combo->setCurrentIndex(combo->count() - 1);
      }
      connect(combo, &QComboBox::currentIndexChanged, this,
              [this, name, combo](int) { Apply(name, std::to_string(combo->currentData().toInt())); });
      control = combo;
      break;
    }
    case TFilterProperty::TKind::Text: {
      auto* edit = new QLineEdit(OutsideText(p.value), page);
      connect(edit, &QLineEdit::editingFinished, this, [this, name, edit] { Apply(name, edit->text().toStdString()); });
      control = edit;
      break;
    }
    }
    control->setToolTip(PlainToolTip(p.description));
    auto* label = new QLabel(page);
    SetPlainText(label, p.label);
    form->addRow(label, control);
    controls_[name] = control;
  }
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  layout->addWidget(scroll);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(buttons);
  resize(420, std::min(120 + 34 * static_cast<int>(controls_.size()), 560));
}

QWidget* TfrFilterProperties::Control(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

void TfrFilterProperties::Apply(const std::string& name, const std::string& value) {
  eng::IFilter* f = filter_ ? filter_() : nullptr;
  if (!f) {
    // The graph it belonged to is gone: nothing left to change.
    for (const auto& [n, control] : controls_)
      control->setEnabled(false);
    return;
  }
  f->SetProperty(name, value);
}

} // namespace zv
