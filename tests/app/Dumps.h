#pragma once
// Reading the window dumps that the app's scripts write, as a rider reads the
// screen: the live line's rows, vehicles and panel, and the rows of a table.
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace bus::test {

// What the live screen's scrolling area shows.
struct Live {
    std::vector<std::string> stops;  // row names, top to bottom
    int waiting = 0;                 // 1-based row of the stop with "等车站.png"; 0 for none
    bool waitingIsFavourite = false;
    std::vector<nlohmann::json> vehicleFrames;
    int panels = 0;
    std::string title;  // "开往 …方向"
};
Live readLive(const nlohmann::json& dump);

// The texts of the shown table cells, top to bottom: each cell's labels,
// top-most first.
std::vector<std::vector<std::string>> readCells(const nlohmann::json& dump);
// The first text of each of them (a subtitle cell's title); with an image
// name, of those cells only that show it.
std::vector<std::string> cellTitles(const nlohmann::json& dump, const std::string& image = "");

// Whether a shown view below `node` has exactly this text.
bool showsText(const nlohmann::json& node, const std::string& text);
// How many shown views below `node` have exactly this text.
int countShown(const nlohmann::json& node, const std::string& text);

}  // namespace bus::test
