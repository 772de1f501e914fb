// The client as a service sees it: what arrives on the wire, and what the
// caller gets back for each kind of reply. The client shows nothing: the
// notice of a failure is the city layer's (tests/city).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Config.h"
#include "model/Preferences.h"
#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "service/SoapService.h"
#include "service/TestHooks.h"
#include "support/TestSupport.h"

namespace bus {
namespace {

using platform::AlertCenter;
using platform::RunLoop;

ResponseData postToDirectory(const std::string& baseUrl, const SoapParams& params = {}) {
    return SoapService::initWithPostUrl(baseUrl, "queryCity").PostSync(params);
}

std::string closedUrl() { return "http://127.0.0.1:" + std::to_string(test::closedPort()); }

std::string envelope(const std::string& ns, const std::string& operation) {
    return "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"" + ns +
           "\"><soapenv:Header/><soapenv:Body>" + operation + "</soapenv:Body></soapenv:Envelope>";
}

// Exactly these bytes go out: the fixed headers in their order and nothing
// added (no Expect, even for a body large enough that libcurl would ask for
// 100-continue), and the envelope as written.
TEST(SoapWire, RequestsCarryOnlyTheFixedHeadersAndTheExactEnvelope) {
    const std::string big(2 << 20, 'x');
    struct Case {
        const char* name;
        std::function<ResponseData(const std::string& url)> post;
        std::string requestLine, body;
    };
    const Case cases[] = {
        {"directory", [](const std::string& url) { return postToDirectory(url); },
         "POST /ozkbus/CXFWebService/Bus HTTP/1.1", envelope(config::kDirectoryNamespace, "<ns1:queryCity></ns1:queryCity>")},
        {"city, at the preferred address",
         [](const std::string& url) {
             platform::UserDefaults::standard().setObject(url, prefs::kPostUrl);
             platform::UserDefaults::standard().setObject(prefs::kDefaultWebService, prefs::kPostWebService);
             return SoapService::initWithPostUrl("queryLine").PostSync({{"direction", std::int64_t{0}}, {"lineId", std::int64_t{12}}});
         },
         "POST /realBus/CXFWebService/bus HTTP/1.1",
         envelope(config::kCityNamespace, "<ns1:queryLine><direction>0</direction><lineId>12</lineId></ns1:queryLine>")},
        {"large", [&](const std::string& url) { return postToDirectory(url, {{"keyword", big}}); },
         "POST /ozkbus/CXFWebService/Bus HTTP/1.1",
         envelope(config::kDirectoryNamespace, "<ns1:queryCity><keyword>" + big + "</keyword></ns1:queryCity>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::RawHttpServer raw(test::soapReply("queryCity", "ok"));
        EXPECT_EQ(c.post(raw.baseUrl()).Content, "ok");
        const std::vector<std::string> expected = {c.requestLine, "Host: " + raw.baseUrl().substr(7),
                                                   "Content-Type: text/xml;charset=UTF-8",
                                                   "User-Agent: IOS App (power by tavrin)",
                                                   "Content-Length: " + std::to_string(c.body.size())};
        EXPECT_EQ(raw.headerLines(), expected);
        EXPECT_TRUE(raw.body() == c.body);
    }
}

TEST(SoapWire, ClientsMadeBeforeAndAfterACityChangePostToTheirOwnCity) {
    test::RecordedService oldCity, newCity;
    oldCity.reply("realBusStation", test::soapReply("realBusStation", "old"));
    newCity.reply("realBusStation", test::soapReply("realBusStation", "new"));
    oldCity.makeCurrentCity();
    SoapService before = SoapService::initWithPostUrl("realBusStation");
    newCity.makeCurrentCity();
    SoapService after = SoapService::initWithPostUrl("realBusStation");
    EXPECT_EQ(after.PostSync({}).Content, "new");
    EXPECT_EQ(before.PostSync({}).Content, "old");
    EXPECT_EQ(oldCity.bodies().size(), 1u);
    EXPECT_EQ(newCity.bodies().size(), 1u);
}

TEST(SoapReply, EachKindOfReplyGivesItsStatusAndItsContentAndShowsNothing) {
    const std::string empty = test::soapReply("queryCity", "");
    const std::string atLimit(kMaxReplyBytes - empty.size(), 'a');
    struct Case {
        const char* name;
        int status;
        std::string body;
        std::int64_t statusCode;
        std::string content;
    };
    const Case cases[] = {
        {"entities decoded", 200, test::soapReply("queryCity", "[{&quot;lineName&quot;:&quot;A&amp;B&quot;,&quot;n&quot;:&#49;}]"),
         200, "[{\"lineName\":\"A&B\",\"n\":1}]"},
        {"no return element", 200, "<soap:Envelope><soap:Body/></soap:Envelope>", 200, ""},
        {"an empty return element", 200, "<a><return/></a>", 200, ""},
        {"a return never closed", 200, "<a><return>never closed</a>", 200, ""},
        {"no body", 200, "", 200, ""},
        {"not UTF-8", 200, test::soapReply("queryCity", "caf\xE9 \xFF"), 200, ""},
        {"a body of exactly the limit", 200, test::soapReply("queryCity", atLimit), 200, atLimit},
        {"a body announced over the limit", 200, test::soapReply("queryCity", atLimit + "a"), 200, ""},
        {"a server error", 500, test::soapReply("queryCity", "not for the caller"), 500, ""},
        {"a refused connection", 0, "", 0, ""},
    };
    test::RecordedService service;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.status != 0) service.reply("queryCity", c.body, c.status);
        const ResponseData r = postToDirectory(c.status == 0 ? closedUrl() : service.url());
        EXPECT_EQ(r.StatusCode, c.statusCode);
        EXPECT_TRUE(r.Content == c.content);
    }
    platform::RunLoop::main().drain();
    EXPECT_TRUE(AlertCenter::shared().history().empty());
}

// The client's own time-out, shortened by the test hook, and a post bounded
// by its caller both give up in time.
TEST(SoapReply, ServiceSlowerThanTheTimeOutCountsAsNoReply) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    test::HttpTestServer server;
    server.server().Post(".*", [released](const httplib::Request&, httplib::Response& res) {
        released.wait_for(std::chrono::seconds(20));
        res.set_content(test::soapReply("queryCity", "late"), "text/xml");
    });
    server.start();
    const auto shortened = [&] {
        test_hooks::ScopedSoapTimeout shortTimeout(std::chrono::milliseconds(200));
        return postToDirectory(server.baseUrl());
    };
    const auto quiet = [&] {
        auto client = SoapService::initWithPostUrl(server.baseUrl(), "queryCity");
        return client.PostSyncWithin({}, std::chrono::milliseconds(200));
    };
    for (const auto& post : {std::function<ResponseData()>(shortened), std::function<ResponseData()>(quiet)}) {
        const auto started = std::chrono::steady_clock::now();
        const ResponseData r = post();
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(r.StatusCode, 0);
        EXPECT_EQ(r.Content, "");
        EXPECT_GE(waited, std::chrono::milliseconds(200));
        EXPECT_LT(waited, std::chrono::seconds(10));
    }
    release.set_value();
}

// A service whose queue of connections is full takes no more: the connect
// gives up after 5 s, long before the 30 s the whole request may take.
TEST(SoapReply, AServiceThatTakesNoConnectionFailsWithinTheConnectTimeOut) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), size), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size), 0);
    // Never accepted: these fill the queue, and the kernel drops the next
    // one's handshake, as a stalled host does.
    std::vector<int> waiting;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
        waiting.push_back(fd);
    }
    const auto started = std::chrono::steady_clock::now();
    const ResponseData r = postToDirectory("http://127.0.0.1:" + std::to_string(ntohs(at.sin_port)));
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(r.StatusCode, 0);
    EXPECT_FALSE(r.Complete);
    EXPECT_GE(waited, std::chrono::milliseconds(kConnectTimeoutMillis - 500));
    EXPECT_LT(waited, std::chrono::seconds(15));
    for (const int fd : waiting) ::close(fd);
    ::close(listener);
}

TEST(SoapReply, TimeOutIsThirtySecondsForEveryPost) {
    SoapService s = SoapService::initWithPostUrl("http://127.0.0.1:1", "queryCity");
    s.Timeout = 5;
    EXPECT_DOUBLE_EQ(s.CreatRequest("").timeoutSeconds, 5.0);
    s.PostSync({});
    EXPECT_EQ(s.Timeout, 30);
    s.Timeout = 0;
    EXPECT_DOUBLE_EQ(s.CreatRequest("").timeoutSeconds, 30.0);
}

TEST(SoapReply, StreamedBodyOverTheLimitIsCutOffWithoutReadingItAll) {
    // Chunked, so the size is not known up front: the client must stop on its
    // own once the limit is passed.
    constexpr std::size_t kOffered = 256u << 20;
    std::atomic<std::size_t> sent{0};
    test::HttpTestServer server;
    server.server().Post(".*", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/xml", [&](std::size_t, httplib::DataSink& sink) {
            static const std::string block(64 << 10, 'a');
            if (sent == 0 && !sink.write("<return>", 8)) return false;
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
    EXPECT_LT(sent.load(), kOffered / 4);
}

}  // namespace
}  // namespace bus
