#include "app/AppRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/UserDefaults.h"

namespace bus::test {

AppRun::AppRun(const std::filesystem::path& script, const std::filesystem::path& container,
               const std::filesystem::path& work, std::vector<std::string> more,
               std::vector<std::string> environment)
    : errors_(work / "stderr.txt") {
    if (environment.empty()) {
        const char* locale = std::getenv("BUS_TEST_LOCALE");
        environment = localeOnly(locale ? locale : "");
    }
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
        for (auto& setting : environment) {
            const auto equals = setting.find('=');
            if (equals == std::string::npos)
                unsetenv(setting.c_str());
            else
                setenv(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1, 1);
        }
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

void chooseCity(const std::filesystem::path& container, const std::string& cityBaseUrl, std::int64_t cityId,
                const std::string& cityName) {
    platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
    prefs.setObject(cityId, "cityId");
    prefs.setObject(cityName, "cityName");
    prefs.setObject(cityBaseUrl, "postUrl");
    prefs.setObject("/realBus/CXFWebService/bus", "postWebService");
    prefs.synchronize();
}

std::vector<std::string> localeOnly(const std::string& locale) {
    return {locale.empty() ? "LANG" : "LANG=" + locale, "LANGUAGE", "LC_ALL", "LC_MESSAGES"};
}

bool waitForFile(const std::filesystem::path& file, double seconds) {
    // The kernel tells when a file comes into the folder: the wait is on
    // that event, not a poll. The watch is set before the first look, so a
    // file that comes in between is seen either way.
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0) return false;
    const bool watching =
        inotify_add_watch(watch, file.parent_path().c_str(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE) >= 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool found = std::filesystem::exists(file);
    while (watching && !found) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd event{watch, POLLIN, 0};
        if (poll(&event, 1, static_cast<int>(left.count())) > 0) {
            char drained[4096];
            (void)!read(watch, drained, sizeof drained);
        }
        found = std::filesystem::exists(file);
    }
    close(watch);
    return found;
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
