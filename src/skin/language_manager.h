#pragma once

#include "core/stream.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The table of user-visible texts: lines "key=value" kept in ordinal order of the whole line.
// Keys are replaced case-sensitively but looked up without regard to case; values hold line breaks
// as CR LF ("\n" in files).
class TLanguageManager {
public:
  void Clear() { table_.clear(); }
  // Silently ignores a file that cannot be read. Files that are not UTF-8 are decoded from the
  // given Windows code page.
  void LoadFromFile(const std::string& path, int fallbackCodePage = 1252);
  // A built-in text table ("LangEn", "LangRu"); silently ignored when the program has none.
  void LoadFromResource(std::string_view name);
  void LoadFromStream(TStream* stream, int fallbackCodePage = 1252);
  void LoadFromText(std::string_view bytes, int fallbackCodePage = 1252);

  // Stores one "key=value" line (the file form, after trimming and "\n" conversion).
  void Set(std::string_view line);
  // The value of the key (any case); a missing key gives "<key>" and is remembered so.
  std::string Get(std::string_view key);
  bool Has(std::string_view key) const;

  // Writes every line in order, line breaks as "\n", CR LF line ends; raises EZvError on failure.
  void SaveToFile(const std::string& path) const;
  // Every line in sorted order.
  std::vector<std::string> Lines() const;
  void CopyTo(std::vector<std::string>& list) const;
  size_t Count() const;

private:
  void LoadLine(std::string_view raw);
  // Upper-cased key -> (exact key -> value); the inner order is the order of the whole lines.
  std::map<std::string, std::map<std::string, std::string>> table_;
};

// The program's language table, reached by Lang(); none before start-up creates it.
void SetLanguageManager(TLanguageManager* manager);
TLanguageManager* LanguageManager();
// The text of a language key; "{key}" while no language table exists.
std::string Lang(std::string_view key);

// Loads the texts of a language: the built-in English ones, over them the built-in Russian ones
// ("Russian") or the file <program folder>Langs/<language>.txt (any other name but "English").
void LoadProgramLanguage(TLanguageManager& manager, const std::string& language, const std::string& exeDir);

} // namespace zv
