#include "core/alloc_stats.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

using namespace zv;

namespace {

class FakeClock : public ILogClock {
public:
  explicit FakeClock(int64_t freq) : freq_(freq) {}
  int64_t Frequency() override { return freq_; }
  int64_t Counter() override { return now; }
  int64_t now = 1'000'000;

private:
  int64_t freq_;
};

std::vector<std::string> LogLines(const std::string& path) {
  std::string all = zvtest::ReadFile(path);
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < all.size()) {
    size_t j = all.find("\r\n", i);
    EXPECT_NE(j, std::string::npos) << "every line ends with CR LF";
    if (j == std::string::npos)
      break;
    lines.push_back(all.substr(i, j - i));
    i = j + 2;
  }
  return lines;
}

// The line without its "[mmm:ss,ffff]" stamp.
std::string Body(const std::string& line) {
  static const std::regex stamp(R"(^\[\d{3,}:\d\d,\d{4}\])");
  std::smatch m;
  if (!std::regex_search(line, m, stamp))
    return "<no stamp>" + line;
  return line.substr(static_cast<size_t>(m.length(0)));
}

struct LogFixture : ::testing::Test {
  zvtest::TempDir dir;
  std::string path = dir.file("ZV.log");
  std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(10'000'000);
  TSessionLog log;

  bool StartLog() {
    TSessionLog::Options o;
    o.path = path;
    o.clock = clock;
    return log.Start(std::move(o));
  }
};

} // namespace

TEST_F(LogFixture, WithoutTheFileNothingIsWrittenOrCreated) {
  EXPECT_FALSE(StartLog());
  EXPECT_FALSE(log.Enabled());
  log.Log("+Something");
  log.End();
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LogFixture, AFileThatCannotBeWrittenLeavesTheLogOff) {
  // A folder named ZV.log cannot be opened for writing, not even by root.
  std::filesystem::create_directory(path);
  EXPECT_FALSE(StartLog());
  EXPECT_FALSE(log.Enabled());
  log.Log("+Anything");
  EXPECT_TRUE(std::filesystem::is_empty(path));
}

TEST_F(LogFixture, ALinkNamedLikeTheLogIsNotFollowed) {
  std::string target = path + ".target";
  zvtest::WriteFile(target, "precious");
  std::filesystem::create_symlink(target, path);
  EXPECT_FALSE(StartLog());
  log.Log("+Anything");
  EXPECT_EQ(zvtest::ReadFile(target), "precious");
}

TEST_F(LogFixture, EveryStartEmptiesTheFile) {
  zvtest::WriteFile(path, "old session\r\nmore\r\n");
  ASSERT_TRUE(StartLog());
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Body(lines[0]), "= Session Start =");
}

TEST_F(LogFixture, NestedOperationsIndentByThreeBlanks) {
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  log.Log("+Core.Create");
  log.Log("System.CmdLine=zelvar");
  log.Log("+TCore.InitPrefs");
  log.Log("!E:80004005 (x)");
  log.Log("-TCore.InitPrefs");
  log.Log("-Core.Create");
  log.Log("-Unbalanced"); // at an empty indent: written without indent, nothing breaks
  log.Log("x");           // shorter than two characters: stamp and indent only
  log.Log("+A");
  log.Log("");
  log.Log("-A");
  log.End();
  auto lines = LogLines(path);
  std::vector<std::string> bodies;
  for (auto& l : lines)
    bodies.push_back(Body(l));
  std::vector<std::string> expected = {"= Session Start =",
                                       "+Core.Create",
                                       "   System.CmdLine=zelvar",
                                       "   +TCore.InitPrefs",
                                       "      !E:80004005 (x)",
                                       "   -TCore.InitPrefs",
                                       "-Core.Create",
                                       "-Unbalanced",
                                       "",
                                       "+A",
                                       "   ",
                                       "-A"};
  ASSERT_GE(bodies.size(), expected.size() + 2);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(bodies[i], expected[i]) << "line " << i;
  EXPECT_TRUE(bodies[expected.size()].starts_with("Memory Leak Guard - Count:"));
  EXPECT_EQ(bodies[expected.size() + 1], "= Session End =");
  EXPECT_FALSE(log.Enabled());
}

