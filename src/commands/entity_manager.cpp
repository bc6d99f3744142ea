#include "commands/entity_manager.h"

#include "core/session_log.h"
#include "core/text_util.h"

namespace zv {

TEntityManager::~TEntityManager() {
  Log("TEntityManager.Destroy: Entity holders left=" + std::to_string(holders_.size()));
  for (auto& h : holders_)
    if (h->entity_)
      Log("TEntityManager.Destroy: Not freed entity=" + h->name_);
}

TEntityHolder& TEntityManager::Holder(std::string_view text) {
  std::string_view name = text.substr(0, text.find('('));
  for (auto it = holders_.rbegin(); it != holders_.rend(); ++it)
    if (SameText((*it)->name_, name))
      return **it;
  holders_.push_back(std::make_unique<TEntityHolder>(std::string(name)));
  return *holders_.back();
}

void TEntityManager::Execute(std::string_view text) {
  Log("TEntityManager.Execute(" + std::string(text) + ")");
  TEntityHolder& h = Holder(text);
  std::string arg;
  size_t open = text.find('(');
  if (open != std::string_view::npos && text.size() >= open + 2)
    arg = std::string(text.substr(open + 1, text.size() - open - 2));
  if (auto* b = dynamic_cast<TBasicEntity*>(h.entity_)) {
    if (b->executeAction)
      b->executeAction(h);
  } else if (auto* s = dynamic_cast<TStringEntity*>(h.entity_)) {
    s->text = arg;
    if (s->changeAction)
      s->changeAction(h);
  }
}

TEntity* TEntityManager::SetEntity(std::string_view name, std::unique_ptr<TEntity> entity) {
  TEntityHolder& h = Holder(name);
  TEntity* raw = entity.get();
  if (raw) {
    raw->holder_ = &h;
    entities_.push_back(std::move(entity));
  }
  h.entity_ = raw;
  h.Notify();
  return raw;
}

int64_t TEntityManager::GetNumber(std::string_view name) {
  auto* b = dynamic_cast<TBasicEntity*>(Holder(name).entity_);
  return b ? b->value : 0;
}

void TEntityManager::SetNumber(std::string_view name, int64_t v) {
  TEntityHolder& h = Holder(name);
  if (auto* b = dynamic_cast<TBasicEntity*>(h.entity_)) {
    b->value = v;
    h.Notify();
  }
}

std::string TEntityManager::GetText(std::string_view name) {
  auto* s = dynamic_cast<TStringEntity*>(Holder(name).entity_);
  return s ? s->text : std::string();
}

void TEntityManager::SetText(std::string_view name, const std::string& t) {
  TEntityHolder& h = Holder(name);
  if (auto* s = dynamic_cast<TStringEntity*>(h.entity_)) {
    s->text = t;
    h.Notify();
  }
}

void TEntityManager::Subscribe(std::string_view name, const THandlerKey& key, std::function<void(TEntityHolder&)> fn) {
  TEntityHolder& h = Holder(name);
  h.handlers_.Add(key, std::move(fn));
  if (h.onAdd)
    h.onAdd(h);
}

void TEntityManager::Unsubscribe(std::string_view name, const THandlerKey& key) {
  TEntityHolder& h = Holder(name);
  h.handlers_.Remove(key);
  if (h.onRemove)
    h.onRemove(h);
}

void TEntityManager::PushToQueue(const std::string& text) {
  Log("TEntityManager.PushToQueue(" + text + ")");
  if (!text.empty())
    queue_.push_back(text);
}

void TEntityManager::NotifyOwner(TEntityHolder& holder) {
  if (!holder.entity_) {
    Log("TEntityHolder(" + holder.name_ + ").NotifyOwner - !not(Assigned(Entity))");
    return;
  }
  if (holder.entity_->ownerCallback) {
    Log("TEntityHolder(" + holder.name_ + ").NotifyOwner");
    holder.entity_->ownerCallback(holder);
  }
}

void TKeyboardManager::HotKeyPressed(int id) {
  for (const THotKey& k : hotKeys_)
    if (k.id == id)
      entities_.Execute(k.entityText);
}

std::string TKeyboardManager::KeyTextFor(std::string_view menuContext, std::string_view action) const {
  for (auto it = keyMap_.rbegin(); it != keyMap_.rend(); ++it)
    if (SameText(it->action, action) && (menuContext == "*" || SameText(it->context, menuContext)))
      return it->keyText;
  return {};
}

} // namespace zv
