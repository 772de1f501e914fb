#include "platform/ui/View.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "platform/ui/Window.h"

namespace ui {

struct View::AccessibilityInfo {
    std::optional<std::string> label;
    LabelProvider labelProvider;
    std::string hint;
    std::string identifier;
};

namespace {
// Views may be made off the main thread (and handed over), so the registry
// of live views has its own lock.
std::mutex& liveViewsMutex() {
    static std::mutex m;
    return m;
}
std::unordered_set<View*>& liveViews() {
    static std::unordered_set<View*> views;
    return views;
}
void registerView(View* v) {
    std::lock_guard lock(liveViewsMutex());
    liveViews().insert(v);
}
}  // namespace

View::View() { registerView(this); }
View::View(const Rect& frame) : frame_(frame) { registerView(this); }

View::~View() {
    {
        std::lock_guard lock(liveViewsMutex());
        liveViews().erase(this);
    }
    for (auto& child : subviews_) child->superview_ = nullptr;
}

void View::forEachLiveView(const std::function<void(View&)>& visit) {
    std::vector<View*> views;
    {
        std::lock_guard lock(liveViewsMutex());
        views.assign(liveViews().begin(), liveViews().end());
    }
    for (View* v : views) visit(*v);
}

void View::setFrame(const Rect& frame) { frame_ = frame; }

void View::setCenter(Point c) {
    setFrame({c.x - frame_.width() / 2, c.y - frame_.height() / 2, frame_.width(), frame_.height()});
}

void View::addSubview(std::shared_ptr<View> view) { insertSubview(std::move(view), subviews_.size()); }

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) {
    if (!view || view.get() == this) return;
    if (view->superview_) view->removeFromSuperview();
    const Window* before = view->window();
    view->superview_ = this;
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->didMoveToSuperview();
    if (view->window() != before) view->notifyWindowChange();
    postAccessibilityNotification(AccessibilityNotification::LayoutChanged);
}

void View::setWindow(Window* w) {
    if (window_ == w) return;
    window_ = w;
    notifyWindowChange();
}

void View::notifyWindowChange() {
    didMoveToWindow();
    if (wantsFirstResponder_ && window()) becomeFirstResponder();
    // The hook may change the tree: walk a copy.
    const auto children = subviews_;
    for (const auto& child : children) child->notifyWindowChange();
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    // Keep ourselves alive until the end: the parent may hold the last owner.
    auto self = shared_from_this();
    const Window* before = window();
    auto& list = parent->subviews_;
    list.erase(std::remove_if(list.begin(), list.end(), [this](const ViewPtr& v) { return v.get() == this; }),
               list.end());
    superview_ = nullptr;
    didMoveToSuperview();
    if (window() != before) notifyWindowChange();
    parent->postAccessibilityNotification(AccessibilityNotification::LayoutChanged);
}

bool View::becomeFirstResponder() {
    if (!canBecomeFirstResponder()) return false;
    Window* w = window();
    wantsFirstResponder_ = w == nullptr;
    return w == nullptr || w->makeFirstResponder(this);
}

void View::resignFirstResponder() {
    wantsFirstResponder_ = false;
    if (isFirstResponder()) window()->resignFirstResponder();
}

bool View::isFirstResponder() const {
    const Window* w = window();
    return w && w->firstResponder() == this;
}

void View::removeAllSubviews() {
    while (!subviews_.empty()) subviews_.back()->removeFromSuperview();
}

bool View::isDescendantOf(const View* ancestor) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == ancestor) return true;
    return false;
}

View* View::viewWithTag(std::int64_t wanted) {
    if (tag == wanted) return this;
    for (auto& child : subviews_)
        if (View* found = child->viewWithTag(wanted)) return found;
    return nullptr;
}

Window* View::window() const {
    const View* v = this;
    while (v->superview_) v = v->superview_;
    return v->window_;
}

