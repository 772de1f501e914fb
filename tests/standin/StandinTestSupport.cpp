#include "StandinTestSupport.h"

// Before httplib.h, whose netdb.h makes NO_DATA a macro.
#include "GtfsRealtime.pb.h"

#include <google/protobuf/text_format.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include "service/XmlText.h"

namespace bus::standin::test {

TimePoint at(const std::string& isoTime) {
    const auto t = parseTime(isoTime);
    if (!t) ADD_FAILURE() << "bad time in test: " << isoTime;
    return t.value_or(TimePoint{});
}

std::shared_ptr<const City> bundledCity(std::int64_t cityId) {
    for (auto& c : loadDataFolder(BUS_STANDIN_DATA))
        if (c.cityId == cityId) return std::make_shared<const City>(std::move(c));
    ADD_FAILURE() << "no bundled city " << cityId;
    return std::make_shared<const City>();
}

std::string message(std::uint64_t timestamp, const std::string& entity) {
    return message(timestamp, std::vector<std::string>{"id: 'e1' " + entity});
}

std::string message(std::uint64_t timestamp, const std::vector<std::string>& entities) {
    std::string text = "header { gtfs_realtime_version: '2.0' timestamp: " + std::to_string(timestamp) + " }";
    for (const auto& e : entities) text += " entity { " + e + " }";
    gtfsrt::FeedMessage m;
    EXPECT_TRUE(google::protobuf::TextFormat::ParseFromString(text, &m)) << text;
    return m.SerializeAsString();
}

Environment environment(std::map<std::string, std::string> variables) {
    return [variables = std::move(variables)](const std::string& name) -> std::optional<std::string> {
        const auto it = variables.find(name);
        return it == variables.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
}

MemoryLog::Buffer::~Buffer() {
    std::fclose(file);
    std::free(data);
}

std::string MemoryLog::text() {
    log_.flush();
    std::fflush(buffer_.file);
    return std::string(buffer_.data, buffer_.size);
}

RunningStandin::RunningStandin(int directoryPort, std::vector<City> cities) : clock(at("2024-05-06T12:00:00+08:00")) {
    StandinConfig config;
    config.directoryPort = directoryPort;
    config.serve.threads = 4;
    if (cities.empty()) cities = loadDataFolder(BUS_STANDIN_DATA);
    for (auto& c : cities)
        config.cities.push_back({std::make_shared<const City>(std::move(c)), 0, {}});
    standin_ = std::make_unique<Standin>(std::move(config), clock, log_.log());
    standin_->start();
}

std::string shown(const std::vector<VehiclePosition>& vehicles) {
    std::string out;
    for (const auto& v : vehicles)
        out += (out.empty() ? "" : ", ") + v.licensePlate + " " + std::to_string(v.stationNo) + (v.inStation ? " at" : " on");
    return out;
}

std::string envelope(const std::string& ns, const std::string& operation, const Params& params) {
    std::string out = "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"" +
                      ns + "\"><soapenv:Header/><soapenv:Body><ns1:" + operation + ">";
    for (const auto& [k, v] : params) out += "<" + k + ">" + v + "</" + k + ">";
    out += "</ns1:" + operation + "></soapenv:Body></soapenv:Envelope>";
    return out;
}

int portOf(const std::string& baseUrl) { return std::stoi(baseUrl.substr(baseUrl.rfind(':') + 1)); }

namespace {

// The text of the first element of that name, entities decoded.
std::string textOf(const Reply& reply, const std::string& tag) {
    const auto open = reply.body.find("<" + tag + ">"), close = reply.body.find("</" + tag + ">");
    if (open == std::string::npos || close == std::string::npos) {
        ADD_FAILURE() << "no <" << tag << "> in " << reply.body;
        return {};
    }
    const auto start = open + tag.size() + 2;
    return xml::decodeEntities(std::string_view(reply.body).substr(start, close - start));
}

}  // namespace

Reply post(const std::string& url, const std::string& body) {
    const auto path = url.find('/', std::string("http://").size());
    const auto r = httplib::Client(url.substr(0, path)).Post(url.substr(path), body, "text/xml;charset=UTF-8");
    if (!r) return {};
    return {r->status, r->body, r->get_header_value("Content-Type")};
}

std::string returnText(const Reply& reply, const std::string& operation) {
    EXPECT_EQ(reply.status, 200) << reply.body;
    EXPECT_NE(reply.body.find(":" + operation + "Response "), std::string::npos) << reply.body;
    return textOf(reply, "return");  // no prefix
}

Fault faultOf(const Reply& reply) { return {textOf(reply, "faultcode"), textOf(reply, "faultstring")}; }

}  // namespace bus::standin::test
