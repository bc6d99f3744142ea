// The main window, the command executor, the playlist and the player over the real engine, in one
// process on the offscreen platform: what a user sees and does while the demo clip plays.
#include "app/executor.h"
#include "app/player_services.h"
#include "commands/command_codes.h"
#include "commands/model_manager.h"
#include "map_prefs.h"
#include "mediainfo/gst_media_detector.h"
#include "platform/screen_saver.h"
#include "playback/engine/gst_engine.h"
#include "playback/engine/gst_graph.h"
#include "playback/player.h"
#include "playback/video_props.h"
#include "prefs/media_store.h"
#include "skin/language_manager.h"
#include "test_util.h"
#include "ui/audio_props_dialog.h"
#include "ui/builtin_bars.h"
#include "ui/main_window.h"
#include "ui/osd_manager.h"
#include "ui/osd_panel.h"
#include "ui/qt_dispatcher.h"
#include "ui/video_panel.h"
#include "ui/video_props_dialog.h"
#include "window_rig.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <regex>

using namespace zv;
namespace fs = std::filesystem;

using zvtest::Host;
using zvtest::MainWindow;
using zvtest::PumpUntil;

TEST_F(MainWindow, ShowsTheDemoClipInTheMoviePanelWithTheControlPanelBelow) {
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  EXPECT_EQ(window->Title(), "Zelvar Demo - Zelvar");
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing);
  // The window took the video's size: 640 x 360 above the strip.
  EXPECT_EQ(window->Panel()->size(), QSize(640, 360));
  ASSERT_TRUE(PumpUntil([&] { return window->Panel()->Video()->FramesPainted() > 5; }));
  QImage shot = window->grab().toImage();
  QRect panel(window->Panel()->mapTo(window.get(), QPoint(0, 0)), window->Panel()->size());
  // Colour bars in the top half of the picture (the first bar is light grey or white, the middle
  // ones saturated), and the control panel below the picture.
  int saturated = 0;
  for (int x = panel.left() + 20; x < panel.right(); x += 40) {
    QColor c(shot.pixel(x, panel.top() + panel.height() / 4));
    saturated += c.saturation() > 150 ? 1 : 0;
  }
  EXPECT_GE(saturated, 8);
  TTimeTrackBar* seek = window->SeekBar();
  EXPECT_GE(seek->mapTo(window.get(), QPoint(0, 0)).y(), panel.bottom());
  EXPECT_TRUE(seek->isEnabled());
  EXPECT_TRUE(PumpUntil([&] { return std::llabs(seek->Duration() - 100'000'000) < 1'000'000; }))
      << seek->Duration(); // ten seconds
}

TEST_F(MainWindow, SwitchingSkinsWhilePlayingKeepsPlaying) {
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 2'000'000; }));
  for (int i = 0; i < 12; ++i) {
    window->ApplySkin(i % 3 == 0 ? " <XP.Blue> " : i % 3 == 1 ? " <TQ-41> " : "no such skin");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    zvtest::PumpFor(std::chrono::milliseconds(30));
  }
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing);
  EXPECT_TRUE(window->PackageSkinShown());
  int64_t before = Position();
  EXPECT_TRUE(PumpUntil([&] { return Position() > before + 2'000'000; })) << "the clip plays on";
  EXPECT_TRUE(window->Panel()->VideoShown());
}

TEST_F(MainWindow, TransportCommandsPauseSeekAndUnload) {
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 5'000'000; }));
  executor->ExecCommand(102); // Space: pause
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused);
  eng::TFilterState state;
  dsh->Graph()->GetState(20000, state); // returns once the pipeline has paused
  int64_t paused = Position();
  zvtest::PumpFor(std::chrono::milliseconds(300));
  EXPECT_NEAR(static_cast<double>(Position()), static_cast<double>(paused), 400'000.0) << "it stays where it paused";
  executor->ExecCommand(152); // Right: ten seconds on, held to the end of the clip
  EXPECT_TRUE(PumpUntil([&] { return Position() > paused + 20'000'000; }));
  executor->ExecCommand(153); // Left: back again
  EXPECT_TRUE(PumpUntil([&] { return Position() < paused + 10'000'000; }));
  executor->ExecCommand(102); // Space again: plays on
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing);
  // The position text follows the timer.
  EXPECT_TRUE(PumpUntil([&] { return window->PositionText().endsWith("/0:00:10"); }))
      << window->PositionText().toStdString();
  executor->ExecCommand(100); // unload: the logo comes back
  EXPECT_FALSE(window->FileOpen());
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Stopped);
  EXPECT_EQ(window->PositionText(), "0:00:00/0:00:00");
  EXPECT_EQ(window->Title(), "Zelvar 4.4");
  EXPECT_FALSE(window->Panel()->VideoShown());
  EXPECT_FALSE(window->Panel()->Picture().isNull());
  EXPECT_EQ(dsh->Graph(), nullptr);
  // 102 when stopped plays the current entry again; Esc leaves.
  executor->ExecCommand(102);
  EXPECT_TRUE(window->FileOpen());
  executor->ExecCommand(453);
  EXPECT_TRUE(exited);
}

