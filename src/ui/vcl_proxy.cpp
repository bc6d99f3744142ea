#include "ui/vcl_proxy.h"

#include "core/session_log.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>

namespace zv {

TVCLProxy::TVCLProxy(TBasicModelManager& manager, std::string modelName, QWidget* control)
    : manager_(manager), name_(std::move(modelName)), control_(control) {
  Log("TVCLProxy.Create(" + name_ + ")");
  if (auto* check = qobject_cast<QCheckBox*>(control)) {
    kind_ = Kind::CheckBox;
    connection_ = QObject::connect(check, &QCheckBox::toggled, [this] { ControlChanged(); });
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    kind_ = Kind::Button;
    connection_ = QObject::connect(button, &QAbstractButton::clicked, [this] { ControlChanged(); });
  } else if (auto* slider = qobject_cast<QSlider*>(control)) {
    kind_ = Kind::Slider;
    connection_ = QObject::connect(slider, &QSlider::valueChanged, [this] { ControlChanged(); });
  } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
    kind_ = Kind::SpinBox;
    connection_ = QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), [this] { ControlChanged(); });
  }
  manager_.SubscribeLink(name_, Key(0), [this] { Rebind(); });
  Rebind();
}

TVCLProxy::~TVCLProxy() {
  Log("TVCLProxy.Destroy(" + name_ + ")");
  QObject::disconnect(connection_);
  if (model_)
    model_->OwnNotifier().Remove(Key(1));
  manager_.UnsubscribeLink(name_, Key(0));
}

void TVCLProxy::Rebind() {
  if (model_)
    model_->OwnNotifier().Remove(Key(1));
  model_ = manager_.GetModel(name_);
  if (control_)
    control_->setEnabled(model_ != nullptr);
  if (model_) {
    model_->OwnNotifier().Add(Key(1), [this] { Refresh(); });
    Refresh();
  }
}

void TVCLProxy::Refresh() {
  if (busy_ || !control_ || !model_)
    return;
  busy_ = true;
  if (auto* cmd = dynamic_cast<TCommandModel*>(model_)) {
    if (kind_ == Kind::Button)
      control_->setEnabled(cmd->IsEnabled());
  } else if (auto* value = dynamic_cast<TSInt32Model*>(model_)) {
    // Qt's vertical sliders already have their minimum at the bottom, so the value needs no
    // mirroring to be shown the way round users expect.
    switch (kind_) {
    case Kind::CheckBox: static_cast<QCheckBox*>(control_.data())->setChecked(value->Get() != 0); break;
    case Kind::Slider: static_cast<QSlider*>(control_.data())->setValue(value->Get()); break;
    case Kind::SpinBox: static_cast<QSpinBox*>(control_.data())->setValue(value->Get()); break;
    default: break;
    }
  }
  busy_ = false;
}

void TVCLProxy::ControlChanged() {
  if (busy_ || !control_ || !model_)
    return;
  busy_ = true;
  if (auto* cmd = dynamic_cast<TCommandModel*>(model_)) {
    if (kind_ == Kind::Button)
      cmd->Execute();
  } else if (auto* value = dynamic_cast<TSInt32Model*>(model_)) {
    switch (kind_) {
    case Kind::CheckBox: value->Set(static_cast<QCheckBox*>(control_.data())->isChecked() ? 1 : 0); break;
    case Kind::Slider: value->Set(static_cast<QSlider*>(control_.data())->value()); break;
    case Kind::SpinBox: value->Set(static_cast<QSpinBox*>(control_.data())->value()); break;
    default: break;
    }
  }
  busy_ = false;
}

TVCLProxy& TVCL2Model::Bind(const std::string& name, QWidget* control) {
  std::string full = prefix_.empty() && name.empty() ? std::string() : prefix_ + "." + name;
  proxies_.push_back(std::make_unique<TVCLProxy>(manager_, full, control));
  return *proxies_.back();
}

} // namespace zv
