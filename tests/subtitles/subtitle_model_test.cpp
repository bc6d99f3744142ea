// The two subtitle streams with their models: time mapping, loading and unloading, the automatic
// search over temporary trees, the file dialog's start and the voice-over numbering.
#include "subtitles/subtitle_model.h"

#include "commands/model_manager.h"
#include "map_prefs.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zv;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kSecond = 10'000'000;

struct Voice : IVoicePlayer {
  std::vector<int>* played;
  explicit Voice(std::vector<int>* p) : played(p) {}
  void PlayIndex(int n) override { played->push_back(n); }
};

struct Subtitles : ::testing::Test {
  zvtest::MapPrefs prefs;
  TModelManager models;
  zvtest::TempDir dir;
  std::vector<int> voiced;
  std::vector<std::string> dialogs;
  std::string chosen;
  std::unique_ptr<TSubtitlesModel> subs;

  void SetUp() override {
    TSubtitleHost host;
    host.models = &models;
    host.prefs = &prefs;
    host.voicePlayer = [this](const std::string&) { return std::make_unique<Voice>(&voiced); };
    host.chooseFile = [this](const std::string& title, const std::string& filter, const std::string& folder) {
      dialogs.push_back(title + " | " + filter + " | " + folder);
      return chosen;
    };
    subs = std::make_unique<TSubtitlesModel>(host);
  }
  std::string File(const std::string& name, const std::string& bytes = "1\n00:00:10,000 --> 00:00:11,000\nHi\n\n") {
    fs::create_directories(fs::path(dir.file(name)).parent_path());
    zvtest::WriteFile(dir.file(name), bytes);
    return dir.file(name);
  }
};

} // namespace

TEST_F(Subtitles, MediaTimeBecomesSubtitleTime) {
  const std::string dvd = File("film.sub", "{240}{264}frames\n");
  const std::string srt = File("film.srt");
  const struct {
    const char* setFps;
    const char* fixedFps;
    const char* offset;
    int shift; // tenths, -1: none set
    bool microDvd;
    int64_t position, mapped;
  } cases[] = {
      {"0", "25,00", "0,00", -1, true, 100'100'000, 96'000'000},  // the film's 24000/1001 fps
      {"1", "25,00", "0,00", -1, true, 100'100'000, 100'100'000}, // the fixed 25
      {"1", "30.0", "0,00", -1, true, 25 * kSecond, 30 * kSecond},
      {"1", "fast", "0,00", -1, true, 25 * kSecond, 25 * kSecond},         // no number: 25
      {"1", "25,00", "0,00", 25, false, 125 * kSecond / 10, 10 * kSecond}, // +2.5 s shows it later
      {"1", "25,00", "0.5", 0, false, 10 * kSecond, 10 * kSecond},         // a shift model wins
      {"1", "25,00", "x", 25, false, 10 * kSecond, 10 * kSecond},          // no offset: no shift either
  };
  for (const auto& c : cases) {
    prefs.SetString("Subtitles.SetMicroDVDFPS", c.setFps);
    prefs.SetString("Subtitles.MicroDVDFPS", c.fixedFps);
    prefs.SetString("Subtitles.Offset", c.offset);
    TSubStreamModel& s = subs->Stream0();
    s.Load(c.microDvd ? dvd : srt);
    s.SetFPS(24000.0 / 1001.0);
    if (c.shift >= 0)
      models.SetInt("App.Subs.Shift0", c.shift);
    EXPECT_EQ(s.MapTime(c.position), c.mapped) << c.setFps << " " << c.fixedFps << " " << c.offset << " " << c.shift;
  }
  // At 23.976 fps the frames 240 to 264 are due from about 10.01 s, not from 9.6 s.
  prefs.SetString("Subtitles.SetMicroDVDFPS", "0");
  prefs.SetString("Subtitles.Offset", "0,00");
  subs->Stream0().Load(dvd);
  subs->SetFPS(24000.0 / 1001.0);
  EXPECT_EQ(subs->Stream0().GetText(97'000'000), "");
  EXPECT_EQ(subs->Stream0().GetText(100'200'000), "frames");
}

