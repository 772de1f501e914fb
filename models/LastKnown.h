#pragma once
// The services' replies with the last good one kept beside them: each good
// reply is kept in the cache of offline copies (storage/OfflineCopies), and
// a request that cannot reach its service is answered from that copy,
// marked as such with the time its reply came. A list's live texts are kept
// by its caller in one go (keepStationTexts), once they are all shown: a
// write per text would hold up every text after it. The copy is asked only after
// the request failed: it never saves a request. On a worker; the city is
// given by the caller, read on the main thread when the ask was made.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "city/Answer.h"
#include "service/Readings.h"
#include "storage/OfflineCopies.h"

namespace bus::models {

// A reply that is no line dictionary is an answer, and is not kept: the
// copy stays the last line the rider could see.
city::Answer<ops::LineReading> lineOrCopy(const nlohmann::json& cityId, std::int64_t direction, std::int64_t lineId);
city::Answer<std::string> stationTextOrCopy(const nlohmann::json& cityId, std::int64_t gprsId, std::int64_t orderNo,
                                            std::int64_t direction);
void keepStationTexts(const nlohmann::json& cityId, const std::vector<OfflineCopies::StopText>& texts);

}  // namespace bus::models
