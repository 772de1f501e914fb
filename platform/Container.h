#pragma once
// The application container: one root folder that holds the documents
// directory and the preference file. The app uses the desktop's usual data
// location; tests and the window point it anywhere.
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// An advisory lock on a container, held while the object lives. Two
// processes writing one container would each replace the other's whole
// preference file: the second to start is turned away instead.
class ContainerLock {
public:
    ContainerLock(ContainerLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ContainerLock& operator=(ContainerLock&&) = delete;
    ContainerLock(const ContainerLock&) = delete;
    ContainerLock& operator=(const ContainerLock&) = delete;
    ~ContainerLock();

    // Locks `root` (creating it and its lock file when missing). None when
    // another holder has it, with the reason in `error`.
    static std::optional<ContainerLock> acquire(const std::filesystem::path& root, std::string* error);

private:
    explicit ContainerLock(int fd) : fd_(fd) {}
    int fd_;
};

class Container {
public:
    static void setRoot(const std::filesystem::path& root);
    static std::filesystem::path root();
    // Created on demand, so a fresh container works without set-up.
    static std::filesystem::path documentsDirectory();
    static std::filesystem::path preferencesFile();
    // Library/Caches: what the app may lose and make again.
    static std::filesystem::path cachesDirectory();
    static std::filesystem::path defaultRoot();
    // Locks the current root for the rest of the process (once per root).
    // False, with the reason, when another process uses it.
    static bool claimForThisProcess(std::string* error);
};

}  // namespace platform
