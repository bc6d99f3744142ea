#pragma once

#include "core/stream.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

struct TXMLAttr {
  std::string name;
  std::string value;
};

// One element of a small XML document: name, attributes in order, children in order (owned) and
// the raw text the parser found before the first inner tag (never written).
class TXMLNode {
public:
  explicit TXMLNode(std::string name = {}) : name_(std::move(name)) {}
  // Frees the subtree without recursion, so that a hostile file nesting 200 000 elements deep can
  // be freed as safely as it was parsed.
  ~TXMLNode();
  TXMLNode(const TXMLNode&) = delete;
  TXMLNode& operator=(const TXMLNode&) = delete;

  TXMLNode* Parent() const { return parent_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }

  const std::vector<TXMLAttr>& Attributes() const { return attrs_; }
  // Appends a pair without looking for an existing one.
  void AddAttr(std::string_view name, std::string_view value);
  // Every attribute of that name (any case) receives the value; none: a pair is appended.
  void SetAttr(std::string_view name, std::string_view value);
  // The first attribute of that name (any case), or empty text.
  std::string GetAttr(std::string_view name) const;
  const TXMLAttr* FindAttr(std::string_view name) const;
  // Removes every attribute of that name (any case).
  void RemoveAttr(std::string_view name);

  size_t ChildCount() const { return children_.size(); }
  TXMLNode* Child(size_t i) const { return children_[i].get(); }
  const std::vector<std::unique_ptr<TXMLNode>>& Children() const { return children_; }
  TXMLNode* AddChild(std::unique_ptr<TXMLNode> node);
  TXMLNode* AddChild(std::string name) { return AddChild(std::make_unique<TXMLNode>(std::move(name))); }
  TXMLNode* FindChild(std::string_view name) const;
  TXMLNode* FindChildById(std::string_view name, std::string_view id) const;
  // Unlinks the node, keeping the order of the others; the caller receives it.
  std::unique_ptr<TXMLNode> RemoveChild(TXMLNode* node);
  void DeleteChild(TXMLNode* node) { RemoveChild(node); }
  void ClearChildren();

private:
  TXMLNode* parent_ = nullptr;
  std::string name_;
  std::string text_;
  std::vector<TXMLAttr> attrs_;
  std::vector<std::unique_ptr<TXMLNode>> children_;
};

// A small XML document: elements, attributes in double quotes, comments, a leading declaration and
// the five predefined entities in attribute values. Parsing never fails: malformed input gives
// whatever structure the reading rules produce.
class TXMLTree {
public:
  TXMLTree() = default;
  // Elements nested deeper (the root is level 1) are dropped when reading.
  static constexpr int kMaxDepth = 100;

  TXMLNode* Root() const { return root_.get(); }
  void SetRoot(std::unique_ptr<TXMLNode> root) { root_ = std::move(root); }
  std::unique_ptr<TXMLNode> TakeRoot() { return std::move(root_); }

  // Frees the current root and parses the stream from its position to its end.
  void LoadFromStream(TStream& stream);
  // Parses bytes held in memory (the same rules).
  void LoadFromString(std::string_view bytes);
  // Parses a file; a file that cannot be opened leaves the current document and returns false.
  // Bytes that are not UTF-8 are decoded from the given Windows code page.
  bool LoadFromFile(const std::string& path, int fallbackCodePage = 1252);
  // Writes the document atomically; raises EZvError when it cannot, the old file then stays whole.
  void SaveToFile(const std::string& path) const;
  // The document as SaveToFile writes it.
  std::string SaveToString() const;

  // Backslash-separated path of element names below the root; ends at the first component that
  // is not a child, which is then read as an attribute. A path ending on an element gives its text.
  std::string GetByPath(std::string_view path) const;

  static std::string Escape(std::string_view text);
  static std::string Unescape(std::string_view text);

private:
  std::unique_ptr<TXMLNode> root_;
};

} // namespace zv
