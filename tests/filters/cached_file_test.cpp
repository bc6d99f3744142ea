#include "core/session_log.h"
#include "core/stream.h"
#include "filters/cached_file.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace zv;

namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

// Overwrites bytes of a file in place (same file, new contents), so a test can tell a cached read
// (old bytes) from one that went to the file (new bytes).
void Overwrite(const std::string& path, int64_t at, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

std::string LogOf(const std::function<void()>& body) {
  zvtest::TempDir dir;
  TSessionLog::Options o;
  o.path = dir.file("ZV.log");
  zvtest::WriteFile(o.path, "");
  SessionLog().Start(std::move(o));
  body();
  SessionLog().End();
  return zvtest::ReadFile(dir.file("ZV.log"));
}

} // namespace

TEST(CachedFile, ReadsNearTheEndDeliverWhatIsThere) {
  zvtest::TempDir dir;
  std::string data = Pattern(10000);
  zvtest::WriteFile(dir.file("f"), data);
  TCachedFile f(dir.file("f"));
  EXPECT_EQ(f.FileSize(), 10000);
  char b[16] = {};
  EXPECT_EQ(f.Read(b, 8, 9996), 4);
  EXPECT_EQ(std::string(b, 4), data.substr(9996, 4));
  EXPECT_EQ(f.Read(b, 8, 10000), 0);
  EXPECT_EQ(f.Read(b, 8, 20000), 0);
  EXPECT_EQ(f.ReadDWord(9998), 0u) << "only two of the four bytes exist";
  EXPECT_EQ(f.ReadByte(9999), static_cast<uint8_t>(data[9999]));
  uint32_t expected = static_cast<uint8_t>(data[100]) | (static_cast<uint8_t>(data[101]) << 8) |
                      (static_cast<uint8_t>(data[102]) << 16) |
                      (static_cast<uint32_t>(static_cast<uint8_t>(data[103])) << 24);
  EXPECT_EQ(f.ReadDWord(100), expected);
}

TEST(CachedFile, ABlockSizedReadIsCachedOneByteMoreGoesToTheFile) {
  zvtest::TempDir dir;
  std::string path = dir.file("f");
  zvtest::WriteFile(path, Pattern(3 * 4096));
  TCachedFile f(path);
  std::string first(4096, '\0');
  ASSERT_EQ(f.Read(first.data(), 4096, 0), 4096);
  Overwrite(path, 0, std::string(4097, 'X'));
  std::string again(4097, '\0');
  ASSERT_EQ(f.Read(again.data(), 4096, 0), 4096);
  EXPECT_EQ(again.substr(0, 4096), first) << "a hit makes no file access";
  ASSERT_EQ(f.Read(again.data(), 4097, 0), 4097);
  EXPECT_EQ(again, std::string(4097, 'X')) << "larger reads bypass the blocks";
  // ... and evict nothing.
  ASSERT_EQ(f.Read(again.data(), 16, 0), 16);
  EXPECT_EQ(again.substr(0, 16), first.substr(0, 16));
}

TEST(CachedFile, TheSeventeenthAreaReplacesTheBlockUsedLongestAgo) {
  zvtest::TempDir dir;
  std::string path = dir.file("f");
  std::string data = Pattern(20 * 4096);
  zvtest::WriteFile(path, data);
  TCachedFile f(path);
  char b[8];
  for (int area = 0; area < 16; ++area)
    ASSERT_EQ(f.Read(b, 8, area * 4096), 8);
  for (int area = 1; area < 16; ++area) // area 0 is now the one used longest ago
    ASSERT_EQ(f.Read(b, 8, area * 4096), 8);
  Overwrite(path, 0, std::string(16 * 4096, 'N'));
  ASSERT_EQ(f.Read(b, 8, 16 * 4096), 8);
  EXPECT_EQ(std::string(b, 8), data.substr(16 * 4096, 8));
  ASSERT_EQ(f.Read(b, 8, 4096), 8);
  EXPECT_EQ(std::string(b, 8), data.substr(4096, 8)) << "area 1 is still cached";
  ASSERT_EQ(f.Read(b, 8, 0), 8);
  EXPECT_EQ(std::string(b, 8), "NNNNNNNN") << "area 0 was replaced and is read again";
}

TEST(CachedFile, AReadReachingPastABlockReloadsFromTheRequestedPosition) {
  zvtest::TempDir dir;
  std::string data = Pattern(3 * 4096);
  zvtest::WriteFile(dir.file("f"), data);
  TCachedFile f(dir.file("f"));
  char b[64];
  ASSERT_EQ(f.Read(b, 8, 0), 8); // block 0..4095
  ASSERT_EQ(f.Read(b, 64, 4090), 64);
  EXPECT_EQ(std::string(b, 64), data.substr(4090, 64));
}

