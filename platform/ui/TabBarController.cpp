#include "platform/ui/TabBarController.h"

#include <algorithm>

#include "platform/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PressableView.h"
#include "platform/ui/TextMetrics.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

// One tab of the bar: the tab's icon over its title, in the tint colour
// when selected. It reads its item from the tab's screen at every paint, so
// a screen may change its item at any time.
class TabButtonView : public PressableView {
public:
    TabButtonView(const Rect& frame, TabBarController* owner, int index)
        : PressableView(frame), owner_(owner), index_(index) {}
    std::string className() const override { return "TabBarButton"; }
    std::string text() const override { return item().title; }
    std::string imageName() const override {
        const TabBarItem& i = item();
        return selected() && !i.selectedImageName.empty() ? i.selectedImageName : i.imageName;
    }
    std::vector<TextRoom> textRooms() const override {
        return {{item().title, Font::system(10), {0, 32, bounds().width(), 14}}};
    }
    void draw(Canvas& canvas) override {
        const Rect b = bounds();
        if (auto image = imageName(); !image.empty()) canvas.drawImage({(b.width() - 25) / 2, 5, 25, 25}, image);
        canvas.drawText({0, 32, b.width(), 14}, item().title, Font::system(10),
                        selected() ? Color::tint() : Color::gray(), TextAlignment::Center);
    }
    void detach() { owner_ = nullptr; }

protected:
    void pressed() override {
        if (owner_) owner_->tabTapped(index_);
    }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::PageTab; }
    std::uint32_t defaultAccessibilityTraits() const override {
        return selected() ? AccessibilityTrait::Selected : AccessibilityTrait::None;
    }

private:
    bool selected() const { return owner_ && owner_->selectedIndex() == index_; }
    const TabBarItem& item() const {
        static const TabBarItem none;
        if (!owner_) return none;
        const auto& tabs = owner_->viewControllers();
        if (index_ < 0 || static_cast<std::size_t>(index_) >= tabs.size()) return none;
        return tabs[static_cast<std::size_t>(index_)]->tabBarItem();
    }
    TabBarController* owner_;
    int index_;
};

}  // namespace

TabBarController::TabBarController() = default;

TabBarController::~TabBarController() {
    if (bar_)
        for (auto& v : bar_->subviews())
            if (auto* button = dynamic_cast<TabButtonView*>(v.get())) button->detach();
    for (auto& c : tabs_) releaseChild(*c);
}

TabBar& TabBarController::tabBar() {
    view();
    return *bar_;
}

void TabBarController::loadView() {
    content_ = make<View>();
    bar_ = std::make_shared<TabBar>(*this);
    loadContainerView(content_, bar_, [this] { layout(); }, selectedViewController());
}

void TabBarController::layout() {
    if (!bar_) return;
    const Rect b = view()->bounds();
    const double contentHeight = std::max(0.0, b.height() - kBarHeight);
    content_->setFrame({0, 0, b.width(), contentHeight});
    bar_->setFrame({0, contentHeight, b.width(), kBarHeight});
    if (auto shown = selectedViewController(); shown && shown->isViewLoaded())
        shown->view()->setFrame(content_->bounds());
}

std::vector<ViewController*> TabBarController::shownChildren() const {
    auto shown = selectedViewController();
    if (!shown) return {};
    return {shown.get()};
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    if (selected_ < 0 || static_cast<std::size_t>(selected_) >= tabs_.size()) return nullptr;
    return tabs_[static_cast<std::size_t>(selected_)];
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers) {
    auto leaving = selectedViewController();
    const bool onScreen = isOnScreen() && isViewLoaded();
    if (onScreen && leaving) leaving->beginAppearanceTransition(false, false);
    if (leaving && leaving->isViewLoaded()) leaving->view()->removeFromSuperview();
    if (onScreen && leaving) leaving->endAppearanceTransition();
    std::vector<std::shared_ptr<ViewController>> dropped;
    for (auto& c : tabs_) {
        releaseChild(*c);
        if (std::find(controllers.begin(), controllers.end(), c) == controllers.end()) dropped.push_back(c);
    }
    tabs_ = std::move(controllers);
    for (auto& c : tabs_) adoptChild(*c);
    selected_ = tabs_.empty() ? -1 : 0;
    if (!dropped.empty())
        platform::RunLoop::main().post([keep = std::move(dropped)]() mutable { keep.clear(); });
    if (!isViewLoaded()) return;
    bar_->rebuild();
    if (auto arriving = selectedViewController()) {
        arriving->view()->setFrame(content_->bounds());
        if (onScreen) arriving->beginAppearanceTransition(true, false);
        content_->addSubview(arriving->view());
        if (onScreen) arriving->endAppearanceTransition();
    }
}

void TabBarController::setSelectedIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tabs_.size() || index == selected_) return;
    auto leaving = selectedViewController();
    auto arriving = tabs_[static_cast<std::size_t>(index)];
    selected_ = index;
    if (!isViewLoaded()) return;
    const bool onScreen = isOnScreen();
    arriving->view()->setFrame(content_->bounds());
    if (onScreen) {
        if (leaving) leaving->beginAppearanceTransition(false, false);
        arriving->beginAppearanceTransition(true, false);
    }
    if (leaving && leaving->isViewLoaded()) leaving->view()->removeFromSuperview();
    content_->addSubview(arriving->view());
    if (onScreen) {
        if (leaving) leaving->endAppearanceTransition();
        arriving->endAppearanceTransition();
    }
}

void TabBarController::tabTapped(int index) {
    if (index == selected_) {
        if (auto* nav = dynamic_cast<NavigationController*>(selectedViewController().get()))
            nav->popToRootViewControllerAnimated(true);
        return;
    }
    setSelectedIndex(index);
}

TabBar::TabBar(TabBarController& owner) : owner_(owner) { backgroundColor = kBarColor; }

void TabBar::setFrame(const Rect& frame) {
    View::setFrame(frame);
    rebuild();
}

void TabBar::rebuild() {
    for (auto& v : subviews())
        if (auto* button = dynamic_cast<TabButtonView*>(v.get())) button->detach();
    removeAllSubviews();
    const auto count = owner_.viewControllers().size();
    if (count == 0) return;
    const double w = frame().width() / static_cast<double>(count);
    for (std::size_t i = 0; i < count; ++i)
        addSubview(std::make_shared<TabButtonView>(Rect{w * static_cast<double>(i), 0, w, frame().height()}, &owner_,
                                                   static_cast<int>(i)));
}

void TabBar::draw(Canvas& canvas) {
    View::draw(canvas);
    canvas.fillRect({0, 0, bounds().width(), 0.5}, kBarEdgeColor);
}

}  // namespace ui
