#include "service/SoapService.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "model/Config.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "service/TestHooks.h"
#include "service/XmlText.h"

namespace bus {
namespace {

constexpr char kEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr char kDirectoryPath[] = "/ozkbus/CXFWebService/Bus";
constexpr char kDefaultUserAgent[] = "IOS App (power by tavrin)";
constexpr char kDefaultContentType[] = "text/xml;charset=UTF-8";
constexpr double kDefaultTimeoutSeconds = 30.0;

// Milliseconds set by test_hooks::ScopedSoapTimeout; 0 when none is active.
std::atomic<long long> gTimeoutOverrideMs{0};

// libcurl's global set-up is not safe once other threads run. The static
// initialiser does it before main; the call_once covers a call from another
// static initialiser that ran first.
std::once_flag gCurlOnce;
void initCurl() {
    std::call_once(gCurlOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
[[maybe_unused]] const bool gCurlReady = (initCurl(), true);

struct Reply {
    bool complete = false;  // the whole reply arrived within the limits
    long status = 0;
    std::string body;
};

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

Reply perform(const SoapRequest& request) {
    initCurl();
    Reply reply;
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

    long long timeoutMs = gTimeoutOverrideMs.load();
    if (timeoutMs <= 0) timeoutMs = static_cast<long long>(request.timeoutSeconds * 1000.0);
    // libcurl reads 0 as "wait for ever" and refuses a negative value.
    if (timeoutMs <= 0) timeoutMs = static_cast<long long>(kDefaultTimeoutSeconds * 1000.0);

    BodySink sink;
    CURL* h = easy.get();
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
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
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

std::string preferenceText(platform::UserDefaults& store, const char* key) {
    const auto value = store.objectForKey(key);
    return value ? textValue(*value) : std::string();
}

}  // namespace

SoapService SoapService::initWithPostUrl(const std::string& operation) {
    auto& store = platform::UserDefaults::standard();
    SoapService s;
    s.PostMethodName = operation;
    s.SoapName = config::kCityNamespace;
    s.PostUrl = preferenceText(store, prefs::kPostUrl) + preferenceText(store, prefs::kPostWebService);
    return s;
}

SoapService SoapService::initWithPostUrl(const std::string& baseUrl, const std::string& operation) {
    SoapService s;
    s.PostMethodName = operation;
    s.SoapName = config::kDirectoryNamespace;
    s.PostUrl = baseUrl + kDirectoryPath;
    return s;
}

std::string SoapService::BuildSoapwithMethodName(const std::string& methodName, const SoapParams& params) const {
    std::string out;
    out.reserve(256 + methodName.size() * 2 + SoapName.size());
    out += "<soapenv:Envelope xmlns:soapenv=\"";
    out += kEnvelopeNamespace;
    out += "\" xmlns:ns1=\"";
    out += SoapName;
    out += "\"><soapenv:Header/><soapenv:Body><ns1:";
    out += methodName;
    out += '>';
    for (const auto& [name, value] : params) {
        out += '<';
        out += name;
        out += '>';
        if (const auto* text = std::get_if<std::string>(&value))
            out += xml::escape(*text);
        else
            out += std::to_string(std::get<std::int64_t>(value));
        out += "</";
        out += name;
        out += '>';
    }
    out += "</ns1:";
    out += methodName;
    out += "></soapenv:Body></soapenv:Envelope>";
    return out;
}

SoapRequest SoapService::CreatRequest(const std::string& envelope) const {
    SoapRequest r;
    r.url = xml::addPercentEscapes(PostUrl);
    r.method = "POST";
    r.timeoutSeconds = Timeout != 0 ? static_cast<double>(Timeout) : kDefaultTimeoutSeconds;
    r.headers.emplace_back("Content-Type", ContentType.value_or(kDefaultContentType));
    r.headers.emplace_back("User-Agent", UserAgent.value_or(kDefaultUserAgent));
    if (AcceptEncoding) r.headers.emplace_back("Accept-Encoding", *AcceptEncoding);
    r.body = envelope;
    return r;
}

std::string SoapService::JxXml(const std::string& reply) {
    static constexpr std::string_view kOpen = "<return>";
    static constexpr std::string_view kClose = "</return>";
    const std::size_t open = reply.find(kOpen);
    if (open == std::string::npos) return "";
    const std::size_t start = open + kOpen.size();
    const std::size_t close = reply.find(kClose, start);
    if (close == std::string::npos) return "";
    return xml::decodeEntities(std::string_view(reply).substr(start, close - start));
}

void SoapService::dismss(const std::shared_ptr<platform::AlertView>& alert) {
    alert->dismissWithClickedButtonIndex(0, true);
}

ResponseData SoapService::PostSync(const SoapParams& params) {
    Timeout = 30;
    return post(CreatRequest(BuildSoapwithMethodName(PostMethodName, params)), true);
}

ResponseData SoapService::PostSyncQuietly(const SoapParams& params, std::chrono::milliseconds within) {
    SoapRequest request = CreatRequest(BuildSoapwithMethodName(PostMethodName, params));
    // Never 0: the transport reads that as its default of 30 seconds.
    request.timeoutSeconds = static_cast<double>(std::max<long long>(within.count(), 1)) / 1000.0;
    return post(std::move(request), false);
}

ResponseData SoapService::post(SoapRequest request, bool notice) {
    const Reply reply = perform(request);
    ResponseData result;
    result.StatusCode = reply.status;
    if (reply.complete && reply.status == 200) {
        // A body that is not UTF-8 is not text: nothing to read, but the
        // service did answer, so no notice.
        if (xml::isValidUtf8(reply.body)) result.Content = JxXml(reply.body);
    } else if (notice) {
        showFailureNotice();
    }
    return result;
}

// Shown on the main thread, also for a call on a worker thread, which does
// not wait for it. Only the alert itself is captured: the client that failed
// is gone long before the notice closes.
void SoapService::showFailureNotice() {
    auto present = [] {
        auto alert = platform::AlertView::create("提醒", "无法连接服务器");
        alert->show();
        platform::RunLoop::main().performAfterDelay(1.0, [alert] { SoapService::dismss(alert); });
    };
    if (platform::isMainThread())
        present();
    else
        platform::performOnMainThread(present);
}

namespace test_hooks {

ScopedSoapTimeout::ScopedSoapTimeout(std::chrono::milliseconds timeout)
    : previous_(gTimeoutOverrideMs.exchange(timeout.count() > 0 ? timeout.count() : 1)) {}

ScopedSoapTimeout::~ScopedSoapTimeout() { gTimeoutOverrideMs.store(previous_); }

}  // namespace test_hooks

}  // namespace bus
