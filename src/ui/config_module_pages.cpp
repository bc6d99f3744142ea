// The preference pages of the program's modules: file types, keyboard, remote control, the WinAMP
// bridge, the engine's forced filters, global hot keys and AviSynth scripts.
#include "commands/command_center.h"
#include "commands/key_names.h"
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "platform/key_translation.h"
#include "platform/win_irc.h"
#include "prefs/xml_prefs.h"
#include "skin/language_manager.h"
#include "ui/config_page.h"
#include "ui/filter_picker.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace zv {

namespace {

QVBoxLayout* Rows(QGroupBox* box) { return static_cast<QVBoxLayout*>(box->layout()); }

QPushButton* Button(const char* key, QWidget* owner, QBoxLayout* into) {
  auto* b = new QPushButton(LangCaption(key), owner);
  into->addWidget(b);
  return b;
}

// A grid that takes every key press while it has the focus: in its key column a press names the
// key into the current row, so it is moved about with the mouse.
class TKeyGrid : public QTableWidget {
public:
  TKeyGrid(int rows, int columns, int keyColumn, QWidget* parent)
      : QTableWidget(rows, columns, parent), keyColumn_(keyColumn) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    setAlternatingRowColors(true);
  }
  std::function<bool(int row)> editable;

protected:
  void keyPressEvent(QKeyEvent* e) override {
    e->accept();
    const int key = e->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
        key == Qt::Key_AltGr || currentColumn() != keyColumn_ || currentRow() < 0)
      return;
    if (editable && !editable(currentRow()))
      return;
    const std::string name = KeyEventName(*e);
    if (!name.empty())
      SetCell(currentRow(), keyColumn_, name);
  }
  bool focusNextPrevChild(bool) override { return false; } // Tab names a key too

public:
  void SetCell(int row, int column, const std::string& text) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell)
      setItem(row, column, cell = new QTableWidgetItem);
    cell->setText(OutsideText(text));
    cell->setData(Qt::UserRole, QString::fromStdString(text));
  }
  std::string Cell(int row, int column) const {
    QTableWidgetItem* cell = item(row, column);
    return cell ? cell->data(Qt::UserRole).toString().toStdString() : std::string();
  }

private:
  int keyColumn_;
};

// ---------------------------------------------------------------------------------------------

class TCPFileTypes : public TConfigPageForm {
public:
  TCPFileTypes(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    list_ = new QListWidget(this);
    grid->addWidget(list_, 0, 0, 3, 1);
    auto* buttons = new QVBoxLayout;
    connect(Button("Config.None", this, buttons), &QPushButton::clicked, this, [this] { CheckOnly({}, true); });
    connect(Button("Config.All", this, buttons), &QPushButton::clicked, this, [this] { CheckOnly({}, false); });
    connect(Button("Config.Video", this, buttons), &QPushButton::clicked, this, [this] {
      CheckOnly({"ZVP", "ASX", "ASF", "AVI", "DIVX", "MKV", "MPE", "MPG", "MPEG", "OGM", "WMV", "MP4"}, false);
    });
    connect(Button("Config.Sound", this, buttons), &QPushButton::clicked, this, [this] {
      CheckOnly({"ZVP", "M3U", "PLS", "MID", "MKA", "MP3", "OGG", "WAV"}, false);
    });
    buttons->addStretch();
    grid->addLayout(buttons, 0, 1);
    auto* iconBox = Group("Config.FileTypes.Icons");
    icons_ = new QComboBox(this);
    QStringList sets = QDir(QString::fromStdString(host.exeDir + "Icons")).entryList({"*.xml"}, QDir::Files);
    for (const QString& set : sets)
      icons_->addItem(OutsideText(set.left(set.size() - 4).toStdString()), set.left(set.size() - 4));
    iconBox->layout()->addWidget(icons_);
    grid->addWidget(iconBox, 1, 1);
    dvd_ = new QCheckBox(LangCaption("Config.FileTypes.DVD"), this);
    grid->addWidget(dvd_, 2, 1);
    binder_.Choice(icons_, "FileTypes.Icons");
    Fill();
  }

