// The client as a service sees it: what arrives on the wire, and what the
// caller gets back for each kind of reply, including the failure notice.
#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "model/Config.h"
#include "model/Preferences.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/UserDefaults.h"
#include "service/SoapService.h"
#include "service/TestHooks.h"

namespace bus {
namespace {

using platform::AlertCenter;
using platform::RunLoop;
using test::HttpTestServer;

struct Received {
    std::string method, path, body, contentType, userAgent, contentLength;
    bool hasSoapAction = false, hasAccept = false, hasExpect = false, hasAcceptEncoding = false;
};

// A service that answers every POST with the given status and body and
// remembers what it was sent.
class FixedService {
public:
    FixedService(int status, std::string body) {
        server.server().Post(".*", [this, status, body](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            last.method = req.method;
            last.path = req.path;
            last.body = req.body;
            last.contentType = req.get_header_value("Content-Type");
            last.userAgent = req.get_header_value("User-Agent");
            last.contentLength = req.get_header_value("Content-Length");
            last.hasSoapAction = req.has_header("SOAPAction");
            last.hasAccept = req.has_header("Accept");
            last.hasExpect = req.has_header("Expect");
            last.hasAcceptEncoding = req.has_header("Accept-Encoding");
            ++count;
            res.status = status;
            res.set_content(body, "text/xml;charset=UTF-8");
        });
        server.start();
    }
    Received received() {
        std::lock_guard lock(mutex);
        return last;
    }
    int requests() {
        std::lock_guard lock(mutex);
        return count;
    }
    HttpTestServer server;
    std::mutex mutex;
    Received last;
    int count = 0;
};

ResponseData postToDirectory(const std::string& baseUrl, const SoapParams& params = {}) {
    return SoapService::initWithPostUrl(baseUrl, "queryCity").PostSync(params);
}

std::size_t shownNotices() {
    std::size_t n = 0;
    for (const auto& e : AlertCenter::shared().history())
        if (e.kind == AlertCenter::Event::Shown && e.title == "提醒" && e.message == "无法连接服务器") ++n;
    return n;
}

// --- What the service receives -------------------------------------------

TEST(SoapWire, DirectoryRequestCarriesTheEnvelopeAndOnlyTheFixedHeaders) {
    FixedService service(200, test::soapReply("queryCity", "[]"));
    postToDirectory(service.server.baseUrl());
    const Received r = service.received();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/ozkbus/CXFWebService/Bus");
    EXPECT_EQ(r.body, std::string("<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                                  "xmlns:ns1=\"") +
                          config::kDirectoryNamespace +
                          "\"><soapenv:Header/><soapenv:Body><ns1:queryCity></ns1:queryCity>"
                          "</soapenv:Body></soapenv:Envelope>");
    EXPECT_EQ(r.contentType, "text/xml;charset=UTF-8");
    EXPECT_EQ(r.userAgent, "IOS App (power by tavrin)");
    EXPECT_EQ(r.contentLength, std::to_string(r.body.size()));
    EXPECT_FALSE(r.hasSoapAction);
    EXPECT_FALSE(r.hasAccept);
    EXPECT_FALSE(r.hasExpect);
    EXPECT_FALSE(r.hasAcceptEncoding);
}

TEST(SoapWire, CityRequestGoesToThePreferredAddressWithParametersInOrder) {
    FixedService service(200, test::soapReply("queryLine", "{}"));
    auto& store = platform::UserDefaults::standard();
    store.setObject(service.server.baseUrl(), prefs::kPostUrl);
    store.setObject(prefs::kDefaultWebService, prefs::kPostWebService);

    SoapService::initWithPostUrl("queryLine").PostSync({{"direction", std::int64_t{0}}, {"lineId", std::int64_t{12}}});
    const Received r = service.received();
    EXPECT_EQ(r.path, "/realBus/CXFWebService/bus");
    EXPECT_NE(r.body.find(std::string("xmlns:ns1=\"") + config::kCityNamespace + "\""), std::string::npos);
    EXPECT_NE(r.body.find("<soapenv:Body><ns1:queryLine><direction>0</direction><lineId>12</lineId>"
                          "</ns1:queryLine></soapenv:Body>"),
              std::string::npos);
}

TEST(SoapWire, KeywordWithMarkupCharactersReachesTheServiceIntact) {
    FixedService service(200, test::soapReply("queryKeyword", "[]"));
    postToDirectory(service.server.baseUrl(), {{"keyword", std::string("A&B <1路> 东站")}});
    const std::string body = service.received().body;
    // The service reads the envelope as XML: only an escaped value survives.
    EXPECT_NE(body.find("<keyword>A&amp;B &lt;1路&gt; 东站</keyword>"), std::string::npos) << body;
}

TEST(SoapWire, HeadersGoOutInTheirOrderWithNothingAddedEvenForLargeBodies) {
    // Large enough that libcurl would otherwise ask for 100-continue.
    const std::string keyword(2 << 20, 'x');
    test::RawHttpServer raw(test::soapReply("queryKeyword", "ok"));
    const ResponseData reply = postToDirectory(raw.baseUrl(), {{"keyword", keyword}});
    const auto lines = raw.headerLines();
    const std::string host = raw.baseUrl().substr(7);
    const std::string bodySize = std::to_string(raw.body().size());
    const std::vector<std::string> expected = {
        "POST /ozkbus/CXFWebService/Bus HTTP/1.1",
        "Host: " + host,
        "Content-Type: text/xml;charset=UTF-8",
        "User-Agent: IOS App (power by tavrin)",
        "Content-Length: " + bodySize,
    };
    EXPECT_EQ(lines, expected);
    EXPECT_GT(raw.body().size(), keyword.size());
    EXPECT_EQ(reply.Content, "ok");
}

TEST(SoapWire, ClientsMadeBeforeAndAfterACityChangePostToTheirOwnCity) {
    FixedService oldCity(200, test::soapReply("realBusStation", "old"));
    FixedService newCity(200, test::soapReply("realBusStation", "new"));
    auto& store = platform::UserDefaults::standard();
    store.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
    store.setObject(oldCity.server.baseUrl(), prefs::kPostUrl);
    SoapService before = SoapService::initWithPostUrl("realBusStation");
    store.setObject(newCity.server.baseUrl(), prefs::kPostUrl);
    SoapService after = SoapService::initWithPostUrl("realBusStation");

    EXPECT_EQ(after.PostSync({}).Content, "new");
    EXPECT_EQ(before.PostSync({}).Content, "old");
    EXPECT_EQ(oldCity.requests(), 1);
    EXPECT_EQ(newCity.requests(), 1);
}

// --- What the caller gets back --------------------------------------------

TEST(SoapReply, Status200GivesTheDecodedReturnText) {
    FixedService service(200, test::soapReply("queryKeyword",
                                              "[{&quot;lineName&quot;:&quot;A&amp;B&quot;,&quot;n&quot;:&#49;}]"));
    const ResponseData r = postToDirectory(service.server.baseUrl());
    EXPECT_EQ(r.StatusCode, 200);
    EXPECT_EQ(r.Content, "[{\"lineName\":\"A&B\",\"n\":1}]");
    EXPECT_EQ(shownNotices(), 0u);
}

TEST(SoapReply, Status200WithoutAReturnElementIsEmptyAndQuiet) {
    for (const std::string& body : {std::string("<soap:Envelope><soap:Body/></soap:Envelope>"),
                                   std::string("<a><return/></a>"), std::string("<a><return>never closed</a>"),
                                   std::string()}) {
        FixedService service(200, body);
        const ResponseData r = postToDirectory(service.server.baseUrl());
        EXPECT_EQ(r.StatusCode, 200) << body;
        EXPECT_EQ(r.Content, "") << body;
    }
    EXPECT_EQ(shownNotices(), 0u);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());
}

TEST(SoapReply, ServerErrorKeepsItsStatusDropsTheBodyAndShowsTheNotice) {
    FixedService service(500, test::soapReply("queryCity", "not for the caller"));
    const ResponseData r = postToDirectory(service.server.baseUrl());
    EXPECT_EQ(r.StatusCode, 500);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 1u);
}

