#pragma once
// Worker threads and the ways back to the main thread.
#include <functional>

namespace platform {

// Runs the work on a new thread of its own (a detached worker).
void detachNewThread(std::function<void()> work);
// Queues the work on the main run loop and returns at once.
void performOnMainThread(std::function<void()> work);
// Runs the work on the main thread and waits for it; runs it directly when
// already there.
void performOnMainThreadAndWait(const std::function<void()>& work);
bool isMainThread();
// Blocks until every worker started by detachNewThread has finished
// (orderly shutdown, tests). Returns false on time-out.
bool waitForWorkerThreads(double realTimeoutSeconds = 60.0);

}  // namespace platform
