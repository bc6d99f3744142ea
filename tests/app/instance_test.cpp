// Two or more real zelvar processes sharing one user's single-instance socket.
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <sys/un.h>

using namespace std::chrono_literals;

namespace {
const std::string kBinary = ZV_BINARY;

// Counts occurrences of a text in a file.
size_t CountIn(const std::string& file, const std::string& text) {
  std::string all = zvtest::ReadFile(file);
  size_t n = 0;
  for (size_t p = all.find(text); p != std::string::npos; p = all.find(text, p + 1))
    ++n;
  return n;
}

// One user's desktop: a runtime folder for the socket and a configuration folder, plus program
// folders for the instances.
struct Desktop : ::testing::Test {
  zvtest::TempDir root;
  std::string runtime = root.file("runtime");
  std::string config = root.file("config");

  std::vector<std::string> Env(const std::string& home) const {
    return {"ZELVAR_HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "XDG_CONFIG_HOME=" + config,
            "QT_QPA_PLATFORM=offscreen"};
  }
  std::string Home(const std::string& name, bool withLog) {
    std::string h = root.file(name);
    std::filesystem::create_directories(h);
    if (withLog)
      zvtest::WriteFile(h + "/ZV.log", "");
    return h;
  }
  std::unique_ptr<zvtest::Process> Start(const std::string& home, std::vector<std::string> args,
                                         const std::string& tag) {
    args.insert(args.begin(), kBinary);
    return std::make_unique<zvtest::Process>(args, Env(home), root.file(tag + ".out"), root.file(tag + ".err"));
  }
  // Runs a later start to its end.
  void RunSecond(std::vector<std::string> args, int& code) {
    std::string h = Home("second", false);
    auto p = Start(h, std::move(args), "second");
    EXPECT_TRUE(p->WaitExit(20s, code));
  }
  // The instance's socket, the one sign of readiness of an instance without a log.
  bool Serving() const { return std::filesystem::exists(runtime + "/zelvar/instance"); }
};
} // namespace

TEST_F(Desktop, ASecondStartHandsItsFilesOverAndLeaves) {
  std::string home = Home("first", true);
  auto first = Start(home, {}, "first");
  std::string log = home + "/ZV.log";
  ASSERT_TRUE(zvtest::WaitForText(log, "=== Application is responsible"));
  // More than half a second after the first start, so the list is replaced (a longer pause on a
  // loaded machine changes nothing; the rule itself is tested with chosen times).
  std::this_thread::sleep_for(600ms);
  int code = -1;
  RunSecond({"film one.avi", "/m/my \"q\" song.ogg", "/m/it's \"quoted\" file.mp3", "/tmp/two.mkv"}, code);
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(zvtest::WaitForText(log, "PlayList.AddFile(/tmp/two.mkv)"));
  std::string text = zvtest::ReadFile(log);
  // Names with quotes arrive exactly as the shell gave them.
  EXPECT_EQ(CountIn(log, "PlayList.AddFile("), 4u) << text;
  EXPECT_EQ(CountIn(log, "PlayList.AddFile(/m/my \"q\" song.ogg)"), 1u);
  EXPECT_EQ(CountIn(log, "PlayList.AddFile(/m/it's \"quoted\" file.mp3)"), 1u);
  EXPECT_NE(text.find("TAppProxyWindow.AddParam:"), std::string::npos);
  EXPECT_NE(text.find("Core.PlayParam("), std::string::npos);
  // The relative name is taken relative to the folder the second start ran in.
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_NE(text.find("PlayList.AddFile(" + cwd + "/film one.avi)"), std::string::npos) << text;
  EXPECT_EQ(CountIn(log, "PlayList.Clear"), 1u); // replaced, not appended
  first->Signal(SIGTERM);
  ASSERT_TRUE(first->WaitExit(20s, code));
  EXPECT_EQ(code, 0);
}

TEST_F(Desktop, AStartWellAfterThePreviousOneReplacesTheList) {
  // Whether a start within half a second appends is the rule's own test; here the hand-over of a
  // later start, which replaces, seen from outside.
  std::string home = Home("first", true);
  auto first = Start(home, {"/m/a.avi"}, "first");
  std::string log = home + "/ZV.log";
  ASSERT_TRUE(zvtest::WaitForText(log, "=== Application is responsible"));
  std::this_thread::sleep_for(600ms);
  int code = -1;
  RunSecond({"/m/b.avi", "/m/c.avi"}, code);
  ASSERT_TRUE(zvtest::WaitForText(log, "PlayList.AddFile(/m/c.avi)"));
  std::string text = zvtest::ReadFile(log);
  std::smatch m;
  EXPECT_FALSE(std::regex_search(text, m, std::regex("ExecCmd:[^\\r]*/m/c\\.avi /ADD")));
  EXPECT_EQ(CountIn(log, "PlayList.Clear"), 2u) << "the first start's list, then the later one's";
  first->Signal(SIGTERM);
  EXPECT_TRUE(first->WaitExit(20s, code));
  EXPECT_EQ(zvtest::ReadFile(home + "/ZV.zvp").find("/m/a.avi"), std::string::npos) << "replaced";
}

