#pragma once
// The app binary started headless on Qt's offscreen platform with a script
// and a container, in a work folder where the script's dumps and screenshots
// land.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus::test {

class AppRun {
public:
    // `more`: further arguments, such as --directory URL. `environment`:
    // "NAME=VALUE" set and "NAME" unset for the app alone (its language).
    // Without it the app speaks the language of BUS_TEST_LOCALE (unset:
    // none, the written texts), not the developer's: the test command runs
    // the end-to-end tests again under each locale that keeps them.
    AppRun(const std::filesystem::path& script, const std::filesystem::path& container,
           const std::filesystem::path& work, std::vector<std::string> more = {},
           std::vector<std::string> environment = {});
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
                                          const std::filesystem::path& work, std::vector<std::string> more = {},
                                          std::vector<std::string> environment = {}) {
    return AppRun(script, container, work, std::move(more), std::move(environment)).finish();
}

// Makes 16 大同 at `cityBaseUrl` (or another city) the app's current city in
// the container, as if the rider had chosen it.
void chooseCity(const std::filesystem::path& container, const std::string& cityBaseUrl, std::int64_t cityId = 16,
                const std::string& cityName = "大同");

// The environment of an app that speaks the language of `locale` alone: LANG
// set to it ("" unsets it), and LANGUAGE, LC_ALL and LC_MESSAGES unset so
// that the test's own leave it be.
std::vector<std::string> localeOnly(const std::string& locale);

// Waits until the running script has written `file` (a dump it makes once it
// has seen what the test waits for); false after `seconds`.
bool waitForFile(const std::filesystem::path& file, double seconds = 30);

// Keeps the screenshots a script saved in `work` with the others, for a
// person to look at.
void keepScreenshots(const std::filesystem::path& work);

// A dump the script wrote, or a discarded value when it is missing or broken.
nlohmann::json readDump(const std::filesystem::path& file);

}  // namespace bus::test
