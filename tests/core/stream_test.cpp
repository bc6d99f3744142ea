#include "core/error.h"
#include "core/stream.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace zv;

namespace {
std::vector<std::string> ReadAllLines(const std::string& bytes) {
  TMemoryStream m(bytes);
  TTextStream t(m);
  std::vector<std::string> lines;
  while (!t.Eof())
    lines.push_back(t.ReadLine());
  return lines;
}
} // namespace

TEST(TextStream, SplitsAtLineFeedsAndDropsCarriageReturns) {
  EXPECT_EQ(ReadAllLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  // A last line without a line feed is still read; a final line feed adds no empty line.
  EXPECT_EQ(ReadAllLines("one\ntwo\n"), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(ReadAllLines("\n\nx"), (std::vector<std::string>{"", "", "x"}));
  // Carriage returns are dropped wherever they stand, even alone inside a line.
  EXPECT_EQ(ReadAllLines("a\rb\r\r\nc"), (std::vector<std::string>{"ab", "c"}));
  EXPECT_EQ(ReadAllLines(""), (std::vector<std::string>{}));
  // Bytes pass through unchanged, NUL and UTF-8 included.
  EXPECT_EQ(ReadAllLines(std::string("a\0b\n\xd0\xb9", 6)),
            (std::vector<std::string>{std::string("a\0b", 3), "\xd0\xb9"}));
}

TEST(TextStream, ReadLineAtTheEndGivesEmptyTextAndForwardsSeeking) {
  TMemoryStream m("ab\ncd");
  TTextStream t(m);
  EXPECT_EQ(t.ReadLine(), "ab");
  EXPECT_EQ(t.Position(), 3);
  EXPECT_EQ(t.ReadLine(), "cd");
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.ReadLine(), "");
  t.SetPosition(1);
  EXPECT_EQ(m.Position(), 1); // the decorator moves the wrapped stream
  EXPECT_EQ(t.ReadLine(), "b");
}

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream m;
  m.WriteText("hello");
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Seek(-2, TSeekOrigin::End), 3);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(m.Seek(-100, TSeekOrigin::Current), 0);
  m.Seek(7, TSeekOrigin::Begin);
  m.WriteText("!");
  EXPECT_EQ(m.Text(), std::string("hello\0\0!", 8));
  m.SetPosition(0);
  EXPECT_THROW(m.ReadBuffer(buf, 9), EZvError);
}

TEST(FileStream, ReadsRegularFilesAndRefusesOthers) {
  zvtest::TempDir dir;
  std::string path = dir.file("a.txt");
  zvtest::WriteFile(path, "line1\r\nline2");
  TFileStream f(path);
  EXPECT_EQ(f.Size(), 12);
  TTextStream t(f);
  EXPECT_EQ(t.ReadLine(), "line1");
  EXPECT_EQ(t.ReadLine(), "line2");
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(ReadWholeFile(path), "line1\r\nline2");

  EXPECT_THROW(TFileStream(dir.file("missing")), EZvError);
  EXPECT_THROW(TFileStream(dir.str()), EZvError);
  // A FIFO without a writer would block a plain open forever; it is refused at once instead.
  std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(TFileStream{fifo}, EZvError);
}
