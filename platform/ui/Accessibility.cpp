#include "platform/ui/Accessibility.h"

#include <algorithm>
#include <atomic>

#include "platform/Translation.h"
#include "platform/ui/View.h"

namespace ui {

namespace {

std::atomic<int> gListeningWindows{0};

bool shows(const View& v) { return !v.hidden && v.alpha >= 0.01 && !v.accessibilityElementsHidden(); }

bool isContainerRole(AccessibilityRole role) {
    switch (role) {
        case AccessibilityRole::Window:
        case AccessibilityRole::PageTabList:
        case AccessibilityRole::List:
        case AccessibilityRole::Alert:
        case AccessibilityRole::ScrollArea: return true;
        default: return false;
    }
}

// The nodes under `view` (not `view` itself), stopping at each node found.
void collectNodes(View& view, std::vector<View*>& out) {
    for (const auto& child : view.subviews()) {
        if (!shows(*child)) continue;
        if (accessibility::isNode(*child))
            out.push_back(child.get());
        else
            collectNodes(*child, out);
    }
}

// Every node under an element, nodes inside nodes too: the views whose texts
// make up the element's name.
void collectAllNodes(View& view, std::vector<View*>& out) {
    for (const auto& child : view.subviews()) {
        if (!shows(*child)) continue;
        if (accessibility::isNode(*child)) out.push_back(child.get());
        collectAllNodes(*child, out);
    }
}

}  // namespace

namespace detail {
void adjustAccessibilityListeners(int delta) { gListeningWindows.fetch_add(delta, std::memory_order_relaxed); }
}  // namespace detail

namespace accessibility {

bool listening() { return gListeningWindows.load(std::memory_order_relaxed) > 0; }

bool isNode(const View& view) { return view.isAccessibilityElement() || isContainerRole(view.accessibilityRole()); }

bool isActionable(const View& view) { return view.canActivate(); }

std::vector<View*> children(View& node) {
    std::vector<View*> found;
    collectNodes(node, found);
    if (node.isAccessibilityElement()) {
        // What cannot be used on its own is part of the element's name.
        found.erase(std::remove_if(found.begin(), found.end(), [](View* v) { return !isActionable(*v); }),
                    found.end());
    }
    // An alert in front shuts out the rest, for the ear as for the finger.
    const auto alert = std::find_if(found.rbegin(), found.rend(),
                                    [](View* v) { return v->accessibilityRole() == AccessibilityRole::Alert; });
    if (alert != found.rend()) return {*alert};
    sortInReadingOrder(found);
    return found;
}

View* parent(const View& view) {
    for (View* v = view.superview(); v; v = v->superview())
        if (isNode(*v)) return v;
    return nullptr;
}

std::string name(View& node) {
    std::string own = node.accessibilityLabel();
    if (!own.empty() || !node.isAccessibilityElement()) return own;
    std::vector<View*> parts;
    collectAllNodes(node, parts);
    sortInReadingOrder(parts);
    // TRANSLATORS: between the parts of a name that a screen reader speaks
    // ("12路，火车站"): a comma, with the space your language puts after it.
    const std::string separator = platform::tr("，");
    std::string joined;
    for (View* part : parts) {
        if (isActionable(*part)) continue;
        const std::string text = part->accessibilityLabel();
        if (text.empty()) continue;
        if (!joined.empty()) joined += separator;
        joined += text;
    }
    return joined;
}

View* speakingNode(View& view) {
    // The outermost element above a view speaks for it, unless the view can
    // be used on its own.
    View* speaker = isNode(view) ? &view : nullptr;
    if (speaker && isActionable(view)) return speaker;
    for (View* v = view.superview(); v; v = v->superview())
        if (v->isAccessibilityElement()) speaker = v;
    return speaker;
}

void sortInReadingOrder(std::vector<View*>& views) {
    if (views.size() < 2) return;
    std::vector<std::pair<Rect, View*>> placed;
    placed.reserve(views.size());
    for (View* v : views) placed.emplace_back(v->frameInWindow(), v);
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.first.minY() < b.first.minY(); });
    // A view whose top lies above the middle of a line's first view joins
    // that line; a line reads from the left.
    std::size_t lineStart = 0;
    for (std::size_t i = 1; i <= placed.size(); ++i) {
        if (i < placed.size() && placed[i].first.minY() < placed[lineStart].first.midY()) continue;
        std::stable_sort(placed.begin() + static_cast<std::ptrdiff_t>(lineStart),
                         placed.begin() + static_cast<std::ptrdiff_t>(i),
                         [](const auto& a, const auto& b) { return a.first.minX() < b.first.minX(); });
        lineStart = i;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) views[i] = placed[i].second;
}

}  // namespace accessibility

}  // namespace ui
