#pragma once

#include "ui/config_page.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QTimer;

namespace zv {

// The preferences: a list of categories selects one page at a time. Pages are built on their
// first visit and kept until the dialog closes; OK applies every built page in list order and
// writes the preferences, Cancel (or Esc) applies nothing.
class TfrConfig : public QDialog {
public:
  TfrConfig(TConfigHost& host, QWidget* parent = nullptr);
  ~TfrConfig() override;

  // The category list's icon of a page (24 x 24).
  static QPixmap PageIcon(int index);

  void SelectPage(int index);
  int ShownPage() const { return shown_; }
  // The page of a list index once visited, else none.
  TConfigPageForm* Page(int index) const;
  QListWidget* Categories() const { return list_; }

  bool ReopenNeeded() const { return reopen_; }
  bool RestartNeeded() const { return restart_; }

  // Writes the preferences file after OK applied the pages.
  std::function<void()> savePrefs;
  // The global hot keys held back while the Global Keys page shows (it captures keys).
  std::function<void(bool)> suppressGlobalKeys;

  void accept() override;
  void done(int result) override;

private:
  void KeepOnTop();
  void FreePages();

  TConfigHost& host_;
  QListWidget* list_ = nullptr;
  QLabel* headerIcon_ = nullptr;
  QLabel* headerText_ = nullptr;
  QWidget* area_ = nullptr;
  QLabel* wait_ = nullptr;
  std::array<std::unique_ptr<TConfigPageForm>, 20> pages_;
  int shown_ = -1;
  bool reopen_ = false, restart_ = false;
  bool onTop_ = false;
  QTimer* topTimer_ = nullptr;
  QTimer* keysTimer_ = nullptr;
};

} // namespace zv
