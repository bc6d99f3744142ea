// The drive menu's volumes: from a disks service on a private bus of the test's own, and from the
// mount table.
#include "platform/volumes.h"

#include "qt_test_util.h"

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
