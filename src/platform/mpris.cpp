#include "platform/mpris.h"

#include "commands/command_codes.h"
#include "core/session_log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace zv {

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

TMpris::TMpris(TMprisHost host, QDBusConnection bus, const QString& serviceName)
    : host_(std::move(host)), bus_(std::move(bus)), service_(serviceName) {
  registered_ = bus_.isConnected() && bus_.registerVirtualObject(kPath, this) && bus_.registerService(service_);
  Log(std::string("MPRIS: ") + (registered_ ? "registered as " : "could not register ") + service_.toStdString());
  timer_ = new QTimer(this);
  timer_->setInterval(250);
  connect(timer_, &QTimer::timeout, this, [this] { Follow(); });
  if (registered_) {
    last_ = PlayerProperties();
    timer_->start();
  }
}

TMpris::~TMpris() {
  if (registered_) {
    bus_.unregisterService(service_);
    bus_.unregisterObject(kPath);
  }
}

QVariantMap TMpris::RootProperties() const {
  return {{"Identity", "Zelvar"},
          {"DesktopEntry", "zelvar"},
          {"CanQuit", true},
          {"CanRaise", true},
          {"CanSetFullscreen", false},
          {"Fullscreen", false},
          {"HasTrackList", false},
          {"SupportedUriSchemes", QStringList{"file", "http", "https", "mms", "rtsp", "rtmp", "udp"}},
          {"SupportedMimeTypes", QStringList{"video/x-msvideo", "video/x-matroska", "video/mp4", "video/mpeg",
                                             "video/quicktime", "video/webm", "video/ogg", "audio/mpeg", "audio/ogg",
                                             "audio/flac", "audio/x-wav", "audio/mp4", "audio/x-ms-wma"}}};
}

QVariantMap TMpris::Metadata() const {
  QVariantMap m;
  const std::string file = host_.file ? host_.file() : std::string();
  if (file.empty())
    return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
  m["mpris:trackid"] = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/zelvar/track/%1").arg(track_)));
  const std::string title = host_.title ? host_.title() : std::string();
  m["xesam:title"] = Q(title.empty() ? file : title);
  m["xesam:url"] = file.find("://") == std::string::npos ? QUrl::fromLocalFile(Q(file)).toString() : Q(file);
  if (const int64_t d = host_.duration ? host_.duration() : 0; d > 0)
    m["mpris:length"] = static_cast<qlonglong>(d / 10);
  // The cover is looked for once per file, not at every look at the player.
  if (file != artFile_) {
    artFile_ = file;
    artUrl_ = host_.artUrl ? host_.artUrl() : std::string();
  }
  if (!artUrl_.empty())
    m["mpris:artUrl"] = Q(artUrl_);
  return m;
}

QVariantMap TMpris::PlayerProperties() const {
  const bool open = host_.file && !host_.file().empty();
  return {{"PlaybackStatus", Q(host_.status ? host_.status() : std::string("Stopped"))},
          {"LoopStatus", "None"},
          {"Rate", 1.0},
          {"Shuffle", false},
          {"Metadata", Metadata()},
          {"Volume", host_.volume ? host_.volume() : 1.0},
          {"Position", static_cast<qlonglong>((host_.position ? host_.position() : 0) / 10)},
          {"MinimumRate", 1.0},
          {"MaximumRate", 1.0},
          {"CanGoNext", true},
          {"CanGoPrevious", true},
          {"CanPlay", true},
          {"CanPause", true},
          {"CanSeek", open},
          {"CanControl", true}};
}

void TMpris::Follow() {
  if (const std::string file = host_.file ? host_.file() : std::string(); file != lastFile_) {
    lastFile_ = file;
    ++track_;
  }
  QVariantMap now = PlayerProperties();
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it)
    if (it.key() != "Position" && last_.value(it.key()) != it.value())
      changed[it.key()] = it.value();
  last_ = now;
  if (changed.isEmpty())
    return;
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kProps, QStringLiteral("PropertiesChanged"));
  signal << kPlayer << changed << QStringList();
  bus_.send(signal);
}

