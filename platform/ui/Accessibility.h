#pragma once
// What assistive technology (a screen reader, a braille display, switch
// access) is told about the views, in plain C++: the desktop layer maps it to
// its platform's interfaces, and the toolkit's own keyboard focus walks the
// same tree.
//
// The accessible tree is the view tree with the views that say nothing of
// their own left out: each view that is an accessibility element (a button,
// a label with text, a tappable image, a table row, a text field), or a
// container that matters (a list, a scrolling area, a tab bar, an alert), is
// a node; its child nodes are the nodes found below it, whatever plain views
// lie in between, in reading order (top to bottom, each line left to right).
// An element with its own child views (a table row of labels) speaks for
// them: its name joins their texts, and only what can be used on its own (a
// star in a row) stays a child of it. Hidden and faded-out views, and views
// a screen hid from assistive technology, are not in the tree; while an alert
// shows, the window's only child is the alert.
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class View;
class Window;

enum class AccessibilityRole {
    None,         // a plain view: not in the tree by itself
    Window,
    Button,
    PageTab,      // a tab of the tab bar
    PageTabList,  // the tab bar
    Label,
    List,         // a table
    ListItem,     // a table row
    TextEntry,    // a text or search field
    Image,        // an image that carries meaning
    Alert,        // an alert or a transient notice
    ScrollArea,
};

// What a view is beyond its kind, as a screen says it (a bit set).
namespace AccessibilityTrait {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Button = 1u << 0;
inline constexpr std::uint32_t Image = 1u << 1;
inline constexpr std::uint32_t StaticText = 1u << 2;
inline constexpr std::uint32_t Selected = 1u << 3;
inline constexpr std::uint32_t NotEnabled = 1u << 4;
inline constexpr std::uint32_t Header = 1u << 5;
// Its name changes by itself (the data's age, the nearest vehicles).
inline constexpr std::uint32_t UpdatesFrequently = 1u << 6;
inline constexpr std::uint32_t SearchField = 1u << 7;
inline constexpr std::uint32_t Tab = 1u << 8;
// A choice that is on (the chosen refresh interval, a stop that is a favourite).
inline constexpr std::uint32_t Checked = 1u << 9;
}  // namespace AccessibilityTrait

enum class AccessibilityNotification {
    NameChanged,    // the name (or a text it is made of) changed
    ValueChanged,   // the text in a field changed
    StateChanged,   // selected, checked or enabled changed
    LayoutChanged,  // views came or went under the view
    FocusChanged,   // the view took the keyboard focus
    Announcement,   // something to say now (an alert came up)
};

// Told of every notification of the views of one window. The desktop layer
// sets one on a window only while assistive technology listens.
class AccessibilityObserver {
public:
    virtual ~AccessibilityObserver() = default;
    virtual void accessibilityNotification(View& view, AccessibilityNotification what) = 0;
};

namespace accessibility {

// True while some window has an observer: until then a view's notification
// costs one read of this flag.
bool listening();

// Whether the view is a node of the tree (see above), leaving aside whether
// it shows.
bool isNode(const View& view);
// Whether the view can be used (pressed, selected, edited) as it is now.
bool isActionable(const View& view);
// The child nodes of a node, in reading order.
std::vector<View*> children(View& node);
// The nearest ancestor that is a node, or null (the window's root view).
View* parent(const View& view);
// What a screen reader says for the node: the view's label, or for an
// element of several views the texts of those it speaks for, joined.
std::string name(View& node);
// The focused view, a selected row...: the node that speaks for `view`
// (itself, or the element whose name its text is part of).
View* speakingNode(View& view);

// Orders views by where they show on the window: by lines from the top, and
// along a line from the left.
void sortInReadingOrder(std::vector<View*>& views);

}  // namespace accessibility

// Counts the windows that have an observer; kept by Window.
namespace detail {
void adjustAccessibilityListeners(int delta);
}

}  // namespace ui
