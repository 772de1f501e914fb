// The stand-in over HTTP on free loopback ports: replies, the WSDL, faults,
// refusals, and clients that misbehave.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "StandinTestSupport.h"

namespace bus::standin {
namespace {

using test::envelope;
using test::faultOf;
using test::post;
using test::returnText;

class OverHttp : public testing::Test {
protected:
    test::RunningStandin running;
    Standin& standin = running.standin();
    std::string city16() { return standin.cityUrl(16); }
    test::Reply call(const std::string& op, const test::Params& params) {
        return post(city16(), envelope(kCityNs, op, params));
    }
};

TEST_F(OverHttp, TheDirectoryListsEveryServedCityAtTheAddressItReallyHas) {
    const auto reply = post(standin.directoryUrl(), envelope(kDirectoryNs, "queryCity", {}));
    EXPECT_EQ(reply.contentType, "text/xml; charset=UTF-8");
    const auto cities = nlohmann::json::parse(returnText(reply, "queryCity"));
    ASSERT_EQ(cities.size(), 3u);
    for (const auto& c : cities) {
        EXPECT_EQ(c["ylzd2"], standin.cityBaseUrl(c["codeValue"].get<std::int64_t>()));
        // Each address answers as a city service.
        const auto r = post(c["ylzd2"].get<std::string>() + kCityPath,
                            envelope(kCityNs, "queryKeyword", {{"keyword", "路"}}));
        EXPECT_FALSE(nlohmann::json::parse(returnText(r, "queryKeyword")).empty());
    }
    EXPECT_EQ(cities[1]["name"], "大同");
}

TEST_F(OverHttp, EveryCityOperationAnswersInsideItsResponseElement) {
    const auto line = nlohmann::json::parse(returnText(call("queryLine", {{"direction", "1"}, {"lineId", "1609"}}), "queryLine"));
    EXPECT_EQ(line["gprsId"], 16009);
    EXPECT_EQ(line["stations"].size(), 40u);
    const auto buses = nlohmann::json::parse(
        returnText(call("realBus", {{"gprsId", "16009"}, {"orderNo", "20"}, {"direction", "1"}}), "realBus"));
    ASSERT_FALSE(buses.empty());
    for (const auto& b : buses) {
        EXPECT_TRUE(b["licensePlate"].is_string());
        EXPECT_TRUE(b["stationNo"].is_number_integer());
        EXPECT_TRUE(b["inStation"] == 0 || b["inStation"] == 1);
        EXPECT_TRUE(b["toNextStop"].is_string());
    }
    const std::string text =
        returnText(call("realBusStation", {{"gprsId", "16009"}, {"orderNo", "20"}, {"direction", "1"}}), "realBusStation");
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(nlohmann::json::accept(text));  // plain text, not JSON
    const auto hits = nlohmann::json::parse(returnText(call("queryKeyword", {{"keyword", "鼓楼"}}), "queryKeyword"));
    EXPECT_GE(hits.size(), 4u);
}

TEST_F(OverHttp, TheReplyFollowsTheClock) {
    const test::Params params{{"gprsId", "16009"}, {"orderNo", "40"}, {"direction", "0"}};
    const std::string first = returnText(call("realBus", params), "realBus");
    EXPECT_EQ(returnText(call("realBus", params), "realBus"), first);  // frozen clock, same buses
    running.clock.advance(std::chrono::minutes(3));
    EXPECT_NE(returnText(call("realBus", params), "realBus"), first);
}

TEST_F(OverHttp, TheAppsReturnCutAndEntityDecodingGiveTheJson) {
    const auto reply = call("queryLine", {{"direction", "0"}, {"lineId", "1601"}});
    const auto open = reply.body.find("<return>");
    const auto close = reply.body.find("</return>");
    ASSERT_NE(open, std::string::npos);
    std::string content = reply.body.substr(open + 8, close - open - 8);
    for (std::size_t p; (p = content.find("&quot;")) != std::string::npos;) content.replace(p, 6, "\"");
    EXPECT_EQ(nlohmann::json::parse(content)["lineId"], 1601);
}

TEST_F(OverHttp, EachEndpointDescribesItselfInWsdl) {
    struct Case {
        std::string url;
        std::set<std::string> operations;
    };
    for (const Case& c : {Case{standin.directoryUrl(), {"queryCity"}},
                          Case{city16(), {"queryKeyword", "queryLine", "realBus", "realBusStation"}}}) {
        const auto reply = test::get(c.url + "?wsdl");
        ASSERT_EQ(reply.status, 200);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(reply.body.c_str()));
        const auto defs = doc.child("wsdl:definitions");
        std::set<std::string> ops;
        for (auto op : defs.child("wsdl:portType").children("wsdl:operation")) ops.insert(op.attribute("name").value());
        EXPECT_EQ(ops, c.operations);
        EXPECT_EQ(std::string(defs.child("wsdl:service").child("wsdl:port").child("soap:address").attribute("location").value()),
                  c.url);
    }
    const auto plain = test::get(city16());
    EXPECT_EQ(plain.status, 405);
    EXPECT_NE(plain.body.find("?wsdl"), std::string::npos);
}

TEST_F(OverHttp, BadRequestsGetSoapFaultsWithStatus500) {
    struct Case {
        std::string body;
        std::string code;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"<soapenv:Envelope><broken", "soap:Client", "malformed XML"},
        {"", "soap:Client", "malformed XML"},
        {envelope(kCityNs, "deleteEverything", {}), "soap:Client", "unknown operation \"deleteEverything\""},
        {envelope(kCityNs, "queryCity", {}), "soap:Client", "unknown operation \"queryCity\""},
        {envelope(kCityNs, "realBus", {{"gprsId", "16009"}, {"direction", "0"}}), "soap:Client",
         "missing parameter \"orderNo\""},
        {envelope(kCityNs, "queryLine", {{"direction", "zero"}, {"lineId", "1601"}}), "soap:Client",
         "\"direction\" must be a whole number"},
        {envelope(kCityNs, "queryLine", {{"direction", "3"}, {"lineId", "1601"}}), "soap:Client", "0 or 1"},
        {"<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><queryCity/></e:Body></e:Envelope>",
         "soap:VersionMismatch", "SOAP 1.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const auto reply = post(city16(), c.body);
        EXPECT_EQ(reply.status, 500);
        const auto fault = faultOf(reply);
        EXPECT_EQ(fault.code, c.code);
        EXPECT_NE(fault.message.find(c.says), std::string::npos) << fault.message;
    }
    const auto wrongService = post(standin.directoryUrl(), envelope(kDirectoryNs, "realBus", {}));
    EXPECT_EQ(wrongService.status, 500);
    EXPECT_NE(faultOf(wrongService).message.find("answers queryCity"), std::string::npos);
}

TEST_F(OverHttp, ABodyOverOneMebibyteIsRefusedAndOneJustUnderIsServed) {
    const std::string head = envelope(kCityNs, "queryKeyword", {{"keyword", "鼓楼"}});
    const std::size_t limit = 1024 * 1024;
    // White space after the root element is allowed XML.
    const std::string fits = head + std::string(limit - head.size(), ' ');
    httplib::Client client("127.0.0.1", test::portOf(standin.cityBaseUrl(16)));
    auto r = client.Post(kCityPath, fits, "text/xml");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    r = client.Post(kCityPath, fits + " ", "text/xml");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 413);
    EXPECT_NE(faultOf({r->status, r->body, ""}).message.find("larger than 1048576 bytes"), std::string::npos);
    // The same client goes on being served.
    r = client.Post(kCityPath, head, "text/xml");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
}

