#include "standin/Endpoint.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <list>
#include <stdexcept>

#include <httplib.h>
#include <sys/socket.h>

namespace bus::standin {

namespace {

constexpr const char* kXml = "text/xml; charset=UTF-8";

std::int64_t microsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
}

// The server's task queue: one job per accepted connection. `core` workers
// wait for jobs all the time; a job that finds no idle worker starts one more,
// up to `most`, and a worker beyond the core leaves after kLinger without
// work. Workers that leave are joined by the next enqueue or by shutdown.
class ConnectionPool final : public httplib::TaskQueue {
public:
    ConnectionPool(std::size_t core, std::size_t most) : most_(std::max(core, most)) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < core; ++i) spawn(true);
    }
    ~ConnectionPool() override { shutdown(); }

    void enqueue(std::function<void()> fn) override {
        std::list<std::thread> gone;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back(std::move(fn));
            if (idle_ < jobs_.size() && workers_.size() < most_) spawn(false);
            gone.swap(finished_);
        }
        wake_.notify_one();
        for (auto& t : gone) t.join();
    }

    void shutdown() override {
        std::list<std::thread> all;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shutdown_ = true;
            all.swap(workers_);
            all.splice(all.end(), finished_);
        }
        wake_.notify_all();
        for (auto& t : all) t.join();
    }

private:
    static constexpr std::chrono::seconds kLinger{10};

    // Called with mutex_ held, so the new worker's first lock waits until
    // its own thread object is in place.
    void spawn(bool core) {
        workers_.emplace_back();
        const auto self = std::prev(workers_.end());
        *self = std::thread([this, self, core] { work(self, core); });
    }

    void work(std::list<std::thread>::iterator self, bool core) {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto ready = [this] { return !jobs_.empty() || shutdown_; };
        for (;;) {
            ++idle_;
            if (core) wake_.wait(lock, ready);
            else wake_.wait_for(lock, kLinger, ready);
            --idle_;
            if (jobs_.empty()) {
                if (shutdown_ || !core) break;
                continue;
            }
            auto job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
        if (!shutdown_) finished_.splice(finished_.end(), workers_, self);
    }

    const std::size_t most_;
    std::mutex mutex_;  // guards everything below
    std::condition_variable wake_;
    std::list<std::function<void()>> jobs_;
    std::list<std::thread> workers_;
    std::list<std::thread> finished_;
    std::size_t idle_ = 0;
    bool shutdown_ = false;
};

}  // namespace

RequestLog::RequestLog(std::FILE* out) : out_(out) {
    // Both buffers keep their room from batch to batch, so that serving
    // threads never wait on an allocation while holding mutex_.
    if (!out_) return;
    pending_.reserve(kBatchBytes * 2);
    batch_.reserve(kBatchBytes * 2);
    thread_ = std::thread([this] { writer(); });
}

RequestLog::~RequestLog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    flush();
}

namespace {

// "2024-05-06T04:00:01.532Z" for now. The date and time change once a
// second; each thread keeps its own text.
std::string_view stampNow() {
    thread_local std::time_t stampSecond = -1;
    thread_local char stamp[32];
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    if (secs != stampSecond) {
        std::tm tm{};
        gmtime_r(&secs, &tm);
        std::strftime(stamp, 24, "%Y-%m-%dT%H:%M:%S", &tm);
        stampSecond = secs;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::snprintf(stamp + 19, sizeof stamp - 19, ".%03dZ", static_cast<int>(ms));
    return stamp;
}

}  // namespace

void RequestLog::record(std::string_view service, std::string_view operation, int status, std::int64_t micros) {
    count_.fetch_add(1, std::memory_order_relaxed);
    if (!enabled_.load(std::memory_order_relaxed) || !out_) return;
    const std::string_view stamp = stampNow();
    const std::string op = operation.empty() ? std::string("-") : validUtf8(operation.substr(0, 60));
    const int serviceWidth = static_cast<int>(std::min<std::size_t>(service.size(), 40));
    char line[256];
    int n = 0;
    if (micros >= 0) {
        n = std::snprintf(line, sizeof line, "%s %.*s %s %d %lldus\n", stamp.data(), serviceWidth, service.data(),
                          op.c_str(), status, static_cast<long long>(micros));
    } else {
        n = std::snprintf(line, sizeof line, "%s %.*s %s %d -\n", stamp.data(), serviceWidth, service.data(),
                          op.c_str(), status);
    }
    append(line, n, sizeof line);
}

void RequestLog::note(std::string_view service, std::string_view text) {
    if (!out_) return;
    char line[512];
    const int n = std::snprintf(line, sizeof line, "%s %.*s %s\n", stampNow().data(),
                                static_cast<int>(std::min<std::size_t>(service.size(), 40)), service.data(),
                                validUtf8(text.substr(0, 400)).c_str());
    append(line, n, sizeof line);
}

// Keeps a line written by snprintf for the writer thread; a line cut to its
// buffer still ends with its line break.
void RequestLog::append(char* line, int n, std::size_t size) {
    if (n <= 0) return;
    if (static_cast<std::size_t>(n) >= size) {
        n = static_cast<int>(size) - 1;
        line[n - 1] = '\n';
    }
    bool large = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.append(line, static_cast<std::size_t>(n));
        large = pending_.size() > kBatchBytes;
    }
    if (large) wake_.notify_one();
}

