#include "prefs/xml_prefs.h"

#include "core/text_util.h"

namespace zv {

TXMLNode* TXMLPrefs::Walk(std::string_view path, std::string& attr) {
  attr.clear();
  if (!element_)
    return nullptr;
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('.', i);
    if (j == std::string_view::npos)
      j = path.size();
    if (j > i)
      parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  if (parts.empty())
    return nullptr;
  TXMLNode* node = element_;
  for (size_t k = 0; k + 1 < parts.size(); ++k) {
    TXMLNode* child = node->FindChild(parts[k]);
    node = child ? child : node->AddChild(std::string(parts[k]));
  }
  attr = parts.back();
  return node;
}

std::string TXMLPrefs::GetString(std::string_view path) {
  std::string attr;
  TXMLNode* node = Walk(path, attr);
  if (!node)
    return {};
  std::string value = node->GetAttr(attr);
  node->SetAttr(attr, value);
  return value;
}

void TXMLPrefs::SetString(std::string_view path, std::string_view value) {
  std::string attr;
  if (TXMLNode* node = Walk(path, attr))
    node->SetAttr(attr, value);
}

bool TXMLPrefs::GetBool(std::string_view path) {
  std::string v = GetString(path);
  return v == "1" || SameText(v, "yes") || SameText(v, "on");
}

void TXMLPrefs::SetBool(std::string_view path, bool value) { SetString(path, value ? "1" : "0"); }

int32_t TXMLPrefs::GetInt(std::string_view path) { return StrToIntDef(GetString(path), 0); }

void TXMLPrefs::SetInt(std::string_view path, int32_t value) { SetString(path, std::to_string(value)); }

std::string TXMLPrefs::EncodeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string TXMLPrefs::DecodeText(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\\' && i + 1 < stored.size()) {
      char n = AsciiLower(stored[i + 1]);
      if (n == 'n' || n == 'r') {
        out += n == 'n' ? '\n' : '\r';
        ++i;
        continue;
      }
    }
    out += stored[i];
  }
  return out;
}

std::string TXMLPrefs::GetText(std::string_view path) { return DecodeText(GetString(path)); }

void TXMLPrefs::SetText(std::string_view path, std::string_view value) { SetString(path, EncodeText(value)); }

std::vector<std::string> TXMLPrefs::SplitList(std::string_view text) {
  std::vector<std::string> items;
  std::string_view rest = text;
  while (!rest.empty()) {
    rest = Trim(rest);
    if (rest.starts_with(','))
      rest.remove_prefix(1);
    size_t comma = rest.find(',');
    items.emplace_back(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma);
  }
  return items;
}

std::vector<std::string> TXMLPrefs::GetList(std::string_view path) { return SplitList(GetString(path)); }

void TXMLPrefs::SetList(std::string_view path, const std::vector<std::string>& items) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i)
      joined += ',';
    joined += items[i];
  }
  SetString(path, joined);
}

std::unique_ptr<TXMLPrefs> TXMLPrefs::Section(std::string_view name) {
  TXMLNode* node = element_;
  size_t i = 0;
  while (node && i <= name.size()) {
    size_t j = name.find('.', i);
    if (j == std::string_view::npos)
      j = name.size();
    if (j > i) {
      std::string_view comp = name.substr(i, j - i);
      TXMLNode* child = node->FindChild(comp);
      node = child ? child : node->AddChild(std::string(comp));
    }
    i = j + 1;
  }
  return std::make_unique<TXMLPrefs>(node);
}

} // namespace zv
