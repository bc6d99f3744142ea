#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QVariantMap>
#include <functional>
#include <string>

class QTimer;

namespace zv {

// What the desktop's media controls see of the player and do with it.
struct TMprisHost {
  // The desktop's application commands (play, pause, next …), as the multimedia keys send them.
  std::function<void(int appCommand)> appCommand;
  std::function<void()> raise, quit;
  std::function<void(const std::string& uri)> openUri;
  // 100 ns units; duration 0 when unknown.
  std::function<int64_t()> position, duration;
  std::function<void(int64_t)> seekTo;
  // "Playing", "Paused" or "Stopped".
  std::function<std::string()> status;
  std::function<std::string()> title, file, artUrl;
  // 0 … 1.
  std::function<double()> volume;
  std::function<void(double)> setVolume;
};

// The player on the session bus as MPRIS 2 ("org.mpris.MediaPlayer2.zelvar", or with
// ".instance<pid>" for another instance): the root and player interfaces, their properties and the
// PropertiesChanged signals, which follow the player every 250 ms.
class TMpris : public QDBusVirtualObject {
public:
  TMpris(TMprisHost host, QDBusConnection bus, const QString& serviceName);
  ~TMpris() override;
  bool Registered() const { return registered_; }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

private:
  QVariantMap RootProperties() const;
  QVariantMap PlayerProperties() const;
  QVariantMap Metadata() const;
  void Follow();

  TMprisHost host_;
  QDBusConnection bus_;
  QString service_;
  bool registered_ = false;
  QTimer* timer_ = nullptr;
  QVariantMap last_; // the player's properties as last announced
  int track_ = 0;    // counts the files, for the track identifiers
  std::string lastFile_;
  mutable std::string artFile_, artUrl_; // the file whose cover was looked for, and its URL
};

} // namespace zv
