#include "platform/Installation.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDataBesideBin = "../share/busreal";

std::mutex gMutex;
std::string gInvoked;

fs::path realExecutable() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

// The folder the program was started from, links kept: a relative or
// absolute path as given, else the first folder on PATH that has it.
fs::path invokedFolder() {
    std::string invoked;
    {
        std::lock_guard lock(gMutex);
        invoked = gInvoked;
    }
    if (invoked.empty()) return {};
    std::error_code ec;
    if (invoked.find('/') != std::string::npos) return fs::absolute(fs::path(invoked), ec).parent_path();
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / invoked).c_str(), X_OK) == 0)
            return fs::absolute(folder, ec);
    return {};
}

}  // namespace

void setInvokedProgramPath(const char* argv0) {
    std::lock_guard lock(gMutex);
    gInvoked = argv0 ? argv0 : "";
}

bool runsFromBuildTree() {
    std::error_code ec;
    const fs::path tree = fs::weakly_canonical(BUS_BUILD_TREE, ec);
    const fs::path exe = realExecutable();
    if (tree.empty() || exe.empty()) return false;
    const auto [treeEnd, exeAt] = std::mismatch(tree.begin(), tree.end(), exe.begin(), exe.end());
    return treeEnd == tree.end();
}

std::optional<fs::path> installedDataDirectory(const fs::path& marker) {
    const fs::path real = realExecutable().parent_path();
    std::vector<fs::path> bins{invokedFolder(), real};
    std::error_code ec;
    for (const auto& bin : bins) {
        if (bin.empty()) continue;
        const fs::path data = (bin / kDataBesideBin).lexically_normal();
        if (fs::exists(data / marker, ec)) return data;
    }
    if (runsFromBuildTree()) return std::nullopt;
    return (real / kDataBesideBin).lexically_normal();
}

}  // namespace platform
