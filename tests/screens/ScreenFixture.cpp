#include "screens/ScreenFixture.h"

namespace bus::test {

std::shared_ptr<ui::ViewController> ScreenFixture::show(const std::string& name) {
    auto screen = storyboard.instantiateViewController(name);
    if (!screen) return nullptr;
    navigation = std::make_shared<ui::NavigationController>(screen);
    window->setRootViewController(navigation);
    settle();
    return screen;
}

void ScreenFixture::tapRow(ui::TableView& table, int row) {
    const ui::Rect r = table.rectForRowAtIndexPath(ui::IndexPath::forRow(row));
    ASSERT_FALSE(r.isEmpty()) << "no row " << row;
    const ui::Point at = table.convertToWindow({r.midX(), r.midY()});
    window->touch(ui::TouchPhase::Began, at);
    window->touch(ui::TouchPhase::Ended, at);
    settle();
}

std::vector<std::string> rowTexts(ui::TableView& table) {
    std::vector<std::string> texts;
    for (int r = 0; r < table.numberOfRowsInSection(0); ++r) {
        auto cell = table.cellForRowAtIndexPath(ui::IndexPath::forRow(r));
        texts.push_back(cell ? cell->textLabel()->text() : "<no cell>");
    }
    return texts;
}

std::vector<const ui::View*> checkMarks(const ui::View& cell) {
    std::vector<const ui::View*> marks;
    for (const auto& child : cell.subviews()) {
        if (child->imageName() == "选中.png") marks.push_back(child.get());
        for (const ui::View* below : checkMarks(*child)) marks.push_back(below);
    }
    return marks;
}

std::vector<int> rowsWithCheckMark(ui::TableView& table) {
    std::vector<int> rows;
    for (int r = 0; r < table.numberOfRowsInSection(0); ++r)
        if (auto cell = table.cellForRowAtIndexPath(ui::IndexPath::forRow(r)); cell && !checkMarks(*cell).empty())
            rows.push_back(r);
    return rows;
}

}  // namespace bus::test
