#pragma once
// One SOAP endpoint on its own port: a cpp-httplib server that takes POSTed
// envelopes at one path, answers GET ?wsdl there, and logs each request.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "standin/Soap.h"

namespace httplib {
class Server;
}

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

struct ServeOptions {
    // Each connection holds a worker thread while it is open. `threads`
    // workers wait for connections all the time; while every worker is busy
    // another is started, up to `maxThreads`, so that clients sending half a
    // request (each held until the read time-out) keep no one else waiting.
    std::size_t threads = 8;
    std::size_t maxThreads = 512;
    std::size_t keepAliveRequests = 100;       // requests on one connection before it is closed
    // An idle kept-alive connection holds a worker, and a stop waits for it,
    // so idle connections are closed soon.
    int keepAliveSeconds = 1;
    std::size_t maxRequestBytes = 1024 * 1024;  // larger bodies are refused
};

class SoapEndpoint {
public:
    SoapEndpoint(EndpointSetup setup, RequestLog& log, ServeOptions options = {});
    ~SoapEndpoint();
    SoapEndpoint(const SoapEndpoint&) = delete;
    SoapEndpoint& operator=(const SoapEndpoint&) = delete;

    // Binds host:port (port 0: any free port) and returns the port; throws
    // std::runtime_error when the address is taken.
    int bind(const std::string& host, int port);
    // Serves on a thread of its own; returns once connections are accepted.
    void start();
    // Stops accepting and waits for the serving thread. Safe to call twice.
    void stop();

    int port() const { return port_; }
    const EndpointSetup& setup() const { return setup_; }

private:
    void onPost(const std::string& body, std::string& out, int& status, std::string& operation) const;

    EndpointSetup setup_;
    RequestLog& log_;
    ServeOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    bool started_ = false;
    int port_ = 0;
    int listenSocket_ = -1;  // owned by server_
};

}  // namespace bus::standin
