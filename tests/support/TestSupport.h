#pragma once
// What every suite shares: a fresh application container per test, the
// main run loop on a virtual clock, loopback servers (cpp-httplib, recorded
// SOAP replies, a bare socket) and reading a file whole.
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace bus::test {

// The container root of the running test (fresh and empty at its start).
std::filesystem::path containerRoot();

// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// A cpp-httplib server on a free loopback port, serving on its own thread.
class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    httplib::Server& server() { return server_; }
    // Starts listening; returns once the server accepts connections.
    void start();
    void stop();
    int port() const { return port_; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

// A loopback port that nothing listens on.
int closedPort();

// A SOAP reply whose return element holds the given (already escaped) text.
std::string soapReply(const std::string& operation, const std::string& escapedReturn);

// Answers every POST with the reply registered for the operation named in
// the body (status 500 for any other), and keeps each request body.
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
    // Wait (up to 10 s) for the connection to be served. The header block
    // comes one line per element, request line first.
    std::vector<std::string> headerLines();
    std::string body();

private:
    void serve(const std::string& replyBody);
    int port_ = 0;
    int listenFd_ = -1;
    std::string request_;
    std::thread thread_;
};

}  // namespace bus::test