void RequestLog::flush() {
    if (!out_) return;
    std::lock_guard<std::mutex> writing(writeMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch_.swap(pending_);
    }
    if (batch_.empty()) return;
    std::fwrite(batch_.data(), 1, batch_.size(), out_);
    std::fflush(out_);
    batch_.clear();
}

void RequestLog::writer() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(100));
        lock.unlock();
        flush();
        lock.lock();
    }
}

SoapEndpoint::SoapEndpoint(EndpointSetup setup, RequestLog& log, ServeOptions options)
    : setup_(std::move(setup)), log_(log), options_(options), server_(std::make_unique<httplib::Server>()) {
    auto& s = *server_;
    // Without it, replies on a kept-alive connection wait for the delayed ACK.
    s.set_tcp_nodelay(true);
    // The library's default also sets SO_REUSEPORT, which would let a second
    // stand-in silently share a port with the first.
    s.set_socket_options([this](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket_ = sock;
    });
    s.set_payload_max_length(options_.maxRequestBytes);
    s.set_keep_alive_max_count(options_.keepAliveRequests);
    s.set_keep_alive_timeout(options_.keepAliveSeconds);
    const std::size_t threads = options_.threads == 0 ? 1 : options_.threads;
    const std::size_t most = options_.maxThreads;
    s.new_task_queue = [threads, most] { return new ConnectionPool(threads, most); };

    s.Post(setup_.path, [this](const httplib::Request& req, httplib::Response& res) {
        const auto t0 = std::chrono::steady_clock::now();
        std::string out;
        int status = 200;
        std::string operation;
        onPost(req.body, out, status, operation);
        res.status = status;
        res.set_content(std::move(out), kXml);
        log_.record(setup_.label, operation, status, microsSince(t0));
    });
    s.Get(setup_.path, [this](const httplib::Request& req, httplib::Response& res) {
        const auto t0 = std::chrono::steady_clock::now();
        if (req.has_param("wsdl") || req.has_param("WSDL")) {
            const std::string host = req.get_header_value("Host");
            const std::string location = "http://" + (host.empty() ? "127.0.0.1:" + std::to_string(port_) : host) + setup_.path;
            res.status = 200;
            res.set_content(buildWsdl(setup_.serviceName, setup_.ns, setup_.operations, location), kXml);
        } else {
            res.status = 405;
            res.set_header("Allow", "POST");
            res.set_content("This is a SOAP 1.1 endpoint: POST an envelope, or GET " + setup_.path + "?wsdl\n",
                            "text/plain; charset=UTF-8");
        }
        log_.record(setup_.label, "GET ?wsdl", res.status, microsSince(t0));
    });
    // Statuses the library produces itself (unknown path, body too large,
    // unreadable request) reach here with no body; our own faults already
    // carry one.
    s.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request& req,
                                                                  httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 413) {
            res.set_content(buildFault("Client", "the request body is larger than " +
                                                     std::to_string(options_.maxRequestBytes) + " bytes"),
                            kXml);
        } else if (res.status == 404) {
            res.set_content("No service at " + validUtf8(req.path.substr(0, 200)) + "; the SOAP endpoint is " +
                                setup_.path + "\n",
                            "text/plain; charset=UTF-8");
        } else {
            res.set_content(buildFault("Client", "the HTTP request could not be read"), kXml);
        }
        log_.record(setup_.label, req.method.empty() ? std::string("-") : req.method + " " + req.path.substr(0, 40),
                    res.status, -1);
        return httplib::Server::HandlerResponse::Handled;
    }));
    s.set_exception_handler([this](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content(buildFault("Server", "internal error"), kXml);
        log_.record(setup_.label, "-", 500, -1);
    });
}

SoapEndpoint::~SoapEndpoint() {
    // The library closes its listening socket only in stop(), and stop() only
    // acts on a running server: a socket bound but never served would stay
    // open (and its port taken) otherwise.
    if (port_ > 0 && !started_) {
        try {
            start();
        } catch (const std::exception&) {
        }
    }
    stop();
}

void SoapEndpoint::onPost(const std::string& body, std::string& out, int& status, std::string& operation) const {
    try {
        const SoapRequest request = parseRequest(body);
        operation = request.operation;
        const std::string ret = setup_.handler(request);
        out = buildResponse(request.operation, setup_.ns, ret);
        status = 200;
    } catch (const SoapFault& f) {
        out = buildFault(f.code(), f.what());
        status = 500;
    } catch (const std::exception& e) {
        out = buildFault("Server", std::string("internal error: ") + e.what());
        status = 500;
    }
}

int SoapEndpoint::bind(const std::string& host, int port) {
    if (port == 0) {
        port_ = server_->bind_to_any_port(host);
        if (port_ <= 0) throw std::runtime_error("cannot listen on " + host + " (any port)");
    } else {
        if (!server_->bind_to_port(host, port))
            throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) +
                                     " (is another service using it?)");
        port_ = port;
    }
    // The library listens with a backlog of 5: a burst of connections beyond
    // it would wait for the client's SYN retry, a second or more.
    if (listenSocket_ >= 0) ::listen(listenSocket_, SOMAXCONN);
    return port_;
}

void SoapEndpoint::start() {
    if (thread_.joinable()) return;
    started_ = true;
    finished_ = false;
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        finished_ = true;
    });
    // stop() only works once the server runs, so wait for it to get there.
    while (!server_->is_running() && !finished_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (finished_) {
        thread_.join();
        throw std::runtime_error("the server on port " + std::to_string(port_) + " did not start");
    }
}

void SoapEndpoint::stop() {
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
}

}  // namespace bus::standin
