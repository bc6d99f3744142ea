#include "prefs/file_type_assoc.h"

#include "core/session_log.h"
#include "core/text_util.h"

namespace zv {

namespace {

// A store operation that failed; it ends the session it happened in.
struct EAssocFailure {};

// The keys whose defaults DVD auto-play sets: the icon, the default verb and its command.
constexpr const char* kDVDKeys[3] = {"\\DVD\\DefaultIcon", "\\DVD\\Shell", "\\DVD\\Shell\\Play\\Command"};

} // namespace

TFileTypeMenu ProgramFileTypeMenu(const std::string& exe) {
  return {"Open",
          {{"Open", "", exe + " \"%1\""},
           {"Play", "", exe + " \"%1\""},
           {"Enqueue", "En&queue in Zelvar", exe + "/ADD \"%1\""},
           {"PlayNew", "Play in &new window", exe + "/NEW \"%1\""},
           {"Info", "File &Information", exe + "/INFO \"%1\""}}};
}

TFileTypeAssociator::TFileTypeAssociator(IAssocStore& store, std::string tag) : store_(store), tag_(std::move(tag)) {}

bool TFileTypeAssociator::Session(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const EAssocFailure&) {
    return false;
  }
}

void TFileTypeAssociator::Need(bool ok) const {
  if (!ok)
    throw EAssocFailure{};
}

std::string TFileTypeAssociator::Read(const std::string& key, const std::string& name) const {
  std::string value;
  store_.ReadValue(key, name, value);
  return value;
}

void TFileTypeAssociator::SetDefaultWithBackup(const std::string& key, const std::string& value) {
  std::string old = Read(key);
  if (SameText(old, value))
    return;
  Need(store_.WriteValue(key, Backup(), old));
  Need(store_.WriteValue(key, "", value));
}

void TFileTypeAssociator::RestoreDefault(const std::string& key) {
  std::string old;
  if (!store_.ReadValue(key, Backup(), old))
    return;
  Need(store_.WriteValue(key, "", old));
  Need(store_.DeleteValue(key, Backup()));
}

std::string TFileTypeAssociator::OpenClassKey() {
  std::string dotKey = "\\." + extension_;
  Need(store_.CreateKey(dotKey));
  SetDefaultWithBackup(dotKey, extension_ + "file");
  std::string cls = Read(dotKey);
  Need(!cls.empty());
  classKey_ = "\\" + cls;
  return classKey_;
}

void TFileTypeAssociator::RenameValue(const std::string& key, const std::string& from, const std::string& to) {
  std::string value;
  if (!store_.ReadValue(key, from, value))
    return;
  Need(store_.WriteValue(key, to, value));
  Need(store_.DeleteValue(key, from));
}

void TFileTypeAssociator::MoveSubKey(const std::string& key, const std::string& from, const std::string& to,
                                     bool replace) {
  if (!store_.KeyExists(key + "\\" + from))
    return;
  if (store_.KeyExists(key + "\\" + to)) {
    // Only an older backup of our own is replaced; a key someone else made meanwhile stays.
    if (!replace)
      return;
    Need(store_.DeleteKey(key + "\\" + to));
  }
  Need(store_.MoveKey(key + "\\" + from, key + "\\" + to));
}

void TFileTypeAssociator::SetVerbs(const TFileTypeMenu& menu) {
  std::string shell = OpenClassKey() + "\\Shell";
  Need(store_.CreateKey(shell));
  SetDefaultWithBackup(shell, menu.defaultVerb);
  for (const TFileTypeAction& a : menu.actions) {
    std::string verb = shell + "\\" + a.verb;
    bool existed = store_.KeyExists(verb);
    Need(store_.CreateKey(verb));
    if (!existed)
      Need(store_.WriteValue(verb, tag_ + ".Delete", "Delete"));
    if (!a.caption.empty())
      SetDefaultWithBackup(verb, a.caption);
    RenameValue(verb, "LegacyDisable", tag_ + ".Backup.LegacyDisable");
    MoveSubKey(verb, "DropTarget", tag_ + ".Backup.DropTarget", true);
    MoveSubKey(verb, "ddeexec", tag_ + ".Backup.ddeexec", true);
    Need(store_.CreateKey(verb + "\\Command"));
    SetDefaultWithBackup(verb + "\\Command", a.command);
  }
}