TEST_F(MainWindow, FileInformationOfThePlayingFileAndOfTheSelectedEntry) {
  prefs.SetString("OSD.InfoStr", "{TITLE} [{DURATION}]\\r\\n{FORMAT} {filename} {POSITION}/{REMAINS} {Time} {Nothing}");
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 5'000'000; }));
  // The message comes when the file starts, and again on the command.
  ASSERT_EQ(osd.size(), 1u);
  // Said as the file starts: the first frames may have gone by under load, cutting what remains.
  EXPECT_TRUE(std::regex_search(osd[0], std::regex("^Zelvar Demo \\[0:00:10\\]\r\nMatroska Zelvar Demo\\.mkv "
                                                   "0:00:00/0:00:(09|10) ")))
      << osd[0];
  executor->ExecCommand(52);
  ASSERT_EQ(osd.size(), 2u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(osd[1], m,
                               std::regex("Zelvar Demo \\[0:00:10\\]\r\nMatroska Zelvar Demo\\.mkv "
                                          "0:00:0(\\d)/0:00:0(\\d) (\\d\\d):(\\d\\d) \\{Nothing\\}")))
      << osd[1];
  EXPECT_GE(std::stoi(m[1]), 0);
  int sum = std::stoi(m[1]) + std::stoi(m[2]); // each in whole seconds, cut
  EXPECT_TRUE(sum == 9 || sum == 10) << "position and what remains add up to the duration";
  EXPECT_LT(std::stoi(m[3]), 24);

  // The report of the playing file is the player's own, read when it opened.
  IPlaylistPlayer* player = list->Player();
  ASSERT_NE(player, nullptr);
  ASSERT_NE(player->MediaInfo(), nullptr);
  player->MediaInfo()->AddComment("Kept", "yes");
  executor->ExecCommand(51);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("File format: Matroska\r\n"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("Video size: 640 x 360"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("Kept: yes"), std::string::npos) << "not read again";

  // Unloaded: the report of the selected entry, read afresh; the message is the name alone.
  list->AddFile(Demo() + ".missing.avi");
  list->Items(1).Selected = true;
  executor->ExecCommand(100);
  EXPECT_EQ(list->Player(), nullptr);
  executor->ExecCommand(51);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[1].find("Zelvar Demo.mkv.missing.avi"), std::string::npos) << reports[1];
  EXPECT_NE(reports[1].find("Not identified"), std::string::npos) << reports[1];
  list->Items(1).Selected = false;
  executor->ExecCommand(79);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[2].find("Video size: 640 x 360"), std::string::npos) << "the current entry when none is selected";
  EXPECT_EQ(reports[2].find("Kept: yes"), std::string::npos);
  executor->ExecCommand(52);
  ASSERT_EQ(osd.size(), 3u);
  EXPECT_EQ(osd[2], "Zelvar Demo.mkv");
  list->Clear();
  executor->ExecCommand(51);
  EXPECT_EQ(reports.size(), 3u) << "an empty list has nothing to describe";
}

TEST_F(MainWindow, CommandsThatChangeTheListWaitForAnAdditionToEnd) {
  zvtest::TempDir dir;
  for (int i = 0; i < 50; ++i)
    zvtest::WriteFile(dir.file("f" + std::to_string(i) + ".avi"), "x");
  // A clear arriving while the folder is being added runs after the addition.
  bool posted = false;
  QTimer::singleShot(0, [&] {
    posted = true;
    executor->ExecCommand(256);
  });
  list->AddFolder(dir.str());
  EXPECT_TRUE(posted);
  EXPECT_EQ(list->Count(), 50);
  executor->RunHeldCommands();
  EXPECT_EQ(list->Count(), 0);
  // Next and previous walk the list.
  list->AddFile(Demo());
  list->AddFile(Demo() + ".missing.avi");
  EXPECT_TRUE(executor->ExecCommand(250) && !executor->ExecCommand(106) && !executor->ExecCommand(457));
  EXPECT_FALSE(executor->ExecCommand(49));
  EXPECT_FALSE(executor->ExecCommand(503));
}

