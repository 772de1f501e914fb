#pragma once
// What the tracking suites share: the screen fixture with a recorded city
// service made the current city ("cityId" 16), taps through the window, a
// bounded wait for worker threads, views told as text, and line replies.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "screens/ScreenFixture.h"
#include "support/TestSupport.h"

namespace bus::test {

class TrackingFixture : public ScreenFixture {
protected:
    void SetUp() override;
    // Answers `operation` with a SOAP reply carrying `returnText`.
    void replyWith(const std::string& operation, const std::string& returnText, int status = 200);
    // The request bodies that named the operation, in the order they came.
    std::vector<std::string> requestsFor(const std::string& operation) const;
    // Points the current city at a loopback port where nothing listens.
    static void makeServiceUnreachable();
    void closeScreens();
    // Presses and releases on the window at a point of `view` (its middle
    // for tap), then lets the run loop settle unless told not to.
    void tap(const ui::View& view);
    void tapAt(const ui::View& view, ui::Point local, bool settles = true);
    // Runs the main run loop until `done` holds, false after ten real seconds;
    // `done` may wait on threads that queue nothing on the loop.
    static bool waitUntil(const std::function<bool()>& done);

    RecordedService service;
};

// The subviews of `view`, bottom to top, each as its image or text, a label
// that is not black with "#rrggbb", one that takes taps with "+tap".
std::string partsOf(const ui::View& view);
// "title message" of the alert in front, "" when none is up.
std::string frontAlertText();
std::optional<nlohmann::json> storedOrderNo();
void saveFavourite(int lineId, int direction, int orderNo, int cityId = 16);

// "站1" ... "站<count>".
std::vector<std::string> stopNames(int count);
// A "queryLine" return text: line 12 ("12路", opTime "06:00-21:30", ticketPrice
// "1") with the stops named, orderNo from 1 unless given, flagId 2 on the last.
std::string lineText(const std::vector<std::string>& names, long long gprsId = 1201,
                     const std::vector<int>& orderNos = {});
inline std::string lineText(int stops, long long gprsId = 1201) { return lineText(stopNames(stops), gprsId); }

}  // namespace bus::test
