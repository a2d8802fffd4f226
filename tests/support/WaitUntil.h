#pragma once

// Waiting for what a test expects instead of for a fixed time: a slow machine
// then only waits longer, and never passes a check before its moment.

#include <chrono>
#include <thread>

namespace test_wait {

// Polls `condition` until it holds or `limit` has passed; its last value. The
// limit only keeps a fault from hanging the test.
template <typename Condition>
bool Until(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace test_wait
