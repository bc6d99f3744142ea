#pragma once

#include "playback/engine/engine.h"

#include <QDialog>
#include <functional>
#include <map>
#include <string>

namespace zv {

// The settings of one filter of the playing graph ("Zelvar stream"): a row for each property it
// offers, changed at once. The filter is looked up again for every change, so a dialog left open
// after its graph went changes nothing and says so.
class TfrFilterProperties : public QDialog {
public:
  TfrFilterProperties(std::function<eng::IFilter*()> filter, QWidget* parent = nullptr);

  // The control of a property by its name (for tests), or none.
  QWidget* Control(const std::string& name) const;

private:
  void Apply(const std::string& name, const std::string& value);

  std::function<eng::IFilter*()> filter_;
  std::map<std::string, QWidget*> controls_;
};

} // namespace zv
