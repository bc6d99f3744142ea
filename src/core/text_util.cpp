#include "core/text_util.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <langinfo.h>
#include <limits>
#include <locale.h>

namespace zv {

int64_t RoundHalfEven(double v) {
  if (std::isnan(v))
    return 0;
  // nearbyint uses the current rounding mode, which is round-to-nearest-even unless changed.
  double r = std::nearbyint(v);
  if (r >= 9223372036854775807.0)
    return std::numeric_limits<int64_t>::max();
  if (r <= -9223372036854775808.0)
    return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);
}

std::string DecimalSeparatorOf(const char* localeName) {
  locale_t loc = newlocale(LC_NUMERIC_MASK, localeName, static_cast<locale_t>(nullptr));
  if (!loc)
    return ".";
  const char* radix = nl_langinfo_l(RADIXCHAR, loc);
  std::string sep = radix && *radix ? radix : ".";
  freelocale(loc);
  return sep;
}

const std::string& UserDecimalSeparator() {
  static const std::string sep = DecimalSeparatorOf(""); // "" takes the environment's locale
  return sep;
}

std::string CopyStr(std::string_view s, int64_t index, int64_t count) {
  if (count <= 0)
    return {};
  if (index < 1)
    index = 1;
  if (index > static_cast<int64_t>(s.size()))
    return {};
  size_t start = static_cast<size_t>(index - 1);
  size_t avail = s.size() - start;
  size_t n = static_cast<uint64_t>(count) < avail ? static_cast<size_t>(count) : avail;
  return std::string(s.substr(start, n));
}

std::string CopyFrom(std::string_view s, int64_t index) {
  return CopyStr(s, index, std::numeric_limits<int64_t>::max());
}

std::optional<int64_t> StrToInt64Strict(std::string_view s) {
  if (s.empty())
    return std::nullopt;
  bool neg = false;
  size_t i = 0;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i >= s.size())
    return std::nullopt;
  uint64_t mag = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c < '0' || c > '9')
      return std::nullopt;
    if (mag > (std::numeric_limits<uint64_t>::max() - 9) / 10)
      return std::nullopt;
    mag = mag * 10 + static_cast<uint64_t>(c - '0');
  }
  if (neg) {
    if (mag > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1)
      return std::nullopt;
    return static_cast<int64_t>(0 - mag);
  }
  if (mag > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    return std::nullopt;
  return static_cast<int64_t>(mag);
}

std::optional<int32_t> StrToIntStrict(std::string_view s) {
  auto v = StrToInt64Strict(s);
  if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
  auto v = StrToIntStrict(s);
  return v ? *v : def;
}

std::optional<double> ParseDecimal(std::string_view s) {
  s = Trim(s);
  if (s.empty())
    return std::nullopt;
  std::string buf;
  buf.reserve(s.size());
  size_t i = 0;
  if (s[0] == '+' || s[0] == '-') {
    if (s[0] == '-')
      buf += '-';
    i = 1;
  }
  bool digits = false, sep = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      buf += c;
      digits = true;
    } else if ((c == ',' || c == '.') && !sep) {
      buf += '.';
      sep = true;
    } else {
      break;
    }
  }
  if (!digits)
    return std::nullopt;
  if (i < s.size()) {
    if (s[i] != 'e' && s[i] != 'E')
      return std::nullopt;
    buf += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
      buf += s[i++];
    size_t expStart = i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
      buf += s[i];
    if (i == expStart || i != s.size())
      return std::nullopt;
  }
  double v = 0;
  const char* first = buf.data();
  const char* last = buf.data() + buf.size();
  auto r = std::from_chars(first, last, v);
  if (r.ec != std::errc() || r.ptr != last)
    return std::nullopt;
  return v;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    c = AsciiUpper(c);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    c = AsciiLower(c);
  return r;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  return true;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
    auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y)
      return x < y ? -1 : 1;
  }
  if (a.size() == b.size())
    return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsText(std::string_view prefix, std::string_view s) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view suffix, std::string_view s) {
  return s.size() >= suffix.size() && SameText(s.substr(s.size() - suffix.size()), suffix);
}

size_t FindText(std::string_view s, std::string_view needle, size_t from) {
  if (needle.empty())
    return from <= s.size() ? from : std::string_view::npos;
  if (s.size() < needle.size())
    return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= s.size(); ++i)
    if (SameText(s.substr(i, needle.size()), needle))
      return i;
  return std::string_view::npos;
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase) {
  if (from.empty())
    return std::string(s);
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i <= s.size()) {
    size_t j = ignoreCase ? FindText(s, from, i) : s.find(from, i);
    if (j == std::string_view::npos) {
      out.append(s.substr(i));
      break;
    }
    out.append(s.substr(i, j - i));
    out.append(to);
    i = j + from.size();
  }
  return out;
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ')
    ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ')
    --n;
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::vector<std::string> SplitString(std::string_view s, char sep) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (true) {
    size_t j = s.find(sep, i);
    if (j == std::string_view::npos) {
      parts.emplace_back(s.substr(i));
      break;
    }
    parts.emplace_back(s.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

std::string_view CutUtf8(std::string_view s, size_t limit) {
  if (s.size() <= limit)
    return s;
  size_t end = limit;
  // Back over continuation bytes to the start of the sequence that would be split.
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
    --end;
  return s.substr(0, end);
}

std::string BoundText(std::string_view s, size_t limit) {
  if (s.size() <= limit)
    return std::string(s);
  return std::string(CutUtf8(s, limit >= 3 ? limit - 3 : 0)) + "...";
}

std::string EscapeControls(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c != 0x7F) {
      out += ch;
      continue;
    }
    switch (c) {
    case '\r': out += "\\r"; break;
    case '\n': out += "\\n"; break;
    case '\t': out += "\\t"; break;
    default: {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
    }
  }
  return out;
}

std::string EscapeMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&apos;"; break;
    default: out += c;
    }
  }
  return out;
}

int NaturalCompare(std::string_view a, std::string_view b) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      // Numbers: without their leading zeros the longer one is larger, else the first digit that
      // differs decides.
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0')
        ++si;
      while (sj < b.size() && b[sj] == '0')
        ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && digit(a[ei]))
        ++ei;
      while (ej < b.size() && digit(b[ej]))
        ++ej;
      if (ei - si != ej - sj)
        return ei - si < ej - sj ? -1 : 1;
      if (int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj)))
        return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    unsigned char ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    unsigned char cb = static_cast<unsigned char>(AsciiUpper(b[j]));
    if (ca != cb)
      return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size())
    return i < a.size() ? 1 : -1;
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace zv
