#include "ui/popup_menu_logic.h"

#include "commands/command_codes.h"

namespace zv {

namespace {

constexpr int kFirstDrive = 53;

class TBuilder {
public:
  TBuilder(const TMenuFacts& f, const TMenuTexts& t) : f_(f), t_(t) {}

  TMenuItem Command(int code, bool enabled = true) const {
    TMenuItem item;
    item.code = code;
    item.caption = t_.commandName(code) + "\t " + t_.key(code);
    item.enabled = enabled;
    item.checked = t_.checked && t_.checked(code);
    if (item.checked) {
      item.pictureX = 803;
      item.pictureY = 41;
    }
    return item;
  }
  static TMenuItem Separator() {
    TMenuItem item;
    item.caption = "-";
    return item;
  }
  TMenuItem Category(const std::string& langKey, int x, int y, int index, std::vector<TMenuItem> items) const {
    TMenuItem item;
    item.caption = t_.lang(langKey);
    item.pictureX = x;
    item.pictureY = y;
    item.category = index;
    item.items = std::move(items);
    item.enabled = !item.items.empty() || index >= 0; // a list still to come (a DVD's titles) is greyed
    return item;
  }

  std::vector<TMenuItem> File() const {
    const bool info = f_.playlistPanelShown ? f_.entries > 0 : f_.entries > 0 || f_.fileOpen;
    TMenuItem disk = Command(cmdPlayDisk);
    disk.code = -1; // a submenu of the drives, posting nothing itself
    for (size_t i = 0; i < f_.drives.size() && i < 26; ++i) {
      TMenuItem drive = Command(kFirstDrive + static_cast<int>(i));
      drive.caption = f_.drives[i] + "\t ";
      disk.items.push_back(drive);
    }
    return {Command(cmdOpenFiles), Command(cmdFileInfo, info), disk};
  }
  std::vector<TMenuItem> Playback() const {
    return {Command(cmdUnload, f_.fileOpen), Command(cmdPlay), Command(cmdSpeedPlay, f_.fileOpen), Separator(),
            Command(cmdFilters, f_.fileOpen)};
  }
  std::vector<TMenuItem> Seek() const {
    std::vector<TMenuItem> items;
    for (int code : {cmdFrameStep, cmdFrameBack, cmdSeekForward, cmdSeekBackward, cmdJumpForward, cmdJumpBackward})
      items.push_back(Command(code, f_.fileOpen));
    items.push_back(Separator());
    items.push_back(Command(cmdRewind, f_.fileOpen));
    items.push_back(Command(cmdSetBookmark, f_.fileOpen));
    return items;
  }
  std::vector<TMenuItem> Window() const {
    return {Command(cmdControlPanel),
            Command(cmdPlaylist, !f_.playlistExternal),
            Command(cmdAdvancedPlaylist),
            Separator(),
            Command(cmdFullScreen),
            Command(cmdOriginalSize),
            Separator(),
            Command(cmdStayOnTop),
            Command(cmdMinimize),
            Command(cmdMaximize)};
  }
  std::vector<TMenuItem> Video() const {
    const bool on = f_.fileOpen && f_.video;
    std::vector<TMenuItem> items = {Command(cmdVideoSettings, on), Command(cmdScreenShot, on && !f_.dvd), Separator()};
    for (int code : {cmdScale50, cmdScale100, cmdScale200})
      items.push_back(Command(code, on));
    items.push_back(Separator());
    for (int code = cmdAspectAsIs; code <= cmdAspectFree; ++code)
      items.push_back(Command(code, on));
    items.push_back(Separator());
    for (int code = cmdBrightnessUp; code <= cmdSaturationDown; ++code)
      items.push_back(Command(code, on));
    return items;
  }
  std::vector<TMenuItem> Subtitles() const {
    return {Command(cmdLoadSubtitles, f_.fileOpen), Command(cmdShowSubtitles, f_.fileOpen)};
  }
  std::vector<TMenuItem> Sound() const {
    std::vector<TMenuItem> items = {Command(cmdSoundSettings, f_.fileOpen), Command(cmdVolumeUp),
                                    Command(cmdVolumeDown), Command(cmdMute)};
    if (f_.audioProps)
      items.push_back(Command(cmdNextAudioStream, f_.audioStreams > 0));
    items.push_back(Separator());
    items.push_back(Command(cmdAdditionalSound, f_.fileOpen));
    return items;
  }
  std::vector<TMenuItem> Dvd() const {
    std::vector<TMenuItem> titles, streams;
    for (int n = 1; f_.dvd && n <= f_.dvdTitles; ++n) {
      TMenuItem t;
      t.caption = t_.lang("DVD.Title") + " " + std::to_string(n);
      t.dvdTitle = n;
      titles.push_back(t);
    }
    for (size_t i = 0; f_.dvd && i < f_.dvdLanguages.size(); ++i) {
      TMenuItem t;
      t.caption = t_.lang("DVD.Language") + " " + std::to_string(i + 1) + " - " + f_.dvdLanguages[i];
      t.dvdStream = static_cast<int>(i);
      streams.push_back(t);
    }
    return {Command(cmdPlayDVD),
            Command(cmdOpenDVDFolder),
            Separator(),
            Command(cmdDVDMenu, f_.dvd),
            Category("DVD.Titles", -1, -1, -1, std::move(titles)),
            Category("DVD.Audio", -1, -1, -1, std::move(streams))};
  }
  std::vector<TMenuItem> Application() const {
    return {Command(cmdPreferences),
            Command(cmdHelp),
            Command(cmdAbout),
            Command(cmdExit),
            Separator(),
            Command(cmdHibernate),
            Command(cmdPowerOff),
            Category("Config.OnPLEnd", -1, -1, -1, {Command(cmdHibernateWhenDone), Command(cmdPowerOffWhenDone)})};
  }

