// The preference pages of playback: video, sound, system and the OSD with the subtitles.
#include "core/format.h"
#include "core/prefs_access.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "platform/display_modes.h"
#include "skin/language_manager.h"
#include "ui/config_page.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace zv {

namespace {

QVBoxLayout* Rows(QGroupBox* box) { return static_cast<QVBoxLayout*>(box->layout()); }

QLineEdit* LabelledEdit(QWidget* owner, const char* key, QBoxLayout* into) {
  auto* row = new QHBoxLayout;
  row->addWidget(CaptionLabel(key, owner));
  auto* edit = new QLineEdit(owner);
  row->addWidget(edit, 1);
  into->addLayout(row);
  return edit;
}

// ---------------------------------------------------------------------------------------------

class TCPVideo : public TConfigPageForm {
public:
  TCPVideo(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* speed = Group("Config.Video.SpeedChange");
    auto* rate = new QSlider(Qt::Horizontal, this);
    rate->setRange(1, 20);
    rate->setTickPosition(QSlider::TicksBelow);
    auto* rateText = new QLabel(this);
    connect(rate, &QSlider::valueChanged, rateText,
            [rateText](int v) { SetPlainText(rateText, Format("%d%%", v * 10)); });
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(rate, 1);
    rateRow->addWidget(rateText);
    Rows(speed)->addLayout(rateRow);
    binder_.Number(rate, "Video.SpeedPlayRate");
    grid->addWidget(speed, 0, 0);

    auto* full = Group("Config.Video.FullScreen");
    Check("Config.Video.StayOnTop", "Video.StayOnTopInFullScreenMode", full->layout());
    auto* modeRow = new QHBoxLayout;
    QCheckBox* change = Check("Config.Video.ChangeResolution", "Video.ChangeResolution", nullptr);
    modeRow->addWidget(change);
    modeButton_ = new QPushButton(this);
    modeRow->addWidget(modeButton_, 1);
    Rows(full)->addLayout(modeRow);
    connect(modeButton_, &QPushButton::clicked, this, [this] { ShowModes(); });
    binder_.Custom(
        "Video.ChangeResolution.Width",
        [this](const std::string& v) { SetMode(StrToIntDef(v, 0), mode_.height, mode_.depth); },
        [this] { return std::to_string(mode_.width); });
    binder_.Custom(
        "Video.ChangeResolution.Height",
        [this](const std::string& v) { SetMode(mode_.width, StrToIntDef(v, 0), mode_.depth); },
        [this] { return std::to_string(mode_.height); });
    binder_.Custom(
        "Video.ChangeResolution.Depth",
        [this](const std::string& v) { SetMode(mode_.width, mode_.height, StrToIntDef(v, 0)); },
        [this] { return std::to_string(mode_.depth); });
    grid->addWidget(full, 0, 1);

    auto* picture = Group("Config.Video.Picture");
    Check("Config.Video.ForceOverlay", "Video.ForceOverlay", picture->layout());
    Check("Config.Video.VideoProcessor", "Video.VideoProcessor", picture->layout());
    binder_.Text(LabelledEdit(this, "Config.Video.AspectRatioCustom", Rows(picture)), "Video.AspectRatioCustom");
    grid->addWidget(picture, 1, 0);

    auto* seek = Group("Config.Video.Seek");
    Check("Config.Video.KeyFrameSeek", "Seek.KeyFrameSeek", seek->layout());
    binder_.Text(LabelledEdit(this, "Config.Video.KeySeek", Rows(seek)), "Seek.KeySeek");
    binder_.Text(LabelledEdit(this, "Config.Video.KeyJump", Rows(seek)), "Seek.KeyJump");
    grid->addWidget(seek, 1, 1);

    auto* shots = Group("Config.Video.ScreenShots");
    binder_.Text(LabelledEdit(this, "Config.Video.ScreenShotDir", Rows(shots)), "App.ScreenShotDir");
    Check("Config.Video.RelatedFolder", "Video.CreateRelatedDirectoryName", shots->layout());
    auto* kinds = new QHBoxLayout;
    auto* bmp = new QRadioButton("BMP", this);
    auto* jpg = new QRadioButton("JPG", this);
    kinds->addWidget(bmp);
    kinds->addWidget(jpg);
    kinds->addStretch();
    Rows(shots)->addLayout(kinds);
    binder_.Custom(
        "App.ScreenShotJPEG",
        [bmp, jpg](const std::string& v) {
          const bool on = PrefTrue(v);
          jpg->setChecked(on);
          bmp->setChecked(!on);
        },
        [jpg] { return std::string(jpg->isChecked() ? "1" : "0"); });
    grid->addWidget(shots, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
  }

  void ApplyValues() override {
    reopen_ = binder_.Changed("Video.VideoProcessor");
    TConfigPageForm::ApplyValues();
  }

private:
  void SetMode(int w, int h, int depth) {
    mode_ = {w, h, depth, 0};
    modeButton_->setText(QString::fromStdString(DisplayModeText(mode_)));
  }

  // The offered modes, a column per colour depth; the page's choice is checked.
  void ShowModes() {
    std::vector<std::vector<TDisplayMode>> columns =
        DisplayModeColumns(host_.displayModes ? host_.displayModes->Modes() : std::vector<TDisplayMode>{});
    QMenu menu(this);
    auto* holder = new QWidget(&menu);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(2, 2, 2, 2);
    for (const std::vector<TDisplayMode>& column : columns) {
      auto* col = new QVBoxLayout;
      for (const TDisplayMode& m : column) {
        auto* item = new QToolButton(holder);
        item->setText(QString::fromStdString(DisplayModeText(m)));
        item->setCheckable(true);
        item->setChecked(m.width == mode_.width && m.height == mode_.height && m.depth == mode_.depth);
        item->setAutoRaise(true);
        item->setToolButtonStyle(Qt::ToolButtonTextOnly);
        item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(item, &QToolButton::clicked, &menu, [this, m, &menu] {
          SetMode(m.width, m.height, m.depth);
          menu.close();
        });
        col->addWidget(item);
      }
      col->addStretch();
      row->addLayout(col);
    }
    auto* action = new QWidgetAction(&menu);
    action->setDefaultWidget(holder);
    menu.addAction(action);
    if (columns.empty())
      menu.addAction(LangCaption("Config.Video.NoModes"))->setEnabled(false);
    menu.exec(modeButton_->mapToGlobal(QPoint(0, modeButton_->height())));
  }

  QPushButton* modeButton_ = nullptr;
  TDisplayMode mode_;
};

class TCPSound : public TConfigPageForm {
public:
  TCPSound(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* volume = Group("Config.Sound.VolumeControl");
    Check("Config.Sound.VolumeWave", "Sound.VolumeWave", volume->layout());
    Check("Config.Sound.VolumeMaster", "Sound.VolumeMaster", volume->layout());
    grid->addWidget(volume, 0, 0);
    auto* device = Group("Config.Sound.Device");
    devices_ = new QComboBox(this);
    if (host.soundDevices)
      for (const std::string& name : host.soundDevices())
        devices_->addItem(OutsideText(name), QString::fromStdString(name));
    device->layout()->addWidget(devices_);
    binder_.Custom(
        "Sound.OutDevice",
        [this](const std::string& v) {
          devices_->setCurrentIndex(devices_->count() > 0 ? 0 : -1);
          for (int i = 0; i < devices_->count(); ++i)
            if (SameText(devices_->itemData(i).toString().toStdString(), v))
              devices_->setCurrentIndex(i);
        },
        [this] { return devices_->currentData().toString().toStdString(); });
    auto* streamRow = new QHBoxLayout;
    streamRow->addWidget(CaptionLabel("Config.Sound.DefaultStream", this));
    auto* stream = new QComboBox(this);
    stream->addItems({"1", "2", "3"});
    streamRow->addWidget(stream);
    streamRow->addStretch();
    Rows(device)->addLayout(streamRow);
    binder_.Index(stream, "Sound.DefaultStream");
    grid->addWidget(device, 1, 0);
    auto* other = Group("Config.Sound.Options");
    Check("Config.Sound.AddSound", "Sound.AddSound", other->layout());
    Check("Config.Sound.Force44", "Sound.Force44", other->layout());
    Check("Config.Sound.Equalizer", "Sound.Equalizer.Enabled", other->layout());
    grid->addWidget(other, 2, 0);
    grid->setRowStretch(3, 1);
  }

