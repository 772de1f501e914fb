// What views draw: alpha animations (the model value is the target at once,
// drawing follows the presentation value on the run loop's clock), the busy
// indicator of the live bus screen, and images by name (natural size from
// the file; a missing name logged once and drawn as nothing).
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "support/TestSupport.h"
#include "support/UiTestSupport.h"

namespace {

using namespace ui;

void advance(double s) { platform::RunLoop::main().advance(s); }

struct Fade : ::testing::Test {
    std::shared_ptr<View> root = make<View>(Rect{0, 0, 375, 667});
    std::shared_ptr<Label> button = make<Label>(Rect{0, 500, 200, 40});
    std::shared_ptr<Label> dots = make<Label>(Rect{0, 600, 375, 30});
    void SetUp() override {
        button->setText("开始使用");
        dots->setText("•••");
        root->addSubview(button);
        root->addSubview(dots);
        button->alpha = 0;
    }
    double drawnAlpha(const std::string& text) {
        bus::test::RecordingCanvas canvas;
        View::drawTree(*root, canvas);
        const auto ops = canvas.find("text", text);
        return ops.empty() ? 0.0 : ops[0].alpha;
    }
};

TEST_F(Fade, ModelValueChangesAtOnceWhileDrawingFollowsTheClockFromWhatIsShown) {
    animate(0.4, [&] { button->alpha = 1, dots->alpha = 0; });
    EXPECT_TRUE(button->alpha == 1 && dots->alpha == 0);
    EXPECT_TRUE(needsContinuousRedraw());
    EXPECT_EQ(drawnAlpha("开始使用"), 0);  // not drawn at all yet
    EXPECT_EQ(drawnAlpha("•••"), 1);
    advance(0.2);
    EXPECT_NEAR(drawnAlpha("开始使用"), 0.5, 1e-9);
    EXPECT_NEAR(drawnAlpha("•••"), 0.5, 1e-9);
    advance(0.1);
    const double shown = button->presentationAlpha();
    EXPECT_GT(shown, 0.75);                    // eased, not linear
    animate(0.4, [&] { button->alpha = 0; });  // turning back starts from what is shown
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), shown);
    advance(0.4);
    EXPECT_EQ(drawnAlpha("开始使用"), 0);
    EXPECT_EQ(drawnAlpha("•••"), 0);
    EXPECT_FALSE(needsContinuousRedraw());  // over: the window stops repainting

    animate(0.4, [&] { button->alpha = 1; });
    button->alpha = 0.3;  // set at once, outside any animation
    EXPECT_DOUBLE_EQ(button->presentationAlpha(), 0.3);
}

TEST(BusyIndicator, ShowsOnlyWhileAnimatingAndTurnsWithTheClock) {
    auto spinner = make<ActivityIndicatorView>(0);  // large white
    spinner->setColor(Color::red());
    spinner->setCenter({187.5, 333.5});
    EXPECT_EQ(spinner->frame(), (Rect{187.5 - 18.5, 333.5 - 18.5, 37, 37}));
    EXPECT_TRUE(spinner->hidden);
    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating() && !spinner->hidden && needsContinuousRedraw());
    const int first = spinner->leadingSpoke();
    advance(0.25);
    EXPECT_EQ(spinner->leadingSpoke(), (first + 3) % 12);
    bus::test::RecordingCanvas canvas;
    View::drawTree(*spinner, canvas);
    ASSERT_EQ(canvas.find("line").size(), 12u);
    for (const auto& s : canvas.find("line")) EXPECT_TRUE(s.color.r == 1 && s.color.g == 0);
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->hidden && !needsContinuousRedraw());
    {
        ActivityIndicatorView gone;  // destroyed while spinning: no more frames asked for
        gone.startAnimating();
        EXPECT_TRUE(needsContinuousRedraw());
    }
    EXPECT_FALSE(needsContinuousRedraw());
}

// The first 24 bytes of a PNG: signature and the IHDR chunk's size fields.
void writePngHeader(const std::filesystem::path& file, std::uint32_t w, std::uint32_t h) {
    unsigned char bytes[33] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<unsigned char>(w >> (24 - 8 * i));
        bytes[20 + i] = static_cast<unsigned char>(h >> (24 - 8 * i));
    }
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

TEST(Images, MissingImageIsLoggedOnceAndDrawsNothing) {
    resetImageCache();
    platform::LogCapture log;
    auto a = make<ImageView>(Rect{0, 0, 20, 20}, "没有这张图.png");
    auto b = make<ImageView>(Rect{0, 30, 20, 20});
    b->setImage("没有这张图.png");
    auto button = make<Button>(ButtonType::Custom, Rect{0, 60, 100, 40});
    button->setImage("没有这张图.png");
    bus::test::RecordingCanvas canvas;
    for (int twice = 0; twice < 2; ++twice)
        for (auto v : {ViewPtr(a), ViewPtr(b), ViewPtr(button)}) View::drawTree(*v, canvas);

    std::size_t mentions = 0;
    for (const auto& line : log.lines()) mentions += line.find("没有这张图.png") != std::string::npos;
    EXPECT_EQ(mentions, 1u);
    EXPECT_TRUE(canvas.find("image").empty());
    EXPECT_TRUE(!imageExists("没有这张图.png") && imagePath("没有这张图.png").empty());
    EXPECT_EQ(imageSize("没有这张图.png"), (Size{0, 0}));
    EXPECT_EQ(a->imageName(), "没有这张图.png");  // the tree still says what was asked for
}

TEST(Images, NaturalSizeIsHalfThePixelsFromTheHeader) {
    struct Shipped {
        std::filesystem::path folder = imagesDirectory();
        ~Shipped() { setImagesDirectory(folder); }
    } restoredAfterwards;
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
