#include "platform/download.h"
#include "test_util.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

using namespace zv;

namespace {
// A loopback HTTP server answering every request with one fixed reply (or never).
class TinyHttp : public QObject {
public:
  explicit TinyHttp(std::string reply) : reply_(std::move(reply)) {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* s = server_.nextPendingConnection();
      connect(s, &QTcpSocket::readyRead, s, [this, s] {
        request += s->readAll().toStdString();
        if (request.find("\r\n\r\n") == std::string::npos || reply_.empty())
          return;
        s->write(reply_.data(), static_cast<qint64>(reply_.size()));
        s->disconnectFromHost();
      });
    });
  }
  std::string Url(const std::string& path = "/autoupdate.xml") const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
  }
  std::string request;

private:
  QTcpServer server_;
  std::string reply_;
};

struct Result {
  bool finished = false, ok = false;
  int status = 0;
};

Result Fetch(const std::string& url, const std::string& file, int timeoutMs) {
  TDownloader d;
  Result r;
  d.DownloadFile(url, file, timeoutMs, [&r](bool ok, int status) {
    r.finished = true;
    r.ok = ok;
    r.status = status;
  });
  zvtest::PumpUntil([&] { return r.finished; });
  return r;
}

std::string Reply(int code, const std::string& reason, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(code) + " " + reason +
         "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}
} // namespace

TEST(Downloader, StoresTheBodyAndSendsItsAgent) {
  zvtest::TempDir dir;
  TinyHttp http(Reply(200, "OK", "<U><Official Version=\"4.5\"/></U>"));
  Result r = Fetch(http.Url(), dir.file("autoupdate.xml"), 10000);
  ASSERT_TRUE(r.finished);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(zvtest::ReadFile(dir.file("autoupdate.xml")), "<U><Official Version=\"4.5\"/></U>");
  EXPECT_NE(http.request.find("User-Agent: Zelvar AutoUpdate"), std::string::npos) << http.request;
}

TEST(Downloader, AnErrorStatusStillStoresItsBody) {
  zvtest::TempDir dir;
  TinyHttp http(Reply(404, "Not Found", "<U><Official Version=\"9.9\"/></U>"));
  Result r = Fetch(http.Url(), dir.file("autoupdate.xml"), 10000);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.status, 404);
  EXPECT_EQ(zvtest::ReadFile(dir.file("autoupdate.xml")), "<U><Official Version=\"9.9\"/></U>");
}

TEST(Downloader, NoAnswerFailsAndRemovesTheFile) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("autoupdate.xml"), "old");
  int port;
  {
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    port = closed.serverPort();
  } // nothing listens there any more
  Result r = Fetch("http://127.0.0.1:" + std::to_string(port) + "/x", dir.file("autoupdate.xml"), 5000);
  EXPECT_TRUE(r.finished);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(std::filesystem::exists(dir.file("autoupdate.xml")));
}

TEST(Downloader, ASilentServerHitsTheTimeLimit) {
  zvtest::TempDir dir;
  TinyHttp http(""); // reads the request and never answers
  // Ends by its 700 ms limit, long before the wait for it would.
  Result r = Fetch(http.Url(), dir.file("autoupdate.xml"), 700);
  EXPECT_TRUE(r.finished);
  EXPECT_FALSE(r.ok);
}
