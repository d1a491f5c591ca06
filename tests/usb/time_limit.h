#pragma once
// Runs an action with a time limit: a read without a deadline would otherwise hang the test
// until ctest kills it, long after the point.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>

namespace kestrom::test {

template <typename F> auto withinSeconds(int seconds, F action) {
    auto result = std::async(std::launch::async, std::move(action));
    if (result.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        ADD_FAILURE() << "the action did not end within " << seconds << " s";
        std::fflush(nullptr);
        std::_Exit(1); // the hung thread cannot be joined
    }
    return result.get();
}

} // namespace kestrom::test
