#pragma once

// Internet-radio servers on the loopback interface for tests and benchmarks: a station that
// answers with its headers and sends the audio with a metadata block after every `metaint` bytes
// when the client asks for metadata, and the servers that go wrong (an HTTP error, an answer that
// is not HTTP, a web page, redirects, a server that never answers, a stream that stops sending).
// Each connection is served on its own thread; everything stops when the server is destroyed.

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zvtest {

struct StreamScript {
  enum class Kind {
    Radio,    // the station: headers, audio, metadata
    Status,   // an HTTP error status with a small page
    Garbage,  // bytes that are not an HTTP answer
    Page,     // HTTP 200 with a web page instead of audio
    Redirect, // 302 to `location`, or back to itself when it is empty (a loop)
    Silent,   // reads the request and never answers
    Stall,    // the station's headers and `stallAfter` bytes of audio, then nothing
  };
  Kind kind = Kind::Radio;
  std::string audio;
  std::vector<std::string> titles; // the k-th metadata block's title; empty sends an empty block
  bool cycleTitles = false;        // after the last title, the first again (a title in every block)
  std::string headers = "icy-name: Radio Zet\r\nicy-genre: Jazz\r\nicy-url: http://radio.example\r\nicy-br: 128\r\n";
  size_t metaint = 8192;
  bool loop = false;         // the audio again and again until the server stops
  size_t bytesPerSecond = 0; // 0: a metadata block every 100 ms; otherwise this rate, in real time
  int status = 404;
  std::string location;
  size_t stallAfter = 16384;
};

class StreamServer {
public:
  explicit StreamServer(StreamScript script) : script_(std::move(script)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_, 16);
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~StreamServer() {
    stop_ = true;
    ::shutdown(listen_, SHUT_RDWR);
    acceptor_.join();
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (int c : clients_)
        ::shutdown(c, SHUT_RDWR);
    }
    for (std::thread& t : served_)
      t.join();
    ::close(listen_);
  }
  StreamServer(const StreamServer&) = delete;
  StreamServer& operator=(const StreamServer&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/live"; }
  int Connections() const { return connections_.load(); }

  // An address where nothing listens: the connection is refused.
  static std::string RefusingUrl() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/live";
  }

private:
  void Accept() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0)
        continue;
      int c = ::accept(listen_, nullptr, nullptr);
      if (c < 0)
        continue;
      ++connections_;
      std::lock_guard<std::mutex> guard(lock_);
      clients_.push_back(c);
      served_.emplace_back([this, c] {
        Serve(c);
        std::lock_guard<std::mutex> g(lock_);
        std::erase(clients_, c);
        ::close(c);
      });
    }
  }

  // Waits until the server stops (a server that holds the connection without a word).
  void Hold() {
    while (!stop_)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  void Serve(int c) {
    timeval tv{5, 0};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(c, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    char buf[4096];
    ssize_t n = ::recv(c, buf, sizeof buf, 0);
    std::string request = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    const StreamScript& s = script_;
    switch (s.kind) {
    case StreamScript::Kind::Status:
      Send(c, "HTTP/1.0 " + std::to_string(s.status) + " Refused\r\nContent-Type: text/html\r\n\r\n<html>no</html>");
      return;
    case StreamScript::Kind::Garbage: {
      std::string junk;
      for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 37 + 11) & 0xFF);
      Send(c, junk);
      return;
    }
    case StreamScript::Kind::Page: {
      std::string page = "<html><body>";
      for (int i = 0; i < 2000; ++i)
        page += "<p>This is a web page, not a station.</p>\n";
      Send(c, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page + "</body></html>");
      return;
    }
    case StreamScript::Kind::Redirect:
      Send(c, "HTTP/1.1 302 Found\r\nLocation: " + (s.location.empty() ? Url() : s.location) +
                  "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    case StreamScript::Kind::Silent: Hold(); return;
    case StreamScript::Kind::Stall:
      Send(c, "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n" + s.headers + "\r\n" +
                  s.audio.substr(0, std::min(s.stallAfter, s.audio.size())));
      Hold();
      return;
    case StreamScript::Kind::Radio: break;
    }
    bool meta =
        request.find("icy-metadata: 1") != std::string::npos || request.find("Icy-MetaData: 1") != std::string::npos;
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n" + s.headers;
    if (meta)
      head += "icy-metaint: " + std::to_string(s.metaint) + "\r\n";
    head += "\r\n";
    bool ok = Send(c, head);
    auto start = std::chrono::steady_clock::now();
    size_t sent = 0;
    for (size_t pos = 0, k = 0; ok && !stop_ && !s.audio.empty(); pos += s.metaint, ++k) {
      if (pos >= s.audio.size()) {
        if (!s.loop)
          break;
        pos = 0;
      }
      std::string piece = s.audio.substr(pos, s.metaint);
      piece.resize(s.metaint, '\0'); // the last piece of a loop is padded to the interval
      ok = Send(c, piece);
      sent += piece.size();
      bool last = !s.loop && pos + s.metaint >= s.audio.size();
      if (meta && ok && !last) {
        std::string title = k < s.titles.size()                  ? s.titles[k]
                            : s.cycleTitles && !s.titles.empty() ? s.titles[k % s.titles.size()]
                                                                 : std::string();
        std::string block = title.empty() ? std::string() : "StreamTitle='" + title + "';";
        block.resize((block.size() + 15) / 16 * 16, '\0');
        ok = Send(c, std::string(1, static_cast<char>(block.size() / 16)) + block);
      }
      if (s.bytesPerSecond == 0) {
        // Real time, more or less: a 128 kbit/s stream sends 8 KiB in half a second.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      } else {
        // At the stream's rate, at most half a second ahead of it.
        auto due = start + std::chrono::milliseconds(sent * 1000 / s.bytesPerSecond);
        if (due > std::chrono::steady_clock::now() + std::chrono::milliseconds(500))
          std::this_thread::sleep_until(due - std::chrono::milliseconds(500));
      }
    }
    if (ok && !s.loop)
      return;
    Hold();
  }

  static bool Send(int c, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n = ::send(c, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n <= 0)
        return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

  StreamScript script_;
  int listen_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex lock_;
  std::vector<int> clients_;
  std::vector<std::thread> served_;
  std::thread acceptor_;
};

// The station of the older tests: the audio once, with these titles and extra headers.
inline StreamScript Station(std::string audio, std::vector<std::string> titles, std::string extraHeaders = {}) {
  StreamScript s;
  s.audio = std::move(audio);
  s.titles = std::move(titles);
  s.headers += extraHeaders;
  return s;
}

} // namespace zvtest
