#pragma once
// What the service suites share: recorded service replies, a loopback
// service that answers each operation with its recorded reply, and a bare
// socket server that keeps the request exactly as it came off the wire.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace bus::test {

// The text of tests/service/replies/<name>.
std::string recordedReply(const std::string& name);

// A SOAP reply whose return element holds the given (already escaped) text.
std::string soapReply(const std::string& operation, const std::string& escapedReturn);

// Answers every POST with the recorded reply registered for the operation
// named in the body, and keeps each request body.
class RecordedService {
public:
    RecordedService();
    void reply(const std::string& operation, std::string body, int status = 200);
    std::vector<std::string> bodies() const;
    std::string url() const { return server_.baseUrl(); }
    // Makes this service the current city's ("postUrl" + "postWebService").
    void makeCurrentCity() const;

private:
    struct Answer {
        std::string body;
        int status;
    };
    HttpTestServer server_;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<std::string> bodies_;
};

// Accepts one connection on loopback, reads one request (headers and the
// body its Content-Length announces), answers it with a fixed 200 reply and
// closes. Keeps the request's bytes as received.
class RawHttpServer {
public:
    explicit RawHttpServer(std::string replyBody);
    ~RawHttpServer();
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Waits (up to 10 s) for the connection to be served, then gives the
    // request's header block, one line per element, request line first.
    std::vector<std::string> headerLines();
    std::string body();

private:
    void serve();
    int listenFd_ = -1;
    int port_ = 0;
    std::string replyBody_;
    std::string request_;
    std::thread thread_;
};

}  // namespace bus::test
