#pragma once
// The app binary started headless on Qt's offscreen platform with a script
// and a container, in a work folder where the script's dumps and screenshots
// land.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus::test {

class AppRun {
public:
    // `more`: further arguments, such as --directory URL.
    AppRun(const std::filesystem::path& script, const std::filesystem::path& container,
           const std::filesystem::path& work, std::vector<std::string> more = {});
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    // Waits for the app to end: its exit status (-1 if it did not exit by
    // itself) and what it wrote to stderr.
    std::pair<int, std::string> finish();

private:
    pid_t pid_ = -1;
    std::filesystem::path errors_;
};

// Runs the script to its end.
inline std::pair<int, std::string> runApp(const std::filesystem::path& script, const std::filesystem::path& container,
                                          const std::filesystem::path& work, std::vector<std::string> more = {}) {
    return AppRun(script, container, work, std::move(more)).finish();
}

// Makes 16 大同 at `cityBaseUrl` the app's current city in the container, as
// if the rider had chosen it.
void chooseCity(const std::filesystem::path& container, const std::string& cityBaseUrl);

// Waits until the running script has written `file` (a dump it makes once it
// has seen what the test waits for); false after `seconds`.
bool waitForFile(const std::filesystem::path& file, double seconds = 30);

// Keeps the screenshots a script saved in `work` with the others, for a
// person to look at.
void keepScreenshots(const std::filesystem::path& work);

// A dump the script wrote, or a discarded value when it is missing or broken.
nlohmann::json readDump(const std::filesystem::path& file);

}  // namespace bus::test