  void ApplyValues() override {
    TConfigPageForm::ApplyValues();
    if (!host_.fileTypes || !enabled_)
      return;
    TExplorerIntegrator types = host_.fileTypes();
    for (int i = 0; i < list_->count(); ++i) {
      QListWidgetItem* item = list_->item(i);
      if (item->flags() & Qt::ItemIsUserCheckable)
        types.Associate(item->data(Qt::UserRole).toString().toStdString(), item->checkState() == Qt::Checked);
    }
    types.SetDVDAssociation(dvd_->isChecked());
    types.NotifyShell();
  }

private:
  void Fill() {
    if (!host_.fileTypes)
      return;
    TExplorerIntegrator types = host_.fileTypes();
    static const char* const kGroups[3][2] = {
        {"P", "------- PlayLists -------"}, {"V", "------- Video -------"}, {"A", "------- Sound -------"}};
    for (const auto& [letter, header] : kGroups) {
      auto* head = new QListWidgetItem(header, list_);
      head->setFlags(Qt::NoItemFlags);
      std::vector<std::string> ids = types.TypeList(letter);
      std::sort(ids.begin(), ids.end(),
                [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
      for (const std::string& id : ids) {
        auto* item = new QListWidgetItem(OutsideText(id + " - " + types.TypeDescription(id)), list_);
        item->setData(Qt::UserRole, QString::fromStdString(id));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(types.IsAssociated(id) ? Qt::Checked : Qt::Unchecked);
      }
    }
    dvd_->setChecked(types.IsDVDAssociated());
    enabled_ = types.CanWriteAssociations();
    for (QWidget* w : findChildren<QWidget*>())
      w->setEnabled(enabled_);
  }

  // Checks the listed ids (all enabled lines when none are listed), or clears every check.
  void CheckOnly(const std::vector<std::string>& ids, bool clear) {
    for (int i = 0; i < list_->count(); ++i) {
      QListWidgetItem* item = list_->item(i);
      if (!(item->flags() & Qt::ItemIsUserCheckable))
        continue;
      const std::string id = item->data(Qt::UserRole).toString().toStdString();
      if (clear)
        item->setCheckState(Qt::Unchecked);
      else if (ids.empty() || std::find(ids.begin(), ids.end(), id) != ids.end())
        item->setCheckState(Qt::Checked);
    }
  }

  QListWidget* list_ = nullptr;
  QComboBox* icons_ = nullptr;
  QCheckBox* dvd_ = nullptr;
  bool enabled_ = false;
};

class TCPKeyboard : public TConfigPageForm {
public:
  TCPKeyboard(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* layout = new QVBoxLayout(this);
    grid_ = new TKeyGrid(0, 3, 1, this);
    grid_->setHorizontalHeaderLabels({"", LangCaption("Config.Keyboard"), "WinLIRC"});
    grid_->setColumnWidth(0, 180);
    grid_->setColumnWidth(1, 134);
    grid_->setColumnWidth(2, 85);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->editable = [this](int row) { return row >= 0 && row < static_cast<int>(codes_.size()) && codes_[row] > 0; };
    layout->addWidget(grid_, 1);
    auto* buttons = new QHBoxLayout;
    connect(Button("Config.Keyboard.Clear", this, buttons), &QPushButton::clicked, this, [this] {
      const int row = grid_->currentRow(), col = grid_->currentColumn();
      if (grid_->editable(row) && col >= 1)
        grid_->SetCell(row, col, "");
    });
    connect(Button("Config.Keyboard.ClearAll", this, buttons), &QPushButton::clicked, this, [this] {
      if (host_.commands)
        host_.commands->ClearAll();
      Fill();
    });
    connect(Button("Config.Keyboard.Default", this, buttons), &QPushButton::clicked, this, [this] {
      if (host_.commands)
        host_.commands->LoadDefaults();
      Fill();
    });
    QPushButton* custom = Button("Config.Keyboard.Custom", this, buttons);
    connect(custom, &QPushButton::clicked, this, [this, custom] {
      QMenu menu(this);
      for (const std::string& name : TCommandCenter::PresetNames())
        connect(menu.addAction(PlainMenuText(name)), &QAction::triggered, this, [this, name] {
          if (host_.commands)
            host_.commands->LoadPreset(name);
          Fill();
        });
      menu.exec(custom->mapToGlobal(QPoint(0, custom->height())));
    });
    buttons->addStretch();
    layout->addLayout(buttons);
    // Remote buttons pressed while the grid has the focus and its button column is current are
    // named into the row instead of acting.
    if (host.commands)
      host.commands->captureHook = [this](const std::string& button) {
        if (!grid_->hasFocus() || grid_->currentColumn() != 2 || !grid_->editable(grid_->currentRow()))
          return false;
        grid_->SetCell(grid_->currentRow(), 2, button);
        return true;
      };
  }

  ~TCPKeyboard() override {
    if (host_.commands)
      host_.commands->captureHook = nullptr;
  }

  void LoadValues() override { Fill(); }

  void ApplyValues() override {
    if (!host_.commands)
      return;
    for (size_t row = 0; row < codes_.size(); ++row)
      if (codes_[row] > 0)
        host_.commands->Define(codes_[row], grid_->Cell(static_cast<int>(row), 1),
                               grid_->Cell(static_cast<int>(row), 2));
    host_.commands->SaveToPrefs();
  }

  // Presets, defaults and edits that were not applied are dropped with the page.
  void Closing() override {
    if (host_.commands) {
      host_.commands->captureHook = nullptr;
      host_.commands->LoadFromPrefs();
    }
  }

  TKeyGrid* Grid() const { return grid_; }

private:
  void Fill() {
    codes_.clear();
    grid_->setRowCount(0);
    if (!host_.commands)
      return;
    const std::vector<TCommandCategory>& cats = TCommandCenter::Categories();
    for (size_t c = 0; c < cats.size(); ++c) {
      codes_.push_back(0);
      const int row = grid_->rowCount();
      grid_->insertRow(row);
      auto* head = new QTableWidgetItem(OutsideText("* " + TCommandCenter::CategoryName(static_cast<int>(c))));
      QFont bold = head->font();
      bold.setBold(true);
      head->setFont(bold);
      head->setFlags(Qt::ItemIsEnabled);
      grid_->setItem(row, 0, head);
      for (int col = 1; col < 3; ++col) {
        auto* filler = new QTableWidgetItem;
        filler->setFlags(Qt::ItemIsEnabled);
        filler->setBackground(palette().button());
        grid_->setItem(row, col, filler);
      }
      grid_->setSpan(row, 0, 1, 1);
      for (int i = 0; i < cats[c].count; ++i) {
        const int code = cats[c].first + i;
        codes_.push_back(code);
        const int r = grid_->rowCount();
        grid_->insertRow(r);
        auto* name = new QTableWidgetItem(OutsideText(TCommandCenter::CommandName(code)));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid_->setItem(r, 0, name);
        grid_->SetCell(r, 1, host_.commands->GetKey(code));
        grid_->SetCell(r, 2, host_.commands->GetButton(code));
      }
    }
  }

  TKeyGrid* grid_ = nullptr;
  std::vector<int> codes_; // per row; 0 for a category's header
};

// The client's three states as small pictures: grey, amber and green lights.
QPixmap StatePicture(int state) {
  static const QColor kColours[] = {QColor(0x9A, 0xA0, 0xA6), QColor(0xE8, 0xA3, 0x17), QColor(0x2E, 0x9E, 0x5B)};
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kColours[state].darker(130), 1));
  p.setBrush(kColours[state]);
  p.drawEllipse(QRectF(2, 2, 12, 12));
  return picture;
}

