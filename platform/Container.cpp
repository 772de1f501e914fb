#include "platform/Container.h"

#include <cstdlib>
#include <mutex>
#include <optional>

namespace platform {
namespace {
std::mutex gMutex;
std::optional<std::filesystem::path> gRoot;
}  // namespace

std::filesystem::path Container::defaultRoot() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "busreal";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "busreal";
    return std::filesystem::temp_directory_path() / "busreal";
}

void Container::setRoot(const std::filesystem::path& root) {
    std::lock_guard lock(gMutex);
    gRoot = root;
}

std::filesystem::path Container::root() {
    std::lock_guard lock(gMutex);
    if (!gRoot) gRoot = defaultRoot();
    return *gRoot;
}

std::filesystem::path Container::documentsDirectory() {
    auto dir = root() / "Documents";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

std::filesystem::path Container::preferencesFile() {
    auto dir = root() / "Library" / "Preferences";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir / "preferences.json";
}

}  // namespace platform