  // A device no longer present gives way to the one shown, the first; another device than the
  // stored one needs the file opened again.
  void ApplyValues() override {
    const std::string stored = host_.prefs->GetString("Sound.OutDevice");
    TConfigPageForm::ApplyValues();
    const std::string shown = devices_->currentData().toString().toStdString();
    if (!shown.empty() && !SameText(shown, stored)) {
      host_.prefs->SetString("Sound.OutDevice", shown);
      reopen_ = true;
    }
  }

private:
  QComboBox* devices_ = nullptr;
};

class TCPSystem : public TConfigPageForm {
public:
  TCPSystem(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* process = Group("Config.System.Process");
    QCheckBox* high = Check("Config.System.HighPriority", "Core.HighPriority", process->layout());
    Check("Config.System.CPUUsage", "Plugins.CPUUsage.Enabled", process->layout());
    Check("Config.System.ShowExceptions", "App.ShowExceptions", process->layout());
    grid->addWidget(process, 0, 0);
    // The priority changes at once; a refusal is said once and the box keeps what was asked.
    connect(high, &QCheckBox::toggled, this, [this](bool on) {
      if (loading_ || !host_.setHighPriority || host_.setHighPriority(on) || refusalShown_)
        return;
      refusalShown_ = true;
      Log("Config: the system refused to change the process priority");
      refusal_->show();
    });
    refusal_ = CaptionLabel("Config.System.PriorityRefused", this);
    refusal_->setWordWrap(true);
    refusal_->hide();
    Rows(process)->addWidget(refusal_);

    auto* users = Group("Config.System.Users");
    QCheckBox* multi = Check("Config.System.IsMultiUser", "App.IsMultiUser", users->layout());
    auto* kind = new QGroupBox(LangCaption("Config.System.UserPrefs"), this);
    new QVBoxLayout(kind);
    std::vector<QAbstractButton*> kinds =
        Radios({"Config.System.UserPrefs.0", "Config.System.UserPrefs.1"}, "App.UserPrefs", kind->layout());
    Rows(users)->addWidget(kind);
    connect(multi, &QCheckBox::toggled, kind, &QWidget::setEnabled);
    multi_ = multi;
    kind_ = kind;
    grid->addWidget(users, 1, 0);

    auto* updates = Group("Config.System.Updates");
    QCheckBox* stable = Check("Config.System.NotifyStable", "Core.NotifyNewVerAvailable", updates->layout());
    QCheckBox* beta = Check("Config.System.NotifyBeta", "Core.NotifyNewBetaVerAvailable", updates->layout());
    connect(stable, &QCheckBox::toggled, beta, &QWidget::setEnabled);
    stable_ = stable;
    beta_ = beta;
    grid->addWidget(updates, 2, 0);
    auto* path = new QLabel(this);
    SetPlainText(path, host.programPath);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setWordWrap(true);
    grid->addWidget(path, 3, 0);
    grid->setRowStretch(4, 1);
  }

