#include "prefs/xml_tree.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/format.h"
#include "core/text_codec.h"
#include "core/text_util.h"
#include "filters/cached_file.h"

#include "core/session_log.h"

#include <algorithm>
#include <filesystem>

namespace zv {

// ---------------------------------------------------------------------------------------------
// Nodes

TXMLNode::~TXMLNode() {
  std::vector<std::unique_ptr<TXMLNode>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<TXMLNode> n = std::move(pending.back());
    pending.pop_back();
    for (auto& c : n->children_)
      pending.push_back(std::move(c));
    n->children_.clear(); // n now dies without children: no recursion
  }
}

void TXMLNode::AddAttr(std::string_view name, std::string_view value) {
  attrs_.push_back(TXMLAttr{std::string(name), std::string(value)});
}

void TXMLNode::SetAttr(std::string_view name, std::string_view value) {
  bool found = false;
  for (TXMLAttr& a : attrs_)
    if (SameText(a.name, name)) {
      a.value = value;
      found = true;
    }
  if (!found)
    AddAttr(name, value);
}

const TXMLAttr* TXMLNode::FindAttr(std::string_view name) const {
  for (const TXMLAttr& a : attrs_)
    if (SameText(a.name, name))
      return &a;
  return nullptr;
}

void TXMLNode::RemoveAttr(std::string_view name) {
  std::erase_if(attrs_, [&](const TXMLAttr& a) { return SameText(a.name, name); });
}

std::string TXMLNode::GetAttr(std::string_view name) const {
  const TXMLAttr* a = FindAttr(name);
  return a ? a->value : std::string();
}

TXMLNode* TXMLNode::AddChild(std::unique_ptr<TXMLNode> node) {
  node->parent_ = this;
  children_.push_back(std::move(node));
  return children_.back().get();
}

TXMLNode* TXMLNode::FindChild(std::string_view name) const {
  for (const auto& c : children_)
    if (SameText(c->name_, name))
      return c.get();
  return nullptr;
}

TXMLNode* TXMLNode::FindChildById(std::string_view name, std::string_view id) const {
  for (const auto& c : children_)
    if (SameText(c->name_, name) && SameText(c->GetAttr("id"), id))
      return c.get();
  return nullptr;
}

std::unique_ptr<TXMLNode> TXMLNode::RemoveChild(TXMLNode* node) {
  auto it = std::find_if(children_.begin(), children_.end(), [node](const auto& c) { return c.get() == node; });
  if (it == children_.end())
    return nullptr;
  std::unique_ptr<TXMLNode> n = std::move(*it);
  children_.erase(it);
  n->parent_ = nullptr;
  return n;
}

void TXMLNode::ClearChildren() {
  // Moving the children into a temporary node lets its destructor free them without recursion.
  TXMLNode holder;
  holder.children_ = std::move(children_);
  children_.clear();
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

bool IsNameChar(unsigned char c) { return (c >= '0' && c <= '9') || c >= 'A'; }

// Reads tags one after the other from bytes in memory.
class TTagReader {
public:
  explicit TTagReader(std::string_view data) : data_(data) {}

  // The next complete tag ("<" ... ">"), comments skipped; empty at the end of the input or when a
  // ">" stands outside any tag. Bytes read outside tags on the way are in Pending().
  std::string_view Next() {
    pending_.clear();
    size_t tagStart = std::string_view::npos;
    while (pos_ < data_.size()) {
      char c = data_[pos_++];
      if (c == '<' && tagStart == std::string_view::npos)
        tagStart = pos_ - 1;
      if (tagStart == std::string_view::npos)
        pending_ += c;
      if (c != '>')
        continue;
      if (tagStart == std::string_view::npos)
        return {};
      std::string_view tag = data_.substr(tagStart, pos_ - tagStart);
      if (!tag.starts_with("<!--"))
        return tag;
      if (tag.ends_with("-->"))
        tagStart = std::string_view::npos; // a comment: dropped, reading goes on
    }
    return {};
  }

  const std::string& Pending() const { return pending_; }

private:
  std::string_view data_;
  size_t pos_ = 0;
  std::string pending_;
};

// Parses "<name attr="value" ...>" or "<name .../>" into a node.
std::unique_ptr<TXMLNode> NodeFromTag(std::string_view tag) {
  auto node = std::make_unique<TXMLNode>();
  std::string_view body = tag.substr(1, tag.size() - 1);
  if (body.ends_with(">"))
    body.remove_suffix(1);
  if (body.ends_with("/"))
    body.remove_suffix(1);
  enum { ElementName, Between, AttrName, BeforeValue, Value } state = ElementName;
  std::string name, attr, value;
  for (char ch : body) {
    auto c = static_cast<unsigned char>(ch);
    switch (state) {
    case ElementName:
      if (IsNameChar(c))
        name += ch;
      else
        state = Between;
      break;
    case Between:
      if (IsNameChar(c)) {
        attr.assign(1, ch);
        state = AttrName;
      }
      break;
    case AttrName:
      if (IsNameChar(c)) {
        attr += ch;
      } else {
        value.clear();
        state = BeforeValue;
      }
      break;
    case BeforeValue:
      if (ch == '"')
        state = Value;
      break;
    case Value:
      if (ch == '"') {
        node->SetAttr(attr, TXMLTree::Unescape(value));
        state = Between;
      } else {
        value += ch;
      }
      break;
    }
  }
  node->SetName(std::move(name));
  return node;
}

bool SelfClosing(std::string_view tag) { return tag.ends_with("/>"); }

// The element of a start tag and everything inside it, read with an explicit stack of open
// elements instead of recursion. An element ends at its exact end tag, or at a tag of two
// characters or fewer (the end of the input included).
std::unique_ptr<TXMLNode> ParseElement(std::string_view tag, TTagReader& reader) {
  if (tag.size() <= 2)
    return nullptr;
  std::unique_ptr<TXMLNode> top = NodeFromTag(tag);
  if (SelfClosing(tag))
    return top;
  // Elements deeper than this are read past and dropped (node none): no document of the program
  // nests deeper, and a hostile one nested 300 000 levels would otherwise grow without bound.
  struct Open {
    TXMLNode* node;
    std::string endTag;
  };
  std::vector<Open> stack;
  stack.push_back({top.get(), "</" + top->Name() + ">"});
  bool justOpened = true;
  bool dropped = false;
  while (!stack.empty()) {
    std::string_view t = reader.Next();
    Open& cur = stack.back();
    if (justOpened) {
      if (cur.node)
        cur.node->SetText(reader.Pending());
      justOpened = false;
    }
    if (t.size() <= 2 || t == cur.endTag) {
      stack.pop_back();
      continue;
    }
    std::unique_ptr<TXMLNode> node = NodeFromTag(t);
    std::string endTag = "</" + node->Name() + ">";
    TXMLNode* child = nullptr;
    if (cur.node && stack.size() < static_cast<size_t>(TXMLTree::kMaxDepth))
      child = cur.node->AddChild(std::move(node));
    else
      dropped = true;
    if (!SelfClosing(t)) {
      stack.push_back({child, std::move(endTag)});
      justOpened = true;
    }
  }
  if (dropped)
    Log(Format("!TXMLTree: elements nested deeper than %d levels were dropped", TXMLTree::kMaxDepth));
  return top;
}

} // namespace

