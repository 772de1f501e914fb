#pragma once
// The process-wide shared object. Its creation is serialized by a
// lock; the fields themselves carry none (the main thread alone uses them).
#include <nlohmann/json.hpp>

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

private:
    MySingleton() = default;
};

}  // namespace bus
