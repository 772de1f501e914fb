// Service alerts: what realtime alerts select on the test feed, which
// language and level they are served in, and how far a hostile message can
// make them grow.
#include <tuple>

#include <gtest/gtest.h>

#include "GtfsRealtime.pb.h"
#include "StandinTestSupport.h"
#include "standin/Gtfs.h"
#include "standin/Realtime.h"

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
    const std::int64_t now = posix(at("2024-05-06T08:12:00+08:00"));

    LiveData decode(const std::vector<std::string>& entities) { return decodeRealtime(message(now, entities), index, {}); }
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

}  // namespace
}  // namespace bus::standin
