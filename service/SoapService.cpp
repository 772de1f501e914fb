#include "service/SoapService.h"

#include <algorithm>

#include "model/Config.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/UserDefaults.h"
#include "service/XmlText.h"

namespace bus {
namespace {

constexpr char kEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr char kDirectoryPath[] = "/ozkbus/CXFWebService/Bus";
constexpr char kDefaultUserAgent[] = "IOS App (power by tavrin)";
constexpr char kDefaultContentType[] = "text/xml;charset=UTF-8";
constexpr double kDefaultTimeoutSeconds = 30.0;

std::string preferenceText(platform::UserDefaults& store, const char* key) {
    const auto value = store.objectForKey(key);
    return value ? textValue(*value) : std::string();
}

}  // namespace

SoapService SoapService::initWithPostUrl(const std::string& operation) {
    auto& store = platform::UserDefaults::standard();
    SoapService s;
    s.PostMethodName = operation;
    s.SoapName = config::kCityNamespace;
    s.PostUrl = preferenceText(store, prefs::kPostUrl) + preferenceText(store, prefs::kPostWebService);
    return s;
}

SoapService SoapService::initWithPostUrl(const std::string& baseUrl, const std::string& operation) {
    SoapService s;
    s.PostMethodName = operation;
    s.SoapName = config::kDirectoryNamespace;
    s.PostUrl = baseUrl + kDirectoryPath;
    return s;
}

std::string SoapService::BuildSoapwithMethodName(const std::string& methodName, const SoapParams& params) const {
    std::string out;
    out.reserve(256 + methodName.size() * 2 + SoapName.size());
    out += "<soapenv:Envelope xmlns:soapenv=\"";
    out += kEnvelopeNamespace;
    out += "\" xmlns:ns1=\"";
    out += SoapName;
    out += "\"><soapenv:Header/><soapenv:Body><ns1:";
    out += methodName;
    out += '>';
    for (const auto& [name, value] : params) {
        out += '<';
        out += name;
        out += '>';
        if (const auto* text = std::get_if<std::string>(&value))
            out += xml::escape(*text);
        else
            out += std::to_string(std::get<std::int64_t>(value));
        out += "</";
        out += name;
        out += '>';
    }
    out += "</ns1:";
    out += methodName;
    out += "></soapenv:Body></soapenv:Envelope>";
    return out;
}

SoapRequest SoapService::CreatRequest(const std::string& envelope) const {
    SoapRequest r;
    r.url = xml::addPercentEscapes(PostUrl);
    r.method = "POST";
    r.timeoutSeconds = Timeout != 0 ? static_cast<double>(Timeout) : kDefaultTimeoutSeconds;
    r.headers.emplace_back("Content-Type", ContentType.value_or(kDefaultContentType));
    r.headers.emplace_back("User-Agent", UserAgent.value_or(kDefaultUserAgent));
    if (AcceptEncoding) r.headers.emplace_back("Accept-Encoding", *AcceptEncoding);
    r.body = envelope;
    return r;
}

std::string SoapService::JxXml(const std::string& reply) {
    static constexpr std::string_view kOpen = "<return>";
    static constexpr std::string_view kClose = "</return>";
    const std::size_t open = reply.find(kOpen);
    if (open == std::string::npos) return "";
    const std::size_t start = open + kOpen.size();
    const std::size_t close = reply.find(kClose, start);
    if (close == std::string::npos) return "";
    return xml::decodeEntities(std::string_view(reply).substr(start, close - start));
}

ResponseData SoapService::PostSync(const SoapParams& params) {
    Timeout = 30;
    return post(CreatRequest(BuildSoapwithMethodName(PostMethodName, params)));
}

ResponseData SoapService::PostSyncWithin(const SoapParams& params, std::chrono::milliseconds within) {
    SoapRequest request = CreatRequest(BuildSoapwithMethodName(PostMethodName, params));
    // Never 0: the transport reads that as its default of 30 seconds.
    request.timeoutSeconds = static_cast<double>(std::max<long long>(within.count(), 1)) / 1000.0;
    return post(request);
}

ResponseData SoapService::post(const SoapRequest& request) {
    const TransportReply reply = postRequest(request);
    ResponseData result;
    result.StatusCode = reply.status;
    result.Complete = reply.complete;
    // A body that is not UTF-8 is not text: nothing to read.
    if (reply.complete && reply.status == 200 && xml::isValidUtf8(reply.body)) result.Content = JxXml(reply.body);
    return result;
}

}  // namespace bus
