#pragma once
// The rider's language. The app's texts are written in Chinese in the code and
// marked for the catalogs with tr, trc and trn (xgettext reads those names);
// a compiled catalog (.mo, gettext's format) gives another language's texts.
// Without a catalog, or for a text it lacks, the written text is shown.
//
// The language is the process's, like the C library's locale: chosen once at
// start from the environment (useLanguageOfEnvironment), before any screen or
// worker reads a text; a test may choose one for itself and then put the
// written texts back (useCatalog with none). Catalogs are read by this file,
// not by the C library, because the C library only translates for a locale
// the machine has generated, and a rider's choice should not depend on that.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Marks a text for the catalogs where it is written down (a constant) but
// translated where it is shown: tr(kStaleText). gettext's own name for it.
#define N_(text) text

// The app's name, as the window and its desktop notifications give it.
inline constexpr char kAppName[] = N_("实时公交");

// The language the texts are written in: a rider asking for it needs no
// catalog, and a list that names it stops there.
inline constexpr char kSourceLanguage[] = "zh";
// The catalogs' name: <folder>/<language>/LC_MESSAGES/busreal.mo.
inline constexpr char kTextDomain[] = "busreal";

// One compiled catalog.
class Catalog {
public:
    // The catalog in `bytes` (a .mo file of either byte order); none and a
    // reason when it is damaged.
    static std::optional<Catalog> parse(std::string_view bytes, std::string* error);
    static std::optional<Catalog> read(const std::filesystem::path& file, std::string* error);

    // The translation of `source` in `context` ("" for none), or null when the
    // catalog has none (an empty translation counts as none, as in gettext).
    const std::string* find(std::string_view context, std::string_view source) const;
    // The form for `n` of a text with a plural, or null.
    const std::string* findPlural(std::string_view context, std::string_view source, unsigned long n) const;
    // The header's "Language:" ("en"); empty when it names none.
    const std::string& language() const { return language_; }
    // Every written text it translates (a plural's both forms), and every
    // translation: what the app's own texts are made from, in either language.
    std::vector<std::string> sources() const;
    std::vector<std::string> translations() const;

private:
    struct Entry {
        std::vector<std::string> forms;  // one, or one per plural form
        std::string plural;               // the written plural, if it has one
    };
    std::unordered_map<std::string, Entry> entries_;  // key: context EOT source, or source
    std::string language_;
    // The header's "plural=" expression; "n != 1" when it has none.
    std::function<unsigned long(unsigned long)> plural_;
};

// The languages the environment asks for, in gettext's order: the locale is
// the first set of LC_ALL, LC_MESSAGES and LANG; a C or POSIX locale (C.UTF-8
// too) or none asks for the written texts; otherwise LANGUAGE's list, or the
// locale alone when LANGUAGE is empty. Names keep their territory and codeset
// ("en_US.UTF-8"); catalogFor looks up their shorter forms.
std::vector<std::string> requestedLanguages(const std::function<const char*(const char*)>& environment);

// The catalog of the first requested language that has one under `folder`
// ("en_US.UTF-8@x", then "en_US.UTF-8", "en_US", "en"). None when the list
// reaches the source language first, names no language with a catalog, or
// the catalog found is damaged (then `error` says which file and why).
std::optional<Catalog> catalogFor(const std::vector<std::string>& languages, const std::filesystem::path& folder,
                                  std::string* error = nullptr);

// Makes `catalog` the process's language; none puts back the written texts.
void useCatalog(std::optional<Catalog> catalog);
// Chooses from the process's environment with catalogs under `folder`; a
// damaged catalog is logged and the written texts stay.
void useLanguageOfEnvironment(const std::filesystem::path& folder);
// Where this program's catalogs are: <prefix>/share/locale installed,
// the build tree's locale folder otherwise.
std::filesystem::path catalogFolder();

// The chosen language's code ("en"), or kSourceLanguage.
std::string language();
// The texts the app's own are made from in the chosen language ("{}" where a
// value is filled in): the chosen catalog's translations, or the written
// texts as a catalog under catalogFolder() lists them. For the check that
// every text of the app's own fits its view.
std::vector<std::string> textsOfTheApp();

// `source` in the chosen language.
std::string tr(const char* source);
// The same, where one written text has two meanings ("提醒", the notice's
// title and the alerts page's): `context` tells them apart in the catalog.
std::string trc(const char* context, const char* source);
// The form for `n`: `plural` stands for every count but one where the
// catalog has none (Chinese writes both alike).
std::string trn(const char* source, const char* plural, unsigned long n);

// `pattern` with its "{}" filled by `values` in order, or "{0}", "{1}" by
// position, so that a translation may put them in its own order. A
// placeholder without a value stays as written.
std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values);
// trn filled with the count: counted("还有{}站", "还有{}站", 2) as "2 stops away".
std::string counted(const char* source, const char* plural, unsigned long n);

}  // namespace platform
