// GTFS-realtime on the test feed: vehicle positions placed on its lines, trip
// updates read as minutes, and stale or failing data giving way to the
// timetable. Messages are written by the tests; the published sample is only decoded.
#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <tuple>

#include <sys/stat.h>
#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "standin/Gtfs.h"
#include "standin/Realtime.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using namespace test;

std::int64_t posix(TimePoint t) { return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count(); }

class Realtime : public testing::Test {
protected:
    const std::shared_ptr<const City> city =
        std::make_shared<const City>(importGtfs(BUS_STANDIN_TEST_FEED, GtfsOptions{90, "", 0, 8 * 3600}));
    const Line& line101 = city->lines.at(0);
    // A Monday: T1 left the third stop, T2 is on its way to the second.
    ManualClock clock{at("2024-05-06T08:12:00+08:00")};
    const std::filesystem::path file = bus::test::containerRoot() / "live.pb";
    MemoryLog log;
    std::unique_ptr<LiveFeed> feed;
    std::unique_ptr<CityService> service;

    void write(const std::string& bytes) const { std::ofstream(file, std::ios::binary) << bytes; }
    void serve(const RealtimeSource& source) {
        service.reset();
        feed = std::make_unique<LiveFeed>(city, LiveSources{{source}}, "city 90", clock, log.log());
        service = std::make_unique<CityService>(city, clock, VehicleRules{}, feed.get());
    }
    // Line 101 outbound as a rider at its fifth stop reads it.
    std::string buses() {
        std::vector<VehiclePosition> out;
        for (const auto& b : service->realBus(line101.gprsId, 5, 0))
            out.push_back({b["licensePlate"].get<std::string>(), b["stationNo"].get<int>(), b["inStation"] == 1});
        return shown(out);
    }
    std::string timetable() { return shown(vehiclesAt(*city, line101, 0, clock.now(), {})); }
    std::vector<std::string> notes() {  // the log's lines without their times
        std::vector<std::string> out;
        std::istringstream in(log.text());
        for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
};

TEST_F(Realtime, EachVehiclePositionIsPlacedOnItsLineByTripOrByRouteAndStop) {
    const LiveIndex index{*city};
    const std::pair<const char*, const char*> cases[] = {
        // the vehicle position, what line 101 outbound shows
        {"trip { trip_id: 'T1' } current_stop_sequence: 3 current_status: STOPPED_AT vehicle { label: 'V1' }", "V1 3 at"},
        {"trip { trip_id: 'T1' } stop_id: 'S4' vehicle { label: 'V1' license_plate: '晋B1' }", "晋B1 4 on"},
        {"trip { trip_id: 'T1' } stop_id: 'S4' current_status: INCOMING_AT", "B7 4 on"},  // shown by its block
        {"trip { trip_id: 'T4' } stop_id: 'S6' current_status: STOPPED_AT", "T4 5 on"},   // at a stop off the line
        // at a platform named as a stop of the line
        {"trip { trip_id: 'T8' } current_stop_sequence: 2 current_status: STOPPED_AT", "T8 2 at"},
        {"trip { trip_id: 'T9' } stop_id: 'S10'", ""},  // none of its stops ahead on the line
        {"trip { trip_id: 'T1' }", ""},                 // without its stop
        // a trip the timetable lacks, placed by route, direction and stop
        {"trip { trip_id: 'X1' route_id: 'R1' direction_id: 0 } stop_id: 'S3' current_status: STOPPED_AT", "e1 3 at"},
        {"trip { route_id: 'R1' direction_id: 0 } stop_id: 'S9'", "e1 2 on"},  // by the stop's name
        {"trip { route_id: 'R1' } stop_id: 'S3'", ""},                       // no direction
        {"trip { route_id: 'R9' direction_id: 0 } stop_id: 'S3'", ""},
    };
    for (const auto& [seen, shows] : cases) {
        const LiveData data = decodeRealtime(message(posix(clock.now()), std::string("vehicle { ") + seen + " }"), index, {});
        EXPECT_EQ(shown(data.vehiclesOf(line101.lineId, 0)), shows) << seen;
        EXPECT_EQ(std::tie(data.vehicleReports, data.time), std::make_tuple(1u, clock.now())) << seen;
    }
    // The published sample: its one vehicle runs a trip of another feed; its header has no time.
    const TimePoint now = clock.now();
    const LiveData sample = decodeRealtime(bus::test::readFile(BUS_STANDIN_TEST_REALTIME "/vehicle_position.pb"), index, now);
    EXPECT_EQ(std::tie(sample.version, sample.vehicleReports, sample.time), std::make_tuple("1.0", 1u, now));
    EXPECT_TRUE(sample.vehicles.empty());
    EXPECT_THROW(decodeRealtime("\x0a\x05not a message", index, now), std::runtime_error);
}

// Trip updates without vehicle positions: the timetable's vehicles (B7, T3 and T2), with
// minutes for T2, due at the fourth stop at 08:25 and on its way to the second.
TEST_F(Realtime, TripUpdatesGiveTheMinutesUntilAVehicleIsDue) {
    serve(file.string());
    const auto t = [](const char* hhmmss) { return std::to_string(posix(at(std::string("2024-05-06T") + hhmmss + "+08:00"))); };
    const std::string t2 = "trip { trip_id: 'T2' } ";
    const std::pair<std::string, const char*> cases[] = {
        {t2 + "stop_time_update { stop_sequence: 4 arrival { time: " + t("08:19:00") + " } }", "还有7分钟"},
        {t2 + "stop_time_update { stop_id: 'S4' arrival { time: " + t("08:20:30") + " } }", "还有9分钟"},  // part of a minute counts whole
        {t2 + "stop_time_update { stop_sequence: 2 arrival { delay: 120 } }", "还有15分钟"},  // a delay holds on
        {t2 + "stop_time_update { stop_id: 'S2' arrival { time: " + t("08:16:00") + " } }", "还有14分钟"},  // a time gives the delay
        {t2 + "stop_time_update { stop_sequence: 2 arrival { delay: 120 } } "
              "stop_time_update { stop_sequence: 3 schedule_relationship: NO_DATA }", "还有3站"},
        {t2 + "stop_time_update { stop_sequence: 4 arrival { time: " + t("08:19:00") + " } schedule_relationship: SKIPPED }", "还有3站"},
        {"trip { trip_id: 'T2' start_date: '20240507' } stop_time_update { stop_sequence: 1 arrival { delay: 0 } }", "还有1453分钟"},
        {"trip { trip_id: 'X1' } stop_time_update { stop_sequence: 4 arrival { time: " + t("08:19:00") + " } }", "还有3站"},
    };
    for (const auto& [update, reads] : cases) {
        write(message(posix(clock.now()), "trip_update { " + update + " }"));
        feed->poll();
        const Json buses = service->realBus(line101.gprsId, 4, 0);
        const auto t2 = std::find_if(buses.begin(), buses.end(), [](const Json& b) { return b["licensePlate"] == "T2"; });
        EXPECT_EQ(t2 == buses.end() ? "no T2" : (*t2)["toNextStop"].get<std::string>(), reads) << update;
        EXPECT_EQ(buses.size(), 3u) << update;
    }
}

// A file source through every change, then an HTTP source.
TEST_F(Realtime, StaleOrFailingDataGivesWayToTheTimetableAndSaysSoOnce) {
    serve(file.string());
    const std::string v1 = "vehicle { trip { trip_id: 'T1' } current_stop_sequence: 4 current_status: STOPPED_AT "
                           "vehicle { label: 'V1' } }";
    const std::string live = message(posix(clock.now()), v1);
    EXPECT_EQ(buses(), timetable());  // before the first poll
    // the file written ("": none), seconds later, whether the data is live
    const std::tuple<const char*, std::string, int, bool> steps[] = {
        {"fresh", live, 0, true},
        {"not a message", "garbage", 0, false},
        {"and then gone", "", 0, false},
        {"fresh again", live, 0, true},
        {"ahead of the clock", message(posix(clock.now()) + 121, v1), 0, false},
        {"two minutes old", live, 120, true},
        {"older", live, 1, false},
    };
    for (const auto& [name, bytes, later, isLive] : steps) {
        std::filesystem::remove(file);
        if (!bytes.empty()) write(bytes);
        clock.advance(std::chrono::seconds(later));
        feed->poll();
        for (int i = 0; i < 2; ++i) EXPECT_EQ(buses(), isLive ? "V1 4 at" : timetable()) << name;
    }
    bus::test::HttpTestServer server;
    const std::string fresh = message(posix(clock.now()), v1);
    server.server().Get("/vehicles", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(fresh, "application/x-protobuf");
    });
    server.start();
    for (const auto& [path, shows] : {std::pair<const char*, const char*>{"/vehicles", "V1 4 at"}, {"/elsewhere", nullptr}}) {
        serve(server.baseUrl() + path);
        feed->poll();
        EXPECT_EQ(buses(), shows ? shows : timetable()) << path;
    }
    const std::string live1 = "city 90 realtime: live data from 1 source(s)";
    const std::string until = "; the timetable serves until the data is fresh again";
    EXPECT_EQ(notes(), (std::vector<std::string>{
                           live1,
                           "city 90 realtime: " + file.string() + ": not a GTFS-realtime message (7 bytes)" + until,
                           live1,
                           "city 90 realtime: the newest data is 121 s ahead of the clock" + until,
                           live1,
                           "city 90 realtime: the newest data is 121 s old" + until,
                           live1,
                           "city 90 realtime: " + server.baseUrl() + "/elsewhere: answered HTTP 404" + until,
                       }));
}

