#pragma once
// The text-level pieces of the SOAP exchange: escaping parameter values for
// the envelope, decoding the return text, and checking that a reply body is
// UTF-8 before it is read as text.
#include <string>
#include <string_view>

namespace bus::xml {

// Escapes "&", "<" and ">" so that any value reaches the service as it was.
std::string escape(std::string_view text);

// Decodes the five predefined entities and decimal and hexadecimal character
// references in one pass, so "&amp;lt;" gives "&lt;" and nothing is decoded
// twice. A reference that does not name an XML character (unknown name, bad
// digits, 0, a surrogate, beyond U+10FFFF) stays as written.
std::string decodeEntities(std::string_view text);

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Adds percent-escapes (of the UTF-8 bytes) for every character that may not
// stand in a URL as it is, "%" included; reserved characters stay.
std::string addPercentEscapes(std::string_view url);

}  // namespace bus::xml
