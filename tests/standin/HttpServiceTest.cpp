// SOAP over HTTP: replies as written, then the stand-in on loopback: answers,
// faults, refusals, clients that misbehave, and the request log.
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "StandinTestSupport.h"

namespace bus::standin {
namespace {

using namespace test;

// A client that cuts the text between the first "<return>" and "</return>",
// then turns "&quot;" back into a quote and nothing else.
std::string cutAndDecodeQuotes(const std::string& reply) {
    const auto open = reply.find("<return>"), close = reply.find("</return>");
    if (open == std::string::npos || close == std::string::npos) return "no return element";
    return std::regex_replace(reply.substr(open + 8, close - open - 8), std::regex("&quot;"), "\"");
}

TEST(SoapReplies, TheReturnTextSurvivesAClientThatCutsItOutAndDecodesOnlyQuotes) {
    EXPECT_EQ(cutAndDecodeQuotes(buildResponse("realBusStation", "urn:x", "a<b & \"c\"")), "a&lt;b &amp; \"c\"");
    // JSON text keeps "<", ">" and "&" out, so such a client reads it whole.
    const std::string text = jsonText(Json{{"stationName", "A&B <东>"}});
    EXPECT_EQ(text.find_first_of("<>&"), std::string::npos) << text;
    const auto read = nlohmann::json::parse(cutAndDecodeQuotes(buildResponse("queryLine", "urn:x", text)));
    EXPECT_EQ(read["stationName"], "A&B <东>");
}

TEST(SoapReplies, InvalidUtf8AndControlCharactersAreReplaced) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    const std::pair<std::string, std::string> cases[] = {
        {"大同\xF0\x9F\x9A\x8C", "大同\xF0\x9F\x9A\x8C"},  // three and four bytes
        {"a\xC0\xAF" "b", "a" + r + r + "b"},                // overlong '/'
        {"\xED\xA0\x80", r + r + r},                         // surrogate
        {std::string("x\0y", 3), "x" + r + "y"},
        {"\xE5\xA4", r + r},  // cut short
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(validUtf8(in), out);
}

class OverHttp : public testing::Test {
protected:
    RunningStandin running;
    Standin& standin = running.standin();
    const int port = portOf(standin.cityBaseUrl(16));
    const std::string body = envelope(kCityNs, "queryKeyword", {{"keyword", "鼓楼"}});
    const std::string headers = std::string("POST ") + kCityPath +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n";
    std::string city16() { return standin.cityUrl(16); }
};

// Every distinct way a request is answered or refused, from the bytes on the
// wire to the fault the client reads and the line the log keeps.
TEST_F(OverHttp, EachRequestIsAnsweredOrRefusedWithASoapFaultAndLogged) {
    struct Case {
        const char* name;
        std::string body;
        std::string faultCode;  // "": answered with status 200
        std::string says;       // part of the fault string, or the whole return text
        std::string operation;  // as logged: "-" when the body names none
        bool toDirectory = false;
    };
    const std::string soap11 = "http://schemas.xmlsoap.org/soap/envelope/", env = "xmlns:e=\"" + soap11 + "\"";
    auto op = [](const std::string& name, const Params& params) { return envelope(kCityNs, name, params); };
    auto bus = [&](const std::string& gprsId, const std::string& orderNo, const std::string& operation = "realBus") {
        return op(operation, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", "0"}});
    };
    const Case cases[] = {
        {"broken XML", "<soapenv:Envelope><broken", "soap:Client", "malformed XML", "-"},
        {"not an envelope", "<html><body/></html>", "soap:Client", "not a SOAP envelope", "-"},
        {"SOAP 1.2", "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><x/></e:Body></e:Envelope>",
         "soap:VersionMismatch", "SOAP 1.1", "-"},
        {"no Body", "<e:Envelope " + env + "><e:Header/></e:Envelope>", "soap:Client", "no Body", "-"},
        {"an empty Body", "<e:Envelope " + env + "><e:Body> </e:Body></e:Envelope>", "soap:Client", "no operation", "-"},
        {"an unknown operation", op("dropAll", {}), "soap:Client", "unknown operation \"dropAll\"", "dropAll"},
        {"at the directory", envelope(kDirectoryNs, "realBus", {}), "soap:Client", "answers queryCity", "realBus", true},
        {"a missing parameter", op("realBus", {{"gprsId", "1"}}), "soap:Client", "missing parameter \"orderNo\"", "realBus"},
        {"a number with a tail", bus("16009", "12abc"), "soap:Client", "\"orderNo\" must be a whole number", "realBus"},
        {"a number too large", bus("99999999999999999999", "1"), "soap:Client", "must be a whole number", "realBus"},
        // Echoed text stays readable: markup escaped, bad bytes replaced.
        {"markup and a bad byte", bus("1", "<![CDATA[<b>]]>\xFF"), "soap:Client", "got \"<b>\xEF\xBF\xBD\"", "realBus"},
        // Elements are matched by local name, their text trimmed and decoded.
        {"other prefixes and white space", "<?xml version=\"1.0\"?>\n<Envelope xmlns=\"" + soap11 + "\">\n <Body>\n"
         "  <q:queryLine xmlns:q=\"urn:a\"> <q:lineId> 999999 </q:lineId>\n <direction>0</direction> </q:queryLine>\n"
         " </Body>\n</Envelope>", "", "", "queryLine"},
        {"CDATA and a character reference", "<e:Envelope " + env + "><e:Body><realBusStation><gprsId><![CDATA[424242]]>"
         "</gprsId><orderNo>&#51;</orderNo><direction>0</direction></realBusStation></e:Body></e:Envelope>",
         "", "", "realBusStation"},
        {"an empty keyword", op("queryKeyword", {{"keyword", ""}}), "", "[]", "queryKeyword"},
        {"an unknown line", op("queryLine", {{"direction", "0"}, {"lineId", "999999"}}), "", "", "queryLine"},
        {"signed numbers", bus("+424242", " -3 "), "", "[]", "realBus"},
        {"the line without live data", bus("0", "3"), "", "[]", "realBus"},
        {"an unknown line's text", bus("424242", "3", "realBusStation"), "", "", "realBusStation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = post(c.toDirectory ? standin.directoryUrl() : city16(), c.body);
        EXPECT_EQ(reply.contentType, "text/xml; charset=UTF-8");
        if (c.faultCode.empty()) {
            EXPECT_EQ(returnText(reply, c.operation), c.says);
            continue;
        }
        EXPECT_EQ(reply.status, 500);
        const auto fault = faultOf(reply);
        EXPECT_EQ(fault.code, c.faultCode);
        EXPECT_NE(fault.message.find(c.says), std::string::npos) << fault.message;
    }
    std::istringstream log(running.logText());
    std::string line;
    for (const auto& c : cases) {
        ASSERT_TRUE(std::getline(log, line)) << c.name;
        const std::string says = (c.toDirectory ? "directory " : "city 16 ") + c.operation + (c.faultCode.empty() ? " 200" : " 500");
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )" + says + R"( \d+us)"))) << line;
    }
    EXPECT_FALSE(std::getline(log, line)) << line;
}

// The WSDL itself is read by a standard client in zeep_every_operation.py.
TEST_F(OverHttp, ABodyOverOneMebibyteAndAGetWithoutWsdlAreTurnedAway) {
    // White space after the root element is allowed XML.
    const std::string fits = body + std::string(1024 * 1024 - body.size(), ' ');
    httplib::Client client(standin.cityBaseUrl(16));
    auto send = [&](const std::string& bytes) {
        const auto r = client.Post(kCityPath, bytes, "text/xml");
        return r ? Reply{r->status, r->body, ""} : Reply{};
    };
    EXPECT_EQ(send(fits).status, 200);
    const auto refused = send(fits + " ");
    EXPECT_EQ(refused.status, 413);
    EXPECT_NE(faultOf(refused).message.find("larger than 1048576 bytes"), std::string::npos);
    EXPECT_EQ(send(body).status, 200);  // the same client goes on being served
    const auto plain = client.Get(kCityPath);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->status, 405);
    EXPECT_NE(plain->body.find("?wsdl"), std::string::npos);  // the way to the WSDL
}

// Opens a connection and writes the bytes; -1 when either fails.
int connectAndSend(int port, const std::string& bytes) {
    const sockaddr_in addr{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()))
        return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// More waiting clients than a thread per connection could hold (each held
// until a read time-out of seconds): the bound is loose for a loaded machine
// and far below the wait such a server gives.
TEST_F(OverHttp, ClientsThatSendHalfARequestAndWaitDelayNoWellFormedOne) {
    // Both ends of every connection live in this process: 1200 descriptors,
    // past the usual soft limit of 1024.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    std::vector<int> waiting;
    for (int i = 0; i < 600; ++i) {
        waiting.push_back(connectAndSend(port, headers.substr(0, 30 + static_cast<std::size_t>(i % 2) * 40)));
        ASSERT_GE(waiting.back(), 0) << i;
    }
    const auto t0 = std::chrono::steady_clock::now();
    const auto reply = post(city16(), body);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_FALSE(nlohmann::json::parse(returnText(reply, "queryKeyword")).empty());
    EXPECT_LT(took, std::chrono::seconds(2));
    for (int fd : waiting) ::close(fd);
}

// What a client reads back after sending its bytes (whether or not the
// server took them all), and whether the server then closed the connection.
struct Exchange {
    std::string reply;
    bool closed = false;
};

Exchange exchange(int port, const std::string& bytes) {
    Exchange out;
    const int fd = connectAndSend(port, "");
    if (fd < 0) return out;
    const timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) break;
        at += static_cast<std::size_t>(n);
    }
    char block[4096];
    ssize_t n = 0;
    while ((n = ::recv(fd, block, sizeof block, 0)) > 0) out.reply.append(block, static_cast<std::size_t>(n));
    out.closed = n == 0;
    ::close(fd);
    return out;
}

