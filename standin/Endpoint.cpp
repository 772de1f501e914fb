#include "standin/Endpoint.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <stdexcept>

namespace bus::standin {

namespace {

constexpr const char* kXml = "text/xml; charset=UTF-8";
constexpr const char* kText = "text/plain; charset=UTF-8";

HttpReply reply(int status, const char* type, std::string body, std::string allow = {}) {
    return {status, type, std::move(body), std::move(allow)};
}

std::int64_t microsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

RequestLog::RequestLog(std::FILE* out) : out_(out) {
    // Both buffers keep their room from batch to batch, so that serving
    // threads never wait on an allocation while holding mutex_.
    if (!out_) return;
    pending_.reserve(kBatchBytes * 2);
    batch_.reserve(kBatchBytes * 2);
    thread_ = std::thread([this] { writer(); });
}

RequestLog::~RequestLog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    flush();
}

namespace {

// "2024-05-06T04:00:01.532Z" for now. The date and time change once a
// second; each thread keeps its own text.
std::string_view stampNow() {
    thread_local std::time_t stampSecond = -1;
    thread_local char stamp[32];
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    if (secs != stampSecond) {
        std::tm tm{};
        gmtime_r(&secs, &tm);
        std::strftime(stamp, 24, "%Y-%m-%dT%H:%M:%S", &tm);
        stampSecond = secs;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::snprintf(stamp + 19, sizeof stamp - 19, ".%03dZ", static_cast<int>(ms));
    return stamp;
}

}  // namespace

void RequestLog::record(std::string_view service, std::string_view operation, int status, std::int64_t micros) {
    count_.fetch_add(1, std::memory_order_relaxed);
    if (!enabled_.load(std::memory_order_relaxed) || !out_) return;
    const std::string_view stamp = stampNow();
    const std::string op = operation.empty() ? std::string("-") : validUtf8(operation.substr(0, 60));
    const int serviceWidth = static_cast<int>(std::min<std::size_t>(service.size(), 40));
    char line[256];
    int n = 0;
    if (micros >= 0) {
        n = std::snprintf(line, sizeof line, "%s %.*s %s %d %lldus\n", stamp.data(), serviceWidth, service.data(),
                          op.c_str(), status, static_cast<long long>(micros));
    } else {
        n = std::snprintf(line, sizeof line, "%s %.*s %s %d -\n", stamp.data(), serviceWidth, service.data(),
                          op.c_str(), status);
    }
    append(line, n, sizeof line);
}

void RequestLog::note(std::string_view service, std::string_view text) {
    if (!out_) return;
    char line[512];
    const int n = std::snprintf(line, sizeof line, "%s %.*s %s\n", stampNow().data(),
                                static_cast<int>(std::min<std::size_t>(service.size(), 40)), service.data(),
                                validUtf8(text.substr(0, 400)).c_str());
    append(line, n, sizeof line);
}

// Keeps a line written by snprintf for the writer thread; a line cut to its
// buffer still ends with its line break.
void RequestLog::append(char* line, int n, std::size_t size) {
    if (n <= 0) return;
    if (static_cast<std::size_t>(n) >= size) {
        n = static_cast<int>(size) - 1;
        line[n - 1] = '\n';
    }
    bool large = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.append(line, static_cast<std::size_t>(n));
        large = pending_.size() > kBatchBytes;
    }
    if (large) wake_.notify_one();
}

void RequestLog::flush() {
    if (!out_) return;
    std::lock_guard<std::mutex> writing(writeMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch_.swap(pending_);
    }
    if (batch_.empty()) return;
    std::fwrite(batch_.data(), 1, batch_.size(), out_);
    std::fflush(out_);
    batch_.clear();
}

void RequestLog::writer() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(100));
        lock.unlock();
        flush();
        lock.lock();
    }
}

SoapEndpoint::SoapEndpoint(EndpointSetup setup, RequestLog& log, ServeOptions options)
    : setup_(std::move(setup)), log_(log), options_(options),
      server_({[this](const HttpRequest& r) { return answer(r); },
               [this](int status, const HttpRequest& r) { return refuse(status, r); }},
              options_) {}

SoapEndpoint::~SoapEndpoint() { stop(); }

