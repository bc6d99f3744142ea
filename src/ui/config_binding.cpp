#include "ui/config_binding.h"

#include "core/colour.h"
#include "core/format.h"
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "prefs/xml_prefs.h"
#include "ui/plain_text.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace zv {

namespace {

QColor Qt(uint32_t colour) { return QColor::fromRgb(ColorToArgb(colour)); }

QFont QtFont(const TFontSpec& f) {
  QFont font(QString::fromStdString(f.name));
  if (f.size > 0)
    font.setPointSize(f.size);
  font.setBold(f.bold);
  return font;
}

} // namespace

bool PrefTrue(const std::string& v) { return v == "1" || SameText(v, "yes") || SameText(v, "on"); }

// ---------------------------------------------------------------------------------------------

TColourSwatch::TColourSwatch(QWidget* parent) : QPushButton(parent) {
  setMinimumSize(48, 22);
  connect(this, &QPushButton::clicked, this, [this] { Pick(); });
}

void TColourSwatch::SetColour(uint32_t colour) {
  colour_ = colour & 0xFFFFFF;
  update();
}

void TColourSwatch::Pick() {
  const QColor chosen = QColorDialog::getColor(Qt(colour_), window());
  if (!chosen.isValid())
    return;
  SetColour(ArgbToColor(chosen.rgb()));
  if (onChanged)
    onChanged();
}

void TColourSwatch::paintEvent(QPaintEvent* e) {
  QPushButton::paintEvent(e);
  QPainter p(this);
  QRect r = rect().adjusted(6, 5, -6, -5);
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  p.setBrush(Qt(colour_));
  p.drawRoundedRect(r, 3, 3);
}

TFontSwatch::TFontSwatch(QWidget* parent) : QPushButton(parent) {
  setMinimumHeight(44);
  connect(this, &QPushButton::clicked, this, [this] { Pick(); });
}

void TFontSwatch::SetFont(const TFontSpec& font) {
  font_ = font;
  setToolTip(PlainToolTip(Format("%s, %d pt", font.name.c_str(), font.size)));
  update();
}

void TFontSwatch::SetSample(const std::string& text) {
  sample_ = text;
  update();
}

void TFontSwatch::Pick() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, QtFont(font_), window());
  if (!ok)
    return;
  TFontSpec f = font_;
  f.name = chosen.family().toStdString();
  f.size = chosen.pointSize() > 0 ? chosen.pointSize() : f.size;
  f.bold = chosen.bold();
  if (pickColour) {
    const QColor colour = QColorDialog::getColor(Qt(f.color), window());
    if (colour.isValid())
      f.color = ArgbToColor(colour.rgb());
  }
  SetFont(f);
}

void TFontSwatch::paintEvent(QPaintEvent* e) {
  QPushButton::paintEvent(e);
  QPainter p(this);
  QRect r = rect().adjusted(6, 4, -6, -4);
  p.fillRect(r, QColor(0x1E, 0x1F, 0x22)); // the video's dark, where these fonts are read
  QFont f = QtFont(font_);
  if (f.pointSize() > 20)
    f.setPointSize(20);
  p.setFont(f);
  p.setPen(Qt(font_.color));
  const QString text = sample_.empty() ? QString::fromStdString(font_.name) : OutsideText(sample_);
  p.drawText(r, ::Qt::AlignCenter | ::Qt::TextSingleLine,
             p.fontMetrics().elidedText(text, ::Qt::ElideMiddle, r.width() - 8));
}

// ---------------------------------------------------------------------------------------------

void TPrefBinder::Custom(std::string key, std::function<void(const std::string&)> show,
                         std::function<std::string()> value) {
  bindings_.push_back({std::move(key), std::move(show), std::move(value), {}, {}});
}

void TPrefBinder::Check(QAbstractButton* box, std::string key) {
  Custom(
      std::move(key), [box](const std::string& v) { box->setChecked(PrefTrue(v)); },
      [box] { return std::string(box->isChecked() ? "1" : "0"); });
}

void TPrefBinder::Radio(std::vector<QAbstractButton*> items, std::string key) {
  Custom(
      std::move(key),
      [items](const std::string& v) {
        const int index = StrToIntDef(v, -1);
        for (size_t i = 0; i < items.size(); ++i) {
          // An exclusive group never lets its last checked button go; the group steps aside.
          QButtonGroup* group = items[i]->group();
          const bool exclusive = group && group->exclusive();
          if (exclusive)
            group->setExclusive(false);
          items[i]->setAutoExclusive(false);
          items[i]->setChecked(static_cast<int>(i) == index);
          items[i]->setAutoExclusive(!group);
          if (exclusive)
            group->setExclusive(true);
        }
      },
      [items] {
        for (size_t i = 0; i < items.size(); ++i)
          if (items[i]->isChecked())
            return std::to_string(i);
        return std::string();
      });
}