void TFileTypeAssociator::SetDescription(const std::string& description) {
  std::string cls = OpenClassKey();
  Need(store_.CreateKey(cls));
  SetDefaultWithBackup(cls, description);
}

void TFileTypeAssociator::SetIcon(const std::string& icon) {
  std::string key = OpenClassKey() + "\\DefaultIcon";
  Need(store_.CreateKey(key));
  SetDefaultWithBackup(key, icon);
}

void TFileTypeAssociator::Unassociate() {
  Session([this] {
    // Giving a type back never creates a key: a type never associated has nothing to restore.
    std::string dotKey = "\\." + extension_;
    Need(store_.KeyExists(dotKey));
    std::string cls = Read(dotKey);
    RestoreDefault(dotKey);
    if (!SameText(cls, extension_ + "file"))
      return; // the type's class is someone else's
    classKey_ = "\\" + cls;
    RestoreDefault(classKey_);
    RestoreDefault(classKey_ + "\\DefaultIcon");
    std::string shell = classKey_ + "\\Shell";
    if (!store_.KeyExists(shell))
      return;
    RestoreDefault(shell);
    for (const std::string& name : store_.SubKeys(shell)) {
      std::string verb = shell + "\\" + name;
      if (Read(verb, tag_ + ".Delete") == "Delete") {
        Need(store_.DeleteKey(verb));
        continue;
      }
      RestoreDefault(verb);
      RenameValue(verb, tag_ + ".Backup.LegacyDisable", "LegacyDisable");
      MoveSubKey(verb, tag_ + ".Backup.DropTarget", "DropTarget", false);
      MoveSubKey(verb, tag_ + ".Backup.ddeexec", "ddeexec", false);
      RestoreDefault(verb + "\\Command");
    }
  });
}

std::string TFileTypeAssociator::GetDefaultCommand() const {
  std::string command;
  std::string cls = Read("\\." + extension_);
  if (!cls.empty()) {
    std::string verb = Read("\\" + cls + "\\Shell");
    std::string key = "\\" + cls + "\\Shell\\" + verb;
    std::string ignored;
    if (!verb.empty() && !store_.KeyExists(key + "\\DropTarget") && !store_.ReadValue(key, "LegacyDisable", ignored))
      command = Read(key + "\\Command");
  }
  Log("TFileTypeAssociator.GetDefaultCommand(" + command + ")");
  return command;
}

void TDVDAssociator::Associate(const std::string& icon, const std::string& command) {
  TFileTypeAssociator::Session([&] {
    auto need = [](bool ok) {
      if (!ok)
        throw EAssocFailure{};
    };
    need(store_.CreateKey("\\DVD") && store_.WriteValue("\\DVD", "", "Digital Video Disc"));
    const std::string values[3] = {icon, "Play", command};
    std::string backup = tag_ + ".Backup";
    for (int i = 0; i < 3; ++i) {
      const char* key = kDVDKeys[i];
      need(store_.CreateKey(key));
      std::string old, kept;
      store_.ReadValue(key, "", old);
      // A backup already there stays unless the value it would keep is not our own: associating
      // twice must not lose what the desktop had.
      if (!store_.ReadValue(key, backup, kept) || old != values[i])
        need(store_.WriteValue(key, backup, old));
      need(store_.WriteValue(key, "", values[i]));
      if (i == 1)
        need(store_.CreateKey("\\DVD\\Shell\\Play") && store_.WriteValue("\\DVD\\Shell\\Play", "", "Play"));
    }
  });
}

void TDVDAssociator::Unassociate() {
  TFileTypeAssociator::Session([&] {
    // Nothing to give back where the class was never made.
    if (!store_.KeyExists("\\DVD"))
      return;
    if (!store_.WriteValue("\\DVD", "", "Digital Video Disc"))
      throw EAssocFailure{};
    for (const char* k : kDVDKeys) {
      std::string old;
      if (store_.ReadValue(k, tag_ + ".Backup", old) && !store_.WriteValue(k, "", old))
        throw EAssocFailure{};
    }
  });
}

std::string TDVDAssociator::DefaultCommand() const {
  std::string verb, command;
  if (store_.ReadValue("\\DVD\\Shell", "", verb) && !verb.empty())
    store_.ReadValue("\\DVD\\Shell\\" + verb + "\\Command", "", command);
  return command;
}

} // namespace zv
