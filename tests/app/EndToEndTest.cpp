// The app binary on a fresh container, driven by a script on Qt's offscreen
// platform: what a rider does on the refresh interval screen, what the
// window then shows (its view tree, dumped by the script) and what lands in
// the preference file.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Container.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

extern char** environ;

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct AppRun {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string errors;
};

// Runs the app with the script on the container, in `workDir` (where the
// script's dumps land), headless.
AppRun runApp(const fs::path& script, const fs::path& container, const fs::path& workDir) {
    std::vector<std::string> args{BUSREAL_BINARY, "--script", script.string(), "--container", container.string()};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("QT_QPA_PLATFORM=", 0) != 0) env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string errorsFile = (workDir / "stderr.txt").string();

    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(workDir.c_str()) != 0) _exit(126);
        const int fd = open(errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, STDERR_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    AppRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    std::ifstream in(errorsFile);
    std::ostringstream text;
    text << in.rdbuf();
    run.errors = text.str();
    return run;
}

fs::path scriptNamed(const std::string& name) { return fs::path(APP_TEST_SCRIPTS) / name; }

json readJson(const fs::path& file) {
    std::ifstream in(file);
    return json::parse(in, nullptr, false);
}

void collect(const json& node, const std::string& cls, std::vector<const json*>& out) {
    if (node.value("class", "") == cls) out.push_back(&node);
    if (node.contains("children"))
        for (const auto& child : node["children"]) collect(child, cls, out);
}

bool shows(const json& node) { return !node.value("hidden", false) && node.value("alpha", 1.0) >= 0.01; }

// One row of the refresh interval table as the dump shows it.
struct DumpedRow {
    std::string text;
    std::vector<std::vector<double>> marks;  // frames of its check marks, in window points
    std::vector<double> frame;
};

std::vector<DumpedRow> rowsOf(const json& tree) {
    std::vector<const json*> cells;
    collect(tree, "TableViewCell", cells);
    std::vector<DumpedRow> rows;
    for (const json* cell : cells) {
        if (!shows(*cell)) continue;
        DumpedRow row;
        row.frame = (*cell)["frame"].get<std::vector<double>>();
        std::vector<const json*> labels, images;
        collect(*cell, "Label", labels);
        collect(*cell, "ImageView", images);
        for (const json* l : labels)
            if (shows(*l) && l->contains("text")) row.text = (*l)["text"];
        for (const json* i : images)
            if (shows(*i) && i->value("image", "") == "选中.png") row.marks.push_back((*i)["frame"]);
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> markedRows(const std::vector<DumpedRow>& rows) {
    std::vector<std::string> marked;
    for (const auto& r : rows)
        if (!r.marks.empty()) marked.push_back(r.text);
    return marked;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        container = containerRoot() / "app";
        work = containerRoot() / "work";
        fs::create_directories(work);
    }

    std::optional<json> storedRefreshTime() {
        platform::UserDefaults fromFile(container / "Library" / "Preferences" / "preferences.json");
        return fromFile.objectForKey("refreshTime");
    }

    static void expectRefreshIntervalRows(const std::vector<DumpedRow>& rows) {
        std::vector<std::string> texts;
        for (const auto& r : rows) texts.push_back(r.text);
        EXPECT_EQ(texts, (std::vector<std::string>{"10秒", "20秒", "30秒", "手动刷新"}));
    }

    fs::path container, work;
};

TEST_F(EndToEndTest, AFreshInstallShowsNoCheckMark) {
    const AppRun run = runApp(scriptNamed("open_refresh_interval.txt"), container, work);
    ASSERT_EQ(run.status, 0) << run.errors;
    const json tree = readJson(work / "refresh-interval.json");
    ASSERT_FALSE(tree.is_discarded());
    const auto rows = rowsOf(tree);
    expectRefreshIntervalRows(rows);
    EXPECT_EQ(markedRows(rows), std::vector<std::string>{});
    EXPECT_EQ(storedRefreshTime(), std::nullopt);
}

TEST_F(EndToEndTest, ChoosingByHandStoresOneHundredAndMovesTheMark) {
    const AppRun run = runApp(scriptNamed("choose_by_hand.txt"), container, work);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(storedRefreshTime(), json("100"));

    for (const char* dump : {"after-tap.json", "reopened.json"}) {
        SCOPED_TRACE(dump);
        const json tree = readJson(work / dump);
        ASSERT_FALSE(tree.is_discarded());
        const auto rows = rowsOf(tree);
        expectRefreshIntervalRows(rows);
        ASSERT_EQ(markedRows(rows), std::vector<std::string>{"手动刷新"});
        const DumpedRow& byHand = rows.back();
        ASSERT_EQ(byHand.marks.size(), 1u);
        // 50 points from the right edge of the full-width table, 15 below
        // the top of its row.
        EXPECT_EQ(byHand.marks[0], (std::vector<double>{375 - 50, byHand.frame[1] + 15, 18, 12}));
    }
}

TEST_F(EndToEndTest, TheChoiceIsThereOnTheNextStart) {
    ASSERT_EQ(runApp(scriptNamed("choose_by_hand.txt"), container, work).status, 0);
    const AppRun again = runApp(scriptNamed("open_refresh_interval.txt"), container, work);
    ASSERT_EQ(again.status, 0) << again.errors;
    const auto rows = rowsOf(readJson(work / "refresh-interval.json"));
    expectRefreshIntervalRows(rows);
    EXPECT_EQ(markedRows(rows), std::vector<std::string>{"手动刷新"});
}

TEST_F(EndToEndTest, AFailedStepFailsTheRun) {
    // A script that cannot do what it says must not pass silently.
    std::ofstream(work / "bad.txt") << "tap_text 没有这个按钮\n";
    const AppRun run = runApp(work / "bad.txt", container, work);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.errors.find("没有这个按钮"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace bus::test
