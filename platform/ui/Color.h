#pragma once
// Colours as red, green, blue and alpha from 0 to 1.
namespace ui {

struct Color {
    double r = 0, g = 0, b = 0, a = 0;
    static Color rgba(double r, double g, double b, double a = 1.0) { return {r, g, b, a}; }
    static Color clear() { return {0, 0, 0, 0}; }
    static Color black() { return {0, 0, 0, 1}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color gray() { return {0.5, 0.5, 0.5, 1}; }        // grayColor
    static Color lightGray() { return {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}; }
    static Color darkGray() { return {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}; }
    static Color red() { return {1, 0, 0, 1}; }
    static Color blue() { return {0, 0, 1, 1}; }
    // The toolkit's default tint (links, system buttons, check marks).
    static Color tint() { return {0.0, 122.0 / 255, 1.0, 1}; }
    bool isClear() const { return a <= 0.0; }
    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace ui
