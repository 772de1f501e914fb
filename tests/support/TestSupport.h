#pragma once
// What every suite shares: a fresh application container per test, the
// main run loop on a virtual clock, and a loopback HTTP server.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

namespace bus::test {

// The container root of the running test (fresh and empty at its start).
std::filesystem::path containerRoot();

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

}  // namespace bus::test
