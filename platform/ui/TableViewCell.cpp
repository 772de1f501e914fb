#include "platform/ui/TableViewCell.h"

#include <algorithm>

#include "platform/ui/Image.h"
#include "platform/ui/TableView.h"

namespace ui {

namespace {
class CellContentView : public View {
public:
    std::string className() const override { return "TableViewCellContentView"; }
};

constexpr double kMargin = 15;
const Font kTextFont = Font::system(17);
const Font kDetailFont = Font::system(12);
}  // namespace

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, 44}),
      style_(style),
      reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(std::make_shared<CellContentView>()) {
    addSubview(contentView_);
    layoutSubviews();
}

void TableViewCell::attach(const std::shared_ptr<View>& v) {
    if (v->superview() != contentView_.get()) contentView_->insertSubview(v, 0);
}

const std::shared_ptr<Label>& TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = std::make_shared<Label>();
        textLabel_->font = kTextFont;
    }
    attach(textLabel_);
    layoutSubviews();
    return textLabel_;
}

std::shared_ptr<Label> TableViewCell::detailTextLabel() {
    if (style_ == TableViewCellStyle::Default) return nullptr;
    if (!detailTextLabel_) {
        detailTextLabel_ = std::make_shared<Label>();
        detailTextLabel_->font = kDetailFont;
        if (style_ == TableViewCellStyle::Value1) {
            detailTextLabel_->textColor = Color::gray();
            detailTextLabel_->textAlignment = TextAlignment::Right;
        }
    }
    attach(detailTextLabel_);
    layoutSubviews();
    return detailTextLabel_;
}

const std::shared_ptr<ImageView>& TableViewCell::imageView() {
    if (!imageView_) imageView_ = std::make_shared<ImageView>();
    attach(imageView_);
    layoutSubviews();
    return imageView_;
}

void TableViewCell::setFrame(const Rect& frame) {
    View::setFrame(frame);
    layoutSubviews();
}

void TableViewCell::setSelected(bool selected, bool) {
    if (selected == selected_) return;
    selected_ = selected;
    postAccessibilityNotification(AccessibilityNotification::StateChanged);
}

TableView* TableViewCell::table() const { return dynamic_cast<TableView*>(superview()); }

bool TableViewCell::canActivate() const {
    const TableView* t = table();
    return t && takesTouches() && t->allowsSelection && t->delegate() != nullptr;
}

bool TableViewCell::accessibilityActivate() {
    if (!canActivate()) return false;
    auto keep = weak_from_this().lock();
    return table()->selectRowOfCell(*this);
}
void TableViewCell::setHighlighted(bool highlighted, bool) { highlighted_ = highlighted; }

void TableViewCell::layoutSubviews() {
    const double w = frame().width(), h = frame().height();
    const double accessory = accessoryType == TableViewCellAccessoryType::None ? 0 : kAccessoryWidth;
    const double cw = std::max(0.0, w - accessory);
    contentView_->setFrame({0, 0, cw, h});

    double textX = kMargin;
    if (imageView_ && imageView_->superview() == contentView_.get()) {
        Size s = imageExists(imageView_->image()) ? imageSize(imageView_->image()) : Size{};
        // An image taller than the row is shown smaller, keeping its shape.
        const double room = std::max(0.0, h - 4);
        if (s.height > room && s.height > 0) s = {s.width * room / s.height, room};
        imageView_->setFrame({kMargin, (h - s.height) / 2, s.width, s.height});
        if (s.width > 0) textX = kMargin + s.width + kMargin;
    }
    const double textW = std::max(0.0, cw - textX - kMargin);
    const bool hasText = textLabel_ && textLabel_->superview() == contentView_.get();
    const bool hasDetail = detailTextLabel_ && detailTextLabel_->superview() == contentView_.get() &&
                           !detailTextLabel_->text().empty();
    const double textH = kTextFont.size * 1.2, detailH = kDetailFont.size * 1.2;
    switch (style_) {
        case TableViewCellStyle::Subtitle:
            if (hasDetail) {
                const double top = (h - textH - detailH) / 2;
                if (hasText) textLabel_->setFrame({textX, top, textW, textH});
                detailTextLabel_->setFrame({textX, top + textH, textW, detailH});
                break;
            }
            if (hasText) textLabel_->setFrame({textX, (h - textH) / 2, textW, textH});
            break;
        case TableViewCellStyle::Value1:
        case TableViewCellStyle::Value2:
            if (hasText) textLabel_->setFrame({textX, 0, textW / 2, h});
            if (hasDetail) detailTextLabel_->setFrame({textX + textW / 2, 0, textW / 2, h});
            break;
        case TableViewCellStyle::Default:
            if (hasText) textLabel_->setFrame({textX, 0, textW, h});
            break;
    }
}

void TableViewCell::draw(Canvas& canvas) {
    View::draw(canvas);
    const Rect b = bounds();
    if ((selected_ || highlighted_) && selectionStyle != TableViewCellSelectionStyle::None)
        canvas.fillRect(b, Color::rgba(0.85, 0.85, 0.85, 1));
    const double cy = b.midY();
    switch (accessoryType) {
        case TableViewCellAccessoryType::None: break;
        case TableViewCellAccessoryType::DisclosureIndicator:
        case TableViewCellAccessoryType::DetailDisclosureButton: {
            const Color c = Color::rgba(0.78, 0.78, 0.8, 1);
            const double x = b.maxX() - kMargin - 8;
            canvas.drawLine({x, cy - 6.5}, {x + 6.5, cy}, 2, c);
            canvas.drawLine({x + 6.5, cy}, {x, cy + 6.5}, 2, c);
            break;
        }
        case TableViewCellAccessoryType::Checkmark: {
            const double x = b.maxX() - kMargin - 14;
            canvas.drawLine({x, cy}, {x + 5, cy + 5}, 2, Color::tint());
            canvas.drawLine({x + 5, cy + 5}, {x + 14, cy - 6}, 2, Color::tint());
            break;
        }
    }
}

}  // namespace ui
