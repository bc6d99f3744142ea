#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace zv {

// A command line handed from a later start to the running instance. The arguments travel as the
// list the shell gave, never joined into one line and split again.
struct TForwardedLine {
  std::string time;              // local milliseconds on the day-count scale, decimal
  std::string dir;               // the sender's current folder
  std::vector<std::string> args; // the sender's arguments, program path first
  // The one-line form for the log.
  std::string Text() const;
};

// The single-instance channel: a local socket in the user's runtime folder, one per user. The
// running instance listens; a later start connects, sends its fields length-prefixed and waits at
// most 5 s for the acknowledgement. Both sides trust only a folder that belongs to the user with no
// access for anyone else, and a peer that runs as the user; a socket left behind by a crash is
// detected and replaced.
class TAppProxyWindow : public QObject {
public:
  // `owner` is the user whose folder is trusted, `peer` the user whose processes may talk to the
  // instance (the owner when negative): both the process's own user but in tests.
  explicit TAppProxyWindow(std::string socketPath = DefaultSocketPath(), uid_t owner = ::getuid(), int64_t peer = -1);
  ~TAppProxyWindow() override;

  // $XDG_RUNTIME_DIR/zelvar/instance, or zelvar-<uid>/instance in the temporary folder without a
  // runtime folder.
  static std::string DefaultSocketPath();
  const std::string& SocketPath() const { return path_; }

  // Creates the socket's folder (mode 0700) when it is missing. False when the folder may not be
  // used: not a folder, another owner, or open to others; `why` then says what is wrong.
  bool FolderTrusted(std::string* why = nullptr);

  enum class TPeer { None, Ours, Foreign };
  // Who answers at the socket: nobody, an instance of the user, or a process of another user.
  TPeer Probe();
  // True when an instance of the user answers at the socket.
  bool IsRunning() { return Probe() == TPeer::Ours; }
  // Sends to the running instance; false when none of the user's took it within the time limit.
  bool SendToCopy(const TForwardedLine& fwd, int timeoutMs = 5000);
  // Starts or stops serving later starts.
  void SetActive(bool active);
  bool Active() const { return server_ != nullptr; }

  void AddParam(TForwardedLine fwd);
  bool HasParams() const { return !queue_.empty(); }
  TForwardedLine PopParam();

  // Frame format, shared with tests: "ZVF2", the length of the rest, the field count, then length
  // and bytes per field (time, folder, arguments). Little-endian 32-bit numbers.
  static std::string EncodeFrame(const TForwardedLine& fwd);
  // The largest frame accepted: far beyond any command line the system can pass.
  static constexpr uint32_t kMaxFrame = 256u << 20;

private:
  void OnNewConnection();
  void ReadFrom(QLocalSocket* socket);
  bool PeerIsOwner(QLocalSocket& socket) const;

  std::string path_;
  uid_t owner_;
  uid_t peer_;
  QLocalServer* server_ = nullptr;
  std::map<QLocalSocket*, std::string> buffers_; // bytes received so far, per connection
  std::deque<TForwardedLine> queue_;
};

} // namespace zv
