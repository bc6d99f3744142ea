#include "core/md5.h"

#include <gtest/gtest.h>

using zv::Md5Hex;

TEST(Md5, RfcTestSuiteInUpperCase) {
  EXPECT_EQ(Md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(Md5Hex("a"), "0CC175B9C0F1B6A831C399E269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(Md5Hex("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57EDF4A22BE3C955AC49DA2E2107B67A");
}

TEST(Md5, CoversTheWholeRangeIncludingNulBytes) {
  std::string block(65536, '\0');
  block[65535] = 1;
  std::string other(65536, '\0');
  EXPECT_NE(Md5Hex(block), Md5Hex(other));
  EXPECT_EQ(Md5Hex(block.data(), 10), Md5Hex(std::string(10, '\0')));
  EXPECT_EQ(Md5Hex(block).size(), 32u);
}
