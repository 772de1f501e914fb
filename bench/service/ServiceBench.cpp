// What the client costs over the bare minimum:
// - a SoapService call against a loopback service, against a bare libcurl
//   POST of the same bytes to the same service (a new handle per call on both
//   sides, as the client makes one per call);
// - reading a 60-stop line reply into records, against a bare parse of the
//   same text.
// Run with --benchmark_repetitions=N and compare the medians.
#include <curl/curl.h>

#include <stdexcept>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "service/Readings.h"
#include "service/SoapService.h"

namespace {

const std::string kReturnText =
    "[{&quot;codeValue&quot;:16,&quot;name&quot;:&quot;大同&quot;,&quot;ylzd2&quot;:&quot;http://127.0.0.1:18116&quot;}]";
const std::string kReply =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><ns2:queryCityResponse>"
    "<return>" + kReturnText + "</return></ns2:queryCityResponse></soap:Body></soap:Envelope>";

class LoopbackService {
public:
    LoopbackService() {
        server_.set_tcp_nodelay(true);
        server_.Post(".*", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kReply, "text/xml;charset=UTF-8");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::yield();
    }
    ~LoopbackService() {
        server_.stop();
        thread_.join();
    }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

LoopbackService& service() {
    static LoopbackService s;
    return s;
}

void BM_PostSync(benchmark::State& state) {
    const std::string base = service().baseUrl();
    const bus::SoapParams params = {{"keyword", std::string("12路")}};
    for (auto _ : state) {
        auto client = bus::SoapService::initWithPostUrl(base, "queryCity");
        bus::ResponseData r = client.PostSync(params);
        if (r.StatusCode != 200 || r.Content.empty()) state.SkipWithError("call failed");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PostSync)->UseRealTime();

std::size_t collect(char* data, std::size_t size, std::size_t n, void* user) {
    static_cast<std::string*>(user)->append(data, size * n);
    return size * n;
}

void BM_BareCurlPost(benchmark::State& state) {
    const std::string base = service().baseUrl();
    auto client = bus::SoapService::initWithPostUrl(base, "queryCity");
    const bus::SoapRequest request =
        client.CreatRequest(client.BuildSoapwithMethodName("queryCity", {{"keyword", std::string("12路")}}));
    for (auto _ : state) {
        CURL* h = curl_easy_init();
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : request.headers)
            headers = curl_slist_append(headers, (name + ": " + value).c_str());
        headers = curl_slist_append(headers, "Accept:");
        headers = curl_slist_append(headers, "Expect:");
        std::string body;
        curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
        if (curl_easy_perform(h) != CURLE_OK) state.SkipWithError("call failed");
        benchmark::DoNotOptimize(body);
        curl_slist_free_all(headers);
        curl_easy_cleanup(h);
    }
}
BENCHMARK(BM_BareCurlPost)->UseRealTime();

// A line reply as the service writes it, with 60 stops under their key.
std::string lineText(int stops) {
    static const char* names[] = {"火车站", "大北街", "红旗广场", "御河东路", "新开里", "魏都大道"};
    nlohmann::ordered_json line = {{"lineId", 12},          {"lineName", "12路"},  {"gprsId", 1201},
                                   {"ticketPrice", "1"},    {"opTime", "06:00-21:30"}, {"gjgs", "一公司"},
                                   {"cityId", 16},          {"isUpDown", 0}};
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 1; i <= stops; ++i)
        list.push_back({{"id", 1200 + i},
                        {"lineId", 12},
                        {"cityId", 16},
                        {"direction", 0},
                        {"flagId", i == stops ? 2 : 1},
                        {"orderNo", i},
                        {"stationName", std::string(names[i % 6]) + std::to_string(i)},
                        {"lat", 40.07 + i * 0.001},
                        {"lng", 113.29 + i * 0.001}});
    line["upDown"] = list;
    line["remark"] = "夏季运营";
    return line.dump();
}

void BM_ReadLine60(benchmark::State& state) {
    const std::string text = lineText(60);
    for (auto _ : state) {
        auto reading = bus::ops::readLine(text);
        if (!reading.line || reading.stations.size() != 60) state.SkipWithError("bad reading");
        benchmark::DoNotOptimize(reading);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadLine60);

void BM_BareParseLine60(benchmark::State& state) {
    const std::string text = lineText(60);
    for (auto _ : state) {
        auto value = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BareParseLine60);

}  // namespace

BENCHMARK_MAIN();
