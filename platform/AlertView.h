#pragma once
// Alerts: a title, a message and buttons. Shown alerts stand on the alert
// stack of the screen (AlertCenter), front-most last; the window paints them
// and the headless platform records them, so tests see what a rider would.
// An alert without buttons is transient: it blocks touches until its owner
// dismisses it.
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/WeakLink.h"

namespace platform {

class AlertView;

// Held weakly: a delegate that is gone (a screen closed before its notice's
// timed dismissal) hears nothing.
class AlertViewDelegate : public ui::LinkTarget {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView&, int) {}
    virtual void alertViewDidDismissWithButtonIndex(AlertView&, int) {}
};

class AlertView : public std::enable_shared_from_this<AlertView> {
public:
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
                                             AlertViewDelegate* delegate = nullptr,
                                             std::optional<std::string> cancelButtonTitle = std::nullopt,
                                             std::vector<std::string> otherButtonTitles = {});

    // Main thread only: alerts are user-interface state.
    void show();
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    // Cancel button first, then the others; button indexes count in this order.
    std::vector<std::string> buttonTitles() const;
    int cancelButtonIndex() const { return cancel_ ? 0 : -1; }
    bool isVisible() const { return visible_; }
    bool isTransient() const { return buttonTitles().empty(); }
    void setDelegate(AlertViewDelegate* d) { delegate_ = d; }

    AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
              std::optional<std::string> cancel, std::vector<std::string> others);

private:
    std::string title_;
    std::string message_;
    ui::WeakLink<AlertViewDelegate> delegate_;
    std::optional<std::string> cancel_;
    std::vector<std::string> others_;
    bool visible_ = false;
};

// The alerts on screen and a record of the latest shows and dismissals. The
// record keeps the last kHistoryLimit events only: a notice every few seconds
// while a service is down must not grow the process for as long as it runs.
class AlertCenter {
public:
    struct Event {
        enum Kind { Shown, Dismissed } kind;
        std::string title;
        std::string message;
        double time;          // run loop clock
        bool onMainThread;
        int buttonIndex;      // for dismissals
        bool animated;
    };

    static constexpr std::size_t kHistoryLimit = 256;

    static AlertCenter& shared();

    std::vector<std::shared_ptr<AlertView>> visibleAlerts() const;
    std::shared_ptr<AlertView> frontAlert() const;
    std::vector<Event> history() const;  // oldest first
    void clear();  // between tests

private:
    friend class AlertView;
    void push(const std::shared_ptr<AlertView>& alert);
    void pop(const AlertView* alert, int index, bool animated);
    void record(Event event);  // with mutex_ held

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<AlertView>> visible_;
    std::deque<Event> history_;
};

}  // namespace platform
