// The work of one "realBus" request inside the stand-in, without the network:
// reading the envelope, placing the vehicles of a 40-stop line, writing the
// reply.
#include <benchmark/benchmark.h>

#include "standin/Network.h"
#include "standin/Operations.h"
#include "standin/Soap.h"
#include "standin/Standin.h"

namespace {

using namespace bus::standin;

std::shared_ptr<const City> datong() {
    for (auto& c : loadDataFolder(BUS_STANDIN_DATA))
        if (c.cityId == 16) return std::make_shared<const City>(std::move(c));
    return nullptr;
}

const std::string kRequest =
    "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:ns1=\"http://service.realbus.transit/\"><soapenv:Header/><soapenv:Body><ns1:realBus>"
    "<gprsId>16009</gprsId><orderNo>20</orderNo><direction>0</direction></ns1:realBus></soapenv:Body>"
    "</soapenv:Envelope>";

void ParseEnvelope(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(parseRequest(kRequest));
}
BENCHMARK(ParseEnvelope);

void VehiclesOfAFortyStopLine(benchmark::State& state) {
    const auto city = datong();
    const Line& line = *city->lineByGprsId(16009);
    auto t = *parseTime("2024-05-06T12:00:00+08:00");
    for (auto _ : state) {
        benchmark::DoNotOptimize(vehiclesAt(*city, line, 0, t, {}));
        t += std::chrono::seconds(1);
    }
}
BENCHMARK(VehiclesOfAFortyStopLine);

void RealBusRequestToReply(benchmark::State& state) {
    const auto city = datong();
    ManualClock clock(*parseTime("2024-05-06T12:00:00+08:00"));
    const CityService service(city, clock);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto request = parseRequest(kRequest);
        const std::string reply = buildResponse(request.operation, kCityNs, service.handle(request));
        bytes += reply.size();
        benchmark::DoNotOptimize(reply);
        clock.advance(std::chrono::seconds(1));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(RealBusRequestToReply);

}  // namespace

BENCHMARK_MAIN();
