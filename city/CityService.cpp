#include "city/CityService.h"

#include <mutex>
#include <set>

#include "platform/AlertView.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "platform/Translation.h"
#include "service/SoapService.h"

namespace bus::city {
namespace {

constexpr double kNoticeSeconds = 1.0;

// Services by endpoint address, asked from the main thread and from workers
// alike.
class ServiceSet {
public:
    // True when the service was not in the set.
    bool add(const std::string& service) {
        std::lock_guard lock(mutex_);
        return services_.insert(service).second;
    }
    void remove(const std::string& service) {
        std::lock_guard lock(mutex_);
        services_.erase(service);
    }
    bool has(const std::string& service) {
        std::lock_guard lock(mutex_);
        return services_.count(service) > 0;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        services_.clear();
    }

private:
    std::mutex mutex_;
    std::set<std::string> services_;
};

// The services whose requests are failing: the rider has been told once,
// and is told again only after a request to that service has gone through
// since.
ServiceSet& outages() {
    static ServiceSet* all = new ServiceSet();  // used by workers up to the exit
    return *all;
}

// The services found to have no queryAlert.
ServiceSet& withoutAlerts() {
    static ServiceSet* all = new ServiceSet();  // used by workers up to the exit
    return *all;
}

struct Posted {
    std::string service;
    ResponseData reply;
};

// Whether the service answered 200 with the whole reply. A failure that
// starts an outage shows the notice, unless the caller tells the rider
// itself (notice false).
bool reached(const Posted& posted, bool notice) {
    if (posted.reply.Complete && posted.reply.StatusCode == 200) {
        outages().remove(posted.service);
        return true;
    }
    if (notice && outages().add(posted.service)) showFailureNotice();
    return false;
}

Posted post(SoapService client, const SoapParams& params) {
    auto reply = client.PostSync(params);
    return {std::move(client.PostUrl), std::move(reply)};
}

Posted postToCity(const char* operation, const SoapParams& params) {
    return post(SoapService::initWithPostUrl(operation), params);
}

Posted postWithin(const char* operation, const SoapParams& params, std::chrono::milliseconds within) {
    auto client = SoapService::initWithPostUrl(operation);
    auto reply = client.PostSyncWithin(params, within);
    return {std::move(client.PostUrl), std::move(reply)};
}

}  // namespace

void forgetOutages() { outages().clear(); }

void showFailureNotice() {
    // Only the alert is captured: the request that failed is long gone when
    // the notice closes.
    auto present = [] {
        auto alert = platform::AlertView::create(platform::trc("notice", "提醒"), platform::tr("无法连接服务器"));
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
    const auto posted = post(SoapService::initWithPostUrl(directoryBaseUrl, kQueryCity), {});
    if (!reached(posted, true)) return Answer<std::vector<BusCity>>::failure();
    return Answer<std::vector<BusCity>>::answered(ops::readCities(posted.reply.Content));
}

Answer<std::vector<BusQuery>> keywordHits(const std::string& keyword) {
    const auto posted = postToCity(kQueryKeyword, {{"keyword", keyword}});
    if (!reached(posted, true)) return Answer<std::vector<BusQuery>>::failure();
    return Answer<std::vector<BusQuery>>::answered(ops::readQueries(posted.reply.Content));
}

Answer<ops::LineReading> line(std::int64_t direction, std::int64_t lineId) {
    const auto text = lineText(direction, lineId);
    if (text.failed()) return Answer<ops::LineReading>::failure();
    return Answer<ops::LineReading>::answered(ops::readLine(text.value()));
}

Answer<std::string> lineText(std::int64_t direction, std::int64_t lineId) {
    auto posted = postToCity(kQueryLine, {{"direction", direction}, {"lineId", lineId}});
    if (!reached(posted, true) || posted.reply.Content.empty()) return Answer<std::string>::failure();
    return Answer<std::string>::answered(std::move(posted.reply.Content));
}

Answer<std::vector<BusReal>> vehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    if (gprsId == 0) return Answer<std::vector<BusReal>>::answered({});
    const auto posted = postToCity(kRealBus, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}});
    if (!reached(posted, true) || posted.reply.Content.empty()) return Answer<std::vector<BusReal>>::failure();
    return Answer<std::vector<BusReal>>::answered(ops::readRealBus(posted.reply.Content));
}

Answer<std::string> stationText(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction) {
    auto posted = postToCity(kRealBusStation, {{"gprsId", gprsId}, {"orderNo", orderNo}, {"direction", direction}});
    if (!reached(posted, true)) return Answer<std::string>::failure();
    return Answer<std::string>::answered(std::move(posted.reply.Content));
}

Answer<std::vector<BusAlert>> alerts(std::int64_t lineId, std::int64_t direction, const std::string& lang) {
    auto client = SoapService::initWithPostUrl(kQueryAlert);
    if (withoutAlerts().has(client.PostUrl)) return Answer<std::vector<BusAlert>>::answered({});
    const auto posted = post(std::move(client), {{"lineId", lineId}, {"direction", direction}, {"lang", lang}});
    const auto& reply = posted.reply;
    const bool noOperation = reply.Complete && (reply.StatusCode == 404 || reply.StatusCode == 500 ||
                                                (reply.StatusCode == 200 && reply.Content.empty()));
    if (noOperation) {
        withoutAlerts().add(posted.service);
        return Answer<std::vector<BusAlert>>::answered({});
    }
    if (!reached(posted, false)) return Answer<std::vector<BusAlert>>::failure();
    return Answer<std::vector<BusAlert>>::answered(ops::readAlerts(reply.Content));
}

void forgetServicesWithoutAlerts() { withoutAlerts().clear(); }

Answer<std::vector<BusQuery>> keywordHitsWithin(const std::string& keyword, std::chrono::milliseconds within) {
    const auto posted = postWithin(kQueryKeyword, {{"keyword", keyword}}, within);
    if (!reached(posted, false) || posted.reply.Content.empty()) return Answer<std::vector<BusQuery>>::failure();
    return Answer<std::vector<BusQuery>>::answered(ops::readQueries(posted.reply.Content));
}

Answer<ops::LineReading> lineWithin(std::int64_t direction, std::int64_t lineId, std::chrono::milliseconds within) {
    const auto posted = postWithin(kQueryLine, {{"direction", direction}, {"lineId", lineId}}, within);
    auto reading = ops::readLine(posted.reply.Content);
    if (!reached(posted, false) || !reading.line) return Answer<ops::LineReading>::failure();
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
