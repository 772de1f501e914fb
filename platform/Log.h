#pragma once
// The platform log: one timestamped line per call on standard error. Tests
// capture it to check exactly which lines a piece of code wrote.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

void NSLog(std::string_view message);

// While alive, log lines are collected here instead of going to stderr.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;  // messages without timestamps
    std::size_t count(std::string_view message) const;
    void clear();
};

}  // namespace platform
