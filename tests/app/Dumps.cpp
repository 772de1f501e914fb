#include "app/Dumps.h"

#include <algorithm>

namespace bus::test {
namespace {

using nlohmann::json;

bool showsImage(const json& node, const std::string& image) {
    if (node.value("hidden", false) || node.value("alpha", 1.0) < 0.01) return false;
    if (node.value("image", "") == image) return true;
    for (const auto& child : node["children"])
        if (showsImage(child, image)) return true;
    return false;
}

void readRouteView(const json& view, Live& live) {
    if (view.value("tag", 0) == 1) {
        // The panel is labels only; a vehicle marker shows its bus image.
        bool hasImage = false;
        for (const auto& child : view["children"]) hasImage = hasImage || child.value("class", "") == "ImageView";
        if (hasImage) live.vehicleFrames.push_back(view["frame"]);
        else ++live.panels;
        return;
    }
    for (const auto& child : view["children"])
        if (child.value("class", "") == "Label" && child.value("frame", json())[0] == 80) {
            live.stops.push_back(child.value("text", ""));
            break;
        }
    if (showsImage(view, "等车站.png")) {
        live.waiting = static_cast<int>(live.stops.size());
        live.waitingIsFavourite = showsImage(view, "收藏成功.png");
    }
}

void findLive(const json& node, Live& live) {
    const std::string text = node.value("text", "");
    if (text.rfind("开往 ", 0) == 0) live.title = text;
    if (node.value("class", "") == "ScrollView") {
        for (const auto& child : node["children"])
            if (child.value("class", "") == "BusRealUIView") readRouteView(child, live);
        return;
    }
    for (const auto& child : node["children"]) findLive(child, live);
}

void collectLabels(const json& node, std::vector<const json*>& labels) {
    if (node.value("hidden", false)) return;
    if (node.value("class", "") == "Label" && node.contains("text")) labels.push_back(&node);
    for (const auto& child : node["children"]) collectLabels(child, labels);
}

void collectCells(const json& node, std::vector<std::vector<std::string>>& cells, const std::string& image = "") {
    if (node.value("hidden", false)) return;
    if (node.value("class", "") == "TableViewCell") {
        if (!image.empty() && !showsImage(node, image)) return;
        std::vector<const json*> labels;
        collectLabels(node, labels);
        std::stable_sort(labels.begin(), labels.end(),
                         [](const json* a, const json* b) { return (*a)["frame"][1] < (*b)["frame"][1]; });
        auto& texts = cells.emplace_back();
        for (const json* l : labels) texts.push_back((*l)["text"]);
        return;
    }
    for (const auto& child : node["children"]) collectCells(child, cells, image);
}

}  // namespace

Live readLive(const json& dump) {
    Live live;
    if (!dump.is_discarded()) findLive(dump, live);
    return live;
}

std::vector<std::vector<std::string>> readCells(const json& dump) {
    std::vector<std::vector<std::string>> cells;
    if (!dump.is_discarded()) collectCells(dump, cells);
    return cells;
}

std::vector<std::string> cellTitles(const json& dump, const std::string& image) {
    std::vector<std::vector<std::string>> cells;
    if (!dump.is_discarded()) collectCells(dump, cells, image);
    std::vector<std::string> titles;
    for (const auto& cell : cells) titles.push_back(cell.empty() ? "" : cell.front());
    return titles;
}

bool showsText(const json& node, const std::string& text) { return countShown(node, text) > 0; }

int countShown(const json& node, const std::string& text) {
    if (node.is_discarded() || !node.is_object() || node.value("hidden", false)) return 0;
    int n = node.value("text", "") == text;
    if (const auto children = node.find("children"); children != node.end())
        for (const auto& child : *children) n += countShown(child, text);
    return n;
}

}  // namespace bus::test