TEST_F(Desktop, NewStartsAnotherInstanceAndSwitchesAloneOnlyRaiseTheWindow) {
  std::string home = Home("first", true);
  auto first = Start(home, {}, "first");
  std::string log = home + "/ZV.log";
  ASSERT_TRUE(zvtest::WaitForText(log, "=== Application is responsible"));
  int code = -1;
  RunSecond({"/FULLSCREEN"}, code);
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(zvtest::WaitForText(log, "No params"));
  EXPECT_EQ(CountIn(log, "PlayList.Clear"), 0u);
  // "/new" in any case starts an instance of its own, which keeps running.
  std::string other = Home("other", true);
  auto second = Start(other, {"/new", "x.avi"}, "other");
  ASSERT_TRUE(zvtest::WaitForText(other + "/ZV.log", "=== Application is responsible"));
  EXPECT_TRUE(second->Running());
  EXPECT_EQ(CountIn(log, "x.avi"), 0u);
  second->Signal(SIGTERM);
  EXPECT_TRUE(second->WaitExit(20s, code));
  EXPECT_EQ(code, 0);
  // The first instance still serves.
  RunSecond({"/m/late.avi"}, code);
  EXPECT_TRUE(zvtest::WaitForText(log, "PlayList.AddFile(/m/late.avi)"));
  first->Signal(SIGTERM);
  EXPECT_TRUE(first->WaitExit(20s, code));
}

TEST_F(Desktop, TerminationWritesThePreferences) {
  std::string home = Home("fresh", false);
  auto p = Start(home, {}, "fresh");
  // A signal that comes while the program still starts ends it once the start is done.
  ASSERT_TRUE(zvtest::WaitUntil([&] { return Serving(); }));
  p->Signal(SIGTERM);
  int code = -1;
  ASSERT_TRUE(p->WaitExit(20s, code));
  EXPECT_EQ(code, 0);
  ASSERT_FALSE(Serving()) << "the socket goes with the instance";
  std::string prefs = home + "/ZV.xml";
  ASSERT_TRUE(std::filesystem::exists(prefs));
  auto lint = zvtest::RunProgram({"/usr/bin/xmllint", "--noout", prefs});
  EXPECT_EQ(lint.exitCode, 0) << lint.err;
  zv::TXMLTree doc;
  ASSERT_TRUE(doc.LoadFromFile(prefs));
  EXPECT_EQ(doc.Root()->Name(), "APP");
  ASSERT_GE(doc.Root()->Attributes().size(), 3u);
  EXPECT_EQ(doc.Root()->Attributes()[0].name, "name");
  EXPECT_EQ(doc.Root()->GetAttr("name"), "Zelvar");
  EXPECT_EQ(doc.Root()->GetAttr("version"), "4.4");
  EXPECT_EQ(doc.Root()->GetAttr("build"), "5750");
  EXPECT_FALSE(std::filesystem::exists(config + "/Zelvar/ZV.xml"));

  // With preferences per user, the user's copy is written as well.
  zv::TXMLPrefs(doc.Root()).SetBool("App.IsMultiUser", true);
  doc.SaveToFile(prefs);
  auto again = Start(home, {"/SKIN=/home/me/my skins/blue.zip"}, "again");
  ASSERT_TRUE(zvtest::WaitUntil([&] { return Serving(); }));
  again->Signal(SIGINT);
  ASSERT_TRUE(again->WaitExit(20s, code));
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(std::filesystem::exists(config + "/Zelvar/ZV.xml"));
  zv::TXMLTree user;
  ASSERT_TRUE(user.LoadFromFile(config + "/Zelvar/ZV.xml"));
  EXPECT_EQ(zv::TXMLPrefs(user.Root()).GetString("FrontEnd.Skin"), "/home/me/my skins/blue.zip");
  zv::TXMLTree primary;
  ASSERT_TRUE(primary.LoadFromFile(prefs));
  EXPECT_EQ(zv::TXMLPrefs(primary.Root()).GetString("FrontEnd.Skin"), "/home/me/my skins/blue.zip");
}

