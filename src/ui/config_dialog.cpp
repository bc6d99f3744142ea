#include "ui/config_dialog.h"

#include "core/prefs_access.h"
#include "core/session_log.h"
#include "skin/language_manager.h"
#include "ui/plain_text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace zv {

namespace {
constexpr int kIconSize = 24;
constexpr int kGlobalKeysPage = 13;
} // namespace

QPixmap TfrConfig::PageIcon(int index) {
  // The strip holds the icons side by side, drawn at twice their size for sharp high-density screens.
  static const QImage strip(":/art/ConfigIcons.png");
  const int cell = strip.height();
  if (strip.isNull() || index < 0 || (index + 1) * cell > strip.width())
    return {};
  QPixmap icon = QPixmap::fromImage(strip.copy(index * cell, 0, cell, cell));
  icon.setDevicePixelRatio(static_cast<qreal>(cell) / kIconSize);
  return icon;
}

TfrConfig::TfrConfig(TConfigHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  TLogScope scope("TfrConfig.Create");
  setWindowTitle(PlainMenuText(Lang("Config")));
  setModal(true);
  resize(860, 600);
  auto* outer = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  outer->addLayout(body, 1);

  list_ = new QListWidget(this);
  list_->setIconSize(QSize(kIconSize, kIconSize));
  list_->setFixedWidth(180);
  list_->setSpacing(1);
  for (int i = 0; i < kConfigPageCount; ++i) {
    // The tile keeps its colours on the selection's background.
    QIcon icon;
    icon.addPixmap(PageIcon(i), QIcon::Normal);
    icon.addPixmap(PageIcon(i), QIcon::Selected);
    auto* item = new QListWidgetItem(icon, PlainMenuText(Lang(std::string("Config.") + ConfigPageName(i))), list_);
    item->setSizeHint(QSize(0, kIconSize + 10));
  }
  body->addWidget(list_);

  auto* right = new QVBoxLayout;
  auto* header = new QHBoxLayout;
  headerIcon_ = new QLabel(this);
  headerIcon_->setFixedSize(kIconSize, kIconSize);
  headerText_ = new QLabel(this);
  QFont big = headerText_->font();
  big.setPointSizeF(big.pointSizeF() * 1.35);
  big.setBold(true);
  headerText_->setFont(big);
  header->addWidget(headerIcon_);
  header->addWidget(headerText_, 1);
  right->addLayout(header);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  right->addWidget(line);
  area_ = new QWidget(this);
  auto* areaLayout = new QVBoxLayout(area_);
  areaLayout->setContentsMargins(0, 0, 0, 0);
  wait_ = new QLabel(area_);
  SetPlainText(wait_, Lang("Config.Wait"));
  wait_->setAlignment(Qt::AlignCenter);
  areaLayout->addWidget(wait_);
  right->addWidget(area_, 1);
  body->addLayout(right, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = new QPushButton(PlainMenuText(Lang("Config.OK")), this);
  ok->setDefault(true);
  auto* cancel = new QPushButton(PlainMenuText(Lang("Config.Cancel")), this);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TfrConfig::accept);
  connect(cancel, &QPushButton::clicked, this, &TfrConfig::reject);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { SelectPage(row); });

  topTimer_ = new QTimer(this);
  topTimer_->setInterval(100);
  connect(topTimer_, &QTimer::timeout, this, [this] { KeepOnTop(); });
  topTimer_->start();
  keysTimer_ = new QTimer(this);
  keysTimer_->setInterval(100);
  connect(keysTimer_, &QTimer::timeout, this, [this] {
    if (suppressGlobalKeys)
      suppressGlobalKeys(shown_ == kGlobalKeysPage);
  });
  keysTimer_->start();

  int page = host_.prefs ? host_.prefs->GetInt("Config.ActivePage") : 0;
  if (page < 0 || page >= kConfigPageCount || Pref(host_.prefs, "Config.ActivePage", "").empty())
    page = 0;
  list_->setCurrentRow(page);
}

TfrConfig::~TfrConfig() { FreePages(); }

TConfigPageForm* TfrConfig::Page(int index) const {
  return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[static_cast<size_t>(index)].get() : nullptr;
}

void TfrConfig::SelectPage(int index) {
  if (index < 0 || index >= kConfigPageCount || index == shown_)
    return;
  // The list's row change comes back here.
  if (list_->currentRow() != index) {
    list_->setCurrentRow(index);
    return;
  }
  if (TConfigPageForm* old = Page(shown_)) {
    old->hide();
    area_->layout()->removeWidget(old);
  }
  headerIcon_->setPixmap(PageIcon(index));
  SetPlainText(headerText_, Lang(std::string("Config.") + ConfigPageName(index)));
  shown_ = index;
  std::unique_ptr<TConfigPageForm>& slot = pages_[static_cast<size_t>(index)];
  if (!slot) {
    // Building a page may take a moment (lists of files, the engine's factories).
    wait_->show();
    if (isVisible())
      wait_->repaint();
    TLogScope scope("TfrConfig.CreatePage(" + std::string(ConfigPageName(index)) + ")");
    slot = CreateConfigPage(index, host_, area_);
  }
  wait_->setVisible(!slot);
  if (slot) {
    area_->layout()->addWidget(slot.get());
    slot->show();
  }
  if (host_.prefs)
    host_.prefs->SetInt("Config.ActivePage", index);
}

void TfrConfig::accept() {
  TLogScope scope("TfrConfig.Apply");
  for (std::unique_ptr<TConfigPageForm>& page : pages_)
    if (page) {
      page->ApplyValues();
      reopen_ = reopen_ || page->ReopenNeeded();
      restart_ = restart_ || page->RestartNeeded();
    }
  if (savePrefs)
    savePrefs();
  QDialog::accept();
}

void TfrConfig::done(int result) {
  QDialog::done(result);
  topTimer_->stop();
  keysTimer_->stop();
  if (suppressGlobalKeys)
    suppressGlobalKeys(false);
  FreePages();
}

void TfrConfig::FreePages() {
  for (std::unique_ptr<TConfigPageForm>& page : pages_)
    if (page) {
      page->Closing();
      page.reset();
    }
  shown_ = -1;
}

// In full screen the preferences stay above the picture while the program is the active one. A
// platform dialog opened from a page (font, colour, folder) sits above them and is left alone.
void TfrConfig::KeepOnTop() {
  if (!isVisible() || QApplication::activeModalWidget() != this)
    return;
  const bool want =
      host_.fullScreen && host_.fullScreen() && QGuiApplication::applicationState() == Qt::ApplicationActive;
  if (want == onTop_)
    return;
  onTop_ = want;
  // On the native window itself: the widget's own flag would make the window anew (and flicker).
  if (QWindow* native = windowHandle())
    native->setFlag(Qt::WindowStaysOnTopHint, want);
}

} // namespace zv
