#include "platform/single_instance.h"

#include "core/cmd_params.h"
#include "core/session_log.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace {

constexpr char kMagic[4] = {'Z', 'V', 'F', '2'};
constexpr size_t kHeader = 12; // magic, length of the rest, field count
constexpr char kAck = 0x06;
// A peer that sends nothing for this long is dropped.
constexpr int kIdleMs = 5000;

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetU32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

enum class TParse { Incomplete, Done, Bad };

// Parses the one frame a connection carries; waits until all of it has arrived, so a long command
// line is walked once.
TParse ParseFrame(const std::string& b, TForwardedLine& out) {
  if (b.size() >= 4 && std::memcmp(b.data(), kMagic, 4) != 0)
    return TParse::Bad;
  if (b.size() < kHeader)
    return TParse::Incomplete;
  uint32_t rest = GetU32(b, 4);
  if (rest > TAppProxyWindow::kMaxFrame || rest < 4)
    return TParse::Bad;
  size_t end = 8 + static_cast<size_t>(rest);
  if (b.size() < end)
    return TParse::Incomplete;
  if (b.size() > end)
    return TParse::Bad;
  uint32_t count = GetU32(b, 8);
  if (count < 2 || count > (rest - 4) / 4) // every field takes at least its length
    return TParse::Bad;
  size_t at = kHeader;
  std::vector<std::string> fields;
  fields.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    if (end - at < 4)
      return TParse::Bad;
    uint32_t len = GetU32(b, at);
    at += 4;
    if (end - at < len)
      return TParse::Bad;
    fields.emplace_back(b, at, len);
    at += len;
  }
  if (at != end)
    return TParse::Bad;
  out.time = std::move(fields[0]);
  out.dir = std::move(fields[1]);
  out.args.assign(std::make_move_iterator(fields.begin() + 2), std::make_move_iterator(fields.end()));
  return TParse::Done;
}

bool PeerUid(QLocalSocket& socket, uid_t& uid) {
  struct ucred cred {};
  socklen_t len = sizeof cred;
  if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
    return false;
  uid = cred.uid;
  return true;
}

} // namespace

std::string TForwardedLine::Text() const { return time + "|" + dir + "|" + TCmdParams::JoinArguments(args); }

TAppProxyWindow::TAppProxyWindow(std::string socketPath, uid_t owner, int64_t peer)
    : path_(std::move(socketPath)), owner_(owner), peer_(peer < 0 ? owner : static_cast<uid_t>(peer)) {}

TAppProxyWindow::~TAppProxyWindow() { SetActive(false); }

std::string TAppProxyWindow::DefaultSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime)
    return std::string(runtime) + "/zelvar/instance";
  std::error_code ec;
  std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
  if (ec)
    tmp = "/tmp";
  return (tmp / ("zelvar-" + std::to_string(::getuid())) / "instance").string();
}

