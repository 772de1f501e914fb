#include "model/MySingleton.h"

#include <mutex>

namespace bus {
namespace {
std::mutex gLock;
MySingleton* gInstance = nullptr;  // lives until the process ends
}  // namespace

MySingleton& MySingleton::sharedSingleton() {
    std::lock_guard lock(gLock);
    if (!gInstance) gInstance = new MySingleton();
    return *gInstance;
}

}  // namespace bus
