#include "platform/ui/TableView.h"

#include <algorithm>
#include <cmath>

#include "platform/RunLoop.h"
#include "platform/Translation.h"
#include "platform/ui/Control.h"

namespace ui {

namespace {
// Cells kept per identifier for reuse; a screen that never dequeues must
// not make the pool grow without end.
constexpr std::size_t kMaxPooledCells = 64;
// A finger that wanders this far is no longer tapping its row.
constexpr double kTapSlop = 10;
// A leftward flick this fast uncovers the delete button whatever the distance.
constexpr double kSwipeVelocity = 300;

std::string deleteTitle() {
    // TRANSLATORS: the button a leftward swipe uncovers on a row; it is 80 points wide.
    return platform::tr("删除");
}
}  // namespace

double TableViewDelegate::heightForRowAtIndexPath(TableView& tableView, const IndexPath&) {
    return tableView.rowHeight;
}

std::string TableViewDelegate::titleForDeleteConfirmationButtonForRowAtIndexPath(TableView&, const IndexPath&) {
    return deleteTitle();
}

TableView::TableView() { backgroundColor = Color::white(); }
TableView::TableView(const Rect& frame) : ScrollView(frame) { backgroundColor = Color::white(); }

void TableView::setDataSource(TableViewDataSource* dataSource) {
    dataSource_ = dataSource;
    didMoveToWindow();
}

void TableView::setDelegate(TableViewDelegate* delegate) {
    delegate_ = delegate;
    ScrollView::setDelegate(delegate);
}

void TableView::didMoveToWindow() {
    // Like the phone toolkit, the first load waits for the pass after the
    // table arrives on screen, once the screen has set up its data.
    if (loaded_ || loadScheduled_ || !window() || !dataSource_) return;
    loadScheduled_ = true;
    std::weak_ptr<View> weak = weak_from_this();
    platform::RunLoop::main().post([weak] {
        auto self = std::static_pointer_cast<TableView>(weak.lock());
        if (!self) return;
        self->loadScheduled_ = false;
        if (!self->loaded_ && self->window()) self->reloadData();
    });
}

void TableView::ensureLoaded() {
    if (!loaded_ && !inLayout_) reloadData();
}

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
    if (header_ && header_->superview() == this) header_->removeFromSuperview();
    header_ = std::move(view);
    if (header_) addSubview(header_);
    placeRows();
    if (loaded_) layoutVisibleRows();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
    if (footer_ && footer_->superview() == this) footer_->removeFromSuperview();
    footer_ = std::move(view);
    if (footer_) addSubview(footer_);
    placeRows();
    if (loaded_) layoutVisibleRows();
}

void TableView::setFrame(const Rect& frame) {
    ScrollView::setFrame(frame);
    placeRows();
    if (loaded_) {
        for (auto& [ip, cell] : visible_) cell->setFrame(rectForRowAtIndexPath(ip));
        layoutVisibleRows();
    }
}

void TableView::reloadData() {
    if (inLayout_) {
        reloadPending_ = true;
        return;
    }
    auto keep = weak_from_this().lock();
    do {
        reloadPending_ = false;
        inLayout_ = true;
        loaded_ = true;
        hideDeleteConfirmation();
        touchRow_.reset();
        highlighted_.reset();
        selected_.reset();
        // Every cell on screen goes back to the pool: the data source gets
        // them again through dequeueReusableCellWithIdentifier.
        for (auto& [ip, cell] : visible_) enqueue(cell);
        visible_.clear();

        sections_.clear();
        const int sectionCount = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(*this)) : 0;
        // Each answer may be the data source's last (it may close its screen).
        for (int s = 0; s < sectionCount && dataSource_; ++s) {
            Section sec;
            const int rows = std::max(0, dataSource_->numberOfRowsInSection(*this, s));
            sec.heights.reserve(static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r)
                sec.heights.push_back(delegate_ ? std::max(0.0, delegate_->heightForRowAtIndexPath(*this, {s, r}))
                                                : rowHeight);
            sections_.push_back(std::move(sec));
        }
        inLayout_ = false;
        placeRows();
        layoutVisibleRows();
    } while (reloadPending_);
}

void TableView::placeRows() {
    const double width = frame().width();
    double y = 0;
    if (header_) {
        header_->setFrame({0, 0, width, header_->frame().height()});
        y = header_->frame().height();
    }
    for (auto& sec : sections_) {
        sec.tops.resize(sec.heights.size());
        for (std::size_t r = 0; r < sec.heights.size(); ++r) {
            sec.tops[r] = y;
            y += sec.heights[r];
        }
    }
    if (footer_) {
        footer_->setFrame({0, y, width, footer_->frame().height()});
        y += footer_->frame().height();
    }
    contentSize = {width, y};
}

