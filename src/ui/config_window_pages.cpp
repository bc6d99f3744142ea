// The preference pages of the main window: interface, mouse, playlist and events.
#include "core/prefs_access.h"
#include "core/text_util.h"
#include "skin/language_manager.h"
#include "skin/skin_choice.h"
#include "ui/config_page.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zv {

namespace {

// The languages offered: the two built-in ones, then the language files beside the program by
// name, case ignored (the built-in names are not offered twice).
std::vector<std::string> LanguageList(const std::string& exeDir) {
  std::vector<std::string> names = {"Russian", "English"};
  QStringList files = QDir(QString::fromStdString(exeDir + "Langs")).entryList({"*.txt"}, QDir::Files);
  std::vector<std::string> found;
  for (const QString& f : files) {
    std::string name = f.left(f.size() - 4).toStdString();
    if (!SameText(name, "Russian") && !SameText(name, "English"))
      found.push_back(name);
  }
  std::sort(found.begin(), found.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  names.insert(names.end(), found.begin(), found.end());
  return names;
}

// A list of names storing the chosen name; the stored name is kept when the list lacks it.
void BindNameList(TPrefBinder& binder, QListWidget* list, const char* key) {
  binder.Custom(
      key,
      [list](const std::string& v) {
        list->setCurrentRow(-1);
        for (int i = 0; i < list->count(); ++i)
          if (list->item(i)->data(Qt::UserRole).toString().toStdString() == v)
            list->setCurrentRow(i);
      },
      [list] {
        QListWidgetItem* item = list->currentItem();
        return item ? item->data(Qt::UserRole).toString().toStdString() : std::string();
      });
}

void FillNames(QListWidget* list, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    auto* item = new QListWidgetItem(OutsideText(name), list);
    item->setData(Qt::UserRole, QString::fromStdString(name));
  }
}

// ---------------------------------------------------------------------------------------------

class TCPInterface : public TConfigPageForm {
public:
  TCPInterface(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* langBox = Group("Config.Interface.Language");
    languages_ = new QListWidget(langBox);
    FillNames(languages_, LanguageList(host.exeDir));
    langBox->layout()->addWidget(languages_);
    BindNameList(binder_, languages_, "FrontEnd.Language");
    auto* skinBox = Group("Config.Interface.Skin");
    skins_ = new QListWidget(skinBox);
    FillNames(skins_, SkinList(host.exeDir + "Skins"));
    skinBox->layout()->addWidget(skins_);
    BindNameList(binder_, skins_, "FrontEnd.Skin");
    connect(skins_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Preview(item); });
    grid->addWidget(langBox, 0, 0);
    grid->addWidget(skinBox, 0, 1);

    auto* caption = Group("Config.Interface.Caption");
    Check("Config.Interface.NeverFullScrCaption", "FrontEnd.NeverFullScrCaption", caption->layout());
    Check("Config.Interface.AlwaysWindowCaption", "FrontEnd.AlwaysWindowCaption", caption->layout());
    Check("Config.Interface.BrandBorder", "FrontEnd.BrandBorder", caption->layout());
    auto* panel = Group("Config.Interface.ControlPanel");
    Radios({"Config.Interface.Panels.0", "Config.Interface.Panels.1", "Config.Interface.Panels.2"},
           "FrontEnd.RememberPanelsState", panel->layout());
    grid->addWidget(caption, 1, 0);
    grid->addWidget(panel, 1, 1);

    auto* other = Group("Config.Interface.Options");
    auto* cols = new QGridLayout;
    static const char* const kBoxes[][2] = {
        {"Config.Interface.Sticky", "FrontEnd.Sticky"},
        {"Config.Interface.ShowHints", "FrontEnd.ShowHints"},
        {"Config.Interface.MinimizeToTray", "FrontEnd.MinimizeToTray"},
        {"Config.Interface.MultiInstance", "FrontEnd.MultiInstance"},
        {"Config.Interface.ReversePlayTime", "FrontEnd.ReversePlayTime"},
        {"Config.Interface.DoNotAcrossWorkArea", "FrontEnd.DoNotAcrossWorkArea"},
        {"Config.Interface.ShowLogo", "FrontEnd.HideLogo"},
    };
    int n = 0;
    for (const auto& [text, key] : kBoxes) {
      QCheckBox* box = Check(text, key, nullptr);
      cols->addWidget(box, n % 4, n / 4);
      if (std::string_view(key) == "FrontEnd.ShowHints")
        hints_ = box;
      ++n;
    }
    static_cast<QVBoxLayout*>(other->layout())->addLayout(cols);
    grid->addWidget(other, 2, 0, 1, 2);
    auto* cover = Group("Config.Interface.Cover");
    Check("Config.Interface.CoverResize", "OnOpen.CoverResize", cover->layout());
    Check("Config.Interface.CoverCenter", "OnOpen.CoverCenter", cover->layout());
    grid->addWidget(cover, 3, 0, 1, 2);
    grid->setRowStretch(0, 1);
    // The main window's tool tips follow the box at once.
    connect(hints_, &QCheckBox::toggled, this, [this](bool on) {
      if (host_.showHints)
        host_.showHints(on);
    });
  }

