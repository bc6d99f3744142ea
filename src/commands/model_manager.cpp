#include "commands/model_manager.h"

#include "core/session_log.h"
#include "core/text_util.h"

namespace zv {

TBasicModelManager::~TBasicModelManager() {
  Log("TBasicModelManager.Destroy: Proxies left=" + std::to_string(order_.size()));
  for (auto& p : order_)
    if (p->model_) {
      Log("!TBasicModelManager.Destroy: Not freed entity=\"" + p->name_ + "\"");
      p->model_->proxy_ = nullptr;
      p->model_.reset();
    }
}

TModelProxy* TBasicModelManager::Find(std::string_view name) {
  auto it = byName_.find(UpperCase(name));
  return it == byName_.end() ? nullptr : it->second;
}

TModelProxy& TBasicModelManager::Proxy(std::string_view name) {
  if (TModelProxy* p = Find(name))
    return *p;
  order_.push_back(std::make_unique<TModelProxy>(std::string(name)));
  TModelProxy* p = order_.back().get();
  byName_[UpperCase(name)] = p;
  return *p;
}

// Sets the proxy's model and notifies; returns the model that was there.
std::unique_ptr<TModel> TBasicModelManager::Relink(TModelProxy& proxy, std::unique_ptr<TModel> model) {
  std::unique_ptr<TModel> old = std::move(proxy.model_);
  if (old)
    old->proxy_ = nullptr;
  if (model)
    model->proxy_ = &proxy;
  proxy.model_ = std::move(model);
  proxy.link_.Notify();
  proxy.value_.Notify();
  return old;
}

void TBasicModelManager::RegisterModel(std::string_view name, std::unique_ptr<TModel> model) {
  TModelProxy& proxy = Proxy(name);
  std::unique_ptr<TModel> old = Relink(proxy, std::move(model));
  if (old) {
    Log("TBasicModelManager.Register: replaced the model of \"" + proxy.name_ + "\"");
    retired_.push_back(std::move(old));
  }
}

void TBasicModelManager::Unregister(std::string_view name) {
  TModelProxy* proxy = Find(name);
  if (!proxy || !proxy->model_)
    return;
  // The subscribers let go of the model before it is freed.
  Relink(*proxy, nullptr).reset();
}

TModel* TBasicModelManager::GetModel(std::string_view name) { return Proxy(name).Model(); }

void TBasicModelManager::SubscribeLink(std::string_view name, const THandlerKey& key, std::function<void()> fn) {
  Proxy(name).LinkNotifier().Add(key, std::move(fn));
}

void TBasicModelManager::UnsubscribeLink(std::string_view name, const THandlerKey& key) {
  Proxy(name).LinkNotifier().Remove(key);
}

void TBasicModelManager::Subscribe(std::string_view name, const THandlerKey& key, std::function<void()> fn) {
  TModelProxy& p = Proxy(name);
  p.LinkNotifier().Add(key, fn);
  p.ValueNotifier().Add(key, std::move(fn));
}

void TBasicModelManager::Unsubscribe(std::string_view name, const THandlerKey& key) {
  TModelProxy& p = Proxy(name);
  p.LinkNotifier().Remove(key);
  p.ValueNotifier().Remove(key);
}

void TBasicModelManager::Execute(std::string_view name) {
  Log("Execute:" + std::string(name));
  if (name.empty())
    return;
  TModel* m = GetModel(name);
  if (auto* c = dynamic_cast<TCommandModel*>(m))
    c->Execute();
  else if (auto* i = dynamic_cast<TSInt32Model*>(m))
    i->Set(i->Get() == 0 ? 1 : 0);
}

int32_t TBasicModelManager::GetInt(std::string_view name) {
  auto* i = dynamic_cast<TSInt32Model*>(GetModel(name));
  return i ? i->Get() : 0;
}

void TBasicModelManager::SetInt(std::string_view name, int32_t v) {
  if (auto* i = dynamic_cast<TSInt32Model*>(GetModel(name)))
    i->Set(v);
}

std::string TBasicModelManager::GetString(std::string_view name) {
  auto* s = dynamic_cast<TStringModel*>(GetModel(name));
  return s ? s->Get() : std::string();
}

void TBasicModelManager::SetString(std::string_view name, const std::string& t) {
  if (auto* s = dynamic_cast<TStringModel*>(GetModel(name)))
    s->Set(t);
}

bool TLazyModeller::Remember(std::string_view name) {
  if (manager_.GetModel(name))
    return false;
  names_.emplace_back(name);
  return true;
}

void TLazyModeller::RegisterCommand(std::string_view name, std::function<void()> action) {
  if (Remember(name))
    manager_.Register(name, std::make_unique<TCommandModel>(std::move(action)));
}

void TLazyModeller::SetInt(std::string_view name, int32_t v) {
  if (Remember(name))
    manager_.Register(name, std::make_unique<TSInt32Model>(v));
  manager_.SetInt(name, v);
}

void TLazyModeller::SetString(std::string_view name, const std::string& t) {
  if (Remember(name))
    manager_.Register(name, std::make_unique<TStringModel>(t));
  manager_.SetString(name, t);
}

void TLazyModeller::UnregisterAll() {
  std::vector<std::string> names = std::move(names_);
  names_.clear();
  for (const std::string& n : names)
    manager_.Unregister(n);
}

TLazyModeller::TNamed& TLazyModeller::TNamed::Subscribe(const THandlerKey& key, std::function<void()> fn) {
  if (TModel* m = owner_.manager_.GetModel(name_))
    m->OwnNotifier().Add(key, std::move(fn));
  return *this;
}

} // namespace zv
