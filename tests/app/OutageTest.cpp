// The app binary against a city service that fails: the favourites tab
// paints its rows at once and tells the rider once, however many rows fail;
// a line watched before shows its last good stops, marked offline, while
// its service is stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <utility>

#include "app/AppRun.h"
#include "app/Dumps.h"
#include "StandinTestSupport.h"
#include "platform/Container.h"
#include "platform/UserDefaults.h"
#include "storage/FavouriteStore.h"
#include "support/TestSupport.h"

namespace bus::test {
namespace {

namespace fs = std::filesystem;

// Stores the favourites in the app's container as the app stores them.
void storeFavourites(const fs::path& container, int count) {
    platform::Container::setRoot(container);
    for (int stop = 1; stop <= count; ++stop) {
        BusCollection f;
        f.lineName = "9路", f.stationName = "第" + std::to_string(stop) + "站", f.endLine = "西客运站";
        f.lineId = 9, f.direction = 0, f.orderNo = stop, f.gprsId = 9, f.cityId = 16;
        FavouriteStore().save(f);
    }
    platform::Container::setRoot(containerRoot());
}

// The city service fails the first request at once and holds the others
// until the test lets them go: then it fails the next five and answers the
// last, so the rows' texts come in after the first notice has closed.
class GatedService {
public:
    GatedService() {
        server_.server().Post(".*", [this](const httplib::Request&, httplib::Response& reply) {
            std::unique_lock lock(mutex_);
            const int arrival = ++arrivals_;
            if (arrival > 1) released_.wait_for(lock, std::chrono::seconds(30), [this] { return open_; });
            if (arrival < 7) {
                reply.status = 500;
                return;
            }
            reply.set_content(soapReply("realBusStation", "还有3站"), "text/xml");
        });
        server_.start();
    }
    ~GatedService() { open(); }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }
    std::string url() const { return server_.baseUrl(); }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    int arrivals_ = 0;
    bool open_ = false;
    HttpTestServer server_;  // last, so that it stops first, every request let through
};

TEST(Outage, FavouritesOfACityThatFailsTellTheRiderOnce) {
    GatedService service;
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    chooseCity(container, service.url());
    storeFavourites(container, 7);
    AppRun app(fs::path(APP_TEST_SCRIPTS) / "favourites_outage.txt", container, work);
    // The script has seen the first notice close: the other rows may come in.
    EXPECT_TRUE(waitForFile(work / "first-notice-closed.json"));
    service.open();
    const auto [status, errors] = app.finish();
    ASSERT_EQ(status, 0) << errors;
    const auto rows = readCells(readDump(work / "favourites.json"));
    ASSERT_EQ(rows.size(), 7u);
    int none = 0, live = 0;
    for (const auto& row : rows) {
        none += std::count(row.begin(), row.end(), "无实时信息");
        live += std::count(row.begin(), row.end(), "还有3站");
    }
    EXPECT_EQ(std::make_pair(none, live), std::make_pair(6, 1));
    keepScreenshots(work);
}

// The live line's age label in a dump, "" when none shows.
std::string ageText(const nlohmann::json& node) {
    if (node.value("restorationIdentifier", "") == "age") return node.value("text", "");
    for (const auto& child : node.value("children", nlohmann::json::array()))
        if (auto text = ageText(child); !text.empty()) return text;
    return "";
}

TEST(Outage, ALineWatchedBeforeShowsItsLastStopsOfflineWhileItsServiceIsStopped) {
    standin::test::RunningStandin standin;
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    chooseCity(container, standin.standin().cityBaseUrl(16));
    {
        platform::UserDefaults prefs(container / "Library" / "Preferences" / "preferences.json");
        prefs.setObject("1", "refreshTime");
        prefs.synchronize();
    }
    AppRun app(fs::path(APP_TEST_SCRIPTS) / "offline_line.txt", container, work,
               {"--directory", standin.standin().directoryBaseUrl()});
    EXPECT_TRUE(waitForFile(work / "watched.json"));
    standin.standin().stop();
    EXPECT_TRUE(waitForFile(work / "offline.json"));
    standin.standin().start();
    const auto [status, errors] = app.finish();
    ASSERT_EQ(status, 0) << errors;

    const Live watched = readLive(readDump(work / "watched.json")), offline = readLive(readDump(work / "offline.json")),
               online = readLive(readDump(work / "online.json"));
    ASSERT_FALSE(watched.stops.empty());
    EXPECT_EQ(offline.stops, watched.stops);
    EXPECT_EQ(offline.title, watched.title);
    EXPECT_TRUE(offline.vehicleFrames.empty());
    EXPECT_EQ(offline.panels, 0);
    const std::string offlineAge = ageText(readDump(work / "offline.json"));
    EXPECT_TRUE(offlineAge.starts_with("离线 · ")) << offlineAge;
    EXPECT_EQ(online.stops, watched.stops);
    EXPECT_EQ(ageText(readDump(work / "online.json")), "刚刚更新");
    keepScreenshots(work);
}

}  // namespace
}  // namespace bus::test
