#pragma once
// The realtime sources of one published timetable's city, polled on a thread
// of their own. Requests read the latest data, or learn that the timetable
// must serve: when the data is more than two minutes older (or newer) than
// the clock, or a source failed. Each change between the two is logged once.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standin/Clock.h"
#include "standin/Endpoint.h"
#include "standin/Realtime.h"
#include "standin/RealtimeSource.h"

namespace bus::standin {

struct LiveSources {
    // Files or http(s) addresses of GTFS-realtime messages (vehicle
    // positions, trip updates, alerts, or any of them together).
    std::vector<RealtimeSource> sources;
    std::chrono::seconds every{15};
    // One message may be this large (a real city's is a few megabytes); a
    // source that sends more fails, rather than the process growing.
    std::size_t maxMessageBytes = 64 * 1024 * 1024;
    // Reading every source of one poll, however slowly they answer.
    std::chrono::milliseconds deadline{30000};
};

class LiveFeed {
public:
    static constexpr std::chrono::seconds kFreshFor{120};

    // The city must outlive the feed; `label` names it in the log ("city 90").
    LiveFeed(std::shared_ptr<const City> city, LiveSources sources, std::string label, const Clock& clock,
             RequestLog& log);
    ~LiveFeed();
    LiveFeed(const LiveFeed&) = delete;
    LiveFeed& operator=(const LiveFeed&) = delete;

    // Reads every source once, now, on the caller's thread.
    void poll();
    // Polls at once and then every interval on a thread of the feed's own.
    void start();
    // Asks the polling thread to end, cutting short a source being read, and
    // returns at once; stop() waits for it.
    void cancel();
    void stop();

    // The latest data while it is fresh and every source answered; null
    // while the timetable serves. Any thread.
    std::shared_ptr<const LiveData> fresh() const;

private:
    // The message a source holds, read within `left`; throws
    // std::runtime_error saying why it could not be.
    std::string fetch(const RealtimeSource& source, std::chrono::milliseconds left) const;
    std::string download(const RealtimeSource& source, std::chrono::milliseconds left) const;
    std::string readFile(const std::string& path) const;
    // Logs a change between live data and the timetable; `why` says what
    // made the timetable serve.
    void report(bool live, const std::string& why) const;

    std::shared_ptr<const City> city_;
    LiveIndex index_;
    LiveSources sources_;
    std::string label_;
    const Clock& clock_;
    RequestLog& log_;

    mutable std::mutex mutex_;  // guards data_, failure_ and live_
    std::shared_ptr<const LiveData> data_;
    std::string failure_;  // why the last poll failed; empty when it did not
    mutable int live_ = -1;  // -1 before the first change is logged, else 0 or 1

    std::mutex wakeMutex_;  // guards stopping_
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> cancelled_{false};  // read by a download under way
    std::thread thread_;
};

}  // namespace bus::standin