  void LoadValues() override {
    TConfigPageForm::LoadValues();
    shownSkin_ = Pref(host_.prefs, "FrontEnd.Skin", "");
  }

  void ApplyValues() override {
    const std::string language = host_.prefs->GetString("FrontEnd.Language");
    const std::string skin = host_.prefs->GetString("FrontEnd.Skin");
    restart_ = binder_.Changed("FrontEnd.BrandBorder") || binder_.Changed("FrontEnd.MinimizeToTray") ||
               binder_.Changed("FrontEnd.HideLogo");
    TConfigPageForm::ApplyValues();
    if (host_.prefs->GetString("FrontEnd.Language") != language && host_.loadLanguage)
      host_.loadLanguage();
    if (host_.prefs->GetString("FrontEnd.Skin") != skin || shownSkin_ != skin) {
      shownSkin_ = host_.prefs->GetString("FrontEnd.Skin");
      if (host_.reloadSkin)
        host_.reloadSkin();
    }
  }

  // After a preview that OK did not keep, the stored skin shows again; the tool tips likewise.
  void Closing() override {
    const std::string stored = host_.prefs->GetString("FrontEnd.Skin");
    if (shownSkin_ != stored && host_.reloadSkin)
      host_.reloadSkin();
    shownSkin_ = stored;
    if (host_.showHints && hints_->isChecked() != host_.prefs->GetBool("FrontEnd.ShowHints"))
      host_.showHints(host_.prefs->GetBool("FrontEnd.ShowHints"));
  }

private:
  // The clicked skin is shown at once; the key keeps its value until OK.
  void Preview(QListWidgetItem* item) {
    const std::string name = item->data(Qt::UserRole).toString().toStdString();
    if (name == shownSkin_ || !host_.reloadSkin)
      return;
    const std::string stored = host_.prefs->GetString("FrontEnd.Skin");
    host_.prefs->SetString("FrontEnd.Skin", name);
    host_.reloadSkin();
    host_.prefs->SetString("FrontEnd.Skin", stored);
    shownSkin_ = name;
    window()->raise();
    window()->activateWindow();
  }

  QListWidget* languages_ = nullptr;
  QListWidget* skins_ = nullptr;
  QCheckBox* hints_ = nullptr;
  std::string shownSkin_;
};

class TCPMouse : public TConfigPageForm {
public:
  TCPMouse(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    struct TGroup {
      const char* key;
      int count;
    };
    static const TGroup kGroups[] = {
        {"Mouse.Left", 5}, {"Mouse.LeftDbl", 3}, {"Mouse.Middle", 3}, {"Mouse.Right", 2}, {"Mouse.Wheel", 7}};
    int n = 0;
    for (const TGroup& g : kGroups) {
      const std::string caption = std::string("Config.") + g.key;
      QGroupBox* box = Group(caption.c_str());
      std::vector<std::string> items;
      for (int i = 0; i < g.count; ++i)
        items.push_back(caption + "." + std::to_string(i));
      Radios(items, g.key, box->layout());
      if (std::string_view(g.key) == "Mouse.Wheel")
        Check("Config.Mouse.WheelInvert", "Mouse.WheelInvert", box->layout());
      static_cast<QVBoxLayout*>(box->layout())->addStretch();
      grid->addWidget(box, n < 3 ? 0 : 1, n < 3 ? n : n - 3, 1, n == 4 ? 2 : 1);
      ++n;
    }
    auto* other = Group("Config.Mouse.Options");
    Check("Config.Mouse.HoverCPanel", "Mouse.HoverCPanel", other->layout());
    auto* row = new QHBoxLayout;
    row->addWidget(CaptionLabel("Config.Mouse.TimeOut", this));
    auto* timeout = new QSpinBox(this);
    timeout->setRange(0, 30);
    row->addWidget(timeout);
    row->addWidget(CaptionLabel("Config.Mouse.TimeOut.Seconds", this));
    row->addStretch();
    static_cast<QVBoxLayout*>(other->layout())->addLayout(row);
    binder_.Number(timeout, "Mouse.TimeOut");
    grid->addWidget(other, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
  }
};

class TCPPlayList : public TConfigPageForm {
public:
  TCPPlayList(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* view = Group("Config.PlayList.View");
    Check("Config.PlayList.ShowNumbers", "PlayList.ShowNumbers", view->layout());
    Check("Config.PlayList.ShowDuration", "PlayList.ShowDuration", view->layout());
    Check("Config.PlayList.RememberState", "PlayList.OpenState.Enabled", view->layout());
    Check("Config.PlayList.NamesFromTags", "PlayList.GetNamesFromFileTags", view->layout());
    Check("Config.PlayList.EraseOnExit", "PlayList.EraseOnExit", view->layout());
    grid->addWidget(view, 0, 0);

    auto* colours = Group("Config.PlayList.Colors");
    std::vector<QAbstractButton*> how =
        Radios({"Config.PlayList.Colors.0", "Config.PlayList.Colors.1"}, "PlayList.UseSkinColor", colours->layout());
    auto* swatches = new QGridLayout;
    cursor_ = new TColourSwatch(this);
    background_ = new TColourSwatch(this);
    swatches->addWidget(CaptionLabel("Config.PlayList.CursorColor", this), 0, 0);
    swatches->addWidget(cursor_, 0, 1);
    swatches->addWidget(CaptionLabel("Config.PlayList.BackgroundColor", this), 1, 0);
    swatches->addWidget(background_, 1, 1);
    static_cast<QVBoxLayout*>(colours->layout())->addLayout(swatches);
    binder_.Colour(cursor_, "PlayList.SelectionColor");
    binder_.Colour(background_, "PlayList.BackgroundColor");
    // The colour boxes are used with "Always the same" only.
    auto follow = [this, first = how[0]] {
      cursor_->setEnabled(first->isChecked());
      background_->setEnabled(first->isChecked());
    };
    for (QAbstractButton* b : how)
      connect(b, &QAbstractButton::toggled, this, follow);
    follow_ = follow;
    grid->addWidget(colours, 0, 1);

    auto* kind = Group("Config.PlayList.Default");
    Radios({"Config.PlayList.Default.0", "Config.PlayList.Default.1"}, "PlayList.External", kind->layout());
    grid->addWidget(kind, 1, 0);
    auto* fontBox = Group("Config.PlayList.Font");
    font_ = new TFontSwatch(this);
    fontBox->layout()->addWidget(font_);
    binder_.Font(font_, {"PlayList.Font.Name", "PlayList.Font.Size", "PlayList.Font.Bold", "PlayList.Font.Charset",
                         "PlayList.Font.Color"});
    grid->addWidget(fontBox, 1, 1);
    grid->setRowStretch(2, 1);
  }

