#include "platform/UserNotifications.h"

#include <atomic>

namespace platform {
namespace {

class Silent : public UserNotifications {
public:
    void post(const std::string&, const std::string&) override {}
};

std::atomic<std::shared_ptr<UserNotifications>>& slot() {
    static std::atomic<std::shared_ptr<UserNotifications>> service{std::make_shared<Silent>()};
    return service;
}

}  // namespace

std::shared_ptr<UserNotifications> UserNotifications::current() { return slot().load(); }

void UserNotifications::install(std::shared_ptr<UserNotifications> service) {
    slot().store(service ? std::move(service) : std::make_shared<Silent>());
}

}  // namespace platform
