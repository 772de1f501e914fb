#include "platform/Container.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace platform {
namespace {
std::mutex gMutex;
std::optional<std::filesystem::path> gRoot;
// The locks this process holds, by root; released as the process ends.
std::map<std::filesystem::path, ContainerLock>& heldLocks() {
    static std::map<std::filesystem::path, ContainerLock> held;
    return held;
}
}  // namespace

ContainerLock::~ContainerLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
}

std::optional<ContainerLock> ContainerLock::acquire(const std::filesystem::path& root, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    const auto file = root / ".lock";
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = "cannot open " + file.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        const int why = errno;
        ::close(fd);
        if (error)
            *error = why == EWOULDBLOCK ? "the container " + root.string() + " is in use by another running copy of the app"
                                        : "cannot lock " + file.string() + ": " + std::strerror(why);
        return std::nullopt;
    }
    return ContainerLock(fd);
}

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

std::filesystem::path Container::cachesDirectory() {
    auto dir = root() / "Library" / "Caches";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

bool Container::claimForThisProcess(std::string* error) {
    const auto current = root();
    std::lock_guard lock(gMutex);
    auto& held = heldLocks();
    if (held.count(current)) return true;
    auto claimed = ContainerLock::acquire(current, error);
    if (!claimed) return false;
    held.emplace(current, std::move(*claimed));
    return true;
}

}  // namespace platform
