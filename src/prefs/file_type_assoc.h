#pragma once

#include "prefs/assoc_store.h"

#include <functional>
#include <string>
#include <vector>

namespace zv {

// One entry of a file type's context menu: the verb's key name, its caption (empty: the desktop's
// own) and its command line.
struct TFileTypeAction {
  std::string verb;
  std::string caption;
  std::string command;
};

struct TFileTypeMenu {
  std::string defaultVerb;
  std::vector<TFileTypeAction> actions;
};

// The menu every associated type gets; `exe` is the quoted program path.
TFileTypeMenu ProgramFileTypeMenu(const std::string& exe);

// The steps of taking one file type over and giving it back. Every value overwritten is first kept
// in "<tag>.Backup" beside it, and every verb key created is marked "<tag>.Delete" = "Delete", so
// that giving the type back restores what was there and removes only what the program made.
class TFileTypeAssociator {
public:
  TFileTypeAssociator(IAssocStore& store, std::string tag);

  void SetExtension(std::string extension) { extension_ = std::move(extension); }
  const std::string& Extension() const { return extension_; }
  const std::string& ClassKey() const { return classKey_; }

  // Runs one step as a session of its own: a store failure inside ends the step and is swallowed.
  // False when the step failed.
  static bool Session(const std::function<void()>& step);

  // The steps below raise on a store failure (inside Session).
  void SetDefaultWithBackup(const std::string& key, const std::string& value);
  // Puts the backed-up default back; a key that does not exist has nothing to restore.
  void RestoreDefault(const std::string& key);
  // Opens "\.<ext>", makes its class "<ext>file" and returns the class key's path.
  std::string OpenClassKey();
  void SetVerbs(const TFileTypeMenu& menu);
  void SetDescription(const std::string& description);
  void SetIcon(const std::string& icon);
  // Gives the type back; a failure ends it silently.
  void Unassociate();
  // The command of the type's default verb, empty when the desktop would not run it; read-only.
  std::string GetDefaultCommand() const;

private:
  std::string Backup() const { return tag_ + ".Backup"; }
  std::string Read(const std::string& key, const std::string& name = {}) const;
  void Need(bool ok) const;
  void RenameValue(const std::string& key, const std::string& from, const std::string& to);
  void MoveSubKey(const std::string& key, const std::string& from, const std::string& to, bool replace);

  IAssocStore& store_;
  std::string tag_;
  std::string extension_;
  std::string classKey_;
};

// DVD auto-play: the desktop's "DVD" class played by the program.
class TDVDAssociator {
public:
  TDVDAssociator(IAssocStore& store, std::string tag) : store_(store), tag_(std::move(tag)) {}
  void Associate(const std::string& icon, const std::string& command);
  void Unassociate();
  std::string DefaultCommand() const;

private:
  IAssocStore& store_;
  std::string tag_;
};

} // namespace zv
