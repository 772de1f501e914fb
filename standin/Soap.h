#pragma once
// SOAP 1.1 on the wire: reading a request envelope, writing replies, faults
// and the WSDL that describes an endpoint.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus::standin {

// Results keep their keys in the order they were written, as a reader of a
// raw reply expects them.
using Json = nlohmann::ordered_json;

inline constexpr std::string_view kSoapEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";

// A request the service refuses; becomes a SOAP Fault with HTTP 500.
class SoapFault : public std::runtime_error {
public:
    // code: "Client" (the request is at fault), "Server" or "VersionMismatch".
    SoapFault(std::string code, const std::string& message)
        : std::runtime_error(message), code_(std::move(code)) {}
    const std::string& code() const { return code_; }

private:
    std::string code_;
};

struct SoapRequest {
    std::string operation;  // local name of the first element in the Body
    std::vector<std::pair<std::string, std::string>> params;  // local name, text

    // The first parameter of that local name, or nullptr.
    const std::string* find(std::string_view name) const;
    // The parameter's text with surrounding white space removed; a Client
    // fault when it is missing.
    std::string text(std::string_view name) const;
    // The parameter as a decimal integer; a Client fault when it is missing
    // or not a whole number.
    std::int64_t integer(std::string_view name) const;
};

// Parses a SOAP 1.1 request. Elements are matched by local name, whatever
// their prefix; only the envelope itself must be in the SOAP 1.1 namespace.
// Throws SoapFault.
SoapRequest parseRequest(std::string_view body);

// Escapes text for XML character data (quotes too, as SOAP stacks usually do).
std::string xmlEscape(std::string_view text);

// Serialises JSON so that it can travel as XML text and be read back by a
// client that decodes only "&quot;": "<", ">" and "&" become \u escapes, which
// any JSON reader turns back into the same characters.
std::string jsonText(const Json& value);

// <soap:Envelope>...<ns2:{operation}Response><return>{escaped}</return>...
std::string buildResponse(std::string_view operation, std::string_view ns,
                          std::string_view returnText);

// A SOAP 1.1 Fault envelope with faultcode soap:{code}.
std::string buildFault(std::string_view code, std::string_view message);

struct WsdlParam {
    std::string name;
    std::string xsdType;  // "xs:int", "xs:string"
    bool optional = false;  // a client may leave it out (minOccurs 0)
};

struct WsdlOperation {
    std::string name;
    std::vector<WsdlParam> params;
};

// A WSDL 1.1 document, document/literal wrapped, with unqualified child
// elements (parameters and <return> carry no prefix).
std::string buildWsdl(std::string_view serviceName, std::string_view ns,
                      const std::vector<WsdlOperation>& operations, std::string_view location);

// Replaces every byte sequence that is not valid UTF-8 by U+FFFD, so that text
// a client sent can be echoed inside XML or JSON.
std::string validUtf8(std::string_view text);

}  // namespace bus::standin
