#pragma once
// The process-wide shared object. Its creation is serialized by a
// lock; the fields themselves carry none (the main thread alone uses them).
#include <string>

#include <nlohmann/json.hpp>

#include "model/Config.h"

namespace bus {

class MySingleton {
public:
    // The one instance of the process, created on the first call.
    static MySingleton& sharedSingleton();

    MySingleton(const MySingleton&) = delete;
    MySingleton& operator=(const MySingleton&) = delete;

    nlohmann::json recArrayStation;  // mutable array; declared, unused
    nlohmann::json startStation;     // string: start stop of the transfer query
    nlohmann::json endStation;       // string: end stop of the transfer query
    // Base address of the city directory service: the fixed one, unless the
    // command line names another (a second installation, a test's stand-in).
    // Set once at start-up, before any screen loads.
    std::string directoryUrl = config::kDirectoryUrl;

private:
    MySingleton() = default;
};

}  // namespace bus
