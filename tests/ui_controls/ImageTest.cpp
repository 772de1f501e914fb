// Images by name: natural size from the file, and a missing name logged
// once and drawn as nothing.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "support/TestSupport.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;
using bus::test::RecordingCanvas;

// The first 24 bytes of a PNG: signature and the IHDR chunk's size fields.
void writePngHeader(const std::filesystem::path& file, std::uint32_t w, std::uint32_t h) {
    unsigned char bytes[33] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<unsigned char>(w >> (24 - 8 * i));
        bytes[20 + i] = static_cast<unsigned char>(h >> (24 - 8 * i));
    }
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

struct Images : ::testing::Test {
    std::filesystem::path shipped = imagesDirectory();
    void TearDown() override { setImagesDirectory(shipped); }
};

TEST_F(Images, MissingImageIsLoggedOnceAndDrawsNothing) {
    resetImageCache();
    platform::LogCapture log;
    auto a = make<ImageView>(Rect{0, 0, 20, 20}, "没有这张图.png");
    auto b = make<ImageView>(Rect{0, 30, 20, 20});
    b->setImage("没有这张图.png");
    auto button = make<Button>(ButtonType::Custom, Rect{0, 60, 100, 40});
    button->setImage("没有这张图.png");
    RecordingCanvas canvas;
    for (int twice = 0; twice < 2; ++twice)
        for (auto v : {ViewPtr(a), ViewPtr(b), ViewPtr(button)}) View::drawTree(*v, canvas);

    std::size_t mentions = 0;
    for (const auto& line : log.lines()) mentions += line.find("没有这张图.png") != std::string::npos;
    EXPECT_EQ(mentions, 1u);
    EXPECT_TRUE(canvas.find("image").empty());
    EXPECT_FALSE(imageExists("没有这张图.png"));
    EXPECT_TRUE(imagePath("没有这张图.png").empty());
    EXPECT_EQ(imageSize("没有这张图.png"), (Size{0, 0}));
    EXPECT_EQ(a->imageName(), "没有这张图.png");  // the tree still says what was asked for
}

TEST_F(Images, NaturalSizeIsHalfThePixelsFromTheHeader) {
    const auto dir = bus::test::containerRoot() / "images";
    std::filesystem::create_directories(dir);
    writePngHeader(dir / "站牌.png", 100, 60);
    std::ofstream(dir / "broken.png") << "not a picture";
    setImagesDirectory(dir);

    EXPECT_EQ(imageSize("站牌.png"), (Size{50, 30}));
    EXPECT_EQ(imagePath("站牌.png"), dir / "站牌.png");
    EXPECT_TRUE(imageExists("broken.png"));
    EXPECT_EQ(imageSize("broken.png"), (Size{0, 0}));
    EXPECT_FALSE(imageExists("bus.png"));  // the shipped folder is no longer looked at
    EXPECT_EQ(ImageView("站牌.png").frame(), (Rect{0, 0, 50, 30}));
}

}  // namespace
