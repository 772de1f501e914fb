// GTFS-realtime on the small feed of tests/standin/feed: vehicle positions
// placed on its lines, trip updates read as minutes, and a feed that goes
// stale or fails falling back to the timetable, logged once. Messages are
// written by the tests; the published sample is only decoded.
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "GtfsRealtime.pb.h"
#include "StandinTestSupport.h"
#include "standin/Gtfs.h"
#include "standin/Operations.h"
#include "standin/Realtime.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

namespace rt = gtfsrt;
using VP = rt::VehiclePosition;
using Update = rt::TripUpdate::StopTimeUpdate;
using test::at;

std::int64_t posix(TimePoint t) { return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count(); }

// One vehicle position as a case writes it; empty texts and negative numbers
// stay unset.
struct Sighting {
    const char* trip = "";
    const char* route = "";
    int direction = -1;
    const char* stop = "";
    int sequence = -1;
    int status = -1;
    const char* plate = "";
    const char* label = "";
};

// One stop time update; unset the same way.
struct StopUpdate {
    int sequence = -1;
    const char* stop = "";
    std::int64_t time = 0;
    int delay = 0;
    bool hasDelay = false;
    int relationship = -1;
};

struct TripChange {
    const char* trip = "T2";
    const char* startDate = "";
    std::vector<StopUpdate> stops;
};

std::string message(std::int64_t timestamp, const std::vector<Sighting>& vehicles,
                    const std::vector<TripChange>& changes = {}) {
    rt::FeedMessage m;
    m.mutable_header()->set_gtfs_realtime_version("2.0");
    m.mutable_header()->set_timestamp(static_cast<std::uint64_t>(timestamp));
    int n = 0;
    for (const auto& s : vehicles) {
        auto* e = m.add_entity();
        e->set_id("e" + std::to_string(++n));
        auto* v = e->mutable_vehicle();
        if (*s.trip) v->mutable_trip()->set_trip_id(s.trip);
        if (*s.route) v->mutable_trip()->set_route_id(s.route);
        if (s.direction >= 0) v->mutable_trip()->set_direction_id(static_cast<std::uint32_t>(s.direction));
        if (*s.stop) v->set_stop_id(s.stop);
        if (s.sequence >= 0) v->set_current_stop_sequence(static_cast<std::uint32_t>(s.sequence));
        if (s.status >= 0) v->set_current_status(static_cast<VP::VehicleStopStatus>(s.status));
        if (*s.plate) v->mutable_vehicle()->set_license_plate(s.plate);
        if (*s.label) v->mutable_vehicle()->set_label(s.label);
    }
    for (const auto& c : changes) {
        auto* e = m.add_entity();
        e->set_id("u" + std::to_string(++n));
        auto* u = e->mutable_trip_update();
        u->mutable_trip()->set_trip_id(c.trip);
        if (*c.startDate) u->mutable_trip()->set_start_date(c.startDate);
        for (const auto& s : c.stops) {
            auto* out = u->add_stop_time_update();
            if (s.sequence >= 0) out->set_stop_sequence(static_cast<std::uint32_t>(s.sequence));
            if (*s.stop) out->set_stop_id(s.stop);
            if (s.time) out->mutable_arrival()->set_time(s.time);
            if (s.hasDelay) out->mutable_arrival()->set_delay(s.delay);
            if (s.relationship >= 0) out->set_schedule_relationship(static_cast<Update::ScheduleRelationship>(s.relationship));
        }
    }
    return m.SerializeAsString();
}

class Realtime : public testing::Test {
protected:
    const std::shared_ptr<const City> city =
        std::make_shared<const City>(importGtfs(BUS_STANDIN_TEST_FEED, GtfsOptions{90, "", 0, 8 * 3600}));
    const Line& line101 = city->lines.at(0);
    const LiveIndex index{*city};
    // A Monday: T1 left the third stop, T2 is on its way to the second.
    ManualClock clock{at("2024-05-06T08:12:00+08:00")};
    const std::filesystem::path file = bus::test::containerRoot() / "live.pb";

    // Vehicles of line 101 outbound as "plate stop at|on", nearest the end first.
    static std::string shown(const std::vector<VehiclePosition>& vehicles) {
        std::string out;
        for (const auto& v : vehicles)
            out += (out.empty() ? "" : ", ") + v.licensePlate + " " + std::to_string(v.stationNo) + (v.inStation ? " at" : " on");
        return out;
    }
    void write(const std::string& bytes) const { std::ofstream(file, std::ios::binary) << bytes; }
};

