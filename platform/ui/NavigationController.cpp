#include "platform/ui/NavigationController.h"

#include <algorithm>

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Translation.h"
#include "platform/ui/PressableView.h"
#include "platform/ui/TextMetrics.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

// The bar's title, centred between the items.
class NavigationTitleView : public View {
public:
    NavigationTitleView(const Rect& frame, std::string title, Color color)
        : View(frame), title_(std::move(title)), color_(color) {
        userInteractionEnabled = false;
    }
    std::string className() const override { return "NavigationTitle"; }
    std::string text() const override { return title_; }
    std::vector<TextRoom> textRooms() const override { return {{title_, Font::boldSystem(17), bounds()}}; }
    void draw(Canvas& canvas) override {
        canvas.drawText(bounds(), title_, Font::boldSystem(17), color_, TextAlignment::Center);
    }

protected:
    bool defaultIsAccessibilityElement() const override { return !title_.empty(); }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::Label; }
    std::uint32_t defaultAccessibilityTraits() const override { return AccessibilityTrait::Header; }

private:
    std::string title_;
    Color color_;
};

// A titled button of the bar (an item with a title, or the back button).
class BarItemButtonView : public PressableView {
public:
    BarItemButtonView(std::string title, bool chevron, Color tint, std::function<void()> action)
        : title_(std::move(title)), chevron_(chevron), tint_(tint), action_(std::move(action)) {
        const double width = estimatedTextWidth(title_, 17) + (chevron_ ? 26 : 12);
        setFrame({0, 0, width, NavigationController::kBarHeight});
    }
    std::string className() const override { return chevron_ ? "BackButton" : "BarButton"; }
    std::string text() const override { return title_; }
    std::vector<TextRoom> textRooms() const override { return {{title_, Font::system(17), titleRoom()}}; }
    void draw(Canvas& canvas) override {
        Color tint = tint_;
        if (isHighlighted()) tint.a *= 0.3;
        if (chevron_) {
            const double x = 6, midY = bounds().height() / 2;
            canvas.drawLine({x + 8, midY - 8}, {x, midY}, 2.5, tint);
            canvas.drawLine({x, midY}, {x + 8, midY + 8}, 2.5, tint);
        }
        canvas.drawText(titleRoom(), title_, Font::system(17), tint, TextAlignment::Left);
    }

protected:
    void pressed() override {
        if (action_) action_();
    }

private:
    // Right of the chevron, if there is one.
    Rect titleRoom() const {
        const Rect b = bounds();
        const double x = chevron_ ? 20 : 6;
        return {x, 0, b.width() - x, b.height()};
    }

    std::string title_;
    bool chevron_;
    Color tint_;
    std::function<void()> action_;
};

ViewPtr viewForItem(const BarButtonItemPtr& item, Color tint) {
    if (item->customView()) return item->customView();
    std::weak_ptr<BarButtonItem> weak = item;
    return std::make_shared<BarItemButtonView>(item->title(), false, tint, [weak] {
        if (auto strong = weak.lock()) strong->trigger();
    });
}

}  // namespace

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        adoptChild(*root);
        stack_.push_back(std::move(root));
    }
}

NavigationController::~NavigationController() {
    if (boundItem_) boundItem_->onChange = nullptr;
    if (bar_) bar_->detach();
    for (auto& c : stack_) releaseChild(*c);
}

NavigationBar& NavigationController::navigationBar() {
    view();
    return *bar_;
}

void NavigationController::setBarAppearance(const BarAppearance& appearance) {
    barAppearance_ = appearance;
    if (bar_) bar_->setAppearance(appearance);
}

void NavigationController::loadView() {
    content_ = make<View>();
    bar_ = std::make_shared<NavigationBar>(*this);
    bar_->setAppearance(barAppearance_);
    loadContainerView(content_, bar_, [this] { layout(); }, topViewController());
    bindBar();
}

void NavigationController::layout() {
    if (!bar_) return;
    const Rect b = view()->bounds();
    bar_->setFrame({0, 0, b.width(), kBarHeight});
    content_->setFrame({0, kBarHeight, b.width(), std::max(0.0, b.height() - kBarHeight)});
    if (auto top = topViewController(); top && top->isViewLoaded()) top->view()->setFrame(content_->bounds());
}

std::vector<ViewController*> NavigationController::shownChildren() const {
    if (stack_.empty()) return {};
    return {stack_.back().get()};
}

void NavigationController::bindBar() {
    if (!bar_) return;
    if (boundItem_) boundItem_->onChange = nullptr;
    auto top = topViewController();
    boundItem_ = top ? &top->navigationItem() : nullptr;
    if (boundItem_) boundItem_->onChange = [this] { bar_->show(boundItem_, stack_.size() > 1); };
    bar_->show(boundItem_, stack_.size() > 1);
}

