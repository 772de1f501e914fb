#include "screens/tracking/BusAlertsViewController.h"

#include <cmath>
#include <ctime>

#include "platform/Translation.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextMetrics.h"

namespace bus {
namespace {

constexpr double kMargin = 15, kGap = 6, kBetween = 22;

std::string localDate(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// A label as high as its text needs at this width, wrapped.
std::shared_ptr<ui::Label> block(double y, double width, const std::string& text, ui::Font font, ui::Color color) {
    const double lines = std::max(1.0, std::ceil(ui::estimatedTextWidth(text, font.size) / width));
    auto label = ui::makeLabel({kMargin, y, width, lines * font.size * 1.4}, text, font, color);
    label->numberOfLines = 0;
    return label;
}

}  // namespace

BusAlertsViewController::BusAlertsViewController(std::vector<BusAlert> alerts) : alerts_(std::move(alerts)) {}

std::string BusAlertsViewController::periodText(const BusAlert& alert) {
    using platform::fill;
    using platform::tr;
    // TRANSLATORS: an alert's period when it has neither a start nor an end.
    if (alert.start == 0 && alert.end == 0) return tr("长期");
    // TRANSLATORS: an alert's period, from a local date and time ("2023-11-14 22:13"), with no end.
    if (alert.end == 0) return fill(tr("{} 起"), {localDate(alert.start)});
    // TRANSLATORS: an alert's period, until a local date and time, with no start.
    if (alert.start == 0) return fill(tr("{} 止"), {localDate(alert.end)});
    // TRANSLATORS: an alert's period, from one local date and time until another.
    return fill(tr("{0} 起，{1} 止"), {localDate(alert.start), localDate(alert.end)});
}

void BusAlertsViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    // TRANSLATORS: the title of the page of a line's alerts.
    navigationItem().setTitle(platform::trc("alerts page", "提醒"));
    const ui::Rect bounds = view()->bounds();
    auto page = std::make_shared<ui::ScrollView>(bounds);
    page->backgroundColor = ui::Color::white();
    const double width = bounds.width() - 2 * kMargin;
    double y = kMargin;
    for (const auto& alert : alerts_) {
        for (auto label : {block(y, width, alert.title, ui::Font::boldSystem(17), ui::Color::black()),
                           block(0, width, periodText(alert), ui::Font::system(13), ui::Color::darkGray()),
                           block(0, width, alert.text, ui::Font::system(15), ui::Color::black()),
                           block(0, width, alert.url, ui::Font::system(13), ui::Color::rgba(0.1, 0.4, 0.8))}) {
            if (label->text().empty()) continue;
            label->setFrame({kMargin, y, width, label->frame().height()});
            y += label->frame().height() + kGap;
            page->addSubview(std::move(label));
        }
        y += kBetween;
    }
    page->contentSize = {0, y};
    page_ = page;
    view()->addSubview(std::move(page));
}

}  // namespace bus
