#include "platform/single_instance.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <functional>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zv;

namespace {
// Runs the event loop until the condition holds or the (generous) time is up.
bool SpinUntil(const std::function<bool()>& done, int ms = 20000) {
  return zvtest::WaitUntil(done, std::chrono::milliseconds(ms),
                           [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
}

struct Channel : ::testing::Test {
  zvtest::TempDir dir;
  std::string path = dir.file("rt/zelvar/instance");
};
} // namespace

TEST_F(Channel, ALaterStartHandsItsLineOver) {
  TAppProxyWindow server(path);
  server.SetActive(true);
  ASSERT_TRUE(server.Active());
  TAppProxyWindow client(path);
  // The sender blocks until acknowledged, so it runs beside the serving event loop.
  // Names arrive exactly as the shell gave them: blanks, quotes, "|" and empty arguments included.
  TForwardedLine sent{"3960000000000",
                      "/home/me/odd|folder",
                      {"/usr/bin/zelvar", "a b.avi", "my \"q\" song.ogg", "it's \"quoted\" file.mp3", "", "/ADD"}};
  auto answer = std::async(std::launch::async, [&] { return client.IsRunning() && client.SendToCopy(sent); });
  ASSERT_TRUE(SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(answer.get());
  ASSERT_TRUE(server.HasParams());
  TForwardedLine got = server.PopParam();
  EXPECT_EQ(got.time, sent.time);
  EXPECT_EQ(got.dir, "/home/me/odd|folder"); // a "|" in the folder arrives whole
  EXPECT_EQ(got.args, sent.args);
  EXPECT_FALSE(server.HasParams());
}

TEST_F(Channel, NothingRunningMeansNothingSent) {
  TAppProxyWindow client(path);
  EXPECT_FALSE(client.IsRunning());
  EXPECT_FALSE(client.SendToCopy({"1", "/", {"x"}}, 500));
}

TEST_F(Channel, AStaleSocketIsReplaced) {
  // A socket file nobody listens on, as a crashed instance leaves it.
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::filesystem::permissions(std::filesystem::path(path).parent_path(), std::filesystem::perms::owner_all);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(fd);
  ASSERT_TRUE(std::filesystem::exists(path));
  TAppProxyWindow server(path);
  server.SetActive(true);
  EXPECT_TRUE(server.Active());
  TAppProxyWindow probe(path);
  EXPECT_TRUE(probe.IsRunning());
}

TEST_F(Channel, ASilentInstanceIsGivenUpAfterTheLimit) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  QLocalServer mute; // accepts but never answers
  ASSERT_TRUE(mute.listen(QString::fromStdString(path)));
  TAppProxyWindow client(path);
  // Given up after its 800 ms, well inside the wait: an instance that never answers cannot hold
  // a later start.
  auto answer = std::async(std::launch::async, [&] { return client.SendToCopy({"1", "/", {"x"}}, 800); });
  ASSERT_TRUE(SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_FALSE(answer.get());
}

TEST_F(Channel, MalformedMessagesAreDropped) {
  TAppProxyWindow server(path);
  server.SetActive(true);
  auto sendRaw = [&](std::string bytes) {
    return std::async(std::launch::async, [this, bytes] {
      QLocalSocket s;
      s.connectToServer(QString::fromStdString(path));
      if (!s.waitForConnected(2000))
        return false;
      s.write(bytes.data(), static_cast<qint64>(bytes.size()));
      s.waitForBytesWritten(2000);
      s.waitForReadyRead(1000);
      return s.bytesAvailable() > 0; // acknowledged?
    });
  };
  std::string good = TAppProxyWindow::EncodeFrame({"1", "/", {"x"}});
  std::string huge = good;
  huge[7] = '\x7F'; // a frame far beyond the limit
  std::string lying = good;
  lying[15] = '\x40'; // a field longer than the frame
  std::string many = good;
  many[11] = '\x10'; // more fields than the frame can hold
  for (const std::string& bad : {std::string("GARBAGE!GARBAGE!"), huge, lying, many, good + "extra"}) {
    auto f = sendRaw(bad);
    SpinUntil([&] { return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    EXPECT_FALSE(f.get());
  }
  EXPECT_FALSE(server.HasParams());
  // The channel still works afterwards.
  auto ok = sendRaw(TAppProxyWindow::EncodeFrame({"2", "/tmp", {"zelvar", "y.avi"}}));
  SpinUntil([&] { return ok.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  EXPECT_TRUE(ok.get());
  ASSERT_TRUE(server.HasParams());
  EXPECT_EQ(server.PopParam().args, (std::vector<std::string>{"zelvar", "y.avi"}));
}

TEST_F(Channel, OtherUsersAreRefused) {
  // The instance serves only the user it names; this process stands for another user.
  TAppProxyWindow server(path, ::getuid(), static_cast<int64_t>(::getuid()) + 1);
  server.SetActive(true);
  ASSERT_TRUE(server.Active());
  std::string frame = TAppProxyWindow::EncodeFrame({"1", "/", {"intruder"}});
  auto sent = std::async(std::launch::async, [&] {
    QLocalSocket s;
    s.connectToServer(QString::fromStdString(path));
    if (!s.waitForConnected(2000))
      return std::string("no connection");
    s.write(frame.data(), static_cast<qint64>(frame.size()));
    s.waitForBytesWritten(2000);
    s.waitForReadyRead(2000);
    return s.bytesAvailable() > 0 ? std::string("acknowledged") : std::string("refused");
  });
  ASSERT_TRUE(SpinUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(sent.get(), "refused");
  QCoreApplication::processEvents();
  EXPECT_FALSE(server.HasParams());
  // And a later start of that user does not hand its files to the instance of another.
  TAppProxyWindow client(path, ::getuid(), static_cast<int64_t>(::getuid()) + 2);
  EXPECT_EQ(client.Probe(), TAppProxyWindow::TPeer::Foreign);
}

TEST_F(Channel, ASecondServerNeverTakesThePathOver) {
  TAppProxyWindow first(path);
  first.SetActive(true);
  ASSERT_TRUE(first.Active());
  {
    TAppProxyWindow second(path); // an instance started with /NEW
    second.SetActive(true);
    EXPECT_FALSE(second.Active());
  }
  TAppProxyWindow client(path);
  auto answer = std::async(std::launch::async, [&] { return client.SendToCopy({"1", "/", {"still here"}}); });
  ASSERT_TRUE(SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(answer.get());
  ASSERT_TRUE(first.HasParams());
  EXPECT_EQ(first.PopParam().args, std::vector<std::string>{"still here"});
}

TEST_F(Channel, DefaultPathFollowsTheRuntimeFolder) {
  ::setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
  EXPECT_EQ(TAppProxyWindow::DefaultSocketPath(), "/run/user/1234/zelvar/instance");
  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(TAppProxyWindow::DefaultSocketPath(), "/var/tmp/zelvar-" + std::to_string(::getuid()) + "/instance");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(TAppProxyWindow::DefaultSocketPath(), "/tmp/zelvar-" + std::to_string(::getuid()) + "/instance");
}

TEST_F(Channel, OnlyAPrivateFolderOfTheUserIsUsed) {
  namespace fs = std::filesystem;
  const uid_t me = ::getuid();
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> prepare;
    uid_t owner;
    const char* problem; // nullptr: trusted
  };
  const Case cases[] = {
      {"missing, so created private", [](const fs::path&) {}, me, nullptr},
      {"open to others",
       [](const fs::path& d) {
         fs::create_directories(d);
         fs::permissions(d, fs::perms::all);
       },
       me, "is open to other users"},
      {"group may enter",
       [](const fs::path& d) {
         fs::create_directories(d);
         fs::permissions(d, fs::perms::owner_all | fs::perms::group_exec);
       },
       me, "is open to other users"},
      {"a link to a private folder",
       [](const fs::path& d) {
         fs::create_directories(d.parent_path() / "elsewhere");
         fs::permissions(d.parent_path() / "elsewhere", fs::perms::owner_all);
         fs::create_directory_symlink(d.parent_path() / "elsewhere", d);
       },
       me, "is not a folder"},
      {"a file", [](const fs::path& d) { zvtest::WriteFile(d.string(), "x"); }, me, "is not a folder"},
      {"another user's", [](const fs::path&) {}, me + 1, "belongs to another user"},
  };
  int n = 0;
  for (const Case& c : cases) {
    fs::path folder = dir.path() / std::to_string(n++) / "zelvar";
    fs::create_directories(folder.parent_path());
    c.prepare(folder);
    TAppProxyWindow proxy((folder / "instance").string(), c.owner);
    std::string why;
    EXPECT_EQ(proxy.FolderTrusted(&why), c.problem == nullptr) << c.name;
    if (c.problem) {
      EXPECT_NE(why.find(c.problem), std::string::npos) << c.name << ": " << why;
      proxy.SetActive(true);
      EXPECT_FALSE(proxy.Active()) << c.name;
      EXPECT_FALSE(fs::exists(folder / "instance")) << c.name << ": no socket in a folder that is not trusted";
    } else {
      EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << c.name;
    }
  }
}

TEST_F(Channel, NothingIsSentToAnotherUsersInstance) {
  TAppProxyWindow server(path);
  server.SetActive(true);
  ASSERT_TRUE(server.Active());
  // The same socket seen by a start of another user: the peer is not its own.
  TAppProxyWindow stranger(path, ::getuid() + 1);
  EXPECT_EQ(stranger.Probe(), TAppProxyWindow::TPeer::Foreign);
  EXPECT_FALSE(stranger.IsRunning());
  auto answer = std::async(std::launch::async, [&] { return stranger.SendToCopy({"1", "/", {"secret.avi"}}, 800); });
  SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  EXPECT_FALSE(answer.get());
  QCoreApplication::processEvents();
  EXPECT_FALSE(server.HasParams());
}

TEST_F(Channel, ALongCommandLineArrivesWhole) {
  TAppProxyWindow server(path);
  server.SetActive(true);
  // 64 MiB of names, far more than any shell passes.
  std::vector<std::string> args{"/usr/bin/zelvar"};
  for (int i = 0; i < 65536; ++i)
    args.push_back("/media/" + std::to_string(i) + "/" + std::string(1000, 'n'));
  TAppProxyWindow client(path);
  auto answer = std::async(std::launch::async, [&] { return client.SendToCopy({"1", "/", args}); });
  ASSERT_TRUE(SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
  EXPECT_TRUE(answer.get());
  ASSERT_TRUE(server.HasParams());
  EXPECT_TRUE(server.PopParam().args == args);
}
