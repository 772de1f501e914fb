// The catalogs as msgfmt writes them, the languages the environment asks for,
// and the texts the app shows in each.
#include "platform/Translation.h"

#include <cstring>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// The chosen language is the process's: every test leaves the written texts.
class TranslationTest : public ::testing::Test {
protected:
    void TearDown() override { useCatalog(std::nullopt); }
    static fs::path compiled(const char* name) { return fs::path(TEST_CATALOGS) / name; }
};

TEST_F(TranslationTest, TheLanguagesAskedForFollowGettextsOrder) {
    struct Case {
        std::map<std::string, std::string> environment;
        std::vector<std::string> languages;
    };
    const std::vector<Case> cases = {
        {{}, {}},
        {{{"LANG", "en_US.UTF-8"}}, {"en_US.UTF-8"}},
        {{{"LANG", "C.UTF-8"}}, {}},
        {{{"LANG", "POSIX"}, {"LANGUAGE", "en"}}, {}},  // a C locale ignores LANGUAGE, as gettext does
        {{{"LANG", "C"}, {"LC_MESSAGES", "en_GB"}}, {"en_GB"}},
        {{{"LANG", "en_US.UTF-8"}, {"LC_ALL", "zh_CN.UTF-8"}, {"LC_MESSAGES", "fr_FR"}}, {"zh_CN.UTF-8"}},
        {{{"LANG", "en_US.UTF-8"}, {"LC_ALL", "C"}}, {}},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr::en_GB:"}}, {"fr", "en_GB"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", ""}}, {"de_DE.UTF-8"}},
    };
    for (const auto& c : cases) {
        const auto got = requestedLanguages([&](const char* name) -> const char* {
            const auto it = c.environment.find(name);
            return it == c.environment.end() ? nullptr : it->second.c_str();
        });
        std::string said;
        for (const auto& [k, v] : c.environment) said += k + "=" + v + " ";
        EXPECT_EQ(got, c.languages) << said;
    }
}

TEST_F(TranslationTest, TheFirstLanguageWithACatalogWinsAndTheWrittenLanguageEndsTheSearch) {
    const fs::path folder = bus::test::containerRoot() / "locale";
    fs::create_directories(folder / "ru" / "LC_MESSAGES");
    fs::copy_file(compiled("ru.mo"), folder / "ru" / "LC_MESSAGES" / "busreal.mo");
    fs::create_directories(folder / "xx" / "LC_MESSAGES");
    std::ofstream(folder / "xx" / "LC_MESSAGES" / "busreal.mo") << "not a catalog";
    struct Case {
        std::vector<std::string> languages;
        bool found;
    };
    const std::vector<Case> cases = {
        {{"ru_RU.UTF-8@latin"}, true}, {{"ru_UA"}, true},   {{"de", "ru"}, true},
        {{"zh_CN.UTF-8", "ru"}, false}, {{"fr_FR"}, false}, {{"../ru"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto catalog = catalogFor(c.languages, folder, &error);
        EXPECT_EQ(catalog.has_value(), c.found) << testing::PrintToString(c.languages);
        EXPECT_EQ(error, "");
        if (catalog) {
            EXPECT_EQ(catalog->language(), "ru");
        }
    }
    std::string error;
    EXPECT_FALSE(catalogFor({"xx"}, folder, &error));
    EXPECT_NE(error.find("xx/LC_MESSAGES/busreal.mo: too short"), std::string::npos) << error;
}

TEST_F(TranslationTest, TextsComeFromTheCatalogInEitherByteOrderAndFallBackToTheWrittenOnes) {
    EXPECT_EQ(tr("返回"), "返回");
    EXPECT_EQ(counted("还有{}站", "还有{}站", 3), "还有3站");
    EXPECT_EQ(language(), "zh");
    for (const char* file : {"ru.mo", "ru-big.mo"}) {
        std::string error;
        auto catalog = Catalog::read(compiled(file), &error);
        ASSERT_TRUE(catalog) << error;
        useCatalog(std::move(catalog));
        EXPECT_EQ(language(), "ru");
        EXPECT_EQ(tr("返回"), "Назад");
        EXPECT_EQ(trc("notice", "提醒"), "Внимание");
        EXPECT_EQ(trc("alerts", "提醒"), "Сообщения");
        EXPECT_EQ(tr("提醒"), "提醒");     // no entry without a context
        EXPECT_EQ(tr("删除"), "删除");     // an empty translation is none
        EXPECT_EQ(tr("收藏成功"), "收藏成功");  // not in the catalog
        const std::map<unsigned long, std::string> forms = {
            {1, "1 остановка"},   {2, "2 остановки"},   {4, "4 остановки"},   {5, "5 остановок"},
            {11, "11 остановок"}, {12, "12 остановок"}, {21, "21 остановка"}, {22, "22 остановки"},
            {0, "0 остановок"},   {111, "111 остановок"},
        };
        for (const auto& [n, text] : forms) EXPECT_EQ(counted("还有{}站", "还有{}站", n), text) << file << " " << n;
    }
    useCatalog(std::nullopt);
    EXPECT_EQ(tr("返回"), "返回");
    EXPECT_EQ(trn("还有{}站", "plural", 1), "还有{}站");
    EXPECT_EQ(trn("还有{}站", "plural", 2), "plural");
}

TEST_F(TranslationTest, DamagedCatalogsAreRefusedWithAReason) {
    const std::string good = bus::test::readFile(compiled("ru.mo"));
    auto word = [](std::string bytes, std::size_t at, std::uint32_t value) {
        std::memcpy(bytes.data() + at, &value, 4);
        return bytes;
    };
    std::string badPlural = good;
    const auto rule = badPlural.find("plural=(");
    ASSERT_NE(rule, std::string::npos);
    badPlural.replace(rule + 7, 5, "(n%%%");
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"empty", "", "too short"},
        {"cut", good.substr(0, 40), "outside the file"},
        {"no magic", word(good, 0, 0x12345678), "no .mo magic"},
        {"newer format", word(good, 4, 0x00020000), "newer"},
        {"huge count", word(good, 8, 0xffffffff), "outside the file"},
        {"table past the end", word(good, 12, static_cast<std::uint32_t>(good.size() - 4)), "outside the file"},
        {"string past the end", word(good, 32, 0x7fffffff), "outside the file"},
        {"unreadable plural rule", badPlural, "Plural-Forms"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Catalog::parse(c.bytes, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

TEST_F(TranslationTest, FillPutsValuesInOrderOrByPosition) {
    struct Case {
        const char* pattern;
        std::string filled;
    };
    const std::vector<Case> cases = {
        {"{}上车 → {}下车，共{}站", "A上车 → B下车，共C站"},
        {"{2} stops from {0} to {1}", "C stops from A to B"},
        {"{} and {5} and {x} and {", "A and {5} and {x} and {"},
        {"", ""},
        {"{}{}{}{}", "ABC{}"},
    };
    for (const auto& c : cases) EXPECT_EQ(fill(c.pattern, {"A", "B", "C"}), c.filled) << c.pattern;
}

}  // namespace
}  // namespace platform
