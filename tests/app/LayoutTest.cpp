// The storyboard the app starts from: every screen, every transition between
// screens, and the four tabs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "app/layout/MainStoryboard.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "platform/qt/QtCanvas.h"
#include "platform/ui/Image.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TextMetrics.h"
#include "platform/ui/Window.h"
#include "qt/PixelProbe.h"
#include "screens/common/BusCityButton.h"
#include "support/Cjk.h"
#include "support/Language.h"

namespace bus::test {
namespace {

class LayoutTest : public testing::Test {
protected:
    void SetUp() override { layout::loadMainStoryboard(storyboard); }
    ui::Storyboard storyboard;
};

// Where each transition leads is the rider's journeys' to prove (tests/app's
// scripts go through every one); here, what any transition needs: both ends
// are screens of the storyboard, the one it opens loads, and no screen names
// one transition twice.
TEST_F(LayoutTest, EveryTransitionJoinsTwoScreensThatLoad) {
    std::set<std::pair<std::string, std::string>> named;
    ASSERT_FALSE(storyboard.transitions().empty());
    for (const auto& t : storyboard.transitions()) {
        SCOPED_TRACE(t.from + " " + t.identifier);
        EXPECT_TRUE(storyboard.hasScreen(t.from));
        const auto opened = storyboard.instantiateViewController(t.to);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(opened->storyboardIdentifier(), t.to);
        EXPECT_TRUE(named.emplace(t.from, t.identifier).second);
    }
}

TEST_F(LayoutTest, EveryScreenLoadsWithATitleBetweenTheBars) {
    for (const auto& name : storyboard.screenNames()) {
        SCOPED_TRACE(name);
        auto screen = storyboard.instantiateViewController(name);
        ASSERT_NE(screen, nullptr);
        ASSERT_NE(screen->view(), nullptr);
        EXPECT_FALSE(screen->title().empty());
        EXPECT_EQ(screen->view()->frame().width(), 375);
        EXPECT_EQ(screen->view()->frame().height(), 554);
    }
}

TEST_F(LayoutTest, StartsWithFourTabsEachTheRootOfANavigationStack) {
    auto initial = storyboard.instantiateInitialViewController();
    auto tabs = std::dynamic_pointer_cast<ui::TabBarController>(initial);
    ASSERT_NE(tabs, nullptr);
    struct Tab {
        const char* root;
        const char* title;
    };
    const Tab expected[] = {{"BusQueryViewController", "查询"},
                            {"BusCollectionViewController", "收藏"},
                            {"BusTransferViewController", "换乘"},
                            {"BusMoreViewController", "更多"}};
    ASSERT_EQ(tabs->viewControllers().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].root);
        auto nav = std::dynamic_pointer_cast<ui::NavigationController>(tabs->viewControllers()[i]);
        ASSERT_NE(nav, nullptr);
        ASSERT_EQ(nav->viewControllers().size(), 1u);
        EXPECT_EQ(nav->viewControllers().front()->storyboardIdentifier(), expected[i].root);
        const auto& item = nav->tabBarItem();
        EXPECT_EQ(item.title, expected[i].title);
        EXPECT_TRUE(ui::imageExists(item.imageName)) << item.imageName;
        EXPECT_TRUE(ui::imageExists(item.selectedImageName)) << item.selectedImageName;
        EXPECT_NE(item.imageName, item.selectedImageName);
    }
    EXPECT_EQ(tabs->selectedIndex(), 0);
}

// The bar's title view as the bar laid it out, or null when it left none.
const ui::View* titleView(ui::NavigationController& navigation) {
    for (const auto& v : navigation.navigationBar().subviews())
        if (v->className() == "NavigationTitle") return v.get();
    return nullptr;
}

