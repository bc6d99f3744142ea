// The separate playlist window on a long list: adding entries one by one while the window follows
// every change, against the same additions with no window; a title search over the whole list;
// removing a selection of half the list.
// Usage: zv_bench_playlist_window [entries]   (offscreen)
#include "map_prefs.h"
#include "playlist_host.h"
#include "ui/playlist_window.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

using namespace zv;

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

void AddTracks(TPlayList& list, int n) {
  for (int i = 0; i < n; ++i)
    list.AddFile("/music/album " + std::to_string(i / 20) + "/track " + std::to_string(i) + ".mp3");
}

// A playlist published as the model the window follows.
struct Published {
  zvtest::MapPrefs prefs;
  zvtest::QuietPlaylistHost host;
  TModelManager models;
  TPlayList list{prefs, host};
  Published() { zvtest::PublishPlaylist(models, list); }
  ~Published() { list.onChange = nullptr; }
  std::unique_ptr<TfrAdvPList> OpenWindow() {
    TAdvPListContext c;
    c.playlist = &list;
    c.prefs = &prefs;
    c.models = &models;
    auto w = std::make_unique<TfrAdvPList>(std::move(c));
    w->show();
    QApplication::processEvents();
    return w;
  }
};

// Adds n entries one at a time, the window (when there is one) following each change.
double AddEntries(int n, bool window) {
  Published p;
  std::unique_ptr<TfrAdvPList> w = window ? p.OpenWindow() : nullptr;
  auto t = std::chrono::steady_clock::now();
  AddTracks(p.list, n);
  QApplication::processEvents();
  return Ms(t);
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

  Published p;
  TPlayList& list = p.list;
  list.BeginUpdate();
  AddTracks(list, n);
  list.EndUpdate();
  std::unique_ptr<TfrAdvPList> window = p.OpenWindow();
  TfrAdvPList& w = *window;
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
  return 0;
}