TEST_F(MainWindow, DroppedFilesGoToTheDropHandlerInOrder) {
  std::vector<std::string> dropped;
  bool into = true;
  TMainContext ctx;
  ctx.prefs = &prefs;
  ctx.playlist = list.get();
  ctx.dsh = dsh.get();
  ctx.dropFiles = [&](const std::vector<std::string>& files, bool intoPlaylist) {
    dropped = files;
    into = intoPlaylist;
  };
  window->SetContext(ctx);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/media/b film.mkv"), QUrl::fromLocalFile("/media/a.avi"),
                QUrl("http://radio.example/live")});
  QPoint at(window->width() / 2, window->height() / 3);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  EXPECT_EQ(dropped, (std::vector<std::string>{"/media/b film.mkv", "/media/a.avi", "http://radio.example/live"}));
  EXPECT_FALSE(into) << "on the picture: instead of the list";
  // On the shown playlist panel: into the list.
  window->ShowPlaylistPanel(true);
  QWidget* panel = window->findChild<QWidget*>("PlaylistPanel");
  QCoreApplication::processEvents();
  const QPoint onPanel = panel->mapTo(window.get(), QPoint(panel->width() / 2, panel->height() / 2));
  QDragEnterEvent enterList(onPanel, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enterList);
  QDropEvent dropOnList(QPointF(onPanel), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &dropOnList);
  EXPECT_TRUE(into);
}

TEST_F(MainWindow, PlaylistWindowCommandsAndTheStateItFollows) {
  int toggles = 0, follows = 0, jumps = 0;
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.window = window.get();
  t.playlist = list.get();
  t.models = &models;
  t.togglePlaylist = [&] { ++toggles; };
  t.playlistWindowFollow = [&] { ++follows; };
  t.showJumpToFile = [&] { ++jumps; };
  TCommandExecutor x(t);
  models.Register("Window.PlayList", std::make_unique<TSInt32Model>());
  // 201 shows and hides the panel in the window by default, the separate window when asked;
  // 207 always opens the separate window.
  const QRect video(window->Panel()->mapToGlobal(QPoint(0, 0)), window->Panel()->size());
  EXPECT_TRUE(x.ExecCommand(201));
  EXPECT_TRUE(window->PlaylistPanelShown());
  EXPECT_EQ(models.GetInt("Window.PlayList"), 1);
  EXPECT_EQ(window->Panel()->width(), video.width() - window->PlaylistWidth() - 7);
  EXPECT_TRUE(x.ExecCommand(201));
  EXPECT_FALSE(window->PlaylistPanelShown());
  EXPECT_EQ(models.GetInt("Window.PlayList"), 0);
  EXPECT_EQ(toggles, 0);
  prefs.SetBool("Playlist.External", true);
  EXPECT_TRUE(x.ExecCommand(201));
  EXPECT_TRUE(x.ExecCommand(207));
  EXPECT_EQ(toggles, 2);
  EXPECT_FALSE(window->PlaylistPanelShown());
  EXPECT_TRUE(x.ExecCommand(265));
  EXPECT_EQ(jumps, 1);
  // Shuffle, volume up and down and mute: the playlist window takes the new state.
  window->SetVolumePosition(50);
  EXPECT_TRUE(x.ExecCommand(401));
  EXPECT_EQ(window->VolumePosition(), 55);
  for (int code : {260, 402, 403})
    EXPECT_TRUE(x.ExecCommand(code));
  EXPECT_EQ(follows, 4);
  EXPECT_EQ(window->VolumePosition(), 50);
  EXPECT_TRUE(window->Muted());
  EXPECT_TRUE(list->ShuffleOn());
}

TEST(Executor, SavesThePlaylistInTheChosenFormatAndWritesTheReport) {
  zvtest::TempDir dir;
  zvtest::MapPrefs prefs;
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  Host host;
  TPlayList list(prefs, host);
  fs::create_directories(dir.path() / "Album Folder");
  list.AddFile(dir.file("Album Folder/one.mp3"));
  list.AddFile(std::string(ZV_DEMO_CLIP));
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.playlist = &list;
  std::vector<std::string> shown;
  t.osd = [&](const std::string& text) { shown.push_back(text); };
  std::string answer;
  int chosenFilter = 0;
  std::vector<std::string> offered;
  t.chooseSaveFile = [&](const std::string& title, const std::string& filter, const std::string&,
                         const std::string& name, int& index) {
    offered.push_back(title + "|" + name + "|" + std::to_string(index) + "|" + filter);
    if (chosenFilter)
      index = chosenFilter;
    return answer;
  };
  std::vector<std::string> opened;
  t.openDocument = [&](const std::string& path) { opened.push_back(path); };
  t.reportFolder = dir.file("Report/");
  fs::create_directories(dir.path() / "Report");
  zvtest::WriteFile(dir.file("Report/Plain.txt"),
                    "*.txt\r\n%EntryStart%%No%:%FileName%;%EntryEnd%(%TotalFilesNumber%)");
  t.version = "4.4.1";
  TCommandExecutor executor(t);

  answer = dir.file("saved.pls");
  EXPECT_TRUE(executor.ExecCommand(257));
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].substr(0, offered[0].find("|Zelvar")), "Save playlist|Album Folder|1");
  EXPECT_EQ(shown, (std::vector<std::string>{"Album Folder"})) << "the proposed folder name is shown";
  EXPECT_EQ(zvtest::ReadFile(answer).rfind("[playlist]\r\nFile1=", 0), 0u);
  EXPECT_EQ(prefs.GetString("Playlist.PlaylistDir"), dir.str() + "/");
  answer = dir.file("saved"); // no extension: the chosen filter's
  chosenFilter = 2;
  executor.ExecCommand(257);
  EXPECT_EQ(zvtest::ReadFile(dir.file("saved.m3u")).rfind("#EXTM3U\r\n", 0), 0u);
  // Cancelled: nothing is written.
  answer.clear();
  executor.ExecCommand(257);

  // The report: the template chosen in the dialog (entry 2 = the first template file).
  answer = dir.file("report.txt");
  chosenFilter = 2;
  EXPECT_TRUE(executor.ExecCommand(262));
  EXPECT_NE(offered.back().find("Save report...|report|3|Brief HTML (*.htm;*.html)|*.htm;*.html|Plain (*.txt)|*.txt"),
            std::string::npos)
      << offered.back();
  EXPECT_EQ(zvtest::ReadFile(answer), "1:one.mp3;2:Zelvar Demo.mkv;(2)");
  EXPECT_EQ(opened, (std::vector<std::string>{answer}));
  answer = dir.file("report.html");
  chosenFilter = 1; // the built-in page
  executor.ExecCommand(262);
  EXPECT_NE(zvtest::ReadFile(answer).find("<TITLE>ZV report</TITLE>"), std::string::npos);
  SetLanguageManager(nullptr);
}

