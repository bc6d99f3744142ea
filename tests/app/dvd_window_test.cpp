// A disc from the window: the test suite's own DVD (a title menu with two buttons, title 1 in
// English, title 2 in English and German) opened from its folder, clicked, picked from the popup
// menu, sought and shot.
#include "commands/command_codes.h"
#include "playback/engine/gst_graph.h"
#include "ui/popup_menu.h"
#include "ui/video_panel.h"
#include "ui/video_widget.h"
#include "window_rig.h"

#include <QMenu>
#include <QTest>
#include <filesystem>

using namespace zv;
using zvtest::MainWindow;
using zvtest::PumpUntil;
namespace fs = std::filesystem;

namespace {
std::string Disc() {
  const char* dir = std::getenv("ZV_TEST_MEDIA");
  return fs::absolute(std::string(dir ? dir : "test-media") + "/dvd").lexically_normal().string();
}

// The popup menu's item with that caption, built as it is now.
QAction* MenuAction(TFullPopupMenu* menu, const std::string& caption) {
  menu->Build(false);
  for (QAction* a : menu->findChildren<QAction*>())
    if (a->text() == QString::fromStdString(caption))
      return a;
  return nullptr;
}
} // namespace

TEST_F(MainWindow, ADiscPlaysItsMenuTitlesAndSoundStreamsFromTheWindow) {
  // A folder holding a disc is one entry, its VIDEO_TS.IFO.
  list->AddList({Disc()});
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Items(0).FileName, Disc() + "/VIDEO_TS/VIDEO_TS.IFO");
  list->Clear();

  // Play DVD disk with nothing found says so; Open DVD from folder plays the chosen one.
  executor->ExecCommand(cmdPlayDVD);
  EXPECT_EQ(osd, (std::vector<std::string>{"Searching for a DVD disc...", "No DVD disc was found"}));
  prefs.SetString("FrontEnd.DVDFolder", "/media/old/");
  chosenFolder = Disc() + "/VIDEO_TS";
  executor->ExecCommand(cmdOpenDVDFolder);
  EXPECT_EQ(folderStart, "/media/old/");
  EXPECT_EQ(prefs.GetString("FrontEnd.DVDFolder"), Disc() + "/VIDEO_TS/");
  ASSERT_TRUE(window->FileOpen());
  ASSERT_TRUE(dsh->isDVD);
  TVideoWidget* video = window->Panel()->Video();
  ASSERT_TRUE(
      PumpUntil([&] { return dsh->IsDVDMenu() && video->FramesPainted() > 0; }, std::chrono::milliseconds(20000)))
      << dsh->IsDVDMenu() << " " << video->FramesPainted();
  EXPECT_EQ(dsh->DVDTitleCount(), 2);
  EXPECT_TRUE(MenuAction(window->Menu(), "Title 2")) << "the titles are listed";

  // A click on the right button, where the window shows it, plays title 2.
  const QSize shape = video->DisplaySize();
  const QRect shown = FitPicture(video->size(), shape.width(), shape.height(), 1, 1);
  const QPoint button =
      video->mapTo(window->Panel(), shown.topLeft() + QPoint(shown.width() * 520 / 720, shown.height() * 250 / 576));
  QTest::mouseMove(window->Panel(), button);
  QTest::mousePress(window->Panel(), Qt::LeftButton, {}, button);
  QTest::mouseRelease(window->Panel(), Qt::LeftButton, {}, button);
  ASSERT_TRUE(PumpUntil([&] { return !dsh->IsDVDMenu() && dsh->GetDuration() == 40'000'000; },
                        std::chrono::milliseconds(15000)))
      << dsh->GetDuration();
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing) << "the click did nothing but press the button";
  EXPECT_TRUE(PumpUntil([&] { return dsh->GetPosition() >= 10'000'000; }, std::chrono::milliseconds(10000)))
      << "the time follows the title";
  EXPECT_TRUE(PumpUntil([&] { return window->PositionText().endsWith("/0:00:04"); }))
      << window->PositionText().toStdString();

  // Its sound streams by language name; a screen shot of the picture shown.
  EXPECT_TRUE(MenuAction(window->Menu(), "Language 1 - English"));
  QAction* german = MenuAction(window->Menu(), "Language 2 - German"); // lives until the next build
  ASSERT_TRUE(german);
  german->trigger();
  zvtest::TempDir shots;
  prefs.SetString("App.ScreenShotDir", shots.str() + "/");
  prefs.SetInt("App.ScreenShotJPEG", 0);
  std::string shot = window->TakeScreenShot();
  ASSERT_FALSE(shot.empty());
  EXPECT_EQ(fs::path(shot).filename().string().rfind("dvd", 0), 0u) << shot << ": named by the disc's folder";
  QImage picture(QString::fromStdString(shot));
  EXPECT_EQ(picture.size(), QSize(720, 576));

  // Back to the start is the title menu; title 1 from the popup menu.
  executor->ExecCommand(cmdRewind);
  ASSERT_TRUE(PumpUntil([&] { return dsh->IsDVDMenu(); }, std::chrono::milliseconds(10000)));
  QAction* first = MenuAction(window->Menu(), "Title 1");
  ASSERT_TRUE(first);
  first->trigger();
  ASSERT_TRUE(PumpUntil([&] { return !dsh->IsDVDMenu() && dsh->GetDuration() == 30'000'000; },
                        std::chrono::milliseconds(15000)))
      << dsh->GetDuration();
  EXPECT_TRUE(PumpUntil([&] {
    return MenuAction(window->Menu(), "Language 1 - English") && !MenuAction(window->Menu(), "Language 2 - German");
  })) << "title 1 has one sound stream";
  executor->ExecCommand(cmdUnload);
  EXPECT_FALSE(window->FileOpen());
}
