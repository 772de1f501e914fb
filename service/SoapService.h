#pragma once
// The client of the transit web services: one SoapService per call. It writes
// the SOAP 1.1 envelope of one operation, posts it synchronously over HTTP and
// hands back the HTTP status with the text of the reply's return element.
// A call that gets no usable reply shows the transient notice "提醒" /
// "无法连接服务器" and yields an empty Content; callers tell failure from an
// empty result only by that empty Content.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace platform {
class AlertView;
}

namespace bus {

// A larger reply body fails the call: a broken or hostile service must not be
// able to exhaust memory.
inline constexpr std::size_t kMaxReplyBytes = 8u << 20;

struct ResponseData {
    std::int64_t StatusCode = 0;  // 0 when no status line arrived
    std::string Content;          // the decoded return text; "" on failure
};

using SoapValue = std::variant<std::string, std::int64_t>;
// Written into the envelope in the given order.
using SoapParams = std::vector<std::pair<std::string, SoapValue>>;

// What CreatRequest hands to the transport: everything that goes on the wire.
struct SoapRequest {
    std::string url;  // percent-escaped
    std::string method;
    double timeoutSeconds = 0;
    std::vector<std::pair<std::string, std::string>> headers;  // in sending order
    std::string body;
};

class SoapService {
public:
    // A client for the current city's service: the preferences "postUrl" and
    // "postWebService" are read now, so a later change of city does not move
    // a client that already exists.
    static SoapService initWithPostUrl(const std::string& operation);
    // A client for the directory service at the given base address.
    static SoapService initWithPostUrl(const std::string& baseUrl, const std::string& operation);

    // Blocks the calling thread until the reply is in or the call failed.
    ResponseData PostSync(const SoapParams& params);
    // For a caller that bounds its own waiting and tells the rider about
    // failures itself, once for a run of calls: waits at most `within` (at
    // least a millisecond) and shows no notice.
    ResponseData PostSyncQuietly(const SoapParams& params, std::chrono::milliseconds within);
    // The notice of a failed call ("提醒" / "无法连接服务器"), shown on the
    // main thread from any thread and closed 1.0 second later.
    static void showFailureNotice();

    std::string BuildSoapwithMethodName(const std::string& methodName, const SoapParams& params) const;
    SoapRequest CreatRequest(const std::string& envelope) const;
    // The text of the first return element, entities decoded; "" without one.
    static std::string JxXml(const std::string& reply);
    // Closes a failure notice as if its first button had been pressed.
    static void dismss(const std::shared_ptr<platform::AlertView>& alert);

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
    ResponseData post(SoapRequest request, bool notice);
};

}  // namespace bus
