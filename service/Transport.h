#pragma once
// One HTTP exchange as a plain function of the request: no preference is
// read and nothing is shown. Connections stay open between calls, one cache
// for the process, so a list that asks a city's service once per row reuses
// one connection instead of opening one per row.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace bus {

// A larger reply body fails the call: a broken or hostile service must not be
// able to exhaust memory.
inline constexpr std::size_t kMaxReplyBytes = 8u << 20;
// A service that does not take the connection within this fails the call,
// however long its whole time-out: a dead network answers no one, and the
// rider should hear so in seconds rather than at the end of the 30.
inline constexpr long kConnectTimeoutMillis = 5000;

// Everything that goes on the wire.
struct SoapRequest {
    std::string url;  // percent-escaped
    std::string method;
    double timeoutSeconds = 0;  // 0: the default 30 s
    std::vector<std::pair<std::string, std::string>> headers;  // in sending order
    std::string body;
};

struct TransportReply {
    bool complete = false;  // the whole reply arrived within the limits
    long status = 0;        // 0 when no status line arrived
    std::string body;       // the whole body when complete
};

// Blocks the calling thread until the reply is in, the time-out passed or the
// app is on its way out (platform::shutdownRequested). Thread-safe.
TransportReply postRequest(const SoapRequest& request);

}  // namespace bus
