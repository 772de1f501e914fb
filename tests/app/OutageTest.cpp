// The app binary against a city service that fails: the favourites tab
// paints its rows at once and tells the rider once, however many rows fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/AppRun.h"
#include "app/Dumps.h"
#include "platform/Container.h"
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

// The city service fails every request (500) half a second after it came.
TEST(Outage, FavouritesOfACityThatFailsTellTheRiderOnce) {
    HttpTestServer failing;
    failing.server().Post(".*", [](const httplib::Request&, httplib::Response& reply) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        reply.status = 500;
    });
    failing.start();
    const fs::path container = containerRoot() / "app", work = containerRoot() / "work";
    fs::create_directories(work);
    chooseCity(container, failing.baseUrl());
    storeFavourites(container, 7);
    const auto [status, errors] = runApp(fs::path(APP_TEST_SCRIPTS) / "favourites_outage.txt", container, work);
    ASSERT_EQ(status, 0) << errors;
    const auto rows = readCells(readDump(work / "favourites.json"));
    ASSERT_EQ(rows.size(), 7u);
    for (const auto& row : rows) EXPECT_NE(std::find(row.begin(), row.end(), "无实时信息"), row.end());
}

}  // namespace
}  // namespace bus::test
