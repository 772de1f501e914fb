#include "support/TestSupport.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "model/Preferences.h"

namespace bus::test {
namespace {

// A loopback TCP socket bound to a free port (listening if asked); sets `port`.
int loopbackSocket(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || (listening && ::listen(fd, 1) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot bind a loopback port");
    port = ntohs(addr.sin_port);
    return fd;
}

// Reads one request (headers and the body its Content-Length announces),
// answers it and closes. Runs on the server's own thread.
std::string serveOne(int listenFd, const std::string& replyBody) {
    const timeval patience{10, 0};  // for the connection too, which inherits it
    ::setsockopt(listenFd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    const int fd = ::accept(listenFd, nullptr, nullptr);
    if (fd < 0) return "";
    std::string request;
    char buf[65536];
    for (std::size_t need = std::string::npos; request.size() < need;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
        const auto end = request.find("\r\n\r\n");
        const auto length = request.find("\r\nContent-Length: ");
        if (end != std::string::npos) need = end + 4 + (length < end ? std::stoul(request.substr(length + 18)) : 0);
    }
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml;charset=UTF-8\r\nContent-Length: " +
                              std::to_string(replyBody.size()) + "\r\nConnection: close\r\n\r\n" + replyBody;
    ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);  // a short reply: the socket buffer takes it whole
    ::close(fd);
    return request;
}

}  // namespace

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int closedPort() {
    // Bound and released at once: nothing listens there now.
    int port = 0;
    ::close(loopbackSocket(port, false));
    return port;
}

std::string soapReply(const std::string& operation, const std::string& escapedReturn) {
    return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><ns2:" + operation +
           "Response xmlns:ns2=\"http://service.realbus.transit/\"><return>" + escapedReturn + "</return></ns2:" +
           operation + "Response></soap:Body></soap:Envelope>";
}

void HttpTestServer::start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // This cpp-httplib has no readiness wait; listening starts within
    // microseconds of the thread starting.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server_.is_running()) throw std::runtime_error("test server did not start");
}

void HttpTestServer::stop() {
    if (!thread_.joinable()) return;
    server_.stop();
    thread_.join();
}

RecordedService::RecordedService() {
    server_.server().Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
        const auto at = req.body.find("<ns1:");
        const auto end = req.body.find('>', at);
        const std::string operation = end == std::string::npos ? "" : req.body.substr(at + 5, end - at - 5);
        std::lock_guard lock(mutex_);
        bodies_.push_back(req.body);
        const auto it = answers_.find(operation);
        res.status = it == answers_.end() ? 500 : it->second.second;
        if (it != answers_.end()) res.set_content(it->second.first, "text/xml;charset=UTF-8");
    });
    server_.start();
}

void RecordedService::reply(const std::string& operation, std::string body, int status) {
    std::lock_guard lock(mutex_);
    answers_[operation] = {std::move(body), status};
}

std::vector<std::string> RecordedService::bodies() const {
    std::lock_guard lock(mutex_);
    return bodies_;
}

void RecordedService::makeCurrentCity() const {
    auto& store = platform::UserDefaults::standard();
    store.setObject(url(), prefs::kPostUrl);
    store.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
}

RawHttpServer::RawHttpServer(std::string replyBody) : listenFd_(loopbackSocket(port_, true)) {
    thread_ = std::thread([this, reply = std::move(replyBody)] { request_ = serveOne(listenFd_, reply); });
}

RawHttpServer::~RawHttpServer() {
    if (thread_.joinable()) thread_.join();
    ::close(listenFd_);
}

std::vector<std::string> RawHttpServer::headerLines() {
    body();  // waits for the request
    const auto end = request_.find("\r\n\r\n");
    std::istringstream head(end == std::string::npos ? "" : request_.substr(0, end + 2));
    std::vector<std::string> lines;
    for (std::string line; std::getline(head, line);) lines.push_back(line.substr(0, line.size() - 1));  // no '\r'
    return lines;
}

std::string RawHttpServer::body() {
    if (thread_.joinable()) thread_.join();
    const auto end = request_.find("\r\n\r\n");
    return end == std::string::npos ? "" : request_.substr(end + 4);
}

}  // namespace bus::test
