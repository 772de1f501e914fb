#include "standin/Network.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "standin/Clock.h"
#include "GtfsRealtime.pb.h"

namespace bus::standin {

bool ServiceDays::runsOn(std::int32_t date, unsigned weekdayMondayFirst) const {
    if (std::find(removed.begin(), removed.end(), date) != removed.end()) return false;
    if (std::find(added.begin(), added.end(), date) != added.end()) return true;
    return date >= startDate && date <= endDate && weekdayMondayFirst < 7 &&
           weekdays[weekdayMondayFirst];
}

const Line* City::lineById(std::int64_t lineId) const {
    for (const auto& line : lines)
        if (line.lineId == lineId) return &line;
    return nullptr;
}

const Line* City::lineByGprsId(std::int64_t gprsId) const {
    if (gprsId == 0) return nullptr;
    for (const auto& line : lines)
        if (line.gprsId == gprsId) return &line;
    return nullptr;
}

std::optional<int> parseClockTime(const std::string& text) {
    int h = 0;
    int m = 0;
    char colon = 0;
    std::istringstream in(text);
    if (!(in >> h >> colon >> m) || colon != ':' || !in.eof() || h < 0 || h > 23 || m < 0 || m > 59)
        return std::nullopt;
    return h * 3600 + m * 60;
}

std::string bracketFree(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '[') c = '(';
        if (c == ']') c = ')';
    }
    return out;
}

namespace {

// A city file keeps its keys in their order: the first language of a text
// is the one shown to a rider who asks for none the text has.
using FileJson = nlohmann::ordered_json;

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& what) {
    throw std::runtime_error(file.string() + ": " + what);
}

std::string twoDigitTime(int seconds) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", (seconds / 3600) % 24, (seconds / 60) % 60);
    return buf;
}

std::vector<std::string> stopNames(const FileJson& list) {
    auto names = list.get<std::vector<std::string>>();
    for (auto& name : names) name = bracketFree(name);
    return names;
}

// Brackets in its texts become parentheses, as in an imported feed.
Line readLine(const FileJson& j, const std::filesystem::path& file) {
    Line line;
    line.lineId = j.at("lineId").get<std::int64_t>();
    line.gprsId = j.value("gprsId", std::int64_t{0});
    line.lineName = bracketFree(j.at("lineName").get<std::string>());
    line.ticketPrice = bracketFree(j.value("ticketPrice", std::string()));
    line.gjgs = bracketFree(j.value("gjgs", std::string()));
    HeadwayTimetable t;
    t.headwaySeconds = static_cast<int>(j.at("headwayMinutes").get<double>() * 60);
    t.runSeconds = j.at("runSeconds").get<int>();
    t.dwellSeconds = j.at("dwellSeconds").get<int>();
    const auto first = parseClockTime(j.at("firstBus").get<std::string>());
    const auto last = parseClockTime(j.at("lastBus").get<std::string>());
    if (!first || !last) fail(file, "line " + line.lineName + ": firstBus/lastBus must be HH:MM");
    t.firstDeparture = *first;
    t.lastDeparture = *last;
    if (t.headwaySeconds <= 0 || t.runSeconds <= 0 || t.dwellSeconds <= 0)
        fail(file, "line " + line.lineName + ": headway, run and dwell times must be positive");
    line.headway = t;
    line.opTime = bracketFree(j.value("opTime", twoDigitTime(t.firstDeparture) + "-" + twoDigitTime(t.lastDeparture)));

    LineDirection outbound;
    outbound.stops = stopNames(j.at("stops"));
    LineDirection inbound;
    if (j.contains("stopsBack")) {
        inbound.stops = stopNames(j.at("stopsBack"));
    } else {
        inbound.stops.assign(outbound.stops.rbegin(), outbound.stops.rend());
    }
    line.directions[0] = std::move(outbound);
    line.directions[1] = std::move(inbound);
    return line;
}

// A text of an alert: one plain string, or an object of texts by language
// tag in the order they are preferred.
TranslatedText alertTexts(const FileJson& j) {
    TranslatedText out;
    if (j.is_string()) {
        out.push_back({"", alertText(j.get<std::string>())});
        return out;
    }
    for (const auto& [language, text] : j.items()) out.push_back({language, alertText(text.get<std::string>())});
    return out;
}