double TableView::rowsBottom() const {
    double y = header_ ? header_->frame().height() : 0;
    for (const auto& sec : sections_)
        if (!sec.heights.empty()) y = sec.tops.back() + sec.heights.back();
    return y;
}

bool TableView::isValid(const IndexPath& ip) const {
    return ip.section >= 0 && ip.section < static_cast<int>(sections_.size()) && ip.row >= 0 &&
           ip.row < static_cast<int>(sections_[static_cast<std::size_t>(ip.section)].heights.size());
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
    if (cell->superview() == this) cell->removeFromSuperview();
    cell->setSelected(false);
    cell->setHighlighted(false);
    if (cell->reuseIdentifier().empty()) return;
    auto& pool = reusePool_[cell->reuseIdentifier()];
    if (pool.size() < kMaxPooledCells && std::find(pool.begin(), pool.end(), cell) == pool.end())
        pool.push_back(cell);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
    auto it = reusePool_.find(identifier);
    if (it == reusePool_.end() || it->second.empty()) return nullptr;
    auto cell = it->second.back();
    it->second.pop_back();
    return cell;
}

void TableView::layoutVisibleRows() {
    if (!loaded_ || inLayout_) return;
    auto keep = weak_from_this().lock();
    inLayout_ = true;
    const Rect visible = bounds();
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!isValid(it->first) || !rectForRowAtIndexPath(it->first).intersects(visible)) {
            enqueue(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& sec = sections_[s];
        // The first row whose bottom lies below the top of the visible area.
        auto first = std::upper_bound(sec.tops.begin(), sec.tops.end(), visible.minY());
        std::size_t r = first == sec.tops.begin() ? 0 : static_cast<std::size_t>(first - sec.tops.begin()) - 1;
        for (; r < sec.heights.size() && sec.tops[r] < visible.maxY(); ++r) {
            const IndexPath ip{static_cast<int>(s), static_cast<int>(r)};
            Rect rect = rectForRowAtIndexPath(ip);
            if (!rect.intersects(visible) || visible_.count(ip)) continue;
            auto cell = dataSource_ ? dataSource_->cellForRowAtIndexPath(*this, ip) : nullptr;
            // The data source may have reloaded us meanwhile.
            if (reloadPending_ || s >= sections_.size()) break;
            if (!cell) continue;
            if (deleteRow_ == ip) rect = rect.offsetBy(-kDeleteButtonWidth, 0);
            cell->setSelected(selected_ == ip);
            cell->setHighlighted(highlighted_ == ip);
            cell->setFrame(rect);
            if (cell->superview() != this) addSubview(cell);
            visible_[ip] = cell;
        }
        if (reloadPending_) break;
    }
    // The delete button stays in front of the cells.
    if (deleteButton_ && deleteButton_->superview() == this && subviews().back() != deleteButton_) {
        auto button = deleteButton_;
        button->removeFromSuperview();
        addSubview(button);
    }
    inLayout_ = false;
    if (reloadPending_) reloadData();
}

void TableView::contentOffsetDidChange() { layoutVisibleRows(); }

int TableView::numberOfSections() {
    ensureLoaded();
    return static_cast<int>(sections_.size());
}

int TableView::numberOfRowsInSection(int section) {
    ensureLoaded();
    if (section < 0 || section >= static_cast<int>(sections_.size())) return 0;
    return static_cast<int>(sections_[static_cast<std::size_t>(section)].heights.size());
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& ip) {
    if (!isValid(ip)) return {};
    const Section& sec = sections_[static_cast<std::size_t>(ip.section)];
    const auto r = static_cast<std::size_t>(ip.row);
    return {0, sec.tops[r], frame().width(), sec.heights[r]};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) {
    ensureLoaded();
    if (p.x < 0 || p.x >= frame().width()) return std::nullopt;
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& sec = sections_[s];
        auto it = std::upper_bound(sec.tops.begin(), sec.tops.end(), p.y);
        if (it == sec.tops.begin()) continue;
        const auto r = static_cast<std::size_t>(it - sec.tops.begin()) - 1;
        if (p.y < sec.tops[r] + sec.heights[r]) return IndexPath{static_cast<int>(s), static_cast<int>(r)};
    }
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) {
    for (const auto& [ip, c] : visible_)
        if (c.get() == &cell) return ip;
    return std::nullopt;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& ip) {
    ensureLoaded();
    auto it = visible_.find(ip);
    return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() {
    ensureLoaded();
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [ip, c] : visible_) cells.push_back(c);
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
    ensureLoaded();
    std::vector<IndexPath> rows;
    for (const auto& [ip, c] : visible_) rows.push_back(ip);
    return rows;
}

