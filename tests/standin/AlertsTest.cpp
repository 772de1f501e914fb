// Service alerts: what realtime alerts select on the test feed, when they
// hold on the manual clock, which language and level they are served in,
// queryAlert as a client calls it, and the alert bundled with 大同.
#include <algorithm>
#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

#include "GtfsRealtime.pb.h"
#include "StandinTestSupport.h"
#include "standin/Gtfs.h"
#include "standin/Operations.h"
#include "standin/Realtime.h"
#include "support/TestSupport.h"

namespace bus::standin {
namespace {

using namespace test;

std::int64_t posix(TimePoint t) { return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count(); }

// What an alert touches, as "line/direction" for a whole direction and
// "line/direction:orderNo,..." for stops on it.
std::string touched(const ServiceAlert& a) {
    std::string out;
    for (const auto& [key, touch] : a.touches) {
        // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping copy.
        if (!out.empty()) out += ' ';
        out.append(std::to_string(key.first)).append("/").append(std::to_string(key.second));
        if (touch.wholeLine) continue;
        for (std::size_t i = 0; i < touch.stations.size(); ++i) out.append(i ? "," : ":").append(std::to_string(touch.stations[i]));
    }
    return out;
}

// The test feed's lines: 1 (route R1) runs 北站 S1, 广场 S2 (S9 shares the
// name), 医院 S3, 老街 S4, 南站 S5 and back; 2 (route R2) runs 南站, 湖滨 S7,
// 北站 one way. Both are agency A1's buses (route_type 3).
class Alerts : public testing::Test {
protected:
    const std::shared_ptr<const City> city =
        std::make_shared<const City>(importGtfs(BUS_STANDIN_TEST_FEED, GtfsOptions{90, "", 0, 8 * 3600}));
    const LiveIndex index{*city};
    ManualClock clock{at("2024-05-06T08:12:00+08:00")};
    const std::int64_t now = posix(clock.now());
    const std::filesystem::path file = bus::test::containerRoot() / "alerts.pb";
    MemoryLog log;
    LiveFeed feed{city, LiveSources{{file.string()}}, "city 90", clock, log.log()};
    CityService service{city, clock, VehicleRules{}, &feed};

