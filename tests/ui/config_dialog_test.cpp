#include "commands/command_center.h"
#include "core/text_util.h"
#include "platform/display_modes.h"
#include "prefs/assoc_store.h"
#include "prefs/file_types.h"
#include "prefs/prefs_setup.h"
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "skin/language_manager.h"
#include "ui/config_dialog.h"
#include "ui/config_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

using namespace zv;

namespace {

// The real preference store over the default document, remembering which keys were written.
class TRecordingPrefs : public IPrefs {
public:
  TRecordingPrefs() {
    doc.LoadFromString(DefaultPrefsDocument());
    store = std::make_unique<TXMLPrefs>(doc.Root());
  }
  std::string GetString(std::string_view k) override { return store->GetString(k); }
  void SetString(std::string_view k, std::string_view v) override {
    written.insert(UpperCase(k));
    store->SetString(k, v);
  }
  bool GetBool(std::string_view k) override { return store->GetBool(k); }
  void SetBool(std::string_view k, bool v) override { SetString(k, v ? "1" : "0"); }
  int32_t GetInt(std::string_view k) override { return store->GetInt(k); }
  void SetInt(std::string_view k, int32_t v) override { SetString(k, std::to_string(v)); }

  TXMLTree doc;
  std::unique_ptr<TXMLPrefs> store;
  std::set<std::string> written;
};

struct TFixedModes : IDisplayModes {
  std::vector<TDisplayMode> modes;
  std::vector<TDisplayMode> Modes() override { return modes; }
  std::optional<TDisplayMode> Current() override { return std::nullopt; }
  int Apply(const TDisplayMode&) override { return 0; }
};

struct NoPoster : ICommandPoster {
  void PostCommand(int) override {}
};

struct ConfigTest : ::testing::Test {
  void SetUp() override {
    commands.LoadFromPrefs();
    host.commands = &commands;
    LoadProgramLanguage(language, "English", "");
    SetLanguageManager(&language);
    host.prefs = &prefs;
    host.soundDevices = [] { return std::vector<std::string>{"Speakers", "Headphones"}; };
    host.reloadSkin = [this] { skinsShown.push_back(prefs.GetString("FrontEnd.Skin")); };
  }
  void TearDown() override { SetLanguageManager(nullptr); }

  template <class T>
  T* Find(QWidget* page, const QString& text) {
    for (T* w : page->findChildren<T*>())
      if (w->text() == text)
        return w;
    ADD_FAILURE() << "no control \"" << text.toStdString() << "\"";
    return nullptr;
  }

  // The page in a window of its own with its grid focused, as a user types into it.
  QTableWidget* ShowGrid(int index, QWidget& owner, std::unique_ptr<TConfigPageForm>& page) {
    owner.resize(700, 500);
    page = CreateConfigPage(index, host, &owner);
    page->resize(owner.size());
    owner.show();
    QApplication::setActiveWindow(&owner);
    auto* grid = page->findChild<QTableWidget*>();
    if (grid) {
      grid->setFocus();
      (void)QTest::qWaitFor([&] { return grid->hasFocus(); }); // the callers check the focus
    }
    return grid;
  }

  TLanguageManager language;
  TRecordingPrefs prefs;
  NoPoster poster;
  TCommandCenter commands{prefs, poster};
  TConfigHost host;
  std::vector<std::string> skinsShown;
};

} // namespace

