#include "commands/model.h"

#include "commands/model_manager.h"

namespace zv {

TModel::TModel(std::function<void()> firstHandler) {
  if (firstHandler)
    notifier_.Add(THandlerKey::Tagged(this, 0), std::move(firstHandler));
}

void TModel::Notify() {
  notifier_.Notify();
  if (proxy_)
    proxy_->ValueNotifier().Notify();
}

} // namespace zv