class TCPWinLIRC : public TConfigPageForm {
public:
  TCPWinLIRC(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* state = Group("Config.WIRC.State");
    auto* stateRow = new QHBoxLayout;
    statePicture_ = new QLabel(this);
    stateText_ = CaptionLabel("Config.WIRC.Offline", this);
    stateRow->addWidget(statePicture_);
    stateRow->addWidget(stateText_, 1);
    connect(Button("Config.WIRC.Start", this, stateRow), &QPushButton::clicked, this, [this] {
      if (TWinIRC* r = Remote())
        r->StartServer();
    });
    connect(Button("COnfig.WIRC.Stop", this, stateRow), &QPushButton::clicked, this, [this] {
      if (TWinIRC* r = Remote())
        r->StopServer();
    });
    Rows(state)->addLayout(stateRow);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(CaptionLabel("Config.WIRC.LabelPath", this));
    auto* path = new QLineEdit(this);
    pathRow->addWidget(path, 1);
    auto* browse = new QPushButton("...", this);
    browse->setFixedWidth(32);
    pathRow->addWidget(browse);
    Rows(state)->addLayout(pathRow);
    binder_.Text(path, "Modules.WinLIRC.Server.Path");
    connect(browse, &QPushButton::clicked, this, [this, path] {
      QString start = path->text();
      if (start.isEmpty() || !QFileInfo::exists(start))
        start = QString::fromStdString(host_.exeDir + "WinLIRC");
      const QString chosen = QFileDialog::getOpenFileName(this, QString(), start);
      if (!chosen.isEmpty())
        path->setText(chosen);
    });
    grid->addWidget(state, 0, 0, 1, 2);

    auto* server = Group("Config.WIRC.Parametrs");
    auto* form = new QGridLayout;
    form->addWidget(CaptionLabel("Config.WIRC.Server", this), 0, 0);
    auto* address = new QLineEdit(this);
    form->addWidget(address, 0, 1);
    form->addWidget(CaptionLabel("Config.WIRC.Port", this), 1, 0);
    auto* port = new QLineEdit(this);
    port->setMaximumWidth(80);
    form->addWidget(port, 1, 1, Qt::AlignLeft);
    Rows(server)->addLayout(form);
    binder_.Text(address, "Modules.WinLIRC.Server");
    binder_.Text(port, "Modules.WinLIRC.Port");
    grid->addWidget(server, 1, 0);

    auto* options = Group("Config.WIRC.Options");
    QCheckBox* enabled = Check("Config.WIRC.Enable", "Modules.WinLIRC.Enabled", options->layout());
    QCheckBox* delay = Check("Config.WIRC.Delay", "Modules.WinLIRC.RepeatDelay", options->layout());
    Check("Config.WIRC.Sound", "Modules.WinLIRC.Sound.Enabled", options->layout());
    Check("Config.WIRC.AutoLoad", "Modules.WinLIRC.AutoLoad", options->layout());
    Check("Config.WIRC.AutoStop", "Modules.WinLIRC.AutoStop", options->layout());
    Check("Config.WIRC.ShowUnhandled", "Modules.WinLIRC.ShowUnhandled", options->layout());
    grid->addWidget(options, 1, 1, 2, 1);

    auto* sliders = new QGroupBox(this);
    auto* sl = new QGridLayout(sliders);
    auto* loudnessText = new QLabel(this);
    SetPlainText(loudnessText, " " + Lang("Config.WIRC.ClickLoudness") + " ");
    sl->addWidget(loudnessText, 0, 0);
    auto* loudness = new QSlider(Qt::Horizontal, this);
    loudness->setRange(0, 100);
    sl->addWidget(loudness, 0, 1);
    sl->addWidget(CaptionLabel("Config.WIRC.RepeatDelay", this), 1, 0);
    auto* skip = new QSlider(Qt::Horizontal, this);
    skip->setRange(50, 57);
    sl->addWidget(skip, 1, 1);
    binder_.Number(loudness, "Modules.WinLIRC.Sound.Volume");
    binder_.Number(skip, "Modules.WinLIRC.RepeatDelayValue");
    connect(delay, &QCheckBox::toggled, skip, &QWidget::setEnabled);
    delay_ = delay;
    skip_ = skip;
    grid->addWidget(sliders, 2, 0);
    grid->setRowStretch(3, 1);
    // The client follows the enable box at once.
    connect(enabled, &QCheckBox::toggled, this, [this](bool on) {
      if (TWinIRC* r = Remote(); r && !loading_)
        r->SetEnabled(on);
    });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { ShowState(); });
    timer->start(300);
    ShowState();
  }

  void LoadValues() override {
    loading_ = true;
    TConfigPageForm::LoadValues();
    loading_ = false;
    skip_->setEnabled(delay_->isChecked());
  }

