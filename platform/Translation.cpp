#include "platform/Translation.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Installation.h"
#include "platform/Log.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// ---- The header's plural expression: C's operators on one unsigned n.

class PluralParser {
public:
    using Node = std::function<unsigned long(unsigned long)>;

    explicit PluralParser(std::string_view text) : text_(text) {}

    // None when the expression is not one gettext would accept.
    std::optional<Node> parse() {
        auto node = conditional();
        skipSpace();
        if (!node || at_ != text_.size()) return std::nullopt;
        return node;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int depth_ = 0;

    void skipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n')) ++at_;
    }
    bool take(std::string_view op) {
        skipSpace();
        if (text_.substr(at_, op.size()) != op) return false;
        // "<" is not the start of "<=", nor "!" of "!=".
        if (op.size() == 1 && at_ + 1 < text_.size() && text_[at_ + 1] == '=' && std::strchr("<>!=", op[0]))
            return false;
        at_ += op.size();
        return true;
    }

    std::optional<Node> conditional() {
        if (++depth_ > 64) return std::nullopt;  // a hostile header nests without end
        auto test = either();
        if (test && take("?")) {
            auto yes = conditional();
            if (!yes || !take(":")) return std::nullopt;
            auto no = conditional();
            if (!no) return std::nullopt;
            test = [t = *test, y = *yes, f = *no](unsigned long n) { return t(n) ? y(n) : f(n); };
        }
        --depth_;
        return test;
    }
    template <typename Next, typename Apply>
    std::optional<Node> leftToRight(Next next, std::initializer_list<std::string_view> ops, Apply apply) {
        auto left = (this->*next)();
        while (left) {
            std::string_view op;
            for (auto candidate : ops)
                if (take(candidate)) {
                    op = candidate;
                    break;
                }
            if (op.empty()) break;
            auto right = (this->*next)();
            if (!right) return std::nullopt;
            left = [l = *left, r = *right, op, apply](unsigned long n) { return apply(op, l(n), r(n)); };
        }
        return left;
    }
    std::optional<Node> either() {
        return leftToRight(&PluralParser::both, {"||"}, [](auto, unsigned long a, unsigned long b) {
            return static_cast<unsigned long>(a || b);
        });
    }
    std::optional<Node> both() {
        return leftToRight(&PluralParser::equality, {"&&"}, [](auto, unsigned long a, unsigned long b) {
            return static_cast<unsigned long>(a && b);
        });
    }
    std::optional<Node> equality() {
        return leftToRight(&PluralParser::relation, {"==", "!="}, [](std::string_view op, unsigned long a,
                                                                      unsigned long b) {
            return static_cast<unsigned long>(op == "==" ? a == b : a != b);
        });
    }
    std::optional<Node> relation() {
        return leftToRight(&PluralParser::sum, {"<=", ">=", "<", ">"}, [](std::string_view op, unsigned long a,
                                                                           unsigned long b) {
            return static_cast<unsigned long>(op == "<=" ? a <= b : op == ">=" ? a >= b : op == "<" ? a < b : a > b);
        });
    }
    std::optional<Node> sum() {
        return leftToRight(&PluralParser::product, {"+", "-"}, [](std::string_view op, unsigned long a,
                                                                   unsigned long b) { return op == "+" ? a + b : a - b; });
    }
    std::optional<Node> product() {
        return leftToRight(&PluralParser::unary, {"*", "/", "%"}, [](std::string_view op, unsigned long a,
                                                                      unsigned long b) -> unsigned long {
            if (op == "*") return a * b;
            if (b == 0) return 0;  // a catalog's fault must not stop the app
            return op == "/" ? a / b : a % b;
        });
    }
    std::optional<Node> unary() {
        if (take("!")) {
            auto inner = unary();
            if (!inner) return std::nullopt;
            return [i = *inner](unsigned long n) { return static_cast<unsigned long>(!i(n)); };
        }
        return primary();
    }
    std::optional<Node> primary() {
        skipSpace();
        if (take("(")) {
            auto inner = conditional();
            if (!inner || !take(")")) return std::nullopt;
            return inner;
        }
        if (at_ < text_.size() && text_[at_] == 'n') {
            ++at_;
            return [](unsigned long n) { return n; };
        }
        if (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            unsigned long value = 0;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
                value = value * 10 + static_cast<unsigned long>(text_[at_++] - '0');
            return [value](unsigned long) { return value; };
        }
        return std::nullopt;
    }
};

// ---- The .mo file: a header of 32-bit words, then tables of (length, offset).

constexpr std::uint32_t kMagic = 0x950412de;
constexpr char kContextSeparator = '\x04';