// Opens a connection, writes the bytes and hangs up without reading.
void sendAndHangUp(int port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

TEST_F(OverHttp, ClientsThatHangUpMidRequestDoNotDisturbOthers) {
    const int port = test::portOf(standin.cityBaseUrl(16));
    const std::string body = envelope(kCityNs, "queryKeyword", {{"keyword", "鼓楼"}});
    const std::string headers = std::string("POST ") + kCityPath +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n";
    sendAndHangUp(port, headers + body.substr(0, body.size() / 2));  // half the body
    sendAndHangUp(port, headers.substr(0, 30));                      // half the headers
    sendAndHangUp(port, headers + body);                             // whole, but gone before the reply
    sendAndHangUp(port, "\x16\x03\x01 not http at all\r\n\r\n");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(nlohmann::json::parse(returnText(post(city16(), body), "queryKeyword")).empty());
}

TEST_F(OverHttp, ManyClientsAtOnceAllGetTheSameAnswer) {
    const std::string body = envelope(kCityNs, "realBus", {{"gprsId", "16009"}, {"orderNo", "12"}, {"direction", "0"}});
    const std::string expected = post(city16(), body).body;
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 6; ++t) {
        clients.emplace_back([&] {
            httplib::Client client("127.0.0.1", test::portOf(standin.cityBaseUrl(16)));
            for (int i = 0; i < 25; ++i) {
                const auto r = client.Post(kCityPath, body, "text/xml");
                if (r && r->status == 200 && r->body == expected) ++good;
            }
        });
    }
    for (auto& c : clients) c.join();
    EXPECT_EQ(good.load(), 150);
}