TEST(SoapReply, RefusedConnectionGivesStatusZeroAndTheNotice) {
    const ResponseData r = postToDirectory("http://127.0.0.1:" + std::to_string(test::closedPort()));
    EXPECT_EQ(r.StatusCode, 0);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 1u);
}

TEST(SoapReply, EveryFailedCallShowsItsOwnNotice) {
    const std::string url = "http://127.0.0.1:" + std::to_string(test::closedPort());
    postToDirectory(url);
    postToDirectory(url);
    postToDirectory(url);
    EXPECT_EQ(shownNotices(), 3u);
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 3u);
}

TEST(SoapReply, ServiceSlowerThanTheTimeOutCountsAsNoReply) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    HttpTestServer server;
    server.server().Post(".*", [released](const httplib::Request&, httplib::Response& res) {
        released.wait_for(std::chrono::seconds(20));
        res.set_content(test::soapReply("queryCity", "late"), "text/xml");
    });
    server.start();

    const auto started = std::chrono::steady_clock::now();
    ResponseData r;
    {
        test_hooks::ScopedSoapTimeout shortTimeout(std::chrono::milliseconds(200));
        r = postToDirectory(server.baseUrl());
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    release.set_value();
    EXPECT_EQ(r.StatusCode, 0);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 1u);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(SoapReply, TimeOutIsThirtySecondsForEveryPost) {
    SoapService s = SoapService::initWithPostUrl("http://127.0.0.1:1", "queryCity");
    s.Timeout = 5;
    EXPECT_DOUBLE_EQ(s.CreatRequest("").timeoutSeconds, 5.0);
    s.PostSync({});
    EXPECT_EQ(s.Timeout, 30);
    EXPECT_DOUBLE_EQ(s.CreatRequest("").timeoutSeconds, 30.0);
    s.Timeout = 0;
    EXPECT_DOUBLE_EQ(s.CreatRequest("").timeoutSeconds, 30.0);
}

