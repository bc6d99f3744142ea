#include "prefs/assoc_store.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "prefs/xml_tree.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

struct TMemoryAssocStore::TKey {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::unique_ptr<TKey>> children;

  TKey* Child(std::string_view n) const {
    for (const auto& c : children)
      if (SameText(c->name, n))
        return c.get();
    return nullptr;
  }
  std::pair<std::string, std::string>* Value(std::string_view n) {
    for (auto& v : values)
      if (SameText(v.first, n))
        return &v;
    return nullptr;
  }
};

namespace {

std::vector<std::string> KeyNames(std::string_view key) {
  std::vector<std::string> names;
  for (std::string& n : SplitString(key, '\\'))
    if (!n.empty())
      names.push_back(std::move(n));
  return names;
}

} // namespace

TMemoryAssocStore::TMemoryAssocStore() : root_(std::make_unique<TKey>()) {}
TMemoryAssocStore::~TMemoryAssocStore() = default;

TMemoryAssocStore::TKey* TMemoryAssocStore::Find(std::string_view key) const {
  TKey* k = root_.get();
  for (const std::string& n : KeyNames(key))
    if (!(k = k->Child(n)))
      return nullptr;
  return k;
}

bool TMemoryAssocStore::KeyExists(std::string_view key) const { return Find(key) != nullptr; }

bool TMemoryAssocStore::CreateKey(std::string_view key) {
  if (Find(key))
    return true;
  if (readOnly_)
    return false;
  TKey* k = root_.get();
  for (const std::string& n : KeyNames(key)) {
    TKey* c = k->Child(n);
    if (!c) {
      k->children.push_back(std::make_unique<TKey>());
      c = k->children.back().get();
      c->name = n;
    }
    k = c;
  }
  modified_ = true;
  return true;
}

bool TMemoryAssocStore::ReadValue(std::string_view key, std::string_view name, std::string& value) const {
  TKey* k = Find(key);
  auto* v = k ? k->Value(name) : nullptr;
  if (!v)
    return false;
  value = v->second;
  return true;
}

bool TMemoryAssocStore::WriteValue(std::string_view key, std::string_view name, std::string_view value) {
  TKey* k = Find(key);
  if (!k || readOnly_)
    return false;
  if (auto* v = k->Value(name)) {
    if (v->second == value)
      return true;
    v->second = std::string(value);
  } else {
    k->values.emplace_back(std::string(name), std::string(value));
  }
  modified_ = true;
  return true;
}

bool TMemoryAssocStore::DeleteValue(std::string_view key, std::string_view name) {
  TKey* k = Find(key);
  if (!k || readOnly_ || !k->Value(name))
    return false;
  std::erase_if(k->values, [&](const auto& v) { return SameText(v.first, name); });
  modified_ = true;
  return true;
}

bool TMemoryAssocStore::DeleteKey(std::string_view key) {
  std::vector<std::string> names = KeyNames(key);
  if (names.empty() || readOnly_)
    return false;
  std::string last = names.back();
  names.pop_back();
  TKey* parent = root_.get();
  for (const std::string& n : names)
    if (!(parent = parent->Child(n)))
      return false;
  TKey* k = parent->Child(last);
  if (!k)
    return false;
  std::erase_if(parent->children, [k](const auto& c) { return c.get() == k; });
  modified_ = true;
  return true;
}

bool TMemoryAssocStore::MoveKey(std::string_view from, std::string_view to) {
  std::vector<std::string> src = KeyNames(from), dst = KeyNames(to);
  if (src.empty() || dst.empty() || readOnly_ || Find(to))
    return false;
  TKey* k = Find(from);
  std::string newName = dst.back();
  dst.pop_back();
  TKey* target = root_.get();
  for (const std::string& n : dst)
    if (!(target = target->Child(n)))
      return false;
  if (!k)
    return false;
  // A key cannot move below itself.
  std::string fromPath, targetPath;
  for (const auto& n : src)
    fromPath += "\\" + LowerCase(n);
  for (const auto& n : dst)
    targetPath += "\\" + LowerCase(n);
  if ((targetPath + "\\").rfind(fromPath + "\\", 0) == 0)
    return false;
  src.pop_back();
  TKey* parent = root_.get();
  for (const std::string& n : src)
    parent = parent->Child(n);
  auto it = std::find_if(parent->children.begin(), parent->children.end(), [k](const auto& c) { return c.get() == k; });
  std::unique_ptr<TKey> moved = std::move(*it);
  parent->children.erase(it);
  moved->name = newName;
  target->children.push_back(std::move(moved));
  modified_ = true;
  return true;
}