namespace {
struct CountingInhibitor : IScreenSaverInhibitor {
  int* held;
  explicit CountingInhibitor(int* h) : held(h) {}
  bool Inhibit(const std::string&) override {
    ++*held;
    return true;
  }
  void UnInhibit() override { --*held; }
};
} // namespace

TEST_F(MainWindow, MinimisingPausesHidingEverythingHidesTheDialogsAndTheScreenSaverWaits) {
  int held = 0;
  TScreenSaverGuard guard(std::make_unique<CountingInhibitor>(&held));
  TMainContext ctx;
  ctx.prefs = &prefs;
  ctx.playlist = list.get();
  ctx.dsh = dsh.get();
  ctx.models = &models;
  ctx.screenSaver = &guard;
  window->SetContext(ctx);
  prefs.SetBool("OnMinimize.Pause", true);
  // Without a notification area the tray preference minimises normally.
  prefs.SetBool("FrontEnd.MinimizeToTray", true);
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 5'000'000; }));
  window->ShowPlaying();
  EXPECT_EQ(held, 1) << "a picture plays";
  window->ShowPlaying();
  EXPECT_EQ(held, 1) << "held once however often play is pressed";

  window->MinimiseWindow();
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused);
  EXPECT_EQ(held, 0) << "paused: the screen saver may come";
  EXPECT_FALSE(window->InTray());
  window->RestoreWindow();
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing) << "OnMinimize.RestorePlayback";
  EXPECT_EQ(held, 1);

  // Hide everything (208 twice): the window and its dialogs go and come back, playback waits.
  QDialog dialog(window.get());
  dialog.show();
  executor->ExecCommand(208);
  EXPECT_TRUE(window->HiddenByBossKey());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused);
  executor->ExecCommand(205); // minimise does nothing while everything is hidden
  EXPECT_FALSE(window->isVisible());
  executor->ExecCommand(208);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(window->HiddenByBossKey());
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing);
  executor->ExecCommand(100);
  EXPECT_EQ(held, 0) << "stopped";
  window->ReleasePlaylist(); // the context above goes with this test
}

TEST(Executor, HelpOpensThePageOfTheLanguageOrTheEnglishOneOrSaysItIsMissing) {
  zvtest::TempDir dir;
  zvtest::MapPrefs prefs;
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  std::vector<std::string> opened, alerts;
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.helpFolder = dir.file("Help/");
  t.openDocument = [&](const std::string& path) { opened.push_back(path); };
  t.alert = [&](const std::string& text) { alerts.push_back(text); };
  TCommandExecutor x(t);
  x.ExecCommand(451);
  EXPECT_EQ(alerts, std::vector<std::string>{"The help file was not found."});
  fs::create_directories(dir.path() / "Help");
  zvtest::WriteFile(dir.file("Help/english.html"), "<p>help</p>");
  zvtest::WriteFile(dir.file("Help/deutsch.html"), "<p>Hilfe</p>");
  const std::pair<const char*, const char*> cases[] = {
      {"", "english.html"}, {"Deutsch", "deutsch.html"}, {"Francais", "english.html"}};
  for (auto [language, page] : cases) {
    prefs.SetString("FrontEnd.Language", language);
    opened.clear();
    x.ExecCommand(451);
    EXPECT_EQ(opened, std::vector<std::string>{dir.file(std::string("Help/") + page)}) << language;
  }
  EXPECT_EQ(alerts.size(), 1u);
  SetLanguageManager(nullptr);
}

