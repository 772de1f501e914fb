#include "standin/Soap.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

namespace bus::standin {

namespace {

std::string_view localName(std::string_view qname) {
    const auto colon = qname.find(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

// The namespace URI bound to the element's prefix, looking outwards through
// its ancestors' xmlns declarations.
std::string namespaceOf(pugi::xml_node node) {
    const std::string_view qname = node.name();
    const auto colon = qname.find(':');
    const std::string attr = colon == std::string_view::npos
                                 ? std::string("xmlns")
                                 : "xmlns:" + std::string(qname.substr(0, colon));
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent())
        if (const auto a = n.attribute(attr.c_str())) return a.value();
    return {};
}

pugi::xml_node firstElement(pugi::xml_node parent) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return c;
    return {};
}

std::string_view trim(std::string_view s) {
    const auto* ws = " \t\r\n";
    const auto b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

std::string textOf(pugi::xml_node node) {
    std::string out;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) out += c.value();
    return out;
}

// Echoed client text is kept short and valid in fault strings.
std::string shown(std::string_view s) {
    std::string v = validUtf8(s.substr(0, 80));
    return "\"" + v + (s.size() > 80 ? "...\"" : "\"");
}

}  // namespace

const std::string* SoapRequest::find(std::string_view name) const {
    for (const auto& [k, v] : params)
        if (k == name) return &v;
    return nullptr;
}

std::string SoapRequest::text(std::string_view name) const {
    const std::string* v = find(name);
    if (!v) throw SoapFault("Client", "missing parameter " + shown(name) + " of " + shown(operation));
    return std::string(trim(*v));
}

std::int64_t SoapRequest::integer(std::string_view name) const {
    const std::string raw = text(name);
    std::string_view s = raw;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw SoapFault("Client", "parameter " + shown(name) + " must be a whole number, got " + shown(raw));
    return value;
}

SoapRequest parseRequest(std::string_view body) {
    pugi::xml_document doc;
    const auto result = doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        throw SoapFault("Client", std::string("malformed XML: ") + result.description() + " at byte " +
                                      std::to_string(result.offset));
    }
    const pugi::xml_node envelope = doc.document_element();
    if (!envelope || localName(envelope.name()) != "Envelope")
        throw SoapFault("Client", "the request is not a SOAP envelope");
    if (namespaceOf(envelope) != kSoapEnvelopeNs)
        throw SoapFault("VersionMismatch", "only SOAP 1.1 envelopes (" + std::string(kSoapEnvelopeNs) +
                                               ") are understood");
    pugi::xml_node soapBody;
    for (pugi::xml_node c = envelope.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c.name()) == "Body") {
            soapBody = c;
            break;
        }
    if (!soapBody) throw SoapFault("Client", "the envelope has no Body");
    const pugi::xml_node op = firstElement(soapBody);
    if (!op) throw SoapFault("Client", "the Body names no operation");

    SoapRequest req;
    req.operation = std::string(localName(op.name()));
    for (pugi::xml_node p = op.first_child(); p; p = p.next_sibling())
        if (p.type() == pugi::node_element) req.params.emplace_back(std::string(localName(p.name())), textOf(p));
    return req;
}

namespace {

// Copies text, replacing each character that `replacement` maps to a text;
// plain runs are copied whole (replies are mostly plain).
template <class Replace>
void appendReplacing(std::string& out, std::string_view text, Replace replacement) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* r = replacement(text[i]);
        if (!r) continue;
        out.append(text.data() + from, i - from);
        out.append(r);
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
}

const char* xmlEntity(char c) {
    switch (c) {
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '"': return "&quot;";
        default: return nullptr;
    }
}

const char* jsonEscapeForXml(char c) {
    switch (c) {
        case '<': return "\\u003c";
        case '>': return "\\u003e";
        case '&': return "\\u0026";
        default: return nullptr;
    }
}

void appendXmlEscaped(std::string& out, std::string_view text) { appendReplacing(out, text, xmlEntity); }

}  // namespace

std::string xmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    appendXmlEscaped(out, text);
    return out;
}

std::string jsonText(const Json& value) {
    std::string dumped = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (std::none_of(dumped.begin(), dumped.end(), [](char c) { return jsonEscapeForXml(c) != nullptr; }))
        return dumped;
    std::string out;
    out.reserve(dumped.size() + 32);
    appendReplacing(out, dumped, jsonEscapeForXml);
    return out;
}

std::string buildResponse(std::string_view operation, std::string_view ns, std::string_view returnText) {
    std::string out;
    out.reserve(returnText.size() + returnText.size() / 3 + 320);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<soap:Envelope xmlns:soap=\"";
    out += kSoapEnvelopeNs;
    out += "\"><soap:Body><ns2:";
    out += operation;
    out += "Response xmlns:ns2=\"";
    out += xmlEscape(ns);
    out += "\"><return>";
    appendXmlEscaped(out, returnText);
    out += "</return></ns2:";
    out += operation;
    out += "Response></soap:Body></soap:Envelope>";
    return out;
}

