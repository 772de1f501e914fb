#pragma once
// Where a program of ours finds its data. Installed, the data lies in
// <prefix>/share/busreal beside <prefix>/bin; run from the build tree, the
// caller uses the source tree's folders instead. An installed copy never
// reads outside its prefix: not finding its data there is an error, not a
// reason to look at the machine it was built on.
#include <filesystem>
#include <optional>

namespace platform {

// The program's path as it was started (argv[0]); set once by main.
void setInvokedProgramPath(const char* argv0);

// Whether the running executable lies in the build tree that compiled it.
bool runsFromBuildTree();

// The installation's data folder (<prefix>/share/busreal) holding `marker`,
// found from the folder the program was started from (which may be a link
// to the real bin/) or from the executable's real folder. None when the
// program runs from its build tree and no installation is around it. An
// installed program whose data is missing gets its real prefix's folder,
// so that what it reads fails there.
std::optional<std::filesystem::path> installedDataDirectory(const std::filesystem::path& marker);

}  // namespace platform
