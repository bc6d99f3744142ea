#pragma once

#include "commands/key_names.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The twelve actions global hot keys can have: the name stored with a key (in the preference
// document), the action's name and its command code.
struct THotKeyAction {
  const char* storedName;
  const char* action;
  int code;
  const char* defaultKey;
};
const std::vector<THotKeyAction>& HotKeyActions();
// "wrong result" for a stored name outside the table.
std::string ActionOfStoredName(std::string_view storedName);
// The code of an action name (case ignored); 0 for none.
int CodeOfAction(std::string_view action);

// The desktop's system-wide keys. Register is false when the desktop refuses the key (another
// program holds it) or the key has no place on this keyboard.
class IHotKeyBackend {
public:
  virtual ~IHotKeyBackend() = default;
  virtual bool Register(int id, TShiftState modifiers, int vk) = 0;
  virtual void Unregister(int id) = 0;
  // A registered key was pressed.
  std::function<void(int id)> onHotKey;
};
// Key grabs on the X11 root window; none without an X11 display (Wayland, offscreen).
std::unique_ptr<IHotKeyBackend> MakeX11HotKeys();

// While set, hot keys do nothing (the preferences' page of global keys is shown).
bool& HotKeysSuppressed();

// The running hot-key module: registers each stored key with its action when made, posts the
// action's command when one is pressed, and unregisters all of them when it goes.
class TGlobalKeys {
public:
  struct TStoredKey {
    std::string name, key;
  };
  // `backend` none: nothing is registered (logged).
  TGlobalKeys(std::unique_ptr<IHotKeyBackend> backend, const std::vector<TStoredKey>& keys,
              std::function<void(int code)> post);
  ~TGlobalKeys();
  TGlobalKeys(const TGlobalKeys&) = delete;
  TGlobalKeys& operator=(const TGlobalKeys&) = delete;

  // Registers one key text for an action; false when it could not be registered (the entry
  // stays, as the desktop may free the key later only for a new module).
  bool AddHotKey(const std::string& key, const std::string& action);
  void ExecAction(const std::string& action);
  void UnregisterHotKeys();
  // The hot-key message of an identifier: every entry of it runs, in order.
  void OnHotKey(int id);

private:
  std::unique_ptr<IHotKeyBackend> backend_;
  std::function<void(int)> post_;
  std::map<std::string, int> ids_; // one identifier per key text
  std::vector<std::pair<int, std::string>> entries_;
  std::vector<int> registered_;
};

} // namespace zv
