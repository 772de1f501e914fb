#include "app/AppDelegate.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace bus {

std::string AppDelegate::className() {
    const char* mangled = typeid(AppDelegate).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    // Without the namespace, as a class name reads in the toolkit's registry.
    if (const auto colon = name.rfind("::"); colon != std::string::npos) name = name.substr(colon + 2);
    return name;
}

bool AppDelegate::didFinishLaunchingWithOptions(ui::Application&, const ui::LaunchOptions&) { return true; }

void AppDelegate::applicationWillResignActive(ui::Application&) {}
void AppDelegate::applicationDidEnterBackground(ui::Application&) {}
void AppDelegate::applicationWillEnterForeground(ui::Application&) {}
void AppDelegate::applicationDidBecomeActive(ui::Application&) {}
void AppDelegate::applicationWillTerminate(ui::Application&) {}

}  // namespace bus
