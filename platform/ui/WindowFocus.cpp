// The window's keyboard focus and its accessibility observer (Window.h).
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/AlertView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

bool showsAlongAncestors(const View& view) {
    for (const View* v = &view; v; v = v->superview())
        if (v->hidden || v->alpha < 0.01 || v->accessibilityElementsHidden()) return false;
    return true;
}

// The views that can be used under a node, depth first in reading order.
void collectActionable(View& node, std::vector<View*>& out) {
    for (View* child : accessibility::children(node)) {
        if (accessibility::isActionable(*child)) out.push_back(child);
        collectActionable(*child, out);
    }
}

double distanceBetween(const Rect& a, const Rect& b) { return std::hypot(a.midX() - b.midX(), a.midY() - b.midY()); }

// The list, scrolling area or tab bar the view is in, if any.
View* enclosingList(const View& view) {
    for (View* v = view.superview(); v; v = v->superview()) {
        const AccessibilityRole role = v->accessibilityRole();
        if (role == AccessibilityRole::List || role == AccessibilityRole::ScrollArea ||
            role == AccessibilityRole::PageTabList)
            return v;
    }
    return nullptr;
}

TableViewCell* enclosingCell(View& view) {
    for (View* v = &view; v; v = v->superview())
        if (auto* cell = dynamic_cast<TableViewCell*>(v)) return cell;
    return nullptr;
}

// The row `step` rows on from `from` in the table, over section ends.
std::optional<IndexPath> rowAfter(TableView& table, IndexPath from, int step) {
    IndexPath next{from.section, from.row + step};
    while (next.section >= 0 && next.section < table.numberOfSections()) {
        const int rows = table.numberOfRowsInSection(next.section);
        if (next.row >= 0 && next.row < rows) return next;
        next.section += step;
        if (next.section < 0 || next.section >= table.numberOfSections()) break;
        next.row = step > 0 ? 0 : table.numberOfRowsInSection(next.section) - 1;
    }
    return std::nullopt;
}

// Where Tab goes from a view it does not visit, such as a row the arrows
// left mostly scrolled away: the next visited one in reading order, else
// round to the first (the last going back).
View* visitedAfter(View& root, View* from, const std::vector<View*>& visited, bool forward) {
    std::vector<View*> all;
    collectActionable(root, all);
    if (!forward) std::reverse(all.begin(), all.end());
    const auto at = std::find(all.begin(), all.end(), from);
    if (at != all.end())
        for (auto v = std::next(at); v != all.end(); ++v)
            if (std::find(visited.begin(), visited.end(), *v) != visited.end()) return *v;
    return forward ? visited.front() : visited.back();
}

void scrollIntoView(View& view) {
    for (View* v = view.superview(); v; v = v->superview()) {
        auto* scroll = dynamic_cast<ScrollView*>(v);
        if (!scroll || !scroll->scrollEnabled) continue;
        const Rect f = view.frameInWindow();
        const Point o = scroll->convertFromWindow({f.x(), f.y()});
        scroll->scrollRectToVisible({o.x, o.y, f.width(), f.height()}, false);
    }
}

}  // namespace

void Window::setAccessibilityObserver(AccessibilityObserver* observer) {
    if ((observer != nullptr) != (accessibilityObserver_ != nullptr))
        detail::adjustAccessibilityListeners(observer ? 1 : -1);
    accessibilityObserver_ = observer;
}

std::vector<View*> Window::focusableViews() {
    syncAlerts();
    std::vector<View*> views;
    collectActionable(*root_, views);
    // What a finger cannot reach (covered by the results of a search,
    // scrolled away) the keyboard does not visit either. A finger reaches a
    // view that another covers only in part, such as a row with a label over
    // its middle, so its centre and the centres of its quarters are tried.
    views.erase(std::remove_if(views.begin(), views.end(), [this](View* v) { return !reachable(*v); }), views.end());
    return views;
}

bool Window::reachable(View& view) {
    const Rect shown = visibleFrameOf(view);
    if (shown.isEmpty()) return false;
    static constexpr std::pair<double, double> kTouches[] = {{0.5, 0.5}, {0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}};
    for (const auto& [fx, fy] : kTouches) {
        View* hit = root_->hitTest({shown.x() + shown.width() * fx, shown.y() + shown.height() * fy});
        if (hit && (hit == &view || hit->isDescendantOf(&view))) return true;
    }
    return false;
}

View* Window::focusedView() {
    syncAlerts();
    syncFocus();
    return focus_.active ? focus_.view.lock().get() : nullptr;
}

bool Window::focusView(View* view) {
    syncAlerts();
    if (!view || view->window() != this || !focusHolds(*view)) return false;
    setFocus(view, true);
    return true;
}

bool Window::focusHolds(View& view) const {
    return view.window() == this && showsAlongAncestors(view) && accessibility::isActionable(view) &&
           (!alertLayerView() || view.isDescendantOf(alertLayerView()));
}

void Window::setFocus(View* view, bool scroll) {
    focus_.active = true;
    focus_.view = view ? view->weak_from_this() : std::weak_ptr<View>();
    if (!view) return;
    if (scroll) scrollIntoView(*view);
    focus_.lastFrame = view->frameInWindow();
    focus_.identifier = view->accessibilityIdentifier();
    ViewController* screen = rootController_ ? rootController_->visibleScreen() : nullptr;
    focus_.screen = screen ? screen->weak_from_this() : std::weak_ptr<ViewController>();
    view->postAccessibilityNotification(AccessibilityNotification::FocusChanged);
}

