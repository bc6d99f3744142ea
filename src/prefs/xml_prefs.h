#pragma once

#include "core/prefs_access.h"
#include "prefs/xml_tree.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Typed values by dotted path in an XML element: "OSD.Info.Font.Size" is the attribute "Size" of
// the element OSD/Info/Font. Names match without regard to case. Reading a missing key creates it
// with an empty value, so every key read once is saved with the document.
class TXMLPrefs : public IPrefs {
public:
  // The element is not owned; a store over no element reads empty text and ignores writes.
  explicit TXMLPrefs(TXMLNode* element) : element_(element) {}

  TXMLNode* Element() const { return element_; }

  std::string GetString(std::string_view path) override;
  void SetString(std::string_view path, std::string_view value) override;
  // True for "1", "yes" or "on" in any case; written "1" or "0".
  bool GetBool(std::string_view path) override;
  void SetBool(std::string_view path, bool value) override;
  // A value that is not a 32-bit integer reads as 0.
  int32_t GetInt(std::string_view path) override;
  void SetInt(std::string_view path, int32_t value) override;
  // Multi-line text: line feeds are stored as "\n", carriage returns as "\r".
  std::string GetText(std::string_view path);
  void SetText(std::string_view path, std::string_view value);
  // Items joined by "," without escaping.
  std::vector<std::string> GetList(std::string_view path);
  void SetList(std::string_view path, const std::vector<std::string>& items);

  // A store over the child element of that (dotted) name, created when missing.
  std::unique_ptr<TXMLPrefs> Section(std::string_view name);

  static std::string EncodeText(std::string_view text);
  static std::string DecodeText(std::string_view stored);
  static std::vector<std::string> SplitList(std::string_view text);

private:
  // The element holding the path's attribute (created on the way) and the attribute's name.
  TXMLNode* Walk(std::string_view path, std::string& attr);

  TXMLNode* element_;
};

} // namespace zv
