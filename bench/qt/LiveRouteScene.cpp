#include "LiveRouteScene.h"

#include <string>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/ViewController.h"

namespace bench::qt {

namespace {

constexpr int kStops = 45;
constexpr int kWaiting = 12;
constexpr double kRowHeight = 60;
constexpr double kWaitingRowHeight = 135;

std::shared_ptr<ui::View> stopRow(const ui::Rect& frame, int n, LiveRouteScene& scene) {
    const double w = frame.width();
    const bool waiting = n == kWaiting, before = n < kWaiting;
    auto row = ui::make<ui::View>(frame);
    row->addSubview(ui::makeLabel({80, 20, w, 20}, "第" + std::to_string(n) + "站 御河西路口", ui::Font::boldSystem(18),
                          waiting ? ui::Color::rgba(85 / 255.0, 205 / 255.0, 1) : ui::Color::black()));
    row->addSubview(ui::make<ui::ImageView>(ui::Rect{80, waiting ? 135.0 : 60.0, w, 1}, "分割线.png"));
    row->addSubview(ui::make<ui::ImageView>(ui::Rect{50, 20, 22, 22},
                                            waiting ? "等车站.png" : before ? "已过站.png" : "未过站.png"));
    if (n != kStops)
        row->addSubview(ui::make<ui::ImageView>(ui::Rect{59, 42, 4, waiting ? 110.0 : 48.0},
                                                before ? "过站连接线.png" : "连接线.png"));
    if (!waiting)
        row->addSubview(ui::makeLabel({50, 20, 22, 22}, std::to_string(n), ui::Font::boldSystem(15),
                              before ? ui::Color::gray() : ui::Color::white(), ui::TextAlignment::Center));
    auto button = ui::make<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, w, frame.height()});
    button->tag = n;
    button->addTarget(&scene, [&scene](ui::Control&) { ++scene.taps; }, ui::ControlEventTouchUpInside);
    row->addSubview(button);
    if (waiting) {
        scene.waitingRowButton = button;
        row->addSubview(ui::makeLabel({80, 50, w, 20}, "最近三辆车：", ui::Font::boldSystem(15), ui::Color::black()));
        for (double x : {80.0, 156.0, 232.0})
            row->addSubview(ui::make<ui::ImageView>(ui::Rect{x, 80, 75, 50}, "最近三辆车底色.png"));
    }
    if (waiting || n % 5 == 0)
        row->addSubview(ui::make<ui::ImageView>(ui::Rect{w - 50, 20, 25, 25}, waiting ? "点击收藏.png" : "收藏成功.png"));
    return row;
}

std::shared_ptr<ui::View> marker(const ui::Rect& frame, int stationNo, int count) {
    auto m = ui::make<ui::View>(frame);
    m->tag = 1;
    const bool past = stationNo > kWaiting;
    m->addSubview(ui::make<ui::ImageView>(ui::Rect{0, 5, 50, 50},
                                          past ? "过站巴士.png" : count == 1 ? "bus.png" : "两辆巴士.png"));
    if (!past && count > 1)
        m->addSubview(ui::makeLabel({28, 15, 13, 13}, std::to_string(count), ui::Font::boldSystem(12), ui::Color::white()));
    auto button = ui::make<ui::Button>(ui::ButtonType::System, ui::Rect{0, 0, frame.width(), frame.height()});
    button->tag = stationNo - 1;
    m->addSubview(button);
    return m;
}