TEST_F(LogFixture, TextsFromOutsideStayOnOneBoundedLine) {
  // A stream title with a line break, a terminal escape or a NUL must not forge lines or reach a
  // terminal; a title of megabytes must not make a line of megabytes.
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  log.Log(std::string_view("Title=a\r\n[000:00,0000] forged\x1b[2Jb\0c\td\\e", 40));
  std::string huge = "Title=" + std::string(20'000, 'x') + "\xD0\x96";
  log.Log(huge);
  std::string cyrillic = std::string(4095, 'y') + "\xD0\x96z"; // the limit falls inside the letter
  log.Log(cyrillic);
  log.End();
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 6u); // start, three texts, leak guard, end
  EXPECT_EQ(Body(lines[1]), "Title=a\\r\\n[000:00,0000] forged\\x1B[2Jb\\x00c\\td\\e");
  EXPECT_EQ(Body(lines[2]), std::string("Title=") + std::string(4090, 'x') + " ...[15912 more bytes]");
  EXPECT_EQ(Body(lines[3]), std::string(4095, 'y') + " ...[3 more bytes]");
}

TEST_F(LogFixture, TimeStampsCountFromTheStart) {
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  clock->now += 752'500'000; // 75.25 s
  log.Log("later");
  clock->now += 600'000'000LL * 20; // another 20 minutes
  log.Log("much later");
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[000:00,0000]= Session Start =");
  EXPECT_EQ(lines[1], "[001:15,2500]later");
  EXPECT_EQ(lines[2], "[021:15,2500]much later");
}

TEST_F(LogFixture, WithoutACounterEveryLineSaysSo) {
  clock = std::make_shared<FakeClock>(999); // below 1000 ticks per second counts as unavailable
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  log.Log("+Step");
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{MicroFreq=0}= Session Start =");
  EXPECT_EQ(lines[1], "{MicroFreq=0}+Step");
}

TEST_F(LogFixture, RealClockStampsIncrease) {
  zvtest::WriteFile(path, "");
  TSessionLog::Options o;
  o.path = path;
  ASSERT_TRUE(log.Start(std::move(o)));
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    log.Log("tick");
  }
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 6u);
  std::string prev;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string stamp = lines[i].substr(0, 13);
    EXPECT_GT(stamp, prev) << "stamps are fixed-width, so text order is time order";
    prev = stamp;
  }
}

TEST_F(LogFixture, LinesFromManyThreadsStayWhole) {
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i)
        log.Log("thread " + std::to_string(t) + " line " + std::to_string(i) + std::string(50, 'x'));
    });
  for (auto& th : threads)
    th.join();
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 801u);
  static const std::regex whole(R"(^thread \d line \d+x{50}$)");
  for (size_t i = 1; i < lines.size(); ++i)
    EXPECT_TRUE(std::regex_match(Body(lines[i]), whole)) << lines[i];
}

TEST_F(LogFixture, TheLeakGuardCountsWhatTheSessionKept) {
  zvtest::WriteFile(path, "");
  ASSERT_TRUE(StartLog());
  std::vector<std::unique_ptr<int>> kept;
  kept.reserve(100);
  for (int i = 0; i < 99; ++i)
    kept.push_back(std::make_unique<int>(i));
  log.End();
  auto lines = LogLines(path);
  ASSERT_EQ(lines.size(), 3u);
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer build keeps its own allocator: the guard has nothing to count.
  EXPECT_EQ(Body(lines[1]), "Memory Leak Guard - Count:0 Size:0");
  return;
#endif
  // 99 ints and the vector's buffer, each at least as large as it was asked to be.
  EXPECT_TRUE(Body(lines[1]).starts_with("Memory Leak Guard - Count:100 Size:")) << lines[1];
  int64_t size = std::stoll(Body(lines[1]).substr(Body(lines[1]).find("Size:") + 5));
  EXPECT_GE(size, 99 * 4 + 100 * 8);
}

