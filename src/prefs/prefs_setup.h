#pragma once

#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zv {

// What the default document takes from the machine.
struct TPrefsEnvironment {
  int hintFontCharset = 1; // character set of the desktop's default small font
  std::string language;    // FrontEnd.Language for a first start
};

// The user's language from LC_ALL, LC_MESSAGES or LANG (the first one set): "German", "Russian",
// ...; English and every language without a translation of its own give "English".
std::string LanguageFromLocale(std::string_view locale);
std::string LanguageFromEnvironment();
TPrefsEnvironment DefaultPrefsEnvironment();

// The built-in default document.
std::string_view DefaultPrefsDocument();

// Replaces the document by the default one and fills in the character sets and the language.
void InitPrefs(TXMLTree& doc, const TPrefsEnvironment& env);

// Brings a document written by another build up to this one.
class TVersionTracker {
public:
  // The oldest build whose preferences can be upgraded; older ones are replaced by the defaults.
  static constexpr int kOldestUpgradable = 5041;

  TVersionTracker(TXMLPrefs& prefs, const TPrefsEnvironment& env) : prefs_(prefs), env_(env) {}
  // Runs every step whose threshold the document's build is below; false when the document is too
  // old (or its build is not a number) and must be replaced.
  bool Upgrade();

private:
  TXMLPrefs& prefs_;
  const TPrefsEnvironment& env_;
};

// Marks the document as written by this program: the root's name, version and build attributes.
void StampPrefsDocument(TXMLTree& doc, const std::string& productName, const std::string& version,
                        const std::string& build);

// Compares the document's build with the program's and upgrades or replaces the document.
void UpgradePrefs(TXMLTree& doc, std::string_view exeBuild, const TPrefsEnvironment& env);

} // namespace zv
