#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

// Typed access to preference keys by dotted path. Reads never fail: a missing key reads as empty
// text, false or 0.
class IPrefs {
public:
  virtual ~IPrefs() = default;
  virtual std::string GetString(std::string_view path) = 0;
  virtual void SetString(std::string_view path, std::string_view value) = 0;
  virtual bool GetBool(std::string_view path) = 0;
  virtual void SetBool(std::string_view path, bool value) = 0;
  virtual int32_t GetInt(std::string_view path) = 0;
  virtual void SetInt(std::string_view path, int32_t value) = 0;
};

// The stored text of a key, or `def` when it is empty or there are no preferences.
inline std::string Pref(IPrefs* prefs, std::string_view key, std::string_view def) {
  std::string v = prefs ? prefs->GetString(key) : std::string();
  return v.empty() ? std::string(def) : v;
}

} // namespace zv