TEST(SoapReply, BodyThatIsNotUtf8IsEmptyAndQuiet) {
    FixedService service(200, test::soapReply("queryCity", "caf\xE9 \xFF"));
    const ResponseData r = postToDirectory(service.server.baseUrl());
    EXPECT_EQ(r.StatusCode, 200);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 0u);
}

TEST(SoapReply, BodyOfExactlyTheLimitIsRead) {
    const std::string empty = test::soapReply("queryCity", "");
    const std::string text(kMaxReplyBytes - empty.size(), 'a');
    FixedService service(200, test::soapReply("queryCity", text));
    const ResponseData r = postToDirectory(service.server.baseUrl());
    EXPECT_EQ(r.Content.size(), text.size());
    EXPECT_EQ(shownNotices(), 0u);
}

TEST(SoapReply, AnnouncedBodyOverTheLimitFailsTheCall) {
    const std::string empty = test::soapReply("queryCity", "");
    FixedService service(200, test::soapReply("queryCity", std::string(kMaxReplyBytes - empty.size() + 1, 'a')));
    const ResponseData r = postToDirectory(service.server.baseUrl());
    EXPECT_EQ(r.StatusCode, 200);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 1u);
}

TEST(SoapReply, StreamedBodyOverTheLimitIsCutOffWithoutReadingItAll) {
    // Chunked, so the size is not known up front: the client must stop on its
    // own once the limit is passed.
    constexpr std::size_t kOffered = 256u << 20;
    std::atomic<std::size_t> sent{0};
    HttpTestServer server;
    server.server().Post(".*", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/xml", [&](std::size_t, httplib::DataSink& sink) {
            static const std::string block(64 << 10, 'a');
            if (sent == 0) {
                const std::string head = "<return>";
                if (!sink.write(head.data(), head.size())) return false;
            }
            while (sent < kOffered) {
                if (!sink.write(block.data(), block.size())) return false;
                sent += block.size();
            }
            sink.done();
            return true;
        });
    });
    server.start();
    const ResponseData r = postToDirectory(server.baseUrl());
    server.stop();
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(shownNotices(), 1u);
    EXPECT_LT(sent.load(), kOffered / 4);
}

// --- The failure notice ----------------------------------------------------

TEST(FailureNotice, ShownAtOnceOnTheMainThreadAndClosedOneSecondLater) {
    postToDirectory("http://127.0.0.1:" + std::to_string(test::closedPort()));
    auto visible = AlertCenter::shared().visibleAlerts();
    ASSERT_EQ(visible.size(), 1u);
    EXPECT_TRUE(visible[0]->isTransient());
    EXPECT_EQ(visible[0]->title(), "提醒");
    EXPECT_EQ(visible[0]->message(), "无法连接服务器");

    RunLoop::main().advance(0.999);
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
    RunLoop::main().advance(0.002);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());

    const auto history = AlertCenter::shared().history();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_TRUE(history[0].onMainThread);
    EXPECT_DOUBLE_EQ(history[0].time, 0.0);
    EXPECT_EQ(history[1].kind, AlertCenter::Event::Dismissed);
    EXPECT_TRUE(history[1].onMainThread);
    EXPECT_DOUBLE_EQ(history[1].time, 1.0);
    EXPECT_EQ(history[1].buttonIndex, 0);
    EXPECT_TRUE(history[1].animated);
}

TEST(FailureNotice, FailedCallOnAWorkerIsShownOnTheMainThreadWithoutMakingTheWorkerWait) {
    const std::string url = "http://127.0.0.1:" + std::to_string(test::closedPort());
    std::atomic<bool> returned{false};
    std::atomic<std::int64_t> status{-1};
    platform::detachNewThread([&] {
        status = postToDirectory(url).StatusCode;
        returned = true;
    });
    // The main loop has not run: a worker that waited for it would hang here.
    ASSERT_TRUE(platform::waitForWorkerThreads(10.0));
    EXPECT_TRUE(returned);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(AlertCenter::shared().history().empty());

    RunLoop::main().advance(0.5);
    const auto shown = AlertCenter::shared().history();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].onMainThread);
    EXPECT_EQ(shown[0].message, "无法连接服务器");
    // Queued at 0, so it came up as soon as the loop ran.
    EXPECT_DOUBLE_EQ(shown[0].time, 0.0);

    RunLoop::main().advance(0.499);
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
    RunLoop::main().advance(0.002);
    EXPECT_TRUE(AlertCenter::shared().visibleAlerts().empty());
    const auto all = AlertCenter::shared().history();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(all[1].onMainThread);
    EXPECT_DOUBLE_EQ(all[1].time, 1.0);
}

}  // namespace
}  // namespace bus
