#include "ServiceTestSupport.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "model/Preferences.h"
#include "platform/UserDefaults.h"

namespace bus::test {

std::string recordedReply(const std::string& name) {
    std::ifstream in(std::string(BUS_SERVICE_REPLIES) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("no recorded reply " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string soapReply(const std::string& operation, const std::string& escapedReturn) {
    return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><ns2:" + operation +
           "Response xmlns:ns2=\"http://service.realbus.transit/\"><return>" + escapedReturn + "</return></ns2:" +
           operation + "Response></soap:Body></soap:Envelope>";
}

RecordedService::RecordedService() {
    server_.server().Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string& body = req.body;
        std::string operation;
        if (auto at = body.find("<ns1:"); at != std::string::npos) {
            const auto end = body.find('>', at);
            if (end != std::string::npos) operation = body.substr(at + 5, end - at - 5);
        }
        std::lock_guard lock(mutex_);
        bodies_.push_back(body);
        auto it = answers_.find(operation);
        if (it == answers_.end()) {
            res.status = 500;
            return;
        }
        res.status = it->second.status;
        res.set_content(it->second.body, "text/xml;charset=UTF-8");
    });
    server_.start();
}

void RecordedService::reply(const std::string& operation, std::string body, int status) {
    std::lock_guard lock(mutex_);
    answers_[operation] = Answer{std::move(body), status};
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

RawHttpServer::RawHttpServer(std::string replyBody) : replyBody_(std::move(replyBody)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 1) != 0)
        throw std::runtime_error("cannot listen on loopback");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
    if (thread_.joinable()) thread_.join();
    ::close(listenFd_);
}

void RawHttpServer::serve() {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) return;
    const int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    std::string data;
    char buf[65536];
    std::size_t need = std::string::npos;
    while (need == std::string::npos || data.size() < need) {
        pollfd q{fd, POLLIN, 0};
        if (::poll(&q, 1, 10000) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
        if (need == std::string::npos) {
            const auto end = data.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            std::size_t length = 0;
            const auto at = data.find("\r\nContent-Length: ");
            if (at != std::string::npos && at < end) length = std::stoul(data.substr(at + 18));
            need = end + 4 + length;
        }
    }
    request_ = data;
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml;charset=UTF-8\r\nContent-Length: " +
                              std::to_string(replyBody_.size()) + "\r\nConnection: close\r\n\r\n" + replyBody_;
    std::size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::vector<std::string> RawHttpServer::headerLines() {
    if (thread_.joinable()) thread_.join();
    std::vector<std::string> lines;
    const auto end = request_.find("\r\n\r\n");
    std::size_t at = 0;
    while (end != std::string::npos && at < end) {
        const auto eol = request_.find("\r\n", at);
        lines.push_back(request_.substr(at, eol - at));
        at = eol + 2;
    }
    return lines;
}

std::string RawHttpServer::body() {
    if (thread_.joinable()) thread_.join();
    const auto end = request_.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request_.substr(end + 4);
}

}  // namespace bus::test
