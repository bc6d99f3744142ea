#include "core/skin_text.h"

#include "core/format.h"
#include "core/system_helper.h"
#include "core/text_util.h"

#include <ctime>

namespace zv {

TLocalTime TIdleSkinTextHost::Now() const {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return TLocalTime{tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string FormatSkinText(std::string_view tmpl, const ISkinTextHost& host) {
  std::string s(tmpl);
  if (s.find("{TIME}") != std::string::npos) {
    TLocalTime t = host.Now();
    s = ReplaceAll(s, "{TIME}", Format("%.2d%s%.2d", t.hour, t.second % 2 == 0 ? ":" : " ", t.minute));
  }
  if (s.find("{POS}") != std::string::npos)
    s = ReplaceAll(s, "{POS}", host.HasPlayer() ? FormatTime("{H}:{M}:{S}", host.Position()) : "0:00:00");
  if (s.find("{DUR}") != std::string::npos)
    s = ReplaceAll(s, "{DUR}", host.HasPlayer() ? FormatTime("{H}:{M}:{S}", host.Duration()) : "0:00:00");
  if (s.find("{TITLE}") != std::string::npos)
    s = ReplaceAll(s, "{TITLE}", host.HasMainWindow() ? host.MainCaption() : "Zelvar");
  return s;
}

} // namespace zv
