#include "app/CommandLine.h"

#include "model/Config.h"

namespace bus {

namespace {

constexpr char kDirectory[] = "--directory";

// "http://host[:port]" or "https://...", a trailing "/" dropped: the app
// appends the service path itself, so an address with a path of its own
// would name no service.
std::optional<std::string> baseAddress(std::string url) {
    if (!url.empty() && url.back() == '/') url.pop_back();
    for (const std::string scheme : {"http://", "https://"}) {
        if (url.rfind(scheme, 0) != 0) continue;
        const std::string rest = url.substr(scheme.size());
        if (rest.empty() || rest.front() == ':' || rest.find_first_of("/?# ") != std::string::npos) return std::nullopt;
        return url;
    }
    return std::nullopt;
}

}  // namespace

std::optional<AppOptions> readAppOptions(const std::vector<std::string>& arguments, std::string* error) {
    AppOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        std::optional<std::string> value;
        if (arg == kDirectory) {
            if (i + 1 < arguments.size()) value = arguments[++i];
        } else if (arg.rfind(std::string(kDirectory) + "=", 0) == 0) {
            value = arg.substr(sizeof kDirectory);
        } else {
            continue;
        }
        const auto url = value ? baseAddress(*value) : std::nullopt;
        if (!url) {
            if (error)
                *error = std::string(kDirectory) + " needs the directory service's base address, as in " +
                         config::kDirectoryUrl + (value ? ", not \"" + *value + "\"" : std::string());
            return std::nullopt;
        }
        options.directoryUrl = *url;
    }
    return options;
}

}  // namespace bus
