#include "platform/UserDefaults.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/Container.h"
#include "platform/JsonDepth.h"
#include "platform/Log.h"

namespace platform {
namespace {

// A store of a few keys is a few hundred bytes; a file far larger is not one
// this app wrote, and reading it whole would only hold up the start.
constexpr std::size_t kMaxFileBytes = 4 << 20;

// Reads the whole file into `text`: 0, or the errno of the failed open or
// read (ENOENT when there is no file, EFBIG past kMaxFileBytes).
int readWhole(const std::filesystem::path& file, std::string& text) {
    // Non-blocking, so a FIFO at the path cannot hang the start of the app.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    char buf[16384];
    int error = 0;
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) != 0;) {
        if (n > 0) {
            text.append(buf, static_cast<std::size_t>(n));
            if (text.size() > kMaxFileBytes) {
                error = EFBIG;
                break;
            }
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    ::close(fd);
    return error;
}

// 0, or the errno of the failed write.
int writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// Makes a rename inside `folder` survive a power cut.
bool flushFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed;
}

}  // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
    static UserDefaults store(Container::preferencesFile());
    std::lock_guard lock(store.mutex_);
    store.followsContainer_ = true;
    store.followContainerLocked();
    return store;
}

UserDefaults::UserDefaults(std::filesystem::path file) : file_(std::move(file)) { loadLocked(); }

void UserDefaults::followContainerLocked() {
    if (!followsContainer_) return;
    auto current = Container::preferencesFile();
    if (current != file_) {
        file_ = std::move(current);
        loadLocked();
    }
}

void UserDefaults::loadLocked() {
    values_ = nlohmann::json::object();
    fileUnread_ = false;
    std::string text;
    const int error = readWhole(file_, text);
    if (error == ENOENT) return;  // first start
    if (error != 0 && error != EFBIG) {
        // The file may hold the rider's city: an empty store written over it,
        // or first-start seeding, would lose it for good.
        fileUnread_ = true;
        NSLog("preferences: cannot read " + file_.string() + ": " + std::strerror(error) +
              "; leaving it untouched and keeping this run's changes in memory");
        return;
    }
    // Too large or too deep a file parses, or would, and then stops every
    // start of the app on the way: it is set aside like one that does not.
    nlohmann::json parsed;
    if (error == 0 && !nestsTooDeep(text)) parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object()) {
        NSLog("preferences: " + file_.string() + " is not a usable preference file; set aside as .corrupt, starting empty");
        std::error_code ec;
        std::filesystem::rename(file_, file_.string() + ".corrupt", ec);
        return;
    }
    values_ = std::move(parsed);
}

bool UserDefaults::writeLocked(bool flush) {
    if (fileUnread_) return false;
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    const std::string tmp = file_.string() + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int error = fd < 0 ? errno : writeAll(fd, values_.dump(2));
    if (error == 0 && flush && ::fsync(fd) != 0) error = errno;
    if (fd >= 0 && ::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tmp.c_str(), file_.c_str()) != 0) error = errno;
    if (error != 0) {
        NSLog("preferences: cannot write " + file_.string() + ": " + std::strerror(error));
        ::unlink(tmp.c_str());
        return false;
    }
    return !flush || flushFolder(file_.parent_path());
}

std::optional<nlohmann::json> UserDefaults::objectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return *it;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) {
    auto value = objectForKey(key);
    if (!value) return std::nullopt;
    if (value->is_string()) return value->get<std::string>();
    if (value->is_number_integer()) return std::to_string(value->get<long long>());
    return value->dump();
}

void UserDefaults::setObject(const nlohmann::json& value, const std::string& key) {
    std::lock_guard lock(mutex_);
    values_[key] = value;
    writeLocked(/*flush=*/false);
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) > 0) writeLocked(/*flush=*/false);
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    return writeLocked(/*flush=*/true);
}

void UserDefaults::reload() {
    std::lock_guard lock(mutex_);
    loadLocked();
}

}  // namespace platform
