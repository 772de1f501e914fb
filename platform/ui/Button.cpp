#include "platform/ui/Button.h"

#include <algorithm>

#include "platform/ui/Image.h"

namespace ui {

Button::Button(ButtonType type) : type_(type) {}
Button::Button(ButtonType type, const Rect& frame) : Control(frame), type_(type) {}

std::shared_ptr<Button> Button::withType(int type) {
    return std::make_shared<Button>(type == 1 ? ButtonType::System : ButtonType::Custom);
}

template <class T>
const T* Button::lookup(const std::map<std::uint32_t, T>& m, std::uint32_t state) {
    if (auto it = m.find(state); it != m.end()) return &it->second;
    // Disabled wins over selected, selected over highlighted, as on the phone.
    for (std::uint32_t single : {ControlStateDisabled, ControlStateSelected, ControlStateHighlighted})
        if (state & single)
            if (auto it = m.find(single); it != m.end()) return &it->second;
    if (auto it = m.find(ControlStateNormal); it != m.end()) return &it->second;
    return nullptr;
}

void Button::setTitle(const std::string& title, std::uint32_t state) { titles_[state] = title; }
void Button::setTitleColor(const Color& color, std::uint32_t state) { titleColors_[state] = color; }
void Button::setImage(const std::string& name, std::uint32_t state) {
    images_[state] = name;
    if (!name.empty()) imageExists(name);  // logs a missing name now
}
void Button::setBackgroundImage(const std::string& name, std::uint32_t state) {
    backgroundImages_[state] = name;
    if (!name.empty()) imageExists(name);
}

std::string Button::titleForState(std::uint32_t state) const {
    const auto* t = lookup(titles_, state);
    return t ? *t : std::string{};
}

Color Button::titleColorForState(std::uint32_t state) const {
    if (const auto* c = lookup(titleColors_, state)) return *c;
    return type_ == ButtonType::System ? tintColor.value_or(Color::tint()) : Color::white();
}

std::string Button::imageForState(std::uint32_t state) const {
    const auto* t = lookup(images_, state);
    return t ? *t : std::string{};
}

std::string Button::backgroundImageForState(std::uint32_t state) const {
    const auto* t = lookup(backgroundImages_, state);
    return t ? *t : std::string{};
}

Rect Button::contentRect() const {
    const Rect b = bounds();
    return {b.x() + contentEdgeInsets.left, b.y() + contentEdgeInsets.top,
            b.width() - contentEdgeInsets.left - contentEdgeInsets.right,
            b.height() - contentEdgeInsets.top - contentEdgeInsets.bottom};
}

Size Button::shownImageSize(const Rect& content) const {
    const std::string image = currentImage();
    if (image.empty()) return {};
    Size img = imageSize(image);
    // Too tall for the content: shrink, keeping the proportions.
    const double room = content.height() - imageEdgeInsets.top - imageEdgeInsets.bottom;
    if (img.height > room && room > 0 && img.height > 0) {
        img.width *= room / img.height;
        img.height = room;
    }
    return img;
}

std::vector<TextRoom> Button::textRooms() const {
    const std::string title = currentTitle();
    if (title.empty()) return {};
    const Rect content = contentRect();
    const double width = content.width() - shownImageSize(content).width;
    return {{title, titleFont, {content.maxX() - width, content.y(), width, content.height()}}};
}

Button::Layout Button::layoutContent(Canvas& measure) const {
    const Rect content = contentRect();
    const Size img = shownImageSize(content);
    Size txt;
    const std::string title = currentTitle();
    if (!title.empty()) {
        txt = {measure.textWidth(title, titleFont), titleFont.size * 1.2};
        const double room = content.width() - img.width;
        if (contentHorizontalAlignment == ContentHorizontalAlignment::Fill || txt.width > room)
            txt.width = std::max(0.0, room);
    }

    const double pairWidth = img.width + txt.width;
    double x = content.x();
    switch (contentHorizontalAlignment) {
        case ContentHorizontalAlignment::Left:
        case ContentHorizontalAlignment::Fill: x = content.x(); break;
        case ContentHorizontalAlignment::Right: x = content.maxX() - pairWidth; break;
        case ContentHorizontalAlignment::Center: x = content.x() + (content.width() - pairWidth) / 2; break;
    }
    // The edge insets move each part without moving the other: by the left
    // inset when aligned left, back by the right one when aligned right, by
    // half their difference when centred.
    auto shiftX = [&](const EdgeInsets& in) {
        switch (contentHorizontalAlignment) {
            case ContentHorizontalAlignment::Left:
            case ContentHorizontalAlignment::Fill: return in.left;
            case ContentHorizontalAlignment::Right: return -in.right;
            case ContentHorizontalAlignment::Center: break;
        }
        return (in.left - in.right) / 2;
    };
    auto placeY = [&](double h, const EdgeInsets& in) {
        switch (contentVerticalAlignment) {
            case ContentVerticalAlignment::Top:
            case ContentVerticalAlignment::Fill: return content.y() + in.top;
            case ContentVerticalAlignment::Bottom: return content.maxY() - h - in.bottom;
            case ContentVerticalAlignment::Center: break;
        }
        return content.y() + (content.height() - h) / 2 + (in.top - in.bottom) / 2;
    };

    Layout l;
    if (img.width > 0 && img.height > 0)
        l.image = {x + shiftX(imageEdgeInsets), placeY(img.height, imageEdgeInsets), img.width, img.height};
    if (txt.width > 0)
        l.title = {x + img.width + shiftX(titleEdgeInsets), placeY(txt.height, titleEdgeInsets), txt.width,
                   txt.height};
    return l;
}

void Button::draw(Canvas& canvas) {
    View::draw(canvas);
    const bool pressed = highlighted();
    const std::string background = backgroundImageForState(state());
    if (!background.empty() && imageExists(background)) canvas.drawImage(bounds(), background);

    const Layout l = layoutContent(canvas);
    const std::string title = currentTitle();
    const std::string image = currentImage();

    canvas.save();
    // A pressed button fades its content: a system one strongly, a custom
    // one (its image is its look) just enough to show the press.
    if (pressed) canvas.multiplyAlpha(type_ == ButtonType::System ? 0.25 : 0.6);
    if (!l.image.isEmpty() && imageExists(image)) canvas.drawImage(l.image, image);
    if (!l.title.isEmpty()) {
        Color c = titleColorForState(state());
        canvas.drawText(l.title, title, titleFont, c, TextAlignment::Left);
    }
    canvas.restore();

    if (pressed && type_ == ButtonType::System && title.empty() && image.empty())
        // Nothing to fade (a button spread over a whole row): show a light
        // wash so the rider sees the press.
        canvas.fillRect(bounds(), Color::rgba(0.5, 0.5, 0.5, 0.15));
}

}  // namespace ui
