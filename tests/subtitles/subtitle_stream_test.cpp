// Subtitle files as byte strings: format recognition, each parser's rules, the due entry.
#include "subtitles/subtitle_stream.h"

#include "core/error.h"
#include "core/stream.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {

TSubtitleStream Load(const std::string& bytes) {
  TSubtitleStream s;
  TMemoryStream m(bytes);
  s.LoadFromStream(m);
  return s;
}

constexpr int64_t kSecond = 10'000'000;

} // namespace

TEST(SubtitleStream, TheFirstLineDecidesTheFormat) {
  const struct {
    const char* bytes;
    const char* format;
    int count;
  } cases[] = {
      {"{10}{20}Hi\n", "SubV10(MicroDVD)", 1},
      {" {10}{20}Hi\n", "Unknown", 0}, // a blank before the brace
      {"[INFORMATION]\n", "SubV20", 0},
      {"[inf\n", "SubV20", 0},
      {"1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n\r\n", "SubRip", 1},
      {"0\n", "SubRip", 0},
      {"-5\n", "SubRip", 0},
      {" 1 \n", "SubRip", 0},
      {"\xEF\xBB\xBF"
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n\r\n",
       "SubRip", 1}, // the mark is skipped
      {"<SAMI>\n<BODY>\n", "SAMI", 0},
      {"[Script Info]\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,x\n", "SSA", 1},
      {"WEBVTT\n", "Unknown", 0},
      {"", "Unknown", 0},
  };
  for (const auto& c : cases) {
    TSubtitleStream s = Load(c.bytes);
    EXPECT_EQ(s.Format(), c.format) << c.bytes;
    EXPECT_EQ(s.Count(), c.count) << c.bytes;
  }
}

TEST(SubtitleStream, EachParserReadsItsEntries) {
  using V = std::vector<TSubtitle>;
  const struct {
    std::string bytes;
    V lines;
  } cases[] = {
      // MicroDVD: frames at 25 per second, "|" breaks the line, the text keeps its blank; a stop
      // that is no number drops the line; frame numbers too big for 32 bits are no numbers.
      {"{100}{200}A|B\r\n{100}{}Text\n{10}{20} Hello\n\n{1}{1}23.976\n{1}{99999999999}x\n",
       V{{40'000'000, 80'000'000, "A\r\nB"}, {4'000'000, 8'000'000, " Hello"}, {400'000, 400'000, "23.976"}}},
      // SubViewer 2.0: the one line after a time line is its text, "[br]" breaks it.
      {"[INFORMATION]\n00:00:01.50,00:00:03.00\nOne[br]Two\nnot added\n00:01:00.00,00:01:01.00\nThree\n",
       V{{15'000'000, 30'000'000, "One\r\nTwo"}, {600'000'000, 610'000'000, "Three"}}},
      // SubRip: CR LF, two blank lines add the block twice, a short time line gives 0, the last
      // block is kept without a blank line after it.
      {"1\r\n00:00:01,000 --> 00:00:02,500\r\nHi\r\nthere\r\n\r\n\r\n2\r\n00:01 --> 00:00:04,000\r\nTwo\r\n\r\n"
       "3\r\n00:00:05,000 --> 00:00:06,000\r\nLast",
       V{{10'000'000, 25'000'000, "Hi\r\nthere\r\n"},
         {10'000'000, 25'000'000, "Hi\r\nthere\r\n"},
         {0, 40'000'000, "Two\r\n"},
         {50'000'000, 60'000'000, "Last\r\n"}}},
      // SSA: commas in the text stay, override blocks go, "\N" and "\n" break; a leading blank
      // makes the start -1; lines other than "Dialogue" are skipped.
      {"[Script Info]\nStyle: x\nDialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,{\\i1}Hi, there\\Nyou\n"
       "Dialogue: 0, 0:00:03.00,0:00:04.00,D,,0,0,0,,a\\nb{unclosed\ndialogue: 0,0:00:01.00,0:00:02.00,,,,,,,no\n"
       "Dialogue: short\n",
       V{{10'000'000, 25'000'000, "Hi, there\r\nyou"},
         {-1, 40'000'000, "a\r\nb"},
         {-1, -1, "Dialogue: short"}}}, // too few commas: every field is the whole line
  };
  for (const auto& c : cases)
    EXPECT_EQ(Load(c.bytes).Lines(), c.lines) << c.bytes;
}

TEST(SubtitleStream, TimesByPositionAndTheDueEntry) {
  EXPECT_EQ(SubViewerTime("01:02:03.45"), ((3600 + 120 + 3) * 100 + 45) * 100'000LL);
  EXPECT_EQ(SubViewerTime("01:02"), -1);
  EXPECT_EQ(SubRipTime("01:02:03,456"), 37'234'560'000);
  EXPECT_EQ(SubRipTime("xx:02:03,456"), 0);
  EXPECT_EQ(SsaTime("1:02:03.45"), SubViewerTime("01:02:03.45"));
  EXPECT_EQ(SsaTime(""), -1);

  TSubtitleStream s;
  s.AddLine("first", 1 * kSecond, 5 * kSecond);
  s.AddLine("second", 3 * kSecond, 4 * kSecond);
  s.AddLine("never", -1, -1);
  const struct {
    int64_t time;
    const char* text;
    int index;
  } finds[] = {{1 * kSecond, "first", 0},     {3 * kSecond, "second", 1}, {4 * kSecond, "second", 1},
               {4 * kSecond + 1, "first", 0}, {5 * kSecond + 1, "", -1},  {-1, "never", 2}};
  for (const auto& f : finds) {
    EXPECT_EQ(s.FindLine(f.time), f.text) << f.time;
    EXPECT_EQ(s.CurrentIndex(), f.index) << f.time;
  }
}

TEST(SubtitleStream, AFileLoadsByNameAndAMissingOneLeavesTheContent) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("film.srt"), "1\n00:00:01,000 --> 00:00:02,000\n\xC0\xE1\xE2\n\n");
  TSubtitleStream s;
  s.LoadFromFile(dir.file("film.srt"));
  EXPECT_EQ(s.FileName(), "film.srt");
  ASSERT_EQ(s.Count(), 1);
  EXPECT_EQ(s.Lines()[0].Text, "\xC0\xE1\xE2\r\n") << "bytes as they are";
  EXPECT_THROW(s.LoadFromFile(dir.file("missing.srt")), EZvError);
  EXPECT_EQ(s.Count(), 1);
}
