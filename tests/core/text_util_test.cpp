#include "core/colour.h"
#include "core/stream_address.h"
#include "core/text_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zv;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), std::numeric_limits<int64_t>::min());
}

TEST(CopyStr, ClampsInsteadOfThrowing) {
  EXPECT_EQ(CopyStr("abcdef", 1, 3), "abc");
  EXPECT_EQ(CopyStr("abcdef", 4, 100), "def");
  EXPECT_EQ(CopyStr("abcdef", 6, 1), "f");
  EXPECT_EQ(CopyStr("abcdef", 7, 1), ""); // start past the end
  EXPECT_EQ(CopyStr("abcdef", 1000, 5), "");
  EXPECT_EQ(CopyStr("abcdef", 2, 0), ""); // count <= 0
  EXPECT_EQ(CopyStr("abcdef", 2, -5), "");
  EXPECT_EQ(CopyStr("abcdef", 0, 2), "ab"); // a start below 1 counts from the first character
  EXPECT_EQ(CopyStr("abcdef", -7, 2), "ab");
  EXPECT_EQ(CopyStr("", 1, 1), "");
  EXPECT_EQ(CopyStr("abc", 2, std::numeric_limits<int64_t>::max()), "bc");
  EXPECT_EQ(CopyFrom("abcdef", 3), "cdef");
  EXPECT_EQ(CopyFrom("abcdef", 9), "");
}

