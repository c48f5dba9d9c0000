// Work for the tests of worker threads that runs until it is asked to stop.
#pragma once

#include <atomic>
#include <stop_token>
#include <thread>

#include "background_task.h"

namespace sorrel {

struct StoppableWork {
    std::atomic<bool> started{false};
    std::atomic<bool> ended{false};

    // Runs until its stop token says stop, then returns value.
    TaskWork<int> work(int value = -1) {
        return [this, value](std::stop_token stop, const ProgressFn&) {
            started = true;
            while (!stop.stop_requested()) {
                std::this_thread::yield();
            }
            ended = true;
            return value;
        };
    }

    void waitUntilStarted() const {
        while (!started) {
            std::this_thread::yield();
        }
    }
};

}  // namespace sorrel