void TXMLTree::LoadFromString(std::string_view bytes) {
  root_.reset();
  TTagReader reader(bytes);
  std::string_view tag = reader.Next();
  while (tag.size() > 1 && static_cast<unsigned char>(tag[1]) < 'A')
    tag = reader.Next();
  if (!tag.empty())
    root_ = ParseElement(tag, reader);
}

void TXMLTree::LoadFromStream(TStream& stream) {
  std::string bytes;
  char buf[65536];
  for (;;) {
    int64_t n = stream.Read(buf, sizeof buf);
    if (n <= 0)
      break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  LoadFromString(bytes);
}

bool TXMLTree::LoadFromFile(const std::string& path, int fallbackCodePage) {
  std::string bytes;
  try {
    bytes = ReadThroughCache(path, 4096, 2);
  } catch (const EZvError& e) {
    // A file that is there but unreadable holds what the user set: it must not be replaced by a
    // document made without it.
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found && !ec) {
      Log(std::string("!TXMLTree.LoadFromFile: ") + e.what());
      KeepUnwritten(path);
    }
    return false;
  }
  LoadFromString(DecodeText(bytes, fallbackCodePage));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

std::string TXMLTree::SaveToString() const {
  std::string out = "<?xml version=\"1.0\"?>\r\n";
  if (!root_)
    return out;
  // Explicit stack: (node, index of the next child to write).
  std::vector<std::pair<const TXMLNode*, size_t>> stack;
  auto openLine = [&out](const TXMLNode* n, size_t depth) {
    out.append(depth, ' ');
    out += '<';
    out += n->Name();
    for (const TXMLAttr& a : n->Attributes()) {
      out += ' ';
      out += a.name;
      out += "=\"";
      out += Escape(a.value);
      out += '"';
    }
    out += n->ChildCount() ? ">\r\n" : "/>\r\n";
  };
  openLine(root_.get(), 0);
  if (root_->ChildCount())
    stack.emplace_back(root_.get(), 0);
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (next < node->ChildCount()) {
      const TXMLNode* child = node->Child(next++);
      openLine(child, stack.size());
      if (child->ChildCount())
        stack.emplace_back(child, 0);
    } else {
      out.append(stack.size() - 1, ' ');
      out += "</";
      out += node->Name();
      out += ">\r\n";
      stack.pop_back();
    }
  }
  return out;
}

void TXMLTree::SaveToFile(const std::string& path) const { WriteFileAtomic(path, SaveToString()); }

// ---------------------------------------------------------------------------------------------
// Paths and entities

std::string TXMLTree::GetByPath(std::string_view path) const {
  const TXMLNode* cur = root_.get();
  if (!cur)
    return {};
  while (true) {
    while (path.starts_with('\\'))
      path.remove_prefix(1);
    if (path.empty())
      break;
    size_t end = path.find('\\');
    std::string_view comp = path.substr(0, end);
    path = end == std::string_view::npos ? std::string_view() : path.substr(end);
    if (const TXMLNode* child = cur->FindChild(comp)) {
      cur = child;
    } else {
      return cur->GetAttr(comp);
    }
  }
  return cur->Text();
}

std::string TXMLTree::Escape(std::string_view text) { return EscapeMarkup(text); }

std::string TXMLTree::Unescape(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '&') {
      bool replaced = false;
      for (const auto& [entity, ch] : kEntities) {
        if (text.size() - i >= entity.size() && SameText(text.substr(i, entity.size()), entity)) {
          out += ch;
          i += entity.size();
          replaced = true;
          break;
        }
      }
      if (replaced)
        continue;
    }
    out += text[i++];
  }
  return out;
}

} // namespace zv
