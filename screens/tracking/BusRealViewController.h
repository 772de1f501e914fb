#pragma once
// The live bus screen: one line in one direction. The stops stand top to
// bottom in a scrolling area, the vehicles now on the line are placed at or
// between them, and a panel under the waiting stop gives the texts of the
// three nearest approaching vehicles. Vehicles are fetched again on a timer,
// by hand, when the waiting stop changes ("updateOrderNo") and when the
// direction is switched.
//
// Threads: the screen's state and views change on the main thread only. The
// line and the vehicles are asked through models::LiveLine, whose answers
// come back on the main thread; the busy indicator runs while any is
// awaited, and the model drops them when the screen goes. The direction
// switch asks its line and then its vehicles the same way. The reaction to
// "updateOrderNo" rebuilds the rows at once.
//
// Two additions of ours stand in the waiting stop's row, on the line of its
// "最近三辆车：" caption, so that nothing of the route moves for them: a label
// telling how old the vehicles are (a tap on it refreshes once it says they
// are stale), and the bell of an arrival reminder armed for the waiting stop,
// which gives one notice when a vehicle comes within the chosen number of
// stops.
//
// When the line's service cannot be reached, the line comes from its last
// good reply: its stops show with no vehicles, and the age label reads
// "离线 · " with the copy's age until a vehicle request is answered again.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "city/CityService.h"
#include "model/BusAlert.h"
#include "model/BusCollection.h"
#include "model/BusLine.h"
#include "model/BusReal.h"
#include "model/BusStation.h"
#include "models/LiveLine.h"
#include "platform/AlertView.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"
#include "screens/tracking/BusRealUIView.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusRealViewController : public ui::ViewController,
                              public platform::AlertViewDelegate,
                              public BusRealUIViewDelegate {
public:
    // The waiting stop is still to be found by the name in currentStation.
    static constexpr int kByNameMarker = 200;
    static constexpr int kDefaultWaitingStop = 3;
    // "refreshTime" values of this and above mean refreshing by hand.
    static constexpr long long kByHandInterval = 100;
    static constexpr double kRowHeight = 60;
    static constexpr double kWaitingRowHeight = 130;

    BusRealViewController();
    ~BusRealViewController() override;

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    // Touches that no view took stay here.
    void touchesBegan(const ui::Touch&) override {}
    void touchesMoved(const ui::Touch&) override {}
    void touchesEnded(const ui::Touch&) override {}
    void touchesCancelled(const ui::Touch&) override {}

    // Asks for the line with its stops; its answer builds the rows and the
    // titles, then asks for the vehicles.
    void addStation();
    // Builds the rows again from the stops already held, without a request.
    void updateStation();
    // Asks for the vehicles; their answer places the markers and the panel,
    // which stay as they are until then.
    void addReal();
    // The timers' action: addReal, unless the last vehicles are still on
    // their way.
    void tick();
    void clickImage(ui::TapGestureRecognizer& sender);
    void clickRef(ui::TapGestureRecognizer& sender);
    void clickAge(ui::TapGestureRecognizer& sender);
    // Opens the sheet of distances, or disarms a reminder already armed.
    void clickReminder(ui::TapGestureRecognizer& sender);
    void alertViewClickedButtonAtIndex(platform::AlertView& alert, int buttonIndex) override;
    void armReminder(int stops);
    void disarmReminder();
    // Writes the age of the vehicles, or that they are stale, into ageLabel.
    void showDataAge();
    void handleColorChange(const platform::Notification& notification);
    // Stops the busy indicator once no answer is awaited.
    void stopIndicatorIfIdle();
    // Rebuilds the rows for the stored waiting stop and asks for its vehicles,
    // with the busy indicator up meanwhile.
    void rebuildWithIndicator();
    void endLoading2();

    // The halves of addStation and addReal that follow their requests, for
    // replies already in hand. applyLine takes the "queryLine" return text
    // ("" for a failed request); placeVehicles removes the live items and
    // places the vehicles given, highest stop number first.
    void applyLine(const std::string& content);
    void applyLine(city::Answer<ops::LineReading> line);
    void placeVehicles(std::vector<BusReal> vehicles);
    // Reruns the favourites query into `dictionary`.
    void reloadFavourites();

    // The screen's state; everything below is read and written on the main
    // thread only.
    std::int32_t tag = 1;  // 1 while the first scroll position is still to be set
    std::vector<BusStation> muArrayStation;
    std::map<long long, BusCollection> dictionary;  // favourites by orderNo
    std::optional<BusLine> _busLine;                // none before the first line reply
    models::LiveLine liveLine;
    platform::TimerPtr timer;
    std::shared_ptr<ui::ActivityIndicatorView> indicator;
    std::weak_ptr<ui::ScrollView> realScrollView;  // outlets, owned by the view tree
    // The line, its direction as switched last, and the waiting stop's name.
    LineHandOver handedOver;
    nlohmann::json _orderNo;  // the waiting stop, read through its integer value
    std::weak_ptr<ui::Label> lineTitle;
    std::weak_ptr<ui::Label> smbUILabel;
    std::weak_ptr<ui::ImageView> tabUIImageView;
    std::weak_ptr<ui::ImageView> refUIImageView;
    // Ours, owned by the screen: they stand in the waiting stop's row, beside
    // the nearest vehicles they concern, and go with the rows on a rebuild.
    std::shared_ptr<ui::Label> ageLabel;
    std::shared_ptr<ui::ImageView> reminderImageView;
    // Ours too: the most severe alert of the line, while it has any.
    std::shared_ptr<ui::Label> alertBanner;
    static constexpr double kAlertBannerHeight = 32;
    int reminderStops = 0;  // the armed reminder's distance; 0 when none is armed

private:
    struct VehicleRequest {
        std::int64_t gprsId, orderNo, direction;
    };

    void startIndicator();
    void attachTap(const std::shared_ptr<ui::View>& view, const char* identifier,
                   void (BusRealViewController::*action)(ui::TapGestureRecognizer&));
    void startTimer();
    void buildStationRows(bool setsEndStation);
    void placeWaitingRowExtras();
    void resolveWaitingStop(std::size_t index, const BusStation& station);
    ui::Rect rowFrame(std::size_t index, double counter);
    void showTitles();
    void setFirstScrollPosition();
    void removeLiveItems();
    std::optional<VehicleRequest> vehicleRequest() const;
    std::vector<BusReal> countedVehicles(std::vector<BusReal> vehicles, std::vector<std::string>& nearest) const;
    ui::Rect vehicleFrame(const BusReal& vehicle) const;
    void rebuildForOrderNo();
    // The direction switch, through the model like every request: the other
    // direction's line, then its vehicles; the route takes taps again once
    // they are in.
    void beginDirectionSwitch();
    void finishLineOfSwitch(city::Answer<ops::LineReading> line);
    // The switch's last step: its vehicles, if it asked for any, then taps
    // again.
    void endDirectionSwitch(city::Answer<std::vector<BusReal>>* vehicles);
    // The route's views tell; the screen stores, saves and posts.
    void routeViewChoseStop(BusRealUIView& view, long long orderNo) override;
    void routeViewToggledFavourite(BusRealUIView& view) override;
    std::weak_ptr<BusRealUIViewDelegate> routeDelegate();
    void storeOrderNoAndPost(BusRealUIView& view, long long orderNo);
    bool postedByOwnRow(const void* sender) const;
    long long waitingStop() const;
    // After every vehicle request: the data's age and the reminder.
    void noteVehicles(const std::vector<BusReal>& vehicles);
    // The line's alerts, asked on each visit, tick and refresh by hand.
    void askAlerts();
    void showAlerts();
    void markAlertedStops();
    // A tap on the banner opens every alert of the line.
    void clickAlerts(ui::TapGestureRecognizer& sender);
    double routeHeight() const;
    static ui::Color alertColor(BusAlert::Level level);
    void checkReminder(const std::vector<BusReal>& vehicles);
    void showReminderImage();

    platform::Observation orderNoObservation_;
    bool switching_ = false;                // from the switch's tap until its vehicles are placed
    long long refreshSeconds_ = 0;          // the timer's interval; 0 when refreshing by hand
    std::vector<BusAlert> alerts_;           // most severe first, as the service gave them
    std::set<std::string> announcedAlerts_;  // ids already told to the screen reader
    bool showingAlerts_ = false;             // from the banner's tap until the screen shows again
    platform::TimerPtr ageTimer_;           // runs while the screen shows
    platform::TimerPtr reminderRefresh_;    // while armed and refreshing by hand
};

}  // namespace bus
