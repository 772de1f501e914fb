#pragma once
// What the stand-in suites share: the bundled data, the small GTFS feed of
// these tests, a stand-in serving on free loopback ports with a clock the
// test sets, and a plain SOAP caller to talk to it.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "standin/Clock.h"
#include "standin/Endpoint.h"
#include "standin/Network.h"
#include "standin/Standin.h"

namespace bus::standin::test {

std::filesystem::path bundledData();
std::filesystem::path testFeed();

// A time given as "YYYY-MM-DDTHH:MM:SS+08:00"; fails the test on bad text.
TimePoint at(const std::string& isoTime);

// The bundled city, loaded afresh.
std::shared_ptr<const City> bundledCity(std::int64_t cityId);

// The whole stand-in on free ports of 127.0.0.1, every bundled city, with a
// manual clock; its log goes to memory.
class RunningStandin {
public:
    explicit RunningStandin(TimePoint start = at("2024-05-06T12:00:00+08:00"), VehicleRules rules = {});
    ~RunningStandin();
    ManualClock clock;
    Standin& standin() { return *standin_; }
    std::string logText();  // every log line so far

private:
    char* logBuffer_ = nullptr;
    std::size_t logSize_ = 0;
    std::FILE* logFile_ = nullptr;
    std::unique_ptr<RequestLog> log_;
    std::unique_ptr<Standin> standin_;
};

using Params = std::vector<std::pair<std::string, std::string>>;

// A SOAP 1.1 request as the app writes it: the operation element with prefix
// ns1, the parameters without prefix.
std::string envelope(const std::string& ns, const std::string& operation, const Params& params);

struct Reply {
    int status = 0;  // 0: no reply
    std::string body;
    std::string contentType;
};

// The port of "http://host:port".
int portOf(const std::string& baseUrl);

// POSTs a body to a full URL (http://host:port/path).
Reply post(const std::string& url, const std::string& body);
Reply get(const std::string& url);

// Reads a reply as XML: the text of the <return> element inside
// <ns:{operation}Response>, or the faultcode and faultstring of a Fault.
// Fails the current test when the reply is not such an envelope.
std::string returnText(const Reply& reply, const std::string& operation);
struct Fault {
    std::string code;
    std::string message;
};
Fault faultOf(const Reply& reply);

}  // namespace bus::standin::test
