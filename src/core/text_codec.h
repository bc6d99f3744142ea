#pragma once

#include <string>
#include <string_view>

namespace zv {

// Text in memory is UTF-8. Files are read as bytes and decoded: valid UTF-8 stays as it is (a
// leading byte-order mark is dropped), anything else is taken as a legacy single- or double-byte
// code page.

bool IsValidUtf8(std::string_view bytes);
// Drops a leading UTF-8 byte-order mark.
std::string_view StripUtf8Bom(std::string_view bytes);

// The Windows code page of a font character-set number (0 and 1 give 1252, 204 gives 1251, ...).
int CodePageOfCharset(int charset);

// Converts bytes of a Windows code page (1250-1258, 874, 932, 936, 949, 950) to UTF-8. Bytes the
// code page does not define become U+FFFD; an unknown code page is treated as 1252.
std::string CodePageToUtf8(std::string_view bytes, int codePage);
// Converts UTF-8 to a Windows code page; characters it cannot hold become "?".
std::string Utf8ToCodePage(std::string_view utf8, int codePage);

// The decoding rule for text files: UTF-8 when valid (BOM dropped), else the given code page.
std::string DecodeText(std::string_view bytes, int fallbackCodePage = 1252);

// Appends the UTF-8 form of a code point (invalid ones become U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);
// UTF-16 text (either byte order) up to its first zero unit, as UTF-8; lone surrogates become U+FFFD.
std::string Utf16ToUtf8(const uint8_t* p, size_t size, bool bigEndian);

} // namespace zv
