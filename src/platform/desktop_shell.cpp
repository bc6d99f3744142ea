#include "platform/desktop_shell.h"

#include "core/session_log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace zv {

bool ShowInFileManager(const std::string& path) {
  const QString file = QString::fromStdString(path);
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString service = "org.freedesktop.FileManager1";
  if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(service)) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, "/org/freedesktop/FileManager1", service, "ShowItems");
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage)
      return true;
    Log("ShowInFileManager: " + reply.errorMessage().toStdString());
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

bool MoveToTrash(const std::string& path) {
  QString name = QString::fromStdString(path);
  bool moved = QFile::moveToTrash(name);
  if (!moved)
    Log("MoveToTrash: " + path + " could not be moved to the trash");
  return moved;
}

} // namespace zv
