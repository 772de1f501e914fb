#include "models/LastKnown.h"

#include "city/CityService.h"
#include "platform/RunLoop.h"
#include "storage/OfflineCopies.h"

namespace bus::models {
namespace {

double calendarNow() { return platform::RunLoop::main().secondsSince1970(); }

}  // namespace

city::Answer<ops::LineReading> lineOrCopy(const nlohmann::json& cityId, std::int64_t direction, std::int64_t lineId) {
    using LineAnswer = city::Answer<ops::LineReading>;
    const auto text = city::lineText(direction, lineId);
    if (!text.failed()) {
        auto reading = ops::readLine(text.value());
        if (reading.line) OfflineCopies().keepLine(cityId, lineId, direction, text.value(), calendarNow());
        return LineAnswer::answered(std::move(reading));
    }
    const auto copy = OfflineCopies().line(cityId, lineId, direction, calendarNow());
    if (!copy) return LineAnswer::failure();
    return LineAnswer::fromCopy(ops::readLine(copy->text), copy->savedAt);
}

city::Answer<std::string> stationTextOrCopy(const nlohmann::json& cityId, std::int64_t gprsId, std::int64_t orderNo,
                                            std::int64_t direction) {
    auto text = city::stationText(gprsId, orderNo, direction);
    if (!text.failed()) return text;
    auto copy = OfflineCopies().stationText(cityId, gprsId, orderNo, direction, calendarNow());
    if (!copy) return text;
    return city::Answer<std::string>::fromCopy(std::move(copy->text), copy->savedAt);
}

void keepStationTexts(const nlohmann::json& cityId, const std::vector<OfflineCopies::StopText>& texts) {
    OfflineCopies().keepStationTexts(cityId, texts, calendarNow());
}

}  // namespace bus::models
