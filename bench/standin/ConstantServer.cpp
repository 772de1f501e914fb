// The yardstick for the stand-in's throughput: a cpp-httplib server with a
// thread per connection, answering every POST with one constant body. It
// stays as it is, so that ratios measured on different versions of the
// stand-in compare.
//
// Usage: standin-constant-server PORT BODY_FILE [THREADS]
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT BODY_FILE [THREADS]\n", argv[0]);
        return 2;
    }
    const int port = std::stoi(argv[1]);
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    const std::string body = buf.str();
    const std::size_t threads = argc > 3 ? std::stoul(argv[3]) : 8;

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    httplib::Server server;
    // Settings of a server tuned for keep-alive clients on loopback.
    server.set_tcp_nodelay(true);
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_payload_max_length(1024 * 1024);
    server.set_keep_alive_max_count(100);
    server.set_keep_alive_timeout(1);
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.Post(".*", [&body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/xml; charset=UTF-8");
    });
    if (!server.bind_to_port("127.0.0.1", port)) {
        std::fprintf(stderr, "cannot listen on port %d\n", port);
        return 1;
    }
    std::thread serving([&] { server.listen_after_bind(); });
    std::printf("ready\n");
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stop, &sig);
    while (!server.is_running()) std::this_thread::yield();
    server.stop();
    serving.join();
    return 0;
}
