#include "platform/volumes.h"

#include "core/text_util.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

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

namespace {
// One line of the mount table, its fields unescaped.
struct TMount {
  std::string device, mountPoint, type;
  bool Disc() const { return type == "iso9660" || type == "udf"; }
};

// The mount table's lines in its order.
std::vector<TMount> ParseMounts(const std::string& mounts) {
  std::vector<TMount> lines;
  std::istringstream in(mounts);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    TMount m;
    if (fields >> m.device >> m.mountPoint >> m.type)
      lines.push_back({Unescape(m.device), Unescape(m.mountPoint), m.type});
  }
  return lines;
}

std::string ReadMountTable() {
  std::ifstream in("/proc/self/mounts");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace

std::vector<TVolume> MountTableVolumes(const std::string& mounts) {
  std::vector<TVolume> volumes;
  for (const TMount& m : ParseMounts(mounts)) {
    const bool removable = m.mountPoint.rfind("/media/", 0) == 0 || m.mountPoint.rfind("/run/media/", 0) == 0;
    if (m.Disc() || removable)
      volumes.push_back({LastPart(m.mountPoint), m.mountPoint});
  }
  SortByMountPoint(volumes);
  return volumes;
}

std::vector<TVolume> RemovableVolumes() {
  bool reached = false;
  std::vector<TVolume> volumes = UDisksVolumes(QDBusConnection::systemBus(), reached);
  if (reached)
    return volumes;
  return MountTableVolumes(ReadMountTable());
}

namespace {
constexpr size_t kSector = 2048;

bool ReadAt(int fd, uint64_t offset, uint8_t* to, size_t size) {
  while (size > 0) {
    ssize_t n = ::pread(fd, to, size, static_cast<off_t>(offset));
    if (n <= 0)
      return false;
    to += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The entry `name` (case ignored, version ";1" dropped) of the directory at `extent`: its extent
// and size, and whether it is a directory.
bool FindEntry(int fd, uint32_t extent, uint32_t size, const std::string& name, bool& dir, uint32_t& at,
               uint32_t& length) {
  std::vector<uint8_t> data(std::min<uint32_t>(size, 256 * 1024));
  if (data.empty() || !ReadAt(fd, uint64_t{extent} * kSector, data.data(), data.size()))
    return false;
  for (size_t i = 0; i + 33 < data.size();) {
    const size_t len = data[i];
    if (len == 0) { // records never cross a sector: the rest of this one is empty
      i = (i / kSector + 1) * kSector;
      continue;
    }
    const size_t nameLen = data[i + 32];
    if (len < 33 || i + len > data.size() || 33 + nameLen > len)
      return false;
    std::string entry(reinterpret_cast<const char*>(&data[i + 33]), nameLen);
    entry = entry.substr(0, entry.find(';'));
    if (SameText(entry, name)) {
      dir = (data[i + 25] & 2) != 0;
      at = Le32(&data[i + 2]);
      length = Le32(&data[i + 10]);
      return true;
    }
    i += len;
  }
  return false;
}
} // namespace

bool DiscHoldsDvd(const std::string& device) {
  // Never waits for a drive without a disc.
  int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return false;
  uint8_t pvd[kSector];
  bool found = false;
  if (ReadAt(fd, 16 * kSector, pvd, kSector) && pvd[0] == 1 && std::memcmp(pvd + 1, "CD001", 5) == 0) {
    const uint8_t* root = pvd + 156;
    bool dir = false;
    uint32_t at = 0, length = 0;
    found = FindEntry(fd, Le32(root + 2), Le32(root + 10), "VIDEO_TS", dir, at, length) && dir &&
            FindEntry(fd, at, length, "VIDEO_TS.IFO", dir, at, length) && !dir;
  }
  ::close(fd);
  return found;
}

std::string FindDvd(const std::string& mounts, const std::vector<std::string>& drives) {
  const std::vector<TMount> table = ParseMounts(mounts);
  for (const TMount& m : table) {
    if (!m.Disc())
      continue;
    // ISO 9660 mounts may show the names in lower case.
    for (const char* ifo : {"/VIDEO_TS/VIDEO_TS.IFO", "/video_ts/video_ts.ifo"}) {
      std::string path = m.mountPoint + ifo;
      if (::access(path.c_str(), R_OK) == 0)
        return path;
    }
  }
  for (const std::string& drive : drives) {
    const bool mounted = std::any_of(table.begin(), table.end(), [&](const TMount& m) { return m.device == drive; });
    if (!mounted && DiscHoldsDvd(drive))
      return drive + "/VIDEO_TS/VIDEO_TS.IFO";
  }
  return {};
}

std::string FindDvd() {
  std::vector<std::string> drives;
  for (int i = 0; i < 16; ++i) {
    std::string drive = "/dev/sr" + std::to_string(i);
    if (::access(drive.c_str(), F_OK) == 0)
      drives.push_back(drive);
  }
  return FindDvd(ReadMountTable(), drives);
}

std::string VolumeCaption(const TVolume& v) { return v.label + " (" + v.mountPoint + ")"; }

} // namespace zv