// A header line's value ("Language: en" -> "en").
std::string headerField(std::string_view header, std::string_view name) {
    std::size_t at = 0;
    while (at < header.size()) {
        const std::size_t end = std::min(header.find('\n', at), header.size());
        const std::string_view line = header.substr(at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.remove_suffix(1);
            return std::string(value);
        }
        at = end + 1;
    }
    return {};
}

std::string key(std::string_view context, std::string_view source) {
    if (context.empty()) return std::string(source);
    std::string k(context);
    k += kContextSeparator;
    k.append(source);
    return k;
}

bool isCLocale(std::string_view locale) {
    return locale == "C" || locale == "POSIX" || locale.substr(0, 2) == "C." || locale.substr(0, 2) == "C@";
}

// "en_US.UTF-8@euro" -> itself, "en_US.UTF-8", "en_US", "en": gettext's order.
std::vector<std::string> shorterForms(const std::string& name) {
    std::vector<std::string> forms{name};
    auto add = [&](std::string form) {
        if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
    };
    std::string rest = name.substr(0, name.find('@'));
    add(rest);
    rest = rest.substr(0, rest.find('.'));
    add(rest);
    add(rest.substr(0, rest.find('_')));
    return forms;
}

std::atomic<std::shared_ptr<const Catalog>>& chosen() {
    static std::atomic<std::shared_ptr<const Catalog>> value;
    return value;
}

}  // namespace

std::optional<Catalog> Catalog::parse(std::string_view bytes, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Catalog> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (bytes.size() < 28) return fail("too short for a catalog");
    auto word = [&](std::size_t at, bool swapped) {
        std::uint32_t w;
        std::memcpy(&w, bytes.data() + at, 4);
        return swapped ? __builtin_bswap32(w) : w;
    };
    bool swapped = false;
    if (word(0, false) != kMagic) {
        if (word(0, true) != kMagic) return fail("not a compiled catalog (no .mo magic number)");
        swapped = true;
    }
    if ((word(4, swapped) >> 16) > 1) return fail("a catalog format newer than this reader knows");
    const std::uint32_t count = word(8, swapped), sources = word(12, swapped), translations = word(16, swapped);
    if (count > bytes.size() / 16 || sources > bytes.size() || translations > bytes.size() ||
        bytes.size() - sources < std::size_t{count} * 8 || bytes.size() - translations < std::size_t{count} * 8)
        return fail("its tables lie outside the file");
    auto text = [&](std::uint32_t table, std::uint32_t i, std::string_view& out) {
        const std::uint32_t length = word(table + i * 8, swapped), offset = word(table + i * 8 + 4, swapped);
        // Each string ends in a NUL the length leaves out.
        if (offset > bytes.size() || length >= bytes.size() - offset) return false;
        out = bytes.substr(offset, length);
        return true;
    };
    Catalog catalog;
    std::string_view header;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string_view source, translation;
        if (!text(sources, i, source) || !text(translations, i, translation))
            return fail("entry " + std::to_string(i) + " lies outside the file");
        if (source.empty()) {
            header = translation;
            continue;
        }
        // "singular\0plural" -> the singular is the key; forms are NUL-separated.
        const std::size_t split = source.find('\0');
        const std::string_view singular = source.substr(0, split);
        Entry entry;
        if (split != std::string_view::npos) entry.plural = std::string(source.substr(split + 1));
        std::size_t at = 0;
        while (true) {
            const std::size_t end = std::min(translation.find('\0', at), translation.size());
            entry.forms.emplace_back(translation.substr(at, end - at));
            if (end >= translation.size()) break;
            at = end + 1;
        }
        catalog.entries_[std::string(singular)] = std::move(entry);
    }
    catalog.language_ = headerField(header, "Language");
    const std::string forms = headerField(header, "Plural-Forms");
    const std::size_t plural = forms.find("plural=");
    std::optional<PluralParser::Node> rule;
    if (plural != std::string::npos) {
        std::string expression = forms.substr(plural + 7);
        expression = expression.substr(0, expression.find(';'));
        rule = PluralParser(expression).parse();
        if (!rule) return fail("its Plural-Forms expression cannot be read: " + expression);
    }
    catalog.plural_ = rule ? *rule : [](unsigned long n) { return static_cast<unsigned long>(n != 1); };
    return catalog;
}

std::optional<Catalog> Catalog::read(const fs::path& file, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = file.string() + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string why;
    auto catalog = parse(bytes.str(), &why);
    if (!catalog && error) *error = file.string() + ": " + why;
    return catalog;
}

std::vector<std::string> Catalog::sources() const {
    std::vector<std::string> out;
    for (const auto& [k, entry] : entries_) {
        out.push_back(k.substr(k.find(kContextSeparator) + 1));
        if (!entry.plural.empty()) out.push_back(entry.plural);
    }
    return out;
}

