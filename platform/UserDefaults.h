#pragma once
// The preference store. Values keep their JSON types (a number stays a
// number, a string a string). Every write replaces the file atomically
// without waiting for the disk, so a crash of the process never leaves a
// half-written or lost file; synchronize() also flushes it to the disk.
// A file that was read and is not a usable store (it does not parse, is not
// one JSON object, nests deeper than kMaxJsonDepth or is megabytes long) is
// logged once, set aside as ".corrupt", and the store starts empty. A file that cannot be read at all
// (permissions, an I/O error) is logged once and left exactly as it is: the
// store starts empty and keeps this run's writes in memory only.
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {

class UserDefaults {
public:
    // Backed by the preference file of the current application container.
    static UserDefaults& standardUserDefaults();
    static UserDefaults& standard() { return standardUserDefaults(); }

    explicit UserDefaults(std::filesystem::path file);

    std::optional<nlohmann::json> objectForKey(const std::string& key);
    // The value's text as a string, or its integer reading for numbers.
    std::optional<std::string> stringForKey(const std::string& key);
    void setObject(const nlohmann::json& value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Writes the file and flushes it and its folder to the disk; false when
    // the values are not on the disk.
    bool synchronize();

    // Reads the file again (what a new process would see).
    void reload();
    const std::filesystem::path& file() const { return file_; }

private:
    void loadLocked();
    bool writeLocked(bool flush);
    void followContainerLocked();

    std::mutex mutex_;
    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
    bool followsContainer_ = false;
    // Set when file_ exists but could not be read: nothing is written to it
    // until it is loaded again (reload(), another container).
    bool fileUnread_ = false;
};

}  // namespace platform