std::string buildFault(std::string_view code, std::string_view message) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soap:Envelope xmlns:soap=\"";
    out += kSoapEnvelopeNs;
    out += "\"><soap:Body><soap:Fault><faultcode>soap:";
    out += code;
    out += "</faultcode><faultstring>";
    out += xmlEscape(validUtf8(message));
    out += "</faultstring></soap:Fault></soap:Body></soap:Envelope>";
    return out;
}

std::string buildWsdl(std::string_view serviceName, std::string_view ns,
                      const std::vector<WsdlOperation>& operations, std::string_view location) {
    const std::string tns(ns);
    pugi::xml_document doc;
    auto defs = doc.append_child("wsdl:definitions");
    defs.append_attribute("name") = std::string(serviceName).c_str();
    defs.append_attribute("targetNamespace") = tns.c_str();
    defs.append_attribute("xmlns:wsdl") = "http://schemas.xmlsoap.org/wsdl/";
    defs.append_attribute("xmlns:soap") = "http://schemas.xmlsoap.org/wsdl/soap/";
    defs.append_attribute("xmlns:xs") = "http://www.w3.org/2001/XMLSchema";
    defs.append_attribute("xmlns:tns") = tns.c_str();

    auto schema = defs.append_child("wsdl:types").append_child("xs:schema");
    schema.append_attribute("targetNamespace") = tns.c_str();
    schema.append_attribute("elementFormDefault") = "unqualified";
    schema.append_attribute("attributeFormDefault") = "unqualified";
    auto wrapper = [&](const std::string& name, const std::vector<WsdlParam>& fields) {
        auto el = schema.append_child("xs:element");
        el.append_attribute("name") = name.c_str();
        el.append_attribute("type") = ("tns:" + name).c_str();
        auto type = schema.append_child("xs:complexType");
        type.append_attribute("name") = name.c_str();
        auto seq = type.append_child("xs:sequence");
        for (const auto& f : fields) {
            auto e = seq.append_child("xs:element");
            e.append_attribute("name") = f.name.c_str();
            e.append_attribute("type") = f.xsdType.c_str();
            if (f.name == "return" || f.optional) e.append_attribute("minOccurs") = "0";
        }
    };
    for (const auto& op : operations) {
        wrapper(op.name, op.params);
        wrapper(op.name + "Response", {{"return", "xs:string"}});
    }
    for (const auto& op : operations) {
        for (const std::string& name : {op.name, op.name + "Response"}) {
            auto msg = defs.append_child("wsdl:message");
            msg.append_attribute("name") = name.c_str();
            auto part = msg.append_child("wsdl:part");
            part.append_attribute("name") = "parameters";
            part.append_attribute("element") = ("tns:" + name).c_str();
        }
    }
    const std::string portType = std::string(serviceName) + "PortType";
    const std::string binding = std::string(serviceName) + "SoapBinding";
    auto pt = defs.append_child("wsdl:portType");
    pt.append_attribute("name") = portType.c_str();
    for (const auto& op : operations) {
        auto o = pt.append_child("wsdl:operation");
        o.append_attribute("name") = op.name.c_str();
        o.append_child("wsdl:input").append_attribute("message") = ("tns:" + op.name).c_str();
        o.append_child("wsdl:output").append_attribute("message") = ("tns:" + op.name + "Response").c_str();
    }
    auto b = defs.append_child("wsdl:binding");
    b.append_attribute("name") = binding.c_str();
    b.append_attribute("type") = ("tns:" + portType).c_str();
    auto sb = b.append_child("soap:binding");
    sb.append_attribute("style") = "document";
    sb.append_attribute("transport") = "http://schemas.xmlsoap.org/soap/http";
    for (const auto& op : operations) {
        auto o = b.append_child("wsdl:operation");
        o.append_attribute("name") = op.name.c_str();
        auto so = o.append_child("soap:operation");
        so.append_attribute("soapAction") = "";
        so.append_attribute("style") = "document";
        o.append_child("wsdl:input").append_child("soap:body").append_attribute("use") = "literal";
        o.append_child("wsdl:output").append_child("soap:body").append_attribute("use") = "literal";
    }
    auto svc = defs.append_child("wsdl:service");
    svc.append_attribute("name") = std::string(serviceName).c_str();
    auto port = svc.append_child("wsdl:port");
    port.append_attribute("name") = (std::string(serviceName) + "Port").c_str();
    port.append_attribute("binding") = ("tns:" + binding).c_str();
    port.append_child("soap:address").append_attribute("location") = std::string(location).c_str();

    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent | pugi::format_no_declaration);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + out.str();
}

std::string validUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len > 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
                   (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF))
            ok = false;
        // XML 1.0 forbids most control characters even when escaped.
        if (ok && len == 1 && cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') ok = false;
        if (ok) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

}  // namespace bus::standin
