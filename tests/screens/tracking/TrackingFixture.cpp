#include "screens/tracking/TrackingFixture.h"

#include <cmath>
#include <cstdio>

#include "model/BusCollection.h"
#include "model/Preferences.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Label.h"
#include "service/XmlText.h"

namespace bus::test {

void TrackingFixture::SetUp() {
    service.makeCurrentCity();
    platform::UserDefaults::standard().setObject(16, prefs::kCityId);
}

void TrackingFixture::replyWith(const std::string& operation, const std::string& returnText, int status) {
    service.reply(operation, soapReply(operation, xml::escape(returnText)), status);
}

std::vector<std::string> TrackingFixture::requestsFor(const std::string& operation) const {
    std::vector<std::string> found;
    for (auto& body : service.bodies())
        if (body.find("<ns1:" + operation + ">") != std::string::npos) found.push_back(body);
    return found;
}

void TrackingFixture::makeServiceUnreachable() {
    platform::UserDefaults::standard().setObject("http://127.0.0.1:" + std::to_string(closedPort()), prefs::kPostUrl);
}

void TrackingFixture::closeScreens() {
    window->setRootViewController(nullptr);
    settle();
}

void TrackingFixture::tap(const ui::View& view) { tapAt(view, {view.bounds().midX(), view.bounds().midY()}); }

void TrackingFixture::tapAt(const ui::View& view, ui::Point local, bool settles) {
    window->touch(ui::TouchPhase::Began, view.convertToWindow(local));
    window->touch(ui::TouchPhase::Ended, view.convertToWindow(local));
    if (settles) settle();
}

bool TrackingFixture::waitUntil(const std::function<bool()>& done) {
    // Slices of a millisecond: a queued task ends a slice at once, and a
    // condition that nothing queues for is still looked at again.
    for (int slice = 0; slice < 10000; ++slice)
        if (platform::RunLoop::main().runUntil(done, 0.001)) return true;
    return false;
}

std::string partsOf(const ui::View& view) {
    std::string out;
    for (const auto& child : view.subviews()) {
        std::string part = child->imageName().empty() ? child->text() : child->imageName();
        const auto* label = dynamic_cast<const ui::Label*>(child.get());
        if (label && label->textColor != ui::Color::black()) {
            const auto byte = [](double c) { return static_cast<int>(std::lround(c * 255)); };
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", byte(label->textColor.r), byte(label->textColor.g),
                          byte(label->textColor.b));
            part += hex;
        }
        if (!child->gestureRecognizers().empty() && child->userInteractionEnabled) part += "+tap";
        if (!part.empty()) out += (out.empty() ? "" : " ") + part;
    }
    return out;
}

std::string frontAlertText() {
    const auto alert = platform::AlertCenter::shared().frontAlert();
    if (!alert) return "";
    return alert->message().empty() ? alert->title() : alert->title() + " " + alert->message();
}

std::optional<nlohmann::json> storedOrderNo() { return platform::UserDefaults::standard().objectForKey("orderNo"); }

void saveFavourite(int lineId, int direction, int orderNo, int cityId) {
    BusCollection record;
    record.lineId = lineId;
    record.direction = direction;
    record.orderNo = orderNo;
    record.cityId = cityId;
    record.save(record);
}

std::vector<std::string> stopNames(int count) {
    std::vector<std::string> names;
    for (int n = 1; n <= count; ++n) names.push_back("站" + std::to_string(n));
    return names;
}

std::string lineText(const std::vector<std::string>& names, long long gprsId, const std::vector<int>& orderNos) {
    nlohmann::json line{{"lineId", 12}, {"lineName", "12路"}, {"gprsId", gprsId}, {"ticketPrice", "1"},
                        {"opTime", "06:00-21:30"}, {"upDown", nlohmann::json::array()}};
    for (std::size_t i = 0; i < names.size(); ++i)
        line["upDown"].push_back({{"orderNo", orderNos.empty() ? static_cast<int>(i) + 1 : orderNos[i]},
                                  {"stationName", names[i]}, {"flagId", i + 1 == names.size() ? 2 : 1}});
    return line.dump();
}

}  // namespace bus::test
