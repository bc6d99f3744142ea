#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace zv {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread, so that the program
// leaves through its normal exit path and saves what it must.
class TUnixSignalWatcher : public QObject {
public:
  explicit TUnixSignalWatcher(std::function<void(int)> handler, QObject* parent = nullptr);
  ~TUnixSignalWatcher() override;

private:
  std::function<void(int)> handler_;
  QSocketNotifier* notifier_ = nullptr;
};

} // namespace zv