  // The playlist menu's last part; 0 a separator.
  static constexpr int kTail[] = {cmdSort,      cmdReport,       0, cmdShuffle,       cmdRepeat,
                                  cmdBookmarks, cmdSearchOnDisk, 0, cmdDeleteFromDisk};

  std::vector<TMenuItem> Playlist() const {
    if (f_.entries <= 0) {
      std::vector<TMenuItem> items = {Command(cmdSelectedFileInfo, false),
                                      Separator(),
                                      Command(cmdPlaySelected, false),
                                      Command(cmdAddFiles),
                                      Command(cmdAddFolder),
                                      Command(cmdRemove, false),
                                      Command(cmdClear, false),
                                      Separator(),
                                      Command(cmdMoveDown, false),
                                      Command(cmdMoveUp, false),
                                      Separator()};
      for (int code : kTail)
        items.push_back(code == 0 ? Separator() : Command(code, false));
      return items;
    }
    std::vector<TMenuItem> items = {Command(cmdSelectedFileInfo),
                                    Separator(),
                                    Command(cmdPlaySelected),
                                    Command(cmdAddFiles),
                                    Command(cmdAddFolder),
                                    Command(cmdRemove),
                                    Command(cmdClear),
                                    Separator(),
                                    Command(cmdMoveUp, f_.selected > 0),
                                    Command(cmdMoveDown, f_.selected < f_.entries - 1),
                                    Separator()};
    for (int code : kTail)
      items.push_back(code == 0 ? Separator() : Command(code));
    return items;
  }

  std::vector<TMenuItem> Full() const {
    return {Command(cmdOpenFiles),
            Command(cmdPlayPause, f_.fileOpen),
            Command(cmdNext, f_.current < f_.entries - 1 && f_.entries > 1),
            Separator(),
            Category("Command.Category.0", 786, 58, 0, File()),
            Category("Command.Category.1", 786, 75, 1, Playback()),
            Category("Command.Category.2", 786, 92, 2, Seek()),
            Category("Command.Category.3", 786, 109, 3, Window()),
            Category("Command.Category.4", 803, 58, 4, Playlist()),
            Category("Command.Category.5", 803, 75, 5, Video()),
            Category("Command.Category.6", 803, 75, 6, Subtitles()),
            Category("Command.Category.7", 803, 92, 7, Sound()),
            Category("Command.Category.9", 803, 58, 8, Dvd()),
            Category("Command.Category.8", 803, 109, 9, Application()),
            Separator(),
            Command(cmdExit)};
  }

private:
  const TMenuFacts& f_;
  const TMenuTexts& t_;
};

} // namespace

std::vector<TMenuItem> BuildFullMenu(const TMenuFacts& facts, const TMenuTexts& texts) {
  return TBuilder(facts, texts).Full();
}

std::vector<TMenuItem> BuildPlaylistMenu(const TMenuFacts& facts, const TMenuTexts& texts) {
  return TBuilder(facts, texts).Playlist();
}

const TMenuItem* FindMenuItem(const std::vector<TMenuItem>& items, int code) {
  for (const TMenuItem& item : items) {
    if (item.code == code && !item.Separator())
      return &item;
    if (const TMenuItem* inner = FindMenuItem(item.items, code))
      return inner;
  }
  return nullptr;
}

} // namespace zv
