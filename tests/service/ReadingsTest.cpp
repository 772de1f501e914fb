// Reading return texts of unexpected shapes: where the stop array is cut
// from a line, and how vehicles are ordered.
#include <string>

#include <gtest/gtest.h>

#include "model/Value.h"
#include "service/Readings.h"

namespace bus::ops {
namespace {

const char kStop1[] = R"({"orderNo":1,"stationName":"甲"})";
const char kStop2[] = R"({"orderNo":2,"stationName":"乙"})";

std::string line(const std::string& rest) { return R"({"lineId":5,"lineName":"5路")" + rest + "}"; }

TEST(LineCut, TakesTheFirstArrayWhateverItsKey) {
    const auto r = readLine(line(std::string(R"(,"x":[)") + kStop1 + "," + kStop2 + R"(],"y":[{"orderNo":9}])"));
    ASSERT_TRUE(r.line);
    ASSERT_EQ(r.stations.size(), 2u);
    EXPECT_EQ(r.stations[0].stationName, "甲");
    EXPECT_EQ(r.endStation, "乙");
}

TEST(LineCut, WithoutBothBracketsTheLineIsReadWithoutStops) {
    for (const std::string& text : {line(""), line(R"(,"note":"[open")"), line(R"(,"note":"closed]")")}) {
        const auto r = readLine(text);
        ASSERT_TRUE(r.line) << text;
        EXPECT_EQ(r.line->lineName, "5路");
        EXPECT_TRUE(r.stations.empty()) << text;
        EXPECT_TRUE(r.endStation.is_null());
    }
}

TEST(LineCut, AClosingBracketBeforeTheFirstOpeningOneIsPassedOver) {
    const auto r = readLine(line(std::string(R"(,"note":"a]b","s":[)") + kStop1 + "]"));
    ASSERT_TRUE(r.line);
    ASSERT_EQ(r.stations.size(), 1u);
    EXPECT_EQ(r.endStation, "甲");
}

TEST(LineCut, ABracketInsideATextSpoilsTheCutButNotTheLine) {
    // The stops are found by position only: a "[" in the name comes first.
    const auto r = readLine(std::string(R"({"lineName":"1路[夜]","s":[)") + kStop1 + "]}");
    ASSERT_TRUE(r.line);
    EXPECT_EQ(r.line->lineName, "1路[夜]");
    EXPECT_TRUE(r.stations.empty());
}

TEST(LineCut, StopArrayHoldingAnArrayGivesNoStops) {
    const auto r = readLine(line(R"(,"s":[{"orderNo":1,"tags":["a"]}])"));
    ASSERT_TRUE(r.line);
    EXPECT_TRUE(r.stations.empty());
}

TEST(LineCut, ALineFieldThatHoldsTheStopArrayKeepsItUnchanged) {
    const auto direct = readLine(std::string(R"({"lineName":[)") + kStop1 + R"(],"lineId":3})");
    ASSERT_TRUE(direct.line);
    EXPECT_EQ(direct.line->lineName, nlohmann::json::parse(std::string("[") + kStop1 + "]"));
    EXPECT_EQ(direct.line->uid, 3);
    EXPECT_EQ(direct.stations.size(), 1u);
    const auto nested = readLine(std::string(R"({"gjgs":{"a":{"b":[)") + kStop1 + R"(]}}})");
    ASSERT_TRUE(nested.line);
    EXPECT_EQ(nested.line->gjgs["a"]["b"][0]["stationName"], "甲");
}

TEST(LineCut, TheLineIsReadOnlyFromValidJsonWhateverTheStops) {
    // Each of these breaks the whole text outside the stop array.
    for (const std::string& text :
         {std::string(R"({"lineId":1,"s":[)") + kStop1 + "]", std::string(R"({"lineId":1 "s":[)") + kStop1 + "]}",
          std::string(R"({"lineId":tru[)") + kStop1 + "]}", std::string(R"({"lineId":1,"s":[)") + kStop1 + "]}}",
          std::string(R"({"lineId":1,"s":[)") + kStop1 + "] x}", std::string(R"({"lineId":1,[)") + kStop1 + "]}"}) {
        const auto r = readLine(text);
        EXPECT_FALSE(r.line) << text;
        EXPECT_EQ(r.stations.size(), 1u) << text;
    }
}

TEST(LineCut, EmptyOrUndecodableTextGivesNoLine) {
    EXPECT_FALSE(readLine("").line);
    const auto broken = readLine(std::string(R"({"lineName":"5路","s":[)") + kStop1 + "]");  // object never closed
    EXPECT_FALSE(broken.line);
    EXPECT_EQ(broken.stations.size(), 1u);
    const auto notADictionary = readLine(std::string("[") + kStop1 + "]");
    EXPECT_FALSE(notADictionary.line);
}

TEST(LineCut, NullsAndOddElementsInTheStopArray) {
    const auto r = readLine(line(R"(,"gprsId":null,"s":[{"orderNo":1,"stationName":null},7,"x",{"orderNo":2}])"));
    ASSERT_TRUE(r.line);
    EXPECT_TRUE(r.line->gprsId.is_null());
    EXPECT_EQ(integerValue(r.line->gprsId), 0);
    ASSERT_EQ(r.stations.size(), 2u);
    EXPECT_TRUE(r.stations[0].stationName.is_null());
    EXPECT_EQ(r.stations[1].orderNo, 2);
    EXPECT_TRUE(r.endStation.is_null());  // the last stop has no name
}

TEST(Vehicles, SortedByTheIntegerReadingOfTheirStopKeepingTies) {
    const auto v = readRealBus(R"([{"stationNo":3,"licensePlate":"a"},{"stationNo":"10","licensePlate":"b"},
        {"licensePlate":"c"},{"stationNo":9,"licensePlate":"d"},{"stationNo":3.7,"licensePlate":"e"},
        {"stationNo":null,"licensePlate":"f"}])");
    std::string order;
    for (const auto& r : v) order += r.licensePlate.get<std::string>();
    EXPECT_EQ(order, "bdaecf");
}

TEST(Vehicles, NothingToReadGivesNoVehicles) {
    EXPECT_TRUE(readRealBus("").empty());
    EXPECT_TRUE(readRealBus("[]").empty());
    EXPECT_TRUE(readRealBus(R"({"stationNo":9})").empty());
    EXPECT_TRUE(readRealBus("9").empty());
}

TEST(LiveText, EmptyTextShowsTheNoInformationTextAndAnyOtherStaysAsIs) {
    EXPECT_EQ(readRealBusStation(""), "无实时信息");
    EXPECT_EQ(readRealBusStation(" "), " ");
    EXPECT_EQ(readRealBusStation("[]"), "[]");
}

}  // namespace
}  // namespace bus::ops
