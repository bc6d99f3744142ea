// The main window's playlist grid on a long list: a refresh (rows recounted, the current entry's
// bookmarks published, the visible rows painted), a page painted at the end of the list, removing
// a block of selected entries and dragging a block of them. Peer: the separate playlist window's
// list view over the same list, refreshed and painted.
// Usage: zv_bench_play_grid [entries]   (offscreen)
#include "map_prefs.h"
#include "playlist_host.h"
#include "ui/play_grid.h"
#include "ui/playlist_window.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

using namespace zv;

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// The best of five runs of `work`, in milliseconds.
template <class F>
double Best(F&& work) {
  double best = 1e18;
  for (int i = 0; i < 5; ++i) {
    auto t = std::chrono::steady_clock::now();
    work();
    best = std::min(best, Ms(t));
  }
  return best;
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  zvtest::MapPrefs prefs;
  zvtest::QuietPlaylistHost host;
  TModelManager models;
  TPlayList list{prefs, host};
  zvtest::PublishPlaylist(models, list);
  list.BeginUpdate();
  for (int i = 0; i < n; ++i) {
    list.AddFile("/music/album " + std::to_string(i / 20) + "/track " + std::to_string(i) + ".mp3");
    if (i % 10 == 0)
      list.AddBookmark(i, "chorus", 300'000'000);
  }
  list.EndUpdate();
  list.SetCurrent(n / 2);

  QWidget host_window;
  host_window.resize(300, 600);
  auto* grid = new TPlayGrid(&host_window, list, &models);
  grid->setGeometry(0, 0, 300, 600);
  grid->ApplyFontAndOptions(prefs);
  host_window.show();
  QApplication::processEvents();
  double refresh = Best([&] {
    grid->Refresh();
    grid->viewport()->repaint();
  });
  grid->SetTopRow(grid->Logic().RowCount());
  double lastPage = Best([&] { grid->viewport()->repaint(); });

  TPlayListView view(list);
  view.resize(300, 600);
  view.show();
  QApplication::processEvents();
  double peer = Best([&] {
    view.Refresh();
    view.viewport()->repaint();
  });
  std::printf("refresh and paint %d entries: grid %.2f ms, list view (peer) %.2f ms, ratio %.2f\n", n, refresh, peer,
              refresh / peer);
  std::printf("paint the last page: %.2f ms\n", lastPage);

  // Drag a block of 1 000 selected entries up by one row, then remove 10 000 selected entries.
  for (int i = 1000; i < 2000; ++i)
    list.Items(i).Selected = true;
  grid->Logic().showBookmarks = false;
  grid->Refresh();
  TGridButtons left;
  left.left = true;
  grid->Logic().MouseDown(1000, TGridButtons{false, true, false, true, false, false}); // Ctrl: keep the block
  list.Items(1000).Selected = true;
  grid->Logic().MouseDown(1000, left);
  auto t = std::chrono::steady_clock::now();
  grid->Logic().MouseMove(999);
  QApplication::processEvents();
  double drag = Ms(t);
  grid->Logic().MouseUp(999);
  for (int i = 0; i < n; i += n / 10000)
    list.Items(i).Selected = true;
  t = std::chrono::steady_clock::now();
  grid->RemoveSelected();
  QApplication::processEvents();
  double remove = Ms(t);
  std::printf("drag 1 000 selected entries one row: %.1f ms; remove 10 000 selected entries: %.1f ms\n", drag, remove);
  delete grid;
  list.onChange = nullptr;
  return 0;
}
