#pragma once
// What the control tests share besides the canvas and the finger: a table
// data source that counts what it is asked, and a table on a window.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/TableView.h"
#include "support/UiTestSupport.h"

namespace bus::test {

// A one-section source over a list of texts; counts every question.
class CountingSource : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    std::vector<std::string> rows;
    int rowCountQuestions = 0, cellsMade = 0, cellsAsked = 0;
    std::vector<ui::IndexPath> selected, committed;
    bool offersDelete = false;
    // Called after the cell is filled, to add subviews in tests.
    std::function<void(ui::TableViewCell&, const ui::IndexPath&)> decorate;

    int numberOfRowsInSection(ui::TableView&, int) override {
        ++rowCountQuestions;
        return static_cast<int>(rows.size());
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& ip) override {
        ++cellsAsked;
        auto cell = table.dequeueReusableCellWithIdentifier("mycell");
        if (!cell) cell = std::make_shared<ui::TableViewCell>(3, "mycell"), ++cellsMade;
        cell->textLabel()->setText(rows.at(static_cast<std::size_t>(ip.row)));
        if (decorate) decorate(*cell, ip);
        return cell;
    }
    void didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& ip) override { selected.push_back(ip); }
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return offersDelete ? ui::TableViewCellEditingStyle::Delete : ui::TableViewCellEditingStyle::None;
    }
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle, const ui::IndexPath& ip) override {
        committed.push_back(ip);
        rows.erase(rows.begin() + ip.row);
        table.reloadData();
    }
};

// Rows "第0行", "第1行", ...
inline std::vector<std::string> numbered(int n) {
    std::vector<std::string> rows;
    for (int i = 0; i < n; ++i) rows.push_back("第" + std::to_string(i) + "行");
    return rows;
}

// A table below the navigation bar of a window, over a counting source.
struct TableOnWindow {
    ui::Window window;
    Finger finger{window};
    CountingSource source;
    std::shared_ptr<ui::TableView> table = std::make_shared<ui::TableView>(ui::Rect{0, 64, 375, 440});
    void show(std::vector<std::string> rows) {
        source.rows = std::move(rows);
        table->setDataSource(&source);
        table->setDelegate(&source);
        window.rootView().addSubview(table);
        table->reloadData();
    }
};

}  // namespace bus::test
