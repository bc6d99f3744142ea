// The subtitle dialog over real subtitle models: captions follow the titles, the shift edit's
// text both ways, the bound controls, the load buttons' state and the font handed to the window.
#include "ui/subtitle_dialog.h"

#include "commands/model_manager.h"
#include "map_prefs.h"
#include "subtitle_rig.h"
#include "subtitles/subtitle_model.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using namespace zv;

TEST(SubtitleShiftText, ShownAndTyped) {
  const std::pair<int, const char*> shown[] = {
      {0, "+0.0"}, {25, "+2.5"}, {-13, "-1.3"}, {100, "+10.0"}, {-100, "-10.0"}};
  for (const auto& [tenths, text] : shown)
    EXPECT_EQ(ShiftEditText(tenths), text) << tenths;
  const std::pair<const char*, std::optional<int>> typed[] = {
      {"+2.5", 25},        {"2,5", 25},        {"-0.19", -1},       {" 3 ", 30},
      {"x", std::nullopt}, {"", std::nullopt}, {"+", std::nullopt}, {"1e30", 2147483647}};
  for (const auto& [text, tenths] : typed)
    EXPECT_EQ(ShiftFromEditText(text), tenths) << text;
}

TEST(SubtitleDialog, GroupsFollowTheStreamsModels) {
  zvtest::MapPrefs prefs;
  prefs.SetString("Subtitles.Font", "DejaVu Sans");
  zvtest::SubtitleRig rig(&prefs);
  TModelManager& models = rig.models;
  TSubtitlesModel& subs = *rig.subs;
  subs.Stream0().Load(rig.File("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n"));

  std::vector<std::pair<int, QColor>> applied;
  TSubtitleDialogHost host;
  host.models = &models;
  host.prefs = &prefs;
  host.applyFont = [&](int stream, const QFont& font, QColor colour) {
    EXPECT_EQ(font.family(), "DejaVu Serif");
    applied.emplace_back(stream, colour);
  };
  host.chooseFont = [](const QFont& f, QWidget*) {
    QFont chosen = f;
    chosen.setFamily("DejaVu Serif");
    return std::optional<QFont>(chosen);
  };
  host.chooseColour = [](QColor, QWidget*) { return std::optional<QColor>(Qt::red); };
  TfrSubtitles dialog(host);
  const auto& g0 = dialog.Group(0);
  const auto& g1 = dialog.Group(1);
  EXPECT_EQ(g0.box->title(), "       1: film.srt");
  EXPECT_EQ(g1.box->title(), "       2: ");
  EXPECT_TRUE(g0.edit->isEnabled());
  for (QWidget* w : {static_cast<QWidget*>(g1.edit), static_cast<QWidget*>(g1.reset), static_cast<QWidget*>(g1.preview),
                     static_cast<QWidget*>(g1.swatch), static_cast<QWidget*>(g1.shift)})
    EXPECT_FALSE(w->isEnabled()) << "stream 2 has nothing loaded";
  EXPECT_TRUE(g0.show->isChecked());
  EXPECT_EQ(g0.vpos->value(), 5);
  EXPECT_EQ(g0.edit->text(), "+0.0");

  // The edit sets the shift; text that is no number is ignored; the slider and the edit follow.
  g0.edit->selectAll();
  QTest::keyClicks(g0.edit, "+2.5");
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 25);
  EXPECT_EQ(g0.shift->value(), 25);
  EXPECT_EQ(g0.shiftSpin->value(), 25);
  EXPECT_EQ(g0.edit->text(), "+2.5") << "the typed text stays";
  QTest::keyClicks(g0.edit, "x");
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 25);
  g0.shift->setValue(-13);
  EXPECT_EQ(g0.edit->text(), "-1.3");
  QTest::mouseClick(g0.reset, Qt::LeftButton);
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 0);
  EXPECT_EQ(g0.edit->text(), "+0.0");
  g0.vpos->setValue(40);
  EXPECT_EQ(subs.Stream0().VPos(), 40);
  g0.show->setChecked(false);
  EXPECT_FALSE(subs.Stream0().IsEnabled());

  // Load buttons: only while a film is open.
  EXPECT_TRUE(g0.load->isEnabled());
  subs.SetLoadEnabled(false);
  EXPECT_FALSE(g0.load->isEnabled());
  EXPECT_FALSE(g1.load->isEnabled());
  subs.SetLoadEnabled(true);
  EXPECT_TRUE(g1.load->isEnabled());

  // The font and the colour reach the stream's panel at once.
  dialog.PickFont(0);
  dialog.PickColour(0);
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied[1], std::make_pair(0, QColor(Qt::red)));
  EXPECT_EQ(g0.font.family(), "DejaVu Serif");

  // After unloading the title stays, but the shift has no model behind it.
  subs.Stream0().Unload();
  EXPECT_EQ(g0.box->title(), "       1: film.srt");
  EXPECT_FALSE(g0.shift->isEnabled());
}
