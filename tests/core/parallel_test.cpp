// Work spread over helper threads: every index runs exactly once, whoever calls, however
// the calls nest, and a failure reaches the caller only after every call has ended.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/parallel.h"

namespace tarvo {
namespace {

std::vector<int> runCounts(std::size_t count) {
    std::vector<std::atomic<int>> runs(count);
    forEachInParallel(count, [&](std::size_t i) { ++runs[i]; });
    std::vector<int> result;
    for (const auto& r : runs) result.push_back(r.load());
    return result;
}

TEST(Parallel, RunsEveryIndexOnceFromAnyCallerAndAnyDepth) {
    for (const std::size_t count : {0u, 1u, 2u, 3u, 1000u}) {
        SCOPED_TRACE(count);
        EXPECT_EQ(runCounts(count), std::vector<int>(count, 1));
    }

    // Calls made from inside a call, and from two threads at once, run alone or shared.
    std::atomic<int> inner{0};
    forEachInParallel(4, [&](std::size_t) { forEachInParallel(5, [&](std::size_t) { ++inner; }); });
    EXPECT_EQ(inner.load(), 20);

    std::atomic<int> total{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&] {
            for (int round = 0; round < 200; ++round)
                forEachInParallel(3, [&](std::size_t) { ++total; });
        });
    }
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(total.load(), 4 * 200 * 3);
    EXPECT_GE(parallelThreads(), 1u);
}

TEST(Parallel, AHelperThatCallsAgainAfterTheCallerRanOutOfWorkEndsBothCalls) {
    // The helper is still inside the outer call when the caller, out of work, waits for
    // it; the helper's own call is then posted, and neither may wait for the other's
    // helpers.
    if (parallelThreads() < 2) GTEST_SKIP() << "no helper thread on this machine";
    const auto caller = std::this_thread::get_id();
    for (int round = 0; round < 5; ++round) {
        std::atomic<bool> helperIn{false};
        std::atomic<int> inner{0};
        forEachInParallel(2, [&](std::size_t) {
            if (std::this_thread::get_id() == caller) {
                // Keep the second call for the helper.
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
                while (!helperIn && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
                return;
            }
            helperIn = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            forEachInParallel(3, [&](std::size_t) { ++inner; });
        });
        EXPECT_EQ(inner.load(), helperIn ? 3 : 0);
    }
}

TEST(Parallel, AFailureIsThrownToTheCallerAfterTheOtherCallsHaveRun) {
    std::atomic<int> ran{0};
    EXPECT_THROW(forEachInParallel(50,
                                   [&](std::size_t i) {
                                       ++ran;
                                       if (i == 7) throw std::runtime_error("seven");
                                   }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 50);
}

}  // namespace
}  // namespace tarvo
