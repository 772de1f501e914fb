#pragma once
// The line stations screen: the stops of one line in one direction, opened
// from the favourite search. A tap selects a stop; the selected row's star
// adds it to the favourites or removes it, and an alert then offers to go on
// or to return to the root of the navigation stack. The image beside the
// header switches to the other direction.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCollection.h"
#include "model/BusLine.h"
#include "model/BusStation.h"
#include "models/LiveLine.h"
#include "platform/AlertView.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusStationViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public platform::AlertViewDelegate {
public:
    // `_current` before the first tap.
    static constexpr std::int64_t kNoSelection = -1;

    BusStationViewController();
    ~BusStationViewController() override;

    void viewDidLoad() override;

    // Asks for the line with its stops for lineId and direction, on a
    // worker; the reply is shown when it comes. A failed call, or a reply
    // that is not one object holding a bracketed stop list, leaves
    // everything as it was. The stars take no tap while a reply is awaited.
    void updateStation();
    void clickImage(ui::TapGestureRecognizer& recognizer);

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

    // The star of the selected row; its view's tag is the stop's orderNo.
    void clickCell(ui::TapGestureRecognizer& recognizer);
    void clickCancelCell(ui::TapGestureRecognizer& recognizer);
    // Both favourite alerts: "返回" (1) pops to the root, any other button
    // reloads the stars.
    void alertViewDidDismissWithButtonIndex(platform::AlertView& alertView, int buttonIndex) override;
    void cancelclick(ui::BarButtonItem& item);

    // The stops of the current direction, in reply order.
    std::vector<BusStation> data;
    // Asks for the line; the vehicles this screen has no use for.
    models::LiveLine line;
    // This line's favourites in the current direction and city, by orderNo;
    // rebuilt at every row count.
    std::map<long long, BusCollection> dictionary;
    // The selected row; kNoSelection until the first tap.
    std::int64_t _current = kNoSelection;
    BusLine busLine;
    // The last stop's name, none until a fetch brings stops.
    nlohmann::json endStation;
    // Handed over by the opening screen; its stop is kept but not used here.
    LineHandOver handedOver;

    // Outlets, owned by the view tree.
    std::weak_ptr<ui::Label> lineTitle;
    std::weak_ptr<ui::ImageView> tabUIImageView;
    std::weak_ptr<ui::TableView> queryUITableView;

private:
    using TapAction = void (BusStationViewController::*)(ui::TapGestureRecognizer&);
    // A recogniser that calls the action while this screen is alive.
    std::shared_ptr<ui::TapGestureRecognizer> tapCalling(TapAction action);
    void addStar(ui::View& content, const BusStation& stop, bool favourite, bool selected, double width);
    const BusStation* stopNamedByTag(const ui::TapGestureRecognizer& recognizer) const;
    void showFavouriteAlert(const std::string& title);
    void showLine(models::LiveLine::LineAnswer answer);
    void popToRoot();
    void reloadTable();

    // The alert on screen, so that it forgets this screen when the screen
    // goes first.
    std::shared_ptr<platform::AlertView> alert_;
};

}  // namespace bus