std::string deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                        text.size(), Z_BEST_COMPRESSION), Z_OK);
    out.resize(size);
    return out;
}

// However the body comes, its size is counted as it arrives, so that 2 MiB
// (or two hundred) never sit in memory; the refusal closes the connection.
TEST_F(OverHttp, ABodyOverTheLimitIsRefusedWhateverItsFramingAndTheConnectionCloses) {
    const std::string start = std::string("POST ") + kCityPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\n";
    const std::string mebibyte(1024 * 1024, ' ');
    auto sized = [&](const std::string& coding, const std::string& bytes, const std::string& more = "") {
        return start + coding + more + "Content-Length: " + std::to_string(bytes.size()) + "\r\n\r\n" + bytes;
    };
    auto chunk = [](const std::string& bytes) {
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
        return size + bytes + "\r\n";
    };
    const std::string tooLarge = "larger than 1048576 bytes", answered = "queryKeywordResponse";
    const struct {
        const char* name;
        std::string bytes;
        int status;
        std::string says;
    } cases[] = {
        {"a length over the limit", sized("", mebibyte + " "), 413, tooLarge},
        {"chunks over the limit", start + "Transfer-Encoding: chunked\r\n\r\n" + chunk(mebibyte) + chunk(mebibyte) + "0\r\n\r\n",
         413, tooLarge},
        {"deflated, inflating over it", sized("Content-Encoding: deflate\r\n", deflated(body + mebibyte)), 413, tooLarge},
        {"an unknown coding", sized("Content-Encoding: zstd\r\n", body), 415, "gzip or deflate"},
        {"a deflated envelope", sized("Content-Encoding: deflate\r\n", deflated(body), "Connection: close\r\n"), 200, answered},
        {"chunks within the limit", start + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
                                        chunk(body.substr(0, 100)) + chunk(body.substr(100)) + "0\r\n\r\n", 200, answered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Exchange e = exchange(port, c.bytes);
        EXPECT_TRUE(e.reply.starts_with("HTTP/1.1 " + std::to_string(c.status))) << e.reply.substr(0, 200);
        EXPECT_TRUE(e.closed);
        EXPECT_NE(e.reply.find(c.says), std::string::npos);
        // Read from memory, as the fuzzer reads what strangers send, the request comes to the same.
        const HttpReading read = readHttpRequest(c.bytes, HttpLimits{});
        EXPECT_EQ(read.status, c.status == 200 ? 0 : c.status);
        if (c.status == 200) {
            EXPECT_EQ(read.request.body, body);
        }
    }
}

// What only memory can hold: a request cut short gets no reply, as a client
// that hangs up does; the headers count against the limit however they come.
TEST_F(OverHttp, ARequestReadFromMemoryEndsAsAConnectionWould) {
    const struct {
        const char* name;
        std::string bytes;
        int status;
    } cases[] = {
        {"no bytes", "", -1},
        {"half the headers", headers.substr(0, 30), -1},
        {"half the body", headers + body.substr(0, 10), -1},
        {"no request line", "\x01\x02 nonsense\r\n\r\n", 400},
        {"headers over the limit", "GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\n", 431},
        {"a whole request, another behind it", headers + body + headers, 0},
    };
    for (const auto& c : cases) {
        const HttpReading read = readHttpRequest(c.bytes, HttpLimits{});
        EXPECT_EQ(read.status, c.status) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(std::tie(read.request.method, read.request.target, read.request.body),
                      std::make_tuple(std::string("POST"), std::string(kCityPath), body)) << c.name;
        }
    }
}

