#include "ControlsTestSupport.h"

#include "platform/RunLoop.h"

namespace bus::test {

std::vector<RecordingCanvas::Op> RecordingCanvas::find(const std::string& kind, const std::string& what) const {
    std::vector<Op> out;
    for (const auto& op : ops)
        if (op.kind == kind && (what.empty() || op.what == what)) out.push_back(op);
    return out;
}

void Finger::tap(ui::Point p) {
    down(p);
    up(p);
}

void Finger::drag(ui::Point from, ui::Point to, int steps, double seconds) {
    auto& loop = platform::RunLoop::main();
    down(from);
    for (int i = 1; i <= steps; ++i) {
        loop.advance(seconds / steps);
        const double f = static_cast<double>(i) / steps;
        move({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    }
    up(to);
}

ui::Point centerOf(const ui::View& v) {
    const ui::Rect f = v.frameInWindow();
    return {f.midX(), f.midY()};
}

int CountingSource::numberOfRowsInSection(ui::TableView&, int) {
    ++rowCountQuestions;
    return static_cast<int>(rows.size());
}

std::shared_ptr<ui::TableViewCell> CountingSource::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                         const ui::IndexPath& ip) {
    ++cellsAsked;
    auto cell = tableView.dequeueReusableCellWithIdentifier("mycell");
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(3, "mycell");
        ++cellsMade;
    }
    cell->textLabel()->setText(rows.at(static_cast<std::size_t>(ip.row)));
    if (decorate) decorate(*cell, ip);
    return cell;
}

void CountingSource::commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                        const ui::IndexPath& ip) {
    if (style != ui::TableViewCellEditingStyle::Delete) return;
    committed.push_back(ip);
    rows.erase(rows.begin() + ip.row);
    tableView.reloadData();
}

}  // namespace bus::test
