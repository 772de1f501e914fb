// The city layer end to end against loopback services: the request each
// operation makes, the records it reads, what counts as a failure, the
// notice a failure shows, and one connection kept for a run of requests.
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "service/Transport.h"
#include "city/CityService.h"
#include "city/CurrentCity.h"
#include "service/XmlText.h"
#include "support/Language.h"

namespace bus::city {
namespace {

using platform::AlertCenter;
using test::RecordedService;

std::string closedUrl() { return "http://127.0.0.1:" + std::to_string(test::closedPort()); }

std::size_t shownNotices() {
    std::size_t n = 0;
    for (const auto& e : AlertCenter::shared().history())
        if (e.kind == AlertCenter::Event::Shown && e.title == "提醒" && e.message == "无法连接服务器") ++n;
    return n;
}

// The text of tests/service/replies/<name>.
std::string recordedReply(const std::string& name) { return test::readFile(std::string(BUS_SERVICE_REPLIES) + "/" + name); }

// The operation element of a request body, with its parameters.
std::string operationElement(const std::string& body) {
    const auto open = body.find("<ns1:");
    const auto close = body.find("</soapenv:Body>");
    return open == std::string::npos || close == std::string::npos ? "" : body.substr(open, close - open);
}

class CityServiceTest : public testing::Test {
protected:
    void SetUp() override {
        forgetOutages();
        forgetServicesWithoutAlerts();  // a port may come round again
        service.makeCurrentCity();
    }
    RecordedService service;
};

TEST_F(CityServiceTest, QueryCityAsksTheDirectoryWithoutParametersAndReadsEveryCity) {
    service.reply(kQueryCity, recordedReply("queryCity.xml"));
    const auto cities = city::cities(service.url()).value();
    ASSERT_EQ(service.bodies().size(), 1u);
    EXPECT_EQ(operationElement(service.bodies()[0]), "<ns1:queryCity></ns1:queryCity>");
    ASSERT_EQ(cities.size(), 3u);
    EXPECT_EQ(cities[0].cityId, 16);
    EXPECT_EQ(cities[0].cityName, "大同");
    EXPECT_EQ(cities[0].cityUrl, "http://127.0.0.1:28116");
    EXPECT_EQ(cities[2].cityName, "朔州");
}

TEST_F(CityServiceTest, QueryCityGivesNoCitiesForADictionaryOrAFailure) {
    service.reply(kQueryCity, recordedReply("queryCity-dictionary.xml"));
    EXPECT_TRUE(cities(service.url()).value().empty());
    EXPECT_TRUE(AlertCenter::shared().history().empty());
    service.reply(kQueryCity, recordedReply("queryCity.xml"), 503);
    EXPECT_TRUE(cities(service.url()).value().empty());
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
}

TEST_F(CityServiceTest, QueryKeywordSendsTheKeywordAndReadsHitsInOrder) {
    service.reply(kQueryKeyword, recordedReply("queryKeyword.xml"));
    const auto hits = keywordHits("A&B 12").value();
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:queryKeyword><keyword>A&amp;B 12</keyword></ns1:queryKeyword>");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].lineName, "12路");
    EXPECT_EQ(hits[0].attribute, 0);
    EXPECT_EQ(hits[1].stationName, "新开里");
    EXPECT_EQ(hits[1].direction, 1);
    EXPECT_EQ(hits[2].stationName, "A&B <东> 门");
    EXPECT_TRUE(hits[2].cityId.is_null());
}

TEST_F(CityServiceTest, QueryKeywordKeepsNullsAndMissingKeysAsNoneAndSkipsNonDictionaries) {
    service.reply(kQueryKeyword, recordedReply("queryKeyword-odd.xml"));
    const auto hits = keywordHits("7").value();
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_TRUE(hits[0].lineName.is_null());
    EXPECT_TRUE(hits[0].direction.is_null());
    EXPECT_EQ(hits[0].lineId, 7);
    EXPECT_EQ(hits[1].lineId, "8");  // stored as sent
    EXPECT_EQ(integerValue(hits[1].lineId), 8);
    EXPECT_TRUE(hits[1].stationName.is_null());
    EXPECT_EQ(hits[2].lineName, "9路");
    EXPECT_TRUE(hits[2].cityId.is_null());  // not read from the reply
}

TEST_F(CityServiceTest, QueryLineSendsDirectionThenLineAndReadsTheLineWithItsStops) {
    service.reply(kQueryLine, recordedReply("queryLine.xml"));
    const ops::LineReading r = line(1, 12).value();
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:queryLine><direction>1</direction><lineId>12</lineId></ns1:queryLine>");
    ASSERT_TRUE(r.line);
    EXPECT_EQ(r.line->uid, 12);
    EXPECT_EQ(r.line->gprsId, 1201);
    EXPECT_EQ(r.line->opTime, "06:00-21:30");
    ASSERT_EQ(r.stations.size(), 6u);
    for (std::size_t i = 0; i < r.stations.size(); ++i) EXPECT_EQ(r.stations[i].orderNo, i + 1);
    EXPECT_EQ(r.stations[3].stationName, "A&B <东> 门");
    EXPECT_EQ(r.stations[5].flagId, 2);
    EXPECT_EQ(r.endStation, "新开里");
}

TEST_F(CityServiceTest, QueryLineWithoutAStopArrayStillGivesTheLine) {
    service.reply(kQueryLine, recordedReply("queryLine-no-stops.xml"));
    const ops::LineReading r = line(0, 12).value();
    ASSERT_TRUE(r.line);
    EXPECT_EQ(r.line->lineName, "12路");
    EXPECT_EQ(integerValue(r.line->gprsId), 0);
    EXPECT_TRUE(r.stations.empty());
    EXPECT_TRUE(r.endStation.is_null());
}

// A request that got no return text fails, also without a notice (a reply
// without a return element): the screens then keep what they show.
TEST_F(CityServiceTest, QueryLineThatFailsOrHasNoReturnTextFails) {
    service.reply(kQueryLine, recordedReply("queryLine.xml"), 500);
    EXPECT_TRUE(line(0, 12).failed());
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
    service.reply(kQueryLine, test::soapReply(kQueryLine, ""));
    EXPECT_TRUE(line(0, 12).failed());
    EXPECT_EQ(AlertCenter::shared().history().size(), 1u);
}

TEST_F(CityServiceTest, RealBusSendsItsThreeParametersAndSortsVehiclesByStopHighestFirst) {
    service.reply(kRealBus, recordedReply("realBus.xml"));
    const auto vehicles = city::vehicles(1201, 4, 0).value();
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:realBus><gprsId>1201</gprsId><orderNo>4</orderNo><direction>0</direction></ns1:realBus>");
    ASSERT_EQ(vehicles.size(), 3u);
    EXPECT_EQ(vehicles[0].stationNo, 9);
    EXPECT_EQ(vehicles[1].stationNo, 5);
    EXPECT_EQ(vehicles[2].stationNo, 3);
    EXPECT_EQ(vehicles[0].licensePlate, "晋B·1009");
    EXPECT_EQ(vehicles[0].inStation, 1);
    EXPECT_EQ(vehicles[2].toNextStop, "距下站300米");
    for (const auto& v : vehicles) EXPECT_EQ(v.busNum, 1);
}

// A dictionary is an answer without vehicles; no return text is a failure,
// which the data's age on the live screen tells apart.
TEST_F(CityServiceTest, RealBusGivesNoVehiclesForADictionaryOrNoReturnText) {
    service.reply(kRealBus, recordedReply("realBus-dictionary.xml"));
    const auto dictionary = vehicles(1201, 4, 0);
    EXPECT_TRUE(dictionary.value().empty() && !dictionary.failed());
    service.reply(kRealBus, recordedReply("realBus-empty.xml"));
    const auto empty = vehicles(1201, 4, 0);
    EXPECT_TRUE(empty.value().empty() && empty.failed());
    EXPECT_TRUE(AlertCenter::shared().history().empty());
}

TEST_F(CityServiceTest, RealBusForALineWithoutLiveDataAsksNothing) {
    service.reply(kRealBus, recordedReply("realBus.xml"));
    EXPECT_TRUE(vehicles(0, 4, 0).value().empty());
    EXPECT_TRUE(service.bodies().empty());
}

// The text exactly as sent, the text for none included; "" for none.
TEST_F(CityServiceTest, RealBusStationGivesTheTextAsSentOrNone) {
    service.reply(kRealBusStation, recordedReply("realBusStation.xml"));
    EXPECT_EQ(stationText(1201, 3, 1).value(), "还有2站 约4分钟");
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:realBusStation><gprsId>1201</gprsId><orderNo>3</orderNo><direction>1</direction>"
              "</ns1:realBusStation>");
    service.reply(kRealBusStation, recordedReply("realBusStation-empty.xml"));
    EXPECT_EQ(stationText(1201, 3, 1).value(), "");
    service.reply(kRealBusStation, recordedReply("realBusStation.xml"), 500);
    const auto failed = stationText(1201, 3, 1);
    EXPECT_TRUE(failed.value().empty() && failed.failed());
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
}

// A failed request shows the notice when it starts an outage of its service;
// the failures after it show none until a request to that service has gone
// through again. An answer of any shape ends the outage; the bounded
// requests show nothing but end an outage too. Notices are not closed here,
// so each row's count is of every notice so far.
TEST_F(CityServiceTest, QueryAlertSendsLineDirectionAndLanguageAndReadsEachAlert) {
    const std::string text =
        R"([{"id":"a1","title":"改道","text":"绕行","url":"http://x/1","level":"severe","cause":"CONSTRUCTION",)"
        R"("effect":"DETOUR","start":100,"end":0,"stations":[3,"4",5]},)"
        R"({"id":"a2","title":"t","level":"loud","start":"soon","stations":"all"},7,{"level":"info"}])";
    service.reply(kQueryAlert, test::soapReply(kQueryAlert, xml::escape(text)));
    const auto answer = alerts(12, 1, "zh");
    ASSERT_FALSE(answer.failed());
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:queryAlert><lineId>12</lineId><direction>1</direction><lang>zh</lang></ns1:queryAlert>");
    const auto& found = answer.value();
    ASSERT_EQ(found.size(), 3u) << "the element that is no dictionary is left out";
    EXPECT_EQ(found[0].title + found[0].text + found[0].url + found[0].cause + found[0].effect,
              "改道绕行http://x/1CONSTRUCTIONDETOUR");
    EXPECT_EQ(found[0].level, BusAlert::Level::Severe);
    EXPECT_EQ(found[0].start, 100);
    EXPECT_EQ(found[0].stations, (std::vector<std::int64_t>{3, 5}));
    EXPECT_EQ(found[1].level, BusAlert::Level::Warning) << "a level not known";
    EXPECT_EQ(found[1].start, 0);
    EXPECT_TRUE(found[1].stations.empty());
    EXPECT_EQ(found[2].level, BusAlert::Level::Info);
}

// A city service of the designed five operations has no alerts: it is asked
// once, tells the rider nothing, and is asked again only once a city is
// chosen. One that cannot be reached fails quietly and is asked again.
TEST_F(CityServiceTest, AServiceWithoutQueryAlertHasNoAlertsAndIsAskedAgainOnlyAfterACityIsChosen) {
    const struct {
        const char* name;
        int status;
        std::string body;
    } cases[] = {
        {"an unknown operation", 500, ""},  // not registered: the recorded service answers 500
        {"status 404", 404, "<html/>"},
        {"a reply without a return element", 200, "<a/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedService without;
        without.makeCurrentCity();
        if (!c.body.empty()) without.reply(kQueryAlert, c.body, c.status);
        for (int ask = 0; ask < 2; ++ask) {
            const auto answer = alerts(12, 1, "zh");
            EXPECT_FALSE(answer.failed());
            EXPECT_TRUE(answer.value().empty());
        }
        EXPECT_EQ(without.bodies().size(), 1u);
        BusCity same;
        same.cityId = 16, same.cityName = "大同", same.cityUrl = without.url();
        choose(same);
        (void)alerts(12, 1, "zh");
        EXPECT_EQ(without.bodies().size(), 2u);
    }
    platform::UserDefaults::standard().setObject(closedUrl(), "postUrl");
    EXPECT_TRUE(alerts(12, 1, "zh").failed());
    service.makeCurrentCity();
    service.reply(kQueryAlert, test::soapReply(kQueryAlert, "[]"));
    EXPECT_FALSE(alerts(12, 1, "zh").failed());
    EXPECT_EQ(service.bodies().size(), 1u) << "the unreachable one was not written off";
    EXPECT_EQ(shownNotices(), 0u);
}

TEST_F(CityServiceTest, AFailureShowsTheNoticeOncePerOutageOfItsService) {
    RecordedService other;
    const std::string down = closedUrl();
    const struct {
        const char* name;
        RecordedService* at;  // null: nothing listens
        int status;
        std::string body;
        bool failed;
        std::size_t notices;
    } cases[] = {
        {"an answer", &service, 200, recordedReply("queryCity.xml"), false, 0},
        {"a body over the limit", &service, 200, test::soapReply(kQueryCity, std::string(kMaxReplyBytes, 'a')), true, 1},
        {"a server error in the same outage", &service, 500, recordedReply("queryCity.xml"), true, 1},
        {"a refused connection: another service", nullptr, 0, "", true, 2},
        {"another service that answers", &other, 200, recordedReply("queryCity.xml"), false, 2},
        {"no return element: an answer all the same", &service, 200, "<a/>", false, 2},
        {"a server error after it: a new outage", &service, 500, recordedReply("queryCity.xml"), true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.at) c.at->reply(kQueryCity, c.body, c.status);
        const auto answer = cities(c.at ? c.at->url() : down);
        EXPECT_EQ(answer.failed(), c.failed);
        EXPECT_EQ(shownNotices(), c.notices);
    }
    // Seven favourites' rows against a city that does not answer: one notice.
    forgetOutages();
    AlertCenter::shared().clear();
    platform::UserDefaults::standard().setObject(down, "postUrl");
    for (int row = 0; row < 7; ++row) EXPECT_TRUE(stationText(1201, row + 1, 0).failed());
    EXPECT_EQ(shownNotices(), 1u);
    // The bounded requests say nothing, and one that goes through ends the outage.
    EXPECT_TRUE(keywordHitsWithin("7", std::chrono::seconds(5)).failed());
    EXPECT_TRUE(lineWithin(0, 12, std::chrono::seconds(5)).failed());
    EXPECT_EQ(shownNotices(), 1u);
    service.makeCurrentCity();
    service.reply(kQueryKeyword, recordedReply("queryKeyword.xml"));
    EXPECT_FALSE(keywordHitsWithin("7", std::chrono::seconds(5)).failed());
    platform::UserDefaults::standard().setObject(down, "postUrl");
    EXPECT_TRUE(stationText(1201, 1, 0).failed());
    EXPECT_EQ(shownNotices(), 1u);  // the closed port is still down: no success there
    service.makeCurrentCity();
    service.reply(kRealBusStation, recordedReply("realBusStation.xml"), 500);
    EXPECT_TRUE(stationText(1201, 1, 0).failed());
    EXPECT_EQ(shownNotices(), 2u);  // the recorded service had gone through: a new outage
}

// A failed request on a worker does not wait for the main thread; its notice
// comes up there and closes one second later.
TEST_F(CityServiceTest, AFailedRequestOnAWorkerIsShownOnTheMainThread) {
    const std::string url = closedUrl();
    std::atomic<bool> failed{false};
    platform::detachNewThread([&] { failed = cities(url).failed(); });
    // The main loop has not run: a worker that waited for it would hang here.
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(AlertCenter::shared().history().empty());
    platform::RunLoop::main().advance(0.5);
    ASSERT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts()[0]->isTransient());
    platform::RunLoop::main().advance(0.499);
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
    platform::RunLoop::main().advance(0.002);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());
}