class LiveRouteScreen : public ui::ViewController {
public:
    explicit LiveRouteScreen(LiveRouteScene& scene) : scene_(scene) { setTitle("11路 开往 火车站"); }
    void viewDidLoad() override {
        auto& root = *view();
        root.backgroundColor = ui::Color::white();
        const double w = root.frame().width();
        // The head (below the navigation bar): line, times, direction switch, refresh.
        root.addSubview(ui::makeLabel({10, 8, 220, 24}, "11路 (御河西路口-火车站)", ui::Font::boldSystem(16), ui::Color::black()));
        root.addSubview(ui::makeLabel({10, 32, 260, 18}, "首班 06:00  末班 21:30  票价 1元", ui::Font::system(13),
                              ui::Color::darkGray()));
        auto flip = ui::make<ui::Button>(ui::ButtonType::Custom, ui::Rect{w - 90, 10, 36, 36});
        flip->setImage("切换1.png");
        root.addSubview(flip);
        auto refresh = ui::make<ui::Button>(ui::ButtonType::Custom, ui::Rect{w - 46, 10, 36, 36});
        refresh->setImage("刷新.png");
        root.addSubview(refresh);

        auto scroll = ui::make<ui::ScrollView>(ui::Rect{0, 56, w, root.frame().height() - 56});
        double y = 0;
        for (int n = 1; n <= kStops; ++n) {
            const double h = n == kWaiting ? kWaitingRowHeight : kRowHeight;
            scroll->addSubview(stopRow({0, y, w, h}, n, scene_));
            y += h;
        }
        scroll->contentSize = {w, y};
        // A rush-hour line: a vehicle at every stop and most of the way
        // between stops, some stops with two.
        auto rowTop = [](int s) { return (s - 1) * kRowHeight + (s > kWaiting ? kWaitingRowHeight - kRowHeight : 0); };
        for (int s = 2; s <= kStops; ++s) {
            scroll->addSubview(marker({5, rowTop(s) - 10, 40, 60}, s, s % 7 == 0 ? 2 : 1));
            if (s % 11 != 0) scroll->addSubview(marker({5, rowTop(s) - 40, 40, 60}, s, 1));
        }
        // The nearest-vehicles texts over the waiting stop's boxes.
        auto panel = ui::make<ui::View>(ui::Rect{80, (kWaiting - 1) * kRowHeight + 80, 225, 50});
        panel->tag = 1;
        const char* texts[] = {"距离3站", "距离5站", "暂无信息"};
        for (int k = 0; k < 3; ++k)
            panel->addSubview(ui::makeLabel({75.0 * k, 0, 75, 50}, texts[k], ui::Font::boldSystem(15), ui::Color::white(),
                                    ui::TextAlignment::Center));
        scroll->addSubview(panel);
        root.addSubview(scroll);
        // Scrolled as the screen does it: the waiting stop near the top.
        scroll->setContentOffset({0, (kWaiting - 3) * kRowHeight});
    }

private:
    LiveRouteScene& scene_;
};

}  // namespace

LiveRouteScene makeLiveRouteScene() {
    LiveRouteScene scene;
    scene.window = std::make_shared<ui::Window>();
    auto tabs = std::make_shared<ui::TabBarController>();
    const char* titles[] = {"查询", "收藏", "换乘", "更多"};
    const char* icons[] = {"tab_search", "tab_favorite", "tab_transfer", "tab_more"};
    std::vector<std::shared_ptr<ui::ViewController>> stacks;
    for (int i = 0; i < 4; ++i) {
        auto root = i == 0 ? std::shared_ptr<ui::ViewController>(std::make_shared<LiveRouteScreen>(scene))
                           : std::make_shared<ui::ViewController>();
        auto nav = std::make_shared<ui::NavigationController>(root);
        nav->tabBarItem().title = titles[i];
        nav->tabBarItem().imageName = std::string(icons[i]) + ".png";
        nav->tabBarItem().selectedImageName = std::string(icons[i]) + "_selected.png";
        stacks.push_back(nav);
    }
    tabs->setViewControllers(std::move(stacks));
    scene.window->setRootViewController(tabs);
    return scene;
}

int countViews(const ui::View& root) {
    int n = 1;
    for (const auto& child : root.subviews()) n += countViews(*child);
    return n;
}

}  // namespace bench::qt
