#pragma once
// Where a published timetable's GTFS-realtime messages come from: a file, or
// an http(s) address asked with headers of its own. Many realtime services
// want an access key, in the address or in a header; keys may be written as
// {env:NAME} or {file:PATH} so that they stay out of the process list, and
// are shown as *** in every log line and message.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace bus::standin {

// The value of an environment variable, or none when it is unset.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
Environment processEnvironment();

struct HttpHeader {
    std::string name;
    std::string value;
    bool operator==(const HttpHeader&) const = default;
};

struct RealtimeSource {
    std::string address;  // a file path or an http:// or https:// address
    std::vector<HttpHeader> headers;  // sent with an address; none for a file
    // The texts {env:} and {file:} placeholders gave: keys, wherever they landed.
    std::vector<std::string> secrets;

    // A source that needs no key.
    RealtimeSource(std::string address = {}, std::vector<HttpHeader> headers = {})
        : address(std::move(address)), headers(std::move(headers)) {}

    bool operator==(const RealtimeSource&) const = default;
    bool remote() const;
    // The source as log lines and messages name it: every header value, the
    // password of the address (or its user when it has no password), the
    // values of key-like query parameters and every placeholder's text are
    // written as ***, and the headers' names follow in brackets.
    std::string shown() const;
};

// A query parameter whose value counts as a key: key, token, secret,
// password or signature, or a name ending in one (api_key, apiKey,
// access_token, client_secret, subscription-key), and auth, authorization,
// code, credential(s), jwt, pass, pwd, session, sig; in any case.
bool keyLikeParameter(std::string_view name);

// Where {file:} paths and other paths of one origin are read from: `~/`
// under $HOME, anything else not absolute under `base` (when not empty).
struct PathContext {
    Environment environment;
    std::filesystem::path base;
};
std::variant<std::filesystem::path, std::string> expandPath(const std::string& text, const PathContext& context);

// A source as written, with its placeholders replaced and its headers and
// address checked; the error text on failure, which names a variable or file
// that failed but never a key.
std::variant<RealtimeSource, std::string> makeRealtimeSource(const std::string& address,
                                                             const std::vector<HttpHeader>& headers,
                                                             const PathContext& context);

}  // namespace bus::standin
