#pragma once

#include "core/font_helper.h"

#include <QPushButton>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAbstractButton;
class QAbstractSlider;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace zv {

class IPrefs;

// A stored text read as true, as the preference store reads it: "1", "yes" or "on" in any case.
bool PrefTrue(const std::string& value);

// A button showing a colour; a click lets the user pick another.
class TColourSwatch : public QPushButton {
public:
  explicit TColourSwatch(QWidget* parent = nullptr);
  uint32_t Colour() const { return colour_; } // 0x00BBGGRR
  void SetColour(uint32_t colour);
  // Called after the user picked a colour.
  std::function<void()> onChanged;

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  void Pick();
  uint32_t colour_ = 0;
};

// A button showing a sample text in a font and its colour; a click opens the font dialog.
class TFontSwatch : public QPushButton {
public:
  explicit TFontSwatch(QWidget* parent = nullptr);
  const TFontSpec& Font() const { return font_; }
  void SetFont(const TFontSpec& font);
  void SetSample(const std::string& text);
  // Whether a click offers the colour too (the font dialog has no colour of its own).
  bool pickColour = true;

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  void Pick();
  TFontSpec font_;
  std::string sample_;
};

// The preference keys a page edits, each tied to its control. Loading shows every key's stored
// text in its control; applying writes each key back. A key whose control still shows what it
// showed after loading is written back as the very text it was read as, so a dialog closed with
// OK and no edits changes nothing, whatever the stored spelling ("yes" for true, a colour name, a
// number beyond the control's range, an index no radio button has).
class TPrefBinder {
public:
  explicit TPrefBinder(IPrefs* prefs) : prefs_(prefs) {}

  // A check box: true checks it; it stores "1" or "0".
  void Check(QAbstractButton* box, std::string key);
  // Radio buttons storing the index of the checked one; none checked for another value.
  void Radio(std::vector<QAbstractButton*> items, std::string key);
  void Number(QSpinBox* box, std::string key);
  void Number(QAbstractSlider* bar, std::string key);
  void Index(QComboBox* list, std::string key);
  // A list storing the chosen item's data text; the stored text selects its item, case ignored,
  // and nothing when the list lacks it.
  void Choice(QComboBox* list, std::string key);
  void Text(QLineEdit* edit, std::string key);
  // Several lines, stored with the line breaks escaped as CR LF.
  void Memo(QPlainTextEdit* memo, std::string key);
  // A colour kept by name when it is a named colour, else by number.
  void Colour(TColourSwatch* swatch, std::string key);
  // A font in five keys: face, size, bold, character set and colour, in that order.
  void Font(TFontSwatch* swatch, const std::vector<std::string>& keys);
  // Any other control: `show` sets it from the stored text, `value` is the text it would store.
  void Custom(std::string key, std::function<void(const std::string& stored)> show, std::function<std::string()> value);

  void Load();
  void Apply();
  // Whether the key's control shows something else than it did after loading.
  bool Changed(std::string_view key) const;
  std::vector<std::string> Keys() const;

private:
  struct TBinding {
    std::string key;
    std::function<void(const std::string&)> show;
    std::function<std::string()> value;
    std::string stored, shown; // as read, and the control's value right after
  };
  IPrefs* prefs_;
  std::vector<TBinding> bindings_;
};

} // namespace zv
