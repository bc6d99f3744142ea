// A filter's settings dialog over real elements: the processor's own settings and a plain
// element's properties of each kind.
#include "ui/filter_properties.h"

#include "filters/video_process.h"
#include "playback/engine/gst_engine.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

using namespace zv;

TEST(FilterProperties, TheDialogChangesTheElementAndStopsWhenItIsGone) {
  eng::TGstEngine engine;
  std::shared_ptr<eng::IFilter> proc = engine.CreateFilter(eng::classes::VideoProcessor);
  ASSERT_TRUE(proc);
  // The processor's settings, not those of the queue and converter in front of it.
  std::vector<std::string> names;
  for (const eng::TFilterProperty& p : proc->Properties())
    names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"brightness", "contrast", "saturation", "flip", "effect"}));
  EXPECT_EQ(proc->SetProperty("effect", "9"), eng::E_INVALIDARG) << "past the range";
  EXPECT_EQ(proc->SetProperty("missing", "1"), eng::E_INVALIDARG);
  EXPECT_EQ(proc->SetProperty("effect", "x"), eng::E_INVALIDARG);

  eng::IFilter* alive = proc.get();
  TfrFilterProperties dialog([&] { return alive; });
  auto* contrast = dynamic_cast<QSpinBox*>(dialog.Control("contrast"));
  auto* flip = dynamic_cast<QCheckBox*>(dialog.Control("flip"));
  ASSERT_TRUE(contrast && flip);
  EXPECT_EQ(contrast->minimum(), -100);
  contrast->setValue(40);
  flip->setChecked(true);
  EXPECT_EQ(proc->ProcessorSettings()->contrast.load(), 40);
  EXPECT_TRUE(proc->ProcessorSettings()->flip.load());
  // Its graph gone, the dialog changes nothing more.
  alive = nullptr;
  contrast->setValue(-10);
  EXPECT_EQ(proc->ProcessorSettings()->contrast.load(), 40);
  EXPECT_FALSE(contrast->isEnabled());

  // An element with a choice and numbers of other kinds.
  std::shared_ptr<eng::IFilter> src = engine.CreateFilter(eng::ClassOfFactory("videotestsrc"));
  ASSERT_TRUE(src);
  bool choice = false;
  for (const eng::TFilterProperty& p : src->Properties())
    if (p.name == "pattern")
      choice = p.kind == eng::TFilterProperty::TKind::Choice && p.choices.size() > 5 && p.value == "0";
  EXPECT_TRUE(choice);
  eng::IFilter* s = src.get();
  TfrFilterProperties other([&] { return s; });
  auto* pattern = dynamic_cast<QComboBox*>(other.Control("pattern"));
  ASSERT_TRUE(pattern);
  pattern->setCurrentIndex(2);
  std::string now;
  for (const eng::TFilterProperty& p : src->Properties())
    if (p.name == "pattern")
      now = p.value;
  EXPECT_EQ(now, std::to_string(pattern->currentData().toInt()));
}
