#include "platform/AlertView.h"

#include <algorithm>

#include "platform/RunLoop.h"

namespace platform {

AlertView::AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
                     std::optional<std::string> cancel, std::vector<std::string> others)
    : title_(std::move(title)),
      message_(std::move(message)),
      delegate_(delegate),
      cancel_(std::move(cancel)),
      others_(std::move(others)) {}

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message, AlertViewDelegate* delegate,
                                             std::optional<std::string> cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles) {
    return std::make_shared<AlertView>(std::move(title), std::move(message), delegate, std::move(cancelButtonTitle),
                                       std::move(otherButtonTitles));
}

std::vector<std::string> AlertView::buttonTitles() const {
    std::vector<std::string> all;
    if (cancel_) all.push_back(*cancel_);
    all.insert(all.end(), others_.begin(), others_.end());
    return all;
}

void AlertView::show() {
    if (visible_) return;
    visible_ = true;
    AlertCenter::shared().push(shared_from_this());
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool animated) {
    if (!visible_) return;
    visible_ = false;
    auto self = shared_from_this();  // the stack may hold the last reference
    if (auto* delegate = delegate_.get()) delegate->alertViewClickedButtonAtIndex(*this, buttonIndex);
    AlertCenter::shared().pop(this, buttonIndex, animated);
    // Looked up again: the first call may have closed the screen that was the delegate.
    if (auto* delegate = delegate_.get()) delegate->alertViewDidDismissWithButtonIndex(*this, buttonIndex);
}

AlertCenter& AlertCenter::shared() {
    static AlertCenter center;
    return center;
}

void AlertCenter::push(const std::shared_ptr<AlertView>& alert) {
    const Event ev{Event::Shown, alert->title(), alert->message(), RunLoop::main().now(),
                   RunLoop::main().isCurrentThread(), -1, false};
    std::lock_guard lock(mutex_);
    visible_.push_back(alert);
    record(ev);
}

void AlertCenter::pop(const AlertView* alert, int index, bool animated) {
    const Event ev{Event::Dismissed, alert->title(), alert->message(), RunLoop::main().now(),
                   RunLoop::main().isCurrentThread(), index, animated};
    std::lock_guard lock(mutex_);
    visible_.erase(std::remove_if(visible_.begin(), visible_.end(), [&](const auto& a) { return a.get() == alert; }),
                   visible_.end());
    record(ev);
}

void AlertCenter::record(Event event) {
    if (history_.size() == kHistoryLimit) history_.pop_front();
    history_.push_back(std::move(event));
}

std::vector<std::shared_ptr<AlertView>> AlertCenter::visibleAlerts() const {
    std::lock_guard lock(mutex_);
    return visible_;
}

std::shared_ptr<AlertView> AlertCenter::frontAlert() const {
    std::lock_guard lock(mutex_);
    return visible_.empty() ? nullptr : visible_.back();
}

std::vector<AlertCenter::Event> AlertCenter::history() const {
    std::lock_guard lock(mutex_);
    return {history_.begin(), history_.end()};
}

void AlertCenter::clear() {
    std::vector<std::shared_ptr<AlertView>> drop;
    std::lock_guard lock(mutex_);
    drop.swap(visible_);
    history_.clear();
}

}  // namespace platform