// A source that wants a key in a header and one in its address, both given
// with placeholders: asked with them it goes live, also through a redirect
// on its host; refused, or sent on to another host, the log says why, and no
// line holds a key.
TEST_F(Realtime, AKeyedSourceIsAskedWithItsKeysAndNoLogLineHoldsThem) {
    const std::string headerKey = "h-K3y-7781", queryKey = "q-K3y-4410";
    const std::string fresh = message(posix(clock.now()), "vehicle { trip { trip_id: 'T1' } current_stop_sequence: 4 "
                                                          "current_status: STOPPED_AT vehicle { label: 'V1' } }");
    bus::test::HttpTestServer server;
    server.server().Get("/vp", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("X-Api-Key") != headerKey) res.status = 401;
        else if (req.get_param_value("api_key") != queryKey) res.status = 403;
        else res.set_content(fresh, "application/x-protobuf");
    });
    server.server().Get("/moved", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect("/vp?api_key=" + queryKey); });
    server.server().Get("/away", [&](const httplib::Request& req, httplib::Response& res) {  // the same server by another name
        const std::string host = req.get_header_value("Host");
        res.set_redirect("http://localhost" + host.substr(host.find(':')) + "/vp?api_key=" + queryKey);
    });
    server.start();
    const std::string base = server.baseUrl();
    const auto keys = environment({{"HEADER_KEY", headerKey}, {"QUERY_KEY", queryKey}});
    // the path, the header's value, what the log says after the address ("": live)
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"/vp?api_key={env:QUERY_KEY}", "{env:HEADER_KEY}", ""},
        {"/vp?api_key=wrong", "{env:HEADER_KEY}", "/vp?api_key=*** [x-api-key: ***]: answered HTTP 403"},
        {"/vp?api_key={env:QUERY_KEY}", "wrong", "/vp?api_key=*** [x-api-key: ***]: answered HTTP 401"},
        {"/moved", "{env:HEADER_KEY}", ""},
        {"/away", "{env:HEADER_KEY}",
         "/away [x-api-key: ***]: answered HTTP 302 towards another host, which is not sent the source's headers"},
    };
    for (const auto& [path, header, says] : cases) {
        const auto source = makeRealtimeSource(base + path, {{"x-api-key", header}}, {keys, {}});
        ASSERT_TRUE(std::holds_alternative<RealtimeSource>(source)) << std::get<std::string>(source);
        serve(std::get<RealtimeSource>(source));
        feed->poll();
        EXPECT_EQ(buses(), says.empty() ? "V1 4 at" : timetable()) << path;
        EXPECT_EQ(notes().back(), "city 90 realtime: " + (says.empty() ? "live data from 1 source(s)"
                                                                        : base + says + "; the timetable serves until the data is fresh again"));
    }
    const std::string logged = log.text();
    for (const auto& key : {headerKey, queryKey}) EXPECT_EQ(logged.find(key), std::string::npos) << logged;
}

