// The separate playlist window on a long list: adding entries one by one while the window follows
// every change, against the same additions with no window; a title search over the whole list;
// removing a selection of half the list.
// Usage: zv_bench_playlist_window [entries]   (offscreen)
#include "commands/model_manager.h"
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "playlist/playlist.h"
#include "ui/playlist_window.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

using namespace zv;

namespace {

class Prefs : public IPrefs {
public:
  std::string GetString(std::string_view p) override { return values_[UpperCase(p)]; }
  void SetString(std::string_view p, std::string_view v) override { values_[UpperCase(p)] = v; }
  bool GetBool(std::string_view p) override { return GetString(p) == "1"; }
  void SetBool(std::string_view p, bool v) override { SetString(p, v ? "1" : "0"); }
  int32_t GetInt(std::string_view p) override { return StrToIntDef(GetString(p), 0); }
  void SetInt(std::string_view p, int32_t v) override { SetString(p, std::to_string(v)); }

private:
  std::map<std::string, std::string> values_;
};

struct Host : IPlaylistHost {
  std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()> work) override { work(); }
  std::string FileType(const std::string&) override { return "A"; }
};

double Ms(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// Adds n entries one at a time, the window (when there is one) following each change.
double AddEntries(int n, bool window) {
  Prefs prefs;
  Host host;
  TModelManager models;
  TPlayList list{prefs, host};
  models.Register("PlayList", std::make_unique<TObjectModel>(&list));
  list.onChange = [&] {
    if (TModel* m = models.GetModel("PlayList"))
      m->Notify();
  };
  std::unique_ptr<TfrAdvPList> w;
  if (window) {
    TAdvPListContext c;
    c.playlist = &list;
    c.prefs = &prefs;
    c.models = &models;
    w = std::make_unique<TfrAdvPList>(std::move(c));
    w->show();
    QApplication::processEvents();
  }
  auto t = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i)
    list.AddFile("/music/album " + std::to_string(i / 20) + "/track " + std::to_string(i) + ".mp3");
  QApplication::processEvents();
  double ms = Ms(t);
  w.reset();
  list.onChange = nullptr;
  return ms;
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  double withWindow = AddEntries(n, true);
  double without = AddEntries(n, false);
  std::printf("add %d entries one by one: window open %.1f ms, no window (peer) %.1f ms, ratio %.2f\n", n, withWindow,
              without, withWindow / without);

  Prefs prefs;
  Host host;
  TModelManager models;
  TPlayList list{prefs, host};
  models.Register("PlayList", std::make_unique<TObjectModel>(&list));
  list.onChange = [&] {
    if (TModel* m = models.GetModel("PlayList"))
      m->Notify();
  };
  list.BeginUpdate();
  for (int i = 0; i < n; ++i)
    list.AddFile("/music/album " + std::to_string(i / 20) + "/track " + std::to_string(i) + ".mp3");
  list.EndUpdate();
  TAdvPListContext c;
  c.playlist = &list;
  c.prefs = &prefs;
  c.models = &models;
  TfrAdvPList w(std::move(c));
  w.show();
  QApplication::processEvents();
  auto t = std::chrono::steady_clock::now();
  w.View()->Search("TRACK 4");
  QApplication::processEvents();
  std::printf("search %d titles: %.1f ms, %zu selected\n", n, Ms(t), w.View()->SelectedRows().size());
  std::vector<int> half;
  for (int i = 0; i < n; i += 2)
    half.push_back(i);
  w.View()->SetSelectedRows(half);
  t = std::chrono::steady_clock::now();
  w.View()->RemoveSelected();
  QApplication::processEvents();
  std::printf("remove every second entry: %.1f ms, %d left\n", Ms(t), list.Count());
  list.onChange = nullptr;
  return 0;
}
