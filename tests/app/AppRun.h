#pragma once
// The app binary started headless on Qt's offscreen platform with a script
// and a container, in a work folder where the script's dumps and screenshots
// land.
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

namespace bus::standin::test {
class RunningStandin;
}

namespace bus::test {

class AppRun {
public:
    AppRun(const std::filesystem::path& script, const std::filesystem::path& container,
           const std::filesystem::path& work);
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
                                          const std::filesystem::path& work) {
    return AppRun(script, container, work).finish();
}

// Makes 16 大同 at `cityBaseUrl` the app's current city in the container, as
// if the rider had chosen it.
void chooseCity(const std::filesystem::path& container, const std::string& cityBaseUrl);

// The bundled stand-in with its directory where the app looks for it (port
// 18080) and its cities on free ports; null, with a test failure saying why,
// when another holds the port.
std::unique_ptr<standin::test::RunningStandin> standinOnTheDirectoryPort();

// A dump the script wrote, or a discarded value when it is missing or broken.
nlohmann::json readDump(const std::filesystem::path& file);

}  // namespace bus::test
