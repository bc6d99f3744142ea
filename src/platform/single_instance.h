#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace zv {

// A command line handed from a later start to the running instance.
struct TForwardedLine {
  std::string time; // local milliseconds on the day-count scale, decimal
  std::string dir;  // the sender's current folder
  std::string line; // the sender's whole command line
  std::string Text() const { return time + "|" + dir + "|" + line; }
};

// The single-instance channel: a local socket in the user's runtime folder, one per user. The
// running instance listens; a later start connects, sends its three fields length-prefixed (so a
// folder holding "|" arrives whole) and waits at most 5 s for the acknowledgement. Only the same
// user can connect, and a socket left behind by a crash is detected and replaced.
class TAppProxyWindow : public QObject {
public:
  explicit TAppProxyWindow(std::string socketPath = DefaultSocketPath());
  ~TAppProxyWindow() override;

  // $XDG_RUNTIME_DIR/zelvar/instance, or /tmp/zelvar-<uid>/instance without a runtime folder.
  static std::string DefaultSocketPath();
  const std::string& SocketPath() const { return path_; }

  // True when a running instance answers at the socket.
  bool IsRunning();
  // Sends to the running instance; false when none took it within the time limit.
  bool SendToCopy(const TForwardedLine& fwd, int timeoutMs = 5000);
  // Starts or stops serving later starts.
  void SetActive(bool active);
  bool Active() const { return server_ != nullptr; }

  void AddParam(TForwardedLine fwd);
  bool HasParams() const { return !queue_.empty(); }
  TForwardedLine PopParam();

  // Frame format, shared with tests: "ZVF1", field count, then length and bytes per field.
  static std::string EncodeFrame(const TForwardedLine& fwd);

private:
  void OnNewConnection();
  void ReadFrom(QLocalSocket* socket);
  bool PrepareFolder();

  std::string path_;
  QLocalServer* server_ = nullptr;
  std::deque<TForwardedLine> queue_;
};

} // namespace zv
