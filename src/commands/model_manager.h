#pragma once

#include "commands/model.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zv {

// One per name ever used: the model registered under it (owned) and the name's subscribers.
class TModelProxy {
public:
  explicit TModelProxy(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  TModel* Model() const { return model_.get(); }
  // Told when a model is set under the name, replaced or removed.
  TBlindNotifier& LinkNotifier() { return link_; }
  // Told at the same moments and whenever the model notifies.
  TBlindNotifier& ValueNotifier() { return value_; }

private:
  friend class TBasicModelManager;
  std::string name_;
  std::unique_ptr<TModel> model_;
  TBlindNotifier link_;
  TBlindNotifier value_;
};

// Models by dotted name ("App.SuperPlay", "Audio.Mute"); names match without regard to case. A
// name can be looked up and subscribed to before anything is registered under it.
class TBasicModelManager {
public:
  TBasicModelManager() = default;
  virtual ~TBasicModelManager();
  TBasicModelManager(const TBasicModelManager&) = delete;
  TBasicModelManager& operator=(const TBasicModelManager&) = delete;

  // The proxy of the name, created when missing.
  TModelProxy& Proxy(std::string_view name);
  // Sets the model of the name (the registry owns it from now on) and tells the subscribers. A
  // model registered under the name before is unlinked from it but not freed: whoever still
  // holds it may use it until the registry itself goes. Returns the new model.
  template <class M>
  M* Register(std::string_view name, std::unique_ptr<M> model) {
    M* raw = model.get();
    RegisterModel(name, std::unique_ptr<TModel>(std::move(model)));
    return raw;
  }
  void RegisterModel(std::string_view name, std::unique_ptr<TModel> model);
  // Removes the model of the name (telling the subscribers first) and frees it.
  void Unregister(std::string_view name);
  TModel* GetModel(std::string_view name);

  void SubscribeLink(std::string_view name, const THandlerKey& key, std::function<void()> fn);
  void UnsubscribeLink(std::string_view name, const THandlerKey& key);
  // Both the link and the value notifications.
  void Subscribe(std::string_view name, const THandlerKey& key, std::function<void()> fn);
  void Unsubscribe(std::string_view name, const THandlerKey& key);

  // Runs a command model; flips an integer model between 0 and 1; anything else does nothing.
  void Execute(std::string_view name);
  int32_t GetInt(std::string_view name);
  void SetInt(std::string_view name, int32_t v);
  std::string GetString(std::string_view name);
  void SetString(std::string_view name, const std::string& t);

  size_t ProxyCount() const { return order_.size(); }

private:
  TModelProxy* Find(std::string_view name);
  std::unique_ptr<TModel> Relink(TModelProxy& proxy, std::unique_ptr<TModel> model);
  std::vector<std::unique_ptr<TModelProxy>> order_;
  std::vector<std::unique_ptr<TModel>> retired_;         // replaced models, kept until the registry goes
  std::unordered_map<std::string, TModelProxy*> byName_; // upper-cased name
};

class TModelManager : public TBasicModelManager {};

// Registers models only where none exists yet, and unregisters what it registered.
class TLazyModeller {
public:
  explicit TLazyModeller(TBasicModelManager& manager) : manager_(manager), named_(*this) {}
  ~TLazyModeller() { UnregisterAll(); }
  TLazyModeller(const TLazyModeller&) = delete;
  TLazyModeller& operator=(const TLazyModeller&) = delete;

  void RegisterCommand(std::string_view name, std::function<void()> action);
  void SetInt(std::string_view name, int32_t v);
  void SetString(std::string_view name, const std::string& t);
  void UnregisterAll();
  const std::vector<std::string>& Names() const { return names_; }

  // The operations above for one name; the carrier is shared, a second call renames it.
  class TNamed {
  public:
    explicit TNamed(TLazyModeller& owner) : owner_(owner) {}
    TNamed& SetInt(int32_t v) {
      owner_.SetInt(name_, v);
      return *this;
    }
    TNamed& SetString(const std::string& t) {
      owner_.SetString(name_, t);
      return *this;
    }
    TNamed& RegisterCommand(std::function<void()> action) {
      owner_.RegisterCommand(name_, std::move(action));
      return *this;
    }
    // Adds a handler to the own notifier of the model under the name, if there is one.
    TNamed& Subscribe(const THandlerKey& key, std::function<void()> fn);
    const std::string& Name() const { return name_; }

  private:
    friend class TLazyModeller;
    TLazyModeller& owner_;
    std::string name_;
  };
  TNamed& Named(std::string_view name) {
    named_.name_ = name;
    return named_;
  }

private:
  bool Remember(std::string_view name);
  TBasicModelManager& manager_;
  std::vector<std::string> names_;
  TNamed named_;
};

} // namespace zv
