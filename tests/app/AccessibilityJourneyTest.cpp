// A rider who cannot see the screen, and one without a pointer, catch a bus
// in the app binary against the bundled stand-in on free ports (the app is
// told where its directory is): each runs in a virtual X server with a
// D-Bus session and accessibility bus of its own, driven by
// accessibility/journey.py through AT-SPI only, or by key presses only.
// The script checks every screen it visits; its screenshots of the focus
// ring land with the others.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

#include "StandinTestSupport.h"
#include "app/AppRun.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;

// Runs the command in a process group of its own with its output in `log`;
// its exit status, or -1 when it did not end within the bound (the whole
// group is then ended).
int runBounded(std::vector<std::string> args, const fs::path& log, std::chrono::seconds bound) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0 || dup2(fd, STDERR_FILENO) < 0) _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    // A waiter thread reaps the child, so the bound is a wait on its end.
    std::packaged_task<int()> reap([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    });
    auto ended = reap.get_future();
    std::thread waiter(std::move(reap));
    const bool inTime = ended.wait_for(bound) == std::future_status::ready;
    if (!inTime) kill(-pid, SIGKILL);
    const int status = ended.get();
    waiter.join();
    // The bus's helpers (the accessibility bus, its registry) end with it.
    if (inTime) kill(-pid, SIGTERM);
    return inTime && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs journey.py in `mode` against the stand-in, with the app in the
// language of `lang` ("zh": the locale BUS_TEST_LOCALE names, as for every
// end-to-end test; "en": en_US.UTF-8); its screenshots land with the others.
void rideTheJourney(const char* mode, const std::string& lang = "zh") {
    standin::test::RunningStandin standin;
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    chooseCity(container, standin.standin().cityBaseUrl(16));
    const fs::path log = work / "journey.txt";
    // A runtime folder of its own: without one the accessibility bus's socket
    // lands in the home folder, where two journeys at once take each other's.
    const fs::path runtime = containerRoot() / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    const char* testLocale = std::getenv("BUS_TEST_LOCALE");
    // env takes what it unsets before what it sets.
    std::vector<std::string> command = {"env"}, set = {"XDG_RUNTIME_DIR=" + runtime.string()};
    for (const auto& setting : localeOnly(lang == "en" ? "en_US.UTF-8" : testLocale ? testLocale : "")) {
        if (setting.find('=') == std::string::npos)
            command.insert(command.end(), {"-u", setting});
        else
            set.push_back(setting);
    }
    command.insert(command.end(), set.begin(), set.end());
    command.insert(command.end(), {"dbus-run-session", "--", "/usr/bin/python3", APP_TEST_ACCESSIBILITY "/journey.py",
                                   mode, "--lang", lang, "--app", BUSREAL_BINARY, "--container", container.string(),
                                   "--work", work.string(), "--directory", standin.standin().directoryBaseUrl()});
    const int status = runBounded(std::move(command), log, std::chrono::seconds(200));
    std::ostringstream out;
    out << std::ifstream(log).rdbuf() << std::ifstream(work / "tree-on-failure.txt").rdbuf()
        << std::ifstream(work / "app-stderr.txt").rdbuf();
    EXPECT_EQ(status, 0) << out.str();
    keepScreenshots(work);
}

TEST(RiderWithoutSightOrPointer, CatchesABusThroughTheAccessibilityBusOnly) { rideTheJourney("atspi"); }

TEST(RiderWithoutSightOrPointer, CatchesABusWithKeyPressesOnly) { rideTheJourney("keys"); }

TEST(RiderWithoutSightOrPointer, CatchesABusThroughTheAccessibilityBusInEnglish) { rideTheJourney("atspi", "en"); }

}  // namespace
}  // namespace bus::test
