#pragma once
// The five operations that the screens ask of the services. Each makes a new
// SoapService, posts the parameters in the order the service lists them and
// reads the result (Readings.h). Every call blocks its thread; nothing is
// cached or retried, and a failed call has already shown its notice.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/Config.h"
#include "service/Readings.h"

namespace bus::ops {

inline constexpr char kQueryCity[] = "queryCity";
inline constexpr char kQueryKeyword[] = "queryKeyword";
inline constexpr char kQueryLine[] = "queryLine";
inline constexpr char kRealBus[] = "realBus";
inline constexpr char kRealBusStation[] = "realBusStation";

// The cities of the directory service; an empty list when it cannot be read.
std::vector<BusCity> queryCity(const std::string& directoryBaseUrl = config::kDirectoryUrl);

// Lines and stops of the current city that match the keyword. The screens
// make no call for an empty search field; that choice stays with them, since
// they keep showing their previous results.
std::vector<BusQuery> queryKeyword(const std::string& keyword);

// The line in one direction with its stops, from the current city.
LineReading queryLine(std::int64_t direction, std::int64_t lineId);

// The same two for a caller that makes many calls in a row under a bound of
// its own (the transfer planner): each waits at most `within`, shows no
// notice, and gives none when no readable reply came (no reply, a status
// other than 200, an empty return text, or for a line no line dictionary),
// so that the caller can tell the rider once.
std::optional<std::vector<BusQuery>> queryKeywordQuietly(const std::string& keyword, std::chrono::milliseconds within);
std::optional<LineReading> queryLineQuietly(std::int64_t direction, std::int64_t lineId,
                                            std::chrono::milliseconds within);

// The vehicles of a line, highest stop number first. A gprsId of 0 means the
// line has no live data: no call is made and there are no vehicles.
std::vector<BusReal> realBus(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);

// realBus with whether the service answered with a readable reply: a failed
// call and an empty list both give no vehicles. gprsId 0 makes no call and
// counts as answered.
struct RealBusReply {
    std::vector<BusReal> vehicles;
    bool answered = true;
};
RealBusReply realBusReply(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);

// The live text for a favourite's stop, or "无实时信息".
std::string realBusStation(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);

}  // namespace bus::ops
