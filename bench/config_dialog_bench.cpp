// Opening the preferences on their first page: the dialog made, its page built and everything
// painted once, against a bare Qt dialog with a list of fifteen entries and a label (the peer);
// and each page's first visit. Offscreen, the default preferences, the English texts; the first
// opening apart (cold), then the median of nine.
// Usage: zv_bench_config_dialog
#include "prefs/prefs_setup.h"
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "skin/language_manager.h"
#include "ui/config_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zv;

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// A widget shown and painted, as a user first sees it.
double Shown(const std::function<QWidget*()>& make) {
  auto t = std::chrono::steady_clock::now();
  QWidget* w = make();
  w->show();
  w->grab(); // paints every child once
  QApplication::processEvents();
  double ms = Ms(t);
  delete w;
  QApplication::processEvents();
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TLanguageManager language;
  LoadProgramLanguage(language, "English", "");
  SetLanguageManager(&language);
  TXMLTree doc;
  doc.LoadFromString(DefaultPrefsDocument());
  TXMLPrefs prefs(doc.Root());
  prefs.SetString("Config.ActivePage", "0");
  TConfigHost host;
  host.prefs = &prefs;
  host.exeDir = QCoreApplication::applicationDirPath().toStdString() + "/../bin/";

  auto dialog = [&] { return static_cast<QWidget*>(new TfrConfig(host)); };
  auto peer = [] {
    auto* d = new QDialog;
    auto* row = new QHBoxLayout(d);
    auto* list = new QListWidget(d);
    for (int i = 0; i < 15; ++i)
      list->addItem(QString("Category %1").arg(i));
    row->addWidget(list);
    row->addWidget(new QLabel("Page", d), 1);
    d->resize(860, 600);
    return static_cast<QWidget*>(d);
  };
  const double coldOurs = Shown(dialog), coldPeer = Shown(peer);
  std::vector<double> ours, theirs;
  for (int i = 0; i < 9; ++i) {
    ours.push_back(Shown(dialog));
    theirs.push_back(Shown(peer));
  }
  std::printf("open on page 0, cold: %.1f ms (peer %.1f ms)\n", coldOurs, coldPeer);
  std::printf("open on page 0, median of 9: %.1f ms (peer %.1f ms, ratio %.2f)\n", Median(ours), Median(theirs),
              Median(ours) / Median(theirs));
  TfrConfig d(host);
  d.show();
  for (int i = 1; i < kConfigPageCount; ++i) {
    auto t = std::chrono::steady_clock::now();
    d.SelectPage(i);
    d.grab();
    std::printf("first visit of page %2d (%s): %.1f ms\n", i, ConfigPageName(i), Ms(t));
  }
  SetLanguageManager(nullptr);
  return 0;
}
