// The scripted tour through every screen, under each locale a rider may have:
// the written Chinese texts with none, C.UTF-8 and zh_CN.UTF-8 (the tour
// expects them), and English on an English city of the tests' feed under
// en_US.UTF-8, whether or not the machine generated that locale. At every
// screen the tours check that each text of the app's own fits its view, with
// the window's fonts; the English one dumps each screen, and no text or
// accessible name on any of them may be Chinese.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "StandinTestSupport.h"
#include "app/AppRun.h"
#include "standin/Gtfs.h"
#include "support/Cjk.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

void collectCjk(const json& view, std::vector<std::string>& found) {
    for (const char* field : {"text", "accessibilityLabel", "accessibilityHint"})
        if (view.contains(field) && hasCjk(view[field].get<std::string>()))
            found.push_back(view["class"].get<std::string>() + " " + field + " \"" + view[field].get<std::string>() + "\"");
    if (view.contains("children"))
        for (const auto& child : view["children"]) collectCjk(child, found);
}

class TourTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override { fs::create_directories(work); }
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
};

TEST_P(TourTest, TheChineseTourShowsTheWrittenTextsAndEveryTextFits) {
    standin::test::RunningStandin standin;
    chooseCity(container, standin.standin().cityBaseUrl(16));
    const auto [status, errors] = runApp(APP_DEMO_TOUR, container, work,
                                         {"--directory", standin.standin().directoryBaseUrl()}, localeOnly(GetParam()));
    EXPECT_EQ(status, 0) << errors;
    EXPECT_TRUE(fs::exists(work / "tour-17-more.png"));
}

INSTANTIATE_TEST_SUITE_P(Locales, TourTest, testing::Values("", "C.UTF-8", "zh_CN.UTF-8"),
                         [](const auto& info) {
                             const std::string name = info.param;
                             return name.empty() ? std::string("Unset") : name.substr(0, name.find('.'));
                         });

TEST(EnglishTourTest, InEnglishOnAnEnglishCityNoScreenShowsChineseAndEveryTextFits) {
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    std::vector<standin::City> cities;
    cities.push_back(standin::importGtfs(APP_TEST_FEED_EN, {90, "Harbourton", 0, 8 * 3600}));
    standin::test::RunningStandin standin(0, std::move(cities));
    chooseCity(container, standin.standin().cityBaseUrl(90), 90, "Harbourton");
    const auto [status, errors] = runApp(APP_DEMO_TOUR_EN, container, work,
                                         {"--directory", standin.standin().directoryBaseUrl()},
                                         localeOnly("en_US.UTF-8"));
    keepScreenshots(work);
    ASSERT_EQ(status, 0) << errors;
    int screens = 0;
    for (const auto& entry : fs::directory_iterator(work)) {
        if (entry.path().extension() != ".json") continue;
        ++screens;
        std::vector<std::string> chinese;
        collectCjk(readDump(entry.path()), chinese);
        EXPECT_EQ(chinese, std::vector<std::string>{}) << entry.path().filename();
    }
    EXPECT_GE(screens, 20);
}

}  // namespace
}  // namespace bus::test