TEST_F(OverHttp, EachRequestIsLoggedOnOneLine) {
    call("realBus", {{"gprsId", "16009"}, {"orderNo", "3"}, {"direction", "0"}});
    call("realBus", {{"gprsId", "x"}, {"orderNo", "3"}, {"direction", "0"}});
    post(standin.directoryUrl(), envelope(kDirectoryNs, "queryCity", {}));
    const std::string log = running.logText();
    std::istringstream lines(log);
    std::vector<std::string> all;
    for (std::string l; std::getline(lines, l);) all.push_back(l);
    ASSERT_EQ(all.size(), 3u) << log;
    const std::regex shape(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (city 16|directory) (realBus|queryCity) (200|500) \d+us$)");
    for (const auto& l : all) EXPECT_TRUE(std::regex_match(l, shape)) << l;
    EXPECT_NE(all[0].find("city 16 realBus 200 "), std::string::npos);
    EXPECT_NE(all[1].find("city 16 realBus 500 "), std::string::npos);
    EXPECT_NE(all[2].find("directory queryCity 200 "), std::string::npos);
}

TEST_F(OverHttp, APortInUseIsReportedAndNothingIsLeftServing) {
    StandinConfig config;
    config.directoryPort = 0;
    config.cities.push_back({test::bundledCity(17), 0});
    config.cities.push_back({test::bundledCity(1), test::portOf(standin.cityBaseUrl(16))});
    RequestLog quiet(nullptr);
    Standin second(config, running.clock, quiet);
    try {
        second.start();
        ADD_FAILURE() << "two services on one port";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(test::portOf(standin.cityBaseUrl(16)))), std::string::npos) << e.what();
    }
    // The city bound before the failure let go of its port.
    const int left = test::portOf(second.cityBaseUrl(17));
    ASSERT_GT(left, 0);
    SoapEndpoint probe({"probe", kCityPath, kCityNs, "Probe", {}, [](const SoapRequest&) { return std::string(); }},
                       quiet);
    EXPECT_EQ(probe.bind("127.0.0.1", left), left);
    // The first stand-in still answers on that port.
    EXPECT_EQ(nlohmann::json::parse(returnText(call("queryLine", {{"direction", "0"}, {"lineId", "1601"}}), "queryLine"))["cityId"],
              16);
}

TEST(RequestLogLines, EveryRecordIsWrittenWholeWhateverTheThreads) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* mem = open_memstream(&buffer, &size);
    {
        RequestLog log(mem);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 500; ++i) log.record("city " + std::to_string(t), "realBus", 200, i);
            });
        for (auto& th : threads) th.join();
        log.record("directory", "", 413, -1);
        EXPECT_EQ(log.count(), 2001u);
    }  // the last lines are written when the log closes
    std::fclose(mem);
    std::istringstream in(std::string(buffer, size));
    std::free(buffer);
    const std::regex shape(R"(^\S+Z city [0-3] realBus 200 \d+us$)");
    std::vector<int> next(4, 0);
    int lines = 0;
    for (std::string l; std::getline(in, l); ++lines) {
        if (lines == 2000) {
            EXPECT_TRUE(l.ends_with(" directory - 413 -")) << l;
            continue;
        }
        ASSERT_TRUE(std::regex_match(l, shape)) << l;
        const int t = l[l.find("city ") + 5] - '0';
        EXPECT_EQ(l.substr(l.rfind(' ') + 1), std::to_string(next[static_cast<std::size_t>(t)]++) + "us");  // in order
    }
    EXPECT_EQ(lines, 2001);
}

TEST(RequestLogLines, AQuietLogCountsButWritesNothing) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* mem = open_memstream(&buffer, &size);
    {
        RequestLog log(mem);
        log.setEnabled(false);
        log.record("city 16", "realBus", 200, 5);
        log.flush();
        EXPECT_EQ(log.count(), 1u);
    }
    std::fclose(mem);
    EXPECT_EQ(size, 0u);
    std::free(buffer);
}

}  // namespace
}  // namespace bus::standin