TEST_F(MainWindow, TheScreenShotCommandWritesAJpegOfThePlayingFilm) {
  zvtest::TempDir dir;
  prefs.SetString("App.ScreenShotDir", dir.str());
  prefs.SetBool("Video.CreateRelatedDirectoryName", true);
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(PumpUntil([&] { return Position() > 10'000'000; }));
  ASSERT_TRUE(window->ScreenShotEnabled());
  executor->ExecCommand(301);
  std::vector<fs::path> shots;
  for (const auto& e : fs::directory_iterator(dir.path() / "Zelvar Demo"))
    shots.push_back(e.path());
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_TRUE(std::regex_match(shots[0].filename().string(), std::regex(R"(Zelvar Demo\.0-00-0\d\.\d{3}\.jpg)")))
      << shots[0];
  EXPECT_EQ(QImage(QString::fromStdString(shots[0].string())).size(), QSize(640, 360));
  ASSERT_FALSE(osd.empty());
  EXPECT_EQ(osd.back(), "Screenshot saved: " + shots[0].filename().string());
}

TEST_F(MainWindow, ADriveScanPlaysWhatItFindsAndDeletingTakesTheChosenEntry) {
  zvtest::TempDir disc, stick;
  fs::copy_file(Demo(), disc.file("a film.MKV"));
  zvtest::WriteFile(disc.file("b song.mp3"), "ID3");
  zvtest::WriteFile(disc.file("notes.txt"), "not media");
  fs::create_directory(disc.file("extra"));
  zvtest::WriteFile(disc.file("extra/deeper.avi"), "RIFF");
  zvtest::WriteFile(stick.file("c.wav"), "RIFF");
  std::vector<std::string> trashed;
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.window = window.get();
  t.playlist = list.get();
  t.dsh = dsh.get();
  t.volumes = [&] { return std::vector<std::string>{disc.str(), stick.str()}; };
  t.moveToTrash = [&](const std::string& f) {
    trashed.push_back(f);
    return true;
  };
  TCommandExecutor scan(t);
  scan.ExecCommand(55); // no third volume
  EXPECT_EQ(list->Count(), 0);
  // The top of the volume, by name; the empty list plays its first entry.
  scan.ExecCommand(53);
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Items(0).FileName, disc.file("a film.MKV"));
  EXPECT_EQ(list->Items(1).FileName, disc.file("b song.mp3"));
  EXPECT_EQ(list->CurrentIndex(), 0);
  EXPECT_TRUE(window->FileOpen());
  scan.ExecCommand(54); // a list with entries only grows
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->CurrentIndex(), 0);

  // With the playlist panel shown the first selected entry is the chosen one: it alone goes.
  window->ShowPlaylistPanel(true);
  for (int i = 0; i < list->Count(); ++i)
    list->Items(i).Selected = i >= 1;
  scan.ExecCommand(cmdDeleteFromDisk);
  EXPECT_EQ(trashed, std::vector<std::string>{disc.file("b song.mp3")});
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Items(1).FileName, stick.file("c.wav"));
  EXPECT_TRUE(window->FileOpen()) << "the playing entry was not the chosen one";
}