  void LoadValues() override {
    TConfigPageForm::LoadValues();
    follow_();
  }

  void ApplyValues() override {
    TConfigPageForm::ApplyValues();
    if (host_.playlistChanged)
      host_.playlistChanged();
  }

private:
  TColourSwatch* cursor_ = nullptr;
  TColourSwatch* background_ = nullptr;
  TFontSwatch* font_ = nullptr;
  std::function<void()> follow_;
};

class TCPEvents : public TConfigPageForm {
public:
  TCPEvents(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* start = Group("Config.Events.OnStart");
    Check("Config.Events.OnStart.Resize", "OnStart.Resize", start->layout());
    Check("Config.Events.OnStart.AlwaysPrMonitor", "OnStart.AlwaysPrMonitor", start->layout());
    grid->addWidget(start, 0, 0);
    auto* done = Group("Config.Events.OnDone");
    Check("Config.Events.OnDone.Rewind", "OnDone.Rewind", done->layout());
    grid->addWidget(done, 0, 1);
    auto* open = Group("Config.Events.OnOpen");
    static const char* const kOpen[] = {"HidePanels",  "FullScreen",   "Resize",
                                        "Center",      "AutoSeek",     "SearchForSimilarFiles",
                                        "SeekLastPos", "ApplySettings"};
    for (const char* name : kOpen) {
      const std::string text = std::string("Config.Events.OnOpen.") + name;
      const std::string key = std::string("OnOpen.") + name;
      Check(text.c_str(), key.c_str(), open->layout());
    }
    grid->addWidget(open, 1, 0, 2, 1);
    auto* minimize = Group("Config.Events.OnMinimize");
    QCheckBox* pause = Check("Config.Events.OnMinimize.Pause", "OnMinimize.Pause", minimize->layout());
    QCheckBox* resume =
        Check("Config.Events.OnMinimize.RestorePlayback", "OnMinimize.RestorePlayback", minimize->layout());
    resume->setContentsMargins(18, 0, 0, 0);
    connect(pause, &QCheckBox::toggled, resume, &QWidget::setEnabled);
    pause_ = pause;
    resume_ = resume;
    grid->addWidget(minimize, 1, 1);
    auto* end = Group("Config.OnPLEnd");
    Radios({"Config.OnPLEnd.0", "Config.OnPLEnd.1", "Config.OnPLEnd.2"}, "Playlist.OnPlayListEnd", end->layout());
    grid->addWidget(end, 2, 1);
    grid->setRowStretch(3, 1);
  }

  void LoadValues() override {
    TConfigPageForm::LoadValues();
    resume_->setEnabled(pause_->isChecked());
  }

private:
  QCheckBox* pause_ = nullptr;
  QCheckBox* resume_ = nullptr;
};

} // namespace

std::unique_ptr<TConfigPageForm> CreateWindowPage(int index, TConfigHost& host, QWidget* parent) {
  switch (index) {
  case 0: return std::make_unique<TCPInterface>(host, parent);
  case 1: return std::make_unique<TCPMouse>(host, parent);
  case 2: return std::make_unique<TCPPlayList>(host, parent);
  case 3: return std::make_unique<TCPEvents>(host, parent);
  default: return nullptr;
  }
}

} // namespace zv