TEST_F(Subtitles, LoadingRegistersTheStreamsModelsAndUnloadingTakesThemAway) {
  subs = nullptr;
  prefs.SetInt("Subtitles.Pos1", 140); // held to 0…100
  SetUp();
  TSubStreamModel& s = subs->Stream0();
  EXPECT_EQ(s.VPos(), 100);
  EXPECT_NE(models.GetModel("App.Subs.Title0"), nullptr);
  EXPECT_EQ(models.GetModel("App.Subs.Enabled0"), nullptr);
  s.Load(File("film.srt"));
  EXPECT_TRUE(s.IsLoaded());
  EXPECT_TRUE(s.IsEnabled());
  EXPECT_EQ(models.GetString("App.Subs.Title0"), "film.srt");
  EXPECT_EQ(models.GetInt("App.Subs.VPos0"), 100);
  EXPECT_EQ(models.GetInt("App.Subs.Shift0"), 0);
  int moved = 0;
  THandlerKey key;
  models.Subscribe("App.Subs.Pos", key, [&] { ++moved; });
  models.SetInt("App.Subs.VPos0", 40);
  EXPECT_EQ(s.VPos(), 40);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(s.GetText(10 * kSecond), "Hi\r\n");
  subs->HideAll();
  EXPECT_EQ(s.GetText(10 * kSecond), "");
  subs->ShowAll();
  EXPECT_EQ(s.GetText(10 * kSecond), "Hi\r\n");
  models.Unsubscribe("App.Subs.Pos", key);

  s.Unload();
  EXPECT_FALSE(s.IsLoaded());
  EXPECT_EQ(models.GetModel("App.Subs.Enabled0"), nullptr);
  EXPECT_EQ(models.GetModel("App.Subs.VPos0"), nullptr);
  EXPECT_EQ(models.GetModel("App.Subs.Shift0"), nullptr);
  EXPECT_EQ(models.GetString("App.Subs.Title0"), "film.srt") << "the title keeps its last value";
  // A file that cannot be opened leaves the stream unloaded.
  EXPECT_ANY_THROW(s.Load(dir.file("missing.srt")));
  EXPECT_FALSE(s.IsLoaded());
  // The positions go back to the preferences.
  subs = nullptr;
  EXPECT_EQ(prefs.GetInt("Subtitles.Pos1"), 40);
  EXPECT_EQ(prefs.GetInt("Subtitles.Pos2"), 75);
}

TEST_F(Subtitles, TheSearchTriesTheFolderTreeThenTheFilmsNamesakes) {
  const std::string film = File("films/film.avi", "RIFF");
  File("films/film.srt");
  File("films/film.ass");
  File("films/film.txt");
  // Beside the film: .ass before .srt, .txt never.
  subs->AutoSearch(film);
  EXPECT_EQ(subs->Stream0().Title(), "film.ass");
  EXPECT_EQ(subs->Stream1().Title(), "film.srt");

  // The subtitle folder tree first, depth first, links to folders not followed (a loop ends).
  subs->UnloadAll();
  File("subs/a/b/film.ssa");
  fs::create_directory_symlink(dir.file("subs"), dir.file("subs/a/loop"));
  prefs.SetBool("Subtitles.UseFolder", true);
  prefs.SetString("Subtitles.Folder", dir.file("subs"));
  subs->AutoSearch(film);
  EXPECT_EQ(subs->Stream0().Title(), "film.ssa");
  EXPECT_EQ(subs->Stream1().Title(), "film.ass");
  // Both filled by the tree: nothing beside the film is tried; a third file finds no room.
  subs->UnloadAll();
  File("subs/film.srt");
  subs->AutoSearch(film);
  EXPECT_EQ(subs->Stream0().Title(), "film.srt");
  EXPECT_EQ(subs->Stream1().Title(), "film.ssa");
  subs->LoadIntoFree(dir.file("films/film.ass"));
  EXPECT_EQ(subs->Stream1().Title(), "film.ssa");
  // Through the dialog a file replaces stream 0; its folder is remembered.
  chosen = dir.file("films/film.ass");
  subs->Load0();
  EXPECT_EQ(subs->Stream0().Title(), "film.ass");
  EXPECT_EQ(prefs.GetString("OSD.Subs.Folder"), dir.file("films/"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0], "{Command.350}... | Subtitles (*.txt;*.ass;*.sub;*.srt;*.ssa)|*.txt;*.ass;*.sub;*.srt;*.ssa|"
                        "Any File (*.*)|*.* | " +
                            dir.file("subs"));
}

TEST_F(Subtitles, AVoiceOverFolderReadsTheEntriesByNumber) {
  File("voiced/SubVoice/0001.mp3", "ID3");
  const std::string srt = File("voiced/film.srt", "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n"
                                                  "2\n00:00:03,000 --> 00:00:04,000\nTwo\n\n");
  subs->Stream1().Load(srt);
  EXPECT_EQ(subs->Stream1().VoiceDir(), dir.file("voiced/SubVoice/"));
  for (int64_t t : {1, 1, 2, 3, 5})
    subs->Stream1().GetText(t * kSecond + 1);
  EXPECT_EQ(voiced, (std::vector<int>{1, 1, 2})) << "every due entry, the player itself ignores a repeat";
  subs->Stream0().Load(File("plain/film.srt"));
  EXPECT_EQ(subs->Stream0().VoiceDir(), "");
}
