#include "core/text_codec.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace zv {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n)
      return false;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80)
        return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

std::string_view StripUtf8Bom(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    bytes.remove_prefix(3);
  return bytes;
}

int CodePageOfCharset(int charset) {
  switch (charset) {
  case 128: return 932;
  case 129: return 949;
  case 134: return 936;
  case 136: return 950;
  case 161: return 1253;
  case 162: return 1254;
  case 163: return 1258;
  case 177: return 1255;
  case 178: return 1256;
  case 186: return 1257;
  case 204: return 1251;
  case 222: return 874;
  case 238: return 1250;
  default: return 1252;
  }
}

namespace {

std::string IconvName(int codePage) {
  switch (codePage) {
  case 874: return "CP874";
  case 932: return "CP932";
  case 936: return "CP936";
  case 949: return "CP949";
  case 950: return "CP950";
  default:
    if (codePage >= 1250 && codePage <= 1258)
      return "CP" + std::to_string(codePage);
    return "CP1252";
  }
}

// Converts with iconv, replacing what cannot be converted. iconv descriptors are not shareable
// between threads, so each call opens its own.
std::string Convert(std::string_view in, const std::string& to, const std::string& from, std::string_view bad,
                    size_t badInputStep) {
  std::string out;
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    return std::string(in);
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, sizeof buf - dstLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG)
        continue;
      // EILSEQ or EINVAL: one unusable input unit; replace it and go on.
      out.append(bad);
      size_t step = badInputStep;
      if (step == 0) { // a UTF-8 sequence: skip the lead byte and its continuation bytes
        step = 1;
        while (step < srcLeft && (static_cast<unsigned char>(src[step]) & 0xC0) == 0x80)
          ++step;
      }
      step = std::min(step, srcLeft);
      src += step;
      srcLeft -= step;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, sizeof buf - dstLeft);
  iconv_close(cd);
  return out;
}

} // namespace

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  bool ascii = true;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii)
    return std::string(bytes);
  return Convert(bytes, "UTF-8", IconvName(codePage), "\xEF\xBF\xBD", 1);
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  bool ascii = true;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii)
    return std::string(utf8);
  return Convert(utf8, IconvName(codePage), "UTF-8", "?", 0);
}

std::string DecodeText(std::string_view bytes, int fallbackCodePage) {
  std::string_view body = StripUtf8Bom(bytes);
  if (IsValidUtf8(body))
    return std::string(body);
  return CodePageToUtf8(bytes, fallbackCodePage);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16ToUtf8(const uint8_t* p, size_t size, bool bigEndian) {
  std::string out;
  for (size_t i = 0; i + 1 < size; i += 2) {
    char32_t u = bigEndian ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8);
    if (u == 0)
      break;
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < size) { // a surrogate pair
      char32_t lo = bigEndian ? (p[i + 2] << 8) | p[i + 3] : p[i + 2] | (p[i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000)
      u = 0xFFFD; // a lone surrogate
    AppendUtf8(out, u);
  }
  return out;
}

} // namespace zv
