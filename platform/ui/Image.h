#pragma once
// Images by file name ("bus.png", "选中.png"), as the screens name them. The
// files live in one folder, the resources' images/ unless the application
// points elsewhere: an installed app's <prefix>/share/busreal/images, else the
// source tree's resources/images. They are drawn at twice their size in points, so an
// image's natural size in points is half its pixel size.
//
// A name without a file is logged once (platform::NSLog) and draws nothing.
#include <filesystem>
#include <string>

#include "platform/ui/Geometry.h"

namespace ui {

constexpr double kImageScale = 2.0;

// The folder images are read from; changing it forgets what was learnt
// about the previous one.
std::filesystem::path imagesDirectory();
void setImagesDirectory(const std::filesystem::path& dir);

// The file of the named image, or an empty path when there is none (the
// first such call for a name logs it).
std::filesystem::path imagePath(const std::string& name);
bool imageExists(const std::string& name);
// Natural size in points from the PNG header; zero for a missing or
// unreadable image.
Size imageSize(const std::string& name);

// Forgets the cached lookups and which missing names were already logged.
void resetImageCache();

}  // namespace ui
