#include "platform/qt/DBusNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace platform::qt {

void DBusNotifications::post(const std::string& title, const std::string& body) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's default)
    call << QString("实时公交") << 0u << QString() << QString::fromStdString(title) << QString::fromStdString(body)
         << QStringList() << QVariantMap() << -1;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

void installDesktopNotifications() {
    if (QDBusConnection::sessionBus().isConnected()) UserNotifications::install(std::make_shared<DBusNotifications>());
}

}  // namespace platform::qt
