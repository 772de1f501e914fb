#pragma once
// Named notifications from any sender to any number of observers. An
// observer keeps the Observation it was given; when that dies (with the
// observer), the observer is removed, so a dead screen is never called.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

struct Notification {
    std::string name;
    const void* object = nullptr;
};

class NotificationCenter;

class Observation {
public:
    Observation() = default;
    Observation(Observation&&) noexcept;
    Observation& operator=(Observation&&) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation();
    void remove();
    bool active() const;

private:
    friend class NotificationCenter;
    struct Entry;
    explicit Observation(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    std::shared_ptr<Entry> entry_;
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    static NotificationCenter& defaultCenter();

    // sender == nullptr observes the name from any sender.
    [[nodiscard]] Observation addObserver(const std::string& name, Handler handler, const void* sender = nullptr);
    // Observers run synchronously on the posting thread, in order of adding.
    void postNotificationName(const std::string& name, const void* object = nullptr);
    std::size_t observerCount(const std::string& name) const;

private:
    friend class Observation;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Observation::Entry>> entries_;
};

}  // namespace platform
