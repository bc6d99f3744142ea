#include "platform/screen_saver.h"

#include "core/session_log.h"
#include "platform/display.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace zv {

namespace {
const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";

} // namespace

TDesktopScreenSaver::TDesktopScreenSaver() = default;

TDesktopScreenSaver::~TDesktopScreenSaver() { UnInhibit(); }

bool TDesktopScreenSaver::Inhibit(const std::string& reason) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!haveCookie_ && bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Inhibit");
    call << QString("Zelvar") << QString::fromStdString(reason);
    QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
      cookie_ = reply.arguments().first().toUInt();
      haveCookie_ = true;
    } else {
      Log("ScreenSaver.Inhibit: " + reply.errorMessage().toStdString());
    }
  }
  SuspendX(true);
  return haveCookie_ || xSuspended_;
}

void TDesktopScreenSaver::UnInhibit() {
  if (haveCookie_) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "UnInhibit");
    call << cookie_;
    if (bus.isConnected())
      bus.call(call, QDBus::Block, 2000);
    haveCookie_ = false;
  }
  SuspendX(false);
}

void TDesktopScreenSaver::SuspendX(bool on) {
  if (on == xSuspended_)
    return;
  xcb_connection_t* c = X11Connection();
  if (!c)
    return;
  xcb_void_cookie_t done = xcb_screensaver_suspend_checked(c, on ? 1 : 0);
  if (xcb_generic_error_t* error = xcb_request_check(c, done)) {
    Log("ScreenSaver.Suspend: the X server refused");
    free(error);
    return;
  }
  xSuspended_ = on;
}

void TScreenSaverGuard::Hold() {
  if (held_ || !inhibitor_)
    return;
  held_ = inhibitor_->Inhibit("Playing a video");
}

void TScreenSaverGuard::Release() {
  if (!held_)
    return;
  inhibitor_->UnInhibit();
  held_ = false;
}

} // namespace zv
