// The work of one "realBus" request inside the stand-in, without the network:
// reading the envelope, placing the vehicles of a 40-stop line, writing the
// reply. The decoding of a realtime message of 2,000 vehicles onto a city of
// 2,000 trips. And 100 MB of CSV read as one field and as ordinary rows, which
// should take about the same time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "GtfsRealtime.pb.h"

#include "standin/Csv.h"
#include "standin/Network.h"
#include "standin/Operations.h"
#include "standin/Realtime.h"
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

// 50 lines of 40 stops, 20 trips a direction, every stop its own id.
City tripCity() {
    City city;
    city.name = "bench";
    for (int l = 0; l < 50; ++l) {
        Line line;
        line.lineId = line.gprsId = l + 1;
        line.routeId = "R" + std::to_string(l);
        for (int d = 0; d < 2; ++d) {
            LineDirection dir;
            for (int s = 0; s < 40; ++s) {
                dir.stopKeys.push_back(static_cast<int>(city.stopIds.size()));
                dir.stops.push_back("stop " + std::to_string(city.stopIds.size()));
                city.stopIds.push_back(std::to_string(city.stopIds.size()));
                city.stopNames.push_back(dir.stops.back());
            }
            for (int t = 0; t < 20; ++t) {
                Trip trip;
                trip.id = line.routeId + "-" + std::to_string(d) + "-" + std::to_string(t);
                trip.vehicle = trip.id;
                for (int s = 0; s < 40; ++s)
                    trip.calls.push_back({s + 1, 6 * 3600 + t * 600 + s * 90, 6 * 3600 + t * 600 + s * 90 + 20, s + 1,
                                          dir.stopKeys[static_cast<std::size_t>(s)]});
                dir.trips.push_back(std::move(trip));
            }
            line.directions[static_cast<std::size_t>(d)] = std::move(dir);
        }
        city.lines.push_back(std::move(line));
    }
    return city;
}

// One vehicle on each trip of the city, at stop sequences along the line.
std::string vehicleMessage(const City& city) {
    gtfsrt::FeedMessage m;
    m.mutable_header()->set_gtfs_realtime_version("2.0");
    m.mutable_header()->set_timestamp(1714996800);
    int n = 0;
    for (const auto& line : city.lines)
        for (const auto& dir : line.directions)
            for (const auto& trip : dir->trips) {
                auto* e = m.add_entity();
                e->set_id(std::to_string(++n));
                auto* v = e->mutable_vehicle();
                v->mutable_trip()->set_trip_id(trip.id);
                v->mutable_trip()->set_route_id(line.routeId);
                v->set_current_stop_sequence(static_cast<std::uint32_t>(n % 40 + 1));
                v->set_current_status(n % 3 == 0 ? gtfsrt::VehiclePosition::STOPPED_AT
                                                 : gtfsrt::VehiclePosition::IN_TRANSIT_TO);
                v->mutable_vehicle()->set_label("bus " + std::to_string(n));
            }
    return m.SerializeAsString();
}

void DecodeRealtimeOf2000Vehicles(benchmark::State& state) {
    const City city = tripCity();
    const LiveIndex index(city);
    const std::string bytes = vehicleMessage(city);
    std::size_t placed = 0;
    for (auto _ : state) {
        const LiveData data = decodeRealtime(bytes, index, {});
        placed = 0;
        for (const auto& [key, vehicles] : data.vehicles) placed += vehicles.size();
        benchmark::DoNotOptimize(placed);
    }
    state.counters["vehicles"] = static_cast<double>(placed);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size() * state.iterations()));
}
BENCHMARK(DecodeRealtimeOf2000Vehicles)->Unit(benchmark::kMicrosecond);

constexpr std::size_t kCsvBytes = 100'000'000;

// A table of two columns, its second holding 100 MB: one quoted field with
// line breaks and doubled quotes in it, or rows of ordinary width.
std::filesystem::path writeCsv(bool oneField) {
    const auto path = std::filesystem::temp_directory_path() / "busreal-bench-csv.txt";
    std::ofstream out(path, std::ios::binary);
    out << "id,text\n";
    if (oneField) {
        std::string block(1 << 20, 'x');
        block[1000] = '\n';
        block.replace(2000, 2, "\"\"");
        out << "1,\"";
        for (std::size_t n = 0; n < kCsvBytes; n += block.size()) out << block;
        out << "\"\n";
    } else {
        const std::string row = "123456,an ordinary field of about the width of a stop's name, and a little more\n";
        for (std::size_t n = 0; n < kCsvBytes; n += row.size()) out << row;
    }
    return path;
}

void ReadCsvOf100MB(benchmark::State& state) {
    const auto path = writeCsv(state.range(0) == 1);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto reader = CsvReader::open(path);
        bytes = 0;
        while (reader->next()) bytes += reader->field(1).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(path) * state.iterations()));
    std::filesystem::remove(path);
}
BENCHMARK(ReadCsvOf100MB)->ArgName("oneField")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
