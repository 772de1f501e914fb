#include "standin/HttpServer.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace bus::standin {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using beast::error_code;

// The first read of a request; the buffer grows beyond it only for headers
// that need it, up to the header limit.
constexpr std::size_t kFirstRead = 4 * 1024;
// After a refusal the rest of the request is read and thrown away for a
// while, so that a client still sending its body reads the reply rather than
// a reset connection.
constexpr std::size_t kLingerBytes = 4 * 1024 * 1024;
constexpr std::chrono::seconds kLinger{1};
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

enum class Inflated { ok, tooLarge, corrupt };

// Undoes gzip or zlib ("deflate") coding in place, giving up as soon as the
// text passes `limit`, so a small bomb never becomes a large body.
Inflated inflateBody(std::string& body, std::size_t limit) {
    if (body.size() > UINT_MAX) return Inflated::tooLarge;
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return Inflated::corrupt;  // +32: either header
    std::string out;
    char chunk[16384];
    z.next_in = reinterpret_cast<Bytef*>(body.data());
    z.avail_in = static_cast<uInt>(body.size());
    int rc = Z_OK;
    while (rc == Z_OK && out.size() <= limit) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
    }
    inflateEnd(&z);
    if (out.size() > limit) return Inflated::tooLarge;
    if (rc != Z_STREAM_END) return Inflated::corrupt;
    body = std::move(out);
    return Inflated::ok;
}

// The parser of one request, bounded as HttpLimits says.
using RequestParser = http::request_parser<http::string_body>;

void limitParser(RequestParser& parser, const HttpLimits& limits) {
    parser.header_limit(static_cast<std::uint32_t>(std::min<std::size_t>(limits.maxHeaderBytes, UINT32_MAX)));
    parser.body_limit(limits.maxBodyBytes);
}

// What the log and a refusal name: as much of the request as was read.
void noteRequestLine(const RequestParser& parser, HttpRequest& out) {
    const auto& req = parser.get();
    out.method = std::string(req.method_string());
    out.target = std::string(req.target());
    out.host = std::string(req[http::field::host]);
}

// Takes the body of a request read whole and undoes its coding: 0, or the
// status to refuse it with.
int takeBody(RequestParser& parser, HttpRequest& out, const HttpLimits& limits) {
    auto& req = parser.get();
    out.body = std::move(req.body());
    const auto coding = req[http::field::content_encoding];
    if (coding.empty() || beast::iequals(coding, "identity")) return 0;
    if (!beast::iequals(coding, "gzip") && !beast::iequals(coding, "x-gzip") && !beast::iequals(coding, "deflate"))
        return 415;
    const Inflated r = inflateBody(out.body, limits.maxBodyBytes);
    return r == Inflated::ok ? 0 : r == Inflated::tooLarge ? 413 : 400;
}

// The refusal for a request that could not be read: 0 when the client hung
// up or the bytes stopped, which get no reply.
int refusalFor(error_code ec) {
    if (ec == http::error::body_limit) return 413;
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow) return 431;
    if (ec.category() == http::make_error_code(http::error::bad_target).category() &&
        ec != http::error::end_of_stream && ec != http::error::partial_message)
        return 400;
    return 0;
}

class Session;

using Work = net::executor_work_guard<net::io_context::executor_type>;

// One event loop per serving thread, each connection on one of them in turn:
// a connection's handlers never run at once, and a thread hands no work to
// another, which would cost a wake-up per request.
std::vector<std::unique_ptr<net::io_context>> loops(std::size_t threads) {
    std::vector<std::unique_ptr<net::io_context>> out;
    for (std::size_t i = 0; i < std::max<std::size_t>(1, threads); ++i) out.push_back(std::make_unique<net::io_context>(1));
    return out;
}

// What the listening side and every connection share. The loops come after
// the members that sessions reach as they are destroyed, which happens when
// the loops are.
struct Shared {
    Shared(HttpHandlers h, HttpLimits l) : handlers(std::move(h)), limits(l), ioc(loops(l.threads)) {}

    const HttpHandlers handlers;
    const HttpLimits limits;
    std::mutex mutex;  // guards sessions
    std::condition_variable emptied;
    std::list<std::weak_ptr<Session>> sessions;
    std::atomic<bool> draining{false};
    std::atomic<std::uint64_t> accepted{0};
    std::vector<std::unique_ptr<net::io_context>> ioc;  // the first also accepts
    std::size_t next = 0;                               // the loop of the next connection
    std::optional<tcp::acceptor> acceptor;
    net::steady_timer retry{*ioc.front()};
    std::vector<Work> work;  // keeps loops without connections running
    std::vector<std::thread> threads;
};

