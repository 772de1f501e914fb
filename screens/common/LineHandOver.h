#pragma once
// What a screen hands the screen it opens for a line: the line, its
// direction, and the stop the rider waits at ("" for none: the live line
// then waits at its default stop). A segue carries it under the keys
// "lineId", "direction" and "currentStation", which every screen of the
// hand-over declares, and the storyboards and tests set by name.
#include <string>

#include <nlohmann/json.hpp>

#include "platform/ui/ViewController.h"

namespace bus {

struct LineHandOver {
    // As the sender's record holds them: read with integerValue.
    nlohmann::json lineId;
    nlohmann::json direction;
    std::string currentStation;

    // A line with a stop to wait at: the stop's name, "" when it has none.
    static LineHandOver at(nlohmann::json lineId, nlohmann::json direction, const nlohmann::json& stationName);

    // Sets the three keys on the screen a segue opens.
    void handTo(ui::ViewController& destination) const;

    // Declares the three keys through the screen's declareKey, stored here:
    //     handedOver.declareKeys([this](const char* key, auto& member) { declareKey(key, member); });
    template <class Declare>
    void declareKeys(Declare&& declare) {
        declare("lineId", lineId);
        declare("direction", direction);
        declare("currentStation", currentStation);
    }
};

}  // namespace bus