HttpReply SoapEndpoint::answer(const HttpRequest& request) const {
    const auto t0 = std::chrono::steady_clock::now();
    const auto q = request.target.find('?');
    const std::string_view target = request.target;
    const std::string_view path = target.substr(0, q);
    if (path != setup_.path) {
        log_.record(setup_.label, request.method + " " + std::string(path.substr(0, 40)), 404, -1);
        return reply(404, kText, "No service at " + validUtf8(path.substr(0, 200)) + "; the SOAP endpoint is " + setup_.path + "\n");
    }
    HttpReply out;
    std::string operation;  // "-" in the log when a POST names none
    if (request.method == "POST") {
        out = onPost(request.body, operation);
    } else if (request.method == "GET") {
        out = onGet(q == std::string::npos ? std::string_view() : target.substr(q + 1), request.host);
        operation = "GET ?wsdl";
    } else {
        operation = request.method;
        out = reply(405, kText, "This is a SOAP 1.1 endpoint: POST an envelope, or GET " + setup_.path + "?wsdl\n", "GET, POST");
    }
    log_.record(setup_.label, operation, out.status, microsSince(t0));
    return out;
}

HttpReply SoapEndpoint::onGet(std::string_view query, const std::string& host) const {
    bool wsdl = false;
    for (std::size_t at = 0; at <= query.size() && !wsdl;) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string_view name = query.substr(at, std::min(query.find('=', at), end) - at);
        wsdl = name == "wsdl" || name == "WSDL";
        at = end + 1;
    }
    if (!wsdl) return reply(405, kText, "This is a SOAP 1.1 endpoint: POST an envelope, or GET " + setup_.path + "?wsdl\n", "POST");
    const std::string location = "http://" + (host.empty() ? "127.0.0.1:" + std::to_string(port_) : host) + setup_.path;
    return reply(200, kXml, buildWsdl(setup_.serviceName, setup_.ns, setup_.operations, location));
}

// Refusals come with a Fault a SOAP client can read, and a log line without
// a time: the request was never answered.
HttpReply SoapEndpoint::refuse(int status, const HttpRequest& request) const {
    std::string why;
    switch (status) {
    case 413: why = "the request body is larger than " + std::to_string(options_.maxBodyBytes) + " bytes"; break;
    case 415: why = "the request body is coded other than gzip or deflate"; break;
    case 431: why = "the request headers are larger than " + std::to_string(options_.maxHeaderBytes) + " bytes"; break;
    case 408: why = "the request did not arrive within its time"; break;
    default: why = "the HTTP request could not be read";
    }
    log_.record(setup_.label, request.method.empty() ? std::string("-") : request.method + " " + request.target.substr(0, 40),
                status, -1);
    return reply(status, kXml, status == 500 ? buildFault("Server", "internal error") : buildFault("Client", why));
}

HttpReply SoapEndpoint::onPost(const std::string& body, std::string& operation) const {
    try {
        const SoapRequest request = parseRequest(body);
        operation = request.operation;
        const std::string ret = setup_.handler(request);
        return reply(200, kXml, buildResponse(request.operation, setup_.ns, ret));
    } catch (const SoapFault& f) {
        return reply(500, kXml, buildFault(f.code(), f.what()));
    } catch (const std::exception& e) {
        return reply(500, kXml, buildFault("Server", std::string("internal error: ") + e.what()));
    }
}

std::optional<HttpReply> SoapEndpoint::respond(const HttpReading& reading) const {
    if (reading.status < 0) return std::nullopt;
    if (reading.status > 0) {
        HttpReply out = refuse(reading.status, reading.request);
        out.status = reading.status;
        return out;
    }
    try {
        return answer(reading.request);
    } catch (const std::exception&) {
        HttpReply out = refuse(500, reading.request);
        out.status = 500;
        return out;
    }
}

int SoapEndpoint::bind(const std::string& host, int port) {
    port_ = server_.bind(host, port);
    if (port_ > 0) return port_;
    if (port == 0) throw std::runtime_error("cannot listen on " + host + " (any port)");
    throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) + " (is another service using it?)");
}

void SoapEndpoint::start() { server_.start(); }

void SoapEndpoint::drain() { server_.drain(); }

void SoapEndpoint::stop(std::chrono::steady_clock::time_point deadline) { server_.stop(deadline); }

}  // namespace bus::standin
