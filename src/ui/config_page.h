#pragma once

#include "platform/display_modes.h"
#include "playback/engine/engine.h"
#include "prefs/file_types.h"
#include "ui/config_binding.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;

namespace zv {

class IPrefs;
class TCommandCenter;
class TWinIRC;

// What the preference pages act on besides the preferences themselves. Every member may be left
// empty; the page then leaves that part out.
struct TConfigHost {
  IPrefs* prefs = nullptr;
  std::string exeDir;      // Langs/, Skins/ and Plugins/ beside the program, trailing "/"
  std::string programPath; // the executable, as the System page shows it
  // Interface page: FrontEnd.Skin shown again; FrontEnd.Language loaded again; the main window's
  // tool tips on or off.
  std::function<void()> reloadSkin;
  std::function<void()> loadLanguage;
  std::function<void(bool)> showHints;
  // Playlist page: the view's font and colours read again.
  std::function<void()> playlistChanged;
  // Video page: the display modes offered.
  IDisplayModes* displayModes = nullptr;
  // Sound page: the output devices, the first the default one.
  std::function<std::vector<std::string>()> soundDevices;
  // System page: the process's priority class; false when the system refused it.
  std::function<bool(bool high)> setHighPriority;
  // OSD page: the OSD and subtitle fonts and the information position read again.
  std::function<void()> osdChanged;
  // Keyboard page: the live command table.
  TCommandCenter* commands = nullptr;
  // WinLIRC page: the client (none when the module does not run).
  std::function<TWinIRC*()> remote;
  // Global Keys page: the stored keys by position, whether the module runs, and switching it.
  std::function<std::vector<std::string>()> globalKeys;
  std::function<void(const std::vector<std::string>&)> setGlobalKeys;
  std::function<bool()> globalKeysEnabled;
  std::function<void(bool)> enableGlobalKeys;
  // WinAMP page: the plug-ins' descriptions, and a plug-in's own settings.
  std::function<std::vector<std::string>()> pluginNames;
  std::function<void(int index)> configurePlugin;
  // DirectShow page: a class's name (empty when unknown), the factories the picker offers, and
  // the property window of a filter made of a class.
  std::function<std::string(const eng::TGuid& cls)> filterName;
  std::function<std::vector<eng::TFactoryEntry>()> factories;
  std::function<void(const eng::TGuid& cls, QWidget* owner)> showClassProperties;
  // File types page: the table of types and their associations.
  std::function<TExplorerIntegrator()> fileTypes;
  // A platform dialog (font, colour, folder) opens over the preferences while in full screen.
  std::function<bool()> fullScreen;
};

// A page of the preferences: built on its first visit, applied by OK. The keys it edits are
// bound through `Binder()`; pages with more than keys (lists, module switches) add to
// `ApplyValues`.
class TConfigPageForm : public QWidget {
public:
  TConfigPageForm(TConfigHost& host, QWidget* parent);

  virtual void SetCaptions() {}
  virtual void LoadValues() { binder_.Load(); }
  virtual void ApplyValues() { binder_.Apply(); }
  // Run when the dialog closes, applied or not.
  virtual void Closing() {}

  bool ReopenNeeded() const { return reopen_; }
  bool RestartNeeded() const { return restart_; }
  TPrefBinder& Binder() { return binder_; }

protected:
  // Building blocks with the captions of language keys.
  QGroupBox* Group(const char* key);
  QCheckBox* Check(const char* key, const char* prefKey, QLayout* into);
  std::vector<QAbstractButton*> Radios(const std::vector<std::string>& keys, const char* prefKey, QLayout* into);

  TConfigHost& host_;
  TPrefBinder binder_;
  bool reopen_ = false, restart_ = false;
};

// A caption: the language text of a key, shown as it is (for buttons, boxes and groups); and a
// label showing it as plain text.
QString LangCaption(const std::string& key);
QLabel* CaptionLabel(const std::string& key, QWidget* parent);

// The page at a list index (0 to 14), or none for another index.
std::unique_ptr<TConfigPageForm> CreateConfigPage(int index, TConfigHost& host, QWidget* parent);
inline constexpr int kConfigPageCount = 15;
// The category names: the page's caption is the language text of "Config." + its name.
const char* ConfigPageName(int index);

// The display modes offered for full screen: each size and depth once, in descending order of
// depth, width and height, one column per depth; and a mode as the menu shows it.
std::vector<std::vector<TDisplayMode>> DisplayModeColumns(std::vector<TDisplayMode> modes);
std::string DisplayModeText(const TDisplayMode& mode);

// Pages by subject (one file each group).
std::unique_ptr<TConfigPageForm> CreateWindowPage(int index, TConfigHost& host, QWidget* parent); // 0-3
std::unique_ptr<TConfigPageForm> CreateMediaPage(int index, TConfigHost& host, QWidget* parent);  // 4-7
std::unique_ptr<TConfigPageForm> CreateModulePage(int index, TConfigHost& host, QWidget* parent); // 8-14

} // namespace zv