std::vector<std::string> TMemoryAssocStore::SubKeys(std::string_view key) const {
  std::vector<std::string> names;
  if (TKey* k = Find(key))
    for (const auto& c : k->children)
      names.push_back(c->name);
  return names;
}

std::string TMemoryAssocStore::Dump() const {
  std::vector<std::string> lines;
  auto walk = [&lines](auto& self, const TKey& k, const std::string& path) -> void {
    if (!path.empty())
      lines.push_back(path);
    for (const auto& [n, v] : k.values)
      lines.push_back(path + "|" + n + "=" + v);
    for (const auto& c : k.children)
      self(self, *c, path + "\\" + c->name);
  };
  walk(walk, *root_, "");
  std::sort(lines.begin(), lines.end(),
            [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
  std::string out;
  for (const std::string& l : lines)
    out += l + "\n";
  return out;
}

// The file: <ASSOCIATIONS><K n="name"><V n="name" v="value"/>...<K .../></K></ASSOCIATIONS>.

TFileAssocStore::TFileAssocStore(std::string path) : path_(std::move(path)) { Load(); }

TFileAssocStore::~TFileAssocStore() { Flush(); }

void TFileAssocStore::Load() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    TXMLTree doc;
    if (!doc.LoadFromFile(path_) || !doc.Root() || !SameText(doc.Root()->Name(), "ASSOCIATIONS")) {
      Log("TFileAssocStore: cannot read " + path_ + "; associations are not changed in this run");
      SetReadOnly(true);
      return;
    }
    auto read = [](auto& self, const TXMLNode& node, TKey& key) -> void {
      for (const auto& c : node.Children()) {
        if (SameText(c->Name(), "V")) {
          key.values.emplace_back(c->GetAttr("n"), c->GetAttr("v"));
        } else if (SameText(c->Name(), "K") && !c->GetAttr("n").empty() && !key.Child(c->GetAttr("n"))) {
          key.children.push_back(std::make_unique<TKey>());
          key.children.back()->name = c->GetAttr("n");
          self(self, *c, *key.children.back());
        }
      }
    };
    read(read, *doc.Root(), Root());
  }
  // The folder is made at the first save; until then the nearest folder that exists must be
  // writable.
  std::filesystem::path dir = std::filesystem::path(path_).parent_path();
  std::error_code ec;
  while (!dir.empty() && !std::filesystem::exists(dir, ec) && dir.has_parent_path() && dir != dir.parent_path())
    dir = dir.parent_path();
  if (::access(dir.empty() ? "." : dir.c_str(), W_OK) != 0) {
    Log("TFileAssocStore: the folder of " + path_ + " cannot be written");
    SetReadOnly(true);
  }
  ClearModified();
}

bool TFileAssocStore::Flush() {
  if (!Modified())
    return true;
  TXMLTree doc;
  doc.SetRoot(std::make_unique<TXMLNode>("ASSOCIATIONS"));
  auto write = [](auto& self, const TKey& key, TXMLNode& node) -> void {
    for (const auto& [n, v] : key.values) {
      TXMLNode* e = node.AddChild("V");
      e->AddAttr("n", n);
      e->AddAttr("v", v);
    }
    for (const auto& c : key.children) {
      TXMLNode* e = node.AddChild("K");
      e->AddAttr("n", c->name);
      self(self, *c, *e);
    }
  };
  write(write, Root(), *doc.Root());
  try {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    doc.SaveToFile(path_);
  } catch (const EZvError& e) {
    Log("TFileAssocStore: " + std::string(e.what()));
    return false;
  }
  ClearModified();
  return true;
}

} // namespace zv
