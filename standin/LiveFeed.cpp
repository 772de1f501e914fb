#include "standin/LiveFeed.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include <httplib.h>

namespace bus::standin {

LiveFeed::LiveFeed(std::shared_ptr<const City> city, LiveSources sources, std::string label, const Clock& clock,
                   RequestLog& log)
    : city_(std::move(city)), index_(*city_), sources_(std::move(sources)), label_(std::move(label)), clock_(clock),
      log_(log) {}

LiveFeed::~LiveFeed() { stop(); }

void LiveFeed::start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(wakeMutex_);
        while (!stopping_) {
            lock.unlock();
            poll();
            lock.lock();
            wake_.wait_for(lock, sources_.every, [this] { return stopping_; });
        }
    });
}

void LiveFeed::stop() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::string LiveFeed::fetch(const std::string& source) const {
    if (source.rfind("http://", 0) == 0 || source.rfind("https://", 0) == 0) {
        const auto slash = source.find('/', source.find("//") + 2);
        httplib::Client client(source.substr(0, slash));
        client.set_connection_timeout(5);
        client.set_read_timeout(10);
        client.set_follow_location(true);
        const auto reply = client.Get(slash == std::string::npos ? "/" : source.substr(slash));
        if (!reply) throw std::runtime_error("cannot be reached (" + httplib::to_string(reply.error()) + ")");
        if (reply->status != 200) throw std::runtime_error("answered HTTP " + std::to_string(reply->status));
        return std::move(reply->body);
    }
    std::ifstream in(source, std::ios::binary);
    if (!in) throw std::runtime_error("cannot be read");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void LiveFeed::poll() {
    std::optional<LiveData> merged;
    std::string failure;
    for (const auto& source : sources_.sources) {
        try {
            auto data = decodeRealtime(fetch(source), index_, clock_.now());
            if (merged) merged->merge(std::move(data));
            else merged = std::move(data);
        } catch (const std::exception& e) {
            failure = source + ": " + e.what();
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = failure;
        if (failure.empty() && merged) data_ = std::make_shared<const LiveData>(std::move(*merged));
        else data_.reset();
    }
    fresh();  // logs a change now rather than at the next request
}

std::shared_ptr<const LiveData> LiveFeed::fresh() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_.empty()) {
        report(false, failure_);
        return nullptr;
    }
    if (!data_) return nullptr;  // not polled yet
    const auto age = std::chrono::duration_cast<std::chrono::seconds>(clock_.now() - data_->time);
    if (age > kFreshFor) {
        report(false, "the newest data is " + std::to_string(age.count()) + " s old");
        return nullptr;
    }
    // Data that far ahead of the clock belongs to another time than the one
    // the stand-in serves (a clock set with --time).
    if (age < -kFreshFor) {
        report(false, "the newest data is " + std::to_string(-age.count()) + " s ahead of the clock");
        return nullptr;
    }
    report(true, {});
    return data_;
}

void LiveFeed::report(bool live, const std::string& why) const {
    if (live_ == static_cast<int>(live)) return;
    live_ = live;
    log_.note(label_, live ? "realtime: live data from " + std::to_string(sources_.sources.size()) + " source(s)"
                           : "realtime: " + why + "; the timetable serves until the data is fresh again");
}

}  // namespace bus::standin