private:
  TWinIRC* Remote() { return host_.remote ? host_.remote() : nullptr; }

  void ShowState() {
    TWinIRC* r = Remote();
    const int state = !r                                          ? 0
                      : r->State() == TWinIRC::TState::Connected  ? 2
                      : r->State() == TWinIRC::TState::Connecting ? 1
                                                                  : 0;
    if (state == shownState_)
      return;
    shownState_ = state;
    statePicture_->setPixmap(StatePicture(state));
    static const char* const kTexts[] = {"Disconnected", "Connecting", "Connected"};
    SetPlainText(stateText_, kTexts[state]);
  }

  QLabel* statePicture_ = nullptr;
  QLabel* stateText_ = nullptr;
  QCheckBox* delay_ = nullptr;
  QSlider* skip_ = nullptr;
  int shownState_ = -1;
  bool loading_ = false;
};

class TCPWinAMP : public TConfigPageForm {
public:
  TCPWinAMP(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* plugins = new QListWidget(this);
    if (host.pluginNames)
      for (const std::string& name : host.pluginNames())
        new QListWidgetItem(OutsideText(name), plugins);
    layout->addWidget(plugins, 1);
    connect(plugins, &QListWidget::itemDoubleClicked, this, [this, plugins](QListWidgetItem* item) {
      if (host_.configurePlugin)
        host_.configurePlugin(plugins->row(item));
      window()->raise();
      window()->activateWindow();
    });
    Check("Config.WinAMP.Emulate", "WinAMP.Emulate", layout);
  }
};

