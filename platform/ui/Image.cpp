#include "platform/ui/Image.h"

#include <array>
#include <fstream>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/Installation.h"
#include "platform/Log.h"

namespace ui {

namespace {

struct Entry {
    bool exists = false;
    Size size;
};

struct Cache {
    std::mutex mutex;
    std::optional<std::filesystem::path> dir;
    std::unordered_map<std::string, Entry> entries;
};

Cache& cache() {
    static Cache c;
    return c;
}

// The installed resources (the install rules of the top CMakeLists.txt put
// them in <prefix>/share/busreal), else, for a program run from the build
// tree (tests, run.sh), the source tree's. Decided once: the executable does
// not move while it runs.
std::filesystem::path resourcesDirectory() {
    static const std::filesystem::path dir =
        platform::installedDataDirectory("images").value_or(std::filesystem::path(BUS_RESOURCES_DIR));
    return dir;
}

std::filesystem::path defaultDirectory() { return resourcesDirectory() / "images"; }

// Width and height from the IHDR chunk, which a PNG must have first.
std::optional<Size> readPngPixelSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 24> head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) return std::nullopt;
    static constexpr std::array<unsigned char, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (std::size_t i = 0; i < kSignature.size(); ++i)
        if (head[i] != kSignature[i]) return std::nullopt;
    if (head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R') return std::nullopt;
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t{head[at]} << 24) | (std::uint32_t{head[at + 1]} << 16) |
               (std::uint32_t{head[at + 2]} << 8) | std::uint32_t{head[at + 3]};
    };
    return Size{static_cast<double>(be32(16)), static_cast<double>(be32(20))};
}

// Looks the name up once; the first lookup of a missing name logs it.
Entry lookup(const std::string& name, std::filesystem::path* pathOut) {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    const std::filesystem::path dir = c.dir.value_or(defaultDirectory());
    const std::filesystem::path file = dir / std::filesystem::u8path(name);
    if (pathOut) *pathOut = file;
    if (auto it = c.entries.find(name); it != c.entries.end()) return it->second;

    Entry e;
    std::error_code ec;
    if (!name.empty() && std::filesystem::is_regular_file(file, ec)) {
        e.exists = true;
        if (auto px = readPngPixelSize(file)) e.size = {px->width / kImageScale, px->height / kImageScale};
    } else if (!name.empty()) {
        platform::NSLog("Could not load the \"" + name + "\" image");
    }
    c.entries.emplace(name, e);
    return e;
}

}  // namespace

std::filesystem::path imagesDirectory() {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    return c.dir.value_or(defaultDirectory());
}

void setImagesDirectory(const std::filesystem::path& dir) {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    c.dir = dir;
    c.entries.clear();
}

std::filesystem::path imagePath(const std::string& name) {
    std::filesystem::path file;
    return lookup(name, &file).exists ? file : std::filesystem::path{};
}

bool imageExists(const std::string& name) { return lookup(name, nullptr).exists; }

Size imageSize(const std::string& name) { return lookup(name, nullptr).size; }

void resetImageCache() {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    c.entries.clear();
}

}  // namespace ui
