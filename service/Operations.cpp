#include "service/Operations.h"

#include "service/SoapService.h"

namespace bus::ops {
namespace {

std::string postToCity(const char* operation, const SoapParams& params) {
    return SoapService::initWithPostUrl(operation).PostSync(params).Content;
}

}  // namespace

std::vector<BusCity> queryCity(const std::string& directoryBaseUrl) {
    return readCities(SoapService::initWithPostUrl(directoryBaseUrl, kQueryCity).PostSync({}).Content);
}

std::vector<BusQuery> queryKeyword(const std::string& keyword) {
    return readQueries(postToCity(kQueryKeyword, {{"keyword", keyword}}));
}

LineReading queryLine(std::int64_t direction, std::int64_t lineId) {
    return readLine(postToCity(kQueryLine, {{"direction", direction}, {"lineId", lineId}}));
}

std::vector<BusReal> realBus(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    return realBusReply(gprsId, orderNo, direction).vehicles;
}

RealBusReply realBusReply(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    if (gprsId == 0) return {};
    const ResponseData reply = SoapService::initWithPostUrl(kRealBus).PostSync(
        {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}});
    return {readRealBus(reply.Content), reply.StatusCode == 200 && !reply.Content.empty()};
}

std::string realBusStation(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    return readRealBusStation(
        postToCity(kRealBusStation, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}}));
}

}  // namespace bus::ops