// "YYYY-MM-DDTHH:MM[:SS]" in the city's time, or with an offset of its own.
std::int64_t alertTime(const FileJson& j, const std::string& cityOffset, const std::string& where) {
    const auto text = j.get<std::string>();
    auto t = parseTime(text + cityOffset);
    if (!t) t = parseTime(text);
    if (!t) throw std::runtime_error(where + ": " + text + " is no time like 2024-05-06T08:00 or 2024-05-06T08:00+08:00");
    return std::chrono::duration_cast<std::chrono::seconds>(t->time_since_epoch()).count();
}

// The stop numbers of one direction that a list of stops names, by name or
// by orderNo; a name the direction lacks is nothing there.
void markStops(const FileJson& stops, const LineDirection& dir, AlertTouch& touch, const std::string& where) {
    for (const auto& s : stops) {
        if (s.is_number_integer()) {
            const auto n = s.get<std::int64_t>();
            if (n < 1 || n > static_cast<std::int64_t>(dir.stops.size()))
                throw std::runtime_error(where + ": no stop " + std::to_string(n) + " on the line");
            touch.mark(static_cast<int>(n));
        } else {
            const auto name = bracketFree(s.get<std::string>());
            const auto it = std::find(dir.stops.begin(), dir.stops.end(), name);
            if (it != dir.stops.end()) touch.mark(static_cast<int>(it - dir.stops.begin()) + 1);
        }
    }
}

// One alert of a city file. Each of its "lines" names a lineId, and may name
// a direction and stops (names, or orderNos when a direction is given).
ServiceAlert readAlert(const FileJson& j, const City& city, const std::string& cityOffset) {
    ServiceAlert a;
    a.id = j.at("id").get<std::string>();
    const std::string where = "alert " + a.id;
    a.title = alertTexts(j.at("title"));
    if (j.contains("text")) a.text = alertTexts(j.at("text"));
    if (j.contains("url")) a.url = alertTexts(j.at("url"));
    a.cause = j.value("cause", a.cause);
    a.effect = j.value("effect", a.effect);
    gtfsrt::Alert_Cause cause{};
    gtfsrt::Alert_Effect effect{};
    if (!gtfsrt::Alert_Cause_Parse(a.cause, &cause)) throw std::runtime_error(where + ": no cause " + a.cause);
    if (!gtfsrt::Alert_Effect_Parse(a.effect, &effect)) throw std::runtime_error(where + ": no effect " + a.effect);
    if (j.contains("level")) {
        const auto level = parseLevel(j.at("level").get<std::string>());
        if (!level) throw std::runtime_error(where + ": level must be severe, warning or info");
        a.level = *level;
    } else {
        a.level = levelFor("", a.effect);
    }
    if (j.contains("start") || j.contains("end")) {
        ActivePeriod p;
        if (j.contains("start")) p.start = alertTime(j.at("start"), cityOffset, where);
        if (j.contains("end")) p.end = alertTime(j.at("end"), cityOffset, where);
        a.periods.push_back(p);
    }
    for (const auto& l : j.at("lines")) {
        const auto lineId = l.at("lineId").get<std::int64_t>();
        const Line* line = city.lineById(lineId);
        if (!line) throw std::runtime_error(where + ": no line " + std::to_string(lineId));
        const bool oneWay = l.contains("direction");
        const int only = oneWay ? l.at("direction").get<int>() : -1;
        if (oneWay && (only < 0 || only > 1 || !line->directions[static_cast<std::size_t>(only)]))
            throw std::runtime_error(where + ": line " + line->lineName + " has no direction " + std::to_string(only));
        const bool byStops = l.contains("stops");
        if (byStops && !oneWay)
            for (const auto& s : l.at("stops"))
                if (!s.is_string()) throw std::runtime_error(where + ": stops by number need the line's direction");
        bool any = false;
        for (int d = 0; d < 2; ++d) {
            const auto& dir = line->directions[static_cast<std::size_t>(d)];
            if (!dir || (oneWay && d != only)) continue;
            AlertTouch touch;
            touch.wholeLine = !byStops;
            if (byStops) markStops(l.at("stops"), *dir, touch, where);
            if (!touch.wholeLine && touch.stations.empty()) continue;
            any = true;
            auto& mine = a.touches[{lineId, d}];
            mine.wholeLine = mine.wholeLine || touch.wholeLine;
            for (const int n : touch.stations) mine.mark(n);
        }
        if (!any) throw std::runtime_error(where + ": line " + line->lineName + " has none of its stops");
    }
    if (a.touches.empty()) throw std::runtime_error(where + ": no lines");
    return a;
}

