#include "skin/language_manager.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/resources.h"
#include "core/text_codec.h"
#include "core/text_util.h"

#include <algorithm>

namespace zv {

namespace {
TLanguageManager* g_manager = nullptr;

// Trims blanks and control characters (every byte up to and including the blank).
std::string_view TrimLine(std::string_view s) { return Trim(s); }
} // namespace

void TLanguageManager::LoadLine(std::string_view raw) {
  std::string_view line = TrimLine(raw);
  if (line.empty() || line[0] == '#' || line[0] == ';')
    return;
  if (line.find('=') == std::string_view::npos)
    return;
  Set(ReplaceAll(line, "\\n", "\r\n"));
}

void TLanguageManager::LoadFromText(std::string_view bytes, int fallbackCodePage) {
  std::string text = DecodeText(bytes, fallbackCodePage);
  TMemoryStream m(text);
  TTextStream reader(m);
  while (!reader.Eof())
    LoadLine(reader.ReadLine());
}

void TLanguageManager::LoadFromStream(TStream* stream, int fallbackCodePage) {
  if (!stream)
    return;
  std::string bytes;
  char buf[65536];
  for (;;) {
    int64_t n = stream->Read(buf, sizeof buf);
    if (n <= 0)
      break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  LoadFromText(bytes, fallbackCodePage);
}

void TLanguageManager::LoadFromFile(const std::string& path, int fallbackCodePage) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const EZvError&) {
    return;
  }
  LoadFromText(bytes, fallbackCodePage);
}

void TLanguageManager::LoadFromResource(std::string_view name) {
  if (auto data = FindResource(name))
    LoadFromText(*data);
}

void TLanguageManager::Set(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos)
    return;
  std::string key(line.substr(0, eq));
  table_[UpperCase(key)][key] = std::string(line.substr(eq + 1));
}

std::string TLanguageManager::Get(std::string_view key) {
  auto it = table_.find(UpperCase(key));
  if (it != table_.end() && !it->second.empty())
    return it->second.begin()->second;
  std::string placeholder = "<" + std::string(key) + ">";
  Set(std::string(key) + "=" + placeholder);
  return placeholder;
}

bool TLanguageManager::Has(std::string_view key) const {
  auto it = table_.find(UpperCase(key));
  return it != table_.end() && !it->second.empty();
}

std::vector<std::string> TLanguageManager::Lines() const {
  std::vector<std::string> lines;
  for (const auto& [upper, variants] : table_)
    for (const auto& [key, value] : variants)
      lines.push_back(key + "=" + value);
  std::sort(lines.begin(), lines.end());
  return lines;
}

void TLanguageManager::CopyTo(std::vector<std::string>& list) const {
  std::vector<std::string> lines = Lines();
  list.insert(list.end(), lines.begin(), lines.end());
}

size_t TLanguageManager::Count() const {
  size_t n = 0;
  for (const auto& entry : table_)
    n += entry.second.size();
  return n;
}

void TLanguageManager::SaveToFile(const std::string& path) const {
  std::string out;
  for (const std::string& line : Lines()) {
    // Line breaks become "\n" again; a lone CR or LF, which a file line cannot hold, goes too.
    std::string l = ReplaceAll(line, "\r\n", "\\n");
    l = ReplaceAll(l, "\n", "\\n");
    l.erase(std::remove(l.begin(), l.end(), '\r'), l.end());
    out += l;
    out += "\r\n";
  }
  WriteFileAtomic(path, out);
}

void SetLanguageManager(TLanguageManager* manager) { g_manager = manager; }

TLanguageManager* LanguageManager() { return g_manager; }

std::string Lang(std::string_view key) {
  if (!g_manager)
    return "{" + std::string(key) + "}";
  return g_manager->Get(key);
}

namespace {
// The Windows code page a language file written for that language most likely uses.
int CodePageOfLanguage(const std::string& language) {
  static const std::pair<const char*, int> kPages[] = {{"Russian", 1251}, {"Ukrainian", 1251}, {"Belarusian", 1251},
                                                       {"Polish", 1250},  {"Romanian", 1250},  {"Lithuanian", 1257},
                                                       {"Turkish", 1254}};
  for (const auto& [name, page] : kPages)
    if (SameText(language, name))
      return page;
  return 1252;
}
} // namespace

void LoadProgramLanguage(TLanguageManager& manager, const std::string& language, const std::string& exeDir) {
  manager.Clear();
  manager.LoadFromResource("LangEn");
  if (language == "Russian")
    manager.LoadFromResource("LangRu");
  else if (language != "English")
    manager.LoadFromFile(exeDir + "Langs/" + language + ".txt", CodePageOfLanguage(language));
}

} // namespace zv
