// The drive menu's volumes: from a disks service on a private bus of the test's own, and from the
// mount table.
#include "platform/volumes.h"

#include "core/system_helper.h"
#include "qt_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>

using TInterfaces = QMap<QString, QVariantMap>;
using TManagedObjects = QMap<QDBusObjectPath, TInterfaces>;
Q_DECLARE_METATYPE(TInterfaces)
Q_DECLARE_METATYPE(TManagedObjects)

using namespace zv;

namespace {

TEST(Volumes, TheMountTableGivesDiscsAndMediaMounts) {
  const std::string mounts = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                             "proc /proc proc rw 0 0\n"
                             "/dev/sr0 /mnt/cdrom iso9660 ro 0 0\n"
                             "/dev/sr1 /srv/dvd udf ro 0 0\n"
                             "/dev/sdb1 /media/me/MY\\040STICK vfat rw 0 0\n"
                             "/dev/sdc1 /run/media/me/CARD exfat rw 0 0\n"
                             "broken line\n";
  EXPECT_EQ(MountTableVolumes(mounts), (std::vector<TVolume>{{"MY STICK", "/media/me/MY STICK"},
                                                             {"cdrom", "/mnt/cdrom"},
                                                             {"CARD", "/run/media/me/CARD"},
                                                             {"dvd", "/srv/dvd"}}));
  EXPECT_EQ(VolumeCaption({"CARD", "/run/media/me/CARD"}), "CARD (/run/media/me/CARD)");
}

// The disks service's object tree: a DVD drive with a disc, a fixed disk and a stick with one of
// its two partitions mounted.
class FakeDisks : public QDBusVirtualObject {
public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
    if (m.member() != "GetManagedObjects")
      return false;
    const QString base = "/org/freedesktop/UDisks2/";
    const auto drive = [](const char* flag) { return TInterfaces{{"org.freedesktop.UDisks2.Drive", {{flag, true}}}}; };
    const auto partition = [&](const char* drivePath, const char* label, QList<QByteArray> mounts) {
      return TInterfaces{
          {"org.freedesktop.UDisks2.Block",
           {{"Drive", QVariant::fromValue(QDBusObjectPath(base + drivePath))}, {"IdLabel", QString(label)}}},
          {"org.freedesktop.UDisks2.Filesystem", {{"MountPoints", QVariant::fromValue(mounts)}}}};
    };
    TManagedObjects objects;
    objects[QDBusObjectPath(base + "drives/dvd")] = drive("Optical");
    objects[QDBusObjectPath(base + "drives/ssd")] = drive("Rotational");
    objects[QDBusObjectPath(base + "drives/stick")] = drive("Removable");
    objects[QDBusObjectPath(base + "block_devices/sr0")] =
        partition("drives/dvd", "HOLIDAY", {QByteArray("/media/me/HOLIDAY", 18)});
    objects[QDBusObjectPath(base + "block_devices/sda1")] = partition("drives/ssd", "", {QByteArray("/", 2)});
    objects[QDBusObjectPath(base + "block_devices/sdb1")] =
        partition("drives/stick", "", {QByteArray("/media/me/1234-ABCD", 20)});
    objects[QDBusObjectPath(base + "block_devices/sdb2")] = partition("drives/stick", "DATA", {});
    c.send(m.createReply(QVariant::fromValue(objects)));
    return true;
  }
};

TEST(Volumes, TheDisksServiceGivesTheMountedRemovableOnes) {
  qDBusRegisterMetaType<TInterfaces>();
  qDBusRegisterMetaType<TManagedObjects>();
  qDBusRegisterMetaType<QList<QByteArray>>();
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon is not installed";
  ASSERT_TRUE(zvtest::PumpUntil([&] { return daemon.canReadLine(); }, std::chrono::seconds(10)));
  const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
  QDBusConnection client = QDBusConnection::connectToBus(address, "volumes-client");
  ASSERT_TRUE(client.isConnected());
  bool reached = true;
  EXPECT_TRUE(UDisksVolumes(client, reached).empty());
  EXPECT_FALSE(reached) << "no disks service on this bus yet";

  QThread serviceThread;
  serviceThread.start();
  FakeDisks service;
  service.moveToThread(&serviceThread);
  QDBusConnection serviceBus = QDBusConnection::connectToBus(address, "volumes-service");
  ASSERT_TRUE(serviceBus.registerService("org.freedesktop.UDisks2"));
  ASSERT_TRUE(serviceBus.registerVirtualObject("/org/freedesktop/UDisks2", &service));
  EXPECT_EQ(UDisksVolumes(client, reached),
            (std::vector<TVolume>{{"1234-ABCD", "/media/me/1234-ABCD"}, {"HOLIDAY", "/media/me/HOLIDAY"}}));
  EXPECT_TRUE(reached);

  serviceBus.unregisterObject("/org/freedesktop/UDisks2");
  QDBusConnection::disconnectFromBus("volumes-service");
  QDBusConnection::disconnectFromBus("volumes-client");
  serviceThread.quit();
  serviceThread.wait();
  daemon.terminate();
  daemon.waitForFinished(5000);
}

} // namespace

