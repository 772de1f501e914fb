#pragma once
// A push button: a title and an image per state, laid out like the phone
// toolkit's: the image left of the title, the pair placed by the content
// alignment inside the content insets, each moved by its own edge insets.
// A system-type button fades while pressed; a custom one darkens.
#include <map>
#include <optional>
#include <string>

#include "platform/ui/Control.h"

namespace ui {

enum class ButtonType { Custom = 0, System = 1 };
enum class ContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

class Button : public Control {
public:
    explicit Button(ButtonType type = ButtonType::Custom);
    Button(ButtonType type, const Rect& frame);
    // buttonWithType: (0 custom, 1 system).
    static std::shared_ptr<Button> withType(int type);

    ButtonType buttonType() const { return type_; }

    // Per state; a state without its own value uses the normal one.
    void setTitle(const std::string& title, std::uint32_t state = ControlStateNormal);
    void setTitleColor(const Color& color, std::uint32_t state = ControlStateNormal);
    void setImage(const std::string& imageName, std::uint32_t state = ControlStateNormal);
    void setBackgroundImage(const std::string& imageName, std::uint32_t state = ControlStateNormal);
    std::string titleForState(std::uint32_t state) const;
    Color titleColorForState(std::uint32_t state) const;
    std::string imageForState(std::uint32_t state) const;
    std::string backgroundImageForState(std::uint32_t state) const;
    std::string currentTitle() const { return titleForState(state()); }
    std::string currentImage() const { return imageForState(state()); }

    Font titleFont = Font::system(15);  // titleLabel.font
    EdgeInsets contentEdgeInsets;
    EdgeInsets imageEdgeInsets;
    EdgeInsets titleEdgeInsets;
    ContentHorizontalAlignment contentHorizontalAlignment = ContentHorizontalAlignment::Center;
    ContentVerticalAlignment contentVerticalAlignment = ContentVerticalAlignment::Center;
    // A system button's default title colour; unset means the toolkit tint.
    std::optional<Color> tintColor;
    void setContentHorizontalAlignment(int a) { contentHorizontalAlignment = static_cast<ContentHorizontalAlignment>(a); }

    // Where the image and the title go in the bounds, for a canvas that
    // measures text as the given one does. Empty rectangles when absent.
    struct Layout {
        Rect image;
        Rect title;
    };
    Layout layoutContent(Canvas& measure) const;

    void draw(Canvas& canvas) override;
    std::string className() const override { return "Button"; }
    std::string text() const override { return currentTitle(); }
    // The title's room: the content's width less the image's.
    std::vector<TextRoom> textRooms() const override;
    std::string imageName() const override { return currentImage(); }

private:
    // The bounds inside the content insets.
    Rect contentRect() const;
    // The image's size as drawn in `content` (shrunk to its height); none without one.
    Size shownImageSize(const Rect& content) const;

    template <class T>
    static const T* lookup(const std::map<std::uint32_t, T>& m, std::uint32_t state);

    ButtonType type_;
    std::map<std::uint32_t, std::string> titles_;
    std::map<std::uint32_t, Color> titleColors_;
    std::map<std::uint32_t, std::string> images_;
    std::map<std::uint32_t, std::string> backgroundImages_;
};

}  // namespace ui