TEST_F(MainWindow, SubtitlesFoundBesideTheFilmShowAtTheirTimesAndTheShiftKeysMoveThem) {
  zvtest::TempDir dir;
  const std::string film = dir.file("film.mkv");
  fs::copy_file(Demo(), film);
  // A SubRip file with a byte-order mark and an ASS file made here; the ASS one takes stream 0.
  zvtest::WriteFile(dir.file("film.srt"), "\xEF\xBB\xBF"
                                          "1\r\n00:00:00,000 --> 00:00:20,000\r\nFrom SubRip\r\n\r\n");
  zvtest::WriteFile(dir.file("film.ass"), "[Script Info]\n[Events]\n"
                                          "Dialogue: 0,0:00:00.00,0:00:03.00,Default,,0,0,0,,{\\b1}Early\\Nline\n"
                                          "Dialogue: 0,0:00:03.00,0:00:20.00,Default,,0,0,0,,Later line\n");
  prefs.SetBool("Subtitles.AutoLoad", true);
  TSubtitleHost sh;
  sh.models = &models;
  sh.prefs = &prefs;
  TSubtitlesModel subs(sh);
  TPlayerServicesHost ph;
  ph.subtitles = [&] { return &subs; };
  TPlayerServices services(ph);
  host.services = &services;
  TOSDManager osd(&prefs, window.get(), &subs, [&] { return window->Position(); });
  TCommandExecutor::TTargets t;
  t.prefs = &prefs;
  t.models = &models;
  t.subtitles = &subs;
  TCommandExecutor keys(t);

  list->AddFile(film);
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  EXPECT_EQ(subs.Stream0().Title(), "film.ass");
  EXPECT_EQ(subs.Stream1().Title(), "film.srt");
  ASSERT_TRUE(PumpUntil([&] { return Position() > 5'000'000; }));
  osd.Tick();
  EXPECT_EQ(window->OsdPanel(1)->Text(), "Early\r\nline");
  EXPECT_EQ(window->OsdPanel(2)->Text(), "From SubRip\r\n");
  EXPECT_TRUE(window->OsdPanel(1)->isVisible());
  EXPECT_EQ(window->OsdPanel(1)->LineCount(), 2);
  // The lines are on the picture: yellow letters inside the panel's place over the video area.
  ASSERT_TRUE(PumpUntil([&] { return window->Panel()->Video()->FramesPainted() > 3; }));
  const QImage shot = window->Panel()->grab().toImage();
  const QRect place = window->OsdPanel(1)->geometry();
  int yellow = 0;
  for (int y = place.top(); y <= place.bottom(); ++y)
    for (int x = place.left(); x <= place.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      yellow += c.red() > 200 && c.green() > 200 && c.blue() < 60;
    }
  EXPECT_GT(yellow, 30);
  // Later: the next line; four steps of the shift (4 s later) bring the early one back.
  ASSERT_TRUE(PumpUntil([&] { return Position() > 45'000'000; }));
  osd.Tick();
  EXPECT_EQ(window->OsdPanel(1)->Text(), "Later line");
  for (int i = 0; i < 4; ++i)
    keys.ExecCommand(cmdSubtitleShiftDown);
  osd.Tick();
  EXPECT_EQ(window->OsdPanel(1)->Text(), "Early\r\nline");

  // A MicroDVD file beside the next film, its frames counted at the film's 25 per second; the
  // streams of the first film go when it does.
  const std::string second = dir.file("second.mkv");
  fs::copy_file(Demo(), second);
  zvtest::WriteFile(dir.file("second.sub"), "{0}{40}First\r\n{40}{500}Second|line\r\n");
  list->AddFile(second);
  list->PlayIndex(1);
  ASSERT_TRUE(window->FileOpen());
  EXPECT_EQ(subs.Stream0().Title(), "second.sub");
  EXPECT_FALSE(subs.Stream1().IsLoaded());
  ASSERT_TRUE(PumpUntil([&] { return Position() > 20'000'000; }));
  osd.Tick();
  EXPECT_EQ(window->OsdPanel(1)->Text(), "Second\r\nline");
  EXPECT_FALSE(window->OsdPanel(2)->isVisible());
  list->Stop();
  host.services = nullptr;
}

