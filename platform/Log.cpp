#include "platform/Log.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace platform {
namespace {

std::mutex gMutex;
int gCaptures = 0;
std::vector<std::string> gCaptured;

std::string timestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    char out[80];
    std::snprintf(out, sizeof out, "%s.%03d", buf, static_cast<int>(millis));
    return out;
}

}  // namespace

void NSLog(std::string_view message) {
    std::lock_guard lock(gMutex);
    if (gCaptures > 0) {
        gCaptured.emplace_back(message);
        return;
    }
    const std::string line = timestamp() + " busreal[" + std::to_string(::getpid()) + "] " +
                             std::string(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

LogCapture::LogCapture() {
    std::lock_guard lock(gMutex);
    if (gCaptures++ == 0) gCaptured.clear();
}

LogCapture::~LogCapture() {
    std::lock_guard lock(gMutex);
    --gCaptures;
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(gMutex);
    return gCaptured;
}

std::size_t LogCapture::count(std::string_view message) const {
    std::lock_guard lock(gMutex);
    return static_cast<std::size_t>(std::count(gCaptured.begin(), gCaptured.end(), message));
}

void LogCapture::clear() {
    std::lock_guard lock(gMutex);
    gCaptured.clear();
}

}  // namespace platform