void TableView::selectRowAtIndexPath(const IndexPath& ip, bool animated, TableViewScrollPosition position) {
    ensureLoaded();
    if (!isValid(ip)) return;
    if (selected_)
        if (auto old = cellForRowAtIndexPath(*selected_)) old->setSelected(false);
    selected_ = ip;
    if (auto cell = cellForRowAtIndexPath(ip)) cell->setSelected(true);
    if (position != TableViewScrollPosition::None) scrollToRowAtIndexPath(ip, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& ip, bool) {
    if (selected_ != ip) return;
    selected_.reset();
    if (auto it = visible_.find(ip); it != visible_.end()) it->second->setSelected(false);
}

void TableView::scrollToRowAtIndexPath(const IndexPath& ip, TableViewScrollPosition position, bool animated) {
    ensureLoaded();
    if (!isValid(ip)) return;
    const Rect r = rectForRowAtIndexPath(ip);
    const Rect b = bounds();
    double y = b.y();
    switch (position) {
        case TableViewScrollPosition::None: scrollRectToVisible(r, animated); return;
        case TableViewScrollPosition::Top: y = r.y(); break;
        case TableViewScrollPosition::Middle: y = r.midY() - b.height() / 2; break;
        case TableViewScrollPosition::Bottom: y = r.maxY() - b.height(); break;
    }
    setContentOffset(clampedOffset({b.x(), y}), animated);
}

void TableView::setHighlightedRow(std::optional<IndexPath> ip) {
    if (highlighted_)
        if (auto it = visible_.find(*highlighted_); it != visible_.end()) it->second->setHighlighted(false);
    highlighted_ = ip;
    if (highlighted_)
        if (auto it = visible_.find(*highlighted_); it != visible_.end()) it->second->setHighlighted(true);
}

bool TableView::touchTakenBySubview(const Touch& t) {
    // The window tells the recognisers before the view; one that took the
    // tap (a star on a row) keeps it from selecting the row.
    View* hit = View::hitTest(convertFromWindow(t.locationInWindow));
    for (View* v = hit; v && v != this; v = v->superview()) {
        if (dynamic_cast<Control*>(v)) return true;
        for (const auto& r : v->gestureRecognizers())
            if (r->hasRecognized()) return true;
    }
    return false;
}

void TableView::touchesBegan(const Touch& t) {
    ensureLoaded();
    touchRow_.reset();
    swallowTouch_ = false;
    if (deleteRow_) {
        // A tap anywhere else puts the row back and does nothing more.
        hideDeleteConfirmation();
        swallowTouch_ = true;
        return;
    }
    if (!allowsSelection) return;
    if (auto ip = indexPathForRowAtPoint(convertFromWindow(t.locationInWindow))) {
        touchRow_ = ip;
        setHighlightedRow(ip);
    }
}

void TableView::touchesMoved(const Touch& t) {
    if (!touchRow_) return;
    if (std::hypot(t.locationInWindow.x - t.startInWindow.x, t.locationInWindow.y - t.startInWindow.y) > kTapSlop) {
        touchRow_.reset();
        setHighlightedRow(std::nullopt);
    }
}

void TableView::touchesEnded(const Touch& t) {
    const auto row = touchRow_;
    touchRow_.reset();
    setHighlightedRow(std::nullopt);
    if (swallowTouch_) {
        swallowTouch_ = false;
        return;
    }
    if (!row || touchTakenBySubview(t)) return;
    if (indexPathForRowAtPoint(convertFromWindow(t.locationInWindow)) != row) return;
    selectAsTapped(*row);
}

void TableView::selectAsTapped(const IndexPath& row) {
    auto keep = weak_from_this().lock();
    if (selected_ && *selected_ != row)
        if (auto it = visible_.find(*selected_); it != visible_.end()) it->second->setSelected(false);
    selected_ = row;
    if (auto it = visible_.find(row); it != visible_.end()) it->second->setSelected(true);
    if (delegate_) delegate_->didSelectRowAtIndexPath(*this, row);
}

bool TableView::selectRowOfCell(const TableViewCell& cell) {
    const auto row = indexPathForCell(cell);
    if (!row || !allowsSelection || !takesTouches()) return false;
    // An uncovered delete button goes back, as with any tap in the table.
    hideDeleteConfirmation();
    selectAsTapped(*row);
    return true;
}

void TableView::touchesCancelled(const Touch&) {
    touchRow_.reset();
    swallowTouch_ = false;
    setHighlightedRow(std::nullopt);
}

bool TableView::canSwipeDelete(const IndexPath& ip) {
    if (!dataSource_ || !delegate_ || !isValid(ip) ||
        delegate_->editingStyleForRowAtIndexPath(*this, ip) != TableViewCellEditingStyle::Delete)
        return false;
    return dataSource_ && dataSource_->canEditRowAtIndexPath(*this, ip);
}

void TableView::panBegan(Point locationInWindow) {
    ensureLoaded();
    hideDeleteConfirmation();
    panMode_ = PanMode::Undecided;
    panStart_ = locationInWindow;
    swipeRow_ = indexPathForRowAtPoint(convertFromWindow(locationInWindow));
}

void TableView::panChanged(Point translation) {
    if (panMode_ == PanMode::Undecided) {
        const bool leftward = translation.x < 0 && std::abs(translation.x) > std::abs(translation.y);
        if (leftward && swipeRow_ && canSwipeDelete(*swipeRow_)) {
            panMode_ = PanMode::Swipe;
        } else if (scrollEnabled) {
            panMode_ = PanMode::Scroll;
            ScrollView::panBegan(panStart_);
        } else {
            panMode_ = PanMode::None;
        }
    }
    if (panMode_ == PanMode::Swipe) {
        // The row follows the finger, up to a little past the button.
        if (auto cell = cellForRowAtIndexPath(*swipeRow_)) {
            const double dx = std::clamp(translation.x, -1.5 * kDeleteButtonWidth, 0.0);
            cell->setFrame(rectForRowAtIndexPath(*swipeRow_).offsetBy(dx, 0));
        }
    } else if (panMode_ == PanMode::Scroll) {
        ScrollView::panChanged(translation);
    }
}

void TableView::panEnded(Point translation, Point velocity) {
    const PanMode mode = panMode_;
    panMode_ = PanMode::None;
    if (mode == PanMode::Swipe && swipeRow_) {
        const IndexPath row = *swipeRow_;
        if (translation.x <= -kSwipeThreshold || velocity.x <= -kSwipeVelocity)
            showDeleteConfirmation(row);
        else if (auto cell = cellForRowAtIndexPath(row))
            cell->setFrame(rectForRowAtIndexPath(row));
    } else if (mode == PanMode::Scroll) {
        ScrollView::panEnded(translation, velocity);
    }
    swipeRow_.reset();
}

void TableView::showDeleteConfirmation(const IndexPath& ip) {
    ensureLoaded();
    if (!isValid(ip)) return;
    hideDeleteConfirmation();
    deleteRow_ = ip;
    const Rect r = rectForRowAtIndexPath(ip);
    if (!deleteButton_) {
        deleteButton_ = std::make_shared<Button>(ButtonType::Custom);
        deleteButton_->backgroundColor = Color::rgba(1.0, 0.23, 0.19, 1);
        deleteButton_->setTitleColor(Color::white());
        deleteButton_->titleFont = Font::system(17);
        deleteButton_->addTarget(
            this,
            [this](Control&) {
                if (deleteRow_) commitDelete(*deleteRow_);
            },
            ControlEventTouchUpInside);
    }
    deleteButton_->setTitle(delegate_ ? delegate_->titleForDeleteConfirmationButtonForRowAtIndexPath(*this, ip)
                                      : deleteTitle());
    deleteButton_->setFrame({r.maxX() - kDeleteButtonWidth, r.y(), kDeleteButtonWidth, r.height()});
    addSubview(deleteButton_);
    if (auto it = visible_.find(ip); it != visible_.end()) it->second->setFrame(r.offsetBy(-kDeleteButtonWidth, 0));
}

void TableView::hideDeleteConfirmation() {
    if (!deleteRow_) return;
    const IndexPath ip = *deleteRow_;
    deleteRow_.reset();
    if (auto it = visible_.find(ip); it != visible_.end()) it->second->setFrame(rectForRowAtIndexPath(ip));
    if (deleteButton_ && deleteButton_->superview() == this) deleteButton_->removeFromSuperview();
}

void TableView::commitDelete(const IndexPath& ip) {
    auto keep = weak_from_this().lock();
    hideDeleteConfirmation();
    if (dataSource_) dataSource_->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, ip);
}

void TableView::draw(Canvas& canvas) {
    ScrollView::draw(canvas);
    if (separatorStyle == TableViewCellSeparatorStyle::None) return;
    const Rect visible = bounds();
    const double width = frame().width();
    const double x0 = separatorInset.left, x1 = width - separatorInset.right;
    auto line = [&](double y) { canvas.drawLine({x0, y - 0.25}, {x1, y - 0.25}, 0.5, separatorColor); };
    for (const auto& sec : sections_)
        for (std::size_t r = 0; r < sec.heights.size(); ++r) {
            const double bottom = sec.tops[r] + sec.heights[r];
            if (bottom < visible.minY()) continue;
            if (sec.tops[r] > visible.maxY()) break;
            if (!(deleteRow_ && deleteRow_->row == static_cast<int>(r))) line(bottom);
        }
    // Without a footer the empty space below the rows is ruled like rows.
    if (!footer_ && rowHeight > 0)
        for (double y = rowsBottom() + rowHeight; y <= visible.maxY(); y += rowHeight)
            if (y >= visible.minY()) line(y);
}

}  // namespace ui