    LiveData decode(const std::vector<std::string>& entities) { return decodeRealtime(message(now, entities), index, {}); }
    // Serves the entities as the city's realtime source.
    void serve(const std::vector<std::string>& entities) {
        std::ofstream(file, std::ios::binary) << message(now, entities);
        feed.poll();
    }
    std::string ids(const Json& alerts) {
        std::string out;
        for (const auto& a : alerts) out.append(out.empty() ? "" : " ").append(a["id"].get<std::string>());
        return out;
    }
};

TEST_F(Alerts, EachKindOfInformedEntitySelectsItsLinesDirectionsAndStops) {
    const std::pair<const char*, const char*> cases[] = {
        {"informed_entity { agency_id: 'A1' }", "1/0 1/1 2/0"},
        {"informed_entity { agency_id: 'A9' }", ""},
        {"informed_entity { route_type: 3 }", "1/0 1/1 2/0"},
        {"informed_entity { route_type: 0 }", ""},
        {"informed_entity { agency_id: 'A1' route_id: 'R2' }", "2/0"},
        {"informed_entity { route_id: 'R1' }", "1/0 1/1"},
        {"informed_entity { route_id: 'R1' direction_id: 1 }", "1/1"},
        {"informed_entity { route_id: 'R3' }", ""},  // a route without trips is no line
        {"informed_entity { route_id: 'R9' }", ""},
        {"informed_entity { trip { trip_id: 'T5' } }", "1/1"},
        {"informed_entity { trip { trip_id: 'T7' } }", "2/0"},
        {"informed_entity { trip { route_id: 'R2' } }", "2/0"},
        {"informed_entity { trip { trip_id: 'T5' } direction_id: 0 }", ""},  // the trip runs the other way
        {"informed_entity { trip { trip_id: 'T5' } route_id: 'R2' }", ""},
        {"informed_entity { trip { trip_id: 'X1' } }", ""},
        {"informed_entity { stop_id: 'S5' }", "1/0:5 1/1:1 2/0:1"},
        {"informed_entity { stop_id: 'S9' }", "1/0:2 1/1:4"},  // by its name
        {"informed_entity { stop_id: 'S6' }", ""},             // only a trip off the line calls there
        {"informed_entity { stop_id: 'S99' }", ""},
        {"informed_entity { route_id: 'R1' stop_id: 'S5' }", "1/0:5 1/1:1"},
        {"informed_entity { route_id: 'R1' direction_id: 0 stop_id: 'S1' }", "1/0:1"},
        {"informed_entity { trip { trip_id: 'T7' } stop_id: 'S1' }", "2/0:3"},
        {"informed_entity { direction_id: 0 }", ""},  // selects no line
        // Several entities add up; a whole direction keeps no stops.
        {"informed_entity { route_id: 'R2' } informed_entity { stop_id: 'S5' }", "1/0:5 1/1:1 2/0"},
        {"informed_entity { route_id: 'R1' stop_id: 'S5' } informed_entity { route_id: 'R1' stop_id: 'S1' }",
         "1/0:1,5 1/1:1,5"},
        {"informed_entity { stop_id: 'S99' } informed_entity { trip { trip_id: 'T7' } }", "2/0"},
    };
    for (const auto& [entities, selects] : cases) {
        const LiveData data = decode({std::string("id: 'a' alert { ") + entities + " }"});
        EXPECT_EQ(data.alerts.empty() ? "" : touched(data.alerts.at(0)), selects) << entities;
        EXPECT_LE(data.alerts.size(), 1u);  // one that selects nothing is not kept
    }
    // Alerts come with the vehicles and trip updates of the same message.
    const LiveData mixed = decode({"id: 'v' vehicle { trip { trip_id: 'T1' } current_stop_sequence: 3 }",
                                   "id: 'a' alert { informed_entity { route_id: 'R1' } }"});
    EXPECT_EQ(std::make_tuple(mixed.vehicleReports, mixed.alerts.size()), std::make_tuple(1u, 1u));
}

TEST_F(Alerts, AnAlertHoldsWithinOneOfItsPeriodsOnTheClock) {
    const auto s = [&](std::int64_t offset) { return std::to_string(now + offset); };
    const std::tuple<const char*, std::string, const char*> cases[] = {
        // name, active periods, the start and end served ("": not active)
        {"no period", "", "0 0"},
        {"before the start", "active_period { start: " + s(60) + " end: " + s(120) + " }", ""},
        {"inside", "active_period { start: " + s(-60) + " end: " + s(60) + " }", "-60 60"},
        {"from its start on", "active_period { start: " + s(-60) + " }", "-60 0"},
        {"an end of 0 is none", "active_period { start: " + s(-60) + " end: 0 }", "-60 0"},
        {"until its end", "active_period { end: " + s(60) + " }", "0 60"},
        {"at its end", "active_period { start: " + s(-60) + " end: " + s(0) + " }", ""},
        {"after the end", "active_period { start: " + s(-120) + " end: " + s(-60) + " }", ""},
        {"the period that holds", "active_period { end: " + s(-60) + " } active_period { start: " + s(-30) + " }", "-30 0"},
        {"a start past any clock", "active_period { start: 18446744073709551615 }", ""},
    };
    for (const auto& [name, periods, served] : cases) {
        serve({"id: 'a' alert { " + periods + " informed_entity { route_id: 'R1' } }"});
        const Json alerts = service.queryAlert(1, 0, "");
        std::string got;
        if (!alerts.empty()) {
            const auto relative = [&](const Json& t) { return t == 0 ? std::string("0") : std::to_string(t.get<std::int64_t>() - now); };
            got = relative(alerts[0]["start"]) + " " + relative(alerts[0]["end"]);
        }
        EXPECT_EQ(got, served) << name;
    }
    // Data gone stale takes its alerts with it, as it does its vehicles.
    clock.advance(LiveFeed::kFreshFor + std::chrono::seconds(1));
    EXPECT_EQ(service.queryAlert(1, 0, ""), Json::array());
}

TEST(AlertTexts, TheRequestsLanguageIsPickedByTagElseTheUntaggedElseTheFirst) {
    const TranslatedText texts = {{"en-US", "US"}, {"", "默认"}, {"zh-Hans", "简体"}, {"zh", "中文"}};
    const TranslatedText tagged = {{"en", "E"}, {"zh", "Z"}};
    const std::tuple<const TranslatedText*, const char*, const char*> cases[] = {
        {&texts, "en", "US"},     {&texts, "EN", "US"},      {&texts, "en-us", "US"},
        {&texts, "en-GB", "默认"}, {&texts, "zh", "简体"},     {&texts, "zh-CN", "中文"},
        {&texts, "fr", "默认"},    {&texts, "", "默认"},       {&texts, "e", "默认"},  // a tag matches whole subtags
        {&tagged, "fr", "E"},     {&tagged, "ZH-TW", "Z"},   {&tagged, "", "E"},
    };
    for (const auto& [list, lang, picked] : cases) EXPECT_EQ(pickTranslation(*list, lang), picked) << lang;
    EXPECT_EQ(pickTranslation({}, "zh"), "");
}

TEST(AlertLevels, FollowTheSeverityElseWhetherTheEffectChangesTheService) {
    const std::tuple<const char*, const char*, AlertLevel> cases[] = {
        {"SEVERE", "NO_EFFECT", AlertLevel::severe},      {"INFO", "NO_SERVICE", AlertLevel::info},
        {"WARNING", "NO_EFFECT", AlertLevel::warning},    {"", "NO_SERVICE", AlertLevel::warning},
        {"UNKNOWN_SEVERITY", "REDUCED_SERVICE", AlertLevel::warning}, {"", "DETOUR", AlertLevel::warning},
        {"", "STOP_MOVED", AlertLevel::warning},          {"", "SIGNIFICANT_DELAYS", AlertLevel::info},
        {"", "UNKNOWN_EFFECT", AlertLevel::info},         {"UNKNOWN_SEVERITY", "ACCESSIBILITY_ISSUE", AlertLevel::info},
    };
    for (const auto& [severity, effect, level] : cases)
        EXPECT_STREQ(levelName(levelFor(severity, effect)), levelName(level)) << severity << " " << effect;
}

// The most severe first, then the later start; each alert in full as a client reads it.
TEST_F(Alerts, QueryAlertServesTheMostSevereFirstThenTheNewestInTheAskedLanguage) {
    const auto since = [&](std::int64_t ago) { return "active_period { start: " + std::to_string(now - ago) + " } "; };
    const std::string r1 = "informed_entity { route_id: 'R1' } ";
    serve({"id: 'old-warning' alert { " + since(7200) + r1 + "effect: DETOUR }",
           "id: 'info' alert { " + since(60) + r1 + "effect: ADDITIONAL_SERVICE }",
           "id: 'new-warning' alert { " + since(600) + r1 + "severity_level: WARNING }",
           "id: 'severe' alert { " + since(86400) + r1 + "severity_level: SEVERE }",
           "id: 'always' alert { " + r1 + "effect: NO_SERVICE }",
           "id: 'stop' alert { informed_entity { stop_id: 'S4' } cause: WEATHER effect: STOP_MOVED "
           "header_text { translation { text: '老街站迁移' language: 'zh' } translation { text: 'Stop moved' language: 'en' } } "
           "description_text { translation { text: '雨天' } } url { translation { text: 'http://127.0.0.1/a' } } }",
           "id: 'other-line' alert { informed_entity { route_id: 'R2' } severity_level: SEVERE }"});
    EXPECT_EQ(ids(service.queryAlert(1, 0, "")), "severe new-warning old-warning always stop info");
    const Json stop = service.queryAlert(1, 1, "en-GB")[4];
    EXPECT_EQ(stop.dump(), R"({"id":"stop","title":"Stop moved","text":"雨天","url":"http://127.0.0.1/a","level":"warning",)"
                           R"("cause":"WEATHER","effect":"STOP_MOVED","start":0,"end":0,"stations":[2]})");
    EXPECT_EQ(service.queryAlert(1, 0, "zh")[4]["title"], "老街站迁移");
    EXPECT_EQ(service.queryAlert(1, 0, "")[0]["cause"], "UNKNOWN_CAUSE");
    EXPECT_EQ(ids(service.queryAlert(2, 0, "")), "other-line");
}

TEST_F(Alerts, QueryAlertThroughTheSoapHandlingAnswersEmptyOrAFault) {
    serve({"id: 'a' alert { informed_entity { route_id: 'R2' } header_text { translation { text: '夜间' } } }"});
    const auto call = [&](const Params& params) { return service.handle(parseRequest(envelope(kCityNs, "queryAlert", params))); };
    const std::tuple<const char*, Params, std::string> cases[] = {
        // name, parameters, the return text or (with "fault: ") part of the fault
        {"a line without alerts", {{"lineId", "1"}, {"direction", "0"}, {"lang", "zh"}}, "[]"},
        {"no language asked", {{"lineId", "2"}, {"direction", "0"}}, "夜间"},
        {"a direction the line lacks", {{"lineId", "2"}, {"direction", "1"}, {"lang", ""}}, ""},
        {"an unknown line", {{"lineId", "999999"}, {"direction", "0"}, {"lang", ""}}, ""},
        {"a direction of 5", {{"lineId", "1"}, {"direction", "5"}, {"lang", ""}}, "fault: must be 0 or 1"},
        {"no line", {{"direction", "0"}, {"lang", ""}}, "fault: missing parameter \"lineId\""},
        {"a line that is no number", {{"lineId", "1路"}, {"direction", "0"}}, "fault: must be a whole number"},
    };
    for (const auto& [name, params, returns] : cases) {
        std::string got;
        try {
            got = call(params);
        } catch (const SoapFault& f) {
            got = "fault: " + f.code() + " " + f.what();
        }
        if (returns.rfind("fault: ", 0) == 0) {
            EXPECT_EQ(got.rfind("fault: Client ", 0), 0u) << name << ": " << got;
            EXPECT_NE(got.find(returns.substr(7)), std::string::npos) << name << ": " << got;
        } else if (returns == "夜间") {
            EXPECT_EQ(Json::parse(got).at(0)["title"], returns) << name;
        } else {
            EXPECT_EQ(got, returns) << name;
        }
    }
    EXPECT_NE(std::find_if(CityService::operations().begin(), CityService::operations().end(),
                           [](const WsdlOperation& op) { return op.name == "queryAlert"; }),
              CityService::operations().end());
}

// Alerts far beyond any real city's: a message can make them only as large
// as their kept parts, and texts stay valid UTF-8.
TEST_F(Alerts, HostileAlertsAreCutToBoundedTextsTranslationsAndCounts) {
    gtfsrt::FeedMessage m;
    m.mutable_header()->set_gtfs_realtime_version("2.0");
    m.mutable_header()->set_timestamp(static_cast<std::uint64_t>(now));
    auto* e = m.add_entity();
    e->set_id("big\xFF");
    auto* a = e->mutable_alert();
    for (int i = 0; i < 100000; ++i) a->add_informed_entity()->set_agency_id("A1");
    for (int i = 0; i < 100; ++i) {
        auto* t = a->mutable_header_text()->add_translation();
        const std::string n = std::to_string(i);
        t->set_text(std::string("t").append(n));
        t->set_language(std::string("x").append(n));
    }
    std::string longText;
    while (longText.size() < 3 * kMaxAlertTextBytes) longText += "长";
    a->mutable_description_text()->add_translation()->set_text(longText);
    a->mutable_url()->add_translation()->set_text("bad \xC3\x28 byte");
    for (int i = 0; i < 1000; ++i) a->add_active_period()->set_start(static_cast<std::uint64_t>(now + 1000 + i));
    const LiveData data = decodeRealtime(m.SerializeAsString(), index, {});
    ASSERT_EQ(data.alerts.size(), 1u);
    const ServiceAlert& got = data.alerts[0];
    EXPECT_EQ(touched(got), "1/0 1/1 2/0");
    EXPECT_EQ(got.id, "big\xEF\xBF\xBD");
    EXPECT_EQ(got.title.size(), kMaxTranslations);
    EXPECT_EQ(pickTranslation(got.title, "x40"), "t0");  // dropped: the first serves
    EXPECT_EQ(got.text.at(0).text.size(), kMaxAlertTextBytes / 3 * 3);  // cut between characters
    EXPECT_EQ(validUtf8(got.text.at(0).text), got.text.at(0).text);
    EXPECT_EQ(got.url.at(0).text, "bad \xEF\xBF\xBD( byte");
    EXPECT_EQ(got.periods.size(), kMaxAlertPeriods);

    gtfsrt::FeedMessage many;
    *many.mutable_header() = m.header();
    for (std::size_t i = 0; i <= kMaxAlertsPerMessage; ++i) {
        auto* x = many.add_entity();
        x->set_id(std::to_string(i));
        x->mutable_alert()->add_informed_entity()->set_route_id("R1");
    }
    EXPECT_EQ(decodeRealtime(many.SerializeAsString(), index, {}).alerts.size(), kMaxAlertsPerMessage);
}

// 大同 carries one alert in its file, with no realtime source: line 9's
// 古城墙 stop (37th out, 4th back), at any hour.
TEST(BundledAlerts, DatongShowsItsStopMovedOnLine9AtAnyHour) {
    ManualClock clock;
    const CityService service(bundledCity(16), clock);
    for (const char* time : {"2024-05-06T03:00:00+08:00", "2024-05-06T12:00:00+08:00", "2031-12-31T23:59:59+08:00"}) {
        clock.set(at(time));
        const Json out = service.queryAlert(1609, 0, "zh"), back = service.queryAlert(1609, 1, "en");
        ASSERT_EQ(std::make_tuple(out.size(), back.size()), std::make_tuple(1u, 1u)) << time;
        EXPECT_EQ(std::make_tuple(out[0]["title"], out[0]["level"], out[0]["effect"], out[0]["stations"]),
                  std::make_tuple(Json("9路古城墙站临时迁移"), Json("warning"), Json("STOP_MOVED"), Json({37})))
            << time;
        EXPECT_EQ(std::make_tuple(back[0]["title"], back[0]["stations"]), std::make_tuple(Json("Route 9: Gucheng Wall stop moved"), Json({4})));
        EXPECT_EQ(service.queryAlert(1609, 0, "")[0]["title"], out[0]["title"]);  // the file's first language
        EXPECT_EQ(service.queryAlert(1601, 0, "zh"), Json::array()) << time;
    }
}

TEST(BundledAlerts, ACityFilesAlertIsReadOnItsClockOrRefusedWithItsFault) {
    const std::string lines = R"("lines": [{"lineId": 1, "lineName": "1路", "firstBus": "06:00", "lastBus": "22:00",
        "headwayMinutes": 10, "runSeconds": 60, "dwellSeconds": 20, "stops": ["甲", "乙", "丙"], "stopsBack": ["丙", "丁", "甲"]}])";
    const auto file = bus::test::containerRoot() / "alerts.json";
    const auto load = [&](const std::string& alert) {
        std::ofstream(file) << R"({"cityId": 5, "name": "测试", "utcOffset": "+09:00", )" + lines + R"(, "alerts": [)" + alert + "]}";
        return loadCityFile(file);
    };
    const City city = load(R"({"id": "a", "title": "封站", "level": "severe", "start": "2024-05-06T08:00",
        "end": "2024-05-06T09:00+08:00", "lines": [{"lineId": 1, "stops": ["甲", "丁"]}, {"lineId": 1, "direction": 0, "stops": [2]}]})");
    const ServiceAlert& a = city.alerts.at(0);
    EXPECT_EQ(touched(a), "1/0:1,2 1/1:2,3");
    EXPECT_EQ(std::make_tuple(a.periods.at(0).start, a.periods.at(0).end, a.level, a.effect),
              std::make_tuple(posix(at("2024-05-06T07:00:00+08:00")), posix(at("2024-05-06T09:00:00+08:00")),
                              AlertLevel::severe, std::string("UNKNOWN_EFFECT")));
    const std::pair<std::string, std::string> faults[] = {
        {R"({"id": "a", "title": "x", "lines": [{"lineId": 7}]})", "alert a: no line 7"},
        {R"({"id": "a", "title": "x", "lines": [{"lineId": 1, "stops": ["戊"]}]})", "has none of its stops"},
        {R"({"id": "a", "title": "x", "lines": [{"lineId": 1, "stops": [2]}]})", "need the line's direction"},
        {R"({"id": "a", "title": "x", "lines": [{"lineId": 1, "direction": 0, "stops": [4]}]})", "no stop 4"},
        {R"({"id": "a", "title": "x", "cause": "RAIN", "lines": [{"lineId": 1}]})", "no cause RAIN"},
        {R"({"id": "a", "title": "x", "level": "high", "lines": [{"lineId": 1}]})", "level must be"},
        {R"({"id": "a", "title": "x", "start": "soon", "lines": [{"lineId": 1}]})", "soon is no time"},
        {R"({"id": "a", "title": "x", "lines": []})", "no lines"},
    };
    for (const auto& [alert, says] : faults) expectRefused([&] { load(alert); }, says);
}

}  // namespace
}  // namespace bus::standin
