#include "support/TestSupport.h"

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace bus::test {

HttpTestServer::HttpTestServer() { server_.set_tcp_nodelay(true); }

HttpTestServer::~HttpTestServer() { stop(); }

void HttpTestServer::start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // This cpp-httplib has no readiness wait; listening starts within
    // microseconds of the thread starting.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server_.is_running()) throw std::runtime_error("test server did not start");
}

void HttpTestServer::stop() {
    if (thread_.joinable()) {
        server_.stop();
        thread_.join();
    }
}

int closedPort() {
    // Bind an ephemeral port, then release it: nothing listens there now.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace bus::test
