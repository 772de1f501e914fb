#include "StandinTestSupport.h"

#include <cstdio>
#include <regex>

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

namespace bus::standin::test {

std::filesystem::path bundledData() { return BUS_STANDIN_DATA; }
std::filesystem::path testFeed() { return BUS_STANDIN_TEST_FEED; }

TimePoint at(const std::string& isoTime) {
    const auto t = parseTime(isoTime);
    if (!t) ADD_FAILURE() << "bad time in test: " << isoTime;
    return t.value_or(TimePoint{});
}

std::shared_ptr<const City> bundledCity(std::int64_t cityId) {
    for (auto& c : loadDataFolder(bundledData()))
        if (c.cityId == cityId) return std::make_shared<const City>(std::move(c));
    ADD_FAILURE() << "no bundled city " << cityId;
    return std::make_shared<const City>();
}

RunningStandin::RunningStandin(TimePoint start, VehicleRules rules) : clock(start) {
    logFile_ = open_memstream(&logBuffer_, &logSize_);
    log_ = std::make_unique<RequestLog>(logFile_);
    StandinConfig config;
    config.directoryPort = 0;
    config.rules = rules;
    config.serve.threads = 4;
    for (auto& c : loadDataFolder(bundledData()))
        config.cities.push_back({std::make_shared<const City>(std::move(c)), 0});
    standin_ = std::make_unique<Standin>(std::move(config), clock, *log_);
    standin_->start();
}

RunningStandin::~RunningStandin() {
    standin_.reset();
    log_.reset();
    std::fclose(logFile_);
    std::free(logBuffer_);
}

std::string RunningStandin::logText() {
    log_->flush();
    std::fflush(logFile_);
    return std::string(logBuffer_, logSize_);
}

std::string envelope(const std::string& ns, const std::string& operation, const Params& params) {
    std::string out = "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"" +
                      ns + "\"><soapenv:Header/><soapenv:Body><ns1:" + operation + ">";
    for (const auto& [k, v] : params) out += "<" + k + ">" + v + "</" + k + ">";
    out += "</ns1:" + operation + "></soapenv:Body></soapenv:Envelope>";
    return out;
}

namespace {

std::pair<std::string, std::string> split(const std::string& url) {
    static const std::regex re(R"(^(http://[^/]+)(/.*)$)");
    std::smatch m;
    if (!std::regex_match(url, m, re)) {
        ADD_FAILURE() << "bad url " << url;
        return {};
    }
    return {m[1], m[2]};
}

Reply toReply(const httplib::Result& r) {
    Reply out;
    if (!r) return out;
    out.status = r->status;
    out.body = r->body;
    out.contentType = r->get_header_value("Content-Type");
    return out;
}

std::string local(const char* name) {
    const std::string s = name;
    const auto c = s.find(':');
    return c == std::string::npos ? s : s.substr(c + 1);
}

pugi::xml_node child(pugi::xml_node parent, const std::string& localName) {
    for (auto c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && local(c.name()) == localName) return c;
    return {};
}

}  // namespace

int portOf(const std::string& baseUrl) {
    return std::stoi(baseUrl.substr(baseUrl.rfind(':') + 1));
}

Reply post(const std::string& url, const std::string& body) {
    const auto [base, path] = split(url);
    httplib::Client client(base);
    return toReply(client.Post(path.c_str(), body, "text/xml;charset=UTF-8"));
}

Reply get(const std::string& url) {
    const auto [base, path] = split(url);
    httplib::Client client(base);
    return toReply(client.Get(path.c_str()));
}

std::string returnText(const Reply& reply, const std::string& operation) {
    EXPECT_EQ(reply.status, 200) << reply.body;
    pugi::xml_document doc;
    if (!doc.load_buffer(reply.body.data(), reply.body.size())) {
        ADD_FAILURE() << "reply is not XML: " << reply.body;
        return {};
    }
    const auto env = doc.document_element();
    EXPECT_EQ(local(env.name()), "Envelope");
    const auto response = child(child(env, "Body"), operation + "Response");
    if (!response) {
        ADD_FAILURE() << "no " << operation << "Response in " << reply.body;
        return {};
    }
    const auto ret = response.child("return");  // no prefix
    if (!ret) ADD_FAILURE() << "no unprefixed <return> in " << reply.body;
    return ret.text().get();
}

Fault faultOf(const Reply& reply) {
    pugi::xml_document doc;
    if (!doc.load_buffer(reply.body.data(), reply.body.size())) {
        ADD_FAILURE() << "fault is not XML: " << reply.body;
        return {};
    }
    const auto fault = child(child(doc.document_element(), "Body"), "Fault");
    if (!fault) ADD_FAILURE() << "no Fault in " << reply.body;
    return {fault.child("faultcode").text().get(), fault.child("faultstring").text().get()};
}

}  // namespace bus::standin::test
