#pragma once
// What the tracking suites share: the screen fixture with a recorded city
// service made the current city, a plain screen to hold views made alone,
// taps through the window, a bounded wait for worker threads, ways to find
// views by image and text, and the return texts of the operations built from
// a few numbers.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "screens/ScreenFixture.h"
#include "support/TestSupport.h"

namespace bus::test {

class TrackingFixture : public ScreenFixture {
protected:
    // The city service is the current city's, and "cityId" is 16.
    void SetUp() override;

    // Answers `operation` with a SOAP reply carrying `returnText` (escaped
    // here), with the given HTTP status.
    void replyWith(const std::string& operation, const std::string& returnText, int status = 200);
    // The request bodies that named the operation, in the order they came.
    std::vector<std::string> requestsFor(const std::string& operation) const;
    // Points the current city at a loopback port where nothing listens.
    static void makeServiceUnreachable();

    // The view of a plain screen on the window, for views made on their own.
    ui::View& host();
    // Presses and releases on the window at a point of `view` (its middle by
    // default), then lets the run loop settle.
    void tap(const ui::View& view);
    void tapAt(const ui::View& view, ui::Point local);
    // Runs the main run loop until `done` holds; false after `realSeconds`.
    // For results that worker threads queue on the main thread.
    static bool waitUntil(const std::function<bool()>& done, double realSeconds = 10.0);

    RecordedService service;
};

// Views under `root` (not `root` itself), depth first in drawing order.
std::vector<ui::View*> viewsWithImage(const ui::View& root, std::string_view imageName);
std::vector<ui::View*> viewsWithText(const ui::View& root, std::string_view text);

// Text with XML's special characters written as entities.
std::string xmlEscaped(std::string_view text);

// A "queryLine" return text: line 12 ("12路", gprsId as given, opTime
// "06:00-21:30", ticketPrice "1") with `stops` stops named "站1", "站2"...,
// orderNo counting from 1 and flagId 2 on the last.
std::string lineText(int stops, long long gprsId = 1201);
std::string stopName(int orderNo);

// A "realBus" return text.
struct VehicleAt {
    int stationNo;
    int inStation;
    std::string toNextStop;
};
std::string vehiclesText(const std::vector<VehicleAt>& vehicles);

}  // namespace bus::test