// One connection. Everything but close() runs on its loop's thread.
class Session : public std::enable_shared_from_this<Session> {
public:
    static void open(tcp::socket socket, Shared& shared) {
        error_code ec;
        socket.set_option(tcp::no_delay(true), ec);  // else a kept-alive reply waits for the delayed ACK
        auto session = std::make_shared<Session>(std::move(socket), shared);
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            session->self_ = shared.sessions.insert(shared.sessions.end(), session);
        }
        net::dispatch(session->stream_.get_executor(), [session] { session->awaitRequest(); });
    }

    Session(tcp::socket socket, Shared& shared)
        : stream_(std::move(socket)), buffer_(shared.limits.maxHeaderBytes + kFirstRead), shared_(shared) {}

    ~Session() {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.sessions.erase(self_);
        if (shared_.sessions.empty()) shared_.emptied.notify_all();
    }

    // From any thread: closes the connection, or only while it waits for a request.
    void close(bool onlyIdle) {
        net::post(stream_.get_executor(), [self = shared_from_this(), onlyIdle] {
            if (!onlyIdle || self->idle_) self->finish();
        });
    }

private:
    void awaitRequest() {
        if (shared_.draining) return finish();
        parser_.reset();
        if (buffer_.size() > 0) return readHeader();  // the next request came with the last
        idle_ = true;
        stream_.expires_after(shared_.limits.idle);
        stream_.async_read_some(buffer_.prepare(kFirstRead), [self = shared_from_this()](error_code ec, std::size_t n) {
            self->idle_ = false;
            if (ec) return self->finish();
            self->buffer_.commit(n);
            self->readHeader();
        });
    }

    // The request's time runs from here to its last body byte.
    void readHeader() {
        parser_.emplace();
        limitParser(*parser_, shared_.limits);
        request_ = {};
        stream_.expires_after(shared_.limits.request);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(error_code ec) {
        if (ec) return failed(ec);
        noteRequestLine(*parser_, request_);
        const auto& req = parser_->get();
        if (beast::iequals(req[http::field::expect], "100-continue")) {
            net::async_write(stream_, net::buffer(kContinue.data(), kContinue.size()),
                             [self = shared_from_this()](error_code e, std::size_t) {
                                 if (e) return self->finish();
                                 self->readBody();
                             });
            return;
        }
        readBody();
    }

    void readBody() {
        http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](error_code ec, std::size_t) { self->onBody(ec); });
    }

    void onBody(error_code ec) {
        if (ec) return failed(ec);
        if (const int refusal = takeBody(*parser_, request_, shared_.limits)) return refuse(refusal);
        const bool keepAlive = parser_->keep_alive() && served_ + 1 < shared_.limits.keepAliveRequests;
        HttpReply reply;
        try {
            reply = shared_.handlers.answer(request_);
        } catch (const std::exception&) {
            return refuse(500);
        }
        write(std::move(reply), keepAlive);
    }

    void failed(error_code ec) {
        if (request_.method.empty() && parser_) noteRequestLine(*parser_, request_);
        if (ec == beast::error::timeout) {
            shared_.handlers.refuse(408, request_);
            return finish();
        }
        if (const int refusal = refusalFor(ec)) return refuse(refusal);
        finish();  // the client hung up
    }

    void refuse(int status) {
        HttpReply reply;
        try {
            reply = shared_.handlers.refuse(status, request_);
        } catch (const std::exception&) {
        }
        reply.status = status;
        write(std::move(reply), false);
    }

    void write(HttpReply reply, bool keepAlive) {
        keepAlive = keepAlive && !shared_.draining;
        response_ = {};
        response_.version(11);
        response_.result(static_cast<unsigned>(reply.status));
        if (!reply.contentType.empty()) response_.set(http::field::content_type, reply.contentType);
        if (!reply.allow.empty()) response_.set(http::field::allow, reply.allow);
        response_.body() = std::move(reply.body);
        response_.keep_alive(keepAlive);
        response_.prepare_payload();
        stream_.expires_after(shared_.limits.reply);
        http::async_write(stream_, response_, [self = shared_from_this(), keepAlive](error_code ec, std::size_t) {
            if (ec) return self->finish();
            ++self->served_;
            if (keepAlive) return self->awaitRequest();
            self->linger();
        });
    }

    // Says it is done sending, then reads what the client still sends, for a
    // while, before closing.
    void linger() {
        error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        stream_.expires_after(kLinger);
        discard();
    }

    void discard() {
        buffer_.consume(buffer_.size());
        stream_.async_read_some(buffer_.prepare(kFirstRead), [self = shared_from_this()](error_code ec, std::size_t n) {
            self->discarded_ += n;
            if (ec || self->discarded_ > kLingerBytes) return self->finish();
            self->discard();
        });
    }

    void finish() {
        idle_ = false;
        if (!stream_.socket().is_open()) return;
        error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
        stream_.close();
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    HttpRequest request_;
    Shared& shared_;
    std::list<std::weak_ptr<Session>>::iterator self_;
    std::size_t served_ = 0;
    std::size_t discarded_ = 0;
    bool idle_ = false;  // waiting for a request's first byte
};

void accept(const std::shared_ptr<Shared>& s) {
    s->next = (s->next + 1) % s->ioc.size();
    s->acceptor->async_accept(*s->ioc[s->next], [s](error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || !s->acceptor->is_open()) return;
        if (ec) {
            // Out of file descriptors, for one: try again soon rather than spin.
            s->retry.expires_after(std::chrono::milliseconds(50));
            s->retry.async_wait([s](error_code e) {
                if (!e) accept(s);
            });
            return;
        }
        ++s->accepted;
        std::size_t open = 0;
        {
            std::lock_guard<std::mutex> lock(s->mutex);
            open = s->sessions.size();
        }
        if (open < s->limits.maxConnections) Session::open(std::move(socket), *s);
        accept(s);
    });
}

