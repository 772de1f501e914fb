#pragma once
// The preference store. Values keep their JSON types (a number stays a
// number, a string a string). Every write goes to disk at once by atomic
// replace, so a crash never leaves a half-written or lost preference file;
// synchronize() is kept for callers that flush explicitly. A corrupt file is
// logged once, set aside, and the store starts empty.
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
    bool synchronize();

    // Reads the file again (what a new process would see).
    void reload();
    const std::filesystem::path& file() const { return file_; }

private:
    void loadLocked();
    bool writeLocked();
    void followContainerLocked();

    std::mutex mutex_;
    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
    bool followsContainer_ = false;
};

}  // namespace platform