TEST(CachedFile, AMissingFileGivesZerosWithItsLogLines) {
  std::string log = LogOf([] {
    TCachedFile f("/nonexistent/zelvar/file.avi");
    char b[8];
    EXPECT_EQ(f.Read(b, 8, 0), 0);
    EXPECT_EQ(f.Read(b, 8000, 0), 0);
    EXPECT_EQ(f.ReadDWord(0), 0u);
    EXPECT_EQ(f.FileSize(), 0);
  });
  EXPECT_NE(log.find("TCachedFile.DirectRead:CreateFile Failed"), std::string::npos) << log;
  EXPECT_NE(log.find("TCachedFile.FileSize:CreateFile Failed"), std::string::npos);
  EXPECT_NE(log.find("+TCachedFile.FileSize"), std::string::npos);
  EXPECT_NE(log.find("-TCachedFile.FileSize(0)"), std::string::npos);
}

TEST(CachedFile, RebuildingTheCacheChangesTheBlockSizeAndIsLogged) {
  zvtest::TempDir dir;
  std::string path = dir.file("f");
  zvtest::WriteFile(path, Pattern(200000));
  std::string log = LogOf([&] {
    TCachedFile f(path);
    f.RebuidCache(5, 65536);
    EXPECT_EQ(f.BlockSize(), 65536u);
    std::string first(65536, '\0');
    ASSERT_EQ(f.Read(first.data(), 65536, 1000), 65536);
    Overwrite(path, 1000, std::string(100, 'Z'));
    std::string again(65536, '\0');
    ASSERT_EQ(f.Read(again.data(), 65536, 1000), 65536);
    EXPECT_EQ(again, first) << "a 64 KiB read is a cached read now";
  });
  EXPECT_NE(log.find("TCachedFile.RebuidCache(5,65536)"), std::string::npos);
}

TEST(CachedFile, ManyThreadsReadConsistentBytes) {
  zvtest::TempDir dir;
  std::string data = Pattern(256 * 1024);
  zvtest::WriteFile(dir.file("f"), data);
  TCachedFile f(dir.file("f"));
  f.RebuidCache(5, 65536);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      char b[300];
      for (int i = 0; i < 2000; ++i) {
        int64_t at = (static_cast<int64_t>(i) * 7919 + t * 104729) % (data.size() - 300);
        int64_t n = (i % 3 == 0) ? 12 : 300;
        if (f.Read(b, n, at) != n || std::memcmp(b, data.data() + at, static_cast<size_t>(n)) != 0)
          wrong.fetch_add(1);
      }
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(CachedStream, SeeksAreHeldToTheStreamAndEndCountsBackwards) {
  TMemoryStream mem(Pattern(1000));
  TCachedStream s(mem, 64, 2);
  EXPECT_EQ(s.Seek(0, TSeekOrigin::End), 1000);
  EXPECT_EQ(s.Seek(10, TSeekOrigin::End), 990);
  EXPECT_EQ(s.Seek(-10, TSeekOrigin::End), 1000) << "past the end gives the size";
  EXPECT_EQ(s.Seek(5000, TSeekOrigin::Begin), 1000);
  EXPECT_EQ(s.Seek(-5, TSeekOrigin::Begin), 0) << "before the start gives 0";
  EXPECT_EQ(s.Seek(20, TSeekOrigin::Current), 20);
  EXPECT_EQ(s.Seek(-30, TSeekOrigin::Current), 0);
  char b[4] = {};
  EXPECT_EQ(s.Write(b, 4), 0);
  EXPECT_EQ(mem.Text(), Pattern(1000)) << "nothing is ever written";
}

TEST(CachedStream, ReadsSmallAndLargePiecesInOrder) {
  std::string data = Pattern(5000);
  TMemoryStream mem(data);
  TCachedStream s(mem, 128, 4);
  std::string out;
  char b[1000];
  int sizes[] = {1, 7, 128, 129, 500, 3, 1000, 64};
  for (int round = 0; out.size() < data.size(); ++round) {
    int64_t n = s.Read(b, sizes[round % 8]);
    ASSERT_GT(n, 0);
    out.append(b, static_cast<size_t>(n));
  }
  EXPECT_EQ(out, data);
  EXPECT_EQ(s.Read(b, 10), 0);
  EXPECT_EQ(s.Position(), 5000);
}

TEST(CachedStream, ALineReaderOverACachedFileStreamReadsEveryLine) {
  zvtest::TempDir dir;
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
  zvtest::WriteFile(dir.file("list.txt"), text);
  TFileStream file(dir.file("list.txt"));
  TCachedStream s(file, 16384, 4);
  std::string all;
  char b[333];
  for (int64_t n; (n = s.Read(b, sizeof b)) > 0;)
    all.append(b, static_cast<size_t>(n));
  EXPECT_EQ(all, text);
}
