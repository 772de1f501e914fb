#include "screens/tracking/TrackingFixture.h"

#include <cmath>
#include <cstdio>

#include "platform/ui/Label.h"

namespace bus::test {

std::string partsOf(const ui::View& view) {
    std::string out;
    for (const auto& child : view.subviews()) {
        std::string part = child->imageName().empty() ? child->text() : child->imageName();
        const auto* label = dynamic_cast<const ui::Label*>(child.get());
        if (label && label->textColor != ui::Color::black()) {
            const auto byte = [](double c) { return static_cast<int>(std::lround(c * 255)); };
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", byte(label->textColor.r), byte(label->textColor.g),
                          byte(label->textColor.b));
            part += hex;
        }
        if (!child->gestureRecognizers().empty() && child->userInteractionEnabled) part += "+tap";
        if (!part.empty()) out += (out.empty() ? "" : " ") + part;
    }
    return out;
}

std::string lineText(const Texts& names, long long gprsId, const std::vector<long long>& orderNos) {
    json line{{"lineId", 12}, {"lineName", "12路"}, {"gprsId", gprsId}, {"ticketPrice", "1"},
              {"opTime", "06:00-21:30"}, {"upDown", json::array()}};
    for (std::size_t i = 0; i < names.size(); ++i)
        line["upDown"].push_back({{"orderNo", orderNos.empty() ? static_cast<long long>(i) + 1 : orderNos[i]},
                                  {"stationName", names[i]}, {"flagId", i + 1 == names.size() ? 2 : 1}});
    return line.dump();
}

}  // namespace bus::test