void NavigationController::replaceTop(std::shared_ptr<ViewController> leaving,
                                      std::shared_ptr<ViewController> arriving, bool animated) {
    if (!isViewLoaded()) return;
    if (leaving == arriving) {
        bindBar();
        return;
    }
    const bool onScreen = isOnScreen();
    if (arriving) arriving->view()->setFrame(content_->bounds());
    if (onScreen) {
        if (leaving) leaving->beginAppearanceTransition(false, animated);
        if (arriving) arriving->beginAppearanceTransition(true, animated);
    }
    if (leaving && leaving->isViewLoaded()) leaving->view()->removeFromSuperview();
    if (arriving) content_->addSubview(arriving->view());
    bindBar();
    if (onScreen) {
        if (leaving) leaving->endAppearanceTransition();
        if (arriving) arriving->endAppearanceTransition();
    }
}

void NavigationController::releaseLater(std::vector<std::shared_ptr<ViewController>> popped) {
    for (auto& c : popped) releaseChild(*c);
    // The popped screens may be the ones asking for the pop, still inside
    // their own methods: they go when the current event is over.
    platform::RunLoop::main().post([keep = std::move(popped)]() mutable { keep.clear(); });
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
    if (!controller) return;
    if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end() || controller->parentViewController()) {
        platform::NSLog("pushViewController: " + controller->className() + " is already in a container");
        return;
    }
    auto leaving = topViewController();
    adoptChild(*controller);
    stack_.push_back(controller);
    replaceTop(leaving, controller, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (stack_.size() <= 1) return nullptr;
    auto leaving = stack_.back();
    stack_.pop_back();
    replaceTop(leaving, stack_.back(), animated);
    releaseLater({leaving});
    return leaving;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated) {
    if (stack_.size() <= 1) return {};
    std::vector<std::shared_ptr<ViewController>> popped(stack_.begin() + 1, stack_.end());
    auto leaving = stack_.back();
    stack_.resize(1);
    replaceTop(leaving, stack_.front(), animated);
    releaseLater(popped);
    return popped;
}

bool NavigationController::goBack() {
    if (ViewController::goBack()) return true;
    return popViewControllerAnimated(true) != nullptr;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                              bool animated) {
    auto leaving = topViewController();
    std::vector<std::shared_ptr<ViewController>> dropped;
    for (auto& c : stack_)
        if (std::find(controllers.begin(), controllers.end(), c) == controllers.end()) dropped.push_back(c);
    for (auto& c : controllers)
        if (std::find(stack_.begin(), stack_.end(), c) == stack_.end()) adoptChild(*c);
    stack_ = std::move(controllers);
    replaceTop(leaving, topViewController(), animated);
    releaseLater(std::move(dropped));
}

NavigationBar::NavigationBar(NavigationController& owner) : owner_(&owner) { backgroundColor = appearance_.background; }

void NavigationBar::setAppearance(const BarAppearance& appearance) {
    appearance_ = appearance;
    backgroundColor = appearance.background;
    rebuild();
}

void NavigationBar::setFrame(const Rect& frame) {
    View::setFrame(frame);
    rebuild();
}

void NavigationBar::draw(Canvas& canvas) {
    View::draw(canvas);
    const Rect b = bounds();
    canvas.fillRect({0, b.height() - 0.5, b.width(), 0.5}, kBarEdgeColor);
}

void NavigationBar::show(NavigationItem* item, bool backButton) {
    item_ = item;
    backButton_ = backButton;
    rebuild();
}

void NavigationBar::detach() {
    owner_ = nullptr;
    item_ = nullptr;
    removeAllSubviews();
}

void NavigationBar::rebuild() {
    removeAllSubviews();
    title_.clear();
    if (!item_) return;
    const double w = frame().width(), h = frame().height();
    constexpr double margin = 8;
    auto place = [&](const ViewPtr& v, double x) {
        const Rect f = v->frame();
        v->setFrame({x, (h - f.height()) / 2, f.width(), f.height()});
        addSubview(v);
    };
    double leftEdge = 0;
    if (item_->leftBarButtonItem()) {
        auto v = viewForItem(item_->leftBarButtonItem(), appearance_.tint);
        place(v, margin);
        leftEdge = margin + v->frame().width();
    } else if (backButton_ && !item_->hidesBackButton() && owner_) {
        NavigationController* owner = owner_;
        auto v = std::make_shared<BarItemButtonView>(platform::tr(NavigationController::kBackTitle), true,
                                                     appearance_.tint,
                                                     [owner] { owner->popViewControllerAnimated(true); });
        place(v, 0);
        leftEdge = v->frame().width();
    }
    double rightEdge = w;
    for (const auto& item : item_->rightBarButtonItems()) {
        if (!item) continue;
        auto v = viewForItem(item, appearance_.tint);
        rightEdge -= margin + v->frame().width();
        place(v, rightEdge);
    }
    title_ = item_->title();
    const double side = std::max(leftEdge, w - rightEdge) + margin;
    if (!title_.empty() && w - 2 * side > 0)
        insertSubview(std::make_shared<NavigationTitleView>(Rect{side, 0, w - 2 * side, h}, title_, appearance_.title), 0);
}

}  // namespace ui
