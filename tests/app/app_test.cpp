#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {
const std::string kBinary = ZV_BINARY;
const std::vector<std::string> kHeadless = {"QT_QPA_PLATFORM=offscreen"};
} // namespace

TEST(App, VersionAndHelpPrintAndExit) {
  for (const char* sw : {"--version", "-version", "/VERSION", "--Version"}) {
    auto r = zvtest::RunProgram({kBinary, sw});
    EXPECT_EQ(r.exitCode, 0) << sw;
    EXPECT_EQ(r.out, "Zelvar 4.4 (build 5750)\n") << sw;
  }
  auto h = zvtest::RunProgram({kBinary, "--help"});
  EXPECT_EQ(h.exitCode, 0);
  EXPECT_NE(h.out.find("Usage: zelvar"), std::string::npos);
  EXPECT_NE(h.out.find("/FULLSCREEN"), std::string::npos);
}

TEST(App, AFileNamedLikeASwitchIsNotOne) {
  zvtest::TempDir home;
  // "/version.avi" is not the switch "version": its name before any "=" differs.
  auto r = zvtest::RunProgram({kBinary, "/version.avi"}, {"ZELVAR_HOME=" + home.str(), kHeadless[0]});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.find("Usage"), std::string::npos);
}

TEST(App, NoLogUnlessTheFileExists) {
  zvtest::TempDir home;
  auto r = zvtest::RunProgram({kBinary}, {"ZELVAR_HOME=" + home.str(), kHeadless[0]});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Zelvar 4.4 (build 5750)"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home.file("ZV.log")));
}

TEST(App, SessionLogInTheProgramFolder) {
  zvtest::TempDir home;
  zvtest::WriteFile(home.file("ZV.log"), "stale");
  auto r = zvtest::RunProgram({kBinary, "my film.avi"}, {"ZELVAR_HOME=" + home.str(), kHeadless[0]});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string log = zvtest::ReadFile(home.file("ZV.log"));
  EXPECT_EQ(log.find("stale"), std::string::npos);
  std::vector<std::string> lines;
  std::regex stamp(R"(^\[\d{3}:\d\d,\d{4}\])");
  size_t i = 0;
  std::string prevStamp;
  while (i < log.size()) {
    size_t j = log.find("\r\n", i);
    ASSERT_NE(j, std::string::npos);
    std::string line = log.substr(i, j - i);
    ASSERT_TRUE(std::regex_search(line, stamp)) << line;
    EXPECT_GE(line.substr(0, 13), prevStamp);
    prevStamp = line.substr(0, 13);
    lines.push_back(line.substr(13));
    i = j + 2;
  }
  ASSERT_GE(lines.size(), 14u);
  EXPECT_EQ(lines[0], "= Session Start =");
  EXPECT_EQ(lines[1], "+SysInfo");
  EXPECT_TRUE(lines[2].starts_with("    CPU x")) << lines[2];
  EXPECT_TRUE(lines[3].starts_with("    RAM ")) << lines[3];
  EXPECT_TRUE(lines[4].starts_with("    Linux ")) << lines[4];
  EXPECT_EQ(lines[6], "    MicroFreq = 10000000");
  EXPECT_TRUE(lines[7].starts_with("    Screen Resolution: ")) << lines[7];
  EXPECT_TRUE(lines[8].starts_with("    Monitor count: ")) << lines[8];
  EXPECT_EQ(lines[9], "-SysInfo");
  EXPECT_EQ(lines[10], "+Core.Create");
  EXPECT_EQ(lines[11], "   System.CmdLine=" + kBinary + " \"my film.avi\"");
  EXPECT_EQ(lines[12], "   === Zelvar 4.4 (build 5750) ===");
  EXPECT_EQ(lines[13], "-Core.Create");
  EXPECT_TRUE(lines[lines.size() - 2].starts_with("Memory Leak Guard - Count:"));
  EXPECT_EQ(lines.back(), "= Session End =");
}
