#include "service/Operations.h"

#include "service/SoapService.h"

namespace bus::ops {
namespace {

std::string postToCity(const char* operation, const SoapParams& params) {
    return SoapService::initWithPostUrl(operation).PostSync(params).Content;
}

// The return text, or "" when the call failed.
std::string postQuietly(const char* operation, const SoapParams& params, std::chrono::milliseconds within) {
    return SoapService::initWithPostUrl(operation).PostSyncQuietly(params, within).Content;
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

std::optional<std::vector<BusQuery>> queryKeywordQuietly(const std::string& keyword, std::chrono::milliseconds within) {
    const std::string content = postQuietly(kQueryKeyword, {{"keyword", keyword}}, within);
    if (content.empty()) return std::nullopt;
    return readQueries(content);
}

std::optional<LineReading> queryLineQuietly(std::int64_t direction, std::int64_t lineId,
                                            std::chrono::milliseconds within) {
    LineReading reading = readLine(postQuietly(kQueryLine, {{"direction", direction}, {"lineId", lineId}}, within));
    if (!reading.line) return std::nullopt;
    return reading;
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
