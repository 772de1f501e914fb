// The configuration file (--config, --session): TOML read with toml++, into
// the same options as the command line through the same setters, so that a
// value is checked alike wherever it is written.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <toml++/toml.h>

#include "standin/Options.h"

namespace bus::standin {

namespace {

Setting settingOf(const toml::node& node) {
    if (const auto* n = node.as_integer()) return {n->get()};
    if (const auto* s = node.as_string()) return {s->get()};
    if (const auto* b = node.as_boolean()) return {b->get()};
    return {};
}

class ConfigReader {
public:
    ConfigReader(const std::filesystem::path& file, const Environment& environment)
        : name_(file.string()), paths_{environment, std::filesystem::absolute(file).parent_path()} {}

    std::optional<std::string> read(const toml::table& doc, CliOptions& o) const {
        for (auto&& [key, node] : doc) {
            const std::string k(key.str());
            if (k == "city") {
                const auto* cities = node.as_array();
                if (!cities || !cities->is_array_of_tables()) return at(node) + "city must be [[city]] tables";
                for (const auto& city : *cities) {
                    GtfsFeed feed;
                    if (auto err = readCity(*city.as_table(), feed)) return err;
                    o.feeds.push_back(std::move(feed));
                }
            } else if (k == "bundled") {
                const auto* b = node.as_boolean();
                if (!b) return at(node) + "bundled must be true or false";
                o.noBundled = !b->get();
            } else if (isOption(k)) {
                Setting value = settingOf(node);
                if (k == "data" && value.string()) {
                    auto path = expandPath(*value.string(), paths_);
                    if (auto* err = std::get_if<std::string>(&path)) return at(node) + *err;
                    value.value = std::get<std::filesystem::path>(path).string();
                }
                if (auto err = setOption(o, k, value)) return at(node) + k + " " + *err;
                if (k == "directory-port") o.directoryPortOrigin = line(node);
            } else {
                return at(key) + "unknown key " + k;
            }
        }
        return std::nullopt;
    }

    std::string line(const auto& node) const { return name_ + ":" + std::to_string(node.source().begin.line); }
    std::string at(const auto& node) const { return line(node) + ": "; }

private:
    std::optional<std::string> readCity(const toml::table& city, GtfsFeed& feed) const {
        feed.origin = line(city);
        bool hasFeed = false;
        for (auto&& [key, node] : city) {
            const std::string k(key.str());
            if (k == "feed") {
                const auto* s = node.as_string();
                if (!s) return at(node) + "feed must be a string";
                auto path = expandPath(s->get(), paths_);
                if (auto* err = std::get_if<std::string>(&path)) return at(node) + *err;
                feed.folder = std::get<std::filesystem::path>(path);
                hasFeed = true;
            } else if (k == "realtime") {
                const auto* sources = node.as_array();
                if (!sources || !sources->is_array_of_tables()) return at(node) + "realtime must be [[city.realtime]] tables";
                for (const auto& source : *sources)
                    if (auto err = readSource(*source.as_table(), feed)) return err;
            } else if (isFeedKey(k)) {
                if (auto err = setFeedKey(feed, k, settingOf(node))) return at(node) + k + " " + *err;
            } else {
                return at(key) + "unknown key " + k;
            }
        }
        if (!hasFeed) return at(city) + "a [[city]] needs feed, its GTFS folder";
        return std::nullopt;
    }

    std::optional<std::string> readSource(const toml::table& source, GtfsFeed& feed) const {
        const toml::node* url = nullptr;
        const toml::table* headerTable = nullptr;
        for (auto&& [key, node] : source) {
            if (key == "url" && node.is_string()) url = &node;
            else if (key == "url") return at(node) + "url must be a string";
            else if (key == "headers" && node.is_table()) headerTable = node.as_table();
            else if (key == "headers") return at(node) + "headers must be a table of NAME = \"VALUE\"";
            else return at(key) + "unknown key " + std::string(key.str());
        }
        if (!url) return at(source) + "a [[city.realtime]] needs url, a file or an http(s) address";
        // The address alone first, so that a fault is named on its own line.
        const std::string address = url->as_string()->get();
        if (auto made = makeRealtimeSource(address, {}, paths_); std::holds_alternative<std::string>(made))
            return at(*url) + std::get<std::string>(made);
        std::vector<HttpHeader> headers;
        if (headerTable) {
            for (auto&& [name, value] : *headerTable) {
                if (!value.is_string()) return at(value) + "the value of the header " + std::string(name.str()) + " must be a string";
                headers.push_back({std::string(name.str()), value.as_string()->get()});
            }
        }
        auto made = makeRealtimeSource(address, headers, paths_);
        if (auto* err = std::get_if<std::string>(&made)) return (headerTable ? at(*headerTable) : at(*url)) + *err;
        feed.realtime.push_back(std::get<RealtimeSource>(std::move(made)));
        return std::nullopt;
    }

    std::string name_;
    PathContext paths_;
};

}  // namespace

std::optional<std::string> readConfigFile(const std::filesystem::path& file, CliOptions& o, const Environment& environment) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return file.string() + ": cannot be read (" + std::strerror(errno) + ")";
    std::ostringstream text;
    text << in.rdbuf();
    const std::string name = file.string();
    toml::table doc;
    try {
        doc = toml::parse(std::string_view(text.str()), std::string_view(name));
    } catch (const toml::parse_error& e) {
        const auto& begin = e.source().begin;
        return name + ":" + std::to_string(begin.line) + ":" + std::to_string(begin.column) + ": " + std::string(e.description());
    }
    return ConfigReader(file, environment).read(doc, o);
}

}  // namespace bus::standin
