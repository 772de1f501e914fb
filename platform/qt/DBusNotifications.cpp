#include "platform/qt/DBusNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <memory>

#include "platform/Translation.h"

namespace platform::qt {

namespace {

QString markupEscaped(const std::string& text) {
    QString escaped = QString::fromStdString(text);
    escaped.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    return escaped;
}

}  // namespace

void DBusNotifications::post(const std::string& title, const std::string& body) {
    QDBusConnection::sessionBus().call(notifyCall(title, body), QDBus::NoBlock);
}

QDBusMessage DBusNotifications::notifyCall(const std::string& title, const std::string& body) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's default)
    call << QString::fromStdString(platform::tr(kAppName)) << 0u << QString() << QString::fromStdString(title) << markupEscaped(body)
         << QStringList() << QVariantMap() << -1;
    return call;
}

void installDesktopNotifications() {
    if (QDBusConnection::sessionBus().isConnected()) UserNotifications::install(std::make_shared<DBusNotifications>());
}

}  // namespace platform::qt
