#include "ui/vcl_proxy.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSlider>

using namespace zv;

namespace {
// Exposes how Qt lays the slider out, to check which end the handle is drawn from.
struct InspectableSlider : QSlider {
  using QSlider::QSlider;
  QStyleOptionSlider Option() const {
    QStyleOptionSlider o;
    initStyleOption(&o);
    return o;
  }
};
} // namespace

TEST(VCLProxy, BindsLateAndDisablesWithoutAModel) {
  TModelManager m;
  QCheckBox box;
  TVCL2Model binder(m, "App.AudioProps");
  binder.Bind("Enabled0", &box);
  EXPECT_FALSE(box.isEnabled());
  auto* model = m.Register("App.AudioProps.Enabled0", std::make_unique<TSInt32Model>(1));
  EXPECT_TRUE(box.isEnabled());
  EXPECT_TRUE(box.isChecked());
  model->Set(0);
  EXPECT_FALSE(box.isChecked());
  box.setChecked(true); // control to model
  EXPECT_EQ(model->Get(), 1);
  m.Unregister("App.AudioProps.Enabled0");
  EXPECT_FALSE(box.isEnabled());
}

TEST(VCLProxy, VerticalSlidersShowHighValuesAtTheTop) {
  TModelManager m;
  InspectableSlider slider(Qt::Vertical);
  slider.setRange(0, 100);
  auto* model = m.Register("App.Equalizer.Band0", std::make_unique<TSInt32Model>(30));
  TVCLProxy proxy(m, "App.Equalizer.Band0", &slider);
  // Value 30 sits 70% of the way down from the top, as a track bar at position 70 does.
  QStyleOptionSlider o = slider.Option();
  EXPECT_EQ(QStyle::sliderPositionFromValue(o.minimum, o.maximum, o.sliderPosition, 100, o.upsideDown), 70);
  // Moving the handle to 80% down from the top sets the value 20.
  slider.setValue(QStyle::sliderValueFromPosition(0, 100, 80, 100, o.upsideDown));
  EXPECT_EQ(model->Get(), 20);
}

TEST(VCLProxy, ButtonsExecuteAndFollowTheEnabledState) {
  TModelManager m;
  int runs = 0;
  auto* cmd = m.Register("PList.Shuffle", std::make_unique<TCommandModel>([&] { ++runs; }));
  QPushButton button;
  TVCLProxy proxy(m, "plist.shuffle", &button);
  EXPECT_TRUE(button.isEnabled());
  button.click();
  EXPECT_EQ(runs, 1);
  cmd->SetDisabled(true);
  cmd->Notify();
  EXPECT_FALSE(button.isEnabled());
}

TEST(VCLProxy, SpinBoxesAndTheReentranceGuard) {
  TModelManager m;
  int notifications = 0;
  auto* model = m.Register("Mouse.TimeOut", std::make_unique<TSInt32Model>(2, [&] { ++notifications; }));
  QSpinBox spin;
  spin.setRange(0, 30);
  TVCLProxy proxy(m, "Mouse.TimeOut", &spin);
  EXPECT_EQ(spin.value(), 2);
  spin.setValue(7);
  EXPECT_EQ(model->Get(), 7);
  EXPECT_EQ(notifications, 1); // the change is not written back into the control a second time
  model->Set(9);
  EXPECT_EQ(spin.value(), 9);
}

TEST(VCLProxy, TwoControlsOnOneNameAndReplacement) {
  TModelManager m;
  QCheckBox a, b;
  auto p1 = std::make_unique<TVCLProxy>(m, "Audio.Mute", &a);
  TVCLProxy p2(m, "Audio.Mute", &b);
  auto* model = m.Register("Audio.Mute", std::make_unique<TSInt32Model>(0));
  p1.reset(); // removing one binding keeps the other
  model->Set(1);
  EXPECT_FALSE(a.isChecked());
  EXPECT_TRUE(b.isChecked());
  auto* second = m.Register("Audio.Mute", std::make_unique<TSInt32Model>(0));
  EXPECT_FALSE(b.isChecked()); // rebound to the new model
  model->Set(0);
  model->Set(1); // the replaced model no longer reaches the control
  EXPECT_FALSE(b.isChecked());
  second->Set(1);
  EXPECT_TRUE(b.isChecked());
}
