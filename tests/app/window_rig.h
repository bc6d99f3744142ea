// The main window, the command executor, the playlist and the player over the real engine, in one
// process on the offscreen platform, as the core puts them together.
#pragma once

#include "app/executor.h"
#include "app/player_services.h"
#include "commands/model_manager.h"
#include "map_prefs.h"
#include "mediainfo/gst_media_detector.h"
#include "platform/language_names.h"
#include "playback/engine/gst_engine.h"
#include "playback/player.h"
#include "playlist/playlist.h"
#include "qt_test_util.h"
#include "skin/language_manager.h"
#include "test_util.h"
#include "ui/main_window.h"
#include "ui/qt_dispatcher.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace zvtest {
using namespace zv;

// The playlist's host as the core provides it, reduced to what this test needs.
struct Host : IPlaylistHost {
  TDirectShowHelper* dsh = nullptr;
  TfrMain* window = nullptr;
  IPrefs* prefs = nullptr;
  TCommandExecutor* executor = nullptr;
  IPlayerServices* services = nullptr;
  TMediaSettings* settings = nullptr;
  TMediaCache* cache = nullptr;
  std::vector<int> posted;
  std::vector<std::string> alerts;
  TGstMediaDetector detector;
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList& list) override {
    TPlayerHost h;
    h.prefs = prefs;
    h.window = window;
    h.alert = [this](const std::string& t) { alerts.push_back(t); };
    h.playlistTitle = [&list] { return list.CurrentTitle(); };
    h.mediaInfo.detector = &detector;
    h.services = services;
    h.settings = settings;
    h.cache = cache;
    auto p = std::make_unique<TPlayer>(*dsh, h);
    p->onCompleted = [&list] { list.PlayerCompleted(); };
    return p;
  }
  int64_t OpenedDuration() override { return dsh->GetDuration(); }
  void ExecCommand(int code) override { executor->ExecCommand(code); }
  void PostCommand(int code) override { posted.push_back(code); }
  void Defer(std::function<void()> work) override {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
  }
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  std::string FileType(const std::string&) override { return "V"; }
};

using zvtest::PumpUntil;

struct MainWindow : ::testing::Test {
  eng::TGstEngine engine;
  TQtDispatcher dispatcher;
  zvtest::MapPrefs prefs;
  TModelManager models;
  TLanguageManager lang;
  Host host;
  std::unique_ptr<TDirectShowHelper> dsh;
  std::unique_ptr<TfrMain> window;
  std::unique_ptr<TPlayList> list;
  std::unique_ptr<TCommandExecutor> executor;
  bool exited = false;
  std::vector<std::string> osd;     // on-screen messages
  std::vector<std::string> reports; // information windows
  // What the folder dialog answers (empty: cancelled) and where it was asked to start; what the
  // DVD search finds.
  std::string chosenFolder, folderStart, foundDvd;

  void SetUp() override {
    lang.LoadFromResource("LangEn");
    SetLanguageManager(&lang);
    TEngineHost eh;
    eh.prefs = &prefs;
    eh.dispatcher = &dispatcher;
    eh.languageName = [](const std::string& code) { return LanguageName(code); };
    dsh = std::make_unique<TDirectShowHelper>(engine, eh);
    window = std::make_unique<TfrMain>();
    list = std::make_unique<TPlayList>(prefs, host);
    host.dsh = dsh.get();
    host.window = window.get();
    host.prefs = &prefs;
    TMainContext ctx;
    ctx.prefs = &prefs;
    ctx.playlist = list.get();
    ctx.dsh = dsh.get();
    ctx.models = &models;
    ctx.versionTitle = [] { return std::string("Zelvar 4.4"); };
    ctx.osd = [this](const std::string& text) { osd.push_back(text); };
    window->SetContext(ctx);
    TCommandExecutor::TTargets t;
    t.prefs = &prefs;
    t.window = window.get();
    t.playlist = list.get();
    t.dsh = dsh.get();
    t.models = &models;
    t.exit = [this] { exited = true; };
    t.showInfo = [this](const std::string& report) { reports.push_back(report); };
    t.detector = &host.detector;
    t.osd = [this](const std::string& text) { osd.push_back(text); };
    t.chooseFolder = [this](const std::string& start) {
      folderStart = start;
      return chosenFolder;
    };
    t.findDvd = [this](std::function<void(const std::string&)> found) { found(foundDvd); };
    executor = std::make_unique<TCommandExecutor>(t);
    host.executor = executor.get();
    window->executeCommand = [this](int code) { executor->ExecCommand(code); };
    window->resize(640, 400);
    window->show();
  }
  void TearDown() override {
    list->Stop();
    window->ReleasePlaylist();
    list.reset();
    window.reset();
    dsh.reset();
    SetLanguageManager(nullptr);
  }
  std::string Demo() const { return std::string(ZV_DEMO_CLIP); }
  int64_t Position() { return dsh->Graph() ? dsh->GetPosition() : -1; }
};

} // namespace zvtest