void Window::syncFocus() {
    if (!focus_.active) return;
    auto current = focus_.view.lock();
    if (current && focusHolds(*current)) {
        focus_.lastFrame = current->frameInWindow();
        return;
    }
    const auto candidates = focusableViews();
    View* next = nullptr;
    if (alertLayerView()) {
        // Into the alert, and back where it was once the alert is gone.
        if (current && !current->isDescendantOf(alertLayerView())) focus_.beforeAlert = current;
        if (!candidates.empty()) next = candidates.front();
    } else if (auto before = focus_.beforeAlert.lock();
               before && std::find(candidates.begin(), candidates.end(), before.get()) != candidates.end()) {
        next = before.get();
    } else {
        next = replacementFocus(candidates);
    }
    if (!alertLayerView()) focus_.beforeAlert.reset();
    if (next || current) setFocus(next, false);
}

View* Window::replacementFocus(const std::vector<View*>& candidates) {
    if (candidates.empty()) return nullptr;
    if (!focus_.identifier.empty())
        for (View* v : candidates)
            if (v->accessibilityIdentifier() == focus_.identifier) return v;
    ViewController* screen = rootController_ ? rootController_->visibleScreen() : nullptr;
    if (screen && screen == focus_.screen.lock().get()) {
        // The same screen rebuilt its views: the one nearest to where the
        // focus was.
        return *std::min_element(candidates.begin(), candidates.end(), [this](View* a, View* b) {
            return distanceBetween(a->frameInWindow(), focus_.lastFrame) <
                   distanceBetween(b->frameInWindow(), focus_.lastFrame);
        });
    }
    // A new screen: its first view, once it has one.
    if (screen && screen->isViewLoaded())
        for (View* v : candidates)
            if (v->isDescendantOf(screen->view().get())) return v;
    return nullptr;
}

bool Window::moveFocus(FocusMove move) {
    const bool forward = move == FocusMove::Next || move == FocusMove::Down;
    View* current = focusedView();
    if (current && (move == FocusMove::Up || move == FocusMove::Down) && enclosingList(*current))
        return moveFocusInList(*current, forward ? 1 : -1);
    const auto views = focusableViews();
    if (views.empty()) return false;
    auto it = std::find(views.begin(), views.end(), current);
    View* target = nullptr;
    if (it == views.end())
        target = visitedAfter(*root_, current, views, forward);
    else if (forward)
        target = std::next(it) == views.end() ? views.front() : *std::next(it);
    else
        target = it == views.begin() ? views.back() : *std::prev(it);
    setFocus(target, true);
    return true;
}

bool Window::moveFocusInList(View& focused, int step) {
    View* list = enclosingList(focused);
    if (auto* table = dynamic_cast<TableView*>(list)) {
        std::optional<IndexPath> next;
        if (TableViewCell* cell = enclosingCell(focused)) {
            if (auto row = table->indexPathForCell(*cell)) next = rowAfter(*table, *row, step);
        } else {
            // From the header down into the rows, from the footer up.
            const auto& edge = step > 0 ? table->tableHeaderView() : table->tableFooterView();
            const int sections = table->numberOfSections();
            if (edge && focused.isDescendantOf(edge.get()) && sections > 0) {
                const int s = step > 0 ? 0 : sections - 1;
                next = rowAfter(*table, {s, step > 0 ? -1 : table->numberOfRowsInSection(s)}, step);
            }
        }
        if (!next) return false;
        table->scrollToRowAtIndexPath(*next, TableViewScrollPosition::None, false);
        auto cell = table->cellForRowAtIndexPath(*next);
        if (!cell || !accessibility::isActionable(*cell)) return false;
        setFocus(cell.get(), true);
        return true;
    }
    std::vector<View*> items;
    collectActionable(*list, items);
    auto it = std::find(items.begin(), items.end(), &focused);
    if (it == items.end()) return false;
    const auto index = (it - items.begin()) + step;
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(items.size())) return false;
    setFocus(items[static_cast<std::size_t>(index)], true);
    return true;
}

bool Window::activateFocusedView() {
    View* view = focusedView();
    if (!view) return false;
    auto keep = view->weak_from_this().lock();
    const bool acted = view->accessibilityActivate();
    syncAlerts();
    syncFocus();
    return acted;
}

bool Window::escapeKey() {
    syncAlerts();
    bool done = false;
    if (!shownAlerts_.empty()) {
        // Only an alert that offers a way out closes: a notice closes itself.
        const auto alert = shownAlerts_.back();
        if (alert->cancelButtonIndex() >= 0) {
            alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), true);
            done = true;
        }
    } else {
        for (View* start : {firstResponder(), focus_.active ? focus_.view.lock().get() : nullptr}) {
            for (View* v = start; v && !done; v = v->superview()) {
                auto keep = v->weak_from_this().lock();
                done = v->accessibilityPerformEscape();
            }
            if (done) break;
        }
        if (!done && rootController_) done = rootController_->goBack();
    }
    syncAlerts();
    syncFocus();
    return done;
}

void Window::drawFocusRing(Canvas& canvas) {
    if (!focus_.active) return;
    auto view = focus_.view.lock();
    if (!view || !focusHolds(*view)) return;
    const Rect shown = visibleFrameOf(*view);
    if (shown.isEmpty()) return;
    // A stroke lies inside the rectangle's edges, so a row as wide as the
    // window shows its ring whole.
    canvas.strokeRect(shown, kFocusRingWidth, focusRingColor(), 4);
}

}  // namespace ui