namespace {
// An ISO 9660 directory record.
std::string Record(const std::string& name, uint32_t extent, bool dir) {
  std::string r(33 + name.size() + (name.size() % 2 == 0 ? 1 : 0), '\0');
  r[0] = static_cast<char>(r.size());
  for (int i = 0; i < 4; ++i) {
    r[2 + i] = static_cast<char>(extent >> (8 * i));
    r[10 + i] = static_cast<char>(2048 >> (8 * i));
  }
  r[25] = dir ? 2 : 0;
  r[32] = static_cast<char>(name.size());
  r.replace(33, name.size(), name);
  return r;
}
// A disc of 20 sectors: the volume descriptor at 16, the root at 18 holding `folder`, which holds `file`.
std::string DiscImage(const std::string& folder, const std::string& file) {
  std::string image(20 * 2048, '\0');
  image.replace(16 * 2048, 6, "\1CD001");
  const std::string root = Record(std::string(1, '\0'), 18, true);
  image.replace(16 * 2048 + 156, root.size(), root);
  const std::string top = root + Record(std::string(1, '\1'), 18, true) + Record(folder, 19, true);
  image.replace(18 * 2048, top.size(), top);
  const std::string inner = Record(file, 20, false);
  image.replace(19 * 2048, inner.size(), inner);
  return image;
}
} // namespace

TEST(Volumes, ADvdIsFoundOnMountedDiscsFirstThenInDrivesReadDirectly) {
  zvtest::TempDir dir;
  const struct {
    const char *folder, *file;
    bool dvd;
  } discs[] = {{"VIDEO_TS", "VIDEO_TS.IFO;1", true},
               {"video_ts", "video_ts.ifo", true},
               {"AUDIO_TS", "VIDEO_TS.IFO;1", false},
               {"VIDEO_TS", "VTS_01_0.IFO;1", false}};
  for (const auto& d : discs) {
    zvtest::WriteFile(dir.file("disc.iso"), DiscImage(d.folder, d.file));
    EXPECT_EQ(DiscHoldsDvd(dir.file("disc.iso")), d.dvd) << d.folder << "/" << d.file;
  }
  zvtest::WriteFile(dir.file("other.img"), std::string(40 * 2048, 'x'));
  EXPECT_FALSE(DiscHoldsDvd(dir.file("other.img"))) << "not ISO 9660";
  EXPECT_FALSE(DiscHoldsDvd(dir.file("missing")));

  // Mounted: optical file systems only, in the table's order, names in either case.
  for (const char* f : {"a", "b/VIDEO_TS", "c/video_ts", "d/VIDEO_TS"})
    std::filesystem::create_directories(dir.file(f));
  zvtest::WriteFile(dir.file("b/VIDEO_TS/VIDEO_TS.IFO"), "x");
  zvtest::WriteFile(dir.file("c/video_ts/video_ts.ifo"), "x");
  zvtest::WriteFile(dir.file("d/VIDEO_TS/VIDEO_TS.IFO"), "x");
  zvtest::WriteFile(dir.file("disc.iso"), DiscImage("VIDEO_TS", "VIDEO_TS.IFO;1"));
  const std::string mounts = "/dev/sr0 " + dir.file("a") + " iso9660 ro 0 0\n" + "/dev/sda1 " + dir.file("b") +
                             " ext4 rw 0 0\n" + "/dev/sr1 " + dir.file("c") + " udf ro 0 0\n" + "/dev/sr2 " +
                             dir.file("d") + " iso9660 ro 0 0\n";
  const std::vector<std::string> drives = {dir.file("disc.iso")};
  EXPECT_EQ(FindDvd(mounts, drives), dir.file("c") + "/video_ts/video_ts.ifo");
  // Nothing mounted holds one: the drives, skipping those that are mounted.
  const std::string none = "/dev/sr0 " + dir.file("a") + " iso9660 ro 0 0\n";
  const std::string ifo = dir.file("disc.iso") + "/VIDEO_TS/VIDEO_TS.IFO";
  EXPECT_EQ(FindDvd(none, drives), ifo);
  EXPECT_EQ(FindDvd(dir.file("disc.iso") + " " + dir.file("a") + " iso9660 ro 0 0\n", drives), "");
  EXPECT_EQ(FindDvd(none, {dir.file("other.img")}), "");
  // The drive's name leads back to it when it is played.
  EXPECT_EQ(TSystemHelper::DiscDeviceOf(ifo), dir.file("disc.iso"));
  EXPECT_EQ(TSystemHelper::DiscDeviceOf(dir.file("d/VIDEO_TS/VIDEO_TS.IFO")), "") << "a folder is no drive";
  EXPECT_EQ(TSystemHelper::DiscDeviceOf(dir.file("disc.iso") + "/VIDEO_TS/VTS_01_0.IFO"), "");
}
