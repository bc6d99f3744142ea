#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// NaN gives 0; values beyond the 64-bit range saturate.
int64_t RoundHalfEven(double v);

// a + b, stopping at the largest or smallest 64-bit value (times read from files may be as large as
// their fields allow).
inline int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r))
    return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

// The 1-based substring of at most `count` characters from `index`. An index below 1 counts from
// the first character; an index past the end or a count <= 0 gives empty text. Never throws.
std::string CopyStr(std::string_view s, int64_t index, int64_t count);
// Everything from the 1-based `index` to the end.
std::string CopyFrom(std::string_view s, int64_t index);

// Strict integer conversion: an optional sign followed by decimal digits only, fitting 32 bits.
std::optional<int32_t> StrToIntStrict(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
std::optional<int64_t> StrToInt64Strict(std::string_view s);

// Locale-independent decimal parser: optional blanks, sign, digits with at most one decimal
// separator ("," or "."), an optional exponent. "25,00" and "25.00" are both 25.0.
std::optional<double> ParseDecimal(std::string_view s);
// Whether a media name is a stream's address ("http://...", "mms://...") rather than a file name.
inline bool IsStreamName(std::string_view name) { return name.find(":/") != std::string_view::npos; }

// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), read once; the
// process's own locale stays "C". "." when the locale is unknown.
const std::string& UserDecimalSeparator();
// The decimal separator of a named locale ("de_DE.UTF-8"); "." when it is not installed.
std::string DecimalSeparatorOf(const char* localeName);

// ASCII-only case folding; bytes of 128 and above (UTF-8 sequences) are never touched.
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// The order people expect of names: runs of digits compare as numbers ("film2" before "film10"),
// letters without regard to ASCII case; names equal that way fall back to their bytes, so the
// order is total. Negative, 0 or positive like strcmp.
int NaturalCompare(std::string_view a, std::string_view b);
inline bool NaturalLess(std::string_view a, std::string_view b) { return NaturalCompare(a, b) < 0; }
// <0, 0 or >0 like strcmp, after folding ASCII letters to upper case.
int CompareText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view s);
bool EndsText(std::string_view suffix, std::string_view s);
// Position of `needle` in `s` from `from` without regard to ASCII case, or npos.
size_t FindText(std::string_view s, std::string_view needle, size_t from = 0);

// Replaces every occurrence of `from` (non-empty) by `to`, left to right, without rescanning the
// replacement.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase = false);

// Trims characters with codes up to and including the blank.
std::string_view Trim(std::string_view s);
// The text with &, <, >, " and ' written as entities, for XML and HTML documents.
std::string EscapeMarkup(std::string_view text);
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

std::vector<std::string> SplitString(std::string_view s, char sep);

// Text from outside (stream titles and headers, tags, names) is kept to this many bytes.
constexpr size_t kOutsideTextLimit = 4096;
// At most `limit` bytes of the text, cut before a UTF-8 sequence rather than inside one.
std::string_view CutUtf8(std::string_view s, size_t limit);
// CutUtf8 with the outside-text limit; a cut text ends with "...".
std::string BoundText(std::string_view s, size_t limit = kOutsideTextLimit);
// The text with its control characters written out ("\r", "\n", "\t", "\x1B" ...), so that it
// stays on one line and sends nothing to a terminal; a backslash stays as it is.
std::string EscapeControls(std::string_view s);

} // namespace zv
