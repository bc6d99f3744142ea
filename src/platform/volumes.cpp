#include "platform/volumes.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

using TInterfaces = QMap<QString, QVariantMap>;
using TManagedObjects = QMap<QDBusObjectPath, TInterfaces>;
Q_DECLARE_METATYPE(TInterfaces)
Q_DECLARE_METATYPE(TManagedObjects)

namespace zv {

namespace {

const QString kService = "org.freedesktop.UDisks2";
const QString kFilesystem = "org.freedesktop.UDisks2.Filesystem";
const QString kBlock = "org.freedesktop.UDisks2.Block";
const QString kDrive = "org.freedesktop.UDisks2.Drive";

std::string LastPart(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/')
    p.pop_back();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

void SortByMountPoint(std::vector<TVolume>& v) {
  std::sort(v.begin(), v.end(), [](const TVolume& a, const TVolume& b) { return a.mountPoint < b.mountPoint; });
}

// A property that came as a nested D-Bus value is read out of its argument.
template <typename T>
T Demarshal(const QVariant& v) {
  if (v.canConvert<QDBusArgument>())
    return qdbus_cast<T>(v.value<QDBusArgument>());
  return v.value<T>();
}

// The mount table writes blanks and other awkward characters as octal escapes ("\040").
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

} // namespace

std::vector<TVolume> UDisksVolumes(const QDBusConnection& bus, bool& reached) {
  reached = false;
  std::vector<TVolume> volumes;
  if (!bus.isConnected())
    return volumes;
  qDBusRegisterMetaType<TInterfaces>();
  qDBusRegisterMetaType<TManagedObjects>();
  qDBusRegisterMetaType<QList<QByteArray>>();
  QDBusMessage call = QDBusMessage::createMethodCall(kService, "/org/freedesktop/UDisks2",
                                                     "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
  QDBusMessage answer = bus.call(call, QDBus::Block, 3000);
  if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
    return volumes;
  reached = true;
  const TManagedObjects objects = Demarshal<TManagedObjects>(answer.arguments().first());
  for (auto it = objects.begin(); it != objects.end(); ++it) {
    const TInterfaces& ifs = it.value();
    if (!ifs.contains(kFilesystem) || !ifs.contains(kBlock))
      continue;
    const QList<QByteArray> mounts = Demarshal<QList<QByteArray>>(ifs[kFilesystem].value("MountPoints"));
    const QVariantMap block = ifs[kBlock];
    if (mounts.isEmpty() || block.value("HintIgnore").toBool())
      continue;
    const QDBusObjectPath drivePath = Demarshal<QDBusObjectPath>(block.value("Drive"));
    const QVariantMap drive = objects.value(drivePath).value(kDrive);
    if (!drive.value("Optical").toBool() && !drive.value("Removable").toBool() &&
        !drive.value("MediaRemovable").toBool())
      continue;
    // Mount points come as zero-terminated bytes.
    std::string mountPoint = mounts.first().constData();
    std::string label = block.value("IdLabel").toString().toStdString();
    volumes.push_back({label.empty() ? LastPart(mountPoint) : label, mountPoint});
  }
  SortByMountPoint(volumes);
  return volumes;
}

std::vector<TVolume> MountTableVolumes(const std::string& mounts) {
  std::vector<TVolume> volumes;
  std::istringstream in(mounts);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type))
      continue;
    mountPoint = Unescape(mountPoint);
    const bool disc = type == "iso9660" || type == "udf";
    const bool removable = mountPoint.rfind("/media/", 0) == 0 || mountPoint.rfind("/run/media/", 0) == 0;
    if (disc || removable)
      volumes.push_back({LastPart(mountPoint), mountPoint});
  }
  SortByMountPoint(volumes);
  return volumes;
}

std::vector<TVolume> RemovableVolumes() {
  bool reached = false;
  std::vector<TVolume> volumes = UDisksVolumes(QDBusConnection::systemBus(), reached);
  if (reached)
    return volumes;
  std::ifstream in("/proc/self/mounts");
  std::ostringstream text;
  text << in.rdbuf();
  return MountTableVolumes(text.str());
}

std::string VolumeCaption(const TVolume& v) { return v.label + " (" + v.mountPoint + ")"; }

} // namespace zv
