#include "prefs/file_types.h"

#include "core/text_util.h"
#include "prefs/xml_tree.h"

namespace zv {

std::vector<std::string> TExplorerIntegrator::TypeList(const std::string& letter) const {
  std::vector<std::string> ids;
  if (!table_)
    return ids;
  for (const auto& c : table_->Children())
    if (SameText(c->Name(), "EXT") && (letter == "*" || c->GetAttr("type") == letter))
      ids.push_back(c->GetAttr("id"));
  return ids;
}

std::string TExplorerIntegrator::ExtensionList(const std::string& letter) const {
  std::string list;
  for (const std::string& id : TypeList(letter))
    list += (list.empty() ? "*." : ";*.") + id;
  return list;
}

std::string TExplorerIntegrator::TypeDescription(const std::string& extension) const {
  const TXMLNode* e = table_ ? table_->FindChildById("EXT", extension) : nullptr;
  return e ? e->GetAttr("desc") : std::string();
}

std::string TExplorerIntegrator::TypeLetter(const std::string& extension) const {
  const TXMLNode* e = table_ ? table_->FindChildById("EXT", extension) : nullptr;
  return e ? e->GetAttr("type") : std::string();
}

std::string TExplorerIntegrator::MediaFilter(const std::function<std::string(const char* key)>& lang) const {
  std::string all = ExtensionList("*");
  std::string filter = lang("Core.FileType.Media") + "(" + all + ")|" + all;
  static const char* const kGroups[3][2] = {
      {"P", "Core.FileType.PlayList"}, {"V", "Core.FileType.Video"}, {"A", "Core.FileType.Audio"}};
  for (const auto& g : kGroups) {
    std::string masks = ExtensionList(g[0]);
    filter += "|" + lang(g[1]) + "(" + masks + ")|" + masks;
  }
  return filter + "|" + lang("Core.FileType.All") + "(*.*)|*.*";
}

} // namespace zv
