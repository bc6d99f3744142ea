#include "prefs/media_store.h"

#include "core/error.h"
#include "core/md5.h"
#include "core/session_log.h"
#include "core/stream.h"
#include "core/text_util.h"
#include "prefs/store_folder.h"

#include <chrono>
#include <ctime>

namespace zv {

TMediaStore::TMediaStore(TConfig config, std::function<std::string()> folder)
    : config_(std::move(config)), folder_(std::move(folder)) {
  FreshRoot();
}

int64_t TMediaStore::LocalSecondsSince2000() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  double utc = duration<double>(now.time_since_epoch()).count();
  // 946684800 is 2000-01-01 00:00:00 UTC; adding the zone offset counts in local time.
  return RoundHalfEven(utc + static_cast<double>(local.tm_gmtoff) - 946684800.0);
}

void TMediaStore::FreshRoot() {
  auto root = std::make_unique<TXMLNode>(config_.rootName);
  root->SetAttr("app", "Zelvar");
  doc_.SetRoot(std::move(root));
}

void TMediaStore::Load() {
  TLogScope scope(config_.logName + ".Load");
  // A file that cannot be opened, or holds no element at all, starts a fresh store.
  if (!doc_.LoadFromFile(StoreFileToRead(FilePath())) || !doc_.Root())
    FreshRoot();
}

void TMediaStore::Save() {
  TLogScope scope(config_.logName + ".Save");
  try {
    TXMLNode* root = doc_.Root();
    if (!root)
      return;
    while (root->ChildCount() > kMaxEntries)
      root->DeleteChild(root->Child(0));
    doc_.SaveToFile(FilePath());
  } catch (const std::exception& e) {
    Log("!" + config_.logName + ".Save: " + e.what());
  }
}

void TMediaStore::Refresh(TXMLNode* entry) {
  entry->SetAttr("used", std::to_string(usedClock ? usedClock() : LocalSecondsSince2000()));
  TXMLNode* root = doc_.Root();
  root->AddChild(root->RemoveChild(entry));
}

TXMLNode* TMediaStore::FindEntry(std::string_view key) {
  TXMLNode* root = doc_.Root();
  if (!root)
    return nullptr;
  for (const auto& child : root->Children()) {
    if (!SameText(child->Name(), config_.entryName))
      continue;
    std::string id = child->GetAttr("id");
    if (config_.keyIgnoresCase ? SameText(id, key) : id == key) {
      TXMLNode* entry = child.get();
      Refresh(entry);
      return entry;
    }
  }
  return nullptr;
}

TXMLNode* TMediaStore::EnsureEntry(std::string_view key) {
  if (TXMLNode* found = FindEntry(key))
    return found;
  if (!doc_.Root())
    FreshRoot();
  TXMLNode* entry = doc_.Root()->AddChild(config_.entryName);
  entry->SetAttr("id", key);
  Refresh(entry);
  return entry;
}

TMediaSettings::TMediaSettings(std::function<std::string()> folder)
    : TMediaStore(TConfig{"TMediaSettings", "ms.xml", "MEDIASETTINGS", "MEDIA", true}, std::move(folder)) {}

TMediaCache::TMediaCache(std::function<std::string()> folder)
    : TMediaStore(TConfig{"TMediaCache", "mc.xml", "MEDIACACHE", "FILE", false}, std::move(folder)) {}

std::string TMediaCache::GetFile64KHash(const std::string& path) {
  Log("+TMediaCache.GetFile64KHash");
  std::string result;
  try {
    TFileStream f(path);
    int64_t n = std::min<int64_t>(f.Size(), 65536);
    std::string data(static_cast<size_t>(n), '\0');
    if (f.Read(data.data(), n) == n)
      result = Md5Hex(data);
  } catch (const EZvError&) {
  }
  Log("-TMediaCache.GetFile64KHash(" + result + ")");
  return result;
}

} // namespace zv