// A client that goes on sending, a byte at a time, is cut off when its
// request's time is up, however lively it looks; waiting for the close paces
// the bytes.
TEST(RequestDeadline, AClientTricklingItsHeadersIsCutOffWhenItsTimeIsUp) {
    MemoryLog memory;
    ServeOptions options;
    options.request = std::chrono::milliseconds(500);
    SoapEndpoint endpoint({"city 16", kCityPath, kCityNs, "S", {}, [](const SoapRequest&) { return std::string(); }},
                          memory.log(), options);
    const int port = endpoint.bind("127.0.0.1", 0);
    endpoint.start();
    const std::string request = std::string("POST ") + kCityPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                "X-Padding: " + std::string(200, 'x') + "\r\n\r\n";
    std::size_t sent = 60;  // the request line and a header's start, then a byte at a time
    const int fd = connectAndSend(port, request.substr(0, sent));
    ASSERT_GE(fd, 0);
    bool closed = false;
    const auto t0 = std::chrono::steady_clock::now();
    while (!closed && sent < request.size() && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
        pollfd p{fd, POLLIN, 0};
        char byte = 0;
        if (::poll(&p, 1, 50) > 0) closed = ::recv(fd, &byte, 1, 0) <= 0;
        else closed = ::send(fd, &request[sent++], 1, MSG_NOSIGNAL) != 1;
    }
    ::close(fd);
    endpoint.stop();  // the line is written after the close the client saw
    EXPECT_TRUE(closed) << sent << " bytes sent";
    EXPECT_LT(sent, request.size());
    EXPECT_NE(memory.text().find(" city 16 POST /realBus/CXFWebService/bus 408 -\n"), std::string::npos) << memory.text();
}