TEST_F(LogFixture, MachineDescriptionKeepsItsShape) {
  zvtest::WriteFile(path, "");
  TMachineFacts m;
  m.processors = 4;
  m.mhz = 2400;
  m.cpu.mmx = m.cpu.sse = m.cpu.sse2 = m.cpu.x64 = true;
  m.ramBytes = 8ull << 30;
  m.osKnown = true;
  m.osName = "Linux";
  m.osRelease = "6.1.0-18-amd64";
  m.osMajor = 6;
  m.osMinor = 1;
  m.distribution = "Debian GNU/Linux 12 (bookworm)";
  m.screen = {1920, 1080, 24, 60, 2};
  TSessionLog::Options o;
  o.path = path;
  o.clock = clock;
  o.machine = [m] { return m; };
  ASSERT_TRUE(log.Start(std::move(o)));
  auto lines = LogLines(path);
  std::vector<std::string> bodies;
  for (auto& l : lines)
    bodies.push_back(Body(l));
  std::vector<std::string> expected = {"= Session Start =",
                                       "+SysInfo",
                                       "    CPU x4, 2400 MHz; Caps: MMX   SSE  SSE2   64",
                                       "    RAM 8192 Mb",
                                       "    Linux 6.1.0-18-amd64 (6.1 build 0)",
                                       "    Distro=Debian GNU/Linux 12 (bookworm)",
                                       "    MicroFreq = 10000000",
                                       "    Screen Resolution: 1920x1080x24, 60Hz",
                                       "    Monitor count: 2",
                                       "-SysInfo"};
  EXPECT_EQ(bodies, expected);
}

TEST(MachineFacts, ComeFromThisMachine) {
  TMachineFacts m = GatherMachineFacts(TScreenFacts{});
  EXPECT_GE(m.processors, 1);
  EXPECT_GT(m.ramBytes, 64ull << 20);
  EXPECT_TRUE(m.osKnown);
  EXPECT_EQ(m.osName, "Linux");
  EXPECT_GT(m.osMajor, 2);
#if defined(__x86_64__)
  EXPECT_TRUE(m.cpu.sse2 && m.cpu.x64) << "every x86-64 processor has SSE2 and long mode";
  EXPECT_GT(m.mhz, 50u);
#endif
}

TEST(HResultName, SymbolicNamesAndHexForTheRest) {
  EXPECT_EQ(HResultName(0), "S_OK");
  EXPECT_EQ(HResultName(1), "S_FALSE");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80004005u)), "E_FAIL");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80040154u)), "REGDB_E_CLASSNOTREG ");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80040200u)), "VFW_E_INVALIDMEDIATYPE");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80040209u)), "VFW_E_NOT_CONNECTED");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80040218u)), "VFW_E_CANNOT_RENDER");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x8004022Bu)), "VFW_E_SAMPLE_REJECTED");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x8004022Cu)), "0x8004022C");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x800401FFu)), "0x800401FF");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x80070020u)), "?_FILEBUSY");
  EXPECT_EQ(HResultName(static_cast<int32_t>(0x8007000Eu)), "E_OUTOFMEMORY");
  EXPECT_EQ(HResultName(2), "0x00000002");
}

TEST(ProcessLog, HResultAndSystemErrorLines) {
  zvtest::TempDir dir;
  std::string path = dir.file("ZV.log");
  zvtest::WriteFile(path, "");
  TSessionLog::Options o;
  o.path = path;
  ASSERT_TRUE(SessionLog().Start(std::move(o)));
  LogHResult("Graph.RenderFile", static_cast<int32_t>(0x80040218u));
  LogSystemError("TCachedFile.DirectRead:CreateFile Failed", ENOENT);
  errno = EACCES;
  LogLastError("Open");
  {
    TLogScope scope("TCore.ShowGUI");
    Log("inside");
  }
  SessionLog().End();
  auto lines = LogLines(path);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(Body(lines[1]), "Graph.RenderFile(VFW_E_CANNOT_RENDER)");
  EXPECT_EQ(Body(lines[2]), "TCachedFile.DirectRead:CreateFile Failed LE:[No such file or directory](0x00000002)");
  EXPECT_EQ(Body(lines[3]), "Open LE:[Permission denied](0x0000000D)");
  EXPECT_EQ(Body(lines[4]), "+TCore.ShowGUI");
  EXPECT_EQ(Body(lines[5]), "   inside");
  EXPECT_EQ(Body(lines[6]), "-TCore.ShowGUI");
  // After the end the process log is off again.
  Log("after");
  EXPECT_EQ(LogLines(path).size(), lines.size());
}