  void LoadValues() override {
    loading_ = true;
    TConfigPageForm::LoadValues();
    loading_ = false;
    kind_->setEnabled(multi_->isChecked());
    beta_->setEnabled(stable_->isChecked());
  }

  void ApplyValues() override {
    restart_ = binder_.Changed("Plugins.CPUUsage.Enabled");
    TConfigPageForm::ApplyValues();
  }

private:
  QLabel* refusal_ = nullptr;
  QCheckBox* multi_ = nullptr;
  QGroupBox* kind_ = nullptr;
  QCheckBox* stable_ = nullptr;
  QCheckBox* beta_ = nullptr;
  bool loading_ = false, refusalShown_ = false;
};

// The tags the information template offers, by group, with their built-in captions.
struct TTagItem {
  const char* tag;
  const char* key; // after "Config.OSD.PopUp."
};
const TTagItem kGeneralTags[] = {
    {"ARTIST", "General.Artist"},     {"TITLE", "General.Title"},       {"FORMAT", "General.Format"},
    {"FILENAME", "General.FileName"}, {"CODECS", "General.Codecs"},     {"DURATION", "General.Duration"},
    {"REMAINS", "General.Remains"},   {"POSITION", "General.Position"}, {"TIME", "General.Time"},
    {"SIZE", "General.Size"},         {"COUNT", "General.Count"},       {"CURRENT", "General.Current"}};
const TTagItem kVideoTags[] = {{"VIDEOCODECDESC", "Video.CodecDesc"},
                               {"VIDEOCODEC", "Video.Codec"},
                               {"VIDEODURATIONTEXT", "Video.DurationText"},
                               {"VIDEODURATION", "Video.Duration"},
                               {"VIDEOWIDTH", "Video.Width"},
                               {"VIDEOHEIGHT", "Video.Height"},
                               {"VIDEOASPECTRATIO", "Video.AspectRatio"},
                               {"VIDEOFPS", "Video.FPS"}};
const TTagItem kAudioTags[] = {{"AUDIOCODECDESC", "Audio.CodecDesc"},       {"AUDIOCODEC", "Audio.Codec"},
                               {"AUDIODURATIONTEXT", "Audio.DurationText"}, {"AUDIODURATION", "Audio.Duration"},
                               {"AUDIOBITRATE", "Audio.Bitrate"},           {"AUDIOFORMAT", "Audio.Format"},
                               {"AUDIOSTREAMSCOUNT", "Audio.StreamsCount"}};

class TCPOSD : public TConfigPageForm {
public:
  TCPOSD(TConfigHost& host, QWidget* parent) : TConfigPageForm(host, parent) {
    auto* grid = new QGridLayout(this);
    auto* kind = Group("Config.OSD.Type");
    Radios({"Config.OSD.Type.0", "Config.OSD.Type.1"}, "OSD.WithVideo", kind->layout());
    auto* bg = new QHBoxLayout;
    std::vector<QAbstractButton*> bgItems = Radios({"Config.OSD.BG.0", "Config.OSD.BG.1"}, "OSD.BG.IsColor", bg);
    auto* bgColour = new TColourSwatch(this);
    bg->addWidget(bgColour);
    bg->addStretch();
    Rows(kind)->addLayout(bg);
    binder_.Colour(bgColour, "OSD.BG.Color");
    Check("Config.OSD.AlertMsg", "OSD.Info.AlertMsg", kind->layout());
    Check("Config.OSD.ShowSize", "OSD.ShowSize", kind->layout());
    grid->addWidget(kind, 0, 0);

    auto* info = Group("Config.OSD.Info");
    auto* during = new QHBoxLayout;
    Check("Config.OSD.Info.Show", "OSD.Info.Show", during);
    auto* seconds = new QSpinBox(this);
    seconds->setRange(1, 30);
    during->addWidget(seconds);
    during->addWidget(CaptionLabel("Config.OSD.Info.Seconds", this));
    during->addStretch();
    Rows(info)->addLayout(during);
    binder_.Number(seconds, "OSD.Info.Duration");
    auto* places = new QGridLayout;
    std::vector<std::string> posKeys;
    for (int i = 0; i < 6; ++i)
      posKeys.push_back("Config.OSD.Pos." + std::to_string(i));
    std::vector<QAbstractButton*> pos = Radios(posKeys, "OSD.Info.Pos", nullptr);
    for (int i = 0; i < 6; ++i)
      places->addWidget(pos[i], i / 3, i % 3);
    Rows(info)->addLayout(places);
    auto* infoFont = new TFontSwatch(this);
    Rows(info)->addWidget(infoFont);
    binder_.Font(infoFont, {"OSD.Info.Font.Family", "OSD.Info.Font.Size", "OSD.Info.Font.Bold", "OSD.Info.Font.Charset",
                            "OSD.Info.Font.Color"});
    grid->addWidget(info, 1, 0);

    auto* tmpl = Group("Config.OSD.InfoStr");
    memo_ = new QPlainTextEdit(this);
    memo_->setTabChangesFocus(true);
    memo_->setMaximumHeight(90);
    auto* memoRow = new QHBoxLayout;
    memoRow->addWidget(memo_, 1);
    auto* buttons = new QVBoxLayout;
    for (const char* text : {"X", "D", "<"}) {
      auto* b = new QToolButton(this);
      b->setText(text);
      b->setFixedWidth(28);
      buttons->addWidget(b);
      connect(b, &QToolButton::clicked, this, [this, b, t = std::string(text)] { TemplateButton(t, b); });
    }
    buttons->addStretch();
    memoRow->addLayout(buttons);
    Rows(tmpl)->addLayout(memoRow);
    binder_.Memo(memo_, "OSD.InfoStr");
    grid->addWidget(tmpl, 2, 0);

    auto* subs = Group("Config.OSD.Subtitles");
    Check("Config.OSD.Subtitles.AutoLoad", "Subtitles.AutoLoad", subs->layout());
    auto* folderRow = new QHBoxLayout;
    QCheckBox* useFolder = Check("Config.OSD.Subtitles.UseFolder", "Subtitles.UseFolder", folderRow);
    auto* folder = new QLineEdit(this);
    auto* browse = new QToolButton(this);
    browse->setText("...");
    folderRow->addWidget(folder, 1);
    folderRow->addWidget(browse);
    Rows(subs)->addLayout(folderRow);
    binder_.Text(folder, "Subtitles.Folder");
    auto follow = [useFolder, folder, browse] {
      folder->setEnabled(useFolder->isChecked());
      browse->setEnabled(useFolder->isChecked());
    };
    connect(useFolder, &QCheckBox::toggled, this, follow);
    connect(browse, &QToolButton::clicked, this, [this, folder] {
      QString chosen = QFileDialog::getExistingDirectory(this, QString(), folder->text());
      if (!chosen.isEmpty())
        folder->setText(chosen.endsWith('/') ? chosen : chosen + '/');
    });
    auto* fpsRow = new QHBoxLayout;
    fpsRow->addWidget(CaptionLabel("Config.OSD.Subtitles.MicroDVD", this));
    Radios({"Config.OSD.Subtitles.MicroDVD.0", "Config.OSD.Subtitles.MicroDVD.1"}, "Subtitles.SetMicroDVDFPS", fpsRow);
    auto* fps = new QLineEdit(this);
    fps->setFixedWidth(72);
    fpsRow->addWidget(fps);
    fpsRow->addStretch();
    Rows(subs)->addLayout(fpsRow);
    binder_.Text(fps, "Subtitles.MicroDVDFPS");
    auto* sample = new QLineEdit(this);
    subFont_ = new TFontSwatch(this);
    auto* sampleRow = new QHBoxLayout;
    sampleRow->addWidget(sample, 1);
    Rows(subs)->addLayout(sampleRow);
    Rows(subs)->addWidget(subFont_);
    Rows(subs)->addStretch();
    binder_.Text(sample, "Subtitles.Text");
    connect(sample, &QLineEdit::textChanged, this, [this](const QString& t) { subFont_->SetSample(t.toStdString()); });
    binder_.Font(subFont_,
                 {"Subtitles.Font", "Subtitles.Size", "Subtitles.Bold", "Subtitles.Charset", "Subtitles.Color"});
    grid->addWidget(subs, 0, 1, 3, 1);
    follow_ = [follow, bgItems, bgColour] {
      follow();
      bgColour->setEnabled(bgItems[1]->isChecked());
    };
    for (QAbstractButton* b : bgItems)
      connect(b, &QAbstractButton::toggled, this, [this] { follow_(); });
    grid->setRowStretch(3, 1);
  }

