#include "core/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using zv::Format;

TEST(Format, IntegersAndPadding) {
  EXPECT_EQ(Format("%d", 0), "0");
  EXPECT_EQ(Format("%d", -42), "-42");
  EXPECT_EQ(Format("%d", std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(Format("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(Format("%d", uint64_t{18446744073709551615u}), "18446744073709551615");
  // Precision is a minimum digit count, and 0 with "%.2d" still shows both digits.
  EXPECT_EQ(Format("%.2d", 0), "00");
  EXPECT_EQ(Format("%.2d", 7), "07");
  EXPECT_EQ(Format("%.2d", 123), "123");
  EXPECT_EQ(Format("%.3d", -5), "-005");
  // "%.d" has no digits given: unlike printf, 0 is still written.
  EXPECT_EQ(Format("%.d", 0), "0");
  EXPECT_EQ(Format("%.d", 5), "5");
  // A width pads with blanks, never zeros, even when it starts with 0.
  EXPECT_EQ(Format("%5d", 42), "   42");
  EXPECT_EQ(Format("%-5d|", 42), "42   |");
  EXPECT_EQ(Format("%08x", 255), "      FF");
  EXPECT_EQ(Format("%1d", 12345), "12345");
  EXPECT_EQ(Format("%5.3d", 7), "  007");
}

TEST(Format, HexIsUpperCaseAndKeepsTheArgumentWidth) {
  EXPECT_EQ(Format("%x", 0xabcdef), "ABCDEF");
  EXPECT_EQ(Format("%X", 0xabcdef), "ABCDEF");
  EXPECT_EQ(Format("%.8x", 0x1234), "00001234");
  EXPECT_EQ(Format("%.4x", 0x55), "0055");
  // A negative 32-bit result code is its two's complement in eight digits.
  EXPECT_EQ(Format("%.8x", static_cast<int32_t>(0x80040200u)), "80040200");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", int64_t{-1}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("0x%.8x", 0), "0x00000000");
  EXPECT_EQ(Format("DS.Err%x", static_cast<int32_t>(0x8004027Bu)), "DS.Err8004027B");
  EXPECT_EQ(Format("%.2X%.2X%.2X%.2X", 4, 9, 0xe4, 0xb0), "0409E4B0");
  EXPECT_EQ(Format("%u", -1), "4294967295");
}

TEST(Format, FixedPointIgnoresTheLocale) {
  EXPECT_EQ(Format("%1.7f", 0.5), "0.5000000");
  EXPECT_EQ(Format("%1.2f", 29.97), "29.97");
  EXPECT_EQ(Format("%f", 3.14159), "3.14");
  EXPECT_EQ(Format("%2.1f", -1.5), "-1.5");
  EXPECT_EQ(Format("%2.1f", 0.0), "0.0");
  EXPECT_EQ(Format("%.2f", -0.001), "0.00"); // no negative zero
  EXPECT_EQ(Format("%8.2f|", 1.0), "    1.00|");
  EXPECT_EQ(Format("%1.3f", 1.0 / 3.0), "0.333");
  EXPECT_EQ(Format("%f", 10), "10.00"); // an integer argument to a float directive
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", -1234.0), "-1,234");
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%g", 0.1), "0.1");
}

TEST(Format, TextPercentAndIndexes) {
  EXPECT_EQ(Format("%s", "abc"), "abc");
  EXPECT_EQ(Format("%s", std::string("x y")), "x y");
  EXPECT_EQ(Format("%.2s", "abcdef"), "ab");
  EXPECT_EQ(Format("%6s|%-6s|", "ab", "cd"), "    ab|cd    |");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%d%%", 50), "50%");
  EXPECT_EQ(Format("%s=%d", 'c', 3), "c=3");
  EXPECT_EQ(Format("%1:s %0:s", "world", "hello"), "hello world");
  EXPECT_EQ(Format("%*d", 5, 42), "   42");
  EXPECT_EQ(Format("[%.3d:%.2d,%.4d]", 1, 15, 2500), "[001:15,2500]");
  EXPECT_EQ(Format(" CPU x%d, %d MHz; Caps: %s %s", 4, 2400, "MMX", ""), " CPU x4, 2400 MHz; Caps: MMX ");
}

TEST(Format, BadTemplatesNeverThrow) {
  // Templates can come from language files: mistakes give readable text, not an exception.
  EXPECT_EQ(Format("%d and %d", 1), "1 and ");
  EXPECT_EQ(Format("%d", "text"), "text");
  EXPECT_EQ(Format("%s", 12), "12");
  EXPECT_EQ(Format("%q", 1), "%q");
  EXPECT_EQ(Format("ends with %"), "ends with %");
  EXPECT_EQ(Format("ends with %5"), "ends with %5");
  EXPECT_EQ(Format("%5:d", 1), "");
  EXPECT_EQ(Format("%99999999999d", 1).size(), 4096u); // widths are bounded
  EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "");
}
