#pragma once
// The operations of the directory service and of a city service, answering
// from a loaded network at the clock's current time. The results are the JSON
// (or plain) texts that go into the reply's <return> element.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "standin/Clock.h"
#include "standin/LiveFeed.h"
#include "standin/Network.h"
#include "standin/Soap.h"
#include "standin/Vehicles.h"

namespace bus::standin {

class CityService {
public:
    // `live`: the city's realtime feed, or null; it must outlive the service.
    CityService(std::shared_ptr<const City> city, const Clock& clock, VehicleRules rules = {},
                const LiveFeed* live = nullptr);

    const City& city() const { return *city_; }

    // Lines whose name, and stops whose name, hold the keyword: one line hit
    // (attribute 0) per line and direction, one stop hit (attribute 1) per
    // stop, line and direction. An empty keyword finds nothing.
    Json queryKeyword(std::string_view keyword) const;
    // The line with its stop array, or null for an unknown line or direction.
    Json queryLine(std::int64_t lineId, int direction) const;
    // The vehicles of the line now, each with the text for a rider at orderNo:
    // from fresh realtime data when the city has it, else from the timetable.
    Json realBus(std::int64_t gprsId, std::int64_t orderNo, int direction) const;
    // The text for the nearest vehicle coming to orderNo, or "".
    std::string realBusStation(std::int64_t gprsId, std::int64_t orderNo, int direction) const;
    // The alerts of the line's direction active now, from the city's file and
    // from fresh realtime data, with texts in `lang` where they have it (""
    // for no preference); null for an unknown line or direction.
    Json queryAlert(std::int64_t lineId, int direction, std::string_view lang) const;

    // Runs one parsed request; throws SoapFault for an unknown operation or a
    // bad parameter. Returns the text for <return>.
    std::string handle(const SoapRequest& request) const;

    static const std::vector<WsdlOperation>& operations();

private:
    std::vector<VehiclePosition> vehicles(const Line& line, int direction, TimePoint now, const LiveData* live) const;
    std::string text(const VehiclePosition& v, int orderNo, TimePoint now, const LiveData* live) const;

    std::shared_ptr<const City> city_;
    const Clock& clock_;
    VehicleRules rules_;
    const LiveFeed* live_;
};

struct DirectoryEntry {
    std::int64_t cityId = 0;
    std::string name;
    std::string baseUrl;  // http://host:port, no path
};

class DirectoryService {
public:
    explicit DirectoryService(std::vector<DirectoryEntry> cities) : cities_(std::move(cities)) {}
    Json queryCity() const;
    std::string handle(const SoapRequest& request) const;
    static const std::vector<WsdlOperation>& operations();

private:
    std::vector<DirectoryEntry> cities_;
};

}  // namespace bus::standin
