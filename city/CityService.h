#pragma once
// The one door from the screens to the transit services: the five operations
// of the current city's service and the directory, each a new SoapService
// made and posted on the calling thread, read into records (service/
// Readings) and handed back as an Answer that tells a failed request from an
// empty result.
//
// The layer owns the failure notice: a request that gets no usable reply (no
// connection, a time-out, a status other than 200) shows "提醒" /
// "无法连接服务器" on the main thread, closed 1.0 second later, once for each
// outage of that service: the failures after it show nothing until a
// request to the service has gone through again, so a list of seven rows
// that all fail tells the rider once. The bounded variants show nothing,
// for a caller that makes many requests in a row and tells the rider once
// (the journey planner); a success among them still ends an outage.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "city/Answer.h"
#include "model/BusCity.h"
#include "model/BusQuery.h"
#include "model/BusReal.h"
#include "model/Config.h"
#include "service/Readings.h"
#include "transit/BusTransferPlanner.h"

namespace bus::city {

inline constexpr char kQueryCity[] = "queryCity";
inline constexpr char kQueryKeyword[] = "queryKeyword";
inline constexpr char kQueryLine[] = "queryLine";
inline constexpr char kRealBus[] = "realBus";
inline constexpr char kRealBusStation[] = "realBusStation";
inline constexpr char kQueryAlert[] = "queryAlert";

// The cities of the directory service; failed when it could not be asked.
Answer<std::vector<BusCity>> cities(const std::string& directoryBaseUrl = config::kDirectoryUrl);

// Lines and stops that match the keyword, in the reply's order. The screens
// make no request for an empty search field.
Answer<std::vector<BusQuery>> keywordHits(const std::string& keyword);

// The line in one direction with its stops. Failed when the request gave no
// return text at all (also without a notice, for a reply without a return
// element): the screens keep what they show then. A text that is not one
// line dictionary is an answer with no line.
Answer<ops::LineReading> line(std::int64_t direction, std::int64_t lineId);
// The same reply's return text as the service wrote it, for a caller that
// keeps it; failed as line() is.
Answer<std::string> lineText(std::int64_t direction, std::int64_t lineId);

// The vehicles of a line, highest stop number first. A gprsId of 0 means the
// line has no live data: no request, and an answer without vehicles. Failed
// unless the service answered with a return text.
Answer<std::vector<BusReal>> vehicles(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);

// The live text of a favourite's stop exactly as the service wrote it; ""
// when it wrote none or was not reached. The text for none is the screen's
// to choose (ops::kNoLiveInfo): a service may send that very text as data.
Answer<std::string> stationText(std::int64_t gprsId, std::int64_t orderNo, std::int64_t direction);

// The alerts of a line in one direction, with texts in `lang` (a language
// tag such as "zh" or "en") where the service has them; the screens ask in
// the rider's (platform::language()). Never a notice: an alert that cannot
// be asked is no reason to interrupt the rider. A service without the
// operation (a SOAP fault, status 404 or 500, a reply without a return
// element) has no alerts, and is not asked again until the rider chooses a
// city (forgetServicesWithoutAlerts); one that cannot be reached fails, and
// is asked again next time.
Answer<std::vector<BusAlert>> alerts(std::int64_t lineId, std::int64_t direction, const std::string& lang);
void forgetServicesWithoutAlerts();

// Without a notice and within a bound: failed when no readable reply came
// (no reply, a status other than 200, an empty return text, for a line no
// line dictionary).
Answer<std::vector<BusQuery>> keywordHitsWithin(const std::string& keyword, std::chrono::milliseconds within);
Answer<ops::LineReading> lineWithin(std::int64_t direction, std::int64_t lineId, std::chrono::milliseconds within);

// The journey planner's view of the current city's service.
BusTransferPlanner::Source plannerSource();

// "提醒" / "无法连接服务器", shown on the main thread from any thread (the
// caller does not wait) and closed 1.0 second later.
void showFailureNotice();

// Forgets which services are failing, so that the next failure of each
// shows the notice again (a fresh start of the screens, between tests).
void forgetOutages();

}  // namespace bus::city