TEST_F(Realtime, EachVehiclePositionIsPlacedOnItsLineByTripOrByRouteAndStop) {
    struct Case {
        const char* name;
        Sighting seen;
        const char* shows;
    };
    const Case cases[] = {
        {"a trip's stop sequence, standing", {.trip = "T1", .sequence = 3, .status = VP::STOPPED_AT, .label = "V1"}, "V1 3 at"},
        {"a trip's stop id, on its way there", {.trip = "T1", .stop = "S4", .plate = "晋B1", .label = "V1"}, "晋B1 4 on"},
        {"coming in, shown by its block", {.trip = "T1", .stop = "S4", .status = VP::INCOMING_AT}, "B7 4 on"},
        {"at a stop off the line", {.trip = "T4", .stop = "S6", .status = VP::STOPPED_AT}, "T4 5 on"},
        {"at a platform named as a stop of the line", {.trip = "T8", .sequence = 2, .status = VP::STOPPED_AT}, "T8 2 at"},
        {"none of its stops ahead on the line", {.trip = "T9", .stop = "S10"}, ""},
        {"a trip without its stop", {.trip = "T1"}, ""},
        {"a trip the timetable lacks", {.trip = "X1", .route = "R1", .direction = 0, .stop = "S3", .status = VP::STOPPED_AT},
         "e1 3 at"},
        {"by a stop's name", {.route = "R1", .direction = 0, .stop = "S9"}, "e1 2 on"},
        {"a route without a direction", {.route = "R1", .stop = "S3"}, ""},
        {"an unknown route", {.route = "R9", .direction = 0, .stop = "S3"}, ""},
    };
    for (const auto& c : cases) {
        const LiveData data = decodeRealtime(message(posix(clock.now()), {c.seen}), index, {});
        EXPECT_EQ(shown(data.vehiclesOf(line101.lineId, 0)), c.shows) << c.name;
        EXPECT_EQ(data.vehicleReports, 1u) << c.name;
        EXPECT_EQ(data.time, clock.now()) << c.name;
    }
}

TEST_F(Realtime, TheSampleFeedDecodesAndItsUnknownTripIsLeftOut) {
    const TimePoint readAt = clock.now();
    const LiveData data = decodeRealtime(bus::test::readFile(BUS_STANDIN_TEST_REALTIME "/vehicle_position.pb"), index, readAt);
    EXPECT_EQ(data.version, "1.0");
    EXPECT_EQ(data.vehicleReports, 1u);
    EXPECT_TRUE(data.vehicles.empty());
    EXPECT_EQ(data.time, readAt);  // its header has no time
    EXPECT_THROW(decodeRealtime("\x0a\x05not a message", index, readAt), std::runtime_error);
}

// Trip updates without vehicle positions: the timetable's vehicles, with
// minutes for T2, due at the fourth stop at 08:25 and on its way to the second.
TEST_F(Realtime, TripUpdatesGiveTheMinutesUntilAVehicleIsDue) {
    RequestLog log(nullptr);
    LiveFeed feed(city, {{file.string()}, std::chrono::seconds(15)}, "city 90", clock, log);
    const CityService service(city, clock, {}, &feed);
    const auto t = [](const char* hhmmss) { return posix(at(std::string("2024-05-06T") + hhmmss + "+08:00")); };
    struct Case {
        const char* name;
        TripChange change;
        const char* reads;
    };
    const Case cases[] = {
        {"a time at the rider's stop", {.stops = {{.sequence = 4, .time = t("08:19:00")}}}, "还有7分钟"},
        {"part of a minute counts whole", {.stops = {{.stop = "S4", .time = t("08:20:30")}}}, "还有9分钟"},
        {"a delay holds on", {.stops = {{.sequence = 2, .delay = 120, .hasDelay = true}}}, "还有15分钟"},
        {"a time gives the delay", {.stops = {{.stop = "S2", .time = t("08:16:00")}}}, "还有14分钟"},
        {"no data after it", {.stops = {{.sequence = 2, .delay = 120, .hasDelay = true}, {.sequence = 3, .relationship = rt::TripUpdate_StopTimeUpdate_ScheduleRelationship_NO_DATA}}},
         "还有3站"},
        {"the stop skipped", {.stops = {{.sequence = 4, .time = t("08:19:00"), .relationship = rt::TripUpdate_StopTimeUpdate_ScheduleRelationship_SKIPPED}}}, "还有3站"},
        {"the next service day", {.startDate = "20240507", .stops = {{.sequence = 1, .delay = 0, .hasDelay = true}}},
         "还有1453分钟"},
        {"an unknown trip", {.trip = "X1", .stops = {{.sequence = 4, .time = t("08:19:00")}}}, "还有3站"},
    };
    for (const auto& c : cases) {
        write(message(posix(clock.now()), {}, {c.change}));
        feed.poll();
        const Json buses = service.realBus(line101.gprsId, 4, 0);
        std::string reads = "no T2";
        for (const auto& b : buses)
            if (b["licensePlate"] == "T2") reads = b["toNextStop"].get<std::string>();
        EXPECT_EQ(reads, c.reads) << c.name;
        EXPECT_EQ(buses.size(), 3u) << c.name;  // B7, T3 and T2 of the timetable
    }
}

