#include "ui/config_page.h"

#include "skin/language_manager.h"
#include "ui/plain_text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zv {

TConfigPageForm::TConfigPageForm(TConfigHost& host, QWidget* parent)
    : QWidget(parent), host_(host), binder_(host.prefs) {}

QGroupBox* TConfigPageForm::Group(const char* key) {
  auto* box = new QGroupBox(PlainMenuText(Lang(key)), this);
  new QVBoxLayout(box);
  return box;
}

QCheckBox* TConfigPageForm::Check(const char* key, const char* prefKey, QLayout* into) {
  auto* box = new QCheckBox(PlainMenuText(Lang(key)), this);
  if (into)
    into->addWidget(box);
  binder_.Check(box, prefKey);
  return box;
}

std::vector<QAbstractButton*> TConfigPageForm::Radios(const std::vector<std::string>& keys, const char* prefKey,
                                                      QLayout* into) {
  auto* group = new QButtonGroup(this);
  std::vector<QAbstractButton*> items;
  for (const std::string& key : keys) {
    auto* item = new QRadioButton(PlainMenuText(Lang(key)), this);
    group->addButton(item, static_cast<int>(items.size()));
    if (into)
      into->addWidget(item);
    items.push_back(item);
  }
  binder_.Radio(items, prefKey);
  return items;
}

QString LangCaption(const std::string& key) { return PlainMenuText(Lang(key)); }

QLabel* CaptionLabel(const std::string& key, QWidget* parent) {
  auto* label = new QLabel(parent);
  SetPlainText(label, Lang(key));
  return label;
}

const char* ConfigPageName(int index) {
  static const char* const kNames[kConfigPageCount] = {"Interface", "Mouse",  "PlayList",   "Events",     "Video",
                                                       "Sound",     "System", "OSD",        "FileTypes",  "Keyboard",
                                                       "WinLIRC",   "WinAMP", "DirectShow", "GlobalKeys", "AviSynth"};
  return index >= 0 && index < kConfigPageCount ? kNames[index] : "";
}

std::unique_ptr<TConfigPageForm> CreateConfigPage(int index, TConfigHost& host, QWidget* parent) {
  std::unique_ptr<TConfigPageForm> page;
  if (index < 4)
    page = CreateWindowPage(index, host, parent);
  else if (index < 8)
    page = CreateMediaPage(index, host, parent);
  else
    page = CreateModulePage(index, host, parent);
  if (page) {
    page->SetCaptions();
    page->LoadValues();
  }
  return page;
}

} // namespace zv
