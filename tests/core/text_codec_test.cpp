#include "core/text_codec.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(TextCodec, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82")); // "Привет"
  EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x8e\xac"));                                 // U+1F3AC
  EXPECT_FALSE(IsValidUtf8("\xcf\xf0\xe8\xe2\xe5\xf2"));                        // "Привет" in Windows-1251
  EXPECT_FALSE(IsValidUtf8("\xc0\x80"));                                        // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xe0\x80\xaf"));                                    // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));                                    // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));                                // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xd0"));                                            // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(TextCodec, DecodeTextChoosesUtf8OrTheCodePage) {
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFkey=\xd0\x94"), "key=\xd0\x94");
  EXPECT_EQ(DecodeText("\xcf\xf0\xe8\xe2\xe5\xf2", 1251), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
  EXPECT_EQ(DecodeText("caf\xe9"), "caf\xc3\xa9");     // Windows-1252 by default
  EXPECT_EQ(DecodeText("\x80", 1252), "\xe2\x82\xac"); // the euro sign
  // A byte Windows-1252 leaves undefined becomes the replacement character, the rest survives.
  EXPECT_EQ(DecodeText("a\x81z", 1252), "a\xef\xbf\xbdz");
  EXPECT_EQ(DecodeText("ascii only", 1251), "ascii only");
}

TEST(TextCodec, CharsetsAndReverseConversion) {
  EXPECT_EQ(CodePageOfCharset(0), 1252);
  EXPECT_EQ(CodePageOfCharset(1), 1252);
  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(12345), 1252);
  EXPECT_EQ(Utf8ToCodePage("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", 1251), "\xcf\xf0\xe8\xe2\xe5\xf2");
  // Characters the target cannot hold become "?", one per character.
  EXPECT_EQ(Utf8ToCodePage("a\xe4\xb8\xad"
                           "b\xd0\x94",
                           1252),
            "a?b?");
  EXPECT_EQ(CodePageToUtf8(Utf8ToCodePage("Ж\xc3\xa9", 1251), 1251), "Ж?");
  std::string out;
  AppendUtf8(out, 0x44);
  AppendUtf8(out, 0x414);
  AppendUtf8(out, 0x20AC);
  AppendUtf8(out, 0x1F3AC);
  AppendUtf8(out, 0xD800);
  EXPECT_EQ(out, "D\xd0\x94\xe2\x82\xac\xf0\x9f\x8e\xac\xef\xbf\xbd");
}
