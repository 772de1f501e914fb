// The app's own options: where its directory service is.
#include <gtest/gtest.h>

#include <tuple>

#include "app/CommandLine.h"
#include "model/Config.h"

namespace bus {
namespace {

TEST(AppCommandLine, TheDirectoryIsABaseAddressAndAnythingElseIsRefusedByName) {
    // arguments, the address read ("" for none), a part of the refusal ("" when accepted)
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{}, "", ""},
        {{"--directory", "http://127.0.0.1:41234"}, "http://127.0.0.1:41234", ""},
        {{"--directory=https://transit.example.org/"}, "https://transit.example.org", ""},
        // what the desktop window takes is left alone
        {{"-platform", "offscreen", "--directory", "http://[::1]:8080"}, "http://[::1]:8080", ""},
        {{"--directory"}, "", "--directory needs the directory service's base address"},
        {{"--directory="}, "", "not \"\""},
        {{"--directory", "127.0.0.1:41234"}, "", "not \"127.0.0.1:41234\""},
        // the example is the compiled-in address
        {{"--directory", "http://host/ozkbus/CXFWebService/Bus"}, "", std::string("as in ") + config::kDirectoryUrl},
        {{"--directory", "http://"}, "", "not \"http://\""},
    };
    for (const auto& [arguments, url, refusal] : cases) {
        std::string error;
        const auto options = readAppOptions(arguments, &error);
        SCOPED_TRACE(testing::PrintToString(arguments));
        if (!refusal.empty()) {
            EXPECT_FALSE(options);
            EXPECT_NE(error.find(refusal), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->directoryUrl.value_or(""), url);
    }
}

}  // namespace
}  // namespace bus