std::string TAppProxyWindow::EncodeFrame(const TForwardedLine& fwd) {
  std::string body;
  PutU32(body, static_cast<uint32_t>(2 + fwd.args.size()));
  auto field = [&body](const std::string& f) {
    PutU32(body, static_cast<uint32_t>(f.size()));
    body += f;
  };
  field(fwd.time);
  field(fwd.dir);
  for (const std::string& a : fwd.args)
    field(a);
  std::string out(kMagic, 4);
  PutU32(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

bool TAppProxyWindow::FolderTrusted(std::string* why) {
  // The folder must be private to the user. A folder someone else owns, a link, or one that others
  // may enter is never used: they could read the names sent or stand in for the instance.
  std::filesystem::path dir = std::filesystem::path(path_).parent_path();
  std::error_code ec;
  std::filesystem::create_directories(dir.parent_path(), ec);
  ::mkdir(dir.c_str(), 0700);
  struct stat st {};
  std::string problem;
  if (::lstat(dir.c_str(), &st) != 0)
    problem = "cannot be created";
  else if (!S_ISDIR(st.st_mode))
    problem = "is not a folder";
  else if (st.st_uid != owner_)
    problem = "belongs to another user";
  else if ((st.st_mode & 077) != 0)
    problem = "is open to other users";
  if (problem.empty())
    return true;
  std::string text = "the single-instance folder " + dir.string() + " " + problem;
  Log("!TAppProxyWindow: " + text);
  if (why)
    *why = text;
  return false;
}

bool TAppProxyWindow::PeerIsOwner(QLocalSocket& socket) const {
  uid_t uid = 0;
  return PeerUid(socket, uid) && uid == peer_;
}

TAppProxyWindow::TPeer TAppProxyWindow::Probe() {
  QLocalSocket s;
  s.connectToServer(QString::fromStdString(path_));
  if (!s.waitForConnected(1000))
    return TPeer::None;
  TPeer peer = PeerIsOwner(s) ? TPeer::Ours : TPeer::Foreign;
  s.abort();
  return peer;
}

bool TAppProxyWindow::SendToCopy(const TForwardedLine& fwd, int timeoutMs) {
  QLocalSocket s;
  s.connectToServer(QString::fromStdString(path_));
  if (!s.waitForConnected(timeoutMs))
    return false;
  if (!PeerIsOwner(s)) {
    Log("!TAppProxyWindow.SendToCopy: the socket is not served by this user");
    return false;
  }
  Log("+TAppProxyWindow.SendToCopy(" + fwd.Text() + ")");
  std::string frame = EncodeFrame(fwd);
  bool ok = frame.size() - 8 <= kMaxFrame;
  if (ok)
    s.write(frame.data(), static_cast<qint64>(frame.size()));
  // The limit runs from the last progress, so a long list that keeps moving is never cut.
  while (ok && s.bytesToWrite() > 0)
    ok = s.waitForBytesWritten(timeoutMs);
  QElapsedTimer clock;
  clock.start();
  while (ok && s.bytesAvailable() < 1) {
    qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0 || !s.waitForReadyRead(static_cast<int>(left)))
      ok = false;
  }
  char ack = 0;
  ok = ok && s.read(&ack, 1) == 1 && ack == kAck;
  s.abort();
  if (!ok)
    Log("!TAppProxyWindow.SendToCopy: no answer from the running instance");
  Log("-TAppProxyWindow.SendToCopy");
  return ok;
}

void TAppProxyWindow::SetActive(bool active) {
  if (active == Active())
    return;
  Log(std::string("+TAppProxyWindow.SetActive(") + (active ? "1" : "0") + ")");
  if (active) {
    if (!FolderTrusted()) {
      // Nothing to serve from: later starts become instances of their own.
    } else if (Probe() != TPeer::None) {
      Log("!TAppProxyWindow.SetActive: another instance already serves");
    } else {
      // What is left at the path now is a socket of an instance that crashed: nobody answered.
      QString name = QString::fromStdString(path_);
      QLocalServer::removeServer(name);
      // No socket options: with them Qt creates the socket elsewhere and renames it into place,
      // which would silently take the path over from a running instance. The folder is private.
      auto* server = new QLocalServer(this);
      if (server->listen(name)) {
        server_ = server;
        connect(server_, &QLocalServer::newConnection, this, &TAppProxyWindow::OnNewConnection);
      } else {
        Log("!TAppProxyWindow.SetActive: " + server->errorString().toStdString());
        delete server;
      }
    }
  } else {
    delete server_;
    server_ = nullptr;
    buffers_.clear();
  }
  Log("-TAppProxyWindow.SetActive");
}

void TAppProxyWindow::OnNewConnection() {
  while (QLocalSocket* socket = server_ ? server_->nextPendingConnection() : nullptr) {
    if (!PeerIsOwner(*socket)) {
      Log("!TAppProxyWindow: refused a connection of another user");
      socket->abort();
      socket->deleteLater();
      continue;
    }
    buffers_[socket];
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start(kIdleMs);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, idle] {
      idle->start(kIdleMs);
      ReadFrom(socket);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] { buffers_.erase(socket); });
    if (socket->bytesAvailable() > 0)
      ReadFrom(socket);
  }
}

void TAppProxyWindow::ReadFrom(QLocalSocket* socket) {
  auto it = buffers_.find(socket);
  if (it == buffers_.end())
    return;
  QByteArray chunk = socket->readAll();
  it->second.append(chunk.constData(), static_cast<size_t>(chunk.size()));
  TForwardedLine fwd;
  switch (ParseFrame(it->second, fwd)) {
  case TParse::Incomplete: return;
  case TParse::Bad:
    Log("!TAppProxyWindow: dropped a malformed message");
    buffers_.erase(it);
    socket->abort();
    return;
  case TParse::Done:
    buffers_.erase(it);
    AddParam(std::move(fwd));
    socket->write(&kAck, 1);
    socket->flush();
    socket->disconnectFromServer();
    return;
  }
}

void TAppProxyWindow::AddParam(TForwardedLine fwd) {
  Log("TAppProxyWindow.AddParam:" + fwd.Text());
  queue_.push_back(std::move(fwd));
}

TForwardedLine TAppProxyWindow::PopParam() {
  TForwardedLine f = std::move(queue_.front());
  queue_.pop_front();
  return f;
}

} // namespace zv
