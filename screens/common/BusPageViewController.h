#pragma once
// A static page of text (the About and User agreement pages): the text file
// named by the layout, shown wrapped in a scrolling area. The first line of
// the file is the page's heading; every further line is a paragraph, and an
// empty line leaves a gap. Numbered sections ("一、...") stand out in bold.
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
    // How tall a wrapped text of that font size needs to be at that width.
    // Errs on the tall side: a text given too little height loses its last
    // lines, one given too much only ends in a little space.
    static double wrappedTextHeight(const std::string& text, double fontSize, double width);

    // Outlet: the scrolling area that holds the text.
    std::weak_ptr<ui::ScrollView> textScrollView;
};

}  // namespace bus