  void LoadValues() override {
    TConfigPageForm::LoadValues();
    follow_();
  }

  void ApplyValues() override {
    TConfigPageForm::ApplyValues();
    if (host_.osdChanged)
      host_.osdChanged();
  }

private:
  void TemplateButton(const std::string& which, QToolButton* button) {
    if (which == "X") {
      memo_->clear();
    } else if (which == "D") {
      memo_->setPlainText("{ARTIST} - {TITLE}");
    } else {
      QMenu menu(this);
      AddTags(menu, "General", kGeneralTags);
      AddTags(menu, "Video", kVideoTags);
      AddTags(menu, "Audio", kAudioTags);
      menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    }
  }

  template <size_t N>
  void AddTags(QMenu& menu, const char* group, const TTagItem (&items)[N]) {
    QMenu* sub = menu.addMenu(PlainMenuText(TagCaption(group, std::string("Config.OSD.PopUp.") + group)));
    for (const TTagItem& item : items) {
      QAction* a = sub->addAction(PlainMenuText(TagCaption(item.tag, std::string("Config.OSD.PopUp.") + item.key)));
      connect(a, &QAction::triggered, this,
              [this, tag = std::string(item.tag)] { memo_->insertPlainText(QString::fromStdString("{" + tag + "}")); });
    }
  }

