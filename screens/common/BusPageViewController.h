#pragma once
// A static page of text (the About and User agreement pages): the text file
// named by the layout, in the rider's language where the page has one
// ("about.en.txt" beside "about.txt"), shown wrapped in a scrolling area.
// The first line of the file is the page's heading; every further line is a
// paragraph, and an empty line leaves a gap. Numbered sections ("一、...",
// and "1. ..." in a translation) stand out in bold.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

namespace bus {

class BusPageViewController : public ui::ViewController {
public:
    // The layout text that names the page's file in pagesDirectory().
    static constexpr char kPageFileText[] = "page";

    void viewDidLoad() override;

    // Where the page files are: beside the images in the resources.
    static std::filesystem::path pagesDirectory();
    // The file of the page `name` ("about.txt") in `language` ("en"):
    // "about.en.txt" where it exists, the page as written otherwise.
    static std::filesystem::path pageFile(const std::string& name, const std::string& language);
    // Whether a paragraph heads a numbered section: "一、服务内容" in any
    // page, "1. The service" only in a translation (`writtenLanguage` false),
    // since the written pages number the items of a section "1. ".
    static bool isSectionHeading(const std::string& line, bool writtenLanguage);
    // How tall a wrapped text of that font size needs to be at that width.
    // Errs on the tall side: a text given too little height loses its last
    // lines, one given too much only ends in a little space.
    static double wrappedTextHeight(const std::string& text, double fontSize, double width);

    // Outlet: the scrolling area that holds the text.
    std::weak_ptr<ui::ScrollView> textScrollView;
};

}  // namespace bus
