#pragma once
// The whole stand-in: the directory service and one service per city, each
// on its own port, answering from the same clock.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin/Clock.h"
#include "standin/Endpoint.h"
#include "standin/Network.h"
#include "standin/Operations.h"

namespace bus::standin {

inline constexpr const char* kDirectoryPath = "/ozkbus/CXFWebService/Bus";
inline constexpr const char* kCityPath = "/realBus/CXFWebService/bus";
inline constexpr const char* kDirectoryNs = "http://service.ozkbus.transit/";
inline constexpr const char* kCityNs = "http://service.realbus.transit/";
inline constexpr int kDefaultDirectoryPort = 18080;
inline constexpr std::chrono::milliseconds kStopGrace{500};

struct ServedCity {
    std::shared_ptr<const City> city;
    int port = 0;  // 0: any free port
    LiveSources live;  // realtime sources of a published timetable; none: the timetable alone
};

struct StandinConfig {
    std::string host = "127.0.0.1";
    // Host written into the directory's city addresses; empty: the listening
    // host, or 127.0.0.1 when listening on every address.
    std::string advertisedHost;
    int directoryPort = kDefaultDirectoryPort;  // 0: any free port
    std::vector<ServedCity> cities;
    VehicleRules rules;
    ServeOptions serve;
};

class Standin {
public:
    Standin(StandinConfig config, const Clock& clock, RequestLog& log);
    ~Standin();

    // Binds every port (throws std::runtime_error naming a taken one), then
    // serves and starts polling realtime sources. Returns once all endpoints
    // accept connections.
    void start();
    // Stops serving and polling within about a second, whatever clients and
    // realtime sources are doing; requests under way get kStopGrace to finish.
    void stop();

    std::string directoryBaseUrl() const;
    std::string directoryUrl() const { return directoryBaseUrl() + kDirectoryPath; }
    // Base address of a served city ("" when not served).
    // Connections the city's service accepted so far (0 for a city not served).
    std::uint64_t connectionsAccepted(std::int64_t cityId) const;
    std::string cityBaseUrl(std::int64_t cityId) const;
    std::string cityUrl(std::int64_t cityId) const { return cityBaseUrl(cityId) + kCityPath; }
    const std::vector<DirectoryEntry>& directory() const { return directory_; }

private:
    std::string baseUrl(int port) const;

    StandinConfig config_;
    const Clock& clock_;
    RequestLog& log_;
    std::vector<std::unique_ptr<LiveFeed>> liveFeeds_;  // read by cityServices_
    std::vector<std::unique_ptr<CityService>> cityServices_;
    std::vector<std::unique_ptr<SoapEndpoint>> cityEndpoints_;
    std::unique_ptr<DirectoryService> directoryService_;
    std::unique_ptr<SoapEndpoint> directoryEndpoint_;
    std::vector<DirectoryEntry> directory_;
    std::map<std::int64_t, int> cityPorts_;
};

}  // namespace bus::standin
