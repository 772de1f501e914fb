#pragma once
// The client of the transit web services: one SoapService per call. It writes
// the SOAP 1.1 envelope of one operation, posts it synchronously through the
// transport and hands back the HTTP status with the text of the reply's
// return element. A call that gets no usable reply yields an empty Content
// and shows nothing: telling the rider is the city layer's (city/).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "service/Transport.h"

namespace bus {

struct ResponseData {
    std::int64_t StatusCode = 0;  // 0 when no status line arrived
    std::string Content;          // the decoded return text; "" on failure
    bool Complete = false;        // the whole reply arrived within the time and size limits
};

using SoapValue = std::variant<std::string, std::int64_t>;
// Written into the envelope in the given order.
using SoapParams = std::vector<std::pair<std::string, SoapValue>>;

class SoapService {
public:
    // A client for the current city's service: the preferences "postUrl" and
    // "postWebService" are read now, so a later change of city does not move
    // a client that already exists.
    static SoapService initWithPostUrl(const std::string& operation);
    // A client for the directory service at the given base address.
    static SoapService initWithPostUrl(const std::string& baseUrl, const std::string& operation);

    // Blocks the calling thread until the reply is in or the call failed
    // (30 s at most).
    ResponseData PostSync(const SoapParams& params);
    // For a caller that bounds its own waiting: at most `within` (at least a
    // millisecond).
    ResponseData PostSyncWithin(const SoapParams& params, std::chrono::milliseconds within);

    std::string BuildSoapwithMethodName(const std::string& methodName, const SoapParams& params) const;
    SoapRequest CreatRequest(const std::string& envelope) const;
    // The text of the first return element, entities decoded; "" without one.
    static std::string JxXml(const std::string& reply);

    std::string SoapName;                       // namespace URI bound to "ns1"
    std::optional<std::string> SoapAction;      // never sent
    std::optional<std::string> UserAgent;       // default "IOS App (power by tavrin)"
    std::optional<std::string> ContentType;     // default "text/xml;charset=UTF-8"
    std::string PostUrl;                        // the whole endpoint address
    std::string PostMethodName;                 // the operation
    std::optional<std::string> AcceptEncoding;  // header only when set
    std::int64_t Timeout = 0;                   // seconds; 0 means 30

    // Kept for an asynchronous post; the synchronous one never calls them.
    std::function<void(const ResponseData&)> success;
    std::function<void(const ResponseData&)> failure;

private:
    SoapService() = default;
    static ResponseData post(const SoapRequest& request);
};

}  // namespace bus