// The texts of a line that its reply writes before the stop array.
void checkLineTexts(const Line& line, const std::string& where) {
    const std::pair<const char*, const std::string*> texts[] = {
        {"lineName", &line.lineName}, {"ticketPrice", &line.ticketPrice}, {"opTime", &line.opTime}, {"gjgs", &line.gjgs}};
    for (const auto& [field, text] : texts)
        if (text->find_first_of("[]") != std::string::npos)
            throw std::runtime_error(where + ": " + field + " with a bracket: " + *text);
}

}  // namespace

void validateCity(const City& city) {
    const std::string where = "city " + std::to_string(city.cityId) + " " + city.name;
    if (city.name.empty()) throw std::runtime_error(where + ": no name");
    std::set<std::int64_t> lineIds;
    std::set<std::int64_t> gprsIds;
    for (const auto& line : city.lines) {
        const std::string lw = where + ", line " + line.lineName;
        if (!lineIds.insert(line.lineId).second) throw std::runtime_error(lw + ": lineId used twice");
        if (line.gprsId != 0 && !gprsIds.insert(line.gprsId).second)
            throw std::runtime_error(lw + ": gprsId used twice");
        checkLineTexts(line, lw);
        bool any = false;
        for (const auto& dir : line.directions) {
            if (!dir) continue;
            any = true;
            if (dir->stops.size() < 2) throw std::runtime_error(lw + ": a direction needs two stops");
            for (const auto& stop : dir->stops) {
                if (stop.empty()) throw std::runtime_error(lw + ": empty stop name");
                if (stop.find_first_of("[]") != std::string::npos)
                    throw std::runtime_error(lw + ": stop name with a bracket: " + stop);
            }
        }
        if (!any) throw std::runtime_error(lw + ": no direction");
    }
}

City loadCityFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) fail(file, "cannot be read");
    FileJson j;
    try {
        j = FileJson::parse(in);
        City city;
        city.cityId = j.at("cityId").get<std::int64_t>();
        city.name = j.at("name").get<std::string>();
        city.port = j.value("port", 0);
        const auto offset = parseUtcOffset(j.value("utcOffset", std::string("+08:00")));
        if (!offset) fail(file, "utcOffset must look like +08:00");
        city.utcOffsetSeconds = *offset;
        city.platePrefix = j.value("platePrefix", std::string());
        for (const auto& l : j.at("lines")) city.lines.push_back(readLine(l, file));
        validateCity(city);
        if (j.contains("alerts"))
            for (const auto& a : j.at("alerts")) city.alerts.push_back(readAlert(a, city, j.value("utcOffset", std::string("+08:00"))));
        return city;
    } catch (const nlohmann::json::exception& e) {
        fail(file, e.what());
    } catch (const std::runtime_error& e) {
        const std::string msg = e.what();
        if (msg.rfind(file.string(), 0) == 0) throw;
        fail(file, msg);
    }
}

std::vector<City> loadDataFolder(const std::filesystem::path& dataDir) {
    const auto dir = dataDir / "cities";
    if (!std::filesystem::is_directory(dir))
        throw std::runtime_error(dir.string() + ": no such folder");
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().extension() == ".json") files.push_back(entry.path());
    std::vector<City> cities;
    for (const auto& f : files) cities.push_back(loadCityFile(f));
    std::sort(cities.begin(), cities.end(),
              [](const City& a, const City& b) { return a.cityId < b.cityId; });
    for (std::size_t i = 1; i < cities.size(); ++i)
        if (cities[i].cityId == cities[i - 1].cityId)
            throw std::runtime_error(dir.string() + ": city " + std::to_string(cities[i].cityId) +
                                     " described twice");
    return cities;
}

}  // namespace bus::standin
