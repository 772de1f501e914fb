#pragma once
// One SOAP endpoint on its own port: an HTTP server that takes POSTed
// envelopes at one path, answers GET ?wsdl there, and logs each request.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "standin/HttpServer.h"
#include "standin/Soap.h"

namespace bus::standin {

// Writes one line per request: time, service, operation, status, microseconds.
// Lines are gathered in memory and written out by a thread of the log's own
// at least every 100 ms, so that serving threads never wait on the terminal
// or on each other's writes.
class RequestLog {
public:
    // out: where lines go (not owned); nullptr counts requests only.
    explicit RequestLog(std::FILE* out = stderr);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void setEnabled(bool on) { enabled_ = on; }
    // micros < 0: not measured (the request was refused before it was read).
    void record(std::string_view service, std::string_view operation, int status, std::int64_t micros);
    // A line about a service that is no request: time, service, text.
    void note(std::string_view service, std::string_view text);
    // Writes out every line recorded so far.
    void flush();
    std::uint64_t count() const { return count_.load(); }

private:
    static constexpr std::size_t kBatchBytes = 64 * 1024;  // wakes the writer before its 100 ms

    void writer();
    void append(char* line, int n, std::size_t size);

    std::FILE* out_;
    std::atomic<bool> enabled_{true};
    std::atomic<std::uint64_t> count_{0};
    std::mutex mutex_;  // guards pending_ and stopping_
    std::condition_variable wake_;
    std::string pending_;
    bool stopping_ = false;
    std::mutex writeMutex_;  // one writer at a time, in order; guards batch_
    std::string batch_;      // the lines being written
    std::thread thread_;
};

using SoapHandler = std::function<std::string(const SoapRequest&)>;

struct EndpointSetup {
    std::string label;        // "directory", "city 16": names the service in the log
    std::string path;         // "/realBus/CXFWebService/bus"
    std::string ns;           // namespace of the operation elements
    std::string serviceName;  // the WSDL's service name
    std::vector<WsdlOperation> operations;
    SoapHandler handler;
};

// The limits and threads of each endpoint's server.
using ServeOptions = HttpLimits;

class SoapEndpoint {
public:
    SoapEndpoint(EndpointSetup setup, RequestLog& log, ServeOptions options = {});
    ~SoapEndpoint();
    SoapEndpoint(const SoapEndpoint&) = delete;
    SoapEndpoint& operator=(const SoapEndpoint&) = delete;

    // Binds host:port (port 0: any free port) and returns the port; throws
    // std::runtime_error when the address is taken.
    int bind(const std::string& host, int port);
    // Serves on threads of its own; connections are accepted from the bind on.
    void start();
    // Stops accepting and closes idle connections; requests under way go on.
    void drain();
    // Drains, closes what is left by `deadline` and waits for the serving
    // threads. Safe to call twice.
    void stop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now());

    int port() const { return port_; }
    std::uint64_t connectionsAccepted() const { return server_.connectionsAccepted(); }
    // The reply a connection would write for a request read in memory
    // (readHttpRequest), or none for one cut short. Logged like any other.
    std::optional<HttpReply> respond(const HttpReading& reading) const;
    const EndpointSetup& setup() const { return setup_; }

private:
    HttpReply answer(const HttpRequest& request) const;
    HttpReply refuse(int status, const HttpRequest& request) const;
    HttpReply onPost(const std::string& body, std::string& operation) const;
    HttpReply onGet(std::string_view query, const std::string& host) const;

    EndpointSetup setup_;
    RequestLog& log_;
    ServeOptions options_;
    HttpServer server_;
    int port_ = 0;
};

}  // namespace bus::standin
