#include "standin/RealtimeSource.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace bus::standin {

namespace {

constexpr std::size_t kMaxKeyFileBytes = 64 * 1024;

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// RFC 9110's token: what a header's name may be made of.
bool httpToken(std::string_view s) {
    static constexpr std::string_view extra = "!#$%&'*+-.^_`|~";
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || extra.find(c) != std::string_view::npos;
    });
}

bool variableName(std::string_view s) {
    return !s.empty() && !std::isdigit(static_cast<unsigned char>(s[0])) &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// A key file's text, its line end dropped: keys are usually saved with one.
std::variant<std::string, std::string> readKeyFile(const std::string& written, const PathContext& context) {
    auto expanded = expandPath(written, context);
    if (auto* err = std::get_if<std::string>(&expanded)) return std::variant<std::string, std::string>(std::in_place_index<1>, *err);
    const auto path = std::get<std::filesystem::path>(expanded);
    auto fail = [&](const std::string& why) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, "the key file " + path.string() + " " + why);
    };
    std::error_code ec;
    // A named pipe would hold the start-up until someone wrote to it.
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) return fail("is not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    std::string text(kMaxKeyFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxKeyFileBytes) return fail("is larger than 64 KiB, more than a key");
    if (text.ends_with('\n')) text.pop_back();
    if (text.ends_with('\r')) text.pop_back();
    if (text.empty()) return fail("is empty");
    return std::variant<std::string, std::string>(std::in_place_index<0>, std::move(text));
}

// Replaces each {env:NAME} and {file:PATH} of `text` by what it names, and
// keeps that in `secrets`. What a placeholder gave is not read again.
std::optional<std::string> substitute(std::string& text, std::vector<std::string>& secrets, const PathContext& context) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const auto open = text.find('{', from);
        const std::string_view rest = open == std::string::npos ? std::string_view{} : std::string_view(text).substr(open);
        const bool env = rest.starts_with("{env:"), file = rest.starts_with("{file:");
        if (!env && !file) {
            if (open == std::string::npos) break;
            out.append(text, from, open + 1 - from);
            from = open + 1;
            continue;
        }
        const auto close = text.find('}', open);
        if (close == std::string::npos) return std::string("a {") + (env ? "env" : "file") + ": placeholder has no closing }";
        const auto nameAt = open + (env ? 5 : 6);
        const std::string name = text.substr(nameAt, close - nameAt);
        std::string value;
        if (env) {
            if (!variableName(name)) return "{env:" + name + "}: no environment variable is named so";
            const auto v = context.environment ? context.environment(name) : std::nullopt;
            if (!v) return "the environment variable " + name + " is not set";
            if (v->empty()) return "the environment variable " + name + " is empty";
            value = *v;
        } else {
            if (name.empty()) return "{file:} names no file";
            auto read = readKeyFile(name, context);
            if (read.index() == 1) return std::get<1>(read);
            value = std::get<0>(std::move(read));
        }
        out.append(text, from, open - from);
        out += value;
        secrets.push_back(std::move(value));
        from = close + 1;
    }
    out.append(text, from);
    text = std::move(out);
    return std::nullopt;
}

// The password of an address's user part (or the whole user part when it
// has none: some services take the key as the user) and the values of
// key-like query parameters, as ***.
std::string hideAddressKeys(std::string text) {
    const auto scheme = text.find("://");
    if (scheme == std::string::npos) return text;
    const auto hostAt = scheme + 3;
    const auto authorityEnd = std::min(text.find_first_of("/?#", hostAt), text.size());
    const auto at = text.rfind('@', authorityEnd);
    if (at != std::string::npos && at >= hostAt) {
        const auto colon = text.find(':', hostAt);
        const auto hideFrom = colon < at ? colon + 1 : hostAt;
        text.replace(hideFrom, at - hideFrom, "***");
    }
    const auto query = text.find('?', hostAt);
    if (query == std::string::npos) return text;
    const auto queryEnd = std::min(text.find('#', query), text.size());
    std::string out = text.substr(0, query + 1);
    for (auto part = query + 1; part <= queryEnd;) {
        const auto end = std::min(text.find('&', part), queryEnd);
        const std::string_view param = std::string_view(text).substr(part, end - part);
        const auto eq = param.find('=');
        if (eq != std::string_view::npos && keyLikeParameter(param.substr(0, eq))) {
            out.append(param.substr(0, eq + 1));
            out += "***";
        } else {
            out.append(param);
        }
        if (end < queryEnd) out += '&';
        part = end + 1;
    }
    return out + text.substr(queryEnd);
}

}  // namespace

Environment processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
}

bool RealtimeSource::remote() const { return address.starts_with("http://") || address.starts_with("https://"); }

std::string RealtimeSource::shown() const {
    std::string out = address;
    // The longest first, so that no part of a longer key is left showing.
    std::vector<std::string_view> keys(secrets.begin(), secrets.end());
    std::sort(keys.begin(), keys.end(), [](auto a, auto b) { return a.size() > b.size(); });
    for (const auto k : keys) replaceAll(out, k, "***");
    if (remote()) out = hideAddressKeys(std::move(out));
    for (std::size_t i = 0; i < headers.size(); ++i) out += (i ? ", " : " [") + headers[i].name + ": ***";
    return headers.empty() ? out : out + "]";
}

bool keyLikeParameter(std::string_view name) {
    static constexpr std::array<std::string_view, 10> names = {"auth", "authorization", "code", "credential", "credentials",
                                                               "jwt", "pass", "pwd", "session", "sig"};
    static constexpr std::array<std::string_view, 5> endings = {"key", "token", "secret", "password", "signature"};
    const std::string n = lower(name);
    return std::find(names.begin(), names.end(), n) != names.end() ||
           std::any_of(endings.begin(), endings.end(), [&](std::string_view e) { return n.ends_with(e); });
}

std::variant<std::filesystem::path, std::string> expandPath(const std::string& text, const PathContext& context) {
    if (text == "~" || text.starts_with("~/")) {
        const auto home = context.environment ? context.environment("HOME") : std::nullopt;
        if (!home || home->empty()) return std::string("~ stands for $HOME, which is not set");
        return std::filesystem::path(*home) / text.substr(std::min<std::size_t>(2, text.size()));
    }
    const std::filesystem::path p(text);
    if (p.is_relative() && !context.base.empty()) return context.base / p;
    return p;
}

std::variant<RealtimeSource, std::string> makeRealtimeSource(const std::string& address,
                                                             const std::vector<HttpHeader>& headers,
                                                             const PathContext& context) {
    if (address.empty()) return "realtime needs a file or an http(s) address";
    RealtimeSource s(address, headers);
    if (auto err = substitute(s.address, s.secrets, context)) return *err;
    if (!s.remote()) {
        auto path = expandPath(s.address, context);
        if (auto* err = std::get_if<std::string>(&path)) return *err;
        s.address = std::get<std::filesystem::path>(path).string();
        s.headers.clear();
        if (!headers.empty()) return "headers go only with an http(s) address, and " + s.shown() + " is a file";
    } else if (std::any_of(s.address.begin(), s.address.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; })) {
        s.headers.clear();
        return "the address \"" + s.shown() + "\" holds a space or a control character";
    }
    for (auto& h : s.headers) {
        // Not echoed: a name that is no token may be a key written in the wrong place.
        if (!httpToken(h.name)) return "a header name must be an HTTP token: letters, digits and !#$%&'*+-.^_`|~";
        if (auto err = substitute(h.value, s.secrets, context)) return *err;
        if (h.value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            return "the value of the header " + h.name + " holds a line break";
    }
    return s;
}

}  // namespace bus::standin
