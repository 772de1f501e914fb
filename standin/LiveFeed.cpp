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

constexpr int kMaxRedirects = 5;

// The host of an absolute address, in lower case; empty for one libcurl cannot read.
std::string hostOf(const char* address) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    char* host = nullptr;
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address, 0) != CURLUE_OK ||
        curl_url_get(url.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
        return {};
    std::string out = host;
    curl_free(host);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
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

std::string LiveFeed::fetch(const RealtimeSource& source, std::chrono::milliseconds left) const {
    if (source.remote()) return download(source, left);
    return readFile(source.address);
}

// libcurl would send a source's headers, and so its key, on to wherever a
// redirect points: a source with headers follows redirects itself, and only
// on its own host.
std::string LiveFeed::download(const RealtimeSource& source, std::chrono::milliseconds left) const {
    initCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) throw std::runtime_error("cannot be reached (libcurl has no handle)");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, &curl_slist_free_all);
    for (const auto& header : source.headers) {
        // "Name;" sends the header empty, where "Name:" would only drop one libcurl adds.
        const std::string line = header.name + (header.value.empty() ? ";" : ": " + header.value);
        curl_slist* list = curl_slist_append(headers.get(), line.c_str());
        if (!list) throw std::runtime_error("cannot be reached (libcurl has no memory for its headers)");
        headers.release();
        headers.reset(list);
    }
    const bool followsItself = !source.headers.empty();
    Download d{{}, sources_.maxMessageBytes, false, &cancelled_};
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, followsItself ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &keepBytes);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &d);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &goOn);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &d);
    const auto end = std::chrono::steady_clock::now() + left;
    std::string address = source.address;
    for (int hop = 0;; ++hop) {
        curl_easy_setopt(h, CURLOPT_URL, address.c_str());
        // The whole transfer, connecting and redirects included, ends with the poll's time.
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<std::int64_t>(1, rest.count())));
        d.body.clear();
        const CURLcode rc = curl_easy_perform(h);
        // libcurl's texts are its own and never hold the address.
        if (d.tooLarge) throw std::runtime_error(tooLarge(sources_.maxMessageBytes));
        if (rc == CURLE_OPERATION_TIMEDOUT) throw std::runtime_error(tooSlow(sources_.deadline));
        if (rc != CURLE_OK) throw std::runtime_error(std::string("cannot be reached (") + curl_easy_strerror(rc) + ")");
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        if (followsItself && status >= 300 && status < 400) {
            char* next = nullptr;
            curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &next);
            if (next && hostOf(next) != hostOf(address.c_str()))
                throw std::runtime_error("answered HTTP " + std::to_string(status) +
                                         " towards another host, which is not sent the source's headers");
            if (next && hop == kMaxRedirects)
                throw std::runtime_error(std::string("cannot be reached (") + curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS) + ")");
            if (next) {
                address = next;
                continue;
            }
        }
        // The status alone: a reason phrase is the source's text, and may repeat the address.
        if (status != 200) throw std::runtime_error("answered HTTP " + std::to_string(status));
        return std::move(d.body);
    }
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
            failure = source.shown() + ": " + e.what();
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
