#pragma once

#include "playback/engine/engine.h"

#include <QDialog>
#include <vector>

class QListWidget;

namespace zv {

// "Select Filter...": the engine's factories, sorted by what the list shows; OK (or a double
// click) chooses the selected one's class.
class TfrFilter : public QDialog {
public:
  TfrFilter(const std::vector<eng::TFactoryEntry>& factories, QWidget* parent = nullptr);
  // The chosen class; all zero without a choice.
  eng::TGuid Chosen() const { return chosen_; }
  QListWidget* List() const { return list_; }
  void accept() override;

private:
  QListWidget* list_ = nullptr;
  eng::TGuid chosen_{};
};

// How the picker names a factory: its description and, in brackets, its name.
std::string FactoryCaption(const eng::TFactoryEntry& f);

} // namespace zv
