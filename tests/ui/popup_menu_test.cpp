// The popup menu as a tree for the states a user meets, and the menu widget the window opens.
#include "ui/popup_menu_logic.h"

#include "commands/command_codes.h"
#include "map_prefs.h"
#include "skin/bitmap32.h"
#include "test_util.h"
#include "ui/base_skin.h"
#include "ui/main_window.h"
#include "ui/popup_menu.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <map>
#include <set>

using namespace zv;

namespace {

struct Texts {
  std::map<int, std::string> keys{{cmdPlayPause, "Space"}};
  std::set<int> checked;
  TMenuTexts Make() {
    TMenuTexts t;
    t.commandName = [](int code) { return "C" + std::to_string(code); };
    t.key = [this](int code) { return keys.count(code) ? keys[code] : std::string(); };
    t.lang = [](const std::string& key) { return key; };
    t.checked = [this](int code) { return checked.count(code) > 0; };
    return t;
  }
};

const TMenuItem& Sub(const std::vector<TMenuItem>& menu, const std::string& caption) {
  for (const TMenuItem& i : menu)
    if (i.caption == caption)
      return i;
  static TMenuItem none;
  ADD_FAILURE() << "no submenu " << caption;
  return none;
}

// The codes of a menu level, 0 for a separator, -1 for a submenu.
std::vector<int> Codes(const std::vector<TMenuItem>& items) {
  std::vector<int> codes;
  for (const TMenuItem& i : items)
    codes.push_back(i.Separator() ? 0 : i.code);
  return codes;
}

} // namespace

TEST(PopupMenu, StructureAndEnablementFollowTheState) {
  Texts texts;
  TMenuFacts none;
  TMenuFacts audio;
  audio.fileOpen = true;
  audio.entries = 3;
  audio.current = 2;
  audio.selected = 0;
  TMenuFacts video = audio;
  video.video = true;
  video.current = 0;
  TMenuFacts dvd = video;
  dvd.dvd = true;

  const auto full = BuildFullMenu(none, texts.Make());
  EXPECT_EQ(Codes(full), (std::vector<int>{50, 102, 250, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 453}));
  EXPECT_EQ(full[1].caption, "C102\t Space");
  EXPECT_EQ(full[4].caption, "Command.Category.0");
  EXPECT_EQ(full[12].caption, "Command.Category.9"); // the DVD submenu comes before Application
  EXPECT_EQ(std::make_pair(full[9].pictureX, full[9].pictureY), std::make_pair(803, 75));
  EXPECT_EQ(full[13].category, 9);

  // Enabled per state: code → expected for none, audio, video, DVD.
  const struct {
    int code;
    bool none, audio, video, dvd;
  } rows[] = {
      {cmdPlayPause, false, true, true, true},     {cmdNext, false, false, true, true},
      {cmdFileInfo, false, true, true, true},      {cmdUnload, false, true, true, true},
      {cmdFrameStep, false, true, true, true},     {cmdVideoSettings, false, false, true, true},
      {cmdScreenShot, false, false, true, false},  {cmdAspect16x9, false, false, true, true},
      {cmdLoadSubtitles, false, true, true, true}, {cmdAdditionalSound, false, true, true, true},
      {cmdMoveUp, false, false, false, false},     {cmdMoveDown, false, true, true, true},
      {cmdRemove, false, true, true, true},        {cmdAddFiles, true, true, true, true},
      {cmdPlaylist, true, true, true, true},       {cmdExit, true, true, true, true},
  };
  const std::vector<TMenuItem> menus[] = {full, BuildFullMenu(audio, texts.Make()), BuildFullMenu(video, texts.Make()),
                                          BuildFullMenu(dvd, texts.Make())};
  for (const auto& r : rows) {
    const bool expected[] = {r.none, r.audio, r.video, r.dvd};
    for (int s = 0; s < 4; ++s) {
      const TMenuItem* item = FindMenuItem(menus[s], r.code);
      ASSERT_NE(item, nullptr) << r.code;
      EXPECT_EQ(item->enabled, expected[s]) << "code " << r.code << " state " << s;
    }
  }
  // A disc's titles and sound streams; greyed without a disc.
  dvd.dvdTitles = 2;
  dvd.dvdLanguages = {"English", "German"};
  const auto disc = BuildFullMenu(dvd, texts.Make());
  const TMenuItem& dvdMenu = Sub(disc, "Command.Category.9");
  ASSERT_EQ(dvdMenu.items.size(), 6u);
  EXPECT_TRUE(dvdMenu.items[3].enabled) << "the root menu";
  const TMenuItem &titles = dvdMenu.items[4], &sounds = dvdMenu.items[5];
  EXPECT_EQ(titles.caption, "DVD.Titles");
  ASSERT_EQ(titles.items.size(), 2u);
  EXPECT_EQ(std::make_pair(titles.items[1].caption, titles.items[1].dvdTitle),
            std::make_pair(std::string("DVD.Title 2"), 2));
  ASSERT_EQ(sounds.items.size(), 2u);
  EXPECT_EQ(std::make_pair(sounds.items[1].caption, sounds.items[1].dvdStream),
            std::make_pair(std::string("DVD.Language 2 - German"), 1));
  video.dvdTitles = 2; // left over from a disc: no disc now
  const auto noDisc = BuildFullMenu(video, texts.Make());
  for (const TMenuItem& i : Sub(noDisc, "Command.Category.9").items) {
    const bool discOnly = i.code == cmdDVDMenu || i.caption.rfind("DVD.", 0) == 0;
    EXPECT_TRUE(!discOnly || !i.enabled) << i.caption;
  }
  // Without a file every Video item is greyed; 405 only with the sound controls.
  for (const TMenuItem& i : Sub(full, "Command.Category.5").items)
    EXPECT_TRUE(i.Separator() || !i.enabled) << i.code;
  EXPECT_EQ(FindMenuItem(full, cmdNextAudioStream), nullptr);
  audio.audioProps = true;
  EXPECT_FALSE(FindMenuItem(BuildFullMenu(audio, texts.Make()), cmdNextAudioStream)->enabled);
  audio.audioStreams = 2;
  EXPECT_TRUE(FindMenuItem(BuildFullMenu(audio, texts.Make()), cmdNextAudioStream)->enabled);
}

