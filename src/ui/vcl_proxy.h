#pragma once

#include "commands/model_manager.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace zv {

// Binds one standard control to the model registered under a name, now or later: a push button
// executes a command model and follows its enabled state; a check box, a slider or a spin box
// shows and sets an integer model. The control is disabled while no model is registered.
class TVCLProxy {
public:
  TVCLProxy(TBasicModelManager& manager, std::string modelName, QWidget* control);
  ~TVCLProxy();
  TVCLProxy(const TVCLProxy&) = delete;
  TVCLProxy& operator=(const TVCLProxy&) = delete;

  const std::string& ModelName() const { return name_; }
  QWidget* Control() const { return control_; }

private:
  enum class Kind { Unknown, Button, CheckBox, Slider, SpinBox };
  void Rebind();
  void Refresh();
  void ControlChanged();
  THandlerKey Key(int which) const { return THandlerKey::Tagged(this, which); }

  TBasicModelManager& manager_;
  std::string name_;
  QPointer<QWidget> control_;
  Kind kind_ = Kind::Unknown;
  TModel* model_ = nullptr;
  bool busy_ = false;
  QMetaObject::Connection connection_;
};

// Binds controls to models under a common name prefix ("App.AudioProps" + "." + name).
class TVCL2Model {
public:
  TVCL2Model(TBasicModelManager& manager, std::string prefix) : manager_(manager), prefix_(std::move(prefix)) {}
  TVCLProxy& Bind(const std::string& name, QWidget* control);
  void Clear() { proxies_.clear(); }

private:
  TBasicModelManager& manager_;
  std::string prefix_;
  std::vector<std::unique_ptr<TVCLProxy>> proxies_;
};

} // namespace zv