// The log's lines about realtime, each once.
class Fallback : public Realtime {
protected:
    void SetUp() override {
        logFile_ = open_memstream(&logBuffer_, &logSize_);
        log_ = std::make_unique<RequestLog>(logFile_);
    }
    void TearDown() override {
        service_.reset();
        feed_.reset();
        log_.reset();
        std::fclose(logFile_);
        std::free(logBuffer_);
    }
    std::vector<std::string> notes() {
        log_->flush();
        std::fflush(logFile_);
        std::vector<std::string> out;
        std::istringstream in(std::string(logBuffer_, logSize_));
        for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
    void serve(const std::string& source) {
        feed_ = std::make_unique<LiveFeed>(city, LiveSources{{source}, {}}, "city 90", clock, *log_);
        service_ = std::make_unique<CityService>(city, clock, VehicleRules{}, feed_.get());
    }
    std::string buses() { return shown(vehiclesFrom(service_->realBus(line101.gprsId, 5, 0))); }
    static std::vector<VehiclePosition> vehiclesFrom(const Json& buses) {
        std::vector<VehiclePosition> out;
        for (const auto& b : buses)
            out.push_back({b["licensePlate"].get<std::string>(), b["stationNo"].get<int>(), b["inStation"] == 1, nullptr});
        return out;
    }
    std::string timetable() { return shown(vehiclesAt(*city, line101, 0, clock.now(), {})); }

    char* logBuffer_ = nullptr;
    std::size_t logSize_ = 0;
    std::FILE* logFile_ = nullptr;
    std::unique_ptr<RequestLog> log_;
    std::unique_ptr<LiveFeed> feed_;
    std::unique_ptr<CityService> service_;
};

TEST_F(Fallback, StaleOrFailingRealtimeGivesWayToTheTimetableAndSaysSoOnce) {
    serve(file.string());
    const Sighting v1{.trip = "T1", .sequence = 4, .status = VP::STOPPED_AT, .label = "V1"};
    const std::string live = message(posix(clock.now()), {v1});
    EXPECT_EQ(buses(), timetable());  // before the first poll
    struct Step {
        const char* name;
        std::string file;  // "": none
        std::chrono::seconds later;
        bool live;
    };
    const Step steps[] = {
        {"fresh", live, {}, true},
        {"not a message", "garbage", {}, false},
        {"and then gone", "", {}, false},
        {"fresh again", live, {}, true},
        {"ahead of the clock", message(posix(clock.now()) + 121, {v1}), {}, false},
        {"two minutes old", live, std::chrono::seconds(120), true},
        {"older", live, std::chrono::seconds(1), false},
    };
    for (const auto& s : steps) {
        std::filesystem::remove(file);
        if (!s.file.empty()) write(s.file);
        clock.advance(s.later);
        feed_->poll();
        for (int i = 0; i < 2; ++i) EXPECT_EQ(buses(), s.live ? "V1 4 at" : timetable()) << s.name;
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
                       }));
}

TEST_F(Fallback, AnHttpSourceIsReadAndItsFailureIsNamed) {
    bus::test::HttpTestServer server;
    const std::string live = message(posix(clock.now()), {{.trip = "T1", .sequence = 2, .status = VP::STOPPED_AT, .label = "V2"}});
    server.server().Get("/vehicles", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(live, "application/x-protobuf");
    });
    server.start();
    serve(server.baseUrl() + "/vehicles");
    feed_->poll();
    EXPECT_EQ(buses(), "V2 2 at");
    serve(server.baseUrl() + "/elsewhere");
    feed_->poll();
    EXPECT_EQ(buses(), timetable());
    const auto said = notes();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].find("/elsewhere: answered HTTP 404"), std::string::npos) << said[1];
}

}  // namespace
}  // namespace bus::standin