std::vector<std::shared_ptr<Session>> liveSessions(Shared& s) {
    std::vector<std::shared_ptr<Session>> out;
    std::lock_guard<std::mutex> lock(s.mutex);
    for (const auto& w : s.sessions)
        if (auto p = w.lock()) out.push_back(std::move(p));
    return out;
}

}  // namespace

HttpReading readHttpRequest(std::string_view bytes, const HttpLimits& limits) {
    HttpReading out;
    RequestParser parser;
    limitParser(parser, limits);
    error_code ec;
    // The header must be whole in one buffer, and a read of the socket
    // brings at most the buffer's room: the header limit plus a first read.
    std::size_t at = 0;
    while (!parser.is_done()) {
        const std::size_t room = parser.is_header_done() ? bytes.size() - at
                                                         : std::min(bytes.size() - at, limits.maxHeaderBytes + kFirstRead);
        const std::size_t used = parser.put(net::buffer(bytes.data() + at, room), ec);
        at += used;
        if (!ec && used > 0) continue;
        if (!ec) ec = http::error::need_more;  // no progress
        if (ec == http::error::need_more && used > 0 && at < bytes.size()) {
            ec = {};
            continue;
        }
        // A header that does not fit the connection's buffer.
        if (ec == http::error::need_more && !parser.is_header_done() && room == limits.maxHeaderBytes + kFirstRead)
            ec = http::error::buffer_overflow;
        break;
    }
    if (parser.is_header_done() || ec == http::error::body_limit) noteRequestLine(parser, out.request);
    if (ec == http::error::need_more) {
        out.status = -1;
        return out;
    }
    if (ec) {
        const int refusal = refusalFor(ec);
        out.status = refusal ? refusal : -1;
        return out;
    }
    out.status = takeBody(parser, out.request, limits);
    out.keepAlive = parser.keep_alive();
    return out;
}

struct HttpServer::State : Shared {
    using Shared::Shared;
};

HttpServer::HttpServer(HttpHandlers handlers, HttpLimits limits)
    : state_(std::make_shared<State>(std::move(handlers), limits)) {}

HttpServer::~HttpServer() { stop(); }

std::uint64_t HttpServer::connectionsAccepted() const { return state_->accepted.load(); }

int HttpServer::bind(const std::string& host, int port) {
    auto& s = *state_;
    error_code ec;
    tcp::resolver resolver(*s.ioc.front());
    const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, ec);
    if (ec || found.empty()) return 0;
    tcp::acceptor acceptor(*s.ioc.front());
    const tcp::endpoint at = found.begin()->endpoint();
    acceptor.open(at.protocol(), ec);
    // Not SO_REUSEPORT: a second stand-in must not silently share the port.
    if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(at, ec);
    if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) return 0;
    port_ = acceptor.local_endpoint(ec).port();
    s.acceptor.emplace(std::move(acceptor));
    return port_;
}

void HttpServer::start() {
    auto& s = *state_;
    if (!s.threads.empty() || !s.acceptor) return;
    accept(state_);
    for (auto& loop : s.ioc) {
        s.work.push_back(net::make_work_guard(*loop));
        s.threads.emplace_back([&l = *loop] {
            for (;;) {
                try {
                    l.run();
                    return;
                } catch (const std::exception&) {
                }
            }
        });
    }
}

void HttpServer::drain() {
    auto& s = *state_;
    s.draining = true;
    error_code ec;
    if (s.threads.empty()) {  // nothing runs the loop: no handler may wait in it
        if (s.acceptor) s.acceptor->close(ec);
        return;
    }
    net::post(*s.ioc.front(), [state = state_] {
        error_code e;
        if (state->acceptor) state->acceptor->close(e);
        state->retry.cancel();
    });
    for (const auto& session : liveSessions(s)) session->close(true);
}

void HttpServer::stop(std::chrono::steady_clock::time_point deadline) {
    auto& s = *state_;
    if (s.threads.empty()) return;
    drain();
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        s.emptied.wait_until(lock, deadline, [&] { return s.sessions.empty(); });
    }
    for (const auto& session : liveSessions(s)) session->close(false);
    // With every socket closed the threads run out of work; a connection
    // that somehow still holds them is cut off by stopping the loops.
    s.work.clear();
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        if (!s.emptied.wait_for(lock, std::chrono::milliseconds(200), [&] { return s.sessions.empty(); })) {
            lock.unlock();
            for (auto& loop : s.ioc) loop->stop();
        }
    }
    for (auto& t : s.threads) t.join();
    s.threads.clear();
    // Runs what the loops left undone, so that no handler keeps the state
    // alive past the server.
    error_code ec;
    if (s.acceptor) s.acceptor->close(ec);
    s.retry.cancel();
    for (auto& loop : s.ioc) {
        loop->restart();
        loop->poll();
    }
}

}  // namespace bus::standin
