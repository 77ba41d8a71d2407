#pragma once
// Work spread over the machine's cores: the redraw of a large chart splits its channels
// and its picture between them. The calling thread always takes part, so a call finishes
// even where no helper thread can run (one core, a forked child, a nested call).

#include <cstddef>
#include <functional>

namespace tarvo {

// Runs work(0) … work(count - 1), each once, on the calling thread and on the helper
// threads that are free, and returns when all have returned. The calls must not depend
// on each other's order. An exception thrown by one is thrown here once all have ended.
void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

// How many threads a call of forEachInParallel may use at most: the caller and its helpers.
std::size_t parallelThreads();

}  // namespace tarvo
