// The ceiling for the stand-in's throughput: the stand-in's own HTTP server
// with its default limits, answering every request with one constant body.
//
// Usage: standin-constant-server PORT BODY_FILE [THREADS]
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <pthread.h>

#include "standin/HttpServer.h"

using namespace bus::standin;

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

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    HttpLimits limits;
    if (argc > 3) limits.threads = std::stoul(argv[3]);
    HttpServer server({[&body](const HttpRequest&) { return HttpReply{200, "text/xml; charset=UTF-8", body, {}}; },
                       [](int status, const HttpRequest&) { return HttpReply{status, {}, {}, {}}; }},
                      limits);
    if (server.bind("127.0.0.1", port) != port) {
        std::fprintf(stderr, "cannot listen on port %d\n", port);
        return 1;
    }
    server.start();
    std::printf("ready\n");
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stop, &sig);
    server.stop();
    return 0;
}
