#pragma once
// The app's own command-line options, beside the toolkit's --script and
// --container (which UIApplicationMain reads): `--directory URL` asks
// another directory service for the cities than the fixed one, so that a
// second installation or a test's stand-in on a port of its own can serve
// the app while another copy runs on the fixed address.
#include <optional>
#include <string>
#include <vector>

namespace bus {

struct AppOptions {
    std::optional<std::string> directoryUrl;  // base address: scheme, host, port; no path
};

// Reads the arguments the toolkit left (ui::LaunchOptions::otherArguments).
// Arguments it does not know are left for the desktop window. A missing or
// malformed value is an error: the message says which, and the result is
// empty.
std::optional<AppOptions> readAppOptions(const std::vector<std::string>& arguments, std::string* error);

}  // namespace bus
