#pragma once
// Service alerts: notices to riders about some lines, directions and stops of
// a city while one of their periods holds. They come from realtime messages
// and from the bundled city files, and a city service answers them per line
// and direction in the language a rider asks for.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus::standin {

struct Translation {
    std::string language;  // a tag such as "zh" or "en-US"; empty: the text's own
    std::string text;
};
using TranslatedText = std::vector<Translation>;

// The text for a rider asking in `lang`: the first translation whose tag
// matches it (case aside, "en" matches "en-US" and "en-US" matches "en"),
// else the first without a tag, else the first; "" when there is none. An
// empty `lang` asks for no language in particular.
const std::string& pickTranslation(const TranslatedText& texts, std::string_view lang);

// A hostile message could send a text or a list of translations as long as
// the message itself, and each reply would carry it: texts are cut to this
// many bytes, and translations past these many are dropped.
inline constexpr std::size_t kMaxAlertTextBytes = 4096;
inline constexpr std::size_t kMaxTranslations = 32;
// Text from outside made fit to serve: valid UTF-8 (as replies need), cut at
// a character boundary to the most an alert text may hold.
std::string alertText(std::string_view text);

enum class AlertLevel { info = 1, warning = 2, severe = 3 };
const char* levelName(AlertLevel level);
std::optional<AlertLevel> parseLevel(std::string_view name);  // "severe", "warning", "info"
// The level of an alert of this severity (a SeverityLevel name, or "" when
// absent): a given severity decides; without one, effects that change where
// or whether vehicles run warn and the others inform.
AlertLevel levelFor(std::string_view severity, std::string_view effect);

// POSIX seconds; 0 stands for an open side.
struct ActivePeriod {
    std::int64_t start = 0;
    std::int64_t end = 0;
    // Half open, [start, end): an alert ending at a second no longer holds at it.
    bool holds(std::int64_t now) const { return (start == 0 || start <= now) && (end == 0 || now < end); }
};

// What an alert says about one direction of a line.
struct AlertTouch {
    bool wholeLine = false;    // something selected the line itself, not only stops on it
    std::vector<int> stations;  // the orderNos of the stops selected, ascending
    void mark(int orderNo);     // keeps `stations` ascending and free of repeats
};

struct ServiceAlert {
    std::string id;
    TranslatedText title;
    TranslatedText text;
    TranslatedText url;
    std::string cause = "UNKNOWN_CAUSE";    // the format's Cause name
    std::string effect = "UNKNOWN_EFFECT";  // the format's Effect name
    AlertLevel level = AlertLevel::info;
    std::vector<ActivePeriod> periods;  // none: always active
    // By line id and direction.
    std::map<std::pair<std::int64_t, int>, AlertTouch> touches;

    // The period that holds at `now`, the earliest listed: a period open on
    // both sides when the alert has none; nothing when it is not active.
    std::optional<ActivePeriod> activeAt(std::int64_t now) const;
};

// The alerts of one line's direction active at `now`, most severe first,
// then the later start first, as the JSON array queryAlert returns.
nlohmann::ordered_json alertsJson(const std::vector<const ServiceAlert*>& alerts, std::int64_t lineId, int direction,
                                  std::string_view lang, std::int64_t now);

}  // namespace bus::standin
