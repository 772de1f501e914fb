#pragma once
// The views of the live route: a stop row, a vehicle marker, the
// nearest-vehicles panel and the clear-history button. Each is built whole by
// its factory and never changes afterwards; the live bus screen places them
// and replaces them when anything changes. Views tell, the screen decides: a
// row's or a marker's tap and the favourite control go to the view's
// delegate (held weakly), which stores the waiting stop, the favourite and
// posts "updateOrderNo"; the clear-history button posts "emptyButton". All on
// the main thread, since they come from touches.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/BusCollection.h"
#include "model/BusLine.h"
#include "model/BusReal.h"
#include "model/BusStation.h"
#include "platform/Translation.h"
#include "platform/ui/Control.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/View.h"

namespace bus {

class BusRealUIView;

// What a route view tells its screen.
class BusRealUIViewDelegate {
public:
    virtual ~BusRealUIViewDelegate() = default;
    // A row's or a marker's button: `orderNo` is to be the waiting stop.
    virtual void routeViewChoseStop(BusRealUIView& view, long long orderNo) = 0;
    // The waiting row's favourite control: its stop is to be marked, or
    // unmarked when the row has a favourite.
    virtual void routeViewToggledFavourite(BusRealUIView& view) = 0;
};

class BusRealUIView : public ui::View {
public:
    static constexpr char kUpdateOrderNo[] = "updateOrderNo";
    static constexpr char kEmptyButton[] = "emptyButton";
    // Vehicle markers and the panel carry it; the screen removes exactly
    // these on each vehicle refresh.
    static constexpr int kLiveItemTag = 1;
    // What a box of the panel says without a vehicle, in the rider's
    // language where shown.
    static constexpr char kNoInfo[] = N_("暂无信息");

    // One stop of the line, laid out for its place relative to the waiting
    // stop `orderNo`. `busCollection` is the stop's favourite, if it is one.
    static std::shared_ptr<BusRealUIView> initBusStation(const ui::Rect& frame, BusStation busStation, long long orderNo,
                                                         std::optional<BusCollection> busCollection,
                                                         BusLine busLine);
    // One vehicle (its busNum already counted by the screen), tag 1.
    static std::shared_ptr<BusRealUIView> initBusReal(const ui::Rect& frame, BusReal busReal, long long orderNo);
    // Three boxes with the nearest vehicles' texts, nearest first, tag 1.
    static std::shared_ptr<BusRealUIView> initBusRealDetailed(const ui::Rect& frame, std::vector<std::string> info);
    // A full-size "清空历史记录" button that posts "emptyButton".
    static std::shared_ptr<BusRealUIView> initEmpty(const ui::Rect& frame);

    // The tapped control's tag is to be the waiting stop.
    void orderButton(ui::Control& sender);
    // The favourite control of the waiting stop.
    void clickCell(ui::TapGestureRecognizer& sender);
    void clickCancelCell(ui::TapGestureRecognizer& sender);
    void emptyButton(ui::Control& sender);

    // Told of taps; set by the screen that places the view.
    std::weak_ptr<BusRealUIViewDelegate> delegate;

    long long orderNo() const { return _orderNo; }
    const BusStation& busStation() const { return _busStation; }
    const BusReal& busReal() const { return _busReal; }
    const std::vector<std::string>& recArrayStation() const { return _recArrayStation; }
    const std::optional<BusCollection>& busCollection() const { return _busCollection; }
    const BusLine& busLine() const { return _busLine; }
    // The waiting row's heading over the nearest vehicles; none in other rows.
    const ui::View* nearestCaption() const { return nearestCaption_.lock().get(); }
    // A stop row that an alert of the line names; the screen that places the
    // row marks it (its name then says so).
    bool alerted = false;

    std::string className() const override { return "BusRealUIView"; }

    // Only the factories make views (they hand out weak references to the
    // view, which needs it owned first).
    struct Key {
        explicit Key() = default;
    };
    BusRealUIView(Key, const ui::Rect& frame) : ui::View(frame) {}

private:
    enum class StopClass { Before, Waiting, After };
    StopClass stopClass() const;

    // Stop row, bottom to top.
    void addLabelName();
    void addLineImage();
    void addLabelImage();
    void addLabelNo();
    void addButton();
    void addCurrOrderNo();
    void addCollecImage();
    // Vehicle marker.
    void addImageCar();
    void addRealButton();
    // Panel.
    void addCurrOrderLabel();
    // Clear-history button view.
    void addEmptyButton();

    std::shared_ptr<ui::TapGestureRecognizer> tapTo(void (BusRealUIView::*action)(ui::TapGestureRecognizer&));
    void addTargetTo(ui::Control& control, void (BusRealUIView::*action)(ui::Control&));

    long long _orderNo = 0;
    BusStation _busStation;
    BusReal _busReal;
    std::vector<std::string> _recArrayStation;
    std::optional<BusCollection> _busCollection;
    BusLine _busLine;
    std::weak_ptr<ui::View> nearestCaption_;
};

}  // namespace bus
