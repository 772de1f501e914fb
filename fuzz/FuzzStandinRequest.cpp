// Feeds arbitrary bytes to the stand-in as one HTTP request on a connection,
// in process: the HTTP framing and limits, the body codings, the SOAP
// envelope and its parameters, and the operation of the bundled city 16 or
// of the directory, whichever path the request names. For any input:
// - nothing crashes, leaks or reads out of bounds;
// - a reply is one of the statuses the endpoints answer with;
// - every XML reply (a response, a fault, the WSDL) is well-formed, so that
//   whatever a stranger sent and the reply echoes is escaped;
// - no request makes an operation fail other than by a fault that names the
//   request's fault: a soap:Server fault is the stand-in's own error. (Its
//   words alone prove nothing: a reply may echo what the client sent.)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include <pugixml.hpp>

#include "standin/Endpoint.h"
#include "standin/HttpServer.h"
#include "standin/Operations.h"
#include "standin/Standin.h"

namespace {

using namespace bus::standin;

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_standin_request: %s\n", what);
        std::abort();
    }
}

// The city's service and the directory, as the stand-in sets them up, on a
// clock that stands still so that every run of an input is the same.
struct Services {
    ManualClock clock{std::chrono::sys_days{std::chrono::year{2024} / 5 / 6} + std::chrono::hours(4)};
    RequestLog log{nullptr};
    CityService city{std::make_shared<const City>(loadCityFile(BUS_STANDIN_DATA_DIR "/cities/datong.json")), clock};
    DirectoryService directory{{{16, "大同", "http://127.0.0.1:18116"}}};
    SoapEndpoint cityEndpoint{{"city 16", kCityPath, kCityNs, "BusRealService", CityService::operations(),
                               [this](const SoapRequest& r) { return city.handle(r); }},
                              log};
    SoapEndpoint directoryEndpoint{{"directory", kDirectoryPath, kDirectoryNs, "BusCityService",
                                    DirectoryService::operations(),
                                    [this](const SoapRequest& r) { return directory.handle(r); }},
                                   log};
};

Services& services() {
    static Services* s = new Services();  // kept to the end: LeakSanitizer reports no leak for it
    return *s;
}

bool statusAnswered(int status) {
    for (int known : {200, 400, 404, 405, 413, 415, 431, 500})
        if (status == known) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Services& s = services();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const HttpReading reading = readHttpRequest(bytes, HttpLimits{});
    require(reading.status == 0 || reading.status == -1 || statusAnswered(reading.status), "unknown refusal");
    const std::string_view target = reading.request.target;
    const SoapEndpoint& endpoint = target.starts_with(kDirectoryPath) ? s.directoryEndpoint : s.cityEndpoint;
    const auto reply = endpoint.respond(reading);
    require(reply.has_value() == (reading.status >= 0), "a reply to a request cut short, or none to a whole one");
    if (!reply) return 0;
    require(statusAnswered(reply->status), "unknown reply status");
    if (reply->contentType.find("xml") != std::string::npos) {
        pugi::xml_document doc;
        require(doc.load_buffer(reply->body.data(), reply->body.size()), "a reply that is no XML");
        const auto code = doc.child("soap:Envelope").child("soap:Body").child("soap:Fault").child("faultcode");
        require(std::string_view(code.text().get()) != "soap:Server", "an internal error");
    }
    return 0;
}
