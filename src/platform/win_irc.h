#pragma once

#include "core/prefs_access.h"

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QTcpSocket;
class QTimer;

namespace zv {

// Which early repeats of a held button are skipped: the repeat counts "01" up to the digit whose
// character code is `repeatDelayValue` (50 "2" … 57 "9").
struct TRepeatRule {
  bool repeatDelay = true;
  int repeatDelayValue = 50;
};

// The button a daemon's report names ("<code> <repeat> <button> <remote>"), or none when the line
// is no report (fewer than three fields) or an early repeat that is skipped.
std::optional<std::string> RemoteButton(std::string_view line, const TRepeatRule& rule);

// Cuts the daemon's bytes into complete lines, in order, across reads: a line split over two reads
// or several lines in one are all kept; the daemon's reply blocks (BEGIN … END) and lines longer
// than 4 KiB are dropped.
class TRemoteLines {
public:
  std::vector<std::string> Feed(std::string_view bytes);

private:
  std::string pending_;
  bool inReply_ = false;
  bool overlong_ = false; // the rest of a line too long to keep
};

struct TWinIRCHost {
  IPrefs* prefs = nullptr;
  // The command table's button (a bound one posts its command).
  std::function<void(const std::string&)> execButton;
  std::function<void(const std::string&)> osd;
  std::function<void()> click;
};

// The client of the remote-control daemon (lircd with --listen speaks its line protocol): keeps
// connecting every second while enabled, turns each reported press into a button of the command
// table, skips early repeats and clicks for each accepted press. It can start the daemon as a child
// and stop that child again. User-interface thread only.
class TWinIRC : public QObject {
public:
  enum class TState { Idle, Connecting, Connected };
  explicit TWinIRC(TWinIRCHost host, QObject* parent = nullptr);
  ~TWinIRC() override;

  void SetEnabled(bool enabled);
  void Connect();
  TState State() const { return state_; }
  // The daemon runs when its port answers or the process started here lives. Starting runs
  // `Modules.WinLIRC.Server.Path`, else `lircd` from the PATH, listening on the configured address
  // and port; false when there is no program to run or it did not start.
  bool ServerRunning() const;
  bool StartServer();
  // Ends the daemon only when this client started it.
  void StopServer();
  // The daemon this client started still runs.
  bool Started() const;

private:
  void OnRead();
  void Handle(const std::string& line);
  std::string Pref(const char* key, const char* def) const;

  TWinIRCHost host_;
  QTcpSocket* socket_ = nullptr;
  QTimer* retry_ = nullptr;
  int64_t serverPid_ = 0; // of the daemon started here
  TState state_ = TState::Idle;
  TRemoteLines lines_;
};

} // namespace zv
