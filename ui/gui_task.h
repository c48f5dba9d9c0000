// Long work for a window, off the GUI thread: one kind of work (find,
// cross-references ...) at a time, its progress and result delivered on the
// GUI thread.
//
// A window keeps one GuiTask per kind of work as a member. start() runs the
// work on a worker thread (BackgroundTask) and delivers the progress (at most
// every 50 ms) and then the result, or the exception the work threw, to the
// callbacks on the GUI thread with queued calls, in the window's event loop.
//
// - Starting a new task cancels the former one: it is asked to stop and
//   joined, and nothing of it is delivered after start() returns, not even
//   what it had already posted. cancel() does the same without a new task and
//   without waiting.
// - Destroying the GuiTask (with its window) stops and joins the worker and
//   drops whatever it had posted: no callback runs afterwards.
// - The work runs on the worker thread. It must touch no widget and nothing of
//   the window; it reads only what it captured by value (a shared_ptr to the
//   image snapshot, the query's sets) and checks its stop token at least every
//   few milliseconds, since start(), cancel-by-start and the destructor wait
//   for it. The callbacks never leave the GUI thread.
//
// Not thread-safe: make, start, cancel and destroy it on the GUI thread.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#include "background_task.h"

namespace sorrel {

class GuiTask {
  public:
    GuiTask() = default;
    ~GuiTask();
    GuiTask(const GuiTask&) = delete;
    GuiTask& operator=(const GuiTask&) = delete;

    // Runs work; onGui's callbacks run on the GUI thread.
    template <typename Result>
    void start(TaskWork<Result> work, TaskCallbacks<Result> onGui);
    // Asks the current work to stop; nothing more of it is delivered.
    void cancel();
    // A task was started and neither delivered its result or error nor was
    // cancelled.
    bool busy() const { return busy_; }
    // Blocks until the worker has returned. What it posted is delivered (or
    // dropped) later by the event loop. For tests and orderly shutdown; a
    // window never waits on its work.
    void wait() { task_.wait(); }

  private:
    // Posts call to the GUI thread; it runs there if the task of generation
    // is still the current one. Called on the worker thread.
    template <typename Call>
    void post(std::uint64_t generation, Call call);
    // The current task's callbacks, while they may still be called.
    template <typename Result>
    const TaskCallbacks<Result>* callbacks(std::uint64_t generation) const;
    // Ends the current task: the callbacks are released on the GUI thread.
    void finish();

    // Receives the queued calls; destroyed after the worker is joined, and
    // with it every call still undelivered.
    QObject context_;
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    std::shared_ptr<const void> callbacks_;  // TaskCallbacks<Result> of the current task
    BackgroundTask task_;
};

template <typename Call>
void GuiTask::post(std::uint64_t generation, Call call) {
    QMetaObject::invokeMethod(
        &context_,
        [this, generation, call = std::move(call)]() mutable {
            if (generation == generation_ && callbacks_) {
                call();
            }
        },
        Qt::QueuedConnection);
}

template <typename Result>
const TaskCallbacks<Result>* GuiTask::callbacks(std::uint64_t generation) const {
    return generation == generation_ ? static_cast<const TaskCallbacks<Result>*>(callbacks_.get())
                                     : nullptr;
}

template <typename Result>
void GuiTask::start(TaskWork<Result> work, TaskCallbacks<Result> onGui) {
    cancel();
    const std::uint64_t generation = generation_;
    const bool wantsProgress = static_cast<bool>(onGui.progress);
    callbacks_ = std::make_shared<const TaskCallbacks<Result>>(std::move(onGui));
    busy_ = true;

    // The worker's side only posts; the callbacks stay on the GUI thread.
    TaskCallbacks<Result> onWorker;
    if (wantsProgress) {
        onWorker.progress = [this, generation](std::uint64_t done, std::uint64_t total) {
            post(generation, [this, generation, done, total] {
                callbacks<Result>(generation)->progress(done, total);
            });
        };
    }
    onWorker.result = [this, generation](Result&& result) {
        auto box = std::make_shared<Result>(std::move(result));
        post(generation, [this, generation, box] {
            // The callback may start the next task, which replaces callbacks_.
            const std::shared_ptr<const void> keep = callbacks_;
            const auto* onGui = callbacks<Result>(generation);
            finish();
            if (onGui->result) {
                onGui->result(std::move(*box));
            }
        });
    };
    onWorker.error = [this, generation](std::exception_ptr error) {
        post(generation, [this, generation, error] {
            const std::shared_ptr<const void> keep = callbacks_;
            const auto* onGui = callbacks<Result>(generation);
            finish();
            if (onGui->error) {
                onGui->error(error);
            }
        });
    };
    task_.start(std::move(work), std::move(onWorker));
}

}  // namespace sorrel
