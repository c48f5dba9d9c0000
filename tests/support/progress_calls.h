// The progress a pass reports: every call (done, total) in order, and whether
// any came on another thread than the one that made the recorder.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace sorrel::test {

struct ProgressCalls {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    bool elsewhere = false;
    std::thread::id caller = std::this_thread::get_id();

    std::function<void(std::uint64_t, std::uint64_t)> fn() {
        return [this](std::uint64_t done, std::uint64_t total) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            calls.emplace_back(done, total);
        };
    }
};

}  // namespace sorrel::test
