// One piece of long work at a time on a worker thread of its own.
//
// The work gets a std::stop_token and a progress function; it checks the token
// at least every few milliseconds and returns early once a stop is requested.
// The task hands back the result in one move at the end, or the exception the
// work threw, and passes on the progress at most every 50 ms (ProgressReporter).
// A result of work that was asked to stop before it returned is dropped.
//
// Thread-safety: a BackgroundTask is used from one thread (its owner's); the
// work and every callback run on the worker thread, so callbacks must be safe
// to call from there (post to the owner's thread, never touch a widget) and
// must not throw. The work must not call back into its own BackgroundTask.
#pragma once

#include <exception>
#include <functional>
#include <stop_token>
#include <thread>
#include <utility>

#include "progress.h"

namespace sorrel {

template <typename Result>
using TaskWork = std::function<Result(std::stop_token stop, const ProgressFn& progress)>;

// What a task hands back; each is called on the worker thread, and an empty
// one is skipped.
template <typename Result>
struct TaskCallbacks {
    // The work's progress, at most every 50 ms, and its last report once more
    // just before the result.
    ProgressFn progress;
    // The result, once, when the work returned and no stop had been requested.
    // A stop requested just after this check does not hold the result back:
    // an owner that must drop such results checks on its own thread (GuiTask).
    std::function<void(Result&& result)> result;
    // Instead of the result when the work threw and no stop had been requested.
    std::function<void(std::exception_ptr error)> error;
};

class BackgroundTask {
  public:
    BackgroundTask() = default;
    // Requests a stop and joins the worker.
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Runs work on a new worker thread. Work still running is asked to stop
    // and joined first (its result is dropped), so start blocks for as long
    // as that work takes to notice its stop token.
    template <typename Result>
    void start(TaskWork<Result> work, TaskCallbacks<Result> callbacks);

    // Asks the running work to stop; returns at once. Nothing if none runs.
    void requestStop();
    // Blocks until the worker has returned (at once if there is none).
    void wait();

  private:
    void launch(std::function<void(std::stop_token)> body);

    std::jthread thread_;
};

// For work that nobody waits for, such as the passes that only add marks to a
// view: the calling thread runs only while no other thread wants the CPU, so
// the GUI thread and the reads and searches the user waits for go first. Call
// it from the work itself; its worker thread ends with the work.
void RunAtIdlePriority();

template <typename Result>
void BackgroundTask::start(TaskWork<Result> work, TaskCallbacks<Result> callbacks) {
    launch([work = std::move(work), callbacks = std::move(callbacks)](std::stop_token stop) {
        try {
            ProgressReporter reporter(callbacks.progress);
            Result result = work(stop, reporter.fn());
            if (stop.stop_requested()) {
                return;
            }
            reporter.finish();
            if (callbacks.result) {
                callbacks.result(std::move(result));
            }
        } catch (...) {
            if (!stop.stop_requested() && callbacks.error) {
                callbacks.error(std::current_exception());
            }
        }
    });
}

}  // namespace sorrel
