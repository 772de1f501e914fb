// The cache of the services' last good replies: what is kept comes back
// byte for byte under its own city, line and direction or stop; each kind
// keeps only its most recently used entries; a damaged file costs only the
// copies.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/Container.h"
#include "storage/OfflineCopies.h"

namespace bus {
namespace {

// A reply text with what a service may send: quotes, brackets, multi-byte
// names.
const std::string kLineText = R"({"lineName":"5路","stations":[{"stationName":"东站 'A'","orderNo":1}]})";

TEST(OfflineCopies, EachCopyComesBackUnderItsOwnKeyOnlyTillANewerReplyReplacesIt) {
    OfflineCopies copies;
    copies.keepLine(16, 5, 1, kLineText, 1000.5);
    copies.keepStationTexts(16, {{305, 3, 1, "还有2站"}}, 1001);

    const auto line = copies.line(16, 5, 1, 2000);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, kLineText);
    EXPECT_DOUBLE_EQ(line->savedAt, 1000.5) << "a read is a use, not a new reply";
    ASSERT_TRUE(copies.stationText(16, 305, 3, 1, 2000));
    EXPECT_EQ(copies.stationText(16, 305, 3, 1, 2000)->text, "还有2站");

    const struct {
        const char* what;
        bool found;
    } others[] = {
        {"another city", copies.line(17, 5, 1, 0).has_value()},
        {"the other direction", copies.line(16, 5, 0, 0).has_value()},
        {"another line", copies.line(16, 6, 1, 0).has_value()},
        {"another stop", copies.stationText(16, 305, 4, 1, 0).has_value()},
    };
    for (const auto& other : others) EXPECT_FALSE(other.found) << other.what;
    // A newer reply replaces the copy, with its own time.
    copies.keepLine(16, 5, 1, "new", 3000);
    ASSERT_TRUE(copies.line(16, 5, 1, 3001));
    EXPECT_EQ(copies.line(16, 5, 1, 3001)->text, "new");
    EXPECT_DOUBLE_EQ(copies.line(16, 5, 1, 3001)->savedAt, 3000);
}

// Kept one a second: line 1 is read at second 500, after every other was
// kept, so it is the most recently used and outlives lines 2 and 3.
TEST(OfflineCopies, EachKindKeepsItsMostRecentlyUsedEntries) {
    OfflineCopies copies;
    const int total = static_cast<int>(OfflineCopies::kMaxCopies);
    for (int line = 1; line <= total; ++line) copies.keepLine(16, line, 0, "line " + std::to_string(line), line);
    copies.keepStationTexts(16, {{1, 1, 0, "stop"}, {1, 2, 0, "stop"}, {1, 3, 0, "stop"}}, 300);
    ASSERT_TRUE(copies.line(16, 1, 0, 500));
    copies.keepLine(16, total + 1, 0, "one more", 501);
    copies.keepLine(16, total + 2, 0, "and another", 502);

    EXPECT_TRUE(copies.line(16, 1, 0, 600)) << "read last, so used last";
    EXPECT_FALSE(copies.line(16, 2, 0, 600));
    EXPECT_FALSE(copies.line(16, 3, 0, 600));
    EXPECT_TRUE(copies.line(16, 4, 0, 600));
    EXPECT_TRUE(copies.line(16, total + 2, 0, 600));
    for (int stop = 1; stop <= 3; ++stop)
        EXPECT_TRUE(copies.stationText(16, 1, stop, 0, 600)) << "the lines' bound leaves the texts alone";
}

TEST(OfflineCopies, ADamagedFileIsMadeAgainAtTheNextKeep) {
    const auto file = platform::Container::cachesDirectory() / OfflineCopies::kFileName;
    std::ofstream(file) << std::string(4096, 'x');
    OfflineCopies copies;
    EXPECT_FALSE(copies.line(16, 5, 1, 0));
    copies.keepLine(16, 5, 1, kLineText, 10);
    ASSERT_TRUE(copies.line(16, 5, 1, 20));
    EXPECT_EQ(copies.line(16, 5, 1, 20)->text, kLineText);
}

}  // namespace
}  // namespace bus