TEST_F(MainWindow, WithVideoTheMessageIsBlendedIntoThePictureAndLeavesItAfter) {
  prefs.SetBool("OSD.WithVideo", true);
  TOSDManager osd(&prefs, window.get(), nullptr, nullptr);
  osd.SetVideoOut(VideoOutOf(dsh.get()));
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  ASSERT_TRUE(PumpUntil([&] { return window->Panel()->Video()->FramesPainted() > 3; }));
  // The information font's colour, 0x00BBGGRR 14539042, in the top band of the picture.
  const auto lettersOnTop = [&] {
    const QImage shot = window->Panel()->grab().toImage();
    const QRect picture = window->Panel()->Video()->geometry();
    int n = 0;
    for (int y = picture.top(); y < picture.top() + 40; ++y)
      for (int x = picture.left(); x <= picture.right(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        n += std::abs(c.red() - 0x22) < 40 && std::abs(c.green() - 0xD8) < 40 && std::abs(c.blue() - 0xDD) < 40;
      }
    return n;
  };
  const int before = lettersOnTop();
  osd.ShowInfo("In the picture");
  osd.Tick();
  ASSERT_TRUE(osd.VideoMode());
  EXPECT_TRUE(dsh->VideoProcessorSettings()->active);
  EXPECT_EQ(dsh->VideoProcessorSettings()->osd->Items().size(), 1u);
  EXPECT_FALSE(window->OsdPanel(0)->isVisible()) << "no panel over the picture";
  const uint64_t painted = window->Panel()->Video()->FramesPainted();
  ASSERT_TRUE(PumpUntil([&] { return window->Panel()->Video()->FramesPainted() > painted + 3; }));
  EXPECT_GT(lettersOnTop(), before + 40);
  // Back to the panels: the picture is clean again and the panel shows the text.
  prefs.SetBool("OSD.WithVideo", false);
  osd.Tick();
  EXPECT_FALSE(osd.VideoMode());
  EXPECT_TRUE(dsh->VideoProcessorSettings()->osd->Items().empty());
  EXPECT_TRUE(window->OsdPanel(0)->isVisible());
  list->Stop();
}

TEST_F(MainWindow, PictureControlsChangeThePictureAndComeBackWithTheFile) {
  zvtest::TempDir dir;
  TMediaSettings settings([&] { return dir.str() + "/"; });
  TMediaCache cache([&] { return dir.str() + "/"; });
  host.settings = &settings;
  host.cache = &cache;
  TPlayerServicesHost ph;
  ph.dsh = dsh.get();
  ph.models = &models;
  ph.window = window.get();
  TPlayerServices services(ph);
  host.services = &services;
  list->AddFile(Demo());
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  ASSERT_TRUE(window->VideoProps());
  ASSERT_TRUE(PumpUntil([&] { return window->Panel()->Video()->FramesPainted() > 3; }));
  executor->ExecCommand(cmdPause);
  ASSERT_TRUE(PumpUntil([&] { return window->PlayState() == TfrMain::TPlayState::Paused; }));
  const int64_t at = dsh->GetPosition();
  // The same picture again after each change: a seek to where it is, paused.
  const auto pictureAfter = [&](const std::function<void()>& change) {
    change();
    dsh->SeekTo(at);
    // The paused graph shows the picture at the position once the seek has gone through.
    zvtest::PumpFor(std::chrono::milliseconds(400));
    return window->Panel()->Video()->CurrentImage();
  };
  const QImage original = pictureAfter([] {});
  // Contrast +50 on the processor's scale: each grey pixel's luma through the stretch table
  // (coloured ones would clip in the conversion to RGB).
  const QImage stretched = pictureAfter([&] { dsh->SetBCS(50, 75, 50); });
  ASSERT_EQ(stretched.size(), original.size());
  EXPECT_EQ(dsh->VideoProcessorSettings()->contrast.load(), 50);
  const TLevelTables t = BuildLevelTables(0, 50, 0);
  const auto luma = [](QRgb c) { return 16 + (65.481 * qRed(c) + 128.553 * qGreen(c) + 24.966 * qBlue(c)) / 255; };
  int near = 0, samples = 0;
  for (int y = 5; y < original.height(); y += 7)
    for (int x = 3; x < original.width(); x += 5) {
      const QRgb o = original.pixel(x, y);
      // Mid greys only: black and white stay where they are.
      if (std::abs(qRed(o) - qGreen(o)) > 12 || std::abs(qGreen(o) - qBlue(o)) > 12 || luma(o) < 50 || luma(o) > 200)
        continue;
      ++samples;
      const double want = t.luma[std::clamp(static_cast<int>(RoundHalfEven(luma(original.pixel(x, y)))), 0, 255)];
      near += std::abs(std::clamp(luma(stretched.pixel(x, y)), 16.0, 235.0) - std::clamp(want, 16.0, 235.0)) <= 10;
    }
  EXPECT_GT(samples, 150);
  EXPECT_GT(near, samples * 9 / 10) << near << " of " << samples;

  // The decoder has settings of its own, and the processor its page.
  EXPECT_TRUE(TDirectShowHelper::HasPropertyPages(dsh->FindVideoDecoder()));
  EXPECT_TRUE(TDirectShowHelper::HasPropertyPages(dsh->FindVideoProcessor()));

  // The dialog follows and drives the same controls.
  TVideoPropsHost vh;
  vh.models = &models;
  vh.prefs = &prefs;
  vh.dsh = dsh.get();
  vh.window = window.get();
  TfrVideoProps dialog(vh);
  dialog.show();
  EXPECT_EQ(dialog.Colour(1)->value(), 75);
  EXPECT_TRUE(dialog.Flip()->isEnabled());
  dialog.Colour(0)->setValue(60);
  EXPECT_EQ(dsh->VideoProcessorSettings()->brightness.load(), 20);
  dialog.Flip()->setChecked(true);
  dialog.Effect()->setValue(0);
  EXPECT_TRUE(dsh->VideoProcessorSettings()->flip.load());
  EXPECT_EQ(dsh->VideoProcessorSettings()->effect.load(), 4);
  dialog.Aspect(2)->click();
  int ax = 0, ay = 0;
  window->VideoProps()->AspectRatio(ax, ay);
  EXPECT_EQ(std::make_pair(ax, ay), std::make_pair(16, 9));
  dialog.Zoom(0)->setValue(150);
  EXPECT_EQ(window->VideoProps()->ZoomY(), 150) << "the axes are linked";
  EXPECT_EQ(dialog.ZoomGroup()->title(), " Zoom: 150% x 150% ");
  const QRect placed = window->Panel()->Video()->PictureRect().value_or(QRect());
  EXPECT_GT(placed.width(), window->Panel()->width()) << "zoomed past the area";
  int green = 0;
  for (int y = 0; y < dialog.Miniature().height(); ++y)
    for (int x = 0; x < dialog.Miniature().width(); ++x)
      green += dialog.Miniature().pixel(x, y) == qRgb(0, 255, 0);
  EXPECT_GT(green, 20) << "the picture's visible part in the miniature";
  dialog.hide();

  // Closed and opened again: the film's colours, zoom and aspect come back with it.
  list->Stop();
  dsh->FreeGraph();
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  ASSERT_TRUE(window->VideoProps());
  EXPECT_EQ(dsh->VideoProcessorSettings()->contrast.load(), 50);
  EXPECT_EQ(dsh->VideoProcessorSettings()->brightness.load(), 20);
  EXPECT_EQ(window->VideoProps()->ZoomX(), 150);
  window->VideoProps()->AspectRatio(ax, ay);
  EXPECT_EQ(std::make_pair(ax, ay), std::make_pair(16, 9));
  list->Stop();
  host.services = nullptr;
  host.settings = nullptr;
  host.cache = nullptr;
}

namespace {
// The linear gain a renderer's volume element has been given.
double RendererGain(eng::IFilter* renderer) {
  auto* f = dynamic_cast<eng::TGstFilter*>(renderer);
  GstElement* v = f ? gst_bin_get_by_name(GST_BIN(f->Element()), "zvvolume") : nullptr;
  double gain = -1;
  if (v) {
    g_object_get(v, "volume", &gain, nullptr);
    gst_object_unref(v);
  }
  return gain;
}
} // namespace

TEST_F(MainWindow, TwoSoundTracksThroughTheEqualizerTheSoundSettingsAndTheSwitchCommand) {
  prefs.SetBool("Sound.Equalizer.Enabled", true);
  prefs.SetInt("Sound.DefaultStream", 1);
  TPlayerServicesHost ph;
  ph.dsh = dsh.get();
  ph.models = &models;
  ph.window = window.get();
  ph.prefs = &prefs;
  ph.osd = [this](const std::string& text) { osd.push_back(text); };
  TPlayerServices services(ph);
  host.services = &services;
  window->SetVolumePosition(100);
  list->AddFile(std::string(std::getenv("ZV_TEST_MEDIA")) + "/two_audio.mkv");
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  ASSERT_TRUE(window->AudioProps());
  ASSERT_EQ(window->AudioProps()->Count(), 2);
  // The preferred second track is heard, through three equalizer stages in front of the first
  // renderer, and the film plays on.
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(0)), 0.0);
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(1)), 1.0);
  ASSERT_NE(dsh->FindFilterByClassIndex(eng::classes::DMOWrapper, 2), nullptr);
  EXPECT_EQ(dsh->FindFilterByClassIndex(eng::classes::DMOWrapper, 3), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return Position() > 15'000'000; }));

  executor->ExecCommand(cmdNextAudioStream);
  EXPECT_EQ(osd.back(), "Audio stream: 1 of 2");
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(0)), 1.0);
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(1)), 0.0);

  // The dialog: opening it makes the preferred track the one heard; a third column has no track.
  TfrAudioProps dialog(models, &prefs);
  dialog.show();
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(1)), 1.0);
  EXPECT_FALSE(dialog.Enabled(2)->isEnabled());
  EXPECT_TRUE(dialog.Band(0)->isEnabled());
  dialog.Volume(1)->setValue(50);
  EXPECT_NEAR(RendererGain(dsh->FindAudioRenderer(1)), std::pow(10.0, -2000 / 2000.0), 1e-6);
  dialog.Band(2)->setValue(100);
  EXPECT_EQ(osd.back(), "EQ - 50:50:100:");
  executor->ExecCommand(cmdMute);
  EXPECT_EQ(RendererGain(dsh->FindAudioRenderer(1)), 0.0);
  executor->ExecCommand(cmdUnload);
  EXPECT_EQ(prefs.GetInt("Sound.Equalizer.Band2.Val"), 100) << "the bands are kept when the file closes";
  EXPECT_FALSE(dialog.Band(0)->isEnabled());
  EXPECT_FALSE(dialog.Enabled(0)->isEnabled());
}

TEST_F(MainWindow, MultimediaKeysPlayPauseAndStepTheListUnlessSwitchedOff) {
  list->AddFile(Demo());
  list->AddFile(std::string(std::getenv("ZV_TEST_MEDIA")) + "/two_audio.mkv");
  ASSERT_EQ(list->Count(), 2);
  list->Play();
  ASSERT_TRUE(window->FileOpen());
  const auto press = [&](Qt::Key key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &down);
    QCoreApplication::processEvents();
  };
  prefs.SetBool("Modules.GlobalKeys.MMKeys", false);
  press(Qt::Key_MediaTogglePlayPause);
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing) << "left alone while switched off";
  prefs.SetBool("Modules.GlobalKeys.MMKeys", true);
  press(Qt::Key_MediaTogglePlayPause);
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused);
  press(Qt::Key_MediaTogglePlayPause);
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Playing);
  press(Qt::Key_MediaStop);
  EXPECT_EQ(window->PlayState(), TfrMain::TPlayState::Paused) << "stop pauses";
  press(Qt::Key_MediaNext);
  EXPECT_EQ(list->CurrentIndex(), 1);
  press(Qt::Key_MediaPrevious);
  EXPECT_EQ(list->CurrentIndex(), 0);
}
