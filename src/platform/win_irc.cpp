#include "platform/win_irc.h"

#include "core/session_log.h"
#include "core/text_util.h"
#include "skin/language_manager.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <unistd.h>

namespace zv {

namespace {
constexpr size_t kLongestLine = 4096;

// The fields of a report, single spaces between them.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> out = SplitString(line, ' ');
  std::erase_if(out, [](const std::string& f) { return f.empty(); });
  return out;
}
} // namespace

std::optional<std::string> RemoteButton(std::string_view line, const TRepeatRule& rule) {
  const std::vector<std::string> f = Fields(line);
  if (f.size() < 3)
    return std::nullopt;
  const std::string& repeat = f[1];
  const char highest = static_cast<char>(std::clamp(rule.repeatDelayValue, 50, 57));
  const bool early = repeat.size() >= 2 && repeat[0] == '0' && repeat[1] >= '1' && repeat[1] <= highest;
  if (rule.repeatDelay && early)
    return std::nullopt;
  return f[2];
}

std::vector<std::string> TRemoteLines::Feed(std::string_view bytes) {
  std::vector<std::string> out;
  for (char c : bytes) {
    if (c != '\n' && c != '\r') {
      if (overlong_)
        continue;
      if (pending_.size() >= kLongestLine) {
        overlong_ = true;
        pending_.clear();
        continue;
      }
      pending_ += c;
      continue;
    }
    const bool dropped = overlong_;
    overlong_ = false;
    std::string line(Trim(pending_));
    pending_.clear();
    if (dropped || line.empty())
      continue;
    if (line == "BEGIN") {
      inReply_ = true;
      continue;
    }
    if (inReply_) {
      inReply_ = line != "END";
      continue;
    }
    out.push_back(std::move(line));
  }
  return out;
}

TWinIRC::TWinIRC(TWinIRCHost host, QObject* parent) : QObject(parent), host_(std::move(host)) {
  socket_ = new QTcpSocket(this);
  retry_ = new QTimer(this);
  retry_->setInterval(1000);
  connect(retry_, &QTimer::timeout, this, [this] {
    if (state_ == TState::Idle && host_.prefs && host_.prefs->GetBool("Modules.WinLIRC.Enabled"))
      Connect();
  });
  connect(socket_, &QTcpSocket::connected, this, [this] {
    state_ = TState::Connected;
    lines_ = TRemoteLines();
    if (host_.osd)
      host_.osd(Lang("OSD.WIRC.Connected"));
  });
  connect(socket_, &QTcpSocket::disconnected, this, [this] { state_ = TState::Idle; });
  connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    // Silent: the next tick tries again.
    socket_->abort();
    state_ = TState::Idle;
  });
  connect(socket_, &QTcpSocket::readyRead, this, [this] { OnRead(); });
}

TWinIRC::~TWinIRC() { SetEnabled(false); }

std::string TWinIRC::Pref(const char* key, const char* def) const { return zv::Pref(host_.prefs, key, def); }

void TWinIRC::SetEnabled(bool enabled) {
  if (enabled) {
    retry_->start();
    return;
  }
  retry_->stop();
  socket_->abort();
  state_ = TState::Idle;
}

void TWinIRC::Connect() {
  if (state_ != TState::Idle)
    return;
  const QHostAddress address(QString::fromStdString(Pref("Modules.WinLIRC.Server", "127.0.0.1")));
  const int port = StrToIntDef(Pref("Modules.WinLIRC.Port", "8765"), 8765);
  if (address.isNull() || port <= 0 || port > 65535) {
    Log("WinLIRC: no such server address " + Pref("Modules.WinLIRC.Server", ""));
    return;
  }
  state_ = TState::Connecting;
  socket_->connectToHost(address, static_cast<quint16>(port));
  // A refusal that comes at once leaves the socket unconnected: the client is idle again.
  if (socket_->state() == QAbstractSocket::UnconnectedState)
    state_ = TState::Idle;
}

void TWinIRC::OnRead() {
  const QByteArray bytes = socket_->readAll();
  for (const std::string& line : lines_.Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
    Handle(line);
}

void TWinIRC::Handle(const std::string& line) {
  TRepeatRule rule;
  rule.repeatDelay = host_.prefs && host_.prefs->GetBool("Modules.WinLIRC.RepeatDelay");
  rule.repeatDelayValue = StrToIntDef(Pref("Modules.WinLIRC.RepeatDelayValue", "50"), 50);
  const std::optional<std::string> button = RemoteButton(line, rule);
  if (!button)
    return;
  if (host_.execButton)
    host_.execButton(*button);
  if (host_.prefs && host_.prefs->GetBool("Modules.WinLIRC.Sound.Enabled") && host_.click)
    host_.click();
}

namespace {
// A process that lives: it exists and has not ended waiting to be reaped (a detached child is
// reaped by whoever adopted it, which in a container may never happen).
bool Lives(int64_t pid) {
  if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
    return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}
} // namespace

bool TWinIRC::Started() const { return Lives(serverPid_); }

bool TWinIRC::ServerRunning() const {
  if (Started() || state_ == TState::Connected)
    return true;
  // The port answers: a daemon of the system or the user's.
  QTcpSocket probe;
  probe.connectToHost(QHostAddress(QString::fromStdString(Pref("Modules.WinLIRC.Server", "127.0.0.1"))),
                      static_cast<quint16>(StrToIntDef(Pref("Modules.WinLIRC.Port", "8765"), 8765)));
  const bool answers = probe.waitForConnected(200);
  probe.abort();
  return answers;
}

bool TWinIRC::StartServer() {
  if (ServerRunning())
    return true;
  QString program = QString::fromStdString(Pref("Modules.WinLIRC.Server.Path", ""));
  if (program.isEmpty() || !QFileInfo(program).isExecutable())
    program = QStandardPaths::findExecutable(QStringLiteral("lircd"));
  if (program.isEmpty()) {
    Log("WinLIRC: no daemon program to start");
    return false;
  }
  // Detached: a daemon that is not stopped at exit (AutoStop off) goes on serving other programs.
  // Its log goes to the system's log as it would when started on its own.
  QProcess process;
  process.setProgram(program);
  process.setArguments(
      {QStringLiteral("--nodaemon"), QString::fromStdString("--listen=" + Pref("Modules.WinLIRC.Server", "127.0.0.1") +
                                                            ":" + Pref("Modules.WinLIRC.Port", "8765"))});
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  qint64 pid = 0;
  const bool started = process.startDetached(&pid);
  serverPid_ = started ? pid : 0;
  Log(std::string("WinLIRC: ") + (started ? "started " : "could not start ") + program.toStdString());
  return started;
}

void TWinIRC::StopServer() {
  if (!Started())
    return;
  const auto pid = static_cast<pid_t>(serverPid_);
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 40 && Lives(pid); ++i)
    ::usleep(50'000);
  if (Lives(pid))
    ::kill(pid, SIGKILL);
  serverPid_ = 0;
}

} // namespace zv
