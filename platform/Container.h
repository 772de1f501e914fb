#pragma once
// The application container: one root folder that holds the documents
// directory and the preference file. The app uses the desktop's usual data
// location; tests and the window point it anywhere.
#include <filesystem>

namespace platform {

class Container {
public:
    static void setRoot(const std::filesystem::path& root);
    static std::filesystem::path root();
    // Created on demand, so a fresh container works without set-up.
    static std::filesystem::path documentsDirectory();
    static std::filesystem::path preferencesFile();
    static std::filesystem::path defaultRoot();
};

}  // namespace platform
