#include "platform/single_instance.h"

#include "core/session_log.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace {

constexpr char kMagic[4] = {'Z', 'V', 'F', '1'};
constexpr uint32_t kFieldCount = 3;
constexpr uint32_t kMaxField = 1 << 20;
constexpr char kAck = 0x06;

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetU32(const QByteArray& b, qsizetype at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

enum class TParse { Incomplete, Done, Bad };

// Parses one frame from the start of the buffer.
TParse ParseFrame(const QByteArray& b, TForwardedLine& out) {
  if (b.size() < 8)
    return TParse::Incomplete;
  if (std::memcmp(b.constData(), kMagic, 4) != 0 || GetU32(b, 4) != kFieldCount)
    return TParse::Bad;
  qsizetype at = 8;
  std::string* fields[3] = {&out.time, &out.dir, &out.line};
  for (std::string* f : fields) {
    if (b.size() < at + 4)
      return TParse::Incomplete;
    uint32_t len = GetU32(b, at);
    if (len > kMaxField)
      return TParse::Bad;
    at += 4;
    if (b.size() < at + static_cast<qsizetype>(len))
      return TParse::Incomplete;
    f->assign(b.constData() + at, len);
    at += len;
  }
  return TParse::Done;
}

bool SameUser(QLocalSocket* socket) {
  struct ucred cred {};
  socklen_t len = sizeof cred;
  if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
    return false;
  return cred.uid == ::getuid();
}

} // namespace

TAppProxyWindow::TAppProxyWindow(std::string socketPath) : path_(std::move(socketPath)) {}

TAppProxyWindow::~TAppProxyWindow() { SetActive(false); }

std::string TAppProxyWindow::DefaultSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir =
      runtime && *runtime ? std::string(runtime) + "/zelvar" : "/tmp/zelvar-" + std::to_string(::getuid());
  return dir + "/instance";
}

std::string TAppProxyWindow::EncodeFrame(const TForwardedLine& fwd) {
  std::string out(kMagic, 4);
  PutU32(out, kFieldCount);
  for (const std::string* f : {&fwd.time, &fwd.dir, &fwd.line}) {
    PutU32(out, static_cast<uint32_t>(f->size()));
    out += *f;
  }
  return out;
}

bool TAppProxyWindow::PrepareFolder() {
  // The folder is private to the user: created 0700, and refused when someone else owns it.
  std::string dir = std::filesystem::path(path_).parent_path().string();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(dir).parent_path(), ec);
  ::mkdir(dir.c_str(), 0700);
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    Log("!TAppProxyWindow: the folder " + dir + " is not the user's own");
    return false;
  }
  if ((st.st_mode & 077) != 0)
    ::chmod(dir.c_str(), 0700);
  return true;
}

bool TAppProxyWindow::IsRunning() {
  QLocalSocket s;
  s.connectToServer(QString::fromStdString(path_));
  bool up = s.waitForConnected(1000);
  s.abort();
  return up;
}

bool TAppProxyWindow::SendToCopy(const TForwardedLine& fwd, int timeoutMs) {
  QLocalSocket s;
  s.connectToServer(QString::fromStdString(path_));
  QElapsedTimer clock;
  clock.start();
  auto left = [&] { return std::max<qint64>(1, timeoutMs - clock.elapsed()); };
  if (!s.waitForConnected(static_cast<int>(left())))
    return false;
  Log("+TAppProxyWindow.SendToCopy(" + fwd.Text() + ")");
  std::string frame = EncodeFrame(fwd);
  s.write(frame.data(), static_cast<qint64>(frame.size()));
  bool ok = s.waitForBytesWritten(static_cast<int>(left()));
  while (ok && s.bytesAvailable() < 1) {
    if (clock.elapsed() >= timeoutMs || !s.waitForReadyRead(static_cast<int>(left())))
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
    if (!PrepareFolder()) {
      // Nothing to serve from: later starts become instances of their own.
    } else if (IsRunning()) {
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
  }
  Log("-TAppProxyWindow.SetActive");
}

void TAppProxyWindow::OnNewConnection() {
  while (QLocalSocket* socket = server_ ? server_->nextPendingConnection() : nullptr) {
    if (!SameUser(socket)) {
      Log("!TAppProxyWindow: refused a connection of another user");
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // A peer that sends nothing useful in 5 s is dropped.
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0)
      ReadFrom(socket);
  }
}

void TAppProxyWindow::ReadFrom(QLocalSocket* socket) {
  QByteArray buffer = socket->property("zvBuffer").toByteArray();
  buffer += socket->readAll();
  TForwardedLine fwd;
  switch (ParseFrame(buffer, fwd)) {
  case TParse::Incomplete: socket->setProperty("zvBuffer", buffer); return;
  case TParse::Bad:
    Log("!TAppProxyWindow: dropped a malformed message");
    socket->abort();
    return;
  case TParse::Done:
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