TEST(PopupMenu, PlaylistFormDrivesChecksAndKeys) {
  Texts texts;
  TMenuFacts empty;
  // With an empty playlist Move Down comes before Move Up, both greyed.
  const auto list = BuildPlaylistMenu(empty, texts.Make());
  EXPECT_EQ(Codes(list), (std::vector<int>{79, 0,   252, 253, 254, 255, 256, 0,   259, 258,
                                           0,  261, 262, 0,   260, 263, 264, 266, 0,   267}));
  TMenuFacts some;
  some.entries = 4;
  some.selected = 3;
  const auto full = BuildPlaylistMenu(some, texts.Make());
  EXPECT_EQ(Codes(full)[8], cmdMoveUp);
  EXPECT_TRUE(FindMenuItem(full, cmdMoveUp)->enabled);
  EXPECT_FALSE(FindMenuItem(full, cmdMoveDown)->enabled) << "the last row cannot go down";

  // The drive submenu: one item per volume, posting 53, 54, ... in order.
  some.drives = {"DVD (/media/dvd)", "STICK (/media/stick)"};
  const auto withDrives = BuildFullMenu(some, texts.Make());
  const TMenuItem& file = Sub(withDrives, "Command.Category.0");
  ASSERT_EQ(file.items.size(), 3u);
  const TMenuItem& disk = file.items[2];
  EXPECT_EQ(disk.code, -1);
  ASSERT_EQ(disk.items.size(), 2u);
  EXPECT_EQ(disk.items[0].code, 53);
  EXPECT_EQ(disk.items[1].code, 54);
  EXPECT_EQ(disk.items[1].caption, "STICK (/media/stick)\t ");

  // A checked item takes the check picture; a rebound key shows at the next build.
  texts.checked = {cmdStayOnTop};
  texts.keys[cmdPlayPause] = "Ctrl+P";
  const auto again = BuildFullMenu(some, texts.Make());
  const TMenuItem* top = FindMenuItem(again, cmdStayOnTop);
  EXPECT_TRUE(top->checked);
  EXPECT_EQ(std::make_pair(top->pictureX, top->pictureY), std::make_pair(803, 41));
  EXPECT_FALSE(FindMenuItem(again, cmdFullScreen)->checked);
  EXPECT_EQ(FindMenuItem(again, cmdPlayPause)->caption, "C102\t Ctrl+P");
  EXPECT_TRUE(PlaylistFormWanted(true, false));
  EXPECT_FALSE(PlaylistFormWanted(true, true)) << "the tray always opens the full menu";
}

TEST(PopupMenu, TheWindowsMenuPostsAChosenItemOnceAfterItCloses) {
  zvtest::MapPrefs prefs;
  TfrMain window;
  std::vector<int> executed;
  window.executeCommand = [&](int code) { executed.push_back(code); };
  TMainContext ctx;
  ctx.prefs = &prefs;
  ctx.commandKey = [](int code) { return code == cmdOpenFiles ? std::string("Ctrl+O") : std::string(); };
  window.SetContext(ctx);
  window.show();
  window.OpenMenu(window.mapToGlobal(QPoint(40, 40)), false, false);
  TFullPopupMenu* menu = window.Menu();
  ASSERT_TRUE(menu->isVisible());
  EXPECT_TRUE(window.MenuOpen());
  QAction* open = nullptr;
  for (QAction* a : menu->actions())
    if (a->data().toInt() == cmdOpenFiles && !a->menu())
      open = a;
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->text().endsWith("\t Ctrl+O"));
  open->trigger();
  menu->hide();
  EXPECT_TRUE(executed.empty()) << "nothing runs while the menu is up";
  QCoreApplication::processEvents();
  EXPECT_EQ(executed, std::vector<int>{cmdOpenFiles});
  // Every opening builds anew: no submenus pile up.
  const int children = static_cast<int>(menu->findChildren<QMenu*>().size());
  window.OpenMenu(window.mapToGlobal(QPoint(40, 40)), false, false);
  menu->hide();
  EXPECT_EQ(static_cast<int>(menu->findChildren<QMenu*>().size()), children);
}

TEST(PopupMenu, ABaseBitmapTooSmallForThePicturesGivesAPlainMenu) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("tiny.bmp"), WriteBmp(TBitmap32(12, 9, 0xFF336699u)));
  TBaseSkin base;
  ASSERT_TRUE(base.LoadFile(dir.file("tiny.bmp")));
  TFullPopupMenu menu(nullptr, base);
  Texts texts;
  texts.checked = {cmdStayOnTop};
  menu.texts = texts.Make();
  const auto& tree = menu.Build(false);
  EXPECT_EQ(tree.size(), 16u);
  // Every picture read outside the bitmap is black, never memory beyond it.
  const QImage icon = menu.actions()[5]->icon().pixmap(16, 16).toImage();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(QColor(icon.pixel(8, 8)).rgb() & 0xFFFFFF, 0u);
}
