// Long work for a window: progress and results arrive on the GUI thread in
// its event loop; replaced and cancelled tasks deliver nothing; destroying
// the owner while its work runs or after it posted is safe (these tests run
// under AddressSanitizer too).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "gui_task.h"
#include "stoppable_work.h"

namespace sorrel {
namespace {

using Pair = std::pair<std::uint64_t, std::uint64_t>;

// Work that returns value at once.
TaskWork<int> Immediate(int value) {
    return [value](std::stop_token, const ProgressFn& progress) {
        progress(1, 1);
        return value;
    };
}

// Delivers every call posted so far.
void DeliverPosted() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// A window's stand-in: what its callbacks received, on which thread.
struct Owner {
    GuiTask task;
    std::vector<int> results;
    std::vector<Pair> progress;
    bool offGuiThread = false;

    TaskCallbacks<int> callbacks(QEventLoop* loop = nullptr) {
        TaskCallbacks<int> c;
        c.progress = [this](std::uint64_t done, std::uint64_t total) {
            offGuiThread |= QThread::currentThread() != qApp->thread();
            progress.emplace_back(done, total);
        };
        c.result = [this, loop](int&& r) {
            offGuiThread |= QThread::currentThread() != qApp->thread();
            results.push_back(r);
            if (loop != nullptr) {
                loop->quit();
            }
        };
        return c;
    }
};

TEST(GuiTask, DeliversProgressAndTheResultInTheEventLoop) {
    Owner owner;
    QEventLoop loop;
    // Reports a thousand times over about 150 ms: some reports pass.
    owner.task.start(TaskWork<int>([](std::stop_token stop, const ProgressFn& progress) {
                         for (std::uint64_t i = 1; i <= 1000 && !stop.stop_requested(); ++i) {
                             std::this_thread::sleep_for(std::chrono::microseconds(150));
                             progress(i, 1000);
                         }
                         return 42;
                     }),
                     owner.callbacks(&loop));
    EXPECT_TRUE(owner.task.busy());
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(owner.results, std::vector<int>{42});
    ASSERT_FALSE(owner.progress.empty());
    EXPECT_EQ(owner.progress.back(), (Pair{1000, 1000}));
    EXPECT_LT(owner.progress.size(), 1000u);
    EXPECT_FALSE(owner.offGuiThread);
    EXPECT_FALSE(owner.task.busy());
}

TEST(GuiTask, AReplacedTaskDeliversNothingItHadPosted) {
    Owner owner;
    std::vector<int> firstResults;
    TaskCallbacks<int> first;
    first.result = [&](int&& r) { firstResults.push_back(r); };
    first.progress = [&](std::uint64_t, std::uint64_t) { firstResults.push_back(-1); };
    owner.task.start(Immediate(1), std::move(first));
    owner.task.wait();  // its progress and result are posted

    QEventLoop loop;
    owner.task.start(Immediate(2), owner.callbacks(&loop));
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    DeliverPosted();
    EXPECT_TRUE(firstResults.empty());
    EXPECT_EQ(owner.results, std::vector<int>{2});
    EXPECT_EQ(owner.progress, std::vector<Pair>{Pair(1, 1)});
}

TEST(GuiTask, ARunningTaskIsStoppedWhenReplaced) {
    Owner owner;
    StoppableWork running;
    owner.task.start(running.work(), owner.callbacks());
    running.waitUntilStarted();
    QEventLoop loop;
    owner.task.start(Immediate(2), owner.callbacks(&loop));
    EXPECT_TRUE(running.ended);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    DeliverPosted();
    EXPECT_EQ(owner.results, std::vector<int>{2});
}

TEST(GuiTask, ACancelledTaskDeliversNothing) {
    Owner owner;
    // Cancelled after it posted its result.
    owner.task.start(Immediate(1), owner.callbacks());
    owner.task.wait();
    owner.task.cancel();
    EXPECT_FALSE(owner.task.busy());
    DeliverPosted();
    EXPECT_TRUE(owner.results.empty());
    EXPECT_TRUE(owner.progress.empty());

    // Cancelled while it runs.
    StoppableWork running;
    owner.task.start(running.work(), owner.callbacks());
    running.waitUntilStarted();
    owner.task.cancel();
    owner.task.wait();
    EXPECT_TRUE(running.ended);
    DeliverPosted();
    EXPECT_TRUE(owner.results.empty());
}

TEST(GuiTask, DestroyingTheOwnerWhileItsWorkRunsStopsTheWork) {
    StoppableWork running;
    auto owner = std::make_unique<Owner>();
    owner->task.start(running.work(), owner->callbacks());
    running.waitUntilStarted();
    owner.reset();
    EXPECT_TRUE(running.ended);
    DeliverPosted();
}

TEST(GuiTask, DestroyingTheOwnerDropsWhatItsWorkPosted) {
    for (int i = 0; i < 20; ++i) {
        auto owner = std::make_unique<Owner>();
        owner->task.start(Immediate(i), owner->callbacks());
        if (i % 2 == 0) {
            owner->task.wait();  // posted before the owner goes
        }
        owner.reset();
        DeliverPosted();  // a delivery now would reach a freed owner
    }
}

TEST(GuiTask, AnExceptionOfTheWorkArrivesOnTheGuiThread) {
    GuiTask task;
    QEventLoop loop;
    std::exception_ptr error;
    bool offGuiThread = false;
    TaskCallbacks<int> callbacks;
    callbacks.error = [&](std::exception_ptr e) {
        offGuiThread = QThread::currentThread() != qApp->thread();
        error = e;
        loop.quit();
    };
    task.start(TaskWork<int>([](std::stop_token, const ProgressFn&) -> int {
                   throw std::runtime_error("no memory for the rows");
               }),
               std::move(callbacks));
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(error);
    EXPECT_FALSE(offGuiThread);
    EXPECT_FALSE(task.busy());
}

TEST(GuiTask, AResultCallbackMayStartTheNextTask) {
    Owner owner;
    QEventLoop loop;
    TaskCallbacks<int> first;
    first.result = [&](int&& r) { owner.task.start(Immediate(r + 1), owner.callbacks(&loop)); };
    owner.task.start(Immediate(1), std::move(first));
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(owner.results, std::vector<int>{2});
}

}  // namespace
}  // namespace sorrel
