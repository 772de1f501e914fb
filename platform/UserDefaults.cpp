#include "platform/UserDefaults.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Container.h"
#include "platform/Log.h"

namespace platform {

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
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return;
    std::ifstream in(file_, std::ios::binary);
    std::stringstream buf;
    if (in) buf << in.rdbuf();
    auto parsed = nlohmann::json::parse(buf.str(), nullptr, /*allow_exceptions=*/false);
    if (!in || parsed.is_discarded() || !parsed.is_object()) {
        NSLog("preferences: unreadable store " + file_.string() + ", starting empty");
        // Keep the damaged file for inspection instead of overwriting it.
        std::filesystem::rename(file_, file_.string() + ".corrupt", ec);
        return;
    }
    values_ = std::move(parsed);
}

bool UserDefaults::writeLocked() {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    const std::string tmp = file_.string() + ".tmp";
    const std::string text = values_.dump(2);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        NSLog("preferences: cannot write " + tmp + ": " + std::strerror(errno));
        return false;
    }
    const char* p = text.data();
    std::size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), file_.c_str()) != 0) {
        NSLog("preferences: cannot write " + file_.string() + ": " + std::strerror(errno));
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
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
    writeLocked();
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) > 0) writeLocked();
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    return writeLocked();
}

void UserDefaults::reload() {
    std::lock_guard lock(mutex_);
    loadLocked();
}

}  // namespace platform