// Times no time point holds (milliseconds, the edges of 64 bits): a message made then is out of date,
// said once, and an arrival then gives no minutes. The sanitizer build fails on any overflow here.
TEST_F(Realtime, TimesOutOfRangeCountAsOutOfDate) {
    serve(file.string());
    const std::uint64_t now = posix(clock.now());
    for (std::uint64_t stamp : {now * 1000, std::uint64_t{INT64_MAX}, std::uint64_t{INT64_MAX} + 1, UINT64_MAX}) {
        write(message(stamp, "vehicle { trip { trip_id: 'T1' } current_stop_sequence: 4 current_status: STOPPED_AT }"));
        for (int i = 0; i < 2; ++i) {
            feed->poll();
            EXPECT_EQ(buses(), timetable()) << stamp;
        }
    }
    for (std::int64_t time : {INT64_MIN, INT64_MAX, static_cast<std::int64_t>(now * 1000)}) {
        write(message(now, "trip_update { trip { trip_id: 'T2' } stop_time_update { stop_sequence: 4 arrival { time: " +
                               std::to_string(time) + " } } }"));
        feed->poll();
        EXPECT_EQ(service->realBus(line101.gprsId, 4, 0).back()["toNextStop"], "还有3站") << time;  // T2, the last
    }
    EXPECT_EQ(notes(), (std::vector<std::string>{"city 90 realtime: " + file.string() + ": the message's timestamp " +
                                                     std::to_string(now * 1000) + " is no time in seconds; the timetable "
                                                     "serves until the data is fresh again",
                                                 "city 90 realtime: live data from 1 source(s)"}));
}

