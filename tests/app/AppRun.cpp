#include "app/AppRun.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "platform/UserDefaults.h"

namespace bus::test {

AppRun::AppRun(const std::filesystem::path& script, const std::filesystem::path& container,
               const std::filesystem::path& work, std::vector<std::string> more)
    : errors_(work / "stderr.txt") {
    std::vector<std::string> args = {BUSREAL_BINARY, "--script", script.string(), "--container", container.string()};
    args.insert(args.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pid_ = fork();
    if (pid_ == 0) {
        const int fd = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, STDERR_FILENO) < 0 || chdir(work.c_str()) != 0) _exit(126);
        // Nothing of the test's own goes with the app: a listening socket of
        // a stand-in the test serves it from would stay open in the app, and
        // a stand-in the test stops would go on taking connections there.
        close_range(STDERR_FILENO + 1, ~0U, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

AppRun::~AppRun() {
    // A test that failed half-way must not leave the app running.
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::pair<int, std::string> AppRun::finish() {
    int status = 0;
    const bool exited = pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status);
    pid_ = -1;
    std::ostringstream text;
    text << std::ifstream(errors_).rdbuf();
    return {exited ? WEXITSTATUS(status) : -1, text.str()};
}

void chooseCity(const std::filesystem::path& container, const std::string& cityBaseUrl) {
    platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
    prefs.setObject(16, "cityId");
    prefs.setObject("大同", "cityName");
    prefs.setObject(cityBaseUrl, "postUrl");
    prefs.setObject("/realBus/CXFWebService/bus", "postWebService");
    prefs.synchronize();
}

bool waitForFile(const std::filesystem::path& file, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    // The file is the condition: looked for every few milliseconds.
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void keepScreenshots(const std::filesystem::path& work) {
    std::filesystem::create_directories(APP_TEST_SHOTS);
    for (const auto& entry : std::filesystem::directory_iterator(work))
        if (entry.path().extension() == ".png")
            std::filesystem::copy_file(entry.path(), std::filesystem::path(APP_TEST_SHOTS) / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
}

nlohmann::json readDump(const std::filesystem::path& file) {
    std::ifstream in(file);
    return nlohmann::json::parse(in, nullptr, false);
}

}  // namespace bus::test