class TCPDirectShow : public TConfigPageForm {
public:
  TCPDirectShow(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(" " + LangCaption("Config.DirectShow.LoadFilters") + " ", this);
    auto* inner = new QHBoxLayout(group);
    list_ = new QListWidget(this);
    inner->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    connect(Button("Config.DirectShow.Add", this, buttons), &QPushButton::clicked, this, [this] { Add(); });
    connect(Button("Config.DirectShow.Remove", this, buttons), &QPushButton::clicked, this,
            [this] { delete list_->currentItem(); });
    connect(Button("Config.DirectShow.Properties", this, buttons), &QPushButton::clicked, this,
            [this] { Properties(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Properties(); });
    buttons->addStretch();
    inner->addLayout(buttons);
    layout->addWidget(group, 1);
    Check("Config.DirectShow.FastRender", "Modules.DirectShow.FastRender", layout);
    Check("Config.DirectShow.JoinParts", "Modules.DirectShow.JoinParts", layout);
    binder_.Custom(
        "Modules.DirectShow.ForceFilters",
        [this](const std::string& v) {
          list_->clear();
          for (const std::string& entry : TXMLPrefs::SplitList(v))
            if (!Trim(entry).empty())
              AddEntry(std::string(Trim(entry)));
        },
        [this] {
          std::vector<std::string> items;
          for (int i = 0; i < list_->count(); ++i)
            items.push_back(list_->item(i)->data(Qt::UserRole).toString().toStdString());
          std::string joined;
          for (const std::string& item : items)
            joined += (joined.empty() ? "" : ",") + item;
          return joined;
        });
  }

  QListWidget* List() const { return list_; }

private:
  void AddEntry(const std::string& entry) {
    std::optional<eng::TGuid> cls = eng::TGuid::Parse(entry);
    std::string name = cls && host_.filterName ? host_.filterName(*cls) : std::string();
    auto* item = new QListWidgetItem(cls && !name.empty() ? OutsideText(name) : QString("Unknown"), list_);
    item->setData(Qt::UserRole, QString::fromStdString(entry));
  }

  void Add() {
    TfrFilter picker(host_.factories ? host_.factories() : std::vector<eng::TFactoryEntry>{}, this);
    if (host_.fullScreen && host_.fullScreen())
      picker.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (picker.exec() == QDialog::Accepted && !picker.Chosen().IsNull())
      AddEntry(picker.Chosen().ToString());
  }

  void Properties() {
    QListWidgetItem* item = list_->currentItem();
    std::optional<eng::TGuid> cls =
        item ? eng::TGuid::Parse(item->data(Qt::UserRole).toString().toStdString()) : std::nullopt;
    if (cls && host_.showClassProperties)
      host_.showClassProperties(*cls, this);
  }

  QListWidget* list_ = nullptr;
};

class TCPGlobalKeys : public TConfigPageForm {
public:
  TCPGlobalKeys(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* layout = new QVBoxLayout(this);
    static const int kCodes[] = {102, 152, 153, 154, 155, 401, 402, 403, 251, 250, 205, 457};
    grid_ = new TKeyGrid(12, 2, 1, this);
    grid_->setHorizontalHeaderLabels(
        {LangCaption("Config.GlobalKeys.Description"), LangCaption("Config.GlobalKeys.Keys")});
    grid_->setColumnWidth(0, 260);
    grid_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < 12; ++r) {
      std::string label = Lang("Command." + std::to_string(kCodes[r]));
      if (kCodes[r] == 205)
        label += " / " + Lang("Command.206");
      auto* cell = new QTableWidgetItem(OutsideText(label));
      cell->setFlags(Qt::ItemIsEnabled);
      grid_->setItem(r, 0, cell);
    }
    layout->addWidget(grid_, 1);
    enabled_ = new QCheckBox(LangCaption("Config.GlobalKeys.Enabled"), this);
    layout->addWidget(enabled_);
    connect(enabled_, &QCheckBox::toggled, grid_, &QWidget::setEnabled);
    Check("Config.GlobalKeys.MMKeys", "Modules.GlobalKeys.MMKeys", layout);
  }