TEST_F(Desktop, UpdateCheckReadsEvenAnErrorReply) {
  // A loopback server that answers 404 with an update document that names a newer version.
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  ::listen(listener, 4);
  std::thread server([listener] {
    int c = ::accept(listener, nullptr, nullptr);
    if (c < 0)
      return;
    char buf[4096];
    ssize_t n = ::read(c, buf, sizeof buf);
    (void)n;
    std::string body = "<?xml version=\"1.0\"?><UPDATE><Official Version=\"9.9\" build=\"9999\"/></UPDATE>";
    std::string reply = "HTTP/1.1 404 Not Found\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body;
    ssize_t w = ::write(c, reply.data(), reply.size());
    (void)w;
    ::close(c);
  });
  std::string home = Home("update", true);
  zv::TXMLTree doc;
  doc.LoadFromString("<APP name=\"Zelvar\" version=\"4.4\" build=\"5750\"><Core NotifyNewVerAvailable=\"1\" "
                     "UpdateURL=\"http://127.0.0.1:" +
                     std::to_string(ntohs(addr.sin_port)) + "/autoupdate.xml\"/></APP>");
  doc.SaveToFile(home + "/ZV.xml");
  auto p = Start(home, {}, "update");
  bool alerted = zvtest::WaitForText(root.file("update.err"), "Zelvar message: A new version of Zelvar is available.");
  p->Signal(SIGTERM);
  int code = -1;
  EXPECT_TRUE(p->WaitExit(20s, code));
  server.join();
  ::close(listener);
  EXPECT_TRUE(alerted) << zvtest::ReadFile(root.file("update.err"));
  EXPECT_NE(zvtest::ReadFile(home + "/autoupdate.xml").find("9.9"), std::string::npos);
}

