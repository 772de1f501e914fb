#include "screens/common/BusPageViewController.h"

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Log.h"
#include "platform/Translation.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/Storyboard.h"

namespace bus {

namespace {

constexpr double kMargin = 16;
constexpr double kHeadingSize = 20;
constexpr double kBodySize = 15;
constexpr double kParagraphGap = 6;
constexpr double kBlankLineGap = 10;
// Height of one line of wrapped text per point of font size, as the CJK
// font sets it (measured on the window).
constexpr double kLineHeightFactor = 1.2;
// Spare height per paragraph, for rounding in the font's line spacing.
constexpr double kParagraphSpare = 2;

std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Code points of UTF-8 text; a broken sequence counts as one wide character.
std::vector<char32_t> codePoints(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (length == 1 || i + length > text.size()) {
            out.push_back(c < 0x80 ? c : 0x4E00);
            ++i;
            continue;
        }
        char32_t cp = c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(cp);
        i += length;
    }
    return out;
}

// The advances of the printable ASCII characters (space to '~') in the
// window's first font, in thousandths of an em. A page in a Latin script
// is mostly these, and counting each at the width of the widest would give
// its paragraphs a line or more too many.
constexpr std::array<int, 95> kAsciiAdvances{
    260, 269, 402, 646, 551, 825, 702, 226, 301, 301, 551, 551, 250, 322, 268, 373, 551, 551, 551, 551,
    551, 551, 551, 551, 551, 551, 268, 268, 551, 551, 551, 426, 866, 608, 621, 603, 684, 528, 491, 690,
    701, 339, 271, 579, 491, 870, 729, 742, 576, 741, 590, 519, 519, 698, 568, 884, 547, 527, 539, 303,
    373, 303, 532, 411, 577, 531, 586, 463, 586, 535, 329, 518, 589, 259, 259, 496, 259, 896, 589, 577,
    586, 586, 399, 451, 339, 589, 479, 746, 500, 489, 441, 354, 551, 354, 551};
// On the wide side of those: another face, or the bold one, may be a little wider.
constexpr double kAsciiSpare = 1.08;

double advance(char32_t cp) {
    if (cp < 0x20 || cp > 0x7E) return 1.0;
    return kAsciiAdvances[cp - 0x20] / 1000.0 * kAsciiSpare;
}

}  // namespace

bool BusPageViewController::isSectionHeading(const std::string& line, bool writtenLanguage) {
    // The Chinese pages number their sections with Chinese numerals and
    // their items within a section "1. ", so there digits head no section.
    static const std::u32string kNumerals = U"一二三四五六七八九十";
    const auto cps = codePoints(line);
    std::size_t i = 0;
    while (i < cps.size() && kNumerals.find(cps[i]) != std::u32string::npos) ++i;
    if (i > 0) return i < cps.size() && cps[i] == U'、';
    if (writtenLanguage) return false;
    // Translations number sections "1. " and their items "1.1 ".
    while (i < cps.size() && cps[i] >= U'0' && cps[i] <= U'9') ++i;
    return i > 0 && i + 2 < cps.size() && cps[i] == U'.' && cps[i + 1] == U' ';
}

std::filesystem::path BusPageViewController::pageFile(const std::string& name, const std::string& language) {
    const auto written = pagesDirectory() / std::filesystem::u8path(name);
    if (language.empty() || language == platform::kSourceLanguage) return written;
    auto translated = written;
    translated.replace_extension("." + language + written.extension().string());
    std::error_code error;
    return std::filesystem::is_regular_file(translated, error) ? translated : written;
}

std::filesystem::path BusPageViewController::pagesDirectory() { return ui::imagesDirectory().parent_path() / "pages"; }

double BusPageViewController::wrappedTextHeight(const std::string& text, double fontSize, double width) {
    // The line breaker's rules for Chinese, as far as they move breaks:
    // any two characters may be parted, except that closing punctuation never
    // starts a line and opening punctuation never ends one; Latin words and
    // numbers stay whole. Every Chinese character or mark is a full em wide;
    // Latin is narrower, each letter counted at its own width.
    static const std::u32string kClosing = U"，。、；：？！）》」』”’…,.;:?!)";
    static const std::u32string kOpening = U"（《「『“‘(";
    struct Unit {
        double width = 0;
        bool glueNext = false;  // ends in opening punctuation
    };
    std::vector<Unit> units;
    bool inWord = false;
    for (char32_t cp : codePoints(text)) {
        const bool ascii = cp < 0x80;
        const bool wordChar = ascii && cp != U' ' && kClosing.find(cp) == std::u32string::npos &&
                              kOpening.find(cp) == std::u32string::npos;
        const double width = advance(cp) * fontSize;
        const bool closing = kClosing.find(cp) != std::u32string::npos;
        const bool joinsPrevious =
            !units.empty() && ((wordChar && inWord) || closing || units.back().glueNext);
        if (joinsPrevious) {
            units.back().width += width;
            units.back().glueNext = kOpening.find(cp) != std::u32string::npos;
        } else {
            units.push_back({width, kOpening.find(cp) != std::u32string::npos});
        }
        inWord = wordChar;
    }
    // A little short of the width, for the rounding of advances.
    const double room = std::max(fontSize, width - 0.25 * fontSize);
    int lines = 1;
    double x = 0;
    for (const Unit& u : units) {
        double w = u.width;
        if (x > 0 && x + w > room) {
            ++lines;
            x = 0;
        }
        while (w > room) {  // longer than a line: broken anywhere
            w -= room;
            ++lines;
        }
        x += w;
    }
    return std::ceil(lines * fontSize * kLineHeightFactor + kParagraphSpare);
}

void BusPageViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    auto scroll = textScrollView.lock();
    if (!scroll) return;
    const std::string name = layout().text(kPageFileText);
    const auto file = pageFile(name, platform::language());
    const auto lines = readLines(file);
    if (lines.empty()) {
        platform::NSLog("The page \"" + file.filename().string() + "\" cannot be read");
        return;
    }
    const bool writtenLanguage = file.filename() == std::filesystem::u8path(name).filename();

    const double width = scroll->frame().width() - 2 * kMargin;
    double y = kMargin;
    auto heading = std::make_shared<ui::Label>(ui::Rect{kMargin, y, width, std::ceil(kHeadingSize * 1.5)});
    heading->setText(lines.front());
    heading->font = ui::Font::boldSystem(kHeadingSize);
    scroll->addSubview(heading);
    y += heading->frame().height() + kBlankLineGap;

    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            y += kBlankLineGap;
            continue;
        }
        const double height = wrappedTextHeight(lines[i], kBodySize, width);
        auto paragraph = std::make_shared<ui::Label>(ui::Rect{kMargin, y, width, height});
        paragraph->setText(lines[i]);
        paragraph->font = isSectionHeading(lines[i], writtenLanguage) ? ui::Font::boldSystem(kBodySize)
                                                                      : ui::Font::system(kBodySize);
        paragraph->textColor = ui::Color::rgba(0.2, 0.2, 0.2);
        paragraph->numberOfLines = 0;
        scroll->addSubview(paragraph);
        y += height + kParagraphGap;
    }
    scroll->contentSize = {scroll->frame().width(), y + kMargin};
}

}  // namespace bus
