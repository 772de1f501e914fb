#pragma once
// The last good replies of the services, kept so that what the rider
// watched still shows when its service cannot be reached: the return text
// of queryLine per city, line and direction, and the live text of
// realBusStation per city and stop. A cache ("copies.sqlite" in
// Library/Caches): each kind holds the kMaxCopies entries most recently kept
// or read, and a lost or damaged file costs only the copies. Each operation
// opens its own connection, so workers may keep and read at once.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus {

struct OfflineCopy {
    std::string text;
    double savedAt = 0;  // seconds since 1970
};

class OfflineCopies {
public:
    static constexpr std::size_t kMaxCopies = 200;
    static constexpr char kFileName[] = "copies.sqlite";

    OfflineCopies();  // the container's cache file
    explicit OfflineCopies(std::filesystem::path file) : file_(std::move(file)) {}

    // A city that is none (before the first start has chosen one) keeps
    // nothing and has no copies. `at` is the time of the reply, and of the
    // use for a read.
    void keepLine(const nlohmann::json& cityId, std::int64_t lineId, std::int64_t direction, const std::string& text,
                  double at);
    std::optional<OfflineCopy> line(const nlohmann::json& cityId, std::int64_t lineId, std::int64_t direction,
                                    double at);
    struct StopText {
        std::int64_t gprsId, orderNo, direction;
        std::string text;
    };
    // The live texts of a list at once, in one transaction.
    void keepStationTexts(const nlohmann::json& cityId, const std::vector<StopText>& texts, double at);
    std::optional<OfflineCopy> stationText(const nlohmann::json& cityId, std::int64_t gprsId, std::int64_t orderNo,
                                           std::int64_t direction, double at);

private:
    // (key, text) entries of one kind.
    void keep(const char* kind, const nlohmann::json& cityId,
              const std::vector<std::pair<std::string, std::string>>& entries, double at);
    std::optional<OfflineCopy> read(const char* kind, const nlohmann::json& cityId, const std::string& key, double at);

    std::filesystem::path file_;
};

}  // namespace bus
