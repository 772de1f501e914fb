// Feeds arbitrary bytes to the reply readers, both as a whole reply body and
// as return text, and checks what must hold for any input:
// - nothing crashes, leaks or reads out of bounds;
// - escaping a text for the envelope and decoding it again gives it back;
// - the line reading equals the reading done by the letter (decode the whole
//   text for the line, decode the cut for the stops), which the fast reading
//   only shortcuts;
// - vehicles come out ordered by stop number, highest first.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "model/Value.h"
#include "service/JSONValue.h"
#include "service/Readings.h"
#include "service/SoapService.h"
#include "service/XmlText.h"

namespace {

using bus::ops::LineReading;

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_service: %s\n", what);
        std::abort();
    }
}

LineReading readLineByTheLetter(std::string_view content) {
    LineReading r;
    if (content.empty()) return r;
    if (const auto whole = bus::JSONValue(content); whole && whole->is_object())
        r.line = bus::BusLine::initData(*whole);
    if (const auto cut = bus::ops::stopArrayText(content)) {
        if (const auto stops = bus::JSONValue(*cut); stops && stops->is_array()) {
            for (const auto& element : *stops)
                if (element.is_object()) r.stations.push_back(bus::BusStation::initData(element));
        }
        if (!r.stations.empty()) r.endStation = r.stations.back().stationName;
    }
    return r;
}

bool sameLine(const bus::BusLine& a, const bus::BusLine& b) {
    return a.uid == b.uid && a.lineName == b.lineName && a.gprsId == b.gprsId && a.ticketPrice == b.ticketPrice &&
           a.opTime == b.opTime && a.gjgs == b.gjgs && a.cityId == b.cityId;
}

bool sameStation(const bus::BusStation& a, const bus::BusStation& b) {
    return a.uid == b.uid && a.stationName == b.stationName && a.orderNo == b.orderNo &&
           a.direction == b.direction && a.lineId == b.lineId && a.cityId == b.cityId && a.flagId == b.flagId;
}

void readAll(std::string_view content) {
    const LineReading fast = bus::ops::readLine(content);
    const LineReading letter = readLineByTheLetter(content);
    require(fast.line.has_value() == letter.line.has_value(), "line found by one reading only");
    if (fast.line) require(sameLine(*fast.line, *letter.line), "line readings differ");
    require(fast.stations.size() == letter.stations.size(), "stop counts differ");
    for (std::size_t i = 0; i < fast.stations.size(); ++i)
        require(sameStation(fast.stations[i], letter.stations[i]), "stops differ");
    require(fast.endStation == letter.endStation, "end stops differ");

    const auto vehicles = bus::ops::readRealBus(content);
    for (std::size_t i = 1; i < vehicles.size(); ++i)
        require(bus::integerValue(vehicles[i - 1].stationNo) >= bus::integerValue(vehicles[i].stationNo),
                "vehicles out of order");
    for (const auto& v : vehicles) require(v.busNum == 1, "busNum not 1");

    (void)bus::ops::readCities(content);
    (void)bus::ops::readQueries(content);
    (void)bus::ops::readAlerts(content);
    require(!bus::ops::readRealBusStation(content).empty(), "empty live text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    require(bus::xml::decodeEntities(bus::xml::escape(input)) == input, "escape/decode round trip");
    const std::string decoded = bus::xml::decodeEntities(input);
    require(decoded.size() <= input.size(), "decoding grew the text");
    if (bus::xml::isValidUtf8(input)) require(bus::xml::isValidUtf8(decoded), "decoding broke UTF-8");

    // As the service's reply body (the client reads only UTF-8 bodies) ...
    if (bus::xml::isValidUtf8(input)) readAll(bus::SoapService::JxXml(input));
    // ... and as return text, where the JSON shapes are reached directly.
    readAll(input);
    return 0;
}
