#pragma once
// Layout before any canvas exists (bars and alerts size themselves when they
// are built, not when they are painted): wide characters (CJK) take a full
// em, the rest a little over half. Painting measures exactly.
#include <cstddef>
#include <string>

#include "platform/ui/Color.h"

namespace ui {

inline double estimatedTextWidth(const std::string& text, double fontSize) {
    double width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        width += len >= 3 ? fontSize : fontSize * 0.55;
        i += len;
    }
    return width;
}

// The light grey of the navigation, status and tab bars and of the alert box.
inline const Color kBarColor = Color::rgba(0.97, 0.97, 0.97);
// The hairline where a bar meets the content.
inline const Color kBarEdgeColor = Color::rgba(0.7, 0.7, 0.7);

}  // namespace ui