  void LoadValues() override {
    TConfigPageForm::LoadValues();
    std::vector<std::string> keys = host_.globalKeys ? host_.globalKeys() : std::vector<std::string>{};
    for (int r = 0; r < 12; ++r)
      grid_->SetCell(r, 1, r < static_cast<int>(keys.size()) ? keys[static_cast<size_t>(r)] : std::string());
    enabled_->setChecked(host_.globalKeysEnabled && host_.globalKeysEnabled());
    grid_->setEnabled(enabled_->isChecked());
  }

  void ApplyValues() override {
    std::vector<std::string> keys;
    for (int r = 0; r < 12; ++r)
      keys.push_back(grid_->Cell(r, 1));
    if (host_.setGlobalKeys)
      host_.setGlobalKeys(keys);
    // Switched off and on again, the module registers the new keys.
    if (host_.enableGlobalKeys) {
      if (enabled_->isChecked())
        host_.enableGlobalKeys(false);
      host_.enableGlobalKeys(enabled_->isChecked());
    }
    TConfigPageForm::ApplyValues();
  }

private:
  TKeyGrid* grid_ = nullptr;
  QCheckBox* enabled_ = nullptr;
};

class TCPAviSynth : public TConfigPageForm {
public:
  TCPAviSynth(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* layout = new QVBoxLayout(this);
    Check("Config.AviSynth.Enabled", "Modules.AviSynth.Enabled", layout);
    auto* row = new QHBoxLayout;
    row->addWidget(CaptionLabel("Config.AviSynth.Script", this));
    scripts_ = new QComboBox(this);
    const QString folder = QString::fromStdString(host.exeDir + "Plugins/AviSynth");
    for (const QString& f : QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
      if (f.endsWith(".avs", Qt::CaseInsensitive))
        scripts_->addItem(OutsideText(f.toStdString()), f);
    row->addWidget(scripts_, 1);
    layout->addLayout(row);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setFont(QFont("monospace"));
    text_->setPlaceholderText(OutsideText(folder.toStdString() + "/*.avs"));
    layout->addWidget(text_, 1);
    connect(scripts_, &QComboBox::currentIndexChanged, this, [this, folder] {
      QFile file(folder + "/" + scripts_->currentData().toString());
      text_->setPlainText(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(64 * 1024)) : QString());
    });
    binder_.Choice(scripts_, "Modules.AviSynth.Script");
  }

private:
  QComboBox* scripts_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
};

} // namespace

std::unique_ptr<TConfigPageForm> CreateModulePage(int index, TConfigHost& host, QWidget* parent) {
  switch (index) {
  case 8: return std::make_unique<TCPFileTypes>(host, parent);
  case 9: return std::make_unique<TCPKeyboard>(host, parent);
  case 10: return std::make_unique<TCPWinLIRC>(host, parent);
  case 11: return std::make_unique<TCPWinAMP>(host, parent);
  case 12: return std::make_unique<TCPDirectShow>(host, parent);
  case 13: return std::make_unique<TCPGlobalKeys>(host, parent);
  case 14: return std::make_unique<TCPAviSynth>(host, parent);
  default: return nullptr;
  }
}

} // namespace zv
