#pragma once

#include "prefs/xml_tree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zv {

// A small XML store of per-file entries kept in order of last use: the first child of the root is
// the least recently used. Every lookup that finds an entry moves it to the end and stamps its
// "used" attribute; at save only the 256 most recently used entries are kept.
class TMediaStore {
public:
  static constexpr size_t kMaxEntries = 256;

  struct TConfig {
    std::string logName;   // "TMediaSettings", "TMediaCache"
    std::string fileName;  // "ms.xml", "mc.xml"
    std::string rootName;  // "MEDIASETTINGS", "MEDIACACHE"
    std::string entryName; // "MEDIA", "FILE"
    bool keyIgnoresCase = true;
  };

  // `folder` gives the folder of the file (trailing "/") each time the store loads or saves.
  TMediaStore(TConfig config, std::function<std::string()> folder);
  virtual ~TMediaStore() = default;

  void Load();
  // Trims to 256 entries and writes the file; a failure is swallowed (the log has it).
  void Save();
  // The entry of that key, refreshed; none when missing.
  TXMLNode* FindEntry(std::string_view key);
  // The entry of that key, appended when missing; refreshed either way.
  TXMLNode* EnsureEntry(std::string_view key);

  TXMLNode* Root() const { return doc_.Root(); }
  std::string FilePath() const { return folder_() + config_.fileName; }
  size_t EntryCount() const { return doc_.Root() ? doc_.Root()->ChildCount() : 0; }

  // Seconds since 2000-01-01 00:00:00 local time, the value of "used"; replaceable for tests.
  std::function<int64_t()> usedClock;
  static int64_t LocalSecondsSince2000();

private:
  void FreshRoot();
  void Refresh(TXMLNode* entry);

  TConfig config_;
  std::function<std::string()> folder_;
  TXMLTree doc_;
};

// Position and picture settings per file, keyed by the hash of the file's first 64 KiB.
class TMediaSettings : public TMediaStore {
public:
  explicit TMediaSettings(std::function<std::string()> folder);
};

// Duration and hash per full path; two paths that differ in letter case are two files.
class TMediaCache : public TMediaStore {
public:
  explicit TMediaCache(std::function<std::string()> folder);
  // MD5 of the file's first 64 KiB as 32 upper-case hexadecimal digits; empty when unreadable.
  static std::string GetFile64KHash(const std::string& path);
};

} // namespace zv
