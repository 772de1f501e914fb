#pragma once
// An HTTP/1.1 server on one port, event-driven (Boost.Beast over Asio): a few
// threads serve every connection, so a client that sends slowly, or sends
// half a request and waits, holds a socket and a few kilobytes, never a
// thread. Every request is bounded in size and in total time, whatever its
// pace and framing.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace bus::standin {

struct HttpLimits {
    std::size_t threads = 2;            // threads running the connections
    std::size_t maxConnections = 8192;  // beyond it a new connection is closed at once
    // The body as the handler gets it: after chunks are joined and gzip or
    // deflate is undone. A Content-Length over it is refused before the body
    // is read; any other body as soon as it passes it.
    std::size_t maxBodyBytes = 1024 * 1024;
    std::size_t maxHeaderBytes = 16 * 1024;
    // Waiting for a request's first byte, on a new or a kept-alive connection.
    std::chrono::milliseconds idle{5000};
    // A request's headers and body, from its first byte: a total, however
    // slowly the bytes come.
    std::chrono::milliseconds request{10000};
    std::chrono::milliseconds reply{10000};  // writing one reply
    std::size_t keepAliveRequests = 100;     // requests on one connection before it is closed
};

struct HttpRequest {
    std::string method;  // "" when the request could not be read that far
    std::string target;  // path and query, as sent
    std::string host;
    std::string body;  // decoded
};

struct HttpReply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::string allow;  // an Allow header when not empty
};

struct HttpHandlers {
    // Answers a request read whole. Runs on a serving thread, several at once.
    std::function<HttpReply(const HttpRequest&)> answer;
    // The reply to a request refused before `answer`: 400 unreadable, 413
    // body too large, 415 unknown content coding, 431 headers too large, 500
    // `answer` threw. Also told of 408, a request whose time ran out, whose
    // connection is closed without a reply. The request holds what was read.
    std::function<HttpReply(int status, const HttpRequest&)> refuse;
};

// What one request's bytes come to when read as a connection reads them:
// the same limits, framing (Content-Length or chunks) and body codings, but
// from memory, so that what strangers may send can be tried without sockets.
struct HttpReading {
    // 0: read whole; a status the connection refuses with (400, 413, 415,
    // 431); -1: the bytes end before the request does, where a connection
    // would wait for more and then close without a reply.
    int status = 0;
    HttpRequest request;  // as much as was read
    bool keepAlive = false;
};
HttpReading readHttpRequest(std::string_view bytes, const HttpLimits& limits);

class HttpServer {
public:
    HttpServer(HttpHandlers handlers, HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds host:port (0: any free port) and returns the port; throws
    // std::runtime_error when it cannot.
    int bind(const std::string& host, int port);
    // Serves on threads of its own.
    void start();
    // Stops accepting and closes the connections that wait for a request;
    // requests being read or answered go on. Returns at once.
    void drain();
    // Drains, then by `deadline` closes every connection left, and waits for
    // the serving threads. Safe to call twice.
    void stop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now());

    int port() const { return port_; }
    // Connections accepted since start: a client that keeps its connection
    // open between requests opens few.
    std::uint64_t connectionsAccepted() const;

private:
    struct State;
    std::shared_ptr<State> state_;
    int port_ = 0;
};

}  // namespace bus::standin