TEST(StrToIntStrict, SignAndDigitsOnlyWithin32Bits) {
  EXPECT_EQ(StrToIntStrict("0"), 0);
  EXPECT_EQ(StrToIntStrict("-17"), -17);
  EXPECT_EQ(StrToIntStrict("+17"), 17);
  EXPECT_EQ(StrToIntStrict("2147483647"), 2147483647);
  EXPECT_EQ(StrToIntStrict("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(StrToIntStrict("007"), 7);
  for (const char* bad : {"", "-", "+", "2147483648", "-2147483649", "99999999999999999999999", " 1", "1 ", "1.0",
                          "0x10", "$10", "1e3", "--1", "+-1", "12a"})
    EXPECT_FALSE(StrToIntStrict(bad).has_value()) << bad;
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToInt64Strict("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(StrToInt64Strict("9223372036854775808"));
}

TEST(ParseDecimal, AcceptsCommaAndPointWhateverTheLocale) {
  EXPECT_EQ(ParseDecimal("25,00"), 25.0);
  EXPECT_EQ(ParseDecimal("25.00"), 25.0);
  EXPECT_EQ(ParseDecimal("-1,5"), -1.5);
  EXPECT_EQ(ParseDecimal("+.5"), 0.5);
  EXPECT_EQ(ParseDecimal("7"), 7.0);
  EXPECT_EQ(ParseDecimal("5."), 5.0);
  EXPECT_EQ(ParseDecimal("  3,25 "), 3.25);
  EXPECT_EQ(ParseDecimal("1,5e2"), 150.0);
  EXPECT_EQ(ParseDecimal("2E-1"), 0.2);
  for (const char* bad : {"", " ", ",", "-", "1,000.5", "1..2", "abc", "1x", "1e", "1e+", "--1", "1 2", "nan", "inf"})
    EXPECT_FALSE(ParseDecimal(bad).has_value()) << bad;
}

TEST(DecimalSeparator, ComesFromTheNamedLocaleAndFallsBackToAPoint) {
  EXPECT_EQ(DecimalSeparatorOf("C"), ".");
  EXPECT_EQ(DecimalSeparatorOf("C.UTF-8"), ".");
  EXPECT_EQ(DecimalSeparatorOf("xx_NOWHERE.UTF-8"), ".") << "a locale that is not installed";
  EXPECT_FALSE(UserDecimalSeparator().empty());
}

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abc-XYZ_09"), "ABC-XYZ_09");
  EXPECT_EQ(LowerCase("ABC"), "abc");
  // UTF-8 bytes pass through unchanged ("й" and "Й" stay different).
  EXPECT_EQ(UpperCase("\xd0\xb9"), "\xd0\xb9");
  EXPECT_FALSE(SameText("\xd0\xb9", "\xd0\x99"));
  EXPECT_TRUE(SameText("PlayList.Repeat", "playlist.REPEAT"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_EQ(CompareText("ABC", "abc"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("\xc3\xa9", "z"), 0); // bytes compare unsigned
  EXPECT_TRUE(StartsText("/sk", "/SKIN=x"));
  EXPECT_TRUE(EndsText(".AVI", "film.avi"));
  EXPECT_FALSE(EndsText(".AVI", "vi"));
  EXPECT_EQ(FindText("a{MaJ}b", "{maj}"), 1u);
  EXPECT_EQ(FindText("abc", "d"), std::string_view::npos);
}

TEST(NaturalCompare, NumbersAsNumbersLettersWithoutCase) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  for (Case c : {Case{"film2.avi", "film10.avi", -1}, Case{"Track 1.mp3", "track 2.mp3", -1},
                 Case{"track 10.mp3", "Track 9.mp3", 1}, Case{"a007", "a7", -1}, // equal as numbers: bytes decide
                 Case{"a7", "a7", 0}, Case{"abc", "ABD", -1}, Case{"x", "x1", -1}, Case{"", "a", -1},
                 Case{"99999999999999999999999", "100000000000000000000000", -1}, // beyond 64 bits
                 Case{"b", "A", 1}, Case{"Ä", "z", 1}}) {
    EXPECT_EQ(NaturalCompare(c.a, c.b), c.expected) << c.a << " / " << c.b;
    EXPECT_EQ(NaturalCompare(c.b, c.a), -c.expected) << c.b << " / " << c.a;
  }
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce) {
  EXPECT_EQ(ReplaceAll("{P} {p}", "{P}", "Zelvar", true), "Zelvar Zelvar");
  EXPECT_EQ(ReplaceAll("{P} {p}", "{P}", "Zelvar"), "Zelvar {p}");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa"); // the replacement is not scanned again
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

TEST(TrimAndSplit, Work) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(SplitString("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitString("", ','), (std::vector<std::string>{""}));
}

TEST(Colour, BgrLayoutRoundTrips) {
  // Red lives in the low byte; 65535 is yellow.
  EXPECT_EQ(ColorToRgb(65535), (TRgb{255, 255, 0}));
  EXPECT_EQ(ColorToRgb(0x00FF0000), (TRgb{0, 0, 255}));
  EXPECT_EQ(RgbToColor(255, 0, 0), 0x000000FFu);
  EXPECT_EQ(RgbToColor(ColorToRgb(0x00123456)), 0x00123456u);
  EXPECT_EQ(RgbToColor(ColorToRgb(0xFF123456)), 0x00123456u); // the top byte is not a colour
  EXPECT_EQ(ColorToArgb(0x040004), 0xFF040004u);
  EXPECT_EQ(ColorToArgb(0x0000FF), 0xFFFF0000u);
  EXPECT_EQ(ArgbToColor(0x80FF0000u), 0x000000FFu);
  EXPECT_EQ(ArgbToColor(ColorToArgb(16776960)), 16776960u);
}

TEST(StreamAddress, OnlyNetworkStreamsAndLocalFileNamesAreOpened) {
  struct Case {
    const char* address;
    bool accepted;
  };
  const Case cases[] = {
      {"http://radio.example:8000/live", true},
      {"HTTPS://radio.example/live", true},
      {"mms://media.example/a", true},
      {"mmsh://media.example/a", true},
      {"mmst://media.example/a", true},
      {"rtsp://cam.example/1", true},
      {"rtsps://cam.example/1", true},
      {"rtmp://live.example/app", true},
      {"udp://239.1.2.3:5000", true},
      {"udp://@239.1.2.3:5000", true},
      {"udp://[ff02::1]:5000", true},
      {"file:///home/me/film.avi", true},
      {"udp://127.0.0.1:5000", false}, // a unicast port to listen on
      {"udp://0.0.0.0:5000", false},
      {"udp://radio.example:5000", false},
      {"file://otherhost/share/film.avi", false},
      {"fd://0", false},
      {"v4l2:///dev/video0", false},
      {"pulse://default", false},
      {"appsrc://", false},
      {"ftp://files.example/a.mp3", false},
      {"c:/film.avi", false},
      {"http:/radio.example", false},
      {"://x", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsAcceptedStreamAddress(c.address), c.accepted) << c.address;
  EXPECT_EQ(StreamScheme("HTTP://x"), "http");
  EXPECT_EQ(StreamScheme("no scheme"), "");
}
