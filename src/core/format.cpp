#include "core/format.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zv {
namespace {

struct Spec {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

// Parses a run of digits or a "*"; returns -1 when neither is there.
int ReadNumber(std::string_view fmt, size_t& i, std::span<const FmtArg> args, size_t& next) {
  if (i < fmt.size() && fmt[i] == '*') {
    ++i;
    if (next < args.size() && args[next].kind() == FmtArg::Kind::Int) {
      int64_t v = args[next++].asInt();
      return v < 0 ? 0 : static_cast<int>(std::min<int64_t>(v, 4096));
    }
    ++next;
    return 0;
  }
  if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9')
    return -1;
  int64_t v = 0;
  while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
    v = std::min<int64_t>(v * 10 + (fmt[i] - '0'), 4096); // widths beyond a page make no sense
    ++i;
  }
  return static_cast<int>(v);
}

// The argument's value as an unsigned number of its own width (two's complement for negatives).
uint64_t AsUnsigned(const FmtArg& a) {
  if (a.bits() == 64)
    return static_cast<uint64_t>(a.asInt());
  return static_cast<uint32_t>(static_cast<uint64_t>(a.asInt()));
}

std::string FormatFloat(double v, char type, int precision) {
  if (std::isnan(v))
    return "NAN";
  if (std::isinf(v))
    return v < 0 ? "-INF" : "INF";
  char buf[512];
  std::to_chars_result r{};
  switch (type) {
  case 'e': {
    // Precision counts significant digits (15 by default); the exponent has at least 3 digits.
    int p = precision < 1 ? 15 : std::min(precision, 18);
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, p - 1);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    if (e == std::string::npos)
      return s;
    std::string mant = s.substr(0, e);
    std::string ex = s.substr(e + 1);
    char sign = '+';
    if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) {
      sign = ex[0];
      ex.erase(0, 1);
    }
    while (ex.size() < 3)
      ex.insert(0, 1, '0');
    return mant + "E" + sign + ex;
  }
  case 'g': {
    int p = precision < 1 ? 15 : std::min(precision, 18);
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, p);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    if (e != std::string::npos) {
      std::string ex = s.substr(e + 1);
      if (!ex.empty() && ex[0] == '+')
        ex.erase(0, 1);
      s = s.substr(0, e) + "E" + ex;
    }
    return s;
  }
  default: { // 'f' and 'n'
    int p = precision < 0 ? 2 : std::min(precision, 18);
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, p);
    if (r.ec != std::errc())
      return {};
    std::string s(buf, r.ptr);
    if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos))
      s.erase(0, 1); // no "-0.00"
    if (type == 'n') {
      size_t start = s[0] == '-' ? 1 : 0;
      size_t dot = s.find('.');
      size_t end = dot == std::string::npos ? s.size() : dot;
      for (size_t k = end; k > start + 3; k -= 3)
        s.insert(k - 3, 1, ',');
    }
    return s;
  }
  }
}

// Integers are written straight into the output, without temporaries: sign, zero padding to the
// precision, digits, and blank padding to the width.
void AppendInt(std::string& out, const FmtArg& a, const Spec& sp) {
  uint64_t mag;
  bool neg = false;
  if (sp.type == 'x' || sp.type == 'u') {
    mag = AsUnsigned(a);
  } else if (a.isUnsigned()) {
    mag = static_cast<uint64_t>(a.asInt());
  } else {
    int64_t v = a.asInt();
    neg = v < 0;
    mag = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  }
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  if (sp.type == 'x') {
    do {
      *--p = "0123456789ABCDEF"[mag & 15];
      mag >>= 4;
    } while (mag);
  } else {
    do {
      *--p = static_cast<char>('0' + mag % 10);
      mag /= 10;
    } while (mag);
  }
  size_t digits = static_cast<size_t>(end - p);
  size_t zeros = sp.precision > 0 && static_cast<size_t>(sp.precision) > digits ? sp.precision - digits : 0;
  size_t len = (neg ? 1 : 0) + zeros + digits;
  size_t pad = sp.width > 0 && static_cast<size_t>(sp.width) > len ? sp.width - len : 0;
  if (!sp.left)
    out.append(pad, ' ');
  if (neg)
    out += '-';
  out.append(zeros, '0');
  out.append(p, digits);
  if (sp.left)
    out.append(pad, ' ');
}

std::string Convert(const FmtArg* a, const Spec& sp) {
  if (!a)
    return {};
  char t = sp.type;
  switch (a->kind()) {
  case FmtArg::Kind::Int:
    if (t == 'f' || t == 'e' || t == 'g' || t == 'n')
      return FormatFloat(static_cast<double>(a->asInt()), t, sp.precision);
    return a->isUnsigned() ? std::to_string(static_cast<uint64_t>(a->asInt())) : std::to_string(a->asInt());
  case FmtArg::Kind::Float:
    if (t == 'f' || t == 'e' || t == 'g' || t == 'n')
      return FormatFloat(a->asFloat(), t, sp.precision);
    return FormatFloat(a->asFloat(), 'g', -1);
  case FmtArg::Kind::Text: {
    std::string_view s = a->asText();
    if (t == 's' && sp.precision >= 0 && static_cast<size_t>(sp.precision) < s.size())
      s = s.substr(0, static_cast<size_t>(sp.precision));
    return std::string(s);
  }
  }
  return {};
}

} // namespace

std::string FormatArgs(std::string_view fmt, std::span<const FmtArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  size_t next = 0;
  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c != '%') {
      size_t j = fmt.find('%', i);
      if (j == std::string_view::npos)
        j = fmt.size();
      out.append(fmt.substr(i, j - i));
      i = j;
      continue;
    }
    size_t start = i++;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Spec sp;
    // An index "n:" selects the argument; following directives continue after it.
    {
      size_t k = i;
      size_t dummy = next;
      int n = ReadNumber(fmt, k, args, dummy);
      if (n >= 0 && k < fmt.size() && fmt[k] == ':') {
        next = static_cast<size_t>(n);
        i = k + 1;
      }
    }
    if (i < fmt.size() && fmt[i] == '-') {
      sp.left = true;
      ++i;
    }
    sp.width = ReadNumber(fmt, i, args, next);
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      sp.precision = ReadNumber(fmt, i, args, next);
      if (sp.precision < 0)
        sp.precision = 0; // "%.d": no digits given, at least one digit is still written
    }
    if (i >= fmt.size()) {
      out.append(fmt.substr(start));
      break;
    }
    char t = fmt[i++];
    if (t >= 'A' && t <= 'Z')
      t = static_cast<char>(t - 'A' + 'a');
    if (t != 'd' && t != 'u' && t != 'x' && t != 'f' && t != 'e' && t != 'g' && t != 'n' && t != 's') {
      out.append(fmt.substr(start, i - start));
      continue;
    }
    sp.type = t;
    const FmtArg* a = next < args.size() ? &args[next] : nullptr;
    ++next;
    if (a && a->kind() == FmtArg::Kind::Int && (t == 'd' || t == 'u' || t == 'x')) {
      AppendInt(out, *a, sp);
      continue;
    }
    std::string text = Convert(a, sp);
    if (sp.width > 0 && static_cast<int>(text.size()) < sp.width) {
      size_t pad = static_cast<size_t>(sp.width) - text.size();
      if (sp.left)
        text.append(pad, ' ');
      else
        text.insert(0, pad, ' ');
    }
    out += text;
  }
  return out;
}

} // namespace zv
