#include "platform/ui/TextFit.h"

#include <algorithm>

#include "platform/ui/TextMetrics.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {

// How a UTF-8 sequence starting with this byte is long.
std::size_t sequenceLength(unsigned char c) { return c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4; }

// A pattern's written pieces between its placeholders ("{}", "{0}").
std::vector<std::string> piecesOf(const std::string& pattern) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{') {
            std::size_t close = i + 1;
            while (close < pattern.size() && pattern[close] >= '0' && pattern[close] <= '9') ++close;
            if (close < pattern.size() && pattern[close] == '}') {
                pieces.emplace_back();
                i = close;
                continue;
            }
        }
        pieces.back() += pattern[i];
    }
    return pieces;
}

// What the app writes as a number: a count, a time, a price.
bool isNumeric(const std::string& filled) {
    return !filled.empty() && std::all_of(filled.begin(), filled.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-' || c == ' ';
    });
}

// The own part of `text` when the pieces make it, with what fills each gap
// between them; none when they do not.
std::optional<std::string> matchPieces(const std::string& text, const std::vector<std::string>& pieces) {
    if (pieces.size() == 1) return text == pieces[0] ? std::optional(text) : std::nullopt;
    if (text.compare(0, pieces.front().size(), pieces.front()) != 0) return std::nullopt;
    const std::string& last = pieces.back();
    if (text.size() < pieces.front().size() + last.size() ||
        text.compare(text.size() - last.size(), last.size(), last) != 0)
        return std::nullopt;
    std::string own = pieces.front();
    std::size_t at = pieces.front().size();
    const std::size_t end = text.size() - last.size();
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::size_t next = i + 1 == pieces.size() ? end : text.find(pieces[i], at);
        if (next == std::string::npos || next > end) return std::nullopt;
        const std::string filled = text.substr(at, next - at);
        if (isNumeric(filled)) own += filled;
        own += pieces[i];
        at = next + pieces[i].size();
    }
    return own;
}

}  // namespace

double Canvas::wrappedTextHeight(const std::string& text, const Font& font, double width) {
    if (text.empty()) return 0;
    int lines = 1;
    double used = 0;
    // Words break at spaces; a wide character is a word of its own.
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i + sequenceLength(static_cast<unsigned char>(text[i]));
        if (end - i < 3)
            while (end < text.size() && text[end] != ' ' && sequenceLength(static_cast<unsigned char>(text[end])) < 3)
                end += sequenceLength(static_cast<unsigned char>(text[end]));
        if (text[i] == '\n') {
            ++lines, used = 0, i = end;
            continue;
        }
        const double w = textWidth(text.substr(i, end - i), font);
        if (used > 0 && used + w > width) ++lines, used = 0;
        used += w;
        // A word wider than a line breaks anywhere.
        while (used > width && width > 0) ++lines, used -= width;
        i = end;
    }
    return lines * font.size * 1.2;
}

double EstimatingCanvas::textWidth(const std::string& text, const Font& font) {
    return estimatedTextWidth(text, font.size);
}

std::string Overflow::describe() const {
    return view + " \"" + text + "\" needs " + std::to_string(static_cast<int>(needed + 0.5)) + " of " +
           std::to_string(static_cast<int>(room + 0.5)) + " points";
}

std::optional<std::string> ownPart(const std::string& text, const std::vector<std::string>& ownTexts) {
    std::optional<std::string> best;
    for (const auto& pattern : ownTexts) {
        auto own = matchPieces(text, piecesOf(pattern));
        // The most written text wins: "{}方向" also makes "开往 X方向".
        if (own && (!best || own->size() > best->size())) best = std::move(own);
    }
    if (best && best->empty()) return std::nullopt;
    return best;
}

std::vector<Overflow> overflowingTexts(Window& window, Canvas& measure, const std::vector<std::string>& ownTexts) {
    constexpr double kSlack = 0.5;  // rounding, as painting allows it
    std::vector<Overflow> found;
    window.findViewShowing([&](const View& view) {
        for (const auto& room : view.textRooms()) {
            const auto own = ownPart(room.text, ownTexts);
            if (!own) continue;
            Font font = room.font;
            if (room.minimumSize > 0) font.size = std::min(font.size, room.minimumSize);
            const double needed = room.lines == 1 ? measure.textWidth(*own, font)
                                                  : measure.wrappedTextHeight(*own, font, room.room.width());
            const double have = room.lines == 1 ? room.room.width() : room.room.height();
            if (needed > have + kSlack) found.push_back({view.className(), room.text, needed, have});
        }
        return false;
    });
    return found;
}

}  // namespace ui
