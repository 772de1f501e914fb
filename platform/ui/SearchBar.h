#pragma once
// A search field with a cancel button. Touching it (or it becoming the first
// responder) starts editing; typed text changes its text and tells the
// delegate and its search display controller. The cancel button shows while
// showsCancelButton is set (a search display controller sets it while
// active).
#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/View.h"
#include "platform/ui/WeakLink.h"

namespace ui {

class SearchBar;
class SearchDisplayController;

class SearchBarDelegate : public LinkTarget {
public:
    virtual ~SearchBarDelegate() = default;
    virtual void searchBarTextDidBeginEditing(SearchBar&) {}
    virtual void searchBarTextDidEndEditing(SearchBar&) {}
    virtual void textDidChange(SearchBar&, const std::string& /*searchText*/) {}
    virtual void searchBarSearchButtonClicked(SearchBar&) {}
    virtual void searchBarCancelButtonClicked(SearchBar&) {}
};

class SearchBar : public View {
public:
    // The cancel button's width, or its title's with a margin each side
    // where the rider's language writes it longer.
    static constexpr double kCancelWidth = 56;
    static constexpr double kCancelMargin = 8;

    SearchBar();
    explicit SearchBar(const Rect& frame);

    std::string text() const override { return text_; }
    std::vector<TextRoom> textRooms() const override;
    // A change of the text, typed or set here, tells the delegate
    // (textDidChange) and the search display controller.
    void setText(const std::string& text);

    std::string placeholder;
    // Held weakly: a delegate that is gone hears nothing more.
    WeakLink<SearchBarDelegate> delegate;

    bool showsCancelButton() const { return showsCancel_; }
    void setShowsCancelButton(bool shows, bool animated = false);
    const std::shared_ptr<Button>& cancelButton() const { return cancelButton_; }
    bool isEditing() const { return editing_; }

    // What the rider does with the bar.
    void beginEditing();
    void endEditing();
    void clickSearchButton();
    void clickCancelButton();

    void setFrame(const Rect& frame) override;
    void touchesBegan(const Touch&) override {}
    void touchesMoved(const Touch&) override {}
    void touchesEnded(const Touch& t) override;
    void touchesCancelled(const Touch&) override {}
    bool canBecomeFirstResponder() const override { return true; }
    void didBecomeFirstResponder() override { beginEditing(); }
    void didResignFirstResponder() override { endEditing(); }
    void insertText(const std::string& text) override;
    void deleteBackward() override;
    void returnKey() override { clickSearchButton(); }

    // The typed text is the value; the placeholder names the field.
    std::string accessibilityValue() const override { return text_; }
    bool accessibilitySetValue(const std::string& value) override;
    // Starts editing, as a touch does.
    bool accessibilityActivate() override;
    bool canActivate() const override { return takesTouches(); }
    // Cancels the search while one is under way.
    bool accessibilityPerformEscape() override;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "SearchBar"; }

protected:
    bool defaultIsAccessibilityElement() const override { return true; }
    std::string defaultAccessibilityLabel() const override { return placeholder; }
    AccessibilityRole defaultAccessibilityRole() const override { return AccessibilityRole::TextEntry; }
    std::uint32_t defaultAccessibilityTraits() const override { return AccessibilityTrait::SearchField; }

private:
    friend class SearchDisplayController;
    void layoutCancelButton();
    Rect fieldRect() const;

    std::string text_;
    bool showsCancel_ = false;
    bool editing_ = false;
    std::shared_ptr<Button> cancelButton_;
    double cancelWidth_ = kCancelWidth;
    SearchDisplayController* displayController_ = nullptr;
};

}  // namespace ui
