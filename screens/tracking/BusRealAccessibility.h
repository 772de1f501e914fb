#pragma once
// What the live bus screen says to assistive technology: its stop rows and
// vehicle markers, named by what a rider needs to hear rather than by their
// images; the nearest-vehicle cells; the controls that are only images. The
// rows, markers and cells get identifiers that stay the same when the screen
// rebuilds them, so the keyboard focus and a screen reader follow them and
// hear a changed name as a change.
#include <string>

namespace bus {
class BusRealUIView;
class BusRealViewController;
}

namespace bus::a11y {

// A stop row: "第5站 古城墙，等车站" (or 已过站, 未过站), and whether it is a favourite.
void describeStopRow(BusRealUIView& row);
// A vehicle marker: "晋B12345，第5站与第6站之间" or "晋B12345，在第6站".
void describeVehicle(BusRealUIView& marker);
// The nearest-vehicle cells: "最近第1辆：还有2站".
void describeNearest(BusRealUIView& panel);
// The direction switch, the refresh control and the data-age label.
void describeLiveControls(BusRealViewController& screen);
// The bell, for the reminder armed now (or none).
void describeReminder(BusRealViewController& screen);

// Where a vehicle is, as the marker's name says it.
std::string vehiclePlace(long long stationNo, bool inStation);

}  // namespace bus::a11y
