#pragma once
// A test that looks at the app in English: the catalog the build compiled,
// chosen for the test's length, and the written texts put back after it.
#include <optional>
#include <stdexcept>

#include "platform/Translation.h"

namespace bus::test {

class InEnglish {
public:
    InEnglish() {
        std::string error;
        auto catalog = platform::catalogFor({"en"}, BUS_LOCALE_DIR, &error);
        if (!catalog) throw std::runtime_error("no English catalog under " BUS_LOCALE_DIR ": " + error);
        platform::useCatalog(std::move(catalog));
    }
    ~InEnglish() { platform::useCatalog(std::nullopt); }
    InEnglish(const InEnglish&) = delete;
    InEnglish& operator=(const InEnglish&) = delete;
};

}  // namespace bus::test
