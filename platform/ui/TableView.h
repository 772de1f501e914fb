#pragma once
// A scrolling list of rows, asked of its data source. The table keeps
// nothing of the data: reloadData asks everything again (sections, the row
// count of each, every row's height) and builds the cells of the rows on
// screen anew. Only rows in the visible area have cells; a row that
// scrolls out gives its cell back to the reuse pool, where
// dequeueReusableCellWithIdentifier finds it for the next row that needs
// one, its subviews as they were. A table on a window loads its rows on the
// run loop's next pass after it arrives there, unless it was reloaded
// before; reading rows or cells before that loads at once. Painting and
// hit-testing never load: the data source's work (a service call, a
// database read, an alert) stays out of the paint event, and a table not
// loaded yet paints and hit-tests as an empty one.
//
// A tap on a row highlights it while the finger is down, selects it and
// tells the delegate (didSelectRowAtIndexPath), unless a control or a tap
// recogniser under the finger took the touch. Swipe-to-delete: on rows
// whose editing style (delegate) is Delete and that the data source lets be
// edited, a leftward drag uncovers a red "删除" button; tapping it commits
// the deletion (commitEditingStyle with Delete) and a tap anywhere else in
// the table puts the row back.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableViewCell.h"

namespace ui {

class TableView;

enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };
enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
enum class TableViewCellSeparatorStyle { None = 0, SingleLine = 1 };

// The data source and the delegate are held weakly: one that is gone is
// asked nothing more.
class TableViewDataSource : public LinkTarget {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int numberOfRowsInSection(TableView& tableView, int section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) = 0;
    virtual bool canEditRowAtIndexPath(TableView&, const IndexPath&) { return true; }
    virtual void commitEditingStyle(TableView&, TableViewCellEditingStyle, const IndexPath&) {}
};

class TableViewDelegate : public ScrollViewDelegate {
public:
    // The table's rowHeight unless a screen says otherwise.
    virtual double heightForRowAtIndexPath(TableView& tableView, const IndexPath& indexPath);
    virtual void didSelectRowAtIndexPath(TableView&, const IndexPath&) {}
    virtual void didDeselectRowAtIndexPath(TableView&, const IndexPath&) {}
    // None unless a screen offers deletion (then swipe-to-delete works).
    virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, const IndexPath&) {
        return TableViewCellEditingStyle::None;
    }
    // "删除" in the rider's language unless a screen says otherwise.
    virtual std::string titleForDeleteConfirmationButtonForRowAtIndexPath(TableView& tableView,
                                                                         const IndexPath& indexPath);
};

class TableView : public ScrollView {
public:
    static constexpr double kDefaultRowHeight = 44;
    static constexpr double kDeleteButtonWidth = 80;
    // How far left a drag must go to uncover the delete button.
    static constexpr double kSwipeThreshold = 30;

    TableView();
    explicit TableView(const Rect& frame);

    TableViewDataSource* dataSource() const { return dataSource_.get(); }
    TableViewDelegate* delegate() const { return delegate_.get(); }
    void setDataSource(TableViewDataSource* dataSource);
    void setDelegate(TableViewDelegate* delegate);

    double rowHeight = kDefaultRowHeight;
    EdgeInsets separatorInset{0, 15, 0, 0};
    TableViewCellSeparatorStyle separatorStyle = TableViewCellSeparatorStyle::SingleLine;
    Color separatorColor = Color::rgba(0.78, 0.78, 0.8, 1);
    bool allowsSelection = true;

    // Above the first row and below the last; a footer view (an empty one
    // too) also ends the separators at the last row.
    const std::shared_ptr<View>& tableHeaderView() const { return header_; }
    const std::shared_ptr<View>& tableFooterView() const { return footer_; }
    void setTableHeaderView(std::shared_ptr<View> view);
    void setTableFooterView(std::shared_ptr<View> view);

    void reloadData();
    bool hasLoadedData() const { return loaded_; }
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    // What the last reload learnt.
    int numberOfSections();
    int numberOfRowsInSection(int section);
    Rect rectForRowAtIndexPath(const IndexPath& indexPath);
    // In the table's content coordinates (its bounds).
    std::optional<IndexPath> indexPathForRowAtPoint(Point point);
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell);

    // The cell of a visible row, or null.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(const IndexPath& indexPath);
    std::vector<std::shared_ptr<TableViewCell>> visibleCells();
    std::vector<IndexPath> indexPathsForVisibleRows();

    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    // Selects the cell's row as a tap on it does, telling the delegate; for
    // assistive technology and the keyboard. False when the row cannot be
    // selected now.
    bool selectRowOfCell(const TableViewCell& cell);
    // Programmatic selection does not tell the delegate.
    void selectRowAtIndexPath(const IndexPath& indexPath, bool animated, TableViewScrollPosition position);
    void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
    void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position, bool animated);

    // The row whose delete button shows, if any.
    std::optional<IndexPath> rowShowingDeleteConfirmation() const { return deleteRow_; }
    const std::shared_ptr<Button>& deleteConfirmationButton() const { return deleteButton_; }
    void showDeleteConfirmation(const IndexPath& indexPath);
    void hideDeleteConfirmation();

    void setFrame(const Rect& frame) override;
    void touchesBegan(const Touch& t) override;
    void touchesMoved(const Touch& t) override;
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch& t) override;
    bool handlesPan() const override { return true; }
    void panBegan(Point locationInWindow) override;
    void panChanged(Point translation) override;
    void panEnded(Point translation, Point velocity) override;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "TableView"; }

protected:
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::List; }
    void contentOffsetDidChange() override;
    void didMoveToWindow() override;

private:
    struct Section {
        std::vector<double> heights;
        std::vector<double> tops;  // content y of each row
    };
    void ensureLoaded();
    void placeRows();  // positions from the heights, header and footer
    void layoutVisibleRows();
    void enqueue(const std::shared_ptr<TableViewCell>& cell);
    bool isValid(const IndexPath& ip) const;
    double rowsBottom() const;
    bool canSwipeDelete(const IndexPath& ip);
    void setHighlightedRow(std::optional<IndexPath> ip);
    bool touchTakenBySubview(const Touch& t);
    void commitDelete(const IndexPath& ip);
    void selectAsTapped(const IndexPath& ip);

    WeakLink<TableViewDataSource> dataSource_;
    WeakLink<TableViewDelegate> delegate_;
    std::shared_ptr<View> header_;
    std::shared_ptr<View> footer_;

    bool loaded_ = false;
    bool loadScheduled_ = false;
    bool inLayout_ = false;
    bool reloadPending_ = false;
    std::vector<Section> sections_;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
    std::unordered_map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusePool_;

    std::optional<IndexPath> selected_;
    std::optional<IndexPath> highlighted_;
    std::optional<IndexPath> touchRow_;
    bool swallowTouch_ = false;

    enum class PanMode { None, Undecided, Scroll, Swipe };
    PanMode panMode_ = PanMode::None;
    Point panStart_;
    std::optional<IndexPath> swipeRow_;
    std::optional<IndexPath> deleteRow_;
    std::shared_ptr<Button> deleteButton_;
};

}  // namespace ui
