// One QApplication for the whole test program, made before the first test
// and gone after the last: Qt allows one per process, and the window, canvas
// and page-layout tests all need it. Suites that use Qt compile this file in.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        // Headless unless the person running the tests chose a platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "busreal-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment* const gQtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
