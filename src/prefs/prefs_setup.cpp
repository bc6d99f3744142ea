#include "prefs/prefs_setup.h"

#include "core/error.h"
#include "core/resources.h"
#include "core/session_log.h"
#include "core/text_util.h"

#include <cstdlib>

namespace zv {

std::string LanguageFromLocale(std::string_view locale) {
  // "de_DE.UTF-8", "ru_RU", "uk", "C": the primary language is the part before "_", "." or "@".
  size_t end = locale.find_first_of("_.@");
  std::string primary = LowerCase(locale.substr(0, end));
  static const std::map<std::string, std::string> kLanguages = {
      {"de", "German"},    {"es", "Spanish"},    {"fr", "French"},    {"nl", "Dutch"},
      {"pl", "Polish"},    {"ro", "Romanian"},   {"ru", "Russian"},   {"tr", "Turkish"},
      {"uk", "Ukrainian"}, {"be", "Belarusian"}, {"lt", "Lithuanian"}};
  auto it = kLanguages.find(primary);
  return it == kLanguages.end() ? "English" : it->second;
}

std::string LanguageFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v)
      return LanguageFromLocale(v);
  }
  return "English";
}

TPrefsEnvironment DefaultPrefsEnvironment() {
  TPrefsEnvironment env;
  env.hintFontCharset = 1;
  env.language = LanguageFromEnvironment();
  return env;
}

std::string_view DefaultPrefsDocument() {
  auto data = FindResource("InitPrefs");
  if (!data)
    throw EZvError("The default preference document is missing from the program", "TCore.InitPrefs");
  return *data;
}

void InitPrefs(TXMLTree& doc, const TPrefsEnvironment& env) {
  TLogScope scope("TCore.InitPrefs");
  doc.LoadFromString(DefaultPrefsDocument());
  TXMLPrefs prefs(doc.Root());
  prefs.SetInt("OSD.Info.Font.Charset", env.hintFontCharset);
  prefs.SetInt("Subtitles.Charset", env.hintFontCharset);
  prefs.SetString("FrontEnd.Language", env.language.empty() ? "English" : env.language);
}

bool TVersionTracker::Upgrade() {
  std::optional<int32_t> build = StrToIntStrict(prefs_.GetString("Build"));
  int b = build.value_or(0);
  if (b < kOldestUpgradable)
    return false;
  const int charset = env_.hintFontCharset;
  struct Step {
    int below;
    std::function<void(TXMLPrefs&)> apply;
  };
  const Step steps[] = {
      {5117,
       [](TXMLPrefs& p) {
         p.SetString("OSD.InfoStr", "{ARTIST} - {TITLE} [{DURATION}]\\r\\n{FORMAT}: ({CODECS})");
         p.SetString("Command.c052", "I|Info");
         p.SetString("Modules.DirectShow.FastRender", "0");
       }},
      {5185,
       [charset](TXMLPrefs& p) {
         p.SetString("OSD.Info.Font.Family", "Arial Narrow");
         p.SetInt("OSD.Info.Font.Size", 22);
         p.SetInt("OSD.Info.Font.Charset", charset);
         p.SetInt("OSD.Info.Font.Color", 16776960);
         p.SetInt("OSD.Info.Font.Bold", 0);
       }},
      {5246, [](TXMLPrefs& p) { p.SetString("Modules.GlobalKeys.MMKeys", "1"); }},
      {5478,
       [charset](TXMLPrefs& p) {
         p.SetString("PlayList.Font.Name", "Arial");
         p.SetInt("PlayList.Font.Size", 11);
         p.SetInt("PlayList.Font.Charset", charset);
         p.SetInt("PlayList.Font.Color", 16776960);
       }},
      {5503, [](TXMLPrefs& p) { p.SetString("OnDone.Rewind", "1"); }},
      {5686, [](TXMLPrefs& p) { p.SetString("Command.c405", "/|*"); }},
      {5698,
       [](TXMLPrefs& p) {
         p.SetString("Playlist.ShowNumbers", "1");
         p.SetString("Command.c502", "Alt+F3|");
       }},
      {5750, [](TXMLPrefs& p) { p.SetString("OnOpen.ApplySettings", "1"); }},
  };
  for (const Step& s : steps)
    if (b < s.below)
      s.apply(prefs_);
  return true;
}

void StampPrefsDocument(TXMLTree& doc, const std::string& productName, const std::string& version,
                        const std::string& build) {
  if (!doc.Root())
    return;
  doc.Root()->SetAttr("name", productName);
  doc.Root()->SetAttr("version", version);
  doc.Root()->SetAttr("build", build);
}

void UpgradePrefs(TXMLTree& doc, std::string_view exeBuild, const TPrefsEnvironment& env) {
  TLogScope scope("TCore.UpgradePrefs");
  TXMLPrefs prefs(doc.Root());
  std::string docBuild = prefs.GetString("build");
  Log("= AppBuild: " + std::string(exeBuild) + ", PrefsBuild: " + docBuild);
  if (docBuild == exeBuild)
    return;
  TVersionTracker tracker(prefs, env);
  if (!tracker.Upgrade())
    InitPrefs(doc, env);
}

} // namespace zv
