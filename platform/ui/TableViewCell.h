#pragma once
// A table row. The subtitle style (3) has an image at the left, a main text
// line and a detail line below it; the default style has the image and one
// line. The labels and the image view live in the content view and are made
// on first use; asking for one that a screen removed from the content view
// puts it back, at the back. Nothing else of a reused cell changes: a
// screen that adds its own subviews removes them itself.
#include <memory>
#include <string>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace ui {

class TableView;

enum class TableViewCellStyle { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
enum class TableViewCellAccessoryType { None = 0, DisclosureIndicator = 1, DetailDisclosureButton = 2, Checkmark = 3 };
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };

class TableViewCell : public View {
public:
    static constexpr double kAccessoryWidth = 33;

    TableViewCell(TableViewCellStyle style, std::string reuseIdentifier);
    TableViewCell(int style, std::string reuseIdentifier)
        : TableViewCell(static_cast<TableViewCellStyle>(style), std::move(reuseIdentifier)) {}

    TableViewCellStyle style() const { return style_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }

    const std::shared_ptr<View>& contentView() const { return contentView_; }
    const std::shared_ptr<Label>& textLabel();
    // Null in the default style, which has no detail line.
    std::shared_ptr<Label> detailTextLabel();
    const std::shared_ptr<ImageView>& imageView();

    TableViewCellAccessoryType accessoryType = TableViewCellAccessoryType::None;
    TableViewCellSelectionStyle selectionStyle = TableViewCellSelectionStyle::Default;
    void setAccessoryType(int type) { accessoryType = static_cast<TableViewCellAccessoryType>(type); }
    void setSelectionStyle(int style) { selectionStyle = static_cast<TableViewCellSelectionStyle>(style); }

    bool isSelected() const { return selected_; }
    bool isHighlighted() const { return highlighted_; }
    void setSelected(bool selected, bool animated = false);
    void setHighlighted(bool highlighted, bool animated = false);

    // Places the content view and the standard subviews in the bounds.
    void layoutSubviews();
    void setFrame(const Rect& frame) override;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "TableViewCell"; }

    // Selects the row through its table, as a tap does.
    bool accessibilityActivate() override;
    bool canActivate() const override;

protected:
    bool defaultIsAccessibilityElement() const override { return true; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::ListItem; }
    std::uint32_t defaultAccessibilityTraits() const override {
        return (selected_ ? AccessibilityTrait::Selected : AccessibilityTrait::None) |
               (accessoryType == TableViewCellAccessoryType::Checkmark ? AccessibilityTrait::Checked
                                                                        : AccessibilityTrait::None);
    }

private:
    TableView* table() const;
    void attach(const std::shared_ptr<View>& v);

    TableViewCellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<ImageView> imageView_;
    bool selected_ = false;
    bool highlighted_ = false;
};

}  // namespace ui
