#pragma once
// The static text pages: a scrolling area over the whole screen.
#include <string>

#include "platform/ui/Storyboard.h"

namespace bus::layout {

// A page screen showing the named file of the resources' pages.
ui::ScreenLayout pageLayout(std::string title, std::string pageFile);

}  // namespace bus::layout
