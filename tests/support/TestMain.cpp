// The gtest main of every suite. Each test runs with the test thread as the
// main thread, the run loop on a virtual clock at 0, no alerts and no
// observers left from before, and an empty application container.
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "platform/AlertView.h"
#include "platform/Container.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"
#include "support/TestSupport.h"

namespace {

std::filesystem::path gRoot;

class FreshWorld : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& info) override {
        auto& loop = platform::RunLoop::main();
        loop.reset();
        loop.bindToCurrentThread();
        loop.useVirtualClock(0.0);
        platform::AlertCenter::shared().clear();
        std::random_device rd;
        gRoot = std::filesystem::temp_directory_path() /
                ("busreal-test-" + std::string(info.name()) + "-" + std::to_string(rd()));
        std::filesystem::remove_all(gRoot);
        std::filesystem::create_directories(gRoot);
        platform::Container::setRoot(gRoot);
    }
    void OnTestEnd(const testing::TestInfo&) override {
        platform::waitForWorkerThreads(30.0);
        platform::RunLoop::main().reset();
        platform::AlertCenter::shared().clear();
        std::error_code ec;
        std::filesystem::remove_all(gRoot, ec);
    }
};

}  // namespace

namespace bus::test {
std::filesystem::path containerRoot() { return gRoot; }
}  // namespace bus::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshWorld);
    return RUN_ALL_TESTS();
}
