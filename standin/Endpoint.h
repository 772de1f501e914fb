#pragma once
// One SOAP endpoint on its own port: a cpp-httplib server that takes POSTed
// envelopes at one path, answers GET ?wsdl there, and logs each request.
#include <atomic>
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
class RequestLog {
public:
    explicit RequestLog(std::FILE* out = stderr) : out_(out) {}
    void setEnabled(bool on) { enabled_ = on; }
    // micros < 0: not measured (the request was refused before it was read).
    void record(std::string_view service, std::string_view operation, int status, std::int64_t micros);
    std::uint64_t count() const { return count_.load(); }

private:
    std::FILE* out_;
    bool enabled_ = true;
    std::mutex mutex_;
    std::atomic<std::uint64_t> count_{0};
};

using SoapHandler = std::function<std::string(const SoapRequest&)>;

struct EndpointSpec {
    std::string label;        // "directory", "city 16": names the service in the log
    std::string path;         // "/realBus/CXFWebService/bus"
    std::string ns;           // namespace of the operation elements
    std::string serviceName;  // the WSDL's service name
    std::vector<WsdlOperation> operations;
    SoapHandler handler;
};

struct ServeOptions {
    std::size_t threads = 8;                   // worker threads per endpoint
    std::size_t keepAliveRequests = 100;       // requests on one connection before it is closed
    // An idle kept-alive connection holds a worker, and a stop waits for it,
    // so idle connections are closed soon.
    int keepAliveSeconds = 1;
    std::size_t maxRequestBytes = 1024 * 1024;  // larger bodies are refused
};

class SoapEndpoint {
public:
    SoapEndpoint(EndpointSpec spec, RequestLog& log, ServeOptions options = {});
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
    const EndpointSpec& spec() const { return spec_; }

private:
    void onPost(const std::string& body, std::string& out, int& status, std::string& operation) const;

    EndpointSpec spec_;
    RequestLog& log_;
    ServeOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    int port_ = 0;
};

}  // namespace bus::standin
