#pragma once
// What the tracking suites share: the screen fixture with a recorded city
// service made the current city ("cityId" 16), taps through the window, a
// bounded wait for worker threads, views told as text, and line replies.
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCollection.h"
#include "storage/FavouriteStore.h"
#include "storage/HistoryStore.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "screens/ScreenFixture.h"
#include "service/XmlText.h"
#include "support/TestSupport.h"

namespace bus::test {

using nlohmann::json;
using Texts = std::vector<std::string>;

class TrackingFixture : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        service.makeCurrentCity();
        platform::UserDefaults::standard().setObject(16, prefs::kCityId);
    }
    // Answers `operation` with a SOAP reply carrying `returnText`.
    void replyWith(const std::string& operation, const std::string& returnText, int status = 200) {
        service.reply(operation, soapReply(operation, xml::escape(returnText)), status);
    }
    // The request bodies that named the operation, in the order they came.
    Texts requestsFor(const std::string& operation) const {
        Texts found;
        for (auto& body : service.bodies())
            if (body.find("<ns1:" + operation + ">") != std::string::npos) found.push_back(body);
        return found;
    }
    // Points the current city at a loopback port where nothing listens.
    static void makeServiceUnreachable() {
        platform::UserDefaults::standard().setObject("http://127.0.0.1:" + std::to_string(closedPort()), prefs::kPostUrl);
    }
    void closeScreens() {
        window->setRootViewController(nullptr);
        settle();
    }
    // Presses and releases on the window at a point of `view` (its middle
    // for tap), then, unless told not to, lets the requests the tap set
    // going come back and be shown, as the scripted driver does.
    void tap(const ui::View& view) { tapAt(view, {view.bounds().midX(), view.bounds().midY()}); }
    void tapAt(const ui::View& view, ui::Point local, bool settles = true) {
        const auto mark = platform::workerMark();
        window->touch(ui::TouchPhase::Began, view.convertToWindow(local));
        window->touch(ui::TouchPhase::Ended, view.convertToWindow(local));
        if (settles) settleRequests(mark);
    }
    // Moves the virtual clock on, then lets the requests its timers set
    // going come back and be shown.
    void advance(double seconds) {
        const auto mark = platform::workerMark();
        platform::RunLoop::main().advance(seconds);
        settleRequests(mark);
    }
    // Runs the main run loop until `done` holds, false after ten real seconds;
    // in slices of a millisecond, for what no task on the loop announces.
    static bool waitUntil(const std::function<bool()>& done) {
        for (int slice = 0; slice < 10000; ++slice)
            if (platform::RunLoop::main().runUntil(done, 0.001)) return true;
        return false;
    }

    RecordedService service;
};

// The subviews of `view`, bottom to top, each as its image or text, a label
// that is not black with "#rrggbb", one that takes taps with "+tap".
std::string partsOf(const ui::View& view);
// "title message" of the alert in front, "" when none is up.
inline std::string frontAlertText() {
    const auto alert = platform::AlertCenter::shared().frontAlert();
    return !alert ? "" : alert->message().empty() ? alert->title() : alert->title() + " " + alert->message();
}
inline void saveFavourite(int lineId, int direction, int orderNo, int cityId = 16) {
    BusCollection record;
    record.lineId = lineId;
    record.direction = direction;
    record.orderNo = orderNo;
    record.cityId = cityId;
    FavouriteStore().save(record);
}
inline Texts stopNames(int count) {  // "站1" ... "站<count>"
    Texts names;
    for (int n = 1; n <= count; ++n) names.push_back("站" + std::to_string(n));
    return names;
}
// A "queryLine" return text: line 12 ("12路", opTime "06:00-21:30", ticketPrice
// "1") with the stops named, orderNo from 1 unless given, flagId 2 on the last.
std::string lineText(const Texts& names, long long gprsId = 1201, const std::vector<long long>& orderNos = {});
inline std::string lineText(int stops, long long gprsId = 1201) { return lineText(stopNames(stops), gprsId); }

}  // namespace bus::test
