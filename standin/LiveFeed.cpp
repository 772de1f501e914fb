#include "standin/LiveFeed.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace bus::standin {

namespace {

// libcurl's global set-up must happen once before any transfer, and feeds
// poll on threads of their own.
void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Download {
    std::string body;
    std::size_t limit = 0;
    bool tooLarge = false;
    const std::atomic<bool>* cancelled = nullptr;
};

std::size_t keepBytes(char* data, std::size_t size, std::size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    const std::size_t n = size * count;
    if (n > d->limit - d->body.size()) {
        d->tooLarge = true;
        return 0;  // libcurl ends the transfer
    }
    d->body.append(data, n);
    return n;
}

// Called at least about once a second, also while the source sends nothing.
int goOn(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Download*>(user)->cancelled->load() ? 1 : 0;
}

std::string tooSlow(std::chrono::milliseconds deadline) {
    const auto ms = deadline.count();
    return "was not read within the poll's " + (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms");
}

std::string tooLarge(std::size_t limit) {
    return "holds more than " + std::to_string(limit) + " bytes, the most one message may have";
}

}  // namespace

LiveFeed::LiveFeed(std::shared_ptr<const City> city, LiveSources sources, std::string label, const Clock& clock,
                   RequestLog& log)
    : city_(std::move(city)), index_(*city_), sources_(std::move(sources)), label_(std::move(label)), clock_(clock),
      log_(log) {}

LiveFeed::~LiveFeed() { stop(); }

void LiveFeed::start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    cancelled_ = false;
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

void LiveFeed::cancel() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        stopping_ = true;
    }
    cancelled_ = true;
    wake_.notify_all();
}

void LiveFeed::stop() {
    cancel();
    if (thread_.joinable()) thread_.join();
}

std::string LiveFeed::fetch(const std::string& source, std::chrono::milliseconds left) const {
    if (source.rfind("http://", 0) == 0 || source.rfind("https://", 0) == 0) return download(source, left);
    return readFile(source);
}

std::string LiveFeed::download(const std::string& address, std::chrono::milliseconds left) const {
    initCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) throw std::runtime_error("cannot be reached (libcurl has no handle)");
    Download d{{}, sources_.maxMessageBytes, false, &cancelled_};
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // The whole transfer, connecting included, ends with the poll's time.
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<std::int64_t>(1, left.count())));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &keepBytes);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &d);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &goOn);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &d);
    const CURLcode rc = curl_easy_perform(h);
    if (d.tooLarge) throw std::runtime_error(tooLarge(sources_.maxMessageBytes));
    if (rc == CURLE_OPERATION_TIMEDOUT) throw std::runtime_error(tooSlow(sources_.deadline));
    if (rc != CURLE_OK) throw std::runtime_error(std::string("cannot be reached (") + curl_easy_strerror(rc) + ")");
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) throw std::runtime_error("answered HTTP " + std::to_string(status));
    return std::move(d.body);
}

// A named pipe or a device could block the poll for ever or never end, so
// only a regular file is read, and no more of it than one message may hold.
std::string LiveFeed::readFile(const std::string& path) const {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        throw std::runtime_error("is not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot be read");
    std::string out;
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        out.append(block, static_cast<std::size_t>(in.gcount()));
        if (out.size() > sources_.maxMessageBytes) throw std::runtime_error(tooLarge(sources_.maxMessageBytes));
    }
    return out;
}

void LiveFeed::poll() {
    std::optional<LiveData> merged;
    std::string failure;
    const auto deadline = std::chrono::steady_clock::now() + sources_.deadline;
    for (const auto& source : sources_.sources) {
        try {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) throw std::runtime_error(tooSlow(sources_.deadline));
            auto data = decodeRealtime(fetch(source, left), index_, clock_.now());
            if (merged) merged->merge(std::move(data));
            else merged = std::move(data);
        } catch (const std::exception& e) {
            failure = source + ": " + e.what();
            break;
        }
    }
    if (cancelled_) return;  // cut short by a stop: no data, and nothing to report
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
