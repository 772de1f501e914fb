#include "city/CityService.h"

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "service/SoapService.h"

namespace bus::city {
namespace {

constexpr double kNoticeSeconds = 1.0;

// Whether the service answered 200 with the whole reply; the notice when
// not.
bool reached(const ResponseData& reply, bool notice) {
    if (reply.Complete && reply.StatusCode == 200) return true;
    if (notice) showFailureNotice();
    return false;
}

ResponseData postToCity(const char* operation, const SoapParams& params) {
    return SoapService::initWithPostUrl(operation).PostSync(params);
}

ResponseData postWithin(const char* operation, const SoapParams& params, std::chrono::milliseconds within) {
    return SoapService::initWithPostUrl(operation).PostSyncWithin(params, within);
}

}  // namespace

void showFailureNotice() {
    // Only the alert is captured: the request that failed is long gone when
    // the notice closes.
    auto present = [] {
        auto alert = platform::AlertView::create("提醒", "无法连接服务器");
        alert->show();
        platform::RunLoop::main().performAfterDelay(kNoticeSeconds,
                                                    [alert] { alert->dismissWithClickedButtonIndex(0, true); });
    };
    if (platform::isMainThread())
        present();
    else
        platform::performOnMainThread(present);
}

Answer<std::vector<BusCity>> cities(const std::string& directoryBaseUrl) {
    const auto reply = SoapService::initWithPostUrl(directoryBaseUrl, kQueryCity).PostSync({});
    if (!reached(reply, true)) return Answer<std::vector<BusCity>>::failure();
    return Answer<std::vector<BusCity>>::answered(ops::readCities(reply.Content));
}

Answer<std::vector<BusQuery>> keywordHits(const std::string& keyword) {
    const auto reply = postToCity(kQueryKeyword, {{"keyword", keyword}});
    if (!reached(reply, true)) return Answer<std::vector<BusQuery>>::failure();
    return Answer<std::vector<BusQuery>>::answered(ops::readQueries(reply.Content));
}

Answer<ops::LineReading> line(std::int64_t direction, std::int64_t lineId) {
    const auto reply = postToCity(kQueryLine, {{"direction", direction}, {"lineId", lineId}});
    if (!reached(reply, true) || reply.Content.empty()) return Answer<ops::LineReading>::failure();
    return Answer<ops::LineReading>::answered(ops::readLine(reply.Content));
}

Answer<std::vector<BusReal>> vehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    if (gprsId == 0) return Answer<std::vector<BusReal>>::answered({});
    const auto reply = postToCity(kRealBus, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}});
    if (!reached(reply, true) || reply.Content.empty()) return Answer<std::vector<BusReal>>::failure();
    return Answer<std::vector<BusReal>>::answered(ops::readRealBus(reply.Content));
}

Answer<std::string> stationText(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    auto reply = postToCity(kRealBusStation, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}});
    if (!reached(reply, true)) return Answer<std::string>::failure();
    return Answer<std::string>::answered(std::move(reply.Content));
}

Answer<std::vector<BusQuery>> keywordHitsWithin(const std::string& keyword, std::chrono::milliseconds within) {
    const auto reply = postWithin(kQueryKeyword, {{"keyword", keyword}}, within);
    if (!reached(reply, false) || reply.Content.empty()) return Answer<std::vector<BusQuery>>::failure();
    return Answer<std::vector<BusQuery>>::answered(ops::readQueries(reply.Content));
}

Answer<ops::LineReading> lineWithin(std::int64_t direction, std::int64_t lineId, std::chrono::milliseconds within) {
    const auto reply = postWithin(kQueryLine, {{"direction", direction}, {"lineId", lineId}}, within);
    auto reading = ops::readLine(reply.Content);
    if (!reached(reply, false) || !reading.line) return Answer<ops::LineReading>::failure();
    return Answer<ops::LineReading>::answered(std::move(reading));
}

BusTransferPlanner::Source plannerSource() {
    using Within = BusTransferPlanner::Within;
    return {[](const std::string& keyword, Within within) -> std::optional<std::vector<BusQuery>> {
                auto answer = keywordHitsWithin(keyword, within);
                if (answer.failed()) return std::nullopt;
                return std::move(answer).value();
            },
            [](std::int64_t direction, std::int64_t lineId, Within within) -> std::optional<ops::LineReading> {
                auto answer = lineWithin(direction, lineId, within);
                if (answer.failed()) return std::nullopt;
                return std::move(answer).value();
            }};
}

}  // namespace bus::city