std::vector<std::string> Catalog::translations() const {
    std::vector<std::string> out;
    for (const auto& [k, entry] : entries_) out.insert(out.end(), entry.forms.begin(), entry.forms.end());
    return out;
}

const std::string* Catalog::find(std::string_view context, std::string_view source) const {
    const auto it = entries_.find(key(context, source));
    if (it == entries_.end() || it->second.forms.empty() || it->second.forms.front().empty()) return nullptr;
    return &it->second.forms.front();
}

const std::string* Catalog::findPlural(std::string_view context, std::string_view source, unsigned long n) const {
    const auto it = entries_.find(key(context, source));
    if (it == entries_.end()) return nullptr;
    const unsigned long form = plural_(n);
    if (form >= it->second.forms.size() || it->second.forms[form].empty()) return nullptr;
    return &it->second.forms[form];
}

std::vector<std::string> requestedLanguages(const std::function<const char*(const char*)>& environment) {
    auto value = [&](const char* name) {
        const char* v = environment(name);
        return std::string(v ? v : "");
    };
    std::string locale = value("LC_ALL");
    if (locale.empty()) locale = value("LC_MESSAGES");
    if (locale.empty()) locale = value("LANG");
    if (locale.empty() || isCLocale(locale)) return {};
    std::vector<std::string> languages;
    const std::string list = value("LANGUAGE");
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t end = std::min(list.find(':', at), list.size());
        if (end > at) languages.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    if (languages.empty()) languages.push_back(locale);
    return languages;
}

std::optional<Catalog> catalogFor(const std::vector<std::string>& languages, const fs::path& folder,
                                  std::string* error) {
    std::error_code ec;
    for (const auto& language : languages) {
        for (const auto& form : shorterForms(language)) {
            if (form == kSourceLanguage) return std::nullopt;
            // A name is a folder's name, never a path.
            if (form.find('/') != std::string::npos || form == "." || form == "..") continue;
            const fs::path file = folder / form / "LC_MESSAGES" / (std::string(kTextDomain) + ".mo");
            if (!fs::is_regular_file(file, ec)) continue;
            return Catalog::read(file, error);
        }
    }
    return std::nullopt;
}

void useCatalog(std::optional<Catalog> catalog) {
    chosen().store(catalog ? std::make_shared<const Catalog>(std::move(*catalog)) : nullptr,
                   std::memory_order_release);
}

void useLanguageOfEnvironment(const fs::path& folder) {
    std::string error;
    auto catalog = catalogFor(requestedLanguages([](const char* name) { return std::getenv(name); }), folder, &error);
    if (!error.empty()) NSLog("catalog not used: " + error);
    useCatalog(std::move(catalog));
}

fs::path catalogFolder() {
    if (auto data = installedDataDirectory("images")) return data->parent_path() / "locale";
    return BUS_LOCALE_DIR;
}

std::string language() {
    const auto now = chosen().load(std::memory_order_acquire);
    if (!now || now->language().empty()) return kSourceLanguage;
    const std::string& name = now->language();
    return name.substr(0, name.find_first_of("_.@"));
}

std::vector<std::string> textsOfTheApp() {
    if (const auto now = chosen().load(std::memory_order_acquire)) return now->translations();
    std::error_code ec;
    const fs::path folder = catalogFolder();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (auto catalog = Catalog::read(it->path() / "LC_MESSAGES" / (std::string(kTextDomain) + ".mo"), nullptr))
            return catalog->sources();
    }
    return {};
}

std::string tr(const char* source) { return trc("", source); }

std::string trc(const char* context, const char* source) {
    const auto now = chosen().load(std::memory_order_acquire);
    if (now)
        if (const std::string* found = now->find(context, source)) return *found;
    return source;
}

std::string trn(const char* source, const char* plural, unsigned long n) {
    const auto now = chosen().load(std::memory_order_acquire);
    if (now)
        if (const std::string* found = now->findPlural("", source, n)) return *found;
    return n == 1 ? source : plural;
}

std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string out;
    out.reserve(pattern.size() + 16);
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{') {
            std::size_t close = i + 1;
            while (close < pattern.size() && close - i <= 3 && pattern[close] >= '0' && pattern[close] <= '9') ++close;
            if (close < pattern.size() && pattern[close] == '}') {
                const std::size_t index =
                    close == i + 1 ? next++ : std::stoul(std::string(pattern.substr(i + 1, close - i - 1)));
                if (index < values.size()) {
                    out.append(values.begin()[index]);
                    i = close;
                    continue;
                }
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string counted(const char* source, const char* plural, unsigned long n) {
    return fill(trn(source, plural, n), {std::to_string(n)});
}

}  // namespace platform