TEST_F(OverHttp, ClientsThatHangUpMidRequestDoNotDisturbOthers) {
    // Each written, then hung up on without reading.
    for (const std::string& bytes : {headers + body.substr(0, body.size() / 2), headers.substr(0, 30), headers + body,
                                     std::string("\x16\x03\x01 not http at all\r\n\r\n")}) {
        const int fd = connectAndSend(port, bytes);
        ASSERT_GE(fd, 0) << bytes;
        ::close(fd);
    }
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(nlohmann::json::parse(returnText(post(city16(), body), "queryKeyword")).empty());
}

TEST_F(OverHttp, APortInUseIsReportedAndNothingIsLeftServing) {
    StandinConfig config;
    config.directoryPort = 0;
    config.cities = {{bundledCity(17), 0, {}}, {bundledCity(1), port, {}}};
    RequestLog quiet(nullptr);
    Standin second(config, running.clock, quiet);
    expectRefused([&] { second.start(); }, std::to_string(port));
    // The city bound before the failure let go of its port.
    const int left = portOf(second.cityBaseUrl(17));
    ASSERT_GT(left, 0);
    SoapEndpoint probe({"probe", kCityPath, kCityNs, "Probe", {}, [](const SoapRequest&) { return ""; }}, quiet);
    EXPECT_EQ(probe.bind("127.0.0.1", left), left);
    // The first stand-in still answers on the taken port.
    const auto line = post(city16(), envelope(kCityNs, "queryLine", {{"direction", "0"}, {"lineId", "1601"}}));
    EXPECT_EQ(nlohmann::json::parse(returnText(line, "queryLine"))["cityId"], 16);
}

// Stopped and started again, the stand-in serves every city and the
// directory where their clients knew them, and the directory says so.
TEST_F(OverHttp, StartedAgainItServesWhereItServedBefore) {
    const std::string directory = standin.directoryBaseUrl();
    standin.stop();
    standin.start();
    EXPECT_EQ(standin.cityBaseUrl(16), "http://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(standin.directoryBaseUrl(), directory);
    const auto line = post(city16(), envelope(kCityNs, "queryLine", {{"direction", "0"}, {"lineId", "1601"}}));
    EXPECT_EQ(nlohmann::json::parse(returnText(line, "queryLine"))["cityId"], 16);
    const auto cities = post(standin.directoryUrl(), envelope(kDirectoryNs, "queryCity", {}));
    EXPECT_NE(returnText(cities, "queryCity").find(std::to_string(port)), std::string::npos);
}

// Four threads record at once, then the log goes quiet (--quiet): it goes on
// counting and writes nothing.
TEST(RequestLogLines, EveryRecordIsWrittenWholeWhateverTheThreads) {
    MemoryLog memory;
    RequestLog& log = memory.log();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 500; ++i) log.record("city " + std::to_string(t), "realBus", 200, i);
            });
    }
    log.record("directory", "", 413, -1);
    log.setEnabled(false);
    log.record("city 16", "realBus", 200, 5);
    EXPECT_EQ(log.count(), 2002u);
    std::istringstream in(memory.text());
    const std::regex shape(R"(\S+Z city ([0-3]) realBus 200 (\d+)us)");
    std::vector<int> next(4, 0);
    std::string l;
    for (std::smatch m; std::getline(in, l) && std::regex_match(l, m, shape);)
        EXPECT_EQ(m[2], std::to_string(next[std::stoul(m[1])]++)) << l;  // each thread's in order
    EXPECT_EQ(next, std::vector<int>(4, 500));
    EXPECT_TRUE(l.ends_with(" directory - 413 -")) << l;  // the first line not from the threads
    EXPECT_FALSE(std::getline(in, l)) << l;
}

}  // namespace
}  // namespace bus::standin