// Sources that would hold the poll, or the memory, for ever: each fails the
// poll within its limits, says so once, and the timetable serves. The slow
// source paces itself by waiting for the end of the test.
TEST_F(Realtime, ASourceTooLargeOrTooSlowFailsThePollWithinItsLimits) {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bus::test::HttpTestServer server;
    server.server().Get("/endless", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/x-protobuf", [](std::size_t offset, httplib::DataSink& sink) {
            static const std::string block(64 * 1024, '\x0a');
            return offset < (16u << 20) && sink.write(block.data(), block.size());
        });
    });
    server.server().Get("/trickle", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/x-protobuf", [&](std::size_t offset, httplib::DataSink& sink) {
            std::unique_lock<std::mutex> lock(mutex);
            return offset < 50 && !ended.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; }) &&
                   sink.write("\x0a", 1);
        });
    });
    server.start();
    write(std::string(2000, '\x0a'));
    const auto pipe = file.parent_path() / "live.fifo";  // opening it would wait for a writer for ever
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {server.baseUrl() + "/endless", "holds more than 1000 bytes, the most one message may have"},
        {file.string(), "holds more than 1000 bytes, the most one message may have"},
        {pipe.string(), "is not a regular file"},
        {server.baseUrl() + "/trickle", "was not read within the poll's 1 s"},
    };
    for (const auto& [source, says] : cases) {
        service.reset();
        feed = std::make_unique<LiveFeed>(city, LiveSources{{source}, std::chrono::seconds(15), 1000, std::chrono::seconds(1)},
                                          "city 90", clock, log.log());
        service = std::make_unique<CityService>(city, clock, VehicleRules{}, feed.get());
        feed->poll();
        EXPECT_EQ(buses(), timetable()) << source;
        EXPECT_EQ(notes().back(), "city 90 realtime: " + source + ": " + says + "; the timetable serves until the data is fresh again");
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    ended.notify_all();
}

}  // namespace
}  // namespace bus::standin