  // The language's caption, or the built-in one for the Russian interface or a missing key.
  std::string TagCaption(const char* builtIn, const std::string& key) {
    TLanguageManager* lang = LanguageManager();
    if (!lang || !lang->Has(key) || Pref(host_.prefs, "FrontEnd.Language", "") == "Russian")
      return builtIn;
    return Lang(key);
  }

  QPlainTextEdit* memo_ = nullptr;
  TFontSwatch* subFont_ = nullptr;
  std::function<void()> follow_;
};

} // namespace

std::string DisplayModeText(const TDisplayMode& m) { return Format("%d x %d, %d Bits", m.width, m.height, m.depth); }

std::vector<std::vector<TDisplayMode>> DisplayModeColumns(std::vector<TDisplayMode> modes) {
  // Distinct by size and depth, the refresh rates aside; deepest, widest, tallest first.
  for (TDisplayMode& m : modes)
    m.refresh = 0;
  auto order = [](const TDisplayMode& m) { return Format("%.4d%.4d%.4d", m.depth, m.width, m.height); };
  std::sort(modes.begin(), modes.end(),
            [&](const TDisplayMode& a, const TDisplayMode& b) { return order(a) > order(b); });
  modes.erase(std::unique(modes.begin(), modes.end()), modes.end());
  std::vector<std::vector<TDisplayMode>> columns;
  for (const TDisplayMode& m : modes) {
    if (columns.empty() || columns.back().front().depth != m.depth)
      columns.emplace_back();
    columns.back().push_back(m);
  }
  return columns;
}

std::unique_ptr<TConfigPageForm> CreateMediaPage(int index, TConfigHost& host, QWidget* parent) {
  switch (index) {
  case 4: return std::make_unique<TCPVideo>(host, parent);
  case 5: return std::make_unique<TCPSound>(host, parent);
  case 6: return std::make_unique<TCPSystem>(host, parent);
  case 7: return std::make_unique<TCPOSD>(host, parent);
  default: return nullptr;
  }
}

} // namespace zv
