#pragma once

// A one-connection internet-radio server on the loopback interface for tests: it answers with
// the station's headers and sends the audio with a metadata block after every `metaint` bytes
// when the client asks for metadata. It stops by itself after the data or when destroyed.

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zvtest {

class IcyServer {
public:
  // `titles[k]` is sent in the metadata block after the k-th piece of audio; empty sends none.
  IcyServer(std::string audio, std::vector<std::string> titles, std::string extraHeaders = {})
      : audio_(std::move(audio)), titles_(std::move(titles)), extra_(std::move(extraHeaders)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_, 1);
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~IcyServer() {
    stop_ = true;
    ::shutdown(listen_, SHUT_RDWR);
    if (client_ >= 0)
      ::shutdown(client_, SHUT_RDWR);
    thread_.join();
    ::close(listen_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/live"; }

  static constexpr size_t kMetaInt = 8192;

private:
  void Serve() {
    int c = ::accept(listen_, nullptr, nullptr);
    if (c < 0)
      return;
    client_ = c;
    timeval tv{5, 0};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(c, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    char buf[4096];
    ssize_t n = ::recv(c, buf, sizeof buf, 0);
    std::string request = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    bool meta =
        request.find("icy-metadata: 1") != std::string::npos || request.find("Icy-MetaData: 1") != std::string::npos;
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Radio Zet\r\n"
                       "icy-genre: Jazz\r\nicy-url: http://radio.example\r\nicy-br: 128\r\n" +
                       extra_;
    if (meta)
      head += "icy-metaint: " + std::to_string(kMetaInt) + "\r\n";
    head += "\r\n";
    bool ok = Send(c, head);
    for (size_t pos = 0, k = 0; ok && !stop_ && pos < audio_.size(); pos += kMetaInt, ++k) {
      ok = Send(c, audio_.substr(pos, kMetaInt));
      if (!meta || !ok || pos + kMetaInt >= audio_.size())
        continue;
      std::string title = k < titles_.size() ? titles_[k] : std::string();
      std::string block = title.empty() ? std::string() : "StreamTitle='" + title + "';";
      block.resize((block.size() + 15) / 16 * 16, '\0');
      ok = Send(c, std::string(1, static_cast<char>(block.size() / 16)) + block);
      // Real time, more or less: a 128 kbit/s stream sends 8 KiB in half a second.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    client_ = -1;
    ::close(c);
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

  std::string audio_;
  std::vector<std::string> titles_;
  std::string extra_;
  int listen_ = -1;
  std::atomic<int> client_{-1};
  std::atomic<bool> stop_{false};
  uint16_t port_ = 0;
  std::thread thread_;
};

} // namespace zvtest