// Every page shows its keys and writes them back as they were read, whatever their spelling:
// "yes" for true, colours by name, numbers beyond a control's range, indexes no button has. The
// one change OK makes by itself: a sound device that is gone becomes the first one.
TEST_F(ConfigTest, EveryPageWritesItsKeysBackUnchanged) {
  prefs.store->SetString("FrontEnd.Sticky", "yes");
  prefs.store->SetString("PlayList.SelectionColor", "clNavy");
  prefs.store->SetString("Mouse.Left", "9");
  prefs.store->SetString("Mouse.TimeOut", "45");
  prefs.store->SetString("OSD.InfoStr", "{ARTIST}\\r\\n{TITLE}");
  prefs.store->SetString("Sound.OutDevice", "headphones");
  for (int index = 0; index < kConfigPageCount; ++index) {
    SCOPED_TRACE(ConfigPageName(index));
    QWidget owner;
    std::unique_ptr<TConfigPageForm> page = CreateConfigPage(index, host, &owner);
    ASSERT_TRUE(page);
    const std::string before = prefs.doc.SaveToString(); // loading may have created empty keys
    prefs.written.clear();
    page->ApplyValues();
    EXPECT_EQ(prefs.doc.SaveToString(), before);
    for (const std::string& key : page->Binder().Keys())
      EXPECT_TRUE(prefs.written.count(UpperCase(key))) << key << " is written back";
    EXPECT_FALSE(page->ReopenNeeded());
    EXPECT_FALSE(page->RestartNeeded());
  }
  // The radio group out of range shows nothing checked and keeps its value.
  QWidget owner;
  auto mouse = CreateConfigPage(1, host, &owner);
  int leftItems = 0;
  for (QRadioButton* r : mouse->findChildren<QRadioButton*>()) {
    if (r->parentWidget()->inherits("QGroupBox") &&
        static_cast<QGroupBox*>(r->parentWidget())->title() == LangCaption("Config.Mouse.Left")) {
      EXPECT_FALSE(r->isChecked()) << r->text().toStdString();
      ++leftItems;
    }
  }
  EXPECT_EQ(leftItems, 5);
  prefs.store->SetString("Sound.OutDevice", "Gone Device");
  auto sound = CreateConfigPage(5, host, &owner);
  sound->ApplyValues();
  EXPECT_EQ(prefs.GetString("Sound.OutDevice"), "Speakers");
  EXPECT_TRUE(sound->ReopenNeeded());
}

// What a changed control stores.
TEST_F(ConfigTest, ChangedControlsStoreTheirEncodings) {
  QWidget owner;
  auto osd = CreateConfigPage(7, host, &owner);
  auto video = CreateConfigPage(4, host, &owner);
  auto playlist = CreateConfigPage(2, host, &owner);
  struct TCase {
    std::function<void()> change;
    TConfigPageForm* page;
    const char* key;
    const char* stored;
  };
  auto click = [this](TConfigPageForm* page, const char* key) {
    return [this, page, key] { Find<QRadioButton>(page, LangCaption(key))->click(); };
  };
  auto swatch = [](TConfigPageForm* page, int i, uint32_t c) {
    return [page, i, c] { page->findChildren<TColourSwatch*>()[i]->SetColour(c); };
  };
  const TCase cases[] = {
      {click(osd.get(), "Config.OSD.Pos.5"), osd.get(), "OSD.Info.Pos", "5"},
      {click(osd.get(), "Config.OSD.Pos.0"), osd.get(), "OSD.Info.Pos", "0"},
      {click(osd.get(), "Config.OSD.Type.1"), osd.get(), "OSD.WithVideo", "1"},
      {[&] { Find<QRadioButton>(video.get(), "BMP")->click(); }, video.get(), "App.ScreenShotJPEG", "0"},
      {[&] { Find<QRadioButton>(video.get(), "JPG")->click(); }, video.get(), "App.ScreenShotJPEG", "1"},
      {swatch(playlist.get(), 0, 0x800000), playlist.get(), "PlayList.SelectionColor", "clNavy"},
      {swatch(playlist.get(), 0, 0x123456), playlist.get(), "PlayList.SelectionColor", "1193046"},
      {click(playlist.get(), "Config.PlayList.Default.1"), playlist.get(), "PlayList.External", "1"},
  };
  for (const TCase& c : cases) {
    c.change();
    c.page->ApplyValues();
    EXPECT_EQ(prefs.GetString(c.key), c.stored) << c.key;
  }
}

