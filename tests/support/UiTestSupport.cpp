#include "support/UiTestSupport.h"

#include "platform/RunLoop.h"

namespace bus::test {

std::vector<RecordingCanvas::Op> RecordingCanvas::find(const std::string& kind, const std::string& what) const {
    std::vector<Op> out;
    for (const auto& op : ops)
        if (op.kind == kind && (what.empty() || op.what == what)) out.push_back(op);
    return out;
}

long RecordingCanvas::indexOf(const std::string& kind, const std::string& what) const {
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].kind == kind && ops[i].what == what) return static_cast<long>(i);
    return -1;
}

bool Finger::tapText(const std::string& text) {
    const ui::View* v = window.findViewShowingText(text);
    if (v) tap({window.visibleFrameOf(*v).midX(), window.visibleFrameOf(*v).midY()});
    return v != nullptr;
}

void Finger::drag(ui::Point from, ui::Point to, int steps, double seconds) {
    down(from);
    for (int i = 1; i <= steps; ++i) {
        platform::RunLoop::main().advance(seconds / steps);
        move({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    }
    up(to);
}

}  // namespace bus::test
