#include "standin/Alerts.h"

#include <algorithm>

#include "standin/Soap.h"

namespace bus::standin {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `tag` is `prefix` or `prefix` followed by more subtags.
bool tagStartsWith(std::string_view tag, std::string_view prefix) {
    if (prefix.empty() || tag.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(tag[i]) != lower(prefix[i])) return false;
    return tag.size() == prefix.size() || tag[prefix.size()] == '-' || tag[prefix.size()] == '_';
}

}  // namespace

const std::string& pickTranslation(const TranslatedText& texts, std::string_view lang) {
    static const std::string none;
    if (texts.empty()) return none;
    if (!lang.empty())
        for (const auto& t : texts)
            if (tagStartsWith(t.language, lang) || tagStartsWith(lang, t.language)) return t.text;
    for (const auto& t : texts)
        if (t.language.empty()) return t.text;
    return texts.front().text;
}

std::string alertText(std::string_view text) {
    std::string out = validUtf8(text.substr(0, kMaxAlertTextBytes + 4));
    if (out.size() <= kMaxAlertTextBytes) return out;
    std::size_t cut = kMaxAlertTextBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    out.resize(cut);
    return out;
}

const char* levelName(AlertLevel level) {
    switch (level) {
        case AlertLevel::severe: return "severe";
        case AlertLevel::warning: return "warning";
        case AlertLevel::info: break;
    }
    return "info";
}

std::optional<AlertLevel> parseLevel(std::string_view name) {
    for (const auto level : {AlertLevel::info, AlertLevel::warning, AlertLevel::severe})
        if (name == levelName(level)) return level;
    return std::nullopt;
}

AlertLevel levelFor(std::string_view severity, std::string_view effect) {
    if (severity == "SEVERE") return AlertLevel::severe;
    if (severity == "INFO") return AlertLevel::info;
    if (!severity.empty() && severity != "UNKNOWN_SEVERITY") return AlertLevel::warning;
    for (const char* warns : {"NO_SERVICE", "REDUCED_SERVICE", "DETOUR", "STOP_MOVED"})
        if (effect == warns) return AlertLevel::warning;
    return AlertLevel::info;
}

void AlertTouch::mark(int orderNo) {
    const auto at = std::lower_bound(stations.begin(), stations.end(), orderNo);
    if (at == stations.end() || *at != orderNo) stations.insert(at, orderNo);
}

std::optional<ActivePeriod> ServiceAlert::activeAt(std::int64_t now) const {
    if (periods.empty()) return ActivePeriod{};
    for (const auto& p : periods)
        if (p.holds(now)) return p;
    return std::nullopt;
}

nlohmann::ordered_json alertsJson(const std::vector<const ServiceAlert*>& alerts, std::int64_t lineId, int direction,
                                  std::string_view lang, std::int64_t now) {
    struct Active {
        const ServiceAlert* alert;
        const AlertTouch* touch;
        ActivePeriod period;
    };
    std::vector<Active> active;
    for (const ServiceAlert* a : alerts) {
        const auto touch = a->touches.find({lineId, direction});
        if (touch == a->touches.end()) continue;
        if (const auto period = a->activeAt(now)) active.push_back({a, &touch->second, *period});
    }
    // The id last keeps the order the same from one reply to the next.
    std::stable_sort(active.begin(), active.end(), [](const Active& x, const Active& y) {
        if (x.alert->level != y.alert->level) return x.alert->level > y.alert->level;
        if (x.period.start != y.period.start) return x.period.start > y.period.start;
        return x.alert->id < y.alert->id;
    });
    auto out = nlohmann::ordered_json::array();
    for (const auto& [a, touch, period] : active) {
        nlohmann::ordered_json j;
        j["id"] = a->id;
        j["title"] = pickTranslation(a->title, lang);
        j["text"] = pickTranslation(a->text, lang);
        j["url"] = pickTranslation(a->url, lang);
        j["level"] = levelName(a->level);
        j["cause"] = a->cause;
        j["effect"] = a->effect;
        j["start"] = period.start;
        j["end"] = period.end;
        j["stations"] = touch->wholeLine ? std::vector<int>() : touch->stations;
        out.push_back(std::move(j));
    }
    return out;
}

}  // namespace bus::standin
