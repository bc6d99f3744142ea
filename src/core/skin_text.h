#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

struct TLocalTime {
  int hour = 0, minute = 0, second = 0;
};

// What the skin text template reads from the running program.
class ISkinTextHost {
public:
  virtual ~ISkinTextHost() = default;
  virtual TLocalTime Now() const = 0;
  virtual bool HasPlayer() const = 0;
  virtual int64_t Position() const = 0; // 100-ns units
  virtual int64_t Duration() const = 0;
  virtual bool HasMainWindow() const = 0;
  virtual std::string MainCaption() const = 0;
};

// The local clock, no player and no main window: what exists before the player and window do.
class TIdleSkinTextHost : public ISkinTextHost {
public:
  TLocalTime Now() const override;
  bool HasPlayer() const override { return false; }
  int64_t Position() const override { return 0; }
  int64_t Duration() const override { return 0; }
  bool HasMainWindow() const override { return false; }
  std::string MainCaption() const override { return {}; }
};

// "{TIME}" (the colon blinks with odd seconds), "{POS}", "{DUR}", "{TITLE}"; case-sensitive.
std::string FormatSkinText(std::string_view tmpl, const ISkinTextHost& host);

} // namespace zv
