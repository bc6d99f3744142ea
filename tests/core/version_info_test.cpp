#include "core/app_paths.h"
#include "core/version_info.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
TFileVersionInfo With(std::optional<TVersionBlock> block) {
  return TFileVersionInfo("file", [block](const std::string&) { return block; });
}
} // namespace

TEST(FileVersionInfo, TheProgramCarriesItsOwnVersion) {
  TFileVersionInfo v(ExePath());
  EXPECT_EQ(v.Format("{P} {MAJ}.{MIN}{RI} (build {B})"), "Zelvar 4.4 (build 5750)");
  EXPECT_EQ(v.Format("{P} {MAJ}.{MIN}"), "Zelvar 4.4");
  EXPECT_EQ(v.Format("{MAJ}.{MIN}"), "4.4");
  EXPECT_EQ(v.Format("{B}"), "5750");
  EXPECT_EQ(v.LongVersion(), "4.4");
  EXPECT_FALSE(v.PreRelease());
  // The build must stay above every upgrade step of the preference store.
  EXPECT_GE(std::stoi(v.Build()), 5750);
}

TEST(FileVersionInfo, AFileWithoutVersionBlockKeepsTheDefaults) {
  EXPECT_EQ(With(std::nullopt).Format("{P} {MAJ}.{MIN}{RI} (build {B})"), "? 0.1 (build 1)");
  TFileVersionInfo other("/bin/sh");
  EXPECT_EQ(other.Format("{P} {MAJ}.{MIN}{RI} (build {B})"), "? 0.1 (build 1)");
}

TEST(FileVersionInfo, PlaceholdersIgnoreCaseAndUnknownOnesStay) {
  auto v = With(TVersionBlock{"Zelvar", 4, 4, 0, 794, false});
  EXPECT_EQ(v.Format("{p} {maj}.{Min}{ri} (build {b})"), "Zelvar 4.4 (build 794)");
  EXPECT_EQ(v.Format("{X} {P}{P}"), "{X} ZelvarZelvar");
  EXPECT_EQ(v.Format("{R}|{RI}"), "|");
}

TEST(FileVersionInfo, PreReleaseTexts) {
  auto v = With(TVersionBlock{"Zelvar", 4, 5, 3, 6000, true});
  EXPECT_EQ(v.Format("{P} {MAJ}.{MIN}{RI} (build {B})"), "Zelvar 4.5 beta 3 (build 6000)");
  EXPECT_EQ(v.Format("{P}{R}"), "Zelvar beta");
  EXPECT_EQ(v.LongVersion(), "4.5 Beta 3 (build 6000)");
}

TEST(FileVersionInfo, EveryFormatReadsTheBlockAgain) {
  int build = 100;
  TFileVersionInfo v("f", [&build](const std::string&) {
    return std::optional<TVersionBlock>(TVersionBlock{"P", 1, 0, 0, build, false});
  });
  EXPECT_EQ(v.Format("{B}"), "100");
  build = 101;
  EXPECT_EQ(v.Format("{B}"), "101");
  TFileVersionInfo none("f", [](const std::string&) {
    return std::optional<TVersionBlock>(TVersionBlock{"", 2, 0, 0, 5, false});
  });
  EXPECT_EQ(none.Format("{P}"), "?"); // a block without a product name keeps "?"
}
