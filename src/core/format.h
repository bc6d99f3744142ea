#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zv {

// One argument of Format. Integers remember whether they are 32 or 64 bits wide so that "%x" of a
// negative 32-bit code gives its 32-bit two's complement ("80040200"), never 16 digits.
class FmtArg {
public:
  enum class Kind { Int, Float, Text };

  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) FmtArg(T v) // NOLINT(google-explicit-constructor)
      : kind_(Kind::Int), bits_(sizeof(T) > 4 ? 64 : 32), unsigned_(std::is_unsigned_v<T>),
        i_(static_cast<int64_t>(v)) {}
  FmtArg(bool v) : kind_(Kind::Int), bits_(32), i_(v ? 1 : 0) {}
  FmtArg(char c) : kind_(Kind::Text), s_(&c_, 1), c_(c) {}
  FmtArg(double v) : kind_(Kind::Float), d_(v) {}
  FmtArg(float v) : kind_(Kind::Float), d_(v) {}
  FmtArg(const char* s) : kind_(Kind::Text), s_(s ? s : "") {}
  FmtArg(std::string_view s) : kind_(Kind::Text), s_(s) {}
  FmtArg(const std::string& s) : kind_(Kind::Text), s_(s) {}

  FmtArg(const FmtArg& o)
      : kind_(o.kind_), bits_(o.bits_), unsigned_(o.unsigned_), i_(o.i_), d_(o.d_), s_(o.s_), c_(o.c_) {
    if (o.s_.data() == &o.c_)
      s_ = std::string_view(&c_, 1);
  }
  FmtArg& operator=(const FmtArg&) = delete;

  Kind kind() const { return kind_; }
  int bits() const { return bits_; }
  bool isUnsigned() const { return unsigned_; }
  int64_t asInt() const { return i_; }
  double asFloat() const { return d_; }
  std::string_view asText() const { return s_; }

private:
  Kind kind_;
  int bits_ = 32;
  bool unsigned_ = false;
  int64_t i_ = 0;
  double d_ = 0;
  std::string_view s_;
  char c_ = 0;
};

// The program's formatting routine. Directives: "%" [index ":"] ["-"] [width] ["." precision] type,
// width and precision may be "*" (taken from the arguments). Types:
//   d  decimal; the precision is the minimum number of digits ("%.2d" of 0 is "00", "%.d" of 0 is "0")
//   u  unsigned decimal of the argument's width
//   x  hexadecimal with upper-case digits, of the argument's width (32 or 64 bits)
//   f  fixed point, precision 2 unless given;  e  scientific;  g  general;  n  fixed with thousands
//   s  text (the precision is the maximum length)
//   %  a percent sign
// A width pads with blanks, on the left, or on the right after "-" (a leading "0" in the width is
// just a digit: "%08x" pads with blanks). Decimal points are always "." whatever the locale.
// A missing argument formats as empty text and a directive of an unknown type is copied unchanged;
// an argument of another kind is formatted in its own natural form, so a bad template in a
// language file never stops the program.
std::string FormatArgs(std::string_view fmt, std::span<const FmtArg> args);

template <class... A>
std::string Format(std::string_view fmt, const A&... a) {
  if constexpr (sizeof...(A) == 0) {
    return FormatArgs(fmt, {});
  } else {
    const FmtArg args[] = {FmtArg(a)...};
    return FormatArgs(fmt, std::span<const FmtArg>(args, sizeof...(A)));
  }
}

} // namespace zv