// The dialog: the stored page opens (the first for anything else), only visited pages are
// applied, Cancel applies nothing, and the pages that need it ask for a reopen or a restart.
TEST_F(ConfigTest, TheDialogAppliesVisitedPagesOnlyAndReportsReopenAndRestart) {
  for (const char* stored : {"3", "99", "-1", "x", ""}) {
    prefs.store->SetString("Config.ActivePage", stored);
    TfrConfig dialog(host);
    EXPECT_EQ(dialog.ShownPage(), std::string(stored) == "3" ? 3 : 0) << stored;
    EXPECT_EQ(dialog.windowTitle(), "Preferences");
  }
  prefs.store->SetString("Config.ActivePage", "1");
  {
    TfrConfig dialog(host);
    Find<QRadioButton>(dialog.Page(1), LangCaption("Config.Mouse.Wheel.3"))->click();
    prefs.written.clear();
    dialog.reject();
    EXPECT_TRUE(prefs.written.empty());
    EXPECT_EQ(prefs.GetString("Mouse.Wheel"), "0");
  }
  {
    TfrConfig dialog(host);
    int saved = 0;
    dialog.savePrefs = [&] { ++saved; };
    Find<QRadioButton>(dialog.Page(1), LangCaption("Config.Mouse.Wheel.3"))->click();
    prefs.written.clear();
    dialog.accept();
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(prefs.GetString("Mouse.Wheel"), "3");
    for (const std::string& key : prefs.written)
      EXPECT_EQ(key.rfind("MOUSE.", 0), 0u) << key << " written by the Mouse page only";
    EXPECT_FALSE(dialog.ReopenNeeded() || dialog.RestartNeeded());
  }
  struct TFlag {
    int page;
    const char* box;
    bool reopen, restart;
  };
  for (const TFlag& f :
       {TFlag{4, "Config.Video.VideoProcessor", true, false}, TFlag{0, "Config.Interface.MinimizeToTray", false, true},
        TFlag{0, "Config.Interface.BrandBorder", false, true}, TFlag{0, "Config.Interface.ShowLogo", false, true},
        TFlag{6, "Config.System.CPUUsage", false, true}}) {
    TfrConfig dialog(host);
    dialog.SelectPage(f.page);
    Find<QCheckBox>(dialog.Page(f.page), LangCaption(f.box))->click();
    dialog.accept();
    EXPECT_EQ(dialog.ReopenNeeded(), f.reopen) << f.box;
    EXPECT_EQ(dialog.RestartNeeded(), f.restart) << f.box;
  }
}

// Every caption of the dialog and its pages comes from the language table, and the category
// list has the fifteen entries with their icons.
TEST_F(ConfigTest, EveryCaptionIsTranslatedAndEveryCategoryHasItsIcon) {
  TfrConfig dialog(host);
  ASSERT_EQ(dialog.Categories()->count(), kConfigPageCount);
  for (int i = 0; i < kConfigPageCount; ++i) {
    dialog.SelectPage(i);
    EXPECT_EQ(TfrConfig::PageIcon(i).deviceIndependentSize(), QSizeF(24, 24)) << i;
    std::vector<QString> texts;
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
      texts.push_back(b->text());
    for (QLabel* l : dialog.findChildren<QLabel*>())
      texts.push_back(l->text());
    for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
      texts.push_back(g->title());
    for (const QString& t : texts)
      EXPECT_FALSE(t.contains("<Config") || t.contains("{Config")) << ConfigPageName(i) << ": " << t.toStdString();
  }
}

// Clicking a skin shows it at once without storing it; Cancel shows the stored one again.
TEST_F(ConfigTest, ASkinPreviewIsUndoneByCancel) {
  host.exeDir = "/nonexistent/";
  prefs.store->SetString("Config.ActivePage", "0");
  TfrConfig dialog(host);
  auto* skins = dialog.Page(0)->findChildren<QListWidget*>()[1];
  ASSERT_GE(skins->count(), 2);
  QListWidgetItem* plain = skins->item(1);
  emit skins->itemClicked(plain);
  EXPECT_EQ(skinsShown, std::vector<std::string>{" <XP.Blue> "});
  EXPECT_EQ(prefs.GetString("FrontEnd.Skin"), " <TQ-41> ");
  dialog.reject();
  EXPECT_EQ(skinsShown, (std::vector<std::string>{" <XP.Blue> ", " <TQ-41> "}));
}

// The display modes: each size and depth once, deepest first, a column per depth.
TEST(ConfigModes, ModesAreOrderedAndSplitByDepth) {
  std::vector<TDisplayMode> modes = {
      {800, 600, 24, 60}, {1920, 1080, 24, 60}, {1920, 1080, 24, 50}, {640, 480, 16, 60}, {1024, 768, 16, 75}};
  std::vector<std::vector<TDisplayMode>> columns = DisplayModeColumns(modes);
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0], (std::vector<TDisplayMode>{{1920, 1080, 24, 0}, {800, 600, 24, 0}}));
  EXPECT_EQ(columns[1], (std::vector<TDisplayMode>{{1024, 768, 16, 0}, {640, 480, 16, 0}}));
  EXPECT_EQ(DisplayModeText(columns[0][0]), "1920 x 1080, 24 Bits");
}