Point View::convertToWindow(Point p) const {
    for (const View* v = this; v; v = v->superview_) {
        p.x += v->frame_.x() - v->boundsOrigin_.x;
        p.y += v->frame_.y() - v->boundsOrigin_.y;
    }
    return p;
}

Point View::convertFromWindow(Point p) const {
    const Point origin = convertToWindow({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

Rect View::frameInWindow() const {
    const Point o = convertToWindow({boundsOrigin_.x, boundsOrigin_.y});
    return {o.x, o.y, frame_.width(), frame_.height()};
}

bool View::pointInside(Point p) const { return bounds().contains(p); }

View* View::hitTest(Point p) {
    if (!takesTouches() || !pointInside(p)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* child = it->get();
        const Point local{p.x - child->frame_.x() + child->boundsOrigin_.x,
                          p.y - child->frame_.y() + child->boundsOrigin_.y};
        if (View* hit = child->hitTest(local)) return hit;
    }
    return this;
}

void View::touchesBegan(const Touch& t) {
    if (superview_) superview_->touchesBegan(t);
}
void View::touchesMoved(const Touch& t) {
    if (superview_) superview_->touchesMoved(t);
}
void View::touchesEnded(const Touch& t) {
    if (superview_) superview_->touchesEnded(t);
}
void View::touchesCancelled(const Touch& t) {
    if (superview_) superview_->touchesCancelled(t);
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
    if (!recognizer) return;
    recognizer->view_ = this;
    recognizers_.push_back(std::move(recognizer));
}

void View::draw(Canvas& canvas) {
    const Rect b = bounds();
    if (!backgroundColor.isClear()) {
        if (cornerRadius > 0)
            canvas.fillRoundedRect(b, cornerRadius, backgroundColor);
        else
            canvas.fillRect(b, backgroundColor);
    }
    if (borderWidth > 0) canvas.strokeRect(b, borderWidth, borderColor, cornerRadius);
}

void View::drawTree(View& view, Canvas& canvas) {
    const double alpha = view.presentationAlpha();
    if (view.hidden || alpha <= 0.0) return;
    canvas.save();
    canvas.translate(view.frame_.x(), view.frame_.y());
    canvas.multiplyAlpha(alpha);
    if (view.clipsToBounds) canvas.clipTo({0, 0, view.frame_.width(), view.frame_.height()});
    canvas.translate(-view.boundsOrigin_.x, -view.boundsOrigin_.y);
    view.draw(canvas);
    for (auto& child : view.subviews_) drawTree(*child, canvas);
    canvas.restore();
}

View::AccessibilityInfo& View::accessibilityInfo() {
    if (!accessibility_) accessibility_ = std::make_unique<AccessibilityInfo>();
    return *accessibility_;
}

void View::setAccessibilityLabel(std::string label) {
    // Only a listener needs to know whether it changed.
    if (!accessibility::listening()) {
        accessibilityInfo().label = std::move(label);
        accessibility_->labelProvider = nullptr;
        return;
    }
    const std::string before = accessibilityLabel();
    accessibilityInfo().label = std::move(label);
    accessibility_->labelProvider = nullptr;
    if (accessibilityLabel() != before) postAccessibilityNotification(AccessibilityNotification::NameChanged);
}

void View::setAccessibilityLabelProvider(LabelProvider provider) {
    auto& info = accessibilityInfo();
    info.label.reset();
    info.labelProvider = std::move(provider);
    postAccessibilityNotification(AccessibilityNotification::NameChanged);
}

std::string View::accessibilityLabel() const {
    if (accessibility_ && accessibility_->label) return *accessibility_->label;
    if (accessibility_ && accessibility_->labelProvider) return accessibility_->labelProvider(*this);
    return defaultAccessibilityLabel();
}

void View::setAccessibilityHint(std::string hint) { accessibilityInfo().hint = std::move(hint); }

std::string View::accessibilityHint() const { return accessibility_ ? accessibility_->hint : std::string(); }

void View::setAccessibilityTraits(std::uint32_t traits) {
    const std::uint32_t before = accessibilityTraits();
    accessibilityTraits_ = traits;
    if (traits != before) postAccessibilityNotification(AccessibilityNotification::StateChanged);
}

std::uint32_t View::accessibilityTraits() const {
    return accessibilityTraits_ != kTraitsUnset ? accessibilityTraits_ : defaultAccessibilityTraits();
}

void View::setAccessibilityIdentifier(std::string identifier) { accessibilityInfo().identifier = std::move(identifier); }

std::string View::accessibilityIdentifier() const { return accessibility_ ? accessibility_->identifier : std::string(); }

void View::setIsAccessibilityElement(bool element) { accessibilityElement_ = element ? 1 : 0; }

bool View::isAccessibilityElement() const {
    return accessibilityElement_ >= 0 ? accessibilityElement_ == 1 : defaultIsAccessibilityElement();
}

void View::setAccessibilityElementsHidden(bool hidden) {
    if (hidden == accessibilityElementsHidden_) return;
    accessibilityElementsHidden_ = hidden;
    if (superview_) superview_->postAccessibilityNotification(AccessibilityNotification::LayoutChanged);
}

bool View::accessibilityElementsHidden() const { return accessibilityElementsHidden_; }

AccessibilityRole View::accessibilityRole() const {
    // What a screen says outranks the view's kind.
    const std::uint32_t traits = accessibilityTraits_ != kTraitsUnset ? accessibilityTraits_ : 0;
    if (traits & AccessibilityTrait::Tab) return AccessibilityRole::PageTab;
    if (traits & AccessibilityTrait::SearchField) return AccessibilityRole::TextEntry;
    if (traits & AccessibilityTrait::Button) return AccessibilityRole::Button;
    if (traits & AccessibilityTrait::Image) return AccessibilityRole::Image;
    if (traits & (AccessibilityTrait::StaticText | AccessibilityTrait::Header)) return AccessibilityRole::Label;
    return defaultAccessibilityRole();
}

bool View::accessibilityActivate() {
    if (!takesTouches()) return false;
    // A recogniser's action may drop the last owner of this view.
    auto keep = weak_from_this().lock();
    const auto recognizers = recognizers_;
    bool acted = false;
    for (const auto& r : recognizers) acted = r->activateWithoutTouch() || acted;
    return acted;
}

bool View::canActivate() const {
    if (!takesTouches()) return false;
    return std::any_of(recognizers_.begin(), recognizers_.end(),
                       [](const auto& r) { return r->activatesWithoutTouch(); });
}

void View::postAccessibilityNotification(AccessibilityNotification what) {
    if (!accessibility::listening()) return;
    const Window* w = window();
    if (AccessibilityObserver* observer = w ? w->accessibilityObserver() : nullptr)
        observer->accessibilityNotification(*this, what);
}

nlohmann::json View::describe() const {
    const Rect f = frameInWindow();
    nlohmann::json j{{"class", className()},
                     {"frame", {f.x(), f.y(), f.width(), f.height()}},
                     {"tag", tag},
                     {"alpha", alpha},
                     {"hidden", hidden}};
    if (auto t = text(); !t.empty()) j["text"] = t;
    if (auto i = imageName(); !i.empty()) j["image"] = i;
    if (!restorationIdentifier.empty()) j["restorationIdentifier"] = restorationIdentifier;
    // What a screen reader says of it, where that is more than its text, so
    // that a dump shows every text a rider meets.
    if (isAccessibilityElement()) {
        if (auto l = accessibilityLabel(); !l.empty() && l != text()) j["accessibilityLabel"] = l;
        if (auto h = accessibilityHint(); !h.empty()) j["accessibilityHint"] = h;
    }
    auto children = nlohmann::json::array();
    for (const auto& child : subviews_) children.push_back(child->describe());
    j["children"] = std::move(children);
    return j;
}

}  // namespace ui