TEST_F(Desktop, AHandOverThatFailsIsReportedWithAFailureStatus) {
  // An instance that accepts the connection and never answers.
  std::filesystem::create_directories(runtime + "/zelvar");
  std::filesystem::permissions(runtime + "/zelvar", std::filesystem::perms::owner_all);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string sock = runtime + "/zelvar/instance";
  std::strncpy(addr.sun_path, sock.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  int code = -1;
  RunSecond({"/m/lost.avi"}, code);
  ::close(fd);
  EXPECT_EQ(code, 1);
  EXPECT_NE(zvtest::ReadFile(root.file("second.err")).find("did not take this command line"), std::string::npos)
      << zvtest::ReadFile(root.file("second.err"));
}

TEST_F(Desktop, ASharedFolderThatIsNotPrivateIsNeverUsed) {
  // No runtime folder: the socket would live in the temporary folder, which here is open to all.
  std::string tmp = root.file("tmp");
  std::string shared = tmp + "/zelvar-" + std::to_string(::getuid());
  std::filesystem::create_directories(shared);
  std::filesystem::permissions(shared, std::filesystem::perms::all);
  std::string home = Home("alone", true);
  auto r = zvtest::RunProgram({kBinary, "/m/a.avi"},
                              {"ZELVAR_HOME=" + home, "-XDG_RUNTIME_DIR", "TMPDIR=" + tmp, "XDG_CONFIG_HOME=" + config,
                               "QT_QPA_PLATFORM=offscreen", "ZELVAR_QUIT_AFTER_START=1"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find(shared + " is open to other users; starting a separate instance"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(shared + "/instance"));
  EXPECT_EQ(CountIn(home + "/ZV.log", "PlayList.AddFile(/m/a.avi)"), 1u) << "it ran as an instance of its own";
}

TEST_F(Desktop, FortyThousandNamesAreHandedOver) {
  std::string home = Home("first", true);
  auto first = Start(home, {}, "first");
  std::string log = home + "/ZV.log";
  ASSERT_TRUE(zvtest::WaitForText(log, "=== Application is responsible"));
  // 1.2 MB of names, about as much as the system lets one command line carry.
  std::vector<std::string> names;
  for (int i = 0; i < 40000; ++i)
    names.push_back("/media/music/an-album/" + std::to_string(100000 + i) + ".flac");
  int code = -1;
  RunSecond(names, code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(zvtest::WaitForText(log, "PlayList.AddFile(/media/music/an-album/139999.flac)", 60s));
  EXPECT_EQ(CountIn(log, "PlayList.AddFile(/media/music/an-album/"), 40000u);
  first->Signal(SIGTERM);
  EXPECT_TRUE(first->WaitExit(20s, code));
}

TEST_F(Desktop, TerminationWhileTheStartUpAddsALongListEndsTheProgram) {
  // A list that takes a while to add: the signal arrives in the middle of it.
  std::string list;
  for (int i = 0; i < 200000; ++i)
    list += "/m/" + std::to_string(i) + ".avi\n";
  zvtest::WriteFile(root.file("long.m3u"), list);
  std::string home = Home("first", true);
  auto p = Start(home, {root.file("long.m3u")}, "first");
  std::string log = home + "/ZV.log";
  ASSERT_TRUE(zvtest::WaitForText(log, "PlayList.AddFile(/m/1000.avi)", 20s));
  p->Signal(SIGTERM);
  int code = -1;
  ASSERT_TRUE(p->WaitExit(20s, code)) << "the signal was lost";
  EXPECT_EQ(code, 0);
  std::string text = zvtest::ReadFile(log);
  EXPECT_NE(text.find("Core.FreeModules:PlayList.Save"), std::string::npos) << "the orderly exit path";
  EXPECT_EQ(text.find("PlayList.AddFile(/m/199999.avi)"), std::string::npos) << "adding stopped early";
}

TEST_F(Desktop, PreferencesThatShapeASessionTakeEffect) {
  // Each start reads its own program folder's ZV.xml; the socket of the user is shared.
  auto prefs = [](const std::string& inside) {
    return "<APP name=\"Zelvar\" version=\"4.4\" build=\"5750\">" + inside + "</APP>";
  };
  struct Case {
    const char* what;
    std::string document;           // the start's ZV.xml
    std::vector<std::string> files; // its command line
    bool anotherRuns;               // an instance of the user is serving meanwhile
    std::function<void(const std::string& home, const std::string& otherLog)> check;
  };
  auto zvpHolds = [](const std::string& home, const std::string& name) {
    return zvtest::ReadFile(home + "/ZV.zvp").find(name) != std::string::npos;
  };
  const Case cases[] = {
      {"the list, its current entry and shuffle come back after a restart",
       prefs("<PlayList PlayPos=\"2\" ShuffleOn=\"1\"/>"),
       {},
       false,
       [&](const std::string& home, const std::string&) {
         EXPECT_TRUE(zvpHolds(home, "/m/c.avi"));
         zv::TXMLTree doc;
         ASSERT_TRUE(doc.LoadFromFile(home + "/ZV.xml"));
         EXPECT_EQ(zv::TXMLPrefs(doc.Root()).GetString("Playlist.PlayPos"), "2");
         EXPECT_EQ(zv::TXMLPrefs(doc.Root()).GetString("PlayList.ShuffleOn"), "1");
         EXPECT_EQ(CountIn(home + "/ZV.log", "PlayList.Shuffle=1"), 1u);
       }},
      {"PlayList.EraseOnExit leaves an empty list",
       prefs("<PlayList EraseOnExit=\"1\"/>"),
       {"/m/x.avi"},
       false,
       [&](const std::string& home, const std::string&) { EXPECT_FALSE(zvpHolds(home, "/m/x.avi")); }},
      {"FrontEnd.MultiInstance runs a start of its own",
       prefs("<FrontEnd MultiInstance=\"1\"/>"),
       {"/m/own.avi"},
       true,
       [&](const std::string& home, const std::string& otherLog) {
         EXPECT_EQ(CountIn(home + "/ZV.log", "PlayList.AddFile(/m/own.avi)"), 1u);
         EXPECT_EQ(CountIn(otherLog, "/m/own.avi"), 0u) << "nothing was handed over";
       }},
      {"without it, the same start hands its files over",
       prefs("<FrontEnd MultiInstance=\"0\"/>"),
       {"/m/given.avi"},
       true,
       [&](const std::string& home, const std::string& otherLog) {
         EXPECT_TRUE(zvtest::WaitForText(otherLog, "PlayList.AddFile(/m/given.avi)"));
         EXPECT_EQ(CountIn(home + "/ZV.log", "PlayList.AddFile("), 0u);
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string home = Home("case" + std::to_string(++n), true);
    zvtest::WriteFile(home + "/ZV.xml", c.document);
    // A list left by an earlier session.
    zvtest::WriteFile(home + "/ZV.zvp", "/m/a.avi\n/m/b.avi\n/m/c.avi\n");
    std::unique_ptr<zvtest::Process> other;
    std::string otherHome = Home("other" + std::to_string(n), true);
    if (c.anotherRuns) {
      other = Start(otherHome, {}, "other" + std::to_string(n));
      ASSERT_TRUE(zvtest::WaitForText(otherHome + "/ZV.log", "=== Application is responsible"));
    }
    std::vector<std::string> argv{kBinary};
    argv.insert(argv.end(), c.files.begin(), c.files.end());
    std::vector<std::string> env = Env(home);
    env.push_back("ZELVAR_QUIT_AFTER_START=1");
    auto r = zvtest::RunProgram(argv, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    c.check(home, otherHome + "/ZV.log");
    if (other) {
      other->Signal(SIGTERM);
      int code = -1;
      EXPECT_TRUE(other->WaitExit(20s, code));
    }
  }
}
