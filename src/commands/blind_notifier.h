#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <vector>

namespace zv {

// Identifies a handler by its object and method, so that it can be removed again.
struct THandlerKey {
  const void* object = nullptr;
  std::array<unsigned char, 16> method{};

  friend bool operator==(const THandlerKey&, const THandlerKey&) = default;

  template <class T, class M>
  static THandlerKey Of(const T* obj, M T::*m) {
    static_assert(sizeof(m) <= 16, "member pointer too large");
    THandlerKey k;
    k.object = obj;
    std::memcpy(k.method.data(), &m, sizeof(m));
    return k;
  }
  // A key for a handler that is not a method: an object and a number of the caller's choosing.
  static THandlerKey Tagged(const void* obj, int tag) {
    THandlerKey k;
    k.object = obj;
    std::memcpy(k.method.data(), &tag, sizeof(tag));
    k.method[15] = 0xA5; // never equal to a member pointer of the same bytes
    return k;
  }
};

// An ordered list of handlers taking the same arguments. Removing a handler empties its entry,
// which keeps its place, so a handler may add or remove handlers while a notification runs: a
// removed entry is not called, the others are neither skipped nor repeated, and entries added
// during a notification are first called in the next one.
template <class... Args>
class TNotifierOf {
public:
  using Fn = std::function<void(Args...)>;

  void Add(const THandlerKey& key, Fn fn) { entries_.push_back(Entry{key, std::move(fn), true}); }
  template <class T>
  void Add(T* obj, void (T::*m)(Args...)) {
    Add(THandlerKey::Of(obj, m), [obj, m](Args... a) { (obj->*m)(a...); });
  }

  // Empties every entry of that key.
  void Remove(const THandlerKey& key) {
    for (Entry& e : entries_)
      if (e.active && e.key == key) {
        e.active = false;
        e.fn = nullptr;
      }
    Compact();
  }
  template <class T>
  void Remove(T* obj, void (T::*m)(Args...)) {
    Remove(THandlerKey::Of(obj, m));
  }

  void Notify(Args... args) {
    ++depth_;
    const size_t n = entries_.size();
    for (size_t i = 0; i < n; ++i) {
      if (!entries_[i].active)
        continue;
      Fn fn = entries_[i].fn; // a copy: the handler may change the list while it runs
      fn(args...);
    }
    --depth_;
    Compact();
  }

  size_t Count() const {
    size_t c = 0;
    for (const Entry& e : entries_)
      c += e.active ? 1 : 0;
    return c;
  }
  bool Contains(const THandlerKey& key) const {
    for (const Entry& e : entries_)
      if (e.active && e.key == key)
        return true;
    return false;
  }

private:
  struct Entry {
    THandlerKey key;
    Fn fn;
    bool active;
  };
  // Emptied entries are dropped only while no notification walks the list.
  void Compact() {
    if (depth_ == 0)
      std::erase_if(entries_, [](const Entry& e) { return !e.active; });
  }

  std::vector<Entry> entries_;
  int depth_ = 0;
};

// Handlers without arguments.
using TBlindNotifier = TNotifierOf<>;

} // namespace zv
