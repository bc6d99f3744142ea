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

TEST(AtomicFile, NeverReplacesWhatTheUserMustKeep) {
  zvtest::TempDir dir;
  struct Case {
    const char* name;
    mode_t mode;
    bool unreadable;
  };
  for (Case c : {Case{"readonly.xml", 0444, false}, Case{"nobits.xml", 0000, false}, Case{"unread.xml", 0644, true}}) {
    std::string path = dir.file(c.name);
    zvtest::WriteFile(path, "the user's");
    ::chmod(path.c_str(), c.mode);
    if (c.unreadable)
      KeepUnwritten(path);
    EXPECT_THROW(WriteFileAtomic(path, "defaults"), EZvError) << c.name;
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(zvtest::ReadFile(path), "the user's") << c.name;
  }
  EXPECT_EQ(CountEntries(dir.path()), 3u) << "no temporary file left";
  // A file beside them is written as usual.
  EXPECT_NO_THROW(WriteFileAtomic(dir.file("other.xml"), "x"));
}

TEST(AtomicFile, TemporaryFilesOfAKilledSaveAreRemoved) {
  zvtest::TempDir dir;
  for (const char* f : {".ZV.xml.AbC123", ".mc.xml.zZ9yY8", ".other.xml.AbC123", "ZV.xml.AbC123", ".ZV.xml.toolong1"})
    zvtest::WriteFile(dir.file(f), "partial");
  // A save in progress, as another instance may be making one.
  TAtomicFileStream busy(dir.file("ZV.zvp"));
  busy.WriteText("half");
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.str(), {"ZV.xml", "ZV.zvp", "mc.xml"}), 2);
  EXPECT_FALSE(fs::exists(dir.file(".ZV.xml.AbC123")));
  EXPECT_FALSE(fs::exists(dir.file(".mc.xml.zZ9yY8")));
  EXPECT_TRUE(fs::exists(busy.TempPath()));
  for (const char* f : {".other.xml.AbC123", "ZV.xml.AbC123", ".ZV.xml.toolong1"})
    EXPECT_TRUE(fs::exists(dir.file(f))) << f << " is not ours";
  busy.Commit();
  EXPECT_EQ(zvtest::ReadFile(dir.file("ZV.zvp")), "half");
}
