#pragma once

#include "commands/blind_notifier.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zv {

class TModelProxy;

// Base of everything registered under a name in the model registry. Models are freed by whoever
// holds them (the registry for registered ones); there is no reference counting.
class TModel {
public:
  TModel() = default;
  explicit TModel(std::function<void()> firstHandler);
  virtual ~TModel() = default;
  TModel(const TModel&) = delete;
  TModel& operator=(const TModel&) = delete;

  TBlindNotifier& OwnNotifier() { return notifier_; }
  TModelProxy* Proxy() const { return proxy_; }
  // The own handlers, then the value subscribers of the name it is registered under.
  void Notify();

private:
  friend class TBasicModelManager;
  TBlindNotifier notifier_;
  TModelProxy* proxy_ = nullptr;
};

// A command: Execute runs the action unless disabled.
class TCommandModel : public TModel {
public:
  explicit TCommandModel(std::function<void()> action = nullptr) : action_(std::move(action)) {}
  void Execute() {
    if (!disabled_ && action_)
      action_();
  }
  bool IsEnabled() const { return !disabled_; }
  void SetDisabled(bool disabled) { disabled_ = disabled; }
  void SetAction(std::function<void()> action) { action_ = std::move(action); }

private:
  std::function<void()> action_;
  bool disabled_ = false;
};

// A signed 32-bit value; setting a different value notifies.
class TSInt32Model : public TModel {
public:
  explicit TSInt32Model(int32_t value = 0, std::function<void()> firstHandler = nullptr)
      : TModel(std::move(firstHandler)), value_(value) {}
  int32_t Get() const { return value_; }
  void Set(int32_t v) {
    if (v == value_)
      return;
    value_ = v;
    Notify();
  }

private:
  int32_t value_;
};

// A text; setting a different text (case-sensitive) notifies.
class TStringModel : public TModel {
public:
  explicit TStringModel(std::string text = {}, std::function<void()> firstHandler = nullptr)
      : TModel(std::move(firstHandler)), text_(std::move(text)) {}
  const std::string& Get() const { return text_; }
  void Set(const std::string& t) {
    if (t == text_)
      return;
    text_ = t;
    Notify();
  }

private:
  std::string text_;
};

// A reference to an object of the program, not owned.
class TObjectModel : public TModel {
public:
  explicit TObjectModel(void* object = nullptr) : object_(object) {}
  void* Object() const { return object_; }

private:
  void* object_;
};

} // namespace zv
