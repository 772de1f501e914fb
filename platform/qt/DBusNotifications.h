#pragma once
// The desktop's notification service (org.freedesktop.Notifications) on the
// session bus, through QtDBus.
#include <QDBusMessage>

#include "platform/UserNotifications.h"

namespace platform::qt {

class DBusNotifications : public UserNotifications {
public:
    // Sends without waiting for the reply: a slow or absent service never
    // holds up the caller.
    void post(const std::string& title, const std::string& body) override;
    // The Notify call. Servers read the body as markup: a stop named "A&B"
    // goes as "A&amp;B" to be shown as "A&B". The summary is plain text.
    static QDBusMessage notifyCall(const std::string& title, const std::string& body);
};

// Installs DBusNotifications when the session bus is reachable; otherwise
// leaves the silent service in place. After the QApplication exists.
void installDesktopNotifications();

}  // namespace platform::qt