// The keyboard grid takes the keys pressed in its key column and the remote buttons pressed in
// its button column; category rows take nothing; OK defines and stores them.
TEST_F(ConfigTest, TheKeyboardGridNamesKeysAndButtonsIntoItsRows) {
  QWidget owner;
  std::unique_ptr<TConfigPageForm> page;
  QTableWidget* grid = ShowGrid(9, owner, page);
  ASSERT_TRUE(grid && grid->hasFocus());
  EXPECT_EQ(grid->rowCount(), 10 + 93) << "a row per category and per command, below the header";
  grid->setCurrentCell(0, 1);
  QTest::keyClick(grid, Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(grid->item(0, 1)->text(), "") << "a category's row";
  grid->setCurrentCell(1, 1); // the first command, 50
  QTest::keyClick(grid, Qt::Key_K, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_Shift);
  EXPECT_EQ(grid->item(1, 1)->text(), "Ctrl+K");
  grid->setCurrentCell(1, 2);
  ASSERT_TRUE(commands.captureHook);
  EXPECT_TRUE(commands.captureHook("Red"));
  grid->setCurrentCell(1, 1);
  EXPECT_FALSE(commands.captureHook("Blue")) << "outside the button column the button acts";
  page->ApplyValues();
  EXPECT_EQ(commands.GetKey(50), "Ctrl+K");
  EXPECT_EQ(prefs.GetString("Command.c050"), "Ctrl+K|Red");
  page->Closing();
  EXPECT_FALSE(commands.captureHook);
}

// The file types page over an association store of its own: the groups with their headers, the
// Video button, and OK taking exactly the checked types over.
TEST_F(ConfigTest, TheFileTypesPageAssociatesTheCheckedTypes) {
  TMemoryAssocStore store;
  TAssocSetup setup;
  setup.store = &store;
  setup.exePath = "/opt/zelvar/zelvar";
  setup.exeDir = "/opt/zelvar/";
  TXMLNode* table = prefs.doc.Root()->FindChild("FileTypes");
  host.fileTypes = [&] { return TExplorerIntegrator(table, setup); };
  QWidget owner;
  auto page = CreateConfigPage(8, host, &owner);
  auto* list = page->findChild<QListWidget*>();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->item(0)->text(), "------- PlayLists -------");
  EXPECT_FALSE(list->item(0)->flags() & Qt::ItemIsUserCheckable);
  Find<QPushButton>(page.get(), LangCaption("Config.Video"))->click();
  page->ApplyValues();
  TExplorerIntegrator types(table, setup);
  for (const char* id : {"AVI", "MKV", "ZVP", "MP4"})
    EXPECT_TRUE(types.IsAssociated(id)) << id;
  for (const char* id : {"MP3", "M3U", "FLV"})
    EXPECT_FALSE(types.IsAssociated(id)) << id;
  // None, then OK: every type given back.
  Find<QPushButton>(page.get(), LangCaption("Config.None"))->click();
  page->ApplyValues();
  EXPECT_FALSE(TExplorerIntegrator(table, setup).IsAssociated("AVI"));
}

// The global keys page: rows matched to the stored keys by position, a key pressed into a row,
// and OK storing the rows and switching the module off and on so that the keys are taken anew.
TEST_F(ConfigTest, TheGlobalKeysPageStoresItsRowsAndRestartsTheModule) {
  std::vector<std::string> stored = {"Ctrl+Alt+Space", "Ctrl+Alt+Right"}, written;
  std::vector<bool> switched;
  host.globalKeys = [&] { return stored; };
  host.setGlobalKeys = [&](const std::vector<std::string>& keys) { written = keys; };
  host.globalKeysEnabled = [] { return true; };
  host.enableGlobalKeys = [&](bool on) { switched.push_back(on); };
  QWidget owner;
  std::unique_ptr<TConfigPageForm> page;
  QTableWidget* grid = ShowGrid(13, owner, page);
  ASSERT_TRUE(grid && grid->hasFocus());
  ASSERT_EQ(grid->rowCount(), 12);
  EXPECT_EQ(grid->item(0, 0)->text(), LangCaption("Command.102"));
  EXPECT_EQ(grid->item(10, 0)->text(), LangCaption("Command.205") + " / " + LangCaption("Command.206"));
  EXPECT_EQ(grid->item(1, 1)->text(), "Ctrl+Alt+Right");
  grid->setCurrentCell(2, 1);
  QTest::keyClick(grid, Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
  page->ApplyValues();
  ASSERT_EQ(written.size(), 12u);
  EXPECT_EQ(written[0], "Ctrl+Alt+Space");
  EXPECT_EQ(written[2], "Ctrl+Alt+F5");
  EXPECT_EQ(written[3], "");
  EXPECT_EQ(switched, (std::vector<bool>{false, true}));
}
