// Parses arbitrary bytes as an XML document, writes it, parses the result again and checks that
// the writer's output reads back whole. Elements with an empty name (what a stray end tag becomes)
// cannot be written so that they read back, so trees holding one are only parsed and written.
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {
bool HasEmptyName(const zv::TXMLNode* root) {
  std::vector<const zv::TXMLNode*> todo{root};
  while (!todo.empty()) {
    const zv::TXMLNode* n = todo.back();
    todo.pop_back();
    if (n->Name().empty())
      return true;
    for (const auto& c : n->Children())
      todo.push_back(c.get());
  }
  return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zv::TXMLTree tree;
  tree.LoadFromString(bytes);
  std::string first = tree.SaveToString();
  if (tree.Root()) {
    zv::TXMLPrefs prefs(tree.Root());
    prefs.GetString("A.b.c");
    prefs.GetList("List.Items");
    prefs.GetText("Text.Value");
    tree.GetByPath("a\\b\\c");
  }
  if (tree.Root() && HasEmptyName(tree.Root()))
    return 0;
  zv::TXMLTree again;
  again.LoadFromString(first);
  if (again.SaveToString() != first)
    std::abort();
  return 0;
}
