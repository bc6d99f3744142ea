// Skin packages: ZIP archives made by the real zip tool, hostile archives, folders.
#include "core/byte_order.h"
#include "process_util.h"
#include "skin/stream_pack.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace zv;

namespace {

std::string Open(TStreamPack& pack, const std::string& name) {
  auto s = pack.Open(name);
  return s ? ReadRest(*s) : std::string("<none>");
}

// Runs a shell line in the folder and returns the archive it wrote.
std::string Zip(const zvtest::TempDir& dir, const std::string& line) {
  auto r = zvtest::RunProgram({"/bin/sh", "-c", "cd '" + dir.str() + "' && " + line});
  EXPECT_EQ(r.exitCode, 0) << line << ": " << r.err;
  return zvtest::ReadFile(dir.file("out.zip"));
}

// A text that deflates well and is long enough to span several deflate blocks' worth of input.
std::string Lyrics() {
  std::string s;
  for (int i = 0; i < 4000; ++i)
    s += "line " + std::to_string(i % 97) + " of the skin\n";
  return s;
}

} // namespace

TEST(SkinPackage, ReadsWhatTheZipToolWrites) {
  zvtest::TempDir dir;
  const std::string big = Lyrics();
  zvtest::WriteFile(dir.file("interface.xml"), "<SKIN id=\"x\"/>");
  zvtest::WriteFile(dir.file("mix.bmp"), big);
  zvtest::WriteFile(dir.file("empty.txt"), "");
  std::filesystem::create_directory(dir.path() / "sub");
  zvtest::WriteFile(dir.file("sub/interface.xml"), "inner");
  struct Case {
    const char* what;
    const char* line;
  } cases[] = {
      {"stored", "zip -q -0 -X out.zip interface.xml mix.bmp empty.txt sub/interface.xml"},
      {"deflated", "zip -q -9 -X out.zip interface.xml mix.bmp empty.txt sub/interface.xml"},
      {"with extra fields", "zip -q out.zip interface.xml mix.bmp empty.txt sub/interface.xml"},
      {"with a comment", "zip -q out.zip interface.xml mix.bmp empty.txt sub/interface.xml && "
                         "echo 'made for the test' | zip -q -z out.zip"},
      // Written to a pipe, zip cannot go back: sizes follow the data in a descriptor.
      {"with data descriptors", "zip -q - interface.xml mix.bmp empty.txt sub/interface.xml > out.zip"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.file("out.zip"));
    TMemoryStream archive(Zip(dir, c.line));
    TZIPStrPack pack(archive);
    EXPECT_EQ(pack.Catalogue().Entries.size(), 4u) << c.what;
    EXPECT_EQ(Open(pack, "interface.xml"), "<SKIN id=\"x\"/>") << c.what;
    EXPECT_EQ(Open(pack, "INTERFACE.XML"), "<SKIN id=\"x\"/>") << c.what << ": names match without case";
    EXPECT_EQ(Open(pack, "mix.bmp"), big) << c.what;
    EXPECT_EQ(Open(pack, "empty.txt"), "") << c.what;
    EXPECT_EQ(Open(pack, "sub/interface.xml"), "inner") << c.what << ": folders are part of the name";
    EXPECT_EQ(Open(pack, "missing"), "") << c.what << ": a missing member is an empty stream";
  }
}

TEST(SkinPackage, DamagedAndHostileArchivesReadWhatIsThereAndNoMore) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("a.xml"), "first");
  zvtest::WriteFile(dir.file("b.txt"), Lyrics());
  const std::string good = Zip(dir, "zip -q -9 -X out.zip a.xml b.txt");
  // The local header of the second member, and its fields.
  const size_t second = good.find("PK\x03\x04", 4);
  ASSERT_NE(second, std::string::npos);
  auto patched = [&](size_t at, uint32_t value, int width) {
    std::string s = good;
    for (int i = 0; i < width; ++i)
      s[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
  };
  const uint32_t usize = LE32(reinterpret_cast<const uint8_t*>(good.data()) + second + 22);
  struct Case {
    const char* what;
    std::string bytes;
    std::string first; // what "a.xml" reads as
    size_t secondSize; // how long "b.txt" reads
    char secondFill;   // what an unwritten byte of it holds ('\0' when it is read whole)
  } cases[] = {
      {"cut in the second member's data", good.substr(0, second + 30 + 5 + 40), "first", usize, '?'},
      {"cut in the second member's header", good.substr(0, second + 10), "first", 0, 0},
      {"an unknown method", patched(second + 8, 99, 2), "first", usize, '?'},
      {"a claimed size over the cap", patched(second + 22, 0xFFFFFFF0u, 4), "first", 0, 0},
      {"a compressed size past the end", patched(second + 18, 0x7FFFFFF0u, 4), "first", usize, 0},
      {"damaged deflate data",
       [&] {
         std::string s = good;
         for (size_t i = second + 30 + 5 + 2; i < second + 30 + 5 + 60; ++i)
           s[i] = static_cast<char>(0xFF);
         return s;
       }(),
       "first", usize, '?'},
  };
  for (const Case& c : cases) {
    TMemoryStream archive(c.bytes);
    TZIPStrPack pack(archive);
    EXPECT_EQ(Open(pack, "a.xml"), c.first) << c.what;
    std::string b = Open(pack, "b.txt");
    EXPECT_EQ(b.size(), c.secondSize) << c.what;
    if (c.secondFill && !b.empty()) {
      EXPECT_EQ(b.back(), c.secondFill) << c.what << ": unwritten bytes stay '?'";
    }
  }
}

TEST(SkinPackage, TwoMembersOfOneNameReadOneAfterTheOther) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("x.txt"), "one|");
  std::string first = Zip(dir, "zip -q -0 -X out.zip x.txt");
  // A second archive's member appended behind the first archive's local part.
  zvtest::WriteFile(dir.file("x.txt"), "two");
  std::filesystem::remove(dir.file("out.zip"));
  std::string second = Zip(dir, "zip -q -0 -X out.zip x.txt");
  std::string joined = first.substr(0, first.find("PK\x01\x02")) + second;
  TMemoryStream archive(joined);
  TZIPStrPack pack(archive);
  EXPECT_EQ(Open(pack, "x.txt"), "one|two");
}

TEST(SkinPackage, FolderPackagesOpenPlainFilesInsideTheFolderOnly) {
  zvtest::TempDir dir;
  std::filesystem::create_directory(dir.path() / "skin");
  zvtest::WriteFile(dir.file("skin/interface.xml"), "<SKIN/>");
  zvtest::WriteFile(dir.file("secret.txt"), "outside");
  ASSERT_EQ(::mkfifo(dir.file("skin/pipe").c_str(), 0600), 0);
  TDirStrPack pack(dir.file("skin"));
  EXPECT_EQ(Open(pack, "interface.xml"), "<SKIN/>");
  for (const std::string& name :
       std::vector<std::string>{"../secret.txt", dir.file("secret.txt"), "missing.bmp", "pipe", ""})
    EXPECT_EQ(pack.Open(name), nullptr) << name;
}
