#pragma once
// What the stand-in suites share: the bundled data, a stand-in serving every
// bundled city on free loopback ports with a clock the test sets, a log kept
// in memory, and a plain SOAP caller to talk to it.
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "standin/Standin.h"

namespace bus::standin::test {

// A time given as "YYYY-MM-DDTHH:MM:SS+08:00"; fails the test on bad text.
TimePoint at(const std::string& isoTime);

// The bundled city, loaded afresh.
std::shared_ptr<const City> bundledCity(std::int64_t cityId);

// A GTFS-realtime message made at `timestamp` holding one entity ("e1"),
// given in protobuf text format.
std::string message(std::uint64_t timestamp, const std::string& entity);
// The same with several entities, each given with its id.
std::string message(std::uint64_t timestamp, const std::vector<std::string>& entities);

// An environment holding only these variables.
Environment environment(std::map<std::string, std::string> variables);

// A request log writing to memory.
class MemoryLog {
public:
    RequestLog& log() { return log_; }
    std::string text();  // every line so far

private:
    struct Buffer {  // outlives the log, which writes its last lines as it closes
        char* data = nullptr;
        std::size_t size = 0;
        std::FILE* file = open_memstream(&data, &size);
        ~Buffer();
    } buffer_;
    RequestLog log_{buffer_.file};
};

// The whole stand-in on 127.0.0.1 with a manual clock at a Monday noon; its
// log goes to memory.
class RunningStandin {
public:
    // The directory on that port (0: any free one); the bundled cities, or
    // only `cities` when given, on free ports.
    explicit RunningStandin(int directoryPort = 0, std::vector<City> cities = {});
    ManualClock clock;
    Standin& standin() { return *standin_; }
    std::string logText() { return log_.text(); }

private:
    MemoryLog log_;
    std::unique_ptr<Standin> standin_;
};

// Vehicles as "plate stop at|on", in their order, for a comparison at a glance.
std::string shown(const std::vector<VehiclePosition>& vehicles);

// Fails unless `action` throws a std::runtime_error whose text holds `says`.
template <typename Action>
void expectRefused(Action&& action, const std::string& says) {
    std::string what = "accepted";
    try {
        action();
    } catch (const std::runtime_error& e) {
        what = e.what();
    }
    EXPECT_NE(what.find(says), std::string::npos) << what << "\n  wanted: " << says;
}

using Params = std::vector<std::pair<std::string, std::string>>;

// A SOAP 1.1 request as the app writes it: the operation element with prefix
// ns1, the parameters without prefix.
std::string envelope(const std::string& ns, const std::string& operation, const Params& params);

struct Reply {
    int status = 0;  // 0: no reply
    std::string body;
    std::string contentType;
};

int portOf(const std::string& baseUrl);  // of "http://host:port"
// A POST of an XML body to a full URL (http://host:port/path).
Reply post(const std::string& url, const std::string& body);

// The text of <return> inside the operation's response element, or the code
// and text of a Fault, read as a client that cuts the reply text does; fails
// the test when they are missing.
std::string returnText(const Reply& reply, const std::string& operation);
struct Fault {
    std::string code;
    std::string message;
};
Fault faultOf(const Reply& reply);

}  // namespace bus::standin::test