// The title of the stack's top screen reads English and has the room its
// bar leaves between its buttons, by the estimate the bar lays out with.
void expectAnEnglishTitleThatFits(ui::NavigationController& navigation) {
    const std::string title = navigation.topViewController()->title();
    EXPECT_FALSE(hasCjk(title)) << title;
    const ui::View* view = titleView(navigation);
    ASSERT_NE(view, nullptr) << title;
    EXPECT_LE(ui::estimatedTextWidth(title, 17), view->frame().width()) << title;
}

// The app chooses the language before it loads the storyboard: loaded in
// English, every tab's title and every screen's title reads English and
// fits, a tab's under its icon, a tab's root between the buttons it shows
// on the window (the city button), any other screen's beside the back
// button of a stack it is pushed on.
TEST_F(LayoutTest, LoadedInEnglishEveryTitleReadsEnglishAndFitsItsBar) {
    InEnglish english;
    layout::loadMainStoryboard(storyboard);
    auto tabs = std::dynamic_pointer_cast<ui::TabBarController>(storyboard.instantiateInitialViewController());
    ASSERT_NE(tabs, nullptr);
    auto window = std::make_shared<ui::Window>();
    window->setRootViewController(tabs);
    std::set<std::string> roots;
    const double tabWidth = ui::Window::kWidth / static_cast<double>(tabs->viewControllers().size());
    for (std::size_t i = 0; i < tabs->viewControllers().size(); ++i) {
        tabs->setSelectedIndex(static_cast<int>(i));
        platform::RunLoop::main().drain();
        auto nav = std::dynamic_pointer_cast<ui::NavigationController>(tabs->viewControllers()[i]);
        ASSERT_NE(nav, nullptr);
        const std::string& tab = nav->tabBarItem().title;
        EXPECT_FALSE(hasCjk(tab)) << tab;
        EXPECT_LE(ui::estimatedTextWidth(tab, 10), tabWidth) << tab;
        const std::string root = nav->topViewController()->storyboardIdentifier();
        roots.insert(root);
        SCOPED_TRACE(root);
        expectAnEnglishTitleThatFits(*nav);
    }
    window->setRootViewController(nullptr);
    platform::RunLoop::main().drain();

    for (const auto& name : storyboard.screenNames()) {
        if (roots.count(name)) continue;
        SCOPED_TRACE(name);
        auto navigation = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
        ASSERT_NE(navigation->view(), nullptr);
        navigation->pushViewController(storyboard.instantiateViewController(name), false);
        expectAnEnglishTitleThatFits(*navigation);
    }
}

// Loaded over a storyboard that has screens already, as a second load does.
TEST_F(LayoutTest, LoadingReplacesWhatWasThereAndLeavesNothingDangling) {
    storyboard.screen<ui::ViewController>("Leftover").transition("Leftover", "x", "BusMoreViewController");
    layout::loadMainStoryboard(storyboard);
    EXPECT_FALSE(storyboard.hasScreen("Leftover"));
    EXPECT_EQ(storyboard.validate(), std::vector<std::string>{});
}

// The city button draws its image 10 points right of where the title starts
// counting: the arrow must still end before the city's name begins.
TEST_F(LayoutTest, TheCityButtonsArrowClearsTheCityName) {
    platform::UserDefaults::standard().setObject("大同", "cityName");
    const auto button = makeCityButton();
    button->setTitleColor(ui::Color::white());
    const ui::Rect bounds = button->bounds();
    ui::Rect title;
    const QImage image = platform::qt::renderImage(bounds.width(), bounds.height(), 2, [&](ui::Canvas& canvas) {
        canvas.fillRect(bounds, ui::Color::rgba(0.1, 0.45, 0.9, 1));
        title = button->layoutContent(canvas).title;
        button->draw(canvas);
    });
    // The arrow is dark grey; the bar blue and the title white.
    const auto isArrow = [](const QColor& c) { return c.lightness() < 100 && c.blue() < 140; };
    EXPECT_GT(qt::countInside(image, image.rect(), isArrow), 20);
    EXPECT_EQ(qt::countInside(image, qt::toPixels(title), isArrow), 0);
}

}  // namespace
}  // namespace bus::test