// The notice speaks the rider's language.
TEST_F(CityServiceTest, TheFailureNoticeReadsInTheRidersLanguage) {
    const test::InEnglish english;
    EXPECT_TRUE(cities(closedUrl()).failed());
    const auto notice = AlertCenter::shared().frontAlert();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->title() + " | " + notice->message(), "Notice | Cannot reach the server");
}

// Each request is a new client, but the connection to a city's service
// stays open between them: a list that asks once per row opens one.
TEST_F(CityServiceTest, RequestsInARowShareOneConnection) {
    std::mutex mutex;
    std::set<int> clientPorts;
    test::HttpTestServer server;
    server.server().set_keep_alive_max_count(100);
    server.server().set_keep_alive_timeout(1);  // its stop waits out the idle connection
    server.server().Post(".*", [&](const httplib::Request& request, httplib::Response& reply) {
        std::lock_guard lock(mutex);
        clientPorts.insert(request.remote_port);
        reply.set_content(test::soapReply(kRealBusStation, "2站"), "text/xml");
    });
    server.start();
    platform::UserDefaults::standard().setObject(server.baseUrl(), "postUrl");
    for (int row = 0; row < 12; ++row) EXPECT_EQ(stationText(1201, row, 0).value(), "2站");
    std::lock_guard lock(mutex);
    EXPECT_EQ(clientPorts.size(), 1u);
}

}  // namespace
}  // namespace bus::city
