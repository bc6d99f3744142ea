#pragma once

#include "commands/key_names.h"
#include "core/prefs_access.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Queues a numbered command for the user-interface thread; nothing runs inside PostCommand.
class ICommandPoster {
public:
  virtual ~ICommandPoster() = default;
  virtual void PostCommand(int code) = 0;
};

struct TCommandEntry {
  int code = 0;
  std::string key;    // key name, "Ctrl+M"
  std::string button; // remote-control button name
};

struct TCommandCategory {
  int first; // first code: 50 * (index + 1)
  int count;
};

// The table of numbered commands with their key and remote-button bindings.
class TCommandCenter {
public:
  TCommandCenter(IPrefs& prefs, ICommandPoster& poster);

  static const std::vector<TCommandCategory>& Categories();
  // Every code of the ten categories in ascending order.
  static std::vector<int> AllCodes();
  static bool IsCommandCode(int code);
  // The preference key of a code: "Command.c052".
  static std::string PrefKey(int code);

  void Define(int code, std::string_view key, std::string_view button);
  void ClearAll();
  // The default bindings: the Command section of the built-in preference document.
  void LoadDefaults();
  static const std::vector<std::string>& PresetNames();
  // Clears every binding, then sets the preset's keys; false for an unknown preset.
  bool LoadPreset(std::string_view name);
  void LoadFromPrefs();
  void SaveToPrefs();

  // The code whose key or button matches (ASCII case folded); the last match wins; -1 for none.
  int Find(std::string_view key, std::string_view button) const;
  std::string GetKey(int code) const;
  std::string GetButton(int code) const;
  const std::vector<TCommandEntry>& Entries() const { return table_; }

  static std::string CommandName(int code);
  static std::string CategoryName(int index);

  void Post(int code) { poster_.PostCommand(code); }
  void ExecKey(std::string_view keyName);
  void ExecButton(std::string_view button);

  // Installed by the keyboard page while it is open, to capture remote buttons.
  std::function<bool(const std::string&)> captureHook;
  // Shows a transient text on screen (the OSD), when there is one.
  std::function<void(const std::string&)> showOSD;

private:
  IPrefs& prefs_;
  ICommandPoster& poster_;
  std::vector<TCommandEntry> table_;
};

// Skin links that post a command code, and the links whose buttons get the name of a command as
// their hint (the language key "Command.NNN" of its code).
const std::vector<std::pair<const char*, int>>& PostingLinks();
const std::vector<std::pair<const char*, int>>& HintLinks();
int PostingLinkCode(std::string_view link);     // -1 when the link does not post a code
std::string LinkHintKey(std::string_view link); // empty when the link has no hint
int LinkHintCode(std::string_view link);        // the code whose name is the hint, -1 for none

} // namespace zv
