#pragma once
// The transit network that one city service answers from: lines, their stops
// per direction, and the timetable that puts vehicles on them.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/Alerts.h"
#include "standin/TimeZone.h"

namespace bus::standin {

// A line that departs every `headwaySeconds` and takes the same time between
// any two stops. Bundled cities are described this way.
struct HeadwayTimetable {
    int headwaySeconds = 600;
    int runSeconds = 100;    // moving from one stop to the next
    int dwellSeconds = 30;   // standing at a stop
    int firstDeparture = 0;  // seconds after local midnight
    int lastDeparture = 0;   // seconds after local midnight; may be < first (past midnight)
};

// One call of a published trip at a stop. Times are seconds after the
// service day's local midnight and may pass 24:00.
struct Call {
    int orderNo = 0;    // the stop's number along the line's direction; 0: a stop off the line
    int arrival = 0;
    int departure = 0;
    int sequence = 0;   // the feed's stop_sequence
    int stop = -1;      // index into City::stopIds
};

// A window in which a trip runs every `headwaySeconds` (GTFS frequencies):
// runs leave the first stop at start, start + headway, ... before end.
struct Frequency {
    int start = 0;  // seconds after the service day's start, as Call times
    int end = 0;
    int headwaySeconds = 0;
    bool exactTimes = false;  // the feed promises these very departures, not only the spacing
};

// One trip of a published timetable (GTFS), from its first call to its last
// call at a stop of the line.
struct Trip {
    std::string id;             // the feed's trip_id
    std::string vehicle;        // shown as the licence plate
    std::size_t service = 0;    // index into City::services
    std::vector<Call> calls;
    // When not empty, the calls only give the stop-to-stop times of runs
    // that leave as these windows say; their own times are no departure.
    std::vector<Frequency> frequencies;
};

// On which days a timetable service runs (GTFS calendar).
struct ServiceDays {
    std::string id;
    std::array<bool, 7> weekdays{};  // Monday first
    std::int32_t startDate = 0;      // YYYYMMDD, inclusive
    std::int32_t endDate = 0;
    std::vector<std::int32_t> added;    // YYYYMMDD
    std::vector<std::int32_t> removed;  // YYYYMMDD
    bool runsOn(std::int32_t yyyymmdd, unsigned weekdayMondayFirst) const;
};

struct LineDirection {
    std::vector<std::string> stops;  // in travel order
    std::vector<Trip> trips;         // published timetable, empty for headway lines
    std::vector<int> stopKeys;       // published timetable: each stop's index into City::stopIds
};

struct Line {
    std::int64_t lineId = 0;
    std::int64_t gprsId = 0;  // 0: no live vehicle data
    std::string lineName;
    std::string ticketPrice;
    std::string opTime;
    std::string gjgs;
    std::optional<HeadwayTimetable> headway;
    std::array<std::optional<LineDirection>, 2> directions;
    std::string routeId;  // published timetable: the feed's route_id
    // Published timetable: what realtime alerts may select the line by.
    std::string agencyId;
    int routeType = -1;  // -1: not given
};

// The language a city's riders read the live texts in. Chinese is what the
// app has always been shown and stays the answer for any language without
// texts of its own.
enum class TextLanguage { chinese, english };

struct City {
    std::int64_t cityId = 0;
    std::string name;
    int port = 0;                // preferred port; 0 for none
    int utcOffsetSeconds = 8 * 3600;
    // Published timetables: the zone their times are read in; without it,
    // the fixed offset above.
    std::optional<TimeZone> timeZone;
    std::string platePrefix;
    // Published timetables: from the feed's own language; bundled cities are
    // written for Chinese riders.
    TextLanguage language = TextLanguage::chinese;
    std::vector<Line> lines;
    std::vector<ServiceDays> services;  // published timetables only
    // Published timetables: every stop of the feed by index, with the name
    // it is shown by.
    std::vector<std::string> stopIds;
    std::vector<std::string> stopNames;
    // Published timetables: what the feed got wrong and how it was read
    // all the same, one line each, for the operator to hear once.
    std::vector<std::string> feedFaults;
    // Bundled cities: the alerts their file gives, on the service's clock.
    std::vector<ServiceAlert> alerts;

    const Line* lineById(std::int64_t lineId) const;
    const Line* lineByGprsId(std::int64_t gprsId) const;
    // The zone the city's times are read in: its own, else its fixed offset.
    TimeZone zone() const { return timeZone.value_or(TimeZone(utcOffsetSeconds)); }
};

// Reads one city file (the format of data/cities/*.json). Throws
// std::runtime_error naming the file and the fault.
City loadCityFile(const std::filesystem::path& file);

// Every city file of a data folder, ordered by city id.
std::vector<City> loadDataFolder(const std::filesystem::path& dataDir);

// Checks what the app relies on when it reads the network back: known
// directions, at least two stops each, no bracket in a stop name or in any
// text of a line written into its reply before the stops, unique ids. Throws
// std::runtime_error.
void validateCity(const City& city);

// The text with "[" and "]" turned into "(" and ")". The app cuts a line
// reply's stop array out at the first "[" and the first "]", so no text
// written into a line reply can keep a bracket; every source of a city
// passes its texts through here.
std::string bracketFree(std::string_view text);

// "06:30" -> seconds after midnight.
std::optional<int> parseClockTime(const std::string& text);

}  // namespace bus::standin
