#pragma once
// Notices for the rider outside the app's window: the desktop's own
// notification service where the host offers one. The service is replaced
// once at start-up by the host and then read from any thread; by default it
// posts nothing, which is what headless runs and tests get.
#include <memory>
#include <string>

namespace platform {

class UserNotifications {
public:
    virtual ~UserNotifications() = default;
    virtual void post(const std::string& title, const std::string& body) = 0;

    // The service in use; never null. Shared, so a replacement never pulls it
    // from under a caller.
    static std::shared_ptr<UserNotifications> current();
    // Installs `service` (null: back to posting nothing).
    static void install(std::shared_ptr<UserNotifications> service);
};

}  // namespace platform
