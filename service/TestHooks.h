#pragma once
// Hooks for the test suites only; nothing in the application uses them.
#include <chrono>

namespace bus::test_hooks {

// While alive, every SoapService call gives up after the given time instead
// of its own time-out, so a test of a silent service takes milliseconds.
class ScopedSoapTimeout {
public:
    explicit ScopedSoapTimeout(std::chrono::milliseconds timeout);
    ~ScopedSoapTimeout();
    ScopedSoapTimeout(const ScopedSoapTimeout&) = delete;
    ScopedSoapTimeout& operator=(const ScopedSoapTimeout&) = delete;

private:
    long long previous_;
};

}  // namespace bus::test_hooks
