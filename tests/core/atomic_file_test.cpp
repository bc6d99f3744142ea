#include "core/atomic_file.h"
#include "core/error.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace zv;
namespace fs = std::filesystem;

namespace {
size_t CountEntries(const fs::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
    ++n;
  return n;
}
} // namespace

TEST(AtomicFile, ReplacesTheFileOnlyOnCommit) {
  zvtest::TempDir dir;
  std::string path = dir.file("ZV.xml");
  zvtest::WriteFile(path, "old contents");
  {
    TAtomicFileStream f(path);
    f.WriteText("new ");
    // Until the commit the old file is whole and the new bytes sit in a temporary file beside it.
    EXPECT_EQ(zvtest::ReadFile(path), "old contents");
    EXPECT_EQ(fs::path(f.TempPath()).parent_path(), dir.path());
    f.WriteText("contents");
    f.Commit();
  }
  EXPECT_EQ(zvtest::ReadFile(path), "new contents");
  EXPECT_EQ(CountEntries(dir.path()), 1u);
}

TEST(AtomicFile, AWriterDroppedMidWayLeavesTheOldFile) {
  zvtest::TempDir dir;
  std::string path = dir.file("list.zvp");
  zvtest::WriteFile(path, "keep me");
  {
    TAtomicFileStream f(path);
    f.WriteText("half a fi");
    // Destroyed without Commit: a failure between writing and renaming.
  }
  EXPECT_EQ(zvtest::ReadFile(path), "keep me");
  EXPECT_EQ(CountEntries(dir.path()), 1u);
}

TEST(AtomicFile, AFailedRenameRaisesAndKeepsTheOldFile) {
  zvtest::TempDir dir;
  // The target is a non-empty folder, so the final rename fails after every byte was written.
  std::string target = dir.file("busy");
  fs::create_directory(target);
  zvtest::WriteFile(target + "/inside", "x");
  TAtomicFileStream f(target);
  f.WriteText("data");
  EXPECT_THROW(f.Commit(), EZvError);
  EXPECT_EQ(zvtest::ReadFile(target + "/inside"), "x");
  EXPECT_EQ(CountEntries(dir.path()), 1u); // no temporary file left behind
}

TEST(AtomicFile, UnwritableFolderRaisesAtOnce) {
  // No one can create files here, root included.
  EXPECT_THROW(WriteFileAtomic("/proc/zelvar-test", "y"), EZvError);
}

TEST(AtomicFile, MissingFolderRaises) {
  zvtest::TempDir dir;
  EXPECT_THROW(WriteFileAtomic(dir.file("no/such/folder/x"), "y"), EZvError);
}

TEST(AtomicFile, KeepsPermissionsAndSymbolicLinks) {
  zvtest::TempDir dir;
  std::string real = dir.file("real.xml");
  zvtest::WriteFile(real, "v1");
  ::chmod(real.c_str(), 0600);
  std::string link = dir.file("link.xml");
  fs::create_symlink("real.xml", link);
  WriteFileAtomic(link, "v2");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(zvtest::ReadFile(real), "v2");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(AtomicFile, CreatesANewFile) {
  zvtest::TempDir dir;
  WriteFileAtomic(dir.file("new.txt"), std::string("a\0b", 3));
  EXPECT_EQ(zvtest::ReadFile(dir.file("new.txt")), std::string("a\0b", 3));
}
