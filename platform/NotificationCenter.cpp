#include "platform/NotificationCenter.h"

#include <algorithm>
#include <atomic>

namespace platform {

struct Observation::Entry {
    NotificationCenter* center;
    std::string name;
    const void* sender;
    NotificationCenter::Handler handler;
    std::atomic<bool> active{true};
};

Observation::Observation(Observation&& other) noexcept : entry_(std::move(other.entry_)) {}

Observation& Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        remove();
        entry_ = std::move(other.entry_);
    }
    return *this;
}

Observation::~Observation() { remove(); }

bool Observation::active() const { return entry_ && entry_->active; }

void Observation::remove() {
    if (!entry_) return;
    auto entry = std::move(entry_);
    {
        std::lock_guard lock(entry->center->mutex_);
        auto& list = entry->center->entries_;
        list.erase(std::remove(list.begin(), list.end(), entry), list.end());
    }
    entry->active = false;
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

Observation NotificationCenter::addObserver(const std::string& name, Handler handler, const void* sender) {
    auto entry = std::make_shared<Observation::Entry>();
    entry->center = this;
    entry->name = name;
    entry->sender = sender;
    entry->handler = std::move(handler);
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return Observation(entry);
}

void NotificationCenter::postNotificationName(const std::string& name, const void* object) {
    std::vector<std::shared_ptr<Observation::Entry>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& e : entries_)
            if (e->name == name && (e->sender == nullptr || e->sender == object)) targets.push_back(e);
    }
    const Notification note{name, object};
    for (const auto& e : targets) {
        if (!e->active) continue;  // removed by an earlier observer of this post
        e->handler(note);
    }
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e->name == name; }));
}

}  // namespace platform