bool TMpris::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  const QString iface = message.interface(), member = message.member();
  const QList<QVariant> args = message.arguments();
  const auto reply = [&](const QList<QVariant>& out = {}) {
    connection.send(message.createReply(out));
    return true;
  };
  if (iface == kProps) {
    const QString target = args.value(0).toString();
    const QVariantMap props = target == kRoot     ? RootProperties()
                              : target == kPlayer ? PlayerProperties()
                                                  : QVariantMap();
    if (member == "GetAll")
      return reply({props});
    if (member == "Get") {
      const QString name = args.value(1).toString();
      if (!props.contains(name)) {
        connection.send(message.createErrorReply(QDBusError::InvalidArgs, "No such property " + name));
        return true;
      }
      return reply({QVariant::fromValue(QDBusVariant(props.value(name)))});
    }
    if (member == "Set") {
      const QString name = args.value(1).toString();
      const QVariant value = args.value(2).value<QDBusVariant>().variant();
      if (target == kPlayer && name == "Volume" && host_.setVolume)
        host_.setVolume(std::clamp(value.toDouble(), 0.0, 1.0));
      return reply();
    }
    return false;
  }
  const auto app = [&](int command) {
    if (host_.appCommand)
      host_.appCommand(command);
    return reply();
  };
  if (iface == kRoot || iface.isEmpty()) {
    if (member == "Raise") {
      if (host_.raise)
        host_.raise();
      return reply();
    }
    if (member == "Quit") {
      if (host_.quit)
        QTimer::singleShot(0, this, [this] { host_.quit(); });
      return reply();
    }
  }
  if (iface == kPlayer || iface.isEmpty()) {
    // The desktop's controls act as the multimedia keys do: Stop pauses.
    if (member == "Play")
      return app(appPlay);
    if (member == "Pause" || member == "Stop")
      return app(appPause);
    if (member == "PlayPause")
      return app(appPlayPause);
    if (member == "Next")
      return app(appNextTrack);
    if (member == "Previous")
      return app(appPreviousTrack);
    if (member == "Seek" || member == "SetPosition") {
      const qlonglong us = args.value(member == "Seek" ? 0 : 1).toLongLong();
      const int64_t target = member == "Seek" ? (host_.position ? host_.position() : 0) + us * 10 : us * 10;
      const int64_t duration = host_.duration ? host_.duration() : 0;
      if (host_.seekTo && target >= 0 && (duration <= 0 || target <= duration))
        host_.seekTo(target);
      else if (host_.seekTo && member == "Seek" && target < 0)
        host_.seekTo(0);
      return reply();
    }
    if (member == "OpenUri") {
      if (host_.openUri)
        host_.openUri(args.value(0).toString().toStdString());
      return reply();
    }
  }
  return false;
}

QString TMpris::introspect(const QString&) const {
  return QStringLiteral(
      "<interface name=\"org.mpris.MediaPlayer2\">"
      "<method name=\"Raise\"/><method name=\"Quit\"/>"
      "<property name=\"CanQuit\" type=\"b\" access=\"read\"/><property name=\"CanRaise\" type=\"b\" access=\"read\"/>"
      "<property name=\"Fullscreen\" type=\"b\" access=\"read\"/>"
      "<property name=\"CanSetFullscreen\" type=\"b\" access=\"read\"/>"
      "<property name=\"HasTrackList\" type=\"b\" access=\"read\"/>"
      "<property name=\"Identity\" type=\"s\" access=\"read\"/>"
      "<property name=\"DesktopEntry\" type=\"s\" access=\"read\"/>"
      "<property name=\"SupportedUriSchemes\" type=\"as\" access=\"read\"/>"
      "<property name=\"SupportedMimeTypes\" type=\"as\" access=\"read\"/>"
      "</interface>"
      "<interface name=\"org.mpris.MediaPlayer2.Player\">"
      "<method name=\"Next\"/><method name=\"Previous\"/><method name=\"Pause\"/><method name=\"PlayPause\"/>"
      "<method name=\"Stop\"/><method name=\"Play\"/>"
      "<method name=\"Seek\"><arg direction=\"in\" type=\"x\" name=\"Offset\"/></method>"
      "<method name=\"SetPosition\"><arg direction=\"in\" type=\"o\" name=\"TrackId\"/>"
      "<arg direction=\"in\" type=\"x\" name=\"Position\"/></method>"
      "<method name=\"OpenUri\"><arg direction=\"in\" type=\"s\" name=\"Uri\"/></method>"
      "<signal name=\"Seeked\"><arg type=\"x\" name=\"Position\"/></signal>"
      "<property name=\"PlaybackStatus\" type=\"s\" access=\"read\"/>"
      "<property name=\"LoopStatus\" type=\"s\" access=\"read\"/>"
      "<property name=\"Rate\" type=\"d\" access=\"read\"/><property name=\"Shuffle\" type=\"b\" access=\"read\"/>"
      "<property name=\"Metadata\" type=\"a{sv}\" access=\"read\"/>"
      "<property name=\"Volume\" type=\"d\" access=\"readwrite\"/>"
      "<property name=\"Position\" type=\"x\" access=\"read\"/>"
      "<property name=\"MinimumRate\" type=\"d\" access=\"read\"/>"
      "<property name=\"MaximumRate\" type=\"d\" access=\"read\"/>"
      "<property name=\"CanGoNext\" type=\"b\" access=\"read\"/>"
      "<property name=\"CanGoPrevious\" type=\"b\" access=\"read\"/>"
      "<property name=\"CanPlay\" type=\"b\" access=\"read\"/><property name=\"CanPause\" type=\"b\" access=\"read\"/>"
      "<property name=\"CanSeek\" type=\"b\" access=\"read\"/>"
      "<property name=\"CanControl\" type=\"b\" access=\"read\"/>"
      "</interface>");
}

} // namespace zv