void TPrefBinder::Number(QSpinBox* box, std::string key) {
  Custom(
      std::move(key), [box](const std::string& v) { box->setValue(StrToIntDef(v, 0)); },
      [box] { return std::to_string(box->value()); });
}

void TPrefBinder::Number(QAbstractSlider* bar, std::string key) {
  Custom(
      std::move(key), [bar](const std::string& v) { bar->setValue(StrToIntDef(v, 0)); },
      [bar] { return std::to_string(bar->value()); });
}

void TPrefBinder::Index(QComboBox* list, std::string key) {
  Custom(
      std::move(key),
      [list](const std::string& v) {
        const int index = StrToIntDef(v, -1);
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
      },
      [list] { return list->currentIndex() < 0 ? std::string() : std::to_string(list->currentIndex()); });
}

void TPrefBinder::Choice(QComboBox* list, std::string key) {
  Custom(
      std::move(key),
      [list](const std::string& v) {
        list->setCurrentIndex(-1);
        for (int i = 0; i < list->count(); ++i)
          if (SameText(list->itemData(i).toString().toStdString(), v))
            list->setCurrentIndex(i);
      },
      [list] { return list->currentData().toString().toStdString(); });
}

void TPrefBinder::Text(QLineEdit* edit, std::string key) {
  Custom(
      std::move(key), [edit](const std::string& v) { edit->setText(QString::fromStdString(v)); },
      [edit] { return edit->text().toStdString(); });
}

void TPrefBinder::Memo(QPlainTextEdit* memo, std::string key) {
  Custom(
      std::move(key),
      [memo](const std::string& v) {
        memo->setPlainText(QString::fromStdString(ReplaceAll(TXMLPrefs::DecodeText(v), "\r\n", "\n")));
      },
      [memo] { return TXMLPrefs::EncodeText(ReplaceAll(memo->toPlainText().toStdString(), "\n", "\r\n")); });
}

void TPrefBinder::Colour(TColourSwatch* swatch, std::string key) {
  Custom(
      std::move(key),
      [swatch](const std::string& v) {
        uint32_t c = 0;
        TextToColor(v, c);
        swatch->SetColour(c);
      },
      [swatch] { return ColorToText(swatch->Colour()); });
}

void TPrefBinder::Font(TFontSwatch* swatch, const std::vector<std::string>& keys) {
  // Each key shows and reads its own part of the swatch's font.
  auto part = [swatch](auto set) {
    return [swatch, set](const std::string& v) {
      TFontSpec f = swatch->Font();
      set(f, v);
      swatch->SetFont(f);
    };
  };
  Custom(keys.at(0), part([](TFontSpec& f, const std::string& v) { f.name = v; }),
         [swatch] { return swatch->Font().name; });
  Custom(keys.at(1), part([](TFontSpec& f, const std::string& v) { f.size = StrToIntDef(v, 0); }),
         [swatch] { return std::to_string(swatch->Font().size); });
  Custom(keys.at(2), part([](TFontSpec& f, const std::string& v) { f.bold = PrefTrue(v); }),
         [swatch] { return std::string(swatch->Font().bold ? "1" : "0"); });
  Custom(keys.at(3), part([](TFontSpec& f, const std::string& v) { f.charset = StrToIntDef(v, 1); }),
         [swatch] { return std::to_string(swatch->Font().charset); });
  Custom(keys.at(4), part([](TFontSpec& f, const std::string& v) {
           uint32_t c = 0;
           TextToColor(v, c);
           f.color = c;
         }),
         [swatch] { return ColorToText(swatch->Font().color); });
}

void TPrefBinder::Load() {
  for (TBinding& b : bindings_) {
    b.stored = prefs_ ? prefs_->GetString(b.key) : std::string();
    b.show(b.stored);
  }
  // A later key may change what an earlier one shows (the parts of one font), so every control's
  // value is taken once all are shown.
  for (TBinding& b : bindings_)
    b.shown = b.value();
}

void TPrefBinder::Apply() {
  if (!prefs_)
    return;
  for (TBinding& b : bindings_) {
    std::string v = b.value();
    prefs_->SetString(b.key, v == b.shown ? b.stored : v);
  }
}

bool TPrefBinder::Changed(std::string_view key) const {
  for (const TBinding& b : bindings_)
    if (SameText(b.key, key))
      return b.value() != b.shown;
  return false;
}

std::vector<std::string> TPrefBinder::Keys() const {
  std::vector<std::string> keys;
  for (const TBinding& b : bindings_)
    keys.push_back(b.key);
  return keys;
}

} // namespace zv
