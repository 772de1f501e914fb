#pragma once
// Whether a text still holds Chinese: a test of the app in English finds
// what the catalog left untranslated by it.
#include <string_view>

namespace bus::test {

// A CJK ideograph, CJK punctuation ("，", "、") or a full-width form in the
// UTF-8 text.
inline bool hasCjk(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        if (length == 3 && i + 2 < text.size()) {
            const char32_t cp = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3F) << 6) |
                                (static_cast<unsigned char>(text[i + 2]) & 0x3F);
            if ((cp >= 0x3000 && cp <= 0x303F) || (cp >= 0x3400 && cp <= 0x9FFF) || (cp >= 0xFF00 && cp <= 0xFFEF))
                return true;
        }
        i += length;
    }
    return false;
}

}  // namespace bus::test
