#pragma once

#include "commands/blind_notifier.h"
#include "commands/model.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class TEntity;

// A name of the second skin framework's entity registry, with the entity set under it (if any)
// and the handlers told when it changes.
class TEntityHolder {
public:
  explicit TEntityHolder(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  TEntity* Entity() const { return entity_; }
  TNotifierOf<TEntityHolder&>& Handlers() { return handlers_; }
  // Called with the holder after a handler was added or removed.
  std::function<void(TEntityHolder&)> onAdd, onRemove;
  void Notify() { handlers_.Notify(*this); }

private:
  friend class TEntityManager;
  std::string name_;
  TEntity* entity_ = nullptr; // owned by the manager
  TNotifierOf<TEntityHolder&> handlers_;
};

class TEntity : public TModel {
public:
  TEntityHolder* Holder() const { return holder_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) { enabled_ = e; }
  std::function<void(TEntityHolder&)> ownerCallback;

private:
  friend class TEntityManager;
  TEntityHolder* holder_ = nullptr;
  bool enabled_ = true;
};

// Three numbers (minimum, value, maximum) and an action.
class TBasicEntity : public TEntity {
public:
  int64_t minimum = 0, value = 0, maximum = 0;
  std::function<void(TEntityHolder&)> executeAction;
};

// A text and an action run when it changes through Execute.
class TStringEntity : public TEntity {
public:
  std::string text;
  std::function<void(TEntityHolder&)> changeAction;
};

// A list of texts and the callback of the page that shows them.
class TStringListEntity : public TEntity {
public:
  std::vector<std::string> items;
  std::function<void(TEntityHolder&)> callback;
};

// The entity registry of the second skin framework.
class TEntityManager {
public:
  TEntityManager() = default;
  ~TEntityManager();
  TEntityManager(const TEntityManager&) = delete;
  TEntityManager& operator=(const TEntityManager&) = delete;

  // The holder of the name before the first "(" (any case), created when missing.
  TEntityHolder& Holder(std::string_view text);
  // "Name(argument)": runs a basic entity's action, or gives a string entity the argument as its
  // text and runs its change action.
  void Execute(std::string_view text);
  // Links the entity (owned from now on) to the name and tells the name's handlers.
  TEntity* SetEntity(std::string_view name, std::unique_ptr<TEntity> entity);

  int64_t GetNumber(std::string_view name);
  void SetNumber(std::string_view name, int64_t v);
  std::string GetText(std::string_view name);
  void SetText(std::string_view name, const std::string& t);

  void Subscribe(std::string_view name, const THandlerKey& key, std::function<void(TEntityHolder&)> fn);
  void Unsubscribe(std::string_view name, const THandlerKey& key);

  void PushToQueue(const std::string& text);
  std::deque<std::string>& Queue() { return queue_; }
  void NotifyOwner(TEntityHolder& holder);
  size_t HolderCount() const { return holders_.size(); }

private:
  std::vector<std::unique_ptr<TEntityHolder>> holders_;
  std::vector<std::unique_ptr<TEntity>> entities_;
  std::deque<std::string> queue_;
};

// The keyboard manager of the second skin framework: hot keys bound to entity texts, and the key
// texts shown beside menu items. Nothing fills either list yet, so lookups find nothing.
class TKeyboardManager {
public:
  struct THotKey {
    int id;
    std::string entityText;
  };
  struct TKeyMapEntry {
    std::string context, action, keyText;
  };

  explicit TKeyboardManager(TEntityManager& entities) : entities_(entities) {}
  // A hot key of that identifier was pressed.
  void HotKeyPressed(int id);
  // The key text of the last entry for the action in the menu's context ("*" matches any).
  std::string KeyTextFor(std::string_view menuContext, std::string_view action) const;

  std::vector<THotKey>& HotKeys() { return hotKeys_; }
  std::vector<TKeyMapEntry>& KeyMap() { return keyMap_; }

private:
  TEntityManager& entities_;
  std::vector<THotKey> hotKeys_;
  std::vector<TKeyMapEntry> keyMap_;
};

} // namespace zv
