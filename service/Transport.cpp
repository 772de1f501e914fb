#include "service/Transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/Thread.h"
#include "service/TestHooks.h"

namespace bus {
namespace {

constexpr double kDefaultTimeoutSeconds = 30.0;

// Milliseconds set by test_hooks::ScopedSoapTimeout; 0 when none is active.
std::atomic<long long> gTimeoutOverrideMs{0};

// The connections and name lookups that every call shares, locked per kind
// of data, since calls run on the main thread and on workers at once.
class SharedCache {
public:
    SharedCache() : share_(curl_share_init()) {
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &SharedCache::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &SharedCache::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    CURLSH* get() const { return share_; }

private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<SharedCache*>(self)->mutexes_.at(static_cast<std::size_t>(data)).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<SharedCache*>(self)->mutexes_.at(static_cast<std::size_t>(data)).unlock();
    }

    CURLSH* share_;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

// libcurl's global set-up is not safe once other threads run: it is done
// before main, with the cache. Neither is torn down: a worker may still be
// in a call while static objects are destroyed.
SharedCache& sharedCache() {
    static SharedCache* cache = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return new SharedCache();
    }();
    return *cache;
}
[[maybe_unused]] const bool gCurlReady = (sharedCache(), true);

struct BodySink {
    std::string body;
    bool overflow = false;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t n = size * count;
    if (n > kMaxReplyBytes - sink->body.size()) {
        sink->overflow = true;
        return 0;  // makes libcurl abort the transfer: nothing more is read
    }
    sink->body.append(data, n);
    return n;
}

// Called by libcurl while a transfer runs (about once a second when idle):
// an app on its way out drops the request its worker is waiting on.
int giveUpOnExit(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return platform::shutdownRequested() ? 1 : 0;
}

long timeoutMillis(const SoapRequest& request) {
    long long ms = gTimeoutOverrideMs.load();
    if (ms <= 0) ms = static_cast<long long>(request.timeoutSeconds * 1000.0);
    // libcurl reads 0 as "wait for ever" and refuses a negative value.
    if (ms <= 0) ms = static_cast<long long>(kDefaultTimeoutSeconds * 1000.0);
    return static_cast<long>(ms);
}

}  // namespace

TransportReply postRequest(const SoapRequest& request) {
    TransportReply reply;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) return reply;

    // The request carries exactly the headers asked for. libcurl adds Host
    // before them and Content-Length after them; an empty "Accept:" and
    // "Expect:" remove its default Accept and its 100-continue handshake for
    // large bodies.
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers)
        headers = curl_slist_append(headers, (name + ": " + value).c_str());
    headers = curl_slist_append(headers, "Accept:");
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, &curl_slist_free_all);

    BodySink sink;
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_SHARE, sharedCache().get());
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    // City addresses come from a service reply: never let one reach a local
    // file or another protocol.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    if (request.method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    const long total = timeoutMillis(request);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, total);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::min(total, kConnectTimeoutMillis));
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxReplyBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &giveUpOnExit);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);

    const CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.complete = rc == CURLE_OK && !sink.overflow;
    if (reply.complete) reply.body = std::move(sink.body);
    return reply;
}

namespace test_hooks {

ScopedSoapTimeout::ScopedSoapTimeout(std::chrono::milliseconds timeout)
    : previous_(gTimeoutOverrideMs.exchange(timeout.count() > 0 ? timeout.count() : 1)) {}

ScopedSoapTimeout::~ScopedSoapTimeout() { gTimeoutOverrideMs.store(previous_); }

}  // namespace test_hooks

}  // namespace bus
