#include "standin/ZipFeed.h"

#include <zip.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

namespace bus::standin {

namespace {

// libzip's text for an error code it gave.
std::string zipError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// A member's name leads out of the folder the zip would unpack into: an
// absolute path, a drive, or a ".." step, with a backslash taken as the
// separator that unpackers on Windows take it for.
bool namedOutside(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.starts_with('/')) return true;
    if (name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return true;
    for (std::size_t from = 0; from <= name.size();) {
        const std::size_t to = std::min(name.find('/', from), name.size());
        if (name.compare(from, to - from, "..") == 0) return true;
        from = to + 1;
    }
    return false;
}

std::string bytes(std::uint64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

struct ZipArchive {
    zip_t* zip = nullptr;
    std::string path;  // as refusals name it
    ZipBounds bounds;
    std::map<std::string, zip_uint64_t, std::less<>> members;  // by name, '/' between folders
    std::uint64_t unpacked = 0;                               // by every stream so far

    ZipArchive() = default;
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;
    ~ZipArchive() {
        if (zip) zip_discard(zip);
    }
};

namespace {

// A member's bytes as libzip unpacks them, counted against the bounds: the
// size a zip declares may lie, and libzip reads on past it.
class MemberSource final : public CsvSource {
public:
    MemberSource(std::shared_ptr<ZipArchive> archive, zip_file_t* file, std::string name)
        : archive_(std::move(archive)), file_(file), name_(std::move(name)) {}
    ~MemberSource() override { zip_fclose(file_); }
    MemberSource(const MemberSource&) = delete;
    MemberSource& operator=(const MemberSource&) = delete;

    std::size_t read(char* into, std::size_t size) override {
        const zip_int64_t got = zip_fread(file_, into, size);
        if (got < 0) throw std::runtime_error(name_ + ": the zip is damaged (" + zip_error_strerror(zip_file_get_error(file_)) + ")");
        const auto n = static_cast<std::uint64_t>(got);
        read_ += n;
        archive_->unpacked += n;
        const ZipBounds& bounds = archive_->bounds;
        if (read_ > bounds.tableBytes)
            throw std::runtime_error(name_ + ": unpacks to more than " + bytes(bounds.tableBytes) +
                                     ", the most a table may have; refused as a zip bomb");
        if (archive_->unpacked > bounds.feedBytes)
            throw std::runtime_error(archive_->path + ": its tables unpack to more than " + bytes(bounds.feedBytes) +
                                     ", the most a feed may have; refused as a zip bomb");
        return static_cast<std::size_t>(n);
    }

private:
    std::shared_ptr<ZipArchive> archive_;  // outlives the member's file
    zip_file_t* file_;
    std::string name_;
    std::uint64_t read_ = 0;
};

}  // namespace

ZipFeed::ZipFeed(const std::filesystem::path& zip, const std::vector<std::string_view>& tables, ZipBounds bounds)
    : archive_(std::make_shared<ZipArchive>()) {
    ZipArchive& a = *archive_;
    a.path = zip.string();
    a.bounds = bounds;
    int error = 0;
    // ZIP_CHECKCONS: a central directory that disagrees with the members'
    // own headers is a damaged zip, refused before any table is read.
    a.zip = zip_open(zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!a.zip)
        throw std::runtime_error(a.path + ": cannot be read as a zip (" + zipError(error) +
                                 "); a GTFS feed is a folder of its tables or a zip of them");

    const std::set<std::string_view> tableNames(tables.begin(), tables.end());
    std::set<std::string> folders;  // those holding a table
    const zip_int64_t count = zip_get_num_entries(a.zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(a.zip, index, 0);
        if (!raw) throw std::runtime_error(a.path + ": the zip is damaged (" + zip_strerror(a.zip) + ")");
        const std::string name = raw;
        if (namedOutside(name))
            throw std::runtime_error(a.path + "!" + name +
                                     ": a member named outside the zip (an absolute path, a drive or ..); the whole zip is refused");
        if (name.empty() || name.ends_with('/') || name.starts_with("__MACOSX/")) continue;
        if (!a.members.emplace(name, index).second)
            throw std::runtime_error(a.path + "!" + name + ": two members of this name; the zip is refused");
        const std::size_t slash = name.rfind('/');
        const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
        if (tableNames.count(std::string_view(name).substr(base))) folders.insert(name.substr(0, base));
    }
    if (!a.members.count("stops.txt") && !folders.empty()) {
        if (folders.size() > 1) {
            std::string listed;
            for (const auto& f : folders) listed += (listed.empty() ? "" : ", ") + (f.empty() ? std::string("the top level") : f);
            throw std::runtime_error(a.path + ": tables in more than one folder (" + listed +
                                     ") and no stops.txt at the top level; zip one feed alone");
        }
        folder_ = *folders.begin();
    }

    // Each table's declared size is checked before any is read, so that the
    // first refusal is always the same one.
    std::uint64_t declared = 0;
    for (const std::string_view table : tables) {
        const auto it = a.members.find(folder_ + std::string(table));
        if (it == a.members.end()) continue;
        zip_stat_t st;
        if (zip_stat_index(a.zip, it->second, 0, &st) != 0)
            throw std::runtime_error(name(table) + ": the zip is damaged (" + zip_strerror(a.zip) + ")");
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            throw std::runtime_error(name(table) + ": the member is encrypted; serve a zip without a password");
        if ((st.valid & ZIP_STAT_SIZE) && st.size > bounds.tableBytes)
            throw std::runtime_error(name(table) + ": declares " + bytes(st.size) + " unpacked, more than the " +
                                     bytes(bounds.tableBytes) + " a table may have; refused as a zip bomb");
        if (st.valid & ZIP_STAT_SIZE) declared += st.size;
    }
    if (declared > bounds.feedBytes)
        throw std::runtime_error(a.path + ": its tables declare " + bytes(declared) + " unpacked, more than the " +
                                 bytes(bounds.feedBytes) + " a feed may have; refused as a zip bomb");
}

ZipFeed::~ZipFeed() = default;

std::optional<CsvReader> ZipFeed::open(std::string_view table) const {
    const auto it = archive_->members.find(folder_ + std::string(table));
    if (it == archive_->members.end()) return std::nullopt;
    zip_file_t* file = zip_fopen_index(archive_->zip, it->second, 0);
    if (!file) throw std::runtime_error(name(table) + ": cannot be read (" + zip_strerror(archive_->zip) + ")");
    auto source = std::make_unique<MemberSource>(archive_, file, name(table));
    // Blocks as for a file, sized down to what the member declares but never
    // below kLeastBlock: a size that lies small must not make the blocks of a
    // long member tiny.
    constexpr std::size_t kBlock = 1 << 20, kLeastBlock = 64 << 10;
    std::size_t block = kBlock;
    zip_stat_t st;
    if (zip_stat_index(archive_->zip, it->second, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && st.size < kBlock)
        block = std::max(static_cast<std::size_t>(st.size) + 1, kLeastBlock);
    return CsvReader(std::move(source), name(table), block);
}

std::string ZipFeed::name(std::string_view table) const { return archive_->path + "!" + folder_ + std::string(table); }

}  // namespace bus::standin
