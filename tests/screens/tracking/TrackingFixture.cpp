#include "screens/tracking/TrackingFixture.h"

#include <nlohmann/json.hpp>

#include "model/Preferences.h"
#include "platform/UserDefaults.h"

namespace bus::test {

namespace {

constexpr char kHostScreen[] = "TrackingHost";

void collect(const ui::View& root, const std::function<bool(const ui::View&)>& wanted, std::vector<ui::View*>& out) {
    for (const auto& child : root.subviews()) {
        if (wanted(*child)) out.push_back(child.get());
        collect(*child, wanted, out);
    }
}

}  // namespace

void TrackingFixture::SetUp() {
    service.makeCurrentCity();
    platform::UserDefaults::standard().setObject(16, prefs::kCityId);
}

void TrackingFixture::replyWith(const std::string& operation, const std::string& returnText, int status) {
    service.reply(operation, soapReply(operation, xmlEscaped(returnText)), status);
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

ui::View& TrackingFixture::host() {
    if (!storyboard.hasScreen(kHostScreen)) storyboard.screen<ui::ViewController>(kHostScreen);
    if (!navigation || navigation->topViewController()->storyboardIdentifier() != kHostScreen) show(kHostScreen);
    return *navigation->topViewController()->view();
}

void TrackingFixture::tap(const ui::View& view) {
    tapAt(view, {view.bounds().midX(), view.bounds().midY()});
}

void TrackingFixture::tapAt(const ui::View& view, ui::Point local) {
    const ui::Point at = view.convertToWindow(local);
    window->touch(ui::TouchPhase::Began, at);
    window->touch(ui::TouchPhase::Ended, at);
    settle();
}

bool TrackingFixture::waitUntil(const std::function<bool()>& done, double realSeconds) {
    return platform::RunLoop::main().runUntil(done, realSeconds);
}

std::vector<ui::View*> viewsWithImage(const ui::View& root, std::string_view imageName) {
    std::vector<ui::View*> found;
    collect(root, [&](const ui::View& v) { return v.imageName() == imageName; }, found);
    return found;
}

std::vector<ui::View*> viewsWithText(const ui::View& root, std::string_view text) {
    std::vector<ui::View*> found;
    collect(root, [&](const ui::View& v) { return v.text() == text; }, found);
    return found;
}

std::string xmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string stopName(int orderNo) { return "站" + std::to_string(orderNo); }

std::string lineText(int stops, long long gprsId) {
    nlohmann::json line{{"lineId", 12},           {"lineName", "12路"}, {"gprsId", gprsId},
                        {"ticketPrice", "1"},     {"opTime", "06:00-21:30"}, {"gjgs", "一公司"},
                        {"cityId", 16},           {"upDown", nlohmann::json::array()}};
    for (int n = 1; n <= stops; ++n)
        line["upDown"].push_back({{"id", 1200 + n},     {"lineId", 12},  {"cityId", 16},
                                  {"direction", 0},     {"orderNo", n},  {"stationName", stopName(n)},
                                  {"flagId", n == stops ? 2 : 1}});
    return line.dump();
}

std::string vehiclesText(const std::vector<VehicleAt>& vehicles) {
    auto list = nlohmann::json::array();
    for (const auto& v : vehicles)
        list.push_back({{"licensePlate", "晋B·" + std::to_string(1000 + list.size())},
                        {"stationNo", v.stationNo},
                        {"inStation", v.inStation},
                        {"toNextStop", v.toNextStop}});
    return list.dump();
}

}  // namespace bus::test
