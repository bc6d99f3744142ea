#pragma once

#include "core/prefs_access.h"
#include "core/text_util.h"

#include <map>
#include <string>

namespace zvtest {

// Preference values in a map, with the store's encodings; keys match without regard to case.
class MapPrefs : public zv::IPrefs {
public:
  std::string GetString(std::string_view path) override { return values[zv::UpperCase(path)]; }
  void SetString(std::string_view path, std::string_view value) override { values[zv::UpperCase(path)] = value; }
  bool GetBool(std::string_view path) override {
    std::string v = GetString(path);
    return v == "1" || zv::SameText(v, "yes") || zv::SameText(v, "on");
  }
  void SetBool(std::string_view path, bool value) override { SetString(path, value ? "1" : "0"); }
  int32_t GetInt(std::string_view path) override { return zv::StrToIntDef(GetString(path), 0); }
  void SetInt(std::string_view path, int32_t value) override { SetString(path, std::to_string(value)); }
  std::map<std::string, std::string> values;
};

} // namespace zvtest
