#pragma once
// What every suite shares: a fresh application container per test, the main
// run loop on a virtual clock, loopback servers and reading a file whole.
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <httplib.h>

namespace bus::test {

// The container root of the running test (fresh and empty at its start).
std::filesystem::path containerRoot();
// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// A loopback port that nothing listens on.
int closedPort();
// A SOAP reply whose return element holds the given (already escaped) text.
std::string soapReply(const std::string& operation, const std::string& escapedReturn);

// A cpp-httplib server on a free loopback port, serving on its own thread.
class HttpTestServer {
public:
    // Each connection closes after one reply unless a test asks for more:
    // the app's transport keeps connections open, and the server's stop
    // would otherwise wait out an idle one.
    HttpTestServer() {
        server_.set_tcp_nodelay(true);
        server_.set_keep_alive_max_count(1);
    }
    ~HttpTestServer() { stop(); }
    httplib::Server& server() { return server_; }
    // Starts listening; returns once the server accepts connections.
    void start();
    void stop();
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

// Answers every POST with the reply registered for the operation named in
// the body (status 500 for any other), and keeps each request body.
class RecordedService {
public:
    RecordedService();
    // Stops serving before the answers and bodies go: a worker's request may
    // still be in the server's hands when a test ends.
    ~RecordedService() { server_.stop(); }
    RecordedService(const RecordedService&) = delete;
    RecordedService& operator=(const RecordedService&) = delete;
    void reply(const std::string& operation, std::string body, int status = 200);
    std::vector<std::string> bodies() const;
    std::string url() const { return server_.baseUrl(); }
    // Makes this service the current city's ("postUrl" + "postWebService").
    void makeCurrentCity() const;

private:
    HttpTestServer server_;
    mutable std::mutex mutex_;  // the server's thread answers while the test registers
    std::map<std::string, std::pair<std::string, int>> answers_;  // operation -> body, status
    std::vector<std::string> bodies_;
};

// Serves one request on loopback with a fixed 200 reply and keeps the
// request's bytes as they came off the wire, header order included.
class RawHttpServer {
public:
    explicit RawHttpServer(std::string replyBody);
    ~RawHttpServer();
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Both wait (up to 10 s) for the request to be served. Header lines come
    // request line first.
    std::vector<std::string> headerLines();
    std::string body();

private:
    int port_ = 0;
    int listenFd_ = -1;
    std::string request_;
    std::thread thread_;
};

}  // namespace bus::test
